#include "SampleRows.h"

#include <cmath>
#include <limits>

namespace {

const QString kSampleTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");

void appendDigits(QChar *&out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = QLatin1Char(char('0' + value % 10));
        value /= 10;
    }
    out += width;
}

// Digits of text[from, from + width) as a number, or -1 when one of them is no ASCII digit.
int digitsAt(const QString &text, int from, int width)
{
    int value = 0;
    for (int i = from; i < from + width; ++i) {
        const ushort c = text.at(i).unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

bool storedSampleValue(const QString &text, double &value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (ok && std::isfinite(v)) {
        value = v;
        return true;
    }
    value = std::numeric_limits<double>::quiet_NaN();
    return false;
}

double storedSampleValue(const QString &text)
{
    double v;
    storedSampleValue(text, v);
    return v;
}

QString formatSampleTime(const QDateTime &time)
{
    if (!time.isValid())
        return QString();
    const QDate d = time.date();
    const QTime t = time.time();
    if (d.year() < 0 || d.year() > 9999)
        return time.toString(kSampleTimeFormat);
    QString text(23, Qt::Uninitialized);
    QChar *out = text.data();
    appendDigits(out, d.year(), 4);
    *out++ = QLatin1Char('-');
    appendDigits(out, d.month(), 2);
    *out++ = QLatin1Char('-');
    appendDigits(out, d.day(), 2);
    *out++ = QLatin1Char(' ');
    appendDigits(out, t.hour(), 2);
    *out++ = QLatin1Char(':');
    appendDigits(out, t.minute(), 2);
    *out++ = QLatin1Char(':');
    appendDigits(out, t.second(), 2);
    *out++ = QLatin1Char('.');
    appendDigits(out, t.msec(), 3);
    return text;
}

bool parseSampleTimeFields(const QString &text, QDate &date, QTime &time)
{
    if (text.size() != 23 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-')
        || text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':')
        || text.at(16) != QLatin1Char(':') || text.at(19) != QLatin1Char('.'))
        return false;
    const int y = digitsAt(text, 0, 4), mo = digitsAt(text, 5, 2), d = digitsAt(text, 8, 2);
    const int h = digitsAt(text, 11, 2), mi = digitsAt(text, 14, 2), s = digitsAt(text, 17, 2);
    const int ms = digitsAt(text, 20, 3);
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || s < 0 || ms < 0)
        return false;
    date = QDate(y, mo, d);
    time = QTime(h, mi, s, ms);
    return date.isValid() && time.isValid();
}

QDateTime parseSampleTime(const QString &text)
{
    // The common, exact shape is read directly; anything else goes through the general parser.
    QDate date;
    QTime time;
    if (parseSampleTimeFields(text, date, time)) {
        const QDateTime dt(date, time);
        if (dt.isValid() && dt.time() == time)
            return dt;
    }
    return QDateTime::fromString(text, kSampleTimeFormat);
}

ParametersDataRow decodeParametersDataRow(const QString &name, const QString &timeText,
                                          const QString &dataText)
{
    ParametersDataRow row;
    row.name = name;
    row.time = parseSampleTime(timeText);
    row.values = dataText.split(QLatin1Char(','), Qt::KeepEmptyParts);
    return row;
}
