#pragma once
// The plan of an on-line run as the plan and channel dialogs leave it in the shared settings
// record: instruments with one channel configuration each, and every channel tied to a project.

#include <QDateTime>
#include <QList>
#include <QStringList>

#include "SystemSettings.h"

namespace OnlineTest {

inline QString timeText(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// One planned instrument and the project of each of its channels.
struct PlannedInstrument
{
    QString model;
    QString signalMode;
    QString address;
    QString port;
    QList<int> projectOfChannel;      // one entry per channel
    QStringList channelNumbers;       // empty: "101", "102", ...
    QStringList units;                // empty: "℃" for every channel
    double scanInterval = 1.0;
    QString scanRate = QStringLiteral("快速");
    QString serialNumber;
};

// Fills the plan members of `s` as the plan and channel dialogs leave them.
inline void fillPlan(SystemSettings &s, const QList<PlannedInstrument> &instruments,
                     const QStringList &projects, const QDateTime &start, const QDateTime &end)
{
    s.acquisitionMode = QStringLiteral("在线");
    s.planStart = timeText(start);
    s.planEnd = timeText(end);
    s.projectNames = projects;
    s.planDevices.clear();
    s.planChannelConfigs.clear();
    s.planChannels.clear();
    for (int i = 0; i < instruments.size(); ++i) {
        const PlannedInstrument &in = instruments.at(i);
        AcquisitionDeviceRecord device;
        device.number = i + 1;
        device.model = in.model;
        device.serialNumber = in.serialNumber.isEmpty() ? QStringLiteral("SN%1").arg(i + 1)
                                                        : in.serialNumber;
        device.scanInterval = in.scanInterval;
        device.scanRate = in.scanRate;
        device.channelConfig = QStringLiteral("cfg%1").arg(i + 1);
        device.signalMode = in.signalMode;
        device.ipCom = in.address;
        device.portBaudRate = in.port;
        s.planDevices.append(device);

        ChannelConfigData config;
        config.Name = device.channelConfig;
        config.Mode = in.model;
        config.ChannelCount = in.projectOfChannel.size();
        config.Compensation = QStringLiteral("内部补偿");
        config.ColdJunction = QStringLiteral("0");
        for (int c = 0; c < config.ChannelCount; ++c) {
            const QString number = in.channelNumbers.value(c, QString::number(101 + c));
            const QString unit = in.units.value(c, QStringLiteral("℃"));
            config.ChannelNumber.append(number);
            config.ChannelLabel.append(QStringLiteral("T%1").arg(c + 1));
            config.ChannelType.append(QStringLiteral("热电偶"));
            config.ChannelFunction.append(QStringLiteral("K"));
            config.WireMode.append(QStringLiteral("二线制"));
            config.MX_B_M.append(QStringLiteral("1"));
            config.MX_B_B.append(QStringLiteral("0"));
            for (QStringList *list : {&config.A_C0, &config.B_C1, &config.C_C2, &config.D_C3,
                                      &config.R0_C4, &config.A4_C5, &config.B4_C6})
                list->append(QStringLiteral("0"));
            config.Unit.append(unit);
            config.LowerAlarmEnable.append(false);
            config.LowerAlarm.append(QStringLiteral("0"));
            config.UpperAlarmEnable.append(false);
            config.UpperAlarm.append(QStringLiteral("0"));

            ChannelRow row;
            row.deviceIndex = i;
            row.projectIndex = in.projectOfChannel.at(c);
            row.channelName = QStringLiteral("%1-%2").arg(i + 1).arg(number);
            row.labelName = QStringLiteral("%1-T%2").arg(i + 1).arg(c + 1);
            row.unit = unit;
            s.planChannels.append(row);
        }
        s.planChannelConfigs.append(config);
    }
}

} // namespace OnlineTest
