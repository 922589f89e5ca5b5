#include "CalibrationSave.h"

#include <QCoreApplication>
#include <QSet>

#include <cmath>

#include "Database.h"
#include "Registry.h"

namespace CalibrationSave {

namespace {

QString text(const char *source)
{
    return QCoreApplication::translate("ChannelCalibration", source);
}

bool parseNumber(const QString &text, double &value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value);
}

// Every per-channel list of the configuration has an entry at `k`.
bool hasEntry(const ChannelConfigData &config, int k)
{
    for (const QStringList *list : {&config.MX_B_M, &config.MX_B_B, &config.A_C0, &config.B_C1,
                                    &config.C_C2, &config.D_C3, &config.R0_C4, &config.A4_C5,
                                    &config.B4_C6}) {
        if (list->size() <= k)
            return false;
    }
    return true;
}

void setEntry(ChannelConfigData &config, int k, const ChannelRecord &record)
{
    config.MX_B_M[k] = CoefficientFit::gainText(record.mxbM);
    config.MX_B_B[k] = CoefficientFit::gainText(record.mxbB);
    config.A_C0[k] = record.a_c0;
    config.B_C1[k] = record.b_c1;
    config.C_C2[k] = record.c_c2;
    config.D_C3[k] = record.d_c3;
    config.R0_C4[k] = record.r0_c4;
    config.A4_C5[k] = record.a4_c5;
    config.B4_C6[k] = record.b4_c6;
}

} // namespace

bool buildPoints(const QStringList &criteria, const QList<QStringList> &data, int channelCount,
                 QList<CoefficientFit::Point> &points, QString &message)
{
    points.clear();
    QList<QList<QPair<QString, QString>>> texts;
    for (int p = 0; p < criteria.size(); ++p) {
        const QStringList references = criteria.at(p).split(QLatin1Char(','), Qt::KeepEmptyParts);
        const QStringList batches = p < data.size() ? data.at(p) : QStringList();
        if (references.size() != batches.size()) {
            message = text("分批数不匹配，计算失败！");
            return false;
        }
        QList<QPair<QString, QString>> pairs;
        for (int b = 0; b < batches.size(); ++b) {
            const QStringList readings = batches.at(b).split(QLatin1Char(','), Qt::KeepEmptyParts);
            for (const QString &reading : readings)
                pairs.append({references.at(b), reading});
        }
        texts.append(pairs);
    }
    for (const auto &pairs : texts) {
        if (pairs.size() != channelCount) {
            message = text("通道数不匹配，计算失败！");
            return false;
        }
    }
    for (const auto &pairs : texts) {
        CoefficientFit::Point point;
        for (const auto &pair : pairs) {
            double reference = 0.0, reading = 0.0;
            if (!parseNumber(pair.first, reference) || !parseNumber(pair.second, reading)) {
                message = text("参数错误，计算失败！");
                points.clear();
                return false;
            }
            point.append({reference, reading});
        }
        points.append(point);
    }
    return true;
}

QStringList repeatedChannels(const QList<AcquisitionDeviceRecord> &slotDevices,
                             const QList<QStringList> &selectedChannels)
{
    QSet<QString> seen;
    QStringList repeated;
    for (int slot = 0; slot < selectedChannels.size() && slot < slotDevices.size(); ++slot) {
        for (const QString &number : selectedChannels.at(slot)) {
            const QString key = slotDevices.at(slot).channelConfig + QLatin1Char(':') + number;
            if (seen.contains(key))
                repeated.append(key);
            seen.insert(key);
        }
    }
    return repeated;
}

bool writeBackCoefficients(const QList<QList<ChannelRecord>> &channels,
                           const QList<AcquisitionDeviceRecord> &slotDevices)
{
    if (channels.size() != slotDevices.size())
        return false;
    QList<QStringList> numbers;
    for (const QList<ChannelRecord> &slot : channels) {
        QStringList slotNumbers;
        for (const ChannelRecord &record : slot)
            slotNumbers.append(record.channelNumber);
        numbers.append(slotNumbers);
    }
    if (!repeatedChannels(slotDevices, numbers).isEmpty())
        return false;

    // Every slot is checked before anything is written.
    QList<ChannelConfigData> configs;
    for (int slot = 0; slot < channels.size(); ++slot) {
        if (channels.at(slot).isEmpty())
            continue;
        const QString name = slotDevices.at(slot).channelConfig;
        int index = -1;
        for (int i = 0; i < configs.size() && index < 0; ++i) {
            if (configs.at(i).Name == name)
                index = i;
        }
        if (index < 0) {
            QList<ChannelConfigData> rows;
            // An empty name would select every configuration.
            if (name.isEmpty() || !selectChannelConfig(rows, name) || rows.isEmpty())
                return false;
            configs.append(rows.first());
            index = configs.size() - 1;
        }
        ChannelConfigData &config = configs[index];
        for (const ChannelRecord &record : channels.at(slot)) {
            const int k = config.ChannelNumber.indexOf(record.channelNumber);
            if (k < 0 || !hasEntry(config, k))
                return false;
            setEntry(config, k, record);
        }
    }
    return runInTransaction([&configs] {
        for (const ChannelConfigData &config : configs) {
            if (!updateChannelConfig(config))
                return false;
        }
        return true;
    });
}

bool saveCalibration(const CalibrationRun &run, QString &message)
{
    if (run.calibrationCriteria.isEmpty()) {
        message = text("未检测到校准数据，保存失败！");
        return false;
    }
    ChannelCalibrationDataRecord row;
    row.startTime = run.startTime;
    row.channelName = run.channelName;
    row.channelMode = run.channelMode;
    row.collectionName = run.collectionNames.join(QLatin1Char(','));
    row.channelNumber = run.channelLabels.join(QLatin1Char(','));
    row.calibrationCriteria = run.calibrationCriteria;
    for (int p = 0; p < run.calibrationData.size() && p < 9; ++p)
        *row.calibrationDataOfPoint(p + 1) = run.calibrationData.at(p);
    insertChannelCalibrationData(row);

    QList<CoefficientFit::Point> points;
    if (!buildPoints(run.calibrationCriteria, run.calibrationData, run.channelLabels.size(),
                     points, message))
        return false;
    QList<QList<ChannelRecord>> fitted = run.channels;
    QList<bool> singleSlots;
    for (const AcquisitionDeviceRecord &device : run.slotDevices)
        singleSlots.append(modelKeepsSingleCoefficients(device.model));
    if (!CoefficientFit::fitChannels(run.channelMode, points, fitted, singleSlots)) {
        message = text("参数错误，计算失败！");
        return false;
    }
    if (!writeBackCoefficients(fitted, run.slotDevices)) {
        message = text("更新通道参数失败！");
        return false;
    }
    message = text("校准数据保存成功！");
    return true;
}

} // namespace CalibrationSave
