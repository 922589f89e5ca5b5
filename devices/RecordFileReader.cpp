#include "RecordFileReader.h"

#include <QDebug>
#include <QtNumeric>

#include "SampleRows.h"

namespace {
constexpr qint64 pieceSize = 64 * 1024;

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// A time as its clock reads it: the date and time as written, without time-zone arithmetic, so
// that a record's stamp (the instrument's own clock) compares with the time asked for digit by
// digit, and no conversion through the local time zone is made per record.
QDateTime wallClock(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

// A record's time stamp read with the layout's format (the usual one digit by digit); an invalid
// time when it does not parse.
QDateTime recordTime(QStringView stamp, const QString &format)
{
    static const QString sampleFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    QDate date;
    QTime time;
    if (format == sampleFormat && parseSampleTimeFields(stamp, date, time))
        return wallClock(date, time);
    const QDateTime parsed = QDateTime::fromString(stamp.toString(), format);
    return parsed.isValid() ? wallClock(parsed.date(), parsed.time()) : QDateTime();
}

// A field written as a plain decimal number ("-12.345", "7", ".5"): ASCII digits with at most
// one "." and one leading sign, nothing else, short enough that it is always a finite double.
// Such a field is a number as it stands, with no need to convert it; any other goes the long way.
bool isPlainDecimal(const QString &field)
{
    const int size = field.size();
    if (size == 0 || size > 32)
        return false;
    const QChar *c = field.constData();
    int i = (c[0] == QLatin1Char('-') || c[0] == QLatin1Char('+')) ? 1 : 0;
    bool digit = false;
    bool point = false;
    for (; i < size; ++i) {
        const ushort u = c[i].unicode();
        if (u >= '0' && u <= '9')
            digit = true;
        else if (u == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

} // namespace

RecordFileReader::RecordFileReader(QFile &file, QList<bool> &columns)
    : file(file), columns(columns)
{
}

bool RecordFileReader::open(const QString &path)
{
    close();
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    fill();
    if (pending.startsWith("\xEF\xBB\xBF"))
        offset = 3;
    if (atEnd())
        return refuse();
    return true;
}

void RecordFileReader::close()
{
    if (file.isOpen())
        file.close();
    columns.clear();
    pending.clear();
    offset = 0;
    headingSize = 0;
    selected.clear();
    record.clear();
    fieldEnds.clear();
    hasKeptRecord = false;
    skipping = false;
}

bool RecordFileReader::refuse()
{
    close();
    return false;
}

bool RecordFileReader::fill()
{
    if (!file.isOpen())
        return false;
    const QByteArray piece = file.read(pieceSize);
    if (piece.isEmpty())
        return false;
    pending.remove(0, offset);
    offset = 0;
    pending.append(piece);
    return true;
}

bool RecordFileReader::atEnd()
{
    if (skipping)
        skipRest();
    for (;;) {
        for (int i = offset; i < pending.size(); ++i) {
            if (!isLineEnd(pending.at(i)))
                return false;
        }
        // So many line ends are no end of the file: blank lines, read one by one.
        if (pending.size() - offset > lineLimit)
            return false;
        if (!fill())
            return true;
    }
}

void RecordFileReader::skipRest()
{
    skipping = false;
    for (;;) {
        while (offset < pending.size() && !isLineEnd(pending.at(offset)))
            ++offset;
        if (offset < pending.size())
            break;
        if (!fill())
            return;
    }
    if (pending.at(offset++) != '\r')
        return;
    if (offset == pending.size() && !fill())
        return;
    if (pending.at(offset) == '\n')
        ++offset;
}

bool RecordFileReader::readLine(QString &line)
{
    if (atEnd())
        return false;
    int scanned = 0;   // bytes of the line looked at, from `offset` on
    for (;;) {
        int end = offset + scanned;
        while (end < pending.size() && !isLineEnd(pending.at(end)))
            ++end;
        scanned = end - offset;
        if (scanned > lineLimit) {
            qDebug() << "记录行过长：超过" << lineLimit << "字节";
            offset = end;
            skipping = true;
            return false;
        }
        if (end == pending.size()) {
            if (fill())
                continue;
            // The last line, without a line end.
            line = QString::fromUtf8(pending.constData() + offset, end - offset);
            offset = end;
            return true;
        }
        // A CR at the end of the bytes read so far may be the first half of a CRLF.
        if (pending.at(end) == '\r' && end + 1 == pending.size() && fill())
            continue;
        line = QString::fromUtf8(pending.constData() + offset, end - offset);
        const bool crlf = pending.at(end) == '\r' && end + 1 < pending.size()
            && pending.at(end + 1) == '\n';
        offset = end + (crlf ? 2 : 1);
        return true;
    }
}

bool RecordFileReader::readFields(QStringList &fields)
{
    QString line;
    if (!readLine(line))
        return false;
    fields = line.split(QLatin1Char(','), Qt::KeepEmptyParts);
    return true;
}

bool RecordFileReader::selectColumns(const QStringList &columnChannels, const QStringList &wanted)
{
    headingSize = columnChannels.size();
    columns.clear();
    for (int i = 0; i < headingSize; ++i)
        columns << false;
    selected.clear();
    for (const QString &channel : wanted) {
        const int column = channel.isEmpty() ? -1 : columnChannels.indexOf(channel);
        if (column < 0)
            return false;
        selected << column;
        columns[column] = true;
    }
    return true;
}

void RecordFileReader::splitRecord()
{
    fieldEnds.resize(0);
    const QChar *c = record.constData();
    for (int i = 0, size = record.size(); i < size; ++i) {
        if (c[i] == QLatin1Char(','))
            fieldEnds.append(i);
    }
    fieldEnds.append(record.size());
}

QStringView RecordFileReader::field(int index) const
{
    const int from = index == 0 ? 0 : fieldEnds.at(index - 1) + 1;
    return QStringView(record.constData() + from, fieldEnds.at(index) - from);
}

bool RecordFileReader::readAt(const QDateTime &time, QStringList &values,
                              const RecordLayout &layout)
{
    values.clear();
    if (!time.isValid() || !file.isOpen())
        return false;
    const QDateTime wanted = wallClock(time.date(), time.time());
    for (;;) {
        if (hasKeptRecord) {
            hasKeptRecord = false;
        } else {
            if (!readLine(record)) {
                if (!skipping)
                    qDebug() << "未查到指定时间！";
                return false;
            }
            if (layout.checkLine && !layout.checkLine(record))
                return false;
            splitRecord();
        }
        // Empty fields after the heading's (a trailing ",") are no fields of the record.
        while (fieldEnds.size() > headingSize && !layout.longerRecords
               && field(fieldEnds.size() - 1).trimmed().isEmpty())
            fieldEnds.removeLast();
        const int fieldCount = fieldEnds.size();
        if (fieldCount < headingSize || (fieldCount > headingSize && !layout.longerRecords)
            || layout.timeField >= fieldCount) {
            qDebug() << "通道数量失败！" << fieldCount << "fields for a heading of"
                     << headingSize;
            return false;
        }
        const QStringView stamp = field(layout.timeField);
        const QDateTime recorded = recordTime(stamp, layout.timeFormat);
        if (!recorded.isValid()) {
            qDebug() << "时间格式错误！" << stamp;
            return false;
        }
        const qint64 after = wanted.msecsTo(recorded);   // > 0: the record is later than asked
        const qint64 lateMs = layout.stepCapMs > 0 && stepMs > 0
            ? qMin(stepMs - 1, layout.stepCapMs)
            : layout.lateMs;
        if (after < -layout.earlyMs)
            continue;
        if (after > lateMs) {
            hasKeptRecord = true;
            qDebug() << "未识别到对应的时间：" << stamp;
            return false;
        }
        values.reserve(selected.size());
        for (int column : qAsConst(selected)) {
            const QString text = field(column).toString();
            QString value;
            if (!recordValue(text, value)) {
                qDebug() << "记录值不是数字：" << text << "at" << stamp;
                values.clear();
                return false;
            }
            values << value;
        }
        return true;
    }
}

bool RecordFileReader::recordValue(const QString &field, QString &value)
{
    if (isPlainDecimal(field)) {
        value = field;
        return true;
    }
    const QString text = field.trimmed();
    bool isNumber = false;
    const double number = text.toDouble(&isNumber);
    if (isNumber && qIsFinite(number)) {
        value = field;
        return true;
    }
    // Not finite: "nan", "inf", a number beyond the range of a double; or no number.
    QString word = text.toLower();
    if (word.startsWith(QLatin1Char('+')) || word.startsWith(QLatin1Char('-')))
        word.remove(0, 1);
    if (isNumber || qIsInf(number) || text.isEmpty() || word == QLatin1String("nan")
        || word == QLatin1String("inf") || word == QLatin1String("infinity")) {
        value = QStringLiteral("nan");
        return true;
    }
    return false;
}
