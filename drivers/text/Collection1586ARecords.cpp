// Collection1586A: reading the record files that the scanner writes by itself (comma-separated
// text, a header line "Record...,Time...,<channel columns>", then one scan per line), through
// the shared record reader.

#include "Collection1586A.h"

bool Collection1586A::openRecordFile(QString path, QList<ChannelRecord> rows)
{
    QStringList header;
    if (!recordReader.open(path) || !recordReader.readFields(header))
        return recordReader.refuse();
    if (header.size() < 5 || !header[0].startsWith("Record") || !header[1].startsWith("Time"))
        return recordReader.refuse();
    // A channel column header is at least 10 characters long, its characters 4 to 6 the channel
    // number (such as "Ch 101 (°C)").
    QStringList channels{QString(), QString()};
    for (int i = 2; i < header.size(); ++i) {
        if (header[i].size() < 10)
            return recordReader.refuse();
        channels << header[i].mid(3, 3);
    }
    QStringList wanted;
    for (const ChannelRecord &row : rows)
        wanted << row.channelNumber;
    return recordReader.selectColumns(channels, wanted) || recordReader.refuse();
}

bool Collection1586A::readRecordAt(QDateTime time, QStringList &values)
{
    return recordReader.readAt(time, values);
}

bool Collection1586A::closeRecordFile()
{
    return closeRecord();
}
