#pragma once
// The rows a run stores, built one way for the on-line run and the record-file import: one
// Parameters row per project, and per sample one ParametersData row per project holding that
// project's values in channel order.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "Records.h"

// One record per project name, in order: its name, `createTime`, the planned start and end
// unchanged; every instrument of the run (number, model, serial number, link type, address,
// port or baud rate, channel configuration), also one none of whose channels belongs to the
// project; the first instrument's scan interval ('g', 6 significant digits) and scan rate; and
// the channel name and unit of each of the project's channels in `channels` order.
QList<ParametersRecord> makeProjectRecords(const QList<AcquisitionDeviceRecord> &devices,
                                           const QStringList &projectNames,
                                           const QString &start, const QString &end,
                                           const QList<ChannelRow> &channels,
                                           const QString &createTime);

// Splits one combined sample (value k belongs to entry k of `channels`) into `projectCount`
// lists, one per project, each in channel order. False (and `out` empty) when the value count
// differs from the channel count or a channel's project is out of range: values are never
// shifted onto other channels.
bool splitSampleByProject(const QStringList &values, const QList<ChannelRow> &channels,
                          int projectCount, QList<QStringList> &out);

// The number of channels of each of `deviceCount` instruments among `channels`: the values a
// sample holds of each instrument.
QList<int> channelsPerDevice(const QList<ChannelRow> &channels, int deviceCount);

// The ParametersData rows of one sample: one per project record, named as it, at time `t`, with
// entry p of `projectValues`.
QList<ParametersDataRow> makeSampleRows(const QList<ParametersRecord> &projects,
                                        const QDateTime &t,
                                        const QList<QStringList> &projectValues);
