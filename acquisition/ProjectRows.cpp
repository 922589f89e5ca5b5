#include "ProjectRows.h"

QList<ParametersRecord> makeProjectRecords(const QList<AcquisitionDeviceRecord> &devices,
                                           const QStringList &projectNames,
                                           const QString &start, const QString &end,
                                           const QList<ChannelRow> &channels,
                                           const QString &createTime)
{
    QStringList numbers, models, serials, modes, addresses, ports, configs;
    for (const AcquisitionDeviceRecord &device : devices) {
        numbers.append(QString::number(device.number));
        models.append(device.model);
        serials.append(device.serialNumber);
        modes.append(device.signalMode);
        addresses.append(device.ipCom);
        ports.append(device.portBaudRate);
        configs.append(device.channelConfig);
    }
    QList<ParametersRecord> records;
    for (int p = 0; p < projectNames.size(); ++p) {
        ParametersRecord record;
        record.Name = projectNames.at(p);
        record.CreateTime = createTime;
        record.Start = start;
        record.End = end;
        record.DeviceNumber = numbers;
        record.Model = models;
        record.SerialNumber = serials;
        if (!devices.isEmpty()) {
            record.ScanInterval = QString::number(devices.first().scanInterval, 'g', 6);
            record.ScanRate = devices.first().scanRate;
        }
        record.SignalMode = modes;
        record.IP_COM = addresses;
        record.Port_BaudRate = ports;
        record.ChannelConfig = configs;
        for (const ChannelRow &row : channels) {
            if (row.projectIndex != p)
                continue;
            record.ChannelNumber.append(row.channelName);
            record.ChannelUnit.append(row.unit);
        }
        records.append(record);
    }
    return records;
}

bool splitSampleByProject(const QStringList &values, const QList<ChannelRow> &channels,
                          int projectCount, QList<QStringList> &out)
{
    out.clear();
    if (values.size() != channels.size())
        return false;
    out.reserve(projectCount);
    for (int p = 0; p < projectCount; ++p) {
        out.append(QStringList());
        out.last().reserve(values.size());
    }
    for (int k = 0; k < values.size(); ++k) {
        const int p = channels.at(k).projectIndex;
        if (p < 0 || p >= projectCount) {
            out.clear();
            return false;
        }
        out[p].append(values.at(k));
    }
    return true;
}

QList<int> channelsPerDevice(const QList<ChannelRow> &channels, int deviceCount)
{
    QList<int> counts;
    for (int i = 0; i < deviceCount; ++i)
        counts.append(0);
    for (const ChannelRow &row : channels)
        if (row.deviceIndex >= 0 && row.deviceIndex < deviceCount)
            ++counts[row.deviceIndex];
    return counts;
}

QList<ParametersDataRow> makeSampleRows(const QList<ParametersRecord> &projects,
                                        const QDateTime &t,
                                        const QList<QStringList> &projectValues)
{
    QList<ParametersDataRow> rows;
    for (int p = 0; p < projects.size() && p < projectValues.size(); ++p)
        rows.append(ParametersDataRow{projects.at(p).Name, t, projectValues.at(p)});
    return rows;
}
