#pragma once
// RecordFileReader: the reading of a record file that an instrument wrote by itself
// (comma-separated text: a heading line, then one record per line with its time in one field).
// One body for the record-file operations of every driver, text and register alike; each
// Collection has one, `recordReader`, working on its `recordFile` and `recordColumns`.
//
// Lines: a line ends at LF, at CRLF or at a lone CR, and its line end is not part of it; a
// UTF-8 byte-order mark at the start of the file is dropped; line ends after the last line make
// no line of their own. Lines are read as UTF-8 and split at every "," with empty fields kept.
// A line holds at most `lineLimit` bytes: a longer one is refused (and passed over by the next
// read), so a file without line ends is never read whole into memory.
//
// A driver's record-file operations:
//
//     bool openRecordFile(QString path, QList<ChannelRecord> rows)
//     {
//         QStringList heading;
//         if (!recordReader.open(path) || !recordReader.readFields(heading) || <heading wrong>)
//             return recordReader.refuse();
//         QStringList channels;            // the channel of each heading field, "" for none
//         QStringList wanted;              // the channels asked for, in the rows' order
//         ...
//         return recordReader.selectColumns(channels, wanted) || recordReader.refuse();
//     }
//     bool readRecordAt(QDateTime time, QStringList &values)
//     {
//         return recordReader.readAt(time, values);     // or with a RecordLayout of its own
//     }
//     bool closeRecordFile() { return closeRecord(); }  // Collection's shared close
//
// Values come in the order of the wanted channels, each from the first heading column that
// carries it, at the column's real place in the record (a heading field that names no channel
// shifts nothing). A refused open leaves the file closed.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <functional>

// Where a record keeps its time and which records belong to a time asked for.
struct RecordLayout
{
    int timeField = 1;                                            // the field holding the time
    QString timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    qint64 earlyMs = 1000;   // a record at most this long before the time asked for is taken
    qint64 lateMs = 1000;    // ... and one at most this long after it
    // When above 0 and the reader knows the import's step (setStep): a record belongs to the time
    // asked for up to one step after it (less than the step), but at most this long after it;
    // this replaces `lateMs`, so instruments that started recording a few seconds apart import
    // together. 0: the step does not apply to this layout.
    qint64 stepCapMs = 0;
    // Whether a record may carry fields after the heading's (not read); else its field count
    // must equal the heading's, empty fields after the heading's aside (a trailing ",").
    bool longerRecords = false;
    // Optional: a check every record line must pass before it is split; it may rewrite the line
    // (strip a check sum, say). A line it refuses fails the read and is used up.
    std::function<bool(QString &line)> checkLine;
};

class RecordFileReader
{
public:
    // Works on the driver's record file and column flags (one per heading field, true for the
    // columns read).
    RecordFileReader(QFile &file, QList<bool> &columns);

    // Closes whatever was open and opens `path` read-only. False, with the file closed, when it
    // cannot be opened or holds no line.
    bool open(const QString &path);
    // Closes the file and forgets the heading, the columns and a record kept for later.
    void close();
    // The step of the import, in ms, that the layouts with a `stepCapMs` window by; 0 (as
    // constructed): none. Kept over open and close.
    void setStep(qint64 ms) { stepMs = ms > 0 ? ms : 0; }
    // close(), then false: the tail of a refused open.
    bool refuse();
    bool isOpen() const { return file.isOpen(); }
    // Whether no further line is left (only line ends, or nothing).
    bool atEnd();
    // The next line without its line end; false when none is left, and for a line longer than
    // `lineLimit` (the rest of which the next read passes over).
    bool readLine(QString &line);
    // The next line split at ","; false when none is left.
    bool readFields(QStringList &fields);

    // `columnChannels` holds the channel of each heading field in heading order (an empty text
    // for a field that is no channel column); `wanted` the channels asked for, in the order
    // the values are to come. True when every wanted channel has a column; each is read from
    // the first column that carries it. Sets the column flags.
    bool selectColumns(const QStringList &columnChannels, const QStringList &wanted);

    // The values of the record that belongs to `time`, compared as clock readings (the date and
    // time written in the record against those of `time`, whatever its time zone): records
    // earlier than the layout's window are passed over; a record later than it is kept for the
    // next call, which starts with it (so a gap in the recording fails only the times inside the
    // gap). Refused, failing this call and using the line up: a record whose field count differs
    // from the heading's (a non-empty field after the heading's, or too few fields), a time that
    // does not parse, a line the layout's check refuses, a line over `lineLimit`, a wanted value
    // that is no number at all. A value that is a finite number is handed on as it stands; a
    // missing one ("nan", "inf" with any sign or case, or blank) as "nan". `values` is emptied
    // first; false also at the end of the file.
    bool readAt(const QDateTime &time, QStringList &values,
                const RecordLayout &layout = RecordLayout());

    // A record field as a value: true with `value` the field itself for a finite number, "nan"
    // for a missing value (see readAt); false for a field that is no number at all.
    static bool recordValue(const QString &field, QString &value);

    static constexpr int lineLimit = 1024 * 1024;

private:
    // Passes over the rest of a line refused as too long, and its line end.
    void skipRest();
    // Appends the next piece of the file to the pending bytes; false at the end of the file.
    bool fill();
    // Finds the fields of `record` (split at every ",").
    void splitRecord();
    // Field `index` of `record`.
    QStringView field(int index) const;

    QFile &file;
    QList<bool> &columns;
    QByteArray pending;           // bytes read from the file and not yet made into lines
    int offset = 0;               // where the next line starts in `pending`
    int headingSize = 0;          // the field count of the heading
    QList<int> selected;          // the column of each wanted channel, in wanted order
    QString record;               // the record line read last
    QVector<int> fieldEnds;       // where each of its fields ends (at its "," or the line end)
    bool hasKeptRecord = false;   // `record` is later than the time asked for: the next one
    bool skipping = false;        // the rest of an over-long line is still to be passed over
    qint64 stepMs = 0;            // the import's step (setStep)
};
