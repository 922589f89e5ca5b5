#pragma once
// Collection: the base of every acquisition-instrument driver.
//
// Each driver owns one Comm transport running on a thread of its own. The driver asks it to
// open, write and close through Open_signals / Write_signals / Close_signals; the transport's
// reports come back through State_slots (the connected flag) and ReadData_slots (bytes appended
// to the receive buffer). Both slots run on the thread that owns the driver (the GUI thread),
// so a driver operation called from a worker thread sees replies while that thread's event loop
// runs. Operations wait by polling `connected` and takeBuffer() with delayMs.
//
// Writing a driver:
//  - derive from Collection (or a family base) and implement every pure operation;
//  - register the class with one line in its .cpp: REGISTER_COLLECTION(ClassName) (Registry.h);
//  - the text-line exchange (openLink, closeLink, sendText, readTextReply, readReplyLine,
//    queryIdentity) and the raw write (writeBytes) below are the shared bodies that the
//    operations bind to, and so are
//    checkChannelOptions, checkChannelTable, checkCoefficientTexts, closeRecord and the record
//    reader (RecordFileReader.h), sharedFilterList, rateScanInterval and
//    channelNumbersUpTo; operations that
//    only answer true without touching the instrument are written in place;
//  - every link operation holds `exchangeMutex` for its whole send-and-reply
//    (QMutexLocker lock(&exchangeMutex);) so two threads never take each other's replies;
//    the shared helpers take it too (it is recursive).

#include "Device.h"
#include "RecordFileReader.h"
#include "Records.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>

#include <functional>

class Comm;
class QThread;

class Collection : public Device
{
    Q_OBJECT
public:
    explicit Collection(QObject *parent = nullptr);
    ~Collection() override;

    // --- option lists (need no link) -------------------------------------------------------
    virtual QStringList scanRateList() = 0;
    virtual QStringList signalModeList() = 0;
    virtual QStringList compensationList() = 0;
    virtual QStringList unitList(QString type) = 0;
    // Nine flags: A_C0, B_C1, C_C2, D_C3, R0_C4, A4_C5, B4_C6, Mx+B gain, Mx+B offset.
    virtual QList<bool> coefficientMask(QString function) = 0;
    virtual QStringList wiringList(QString type) = 0;
    virtual QStringList typeList(int channelNumber) = 0;
    virtual QStringList functionList(QString type) = 0;
    virtual QStringList channelNumberList(int count) = 0;
    virtual int channelCount() = 0;
    virtual bool checkChannels(QList<ChannelRecord> rows, QString &error) = 0;
    virtual double minScanInterval(QString scanRate, QList<ChannelRecord> rows) = 0;

    // --- instrument operations (need an open link) -----------------------------------------
    virtual bool setDeviceTime(QDateTime time) = 0;
    virtual bool setScanInterval(double seconds, int count) = 0;
    virtual bool readValues(QStringList &values) = 0;
    virtual bool requestValues() = 0;
    virtual bool fetchValues(QStringList &values) = 0;
    virtual bool configureChannels(QString scanRate, QList<ChannelRecord> rows) = 0;
    // Why the last configureChannels refused a row before sending anything for it
    // ("<channel>:<reason>"), or empty; kept by the drivers that check each row's texts.
    QString setupRefusal() const { return lastSetupRefusal; }
    virtual bool writeChannelCoefficients(ChannelRecord channel) = 0;
    virtual bool readChannelCoefficients(ChannelRecord &channel) = 0;
    // True for the instruments that keep every coefficient as a single (32-bit float) instead
    // of a double: coefficients written to them are first rounded to singles.
    virtual bool keepsSingleCoefficients() const { return false; }

    // --- instrument record files -----------------------------------------------------------
    virtual bool openRecordFile(QString path, QList<ChannelRecord> rows) = 0;
    virtual bool readRecordAt(QDateTime time, QStringList &values) = 0;
    virtual bool closeRecordFile() = 0;
    // The sample step of the record-file import, handed over before the first readRecordAt:
    // the drivers whose instruments' records may lie a while after the time asked for take a
    // record up to one step after it (within their own window), so instruments started a few
    // seconds apart import together; a later record is kept for the next time. Without it
    // each keeps its own window.
    void setRecordStep(qint64 seconds);

    // --- instrument settings ---------------------------------------------------------------
    virtual QStringList baudRateList() = 0;
    virtual QStringList filterList() = 0;
    // Six flags: address, baud rate, IP address, subnet mask, port, filter can be set.
    virtual QList<bool> settingMask() = 0;
    virtual bool readDeviceSettings(QString &serial, QString &version, QString &address,
                                    QString &baudRate, QString &ip, QString &mask, QString &port,
                                    QString &filter) = 0;
    virtual bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                                     QString port, QString filter, QString &message) = 0;

    // Empties the receive buffer under its mutex.
    void clearBuffer();
    // A copy of the receive buffer, taken under its mutex; the buffer keeps its content.
    QByteArray takeBuffer();

    // The receive buffer never holds more than this many bytes: the oldest bytes go first, with
    // one trace until the buffer is next emptied.
    static constexpr int receiveBufferLimit = 1024 * 1024;

signals:
    void Open_signals(QString signalMode, QString ipCom, int portBaudRate);
    void Write_signals(QByteArray data);
    void Close_signals();

private slots:
    void State_slots(bool state);
    void ReadData_slots(QByteArray data);

protected:
    QString lastSetupRefusal;
    // --- shared bodies of the link operations ----------------------------------------------
    // Emits Open_signals with the port or baud rate as an integer (0 when not a number). A TCP
    // open ("网络") first waits for the transport's verdict on this open, which may take 3 s per
    // local candidate address (bounded by that, plus the polls below), and so does a Bluetooth
    // LE open ("蓝牙"), bounded by the link's connect budget; a refusal gives false at once. Then up to `polls` times: true as soon as `connected` is set, else waits `stepMs`.
    // After the last wait the result is `connected`. The text drivers use 12 polls.
    bool openLink(const QString &signalMode, const QString &ipCom, const QString &portBaudRate,
                  int polls = 12, int stepMs = 100);
    // Emits Close_signals, then up to `polls` times: true as soon as `connected` is clear, else
    // waits `stepMs`. After the last wait the result is !connected.
    bool closeLink(int polls = 40, int stepMs = 100);
    // Empties the receive buffer; false without sending when the link is down; else emits
    // Write_signals with `bytes` and returns true (no wait).
    bool writeBytes(const QByteArray &bytes);
    // writeBytes of the command's Latin-1 bytes (a character outside Latin-1 goes as "?"),
    // then a settle wait of `settleMs`.
    bool sendText(const QString &command, int settleMs = 200);
    // Up to `polls` times: waits `stepMs`, then looks at the buffer read as UTF-8 text (up to a
    // zero byte). Once it ends with "\n", every "\r" and "\n" is removed: a non-empty rest is the
    // reply (true, buffer kept); an empty rest empties the buffer and gives false at once. No
    // complete reply: trace "读取失败：" with the bytes, empty the buffer, false. `reply` keeps
    // its old value on every failure.
    bool readTextReply(QString &reply, int polls = 300, int stepMs = 10);
    // The reply read of every text driver's values and coefficients: waits up to `budgetMs` in
    // all (each driver gives its own budget), looking at the receive buffer every `stepMs`
    // without emptying it in between, so a reply that arrives in pieces is taken whole. Once
    // the buffer (read as UTF-8 up to a zero byte) ends with "\n", its last line that holds
    // more than line ends is the reply, every "\r" removed: a stale line before it (a reply
    // that came after its own wait ran out) is passed over and lines are never joined; lines
    // of nothing but line ends are passed over and the wait goes on. The buffer keeps its
    // content on success. No reply within the budget: trace "读取失败：" with the bytes, empty
    // the buffer (unless `keepOnFailure`: a caller that may wait on for a reply still
    // arriving), false. `line` keeps its old value on every failure.
    bool readReplyLine(QString &line, int budgetMs, int stepMs = 10, bool keepOnFailure = false);
    // Whether a coefficient reply field or a text sent to an instrument as a number reads as a
    // finite number (blanks around it allowed; the overload value 9.9E+37 is a number, "nan"
    // and "inf" are not).
    static bool isNumberText(const QString &text);
    // One value field of a sample: true with the number, or with NaN when the field is the
    // instrument's way of saying "no value" ("nan" or "inf", signed or not, in any case, or a
    // number beyond the range of a double): a missing value of that channel only. False for a
    // field that is no number at all (an error reply, "abc"), which fails the read.
    static bool sampleFieldValue(const QString &field, double &value);
    // A reading as a driver hands it on: "nan" for a value that is not finite (a missing
    // value), else fixed notation with `decimals` decimals.
    static QString sampleText(double value, int decimals);
    // The number check of what a driver sends for one channel: every non-empty text of `texts`
    // must be a finite number (an empty text means "not set" and is left to the driver's own
    // rules), and, with `correction` (the driver sends the row's gain and offset), so must
    // the gain and the offset. At the first that is not: `error` = the channel number +
    // ":系数不是数字！", false.
    bool checkCoefficientTexts(const ChannelRecord &row, const QStringList &texts,
                               QString &error, bool correction = false);
    // The start of a coefficient read: the seven coefficient texts "0", gain 1, offset 0.
    static void resetCoefficients(ChannelRecord &row);
    // A coefficient read that hands its result back whole: `read` works on a copy of `row`,
    // which replaces `row` only when `read` succeeded (a failed read leaves it as it was).
    static bool readWhole(ChannelRecord &row, const std::function<bool(ChannelRecord &)> &read);
    // The identity exchange: sendCommand("*IDN?\r\n"), then readReply into `reply`; true when
    // the reply holds the vendor word "FLUKE" (case-sensitive). The reply is handed back either way.
    bool queryIdentity(QString &reply);

    // The texts of the channel-option check, as each driver words them (already translated).
    struct ChannelOptionMessages
    {
        QString noChannels;     // the whole error when `rows` is empty
        QString badType;        // the rest of the error after the channel number, one per option
        QString badFunction;
        QString badWiring;
        QString badUnit;
    };
    // The option check every driver's checkChannels starts with: `rows` is not empty, and each
    // row's type is in typeList(its number), its function in functionList(type), its wiring in
    // wiringList(type) and its unit in unitList(type), checked in that order. The first failure
    // gives false with `error` set to the channel number and the matching message.
    // With `numbers` not empty, each row's number (read as an integer) must be one of them
    // first, else `error` is the channel number + ":通道号错误！".
    bool checkChannelOptions(const QList<ChannelRecord> &rows, const ChannelOptionMessages &messages,
                             QString &error, const QList<int> &numbers = {});
    // The check of the drivers that take any of their option words on any channel in rising
    // order (the "SET OK" dialect drivers, the 159XA): checkChannelOptions with the model's
    // channel `numbers` and the messages "通道未设置！", ":类型错误！", ":功能错误！",
    // ":接线线制错误！", ":单位错误！"; then the numbers must rise strictly ("通道号需要递增！"),
    // the rows use at most two distinct units ("单位不许超过2个！") and, when given, each row
    // pass `rowCheck` (which sets `error` when it fails), in row order.
    bool checkChannelTable(const QList<ChannelRecord> &rows, const QList<int> &numbers,
                           QString &error,
                           const std::function<bool(const ChannelRecord &, QString &)> &rowCheck = {});

    // The record-file close most drivers share: closes `recordFile` and forgets what
    // `recordReader` knew of it; true.
    bool closeRecord();

    // Shared values of the register drivers.
    static QStringList sharedFilterList();                     // "0" to "15"
    static double rateScanInterval(const QString &scanRate);   // 0.35 快速, 0.5 中速, else 1.0
    // The rate word of the text dialects: "FAST", "MED", "SLOW" for 快速, 中速, 慢速, else empty.
    static QString rateWord(const QString &scanRate);
    // Channel numbers "101" upwards of a model with `maxCount` channels: the first `count` of
    // them, or all `maxCount` when `count` is below 1 or above `maxCount`.
    static QStringList channelNumbersUpTo(int count, int maxCount);

    QFile recordFile;               // the instrument record file of the record-file operations
    QList<bool> recordColumns;      // one flag per column of the open record file
    RecordFileReader recordReader{recordFile, recordColumns};   // reads both (RecordFileReader.h)
    Comm *comm = nullptr;           // the transport, living on `thread`
    QMutex bufferMutex;             // guards receiveBuffer
    QThread *thread = nullptr;      // the transport's own thread
    QByteArray receiveBuffer;       // bytes received and not yet discarded
    bool overflowTraced = false;    // the buffer overflowed since it was last emptied (bufferMutex)
    QRecursiveMutex exchangeMutex;  // held by one send-and-reply at a time
    int openRequests = 0;           // opens asked of the transport (exchangeMutex)
};
