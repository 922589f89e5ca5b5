// The record files the register instruments write themselves: a heading "Time..." whose channel
// columns carry the two-digit channel index, then one record per line.

#include "RegisterCollection.h"

#include <QtNumeric>

bool RegisterCollection::openIndexedRecordFile(const QString &path,
                                               const QList<ChannelRecord> &rows, int minFields)
{
    QStringList heading;
    if (rows.isEmpty() || !recordReader.open(path) || !recordReader.readFields(heading)
        || heading.size() < minFields || !heading.first().startsWith(QLatin1String("Time")))
        return recordReader.refuse();
    QStringList columns{QString()};
    bool naming = true;
    for (int i = 1; i < heading.size(); ++i) {
        naming = naming && heading.at(i).size() >= 4;
        columns << (naming ? QStringLiteral("1") + heading.at(i).mid(2, 2) : QString());
    }
    QStringList wanted;
    recordUnits.clear();
    for (const ChannelRecord &row : rows) {
        if (channelPosition(row.channelNumber) < 0)
            return recordReader.refuse();
        wanted << row.channelNumber;
        recordUnits << row.unit;
    }
    return recordReader.selectColumns(columns, wanted) || recordReader.refuse();
}

bool RegisterCollection::readIndexedRecord(const QDateTime &time, QStringList &values,
                                           qint64 stepCapMs)
{
    RecordLayout layout;
    layout.timeField = 0;
    layout.timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    layout.earlyMs = layout.lateMs = 1999;
    layout.stepCapMs = stepCapMs;
    QStringList fields;   // numbers or "nan" (RecordFileReader::readAt)
    const bool found = recordReader.readAt(time, fields, layout);
    values.clear();
    if (!found)
        return false;
    for (int i = 0; i < fields.size(); ++i) {
        const double value = recordValue(fields.at(i).trimmed().toDouble(), recordUnits.value(i));
        values << (qIsFinite(value) ? QString::number(value, 'g', 6) : QStringLiteral("nan"));
    }
    return true;
}

double RegisterCollection::recordValue(double value, const QString &)
{
    return value;
}
