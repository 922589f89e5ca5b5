// Collection1586A: reading the record files that the scanner writes by itself (comma-separated
// text, a header line "Record...,Time...,<channel columns>", then one scan per line).

#include "Collection1586A.h"

#include <QHash>

namespace {

const QString recordTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
// A record is taken when its time lies this close to the time asked for, either side.
constexpr qint64 recordWindowMs = 1000;

// The next line of the file as UTF-8 text, without its line end.
QString nextLine(QFile &file)
{
    QString line = QString::fromUtf8(file.readLine());
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

void Collection1586A::resetRecordState()
{
    if (recordFile.isOpen())
        recordFile.close();
    recordColumns.clear();
    recordChannelColumns.clear();
    pendingRecord.clear();
    hasPendingRecord = false;
}

bool Collection1586A::openRecordFile(QString path, QList<ChannelRecord> rows)
{
    resetRecordState();
    recordFile.setFileName(path);
    if (!recordFile.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    auto refuse = [this] {
        resetRecordState();
        return false;
    };
    if (recordFile.atEnd())
        return refuse();

    const QStringList header = nextLine(recordFile).split(',', Qt::KeepEmptyParts);
    if (header.size() < 5)
        return refuse();
    if (!header[0].startsWith("Record"))
        return refuse();
    recordColumns << false;
    if (!header[1].startsWith("Time"))
        return refuse();
    recordColumns << false;

    QHash<QString, int> columnOfChannel;   // the first column of each channel number
    for (int i = 2; i < header.size(); ++i) {
        if (header[i].size() < 10)
            return refuse();
        const QString number = header[i].mid(3, 3);
        recordColumns << false;
        if (!columnOfChannel.contains(number))
            columnOfChannel.insert(number, i);
    }
    for (const ChannelRecord &row : rows) {
        const int column = columnOfChannel.value(row.channelNumber, -1);
        if (column < 0)
            return refuse();
        recordChannelColumns << column;
        recordColumns[column] = true;
    }
    return true;
}

bool Collection1586A::readRecordAt(QDateTime time, QStringList &values)
{
    values.clear();
    if (!time.isValid())
        return false;
    for (;;) {
        QString line;
        if (hasPendingRecord) {
            line = pendingRecord;
            hasPendingRecord = false;
            pendingRecord.clear();
        } else {
            if (!recordFile.isOpen() || recordFile.atEnd())
                return false;
            line = nextLine(recordFile);
        }
        const QStringList fields = line.split(',', Qt::KeepEmptyParts);
        if (recordColumns.size() > fields.size() || fields.size() < 2)
            return false;
        const QDateTime recorded = QDateTime::fromString(fields[1], recordTimeFormat);
        if (!recorded.isValid())
            return false;
        const qint64 after = time.msecsTo(recorded);   // > 0: the record is later than asked
        if (qAbs(after) <= recordWindowMs) {
            for (int column : qAsConst(recordChannelColumns))
                values << fields[column];
            return true;
        }
        if (after > recordWindowMs) {
            // Belongs to a later time: keep it for the next call.
            pendingRecord = line;
            hasPendingRecord = true;
            return false;
        }
    }
}

bool Collection1586A::closeRecordFile()
{
    resetRecordState();
    return true;
}
