#include "RegisterCollection.h"

#include "Terms.h"

#include <QDebug>
#include <QMutexLocker>

using namespace RegisterFrame;

RegisterCollection::RegisterCollection(const Profile &p, QObject *parent)
    : Collection(parent), profile(p)
{
}

RegisterCollection::~RegisterCollection() = default;

bool RegisterCollection::tcpFramingInForce() const
{
    return profile.tcpFallback && !rtuFraming;
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
    const QString wire = tcpFramingInForce() ? tcpFrame(frame, tcpHeaderPrefix)
                                             : rtuFrame(frame, profile.crcOrder);
    return writeBytes(QByteArray::fromHex(wire.toLatin1()));
}

bool RegisterCollection::readReply(QString &reply)
{
    return readFrame(reply, 0);
}

bool RegisterCollection::readFrame(QString &reply, int expectedDigits)
{
    QMutexLocker lock(&exchangeMutex);
    const QString from = probing ? QString() : stationAddress;
    const bool tcp = tcpFramingInForce();
    const int expectedBytes = expectedDigits > 0 ? expectedDigits / 2 + 2 : 0;
    for (int poll = 0; poll < timing.replyPolls; ++poll) {
        delayMs(timing.pollMs);
        const QByteArray buffer = takeBuffer();
        const Reply r = tcp ? parseTcp(buffer, from, tcpHeaderPrefix)
                            : parseRtu(buffer, from, profile.crcOrder, profile.replyForm,
                                       expectedBytes);
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
    for (int attempt = 1; attempt <= t.tries; ++attempt) {
        QString text;
        if (!sendFrame(request)) {
            if (t.sendFailureEnds)
                return false;
            if (!t.sendFailureTrace.isEmpty())
                qDebug() << t.sendFailureTrace;
        } else if (readFrame(text, t.replyDigits)) {
            if (profile.replyKeepsCrc && !tcpFramingInForce())
                text.chop(4);
            if (text.size() == t.replyDigits || (t.atLeast && text.size() > t.replyDigits)) {
                reply = text;
                return true;
            }
            qDebug() << "长度匹配失败：" << text;
        }
        if (attempt < t.tries)
            delayMs(t.pauseMs);
    }
    return false;
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
    QString data;
    for (double v : values)
        data += floatToHex(static_cast<float>(v));
    return writeEchoed(first, data, tries);
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
    probing = true;
    const bool answered = sendFrame(QStringLiteral("00") + readRequest(profile.probeRegister, 1))
        && readFrame(reply, profile.probeReplyDigits);
    probing = false;
    if (!answered)
        return false;
    if (profile.replyKeepsCrc && !tcpFramingInForce())
        reply.chop(4);
    if (reply.size() != profile.probeReplyDigits
        && !(profile.longerReplies && reply.size() > profile.probeReplyDigits))
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
    linkBaud = signalMode == QStringLiteral("串口") ? portBaudRate.toInt() : 0;
    if (!openLink(signalMode, ipCom, portBaudRate, timing.openPolls, timing.openStepMs))
        return false;
    if (profile.tcpFallback && !probeStationAddress(strictProbe))
        rtuFraming = false;
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
        read << QString::number(value, 'f', 10);
    }
    values = read;
    return true;
}
