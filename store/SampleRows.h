#pragma once
// Encoding of one ParametersData row: the sample time as "yyyy-MM-dd hh:mm:ss.zzz" (local time)
// and the values joined with ",".

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>

#include "Records.h"

// "yyyy-MM-dd hh:mm:ss.zzz"; the empty text for an invalid time.
QString formatSampleTime(const QDateTime &time);
// The same text as Latin-1 bytes in `out`, whose memory serves again from one row to the next.
void formatSampleTime(const QDateTime &time, QByteArray &out);
// The date and time written in a text of exactly the shape "yyyy-MM-dd hh:mm:ss.zzz", read digit
// by digit (no time-zone arithmetic). False for a text of any other shape or an impossible date
// or time.
bool parseSampleTimeFields(QStringView text, QDate &date, QTime &time);
// Parses "yyyy-MM-dd hh:mm:ss.zzz" as local time; a text that does not parse gives an invalid
// time.
QDateTime parseSampleTime(const QString &text);
// One stored sample value: true with the number when the text is a finite number. A text that
// is not ("nan", "inf", empty, or no number at all, as in rows of older databases) is a missing
// value: false, and `value` is NaN. Every consumer reads stored values through this, so a
// missing value is never taken as 0.
bool storedSampleValue(const QString &text, double &value);
// The same as a number: the value, or NaN for a missing one.
double storedSampleValue(const QString &text);
// One row from its three column texts; the values split on "," keeping empty parts.
ParametersDataRow decodeParametersDataRow(const QString &name, const QString &timeText,
                                          const QString &dataText);
