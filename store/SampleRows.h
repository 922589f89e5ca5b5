#pragma once
// Encoding of one ParametersData row: the sample time as "yyyy-MM-dd hh:mm:ss.zzz" (local time)
// and the values joined with ",".

#include <QDateTime>
#include <QString>

#include "Records.h"

// "yyyy-MM-dd hh:mm:ss.zzz"; the empty text for an invalid time.
QString formatSampleTime(const QDateTime &time);
// The date and time written in a text of exactly the shape "yyyy-MM-dd hh:mm:ss.zzz", read digit
// by digit (no time-zone arithmetic). False for a text of any other shape or an impossible date
// or time.
bool parseSampleTimeFields(const QString &text, QDate &date, QTime &time);
// Parses "yyyy-MM-dd hh:mm:ss.zzz" as local time; a text that does not parse gives an invalid
// time.
QDateTime parseSampleTime(const QString &text);
// One row from its three column texts; the values split on "," keeping empty parts.
ParametersDataRow decodeParametersDataRow(const QString &name, const QString &timeText,
                                          const QString &dataText);
