#include "SampleRows.h"

#include <cmath>
#include <limits>

namespace {

const QString kSampleTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");

template <typename Char>
void appendDigits(Char *&out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = Char(char('0' + value % 10));
        value /= 10;
    }
    out += width;
}

// Writes the 23 characters of "yyyy-MM-dd hh:mm:ss.zzz" for a year from 0 to 9999.
template <typename Char>
void writeSampleTime(Char *out, const QDate &d, const QTime &t)
{
    appendDigits(out, d.year(), 4);
    *out++ = Char('-');
    appendDigits(out, d.month(), 2);
    *out++ = Char('-');
    appendDigits(out, d.day(), 2);
    *out++ = Char(' ');
    appendDigits(out, t.hour(), 2);
    *out++ = Char(':');
    appendDigits(out, t.minute(), 2);
    *out++ = Char(':');
    appendDigits(out, t.second(), 2);
    *out++ = Char('.');
    appendDigits(out, t.msec(), 3);
}

constexpr int kSampleTimeSize = 23;

// Digits of text[from, from + width) as a number, or -1 when one of them is no ASCII digit.
int digitsAt(QStringView text, int from, int width)
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
    if (d.year() < 0 || d.year() > 9999)
        return time.toString(kSampleTimeFormat);
    QString text(kSampleTimeSize, Qt::Uninitialized);
    writeSampleTime(text.data(), d, time.time());
    return text;
}

void formatSampleTime(const QDateTime &time, QByteArray &out)
{
    const QDate d = time.date();
    if (!time.isValid() || d.year() < 0 || d.year() > 9999) {
        out = formatSampleTime(time).toLatin1();
        return;
    }
    out.resize(kSampleTimeSize);
    writeSampleTime(out.data(), d, time.time());
}

bool parseSampleTimeFields(QStringView text, QDate &date, QTime &time)
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
