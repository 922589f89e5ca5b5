#pragma once
// Channel records built from a stored channel configuration, and safe access to the
// configuration's per-channel lists. Shared by the configuration pages, the instrument page
// and the acquisition runs: every caller that hands a configuration to a driver builds the
// records here.
//
// A configuration row read from the database (or typed into an old file) may hold per-channel
// lists shorter than its ChannelCount. Display code reads cells through channelEntry and
// channelFlag, which give an empty text or false past the end of a list. Code that hands a
// configuration to a driver builds the records with buildChannelRecords, which refuses such a
// configuration (false, no records): callers treat that as "no configuration chosen".

#include <QList>
#include <QString>
#include <QStringList>

#include "Records.h"

// Entry `index` of a per-channel list, or an empty text when the list has no such entry.
QString channelEntry(const QStringList &list, int index);
// Entry `index` of a per-channel flag list, or false when the list has no such entry.
bool channelFlag(const QList<bool> &list, int index);

// The names (as the table's columns) of the per-channel lists of `config` that hold fewer
// entries than its ChannelCount, in column order; empty when every list is long enough.
// `driverListsOnly` limits the check to the fourteen lists a channel record is built from
// (labels and alarm settings are then not looked at).
QStringList shortChannelLists(const ChannelConfigData &config, bool driverListsOnly = false);

// Builds one record per channel, in channel order: number, type, function, wiring and unit of
// channel i, the configuration's compensation and cold-junction texts, the seven coefficient
// texts unchanged, and the correction gain and offset parsed as C-locale floats (a text that
// is no number gives 0). `out` is emptied first.
// False (and `out` empty) when the channel count is 0, or when one of the lists the records
// are built from holds fewer entries than the channel count. A negative count gives true and
// no records.
bool buildChannelRecords(const ChannelConfigData &config, QList<ChannelRecord> &out);

// Whether a stored configuration (a restored or hand-edited file may hold any count) may be laid
// out or handed on: its ChannelCount is not negative, no per-channel list holds fewer entries
// than it, and it does not exceed `modelChannels`, the channel count of the instrument model
// `model` it is used with (not checked when `modelChannels` is 0 or less, a model without a
// driver). False with `error` set to the message to show.
bool checkChannelCount(const ChannelConfigData &config, const QString &model, int modelChannels,
                       QString &error);

// Whether a cell text is a finite C-locale decimal number ("1", "-0.5", "3.9083e-3"); "-", ".",
// "1.2.3", the empty text, "nan" and "inf" are not.
bool isNumberText(const QString &text);
// Whether a correction gain or offset text is a number that a channel record's float can hold.
bool isCorrectionText(const QString &text);
