#pragma once
// Saving a finished calibration: the raw data row, the points, the fit by sensor type and the
// write-back of the new coefficients into the channel configurations. Runs on the GUI thread
// (default database connection); shows nothing itself.

#include <QList>
#include <QString>
#include <QStringList>

#include "CoefficientFit.h"
#include "Records.h"

// What a calibration collected, as the calibration page holds it.
struct CalibrationRun
{
    QString channelMode;                    // "热电偶", "热敏电阻" or "铂电阻"
    // One entry per measured point: the reference temperature of each batch, joined with ",".
    QStringList calibrationCriteria;
    // Per point (up to 9): entry b holds the readings of batch b joined with ",".
    QList<QStringList> calibrationData;
    QStringList channelLabels;              // slot number + "_" + channel number, per channel
    QList<QList<ChannelRecord>> channels;   // chosen channels of slots 1..3, current settings
    QList<AcquisitionDeviceRecord> slotDevices;  // the instrument of each slot
    QString startTime;
    QString channelName;
    QStringList collectionNames;
};

namespace CalibrationSave {

// The whole save. Files the raw data row (its result is not looked at), builds the points,
// fits and writes back. `message` is what the page shows: "校准数据保存成功！" (true), or
// "未检测到校准数据，保存失败！", "分批数不匹配，计算失败！", "通道数不匹配，计算失败！",
// "参数错误，计算失败！", "更新通道参数失败！" (false). Nothing of a failed fit or write-back
// reaches the channel configurations. The fit knows from each slot's model whether its
// instrument keeps the coefficients as singles. GUI thread only (it asks the model registry).
bool saveCalibration(const CalibrationRun &run, QString &message);

// The points of the stored texts: per point the pairs (reference of the batch, reading) of all
// batches in order. False with the page's message when a point's reference count differs from
// its batch count, a point's pair count from `channelCount`, or a text is not a number.
bool buildPoints(const QStringList &criteria, const QList<QStringList> &data, int channelCount,
                 QList<CoefficientFit::Point> &points, QString &message);

// The channels that would be calibrated twice in one channel configuration (two instruments
// sharing a configuration, the same channel chosen on both): "configuration name:channel
// number" of each, in slot order; empty when there is none. For the check when a calibration
// starts; the write-back refuses such a calibration as well.
QStringList repeatedChannels(const QList<AcquisitionDeviceRecord> &slotDevices,
                             const QList<QStringList> &selectedChannels);

// Writes the fitted records into table ChannelConfig: the slots are grouped by their
// configuration name and each configuration is written once; every slot and channel is checked
// first (configuration found, channel number in it, no channel twice) and the writes are one
// transaction, so either every configuration takes its new coefficients or none does.
// Correction gain and offset, and the coefficient texts, are written at full precision.
bool writeBackCoefficients(const QList<QList<ChannelRecord>> &channels,
                           const QList<AcquisitionDeviceRecord> &slotDevices);

} // namespace CalibrationSave
