#include "RegisterCollection.h"

#include "Terms.h"

#include <QDebug>
#include <QMutexLocker>

using namespace RegisterFrame;

RegisterCollection::RegisterCollection(const Profile &p, QObject *parent)
    : Collection(parent), profile(p)
{
    lineClock.start();
}

RegisterCollection::~RegisterCollection() = default;

bool RegisterCollection::tcpFramingInForce() const
{
    return profile.tcpFallback && !rtuFraming;
}

bool RegisterCollection::repliesInOrderOnly() const
{
    return !tcpFramingInForce() || zeroTransactions;
}

quint16 RegisterCollection::nextTransaction()
{
    lastTransaction = lastTransaction == 0xFFFF ? 1 : lastTransaction + 1;
    return lastTransaction;
}

RegisterCollection::Profile RegisterCollection::rtuOrTcpProfile()
{
    Profile p;
    p.tcpFallback = true;
    return p;
}

RegisterCollection::Profile RegisterCollection::wholeFrameProfile(CrcOrder order)
{
    Profile p;
    p.crcOrder = order;
    p.replyForm = ReplyForm::Whole;
    p.replyKeepsCrc = true;
    p.probeReplyDigits = 8;
    return p;
}

RegisterCollection::SettingRegisters RegisterCollection::compactSettingRegisters()
{
    SettingRegisters r;
    r.serial = 0x1000;
    r.version = -1;
    r.ip = 0x0004;
    r.mask = 0x0006;
    r.port = 0x0003;
    return r;
}

// --- Device ---------------------------------------------------------------------------------

bool RegisterCollection::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openRegisterLink(signalMode, ipCom, portBaudRate);
}

bool RegisterCollection::close()
{
    QMutexLocker lock(&exchangeMutex);
    return closeLink();
}

bool RegisterCollection::sendCommand(QString frame)
{
    return sendFrame(frame);
}

bool RegisterCollection::sendFrame(const QString &frame)
{
    QMutexLocker lock(&exchangeMutex);
    clearBuffer();
    if (!connected)
        return false;
    if (!isHexText(frame)) {
        qDebug() << "命令无效：" << frame;
        return false;
    }
    if (!settleLine())
        return false;
    QString wire;
    if (tcpFramingInForce()) {
        sentPrefix = tcpPrefix(zeroTransactions ? 0 : nextTransaction());
        wire = tcpFrame(frame, sentPrefix);
    } else {
        wire = rtuFrame(frame, profile.crcOrder);
    }
    if (!writeBytes(QByteArray::fromHex(wire.toLatin1())))
        return false;
    requestSent();
    return true;
}

void RegisterCollection::requestSent()
{
    lastRequestAt = lineClock.elapsed();
}

void RegisterCollection::replyMayFollow(int windowMs)
{
    if (!repliesInOrderOnly())
        return;
    quietWindowMs = qMax(quietWindowMs, windowMs);
    quietFrom = qMax(quietFrom, lastRequestAt + windowMs);
}

bool RegisterCollection::settleLine()
{
    QMutexLocker lock(&exchangeMutex);
    if (quietWindowMs <= 0)
        return true;
    const qint64 giveUpAt = lineClock.elapsed() + 2LL * quietWindowMs;
    int seen = 0;
    for (;;) {
        const int size = takeBuffer().size();
        const qint64 now = lineClock.elapsed();
        if (size != seen) {     // bytes came (since the last look, or at some time before it)
            seen = size;
            quietFrom = qMax(quietFrom, now);
        }
        if (now >= quietFrom + quietWindowMs)
            break;
        if (!connected || now >= giveUpAt) {
            qDebug() << "线路未静：" << QString::fromLatin1(takeBuffer().toHex());
            clearBuffer();
            quietFrom = lineClock.elapsed();
            return false;
        }
        delayMs(qMin<qint64>(timing.pollMs, quietFrom + quietWindowMs - now));
    }
    if (seen > 0)
        qDebug() << "丢弃迟到的回复：" << QString::fromLatin1(takeBuffer().toHex());
    clearBuffer();
    quietWindowMs = 0;
    return true;
}

bool RegisterCollection::readReply(QString &reply)
{
    bool ended = false;
    return readFrame(reply, 0, ended);
}

bool RegisterCollection::readFrame(QString &reply, int expectedDigits, bool &ended)
{
    QMutexLocker lock(&exchangeMutex);
    const QString from = probing ? QString() : stationAddress;
    const bool tcp = tcpFramingInForce();
    const int expectedBytes = expectedDigits > 0 ? expectedDigits / 2 + 2 : 0;
    int dropped = 0;    // bytes of other transactions' replies at the buffer's start
    ended = false;
    for (int poll = 0; poll < timing.replyPolls; ++poll) {
        delayMs(timing.pollMs);
        Reply r;
        for (;;) {
            const QByteArray buffer = takeBuffer().mid(dropped);
            if (!tcp) {
                r = parseRtu(buffer, from, profile.crcOrder, profile.replyForm, expectedBytes);
                break;
            }
            r = parseTcp(buffer, from, sentPrefix);
            // The open's probe learns whether the instrument answers as transaction 0.
            if (r.state == Reply::Other && probing && !zeroTransactions
                && r.whole.startsWith(QByteArray(2, '\0'))) {
                r = parseTcp(buffer, from, tcpPrefix(0));
                zeroTransactions = r.state == Reply::Frame;
            }
            if (r.state != Reply::Other)
                break;
            qDebug() << "丢弃其他事务的回复：" << QString::fromLatin1(r.whole.toHex());
            dropped += r.whole.size();
        }
        ended = r.ended;
        if (r.state == Reply::Incomplete)
            continue;
        if (r.state == Reply::Frame) {
            clearBuffer();
            reply = (profile.replyKeepsCrc && !tcp) ? QString::fromLatin1(r.whole.toHex())
                                                    : QString::fromLatin1(r.frame.toHex()).toUpper();
            return true;
        }
        if (r.reason == QLatin1String("crc")) {
            clearBuffer();
            qDebug() << "Crc失败：" << QString::fromLatin1(r.whole.toHex());
            return false;
        }
        break;
    }
    qDebug() << "读取失败：" << QString::fromLatin1(takeBuffer().toHex());
    clearBuffer();
    return false;
}

bool RegisterCollection::readSerialNumber(QString &serial)
{
    return readDeviceId(serial);
}

// --- what register instruments do not do ---------------------------------------------------

bool RegisterCollection::setDeviceTime(QDateTime) { return true; }
bool RegisterCollection::setScanInterval(double, int) { return true; }
bool RegisterCollection::requestValues() { return true; }
bool RegisterCollection::fetchValues(QStringList &values) { return readValues(values); }
bool RegisterCollection::openRecordFile(QString, QList<ChannelRecord>) { return false; }
bool RegisterCollection::readRecordAt(QDateTime, QStringList &) { return false; }
bool RegisterCollection::closeRecordFile() { return false; }
QStringList RegisterCollection::filterList() { return sharedFilterList(); }
QStringList RegisterCollection::baudRateList() { return baudRatesTo115200(); }

// --- transactions ---------------------------------------------------------------------------

bool RegisterCollection::transact(const Transaction &t, QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    if (stationAddress.isEmpty())
        return false;
    const QString request = stationAddress + t.request;
    bool unanswered = false;    // a try's reply may still come (it timed out, or another station answered)
    bool done = false;
    for (int attempt = 1; attempt <= t.tries; ++attempt) {
        QString text;
        bool ended = false;
        if (!sendFrame(request)) {
            if (t.sendFailureEnds)
                break;
            if (!t.sendFailureTrace.isEmpty())
                qDebug() << t.sendFailureTrace;
            ended = true;
        } else if (readFrame(text, t.replyDigits, ended)) {
            if (profile.replyKeepsCrc && !tcpFramingInForce())
                text.chop(4);
            if (text.size() == t.replyDigits || (t.atLeast && text.size() > t.replyDigits)) {
                reply = text;
                done = true;
                break;
            }
            qDebug() << "长度匹配失败：" << text;
        }
        unanswered = unanswered || !ended;
        if (attempt < t.tries)
            delayMs(t.pauseMs);
    }
    if (unanswered)
        replyMayFollow(replyWindowMs());
    return done;
}

bool RegisterCollection::readOnce(int first, int count, QString &reply)
{
    Transaction t;
    t.request = readRequest(first, count);
    t.replyDigits = 6 + 4 * count;
    t.atLeast = profile.longerReplies;
    return transact(t, reply);
}

bool RegisterCollection::writeRegisters(int first, const QString &data, bool atLeast)
{
    Transaction t;
    t.request = writeRequest(first, data);
    t.replyDigits = 6 + data.size();
    t.atLeast = atLeast || profile.longerReplies;
    t.tries = 3;
    QString reply;
    return transact(t, reply);
}

bool RegisterCollection::writeEchoed(int first, const QString &data, int tries)
{
    Transaction t;
    t.request = writeRequest(first, data);
    t.replyDigits = stationAddress.size() + t.request.size();
    t.tries = tries;
    QString reply;
    return transact(t, reply);
}

bool RegisterCollection::writeSinglesEchoed(int first, const QList<double> &values, int tries)
{
    // Each value goes out as a single: one that is not a finite single is never sent.
    QString data;
    QList<double> singles;
    for (double v : values) {
        data += floatToHex(static_cast<float>(v));
        singles << double(static_cast<float>(v));
    }
    return finiteCoefficients(hex4(first), singles) && writeEchoed(first, data, tries);
}

bool RegisterCollection::writeOne(int reg, const QString &value, int replyDigits, int tries)
{
    Transaction t;
    t.request = QStringLiteral("06") + hex4(reg) + value;
    t.replyDigits = replyDigits;
    t.tries = tries;
    QString reply;
    return transact(t, reply);
}

bool RegisterCollection::clockData(const QDateTime &time, QString &data)
{
    const QDate d = time.date();
    const QTime t = time.time();
    if (!time.isValid() || d.year() < 2000 || d.year() > 2255)
        return false;
    data.clear();
    for (int byte : {d.year() - 2000, d.month(), d.day(), t.hour(), t.minute(), t.second()})
        data += hex2(byte);
    return true;
}

// --- open -----------------------------------------------------------------------------------

bool RegisterCollection::probeStationAddress(bool strict)
{
    QMutexLocker lock(&exchangeMutex);
    QString reply;
    bool ended = false;
    probing = true;
    const bool answered = sendFrame(QStringLiteral("00") + readRequest(profile.probeRegister, 1))
        && readFrame(reply, profile.probeReplyDigits, ended);
    probing = false;
    if (profile.replyKeepsCrc && answered && !tcpFramingInForce())
        reply.chop(4);
    const bool fits = answered
        && (reply.size() == profile.probeReplyDigits
            || (profile.longerReplies && reply.size() > profile.probeReplyDigits));
    if (!ended)
        replyMayFollow(replyWindowMs());
    if (!answered)
        return false;
    if (!fits)
        return !strict && !stationAddress.isEmpty();
    stationAddress = reply.mid(6, 2);
    return true;
}

bool RegisterCollection::openRegisterLink(const QString &signalMode, const QString &ipCom,
                                          const QString &portBaudRate, bool strictProbe)
{
    QMutexLocker lock(&exchangeMutex);
    if (connected)
        return false;
    rtuFraming = true;
    zeroTransactions = false;
    quietWindowMs = 0;
    linkBaud = signalMode == QStringLiteral("串口") ? portBaudRate.toInt() : 0;
    if (!openLink(signalMode, ipCom, portBaudRate, timing.openPolls, timing.openStepMs))
        return false;
    if (profile.tcpFallback && !probeStationAddress(strictProbe)) {
        rtuFraming = false;
        quietWindowMs = 0;      // replies are told apart by their transaction from now on
    }
    if (!probeStationAddress(strictProbe)) {
        emit Close_signals();
        return false;
    }
    return connected;
}

// --- the value table ------------------------------------------------------------------------

int RegisterCollection::channelPosition(const QString &number)
{
    return channelNumberList(channelCount()).indexOf(number);
}

int RegisterCollection::valueIndex(const QString &number)
{
    return channelPosition(number);
}

bool RegisterCollection::readsTemperature(const QString &unit)
{
    return unit == QStringLiteral("℃");
}

bool RegisterCollection::storeChannels(const QList<ChannelRecord> &rows)
{
    int count = 0;
    for (const ChannelRecord &row : rows) {
        const int k = valueIndex(row.channelNumber);
        if (k < 0)
            return false;
        count = qMax(count, k + 1);
    }
    if (rows.isEmpty())
        return false;
    firstIndex = 0;
    indexCount = count;
    channels = rows;
    readTemperaturesFlag = false;
    readResistancesFlag = false;
    for (const ChannelRecord &row : rows) {
        if (readsTemperature(row.unit))
            readTemperaturesFlag = true;
        else
            readResistancesFlag = true;
    }
    return true;
}

bool RegisterCollection::readValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    if (stationAddress.isEmpty())
        return false;
    values.clear();
    QList<double> temperatures, resistances;
    if (readTemperaturesFlag) {
        if (!readTemperatureBlock(temperatures))
            return false;
        delayMs(timing.blockGapMs);
    }
    if (readResistancesFlag && !readOtherBlock(resistances))
        return false;
    QStringList read;
    for (const ChannelRecord &row : qAsConst(channels)) {
        const int k = valueIndex(row.channelNumber);
        const QList<double> &block = readsTemperature(row.unit) ? temperatures : resistances;
        if (k < 0 || block.size() <= k)
            return false;
        double value = block.at(k);
        if (row.unit == QStringLiteral("kΩ"))
            value /= 1000.0;
        else if (row.unit == QStringLiteral("MΩ"))
            value /= 1000000.0;
        read << sampleText(value, 10);
    }
    values = read;
    return true;
}
