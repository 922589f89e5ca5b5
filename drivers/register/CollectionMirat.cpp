#include "CollectionMirat.h"

#include "Registry.h"
#include "Terms.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>

REGISTER_COLLECTION(CollectionMirat)

using namespace RegisterFrame;

namespace {
const QString automatic = QStringLiteral("自动");
const QString platinum = QStringLiteral("铂电阻");
const QString thermistor = QStringLiteral("热敏电阻");
const QString thermocouple = QStringLiteral("热电偶");
// A record without coefficients: length, function, channel, type, curve, name, date, tail, check.
constexpr int shortestRecordBytes = 25;
// The coefficients start at byte 16; the 8-byte tail and the check byte follow them.
constexpr int coefficientsAt = 16;
constexpr int tailBytes = 8;

RegisterCollection::Profile miratProfile()
{
    RegisterCollection::Profile p;
    p.probeRegister = 0x0016;
    return p;
}

// The coefficient texts a record carries for sensor type `tt` and curve `ff`, in record order.
using Field = QString ChannelRecord::*;
QList<Field> curveFields(int tt, int ff)
{
    const QList<Field> fourTerms{&ChannelRecord::a_c0, &ChannelRecord::b_c1, &ChannelRecord::c_c2,
                                 &ChannelRecord::d_c3};
    if (tt == 1 && ff == 1)
        return {&ChannelRecord::r0_c4, &ChannelRecord::a_c0, &ChannelRecord::b_c1,
                &ChannelRecord::c_c2, &ChannelRecord::a4_c5, &ChannelRecord::b4_c6};
    if (tt == 1 && ff == 2)
        return {&ChannelRecord::r0_c4};
    if (tt == 1 && ff == 3)
        return {&ChannelRecord::r0_c4, &ChannelRecord::a_c0, &ChannelRecord::b_c1,
                &ChannelRecord::c_c2};
    if ((tt == 2 && ff == 1) || (tt == 3 && ff == 9))   // R(T); thermocouple S
        return fourTerms;
    return {};
}

int byteAt(const QString &frame, int index)
{
    return frame.mid(2 * index, 2).toInt(nullptr, 16);
}
} // namespace

CollectionMirat::CollectionMirat(QObject *parent) : RegisterCollection(miratProfile(), parent)
{
    settingRegisters.serial = 0x0001;
    settingRegisters.version = 0x001D;
    settingRegisters.address = 0x0016;
    settingRegisters.filter = 0x0015;
}

CollectionMirat::~CollectionMirat() = default;

bool CollectionMirat::sendCommand(QString frame)
{
    QMutexLocker lock(&exchangeMutex);
    if (!isHexText(frame)) {
        clearBuffer();
        qDebug() << "命令无效：" << frame;
        return false;
    }
    if (!connected) {
        clearBuffer();
        return false;
    }
    if (!settleLine() || !writeBytes(QByteArray::fromHex(frame.toLatin1())))
        return false;
    requestSent();
    return true;
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionMirat::scanRateList() { return {QStringLiteral("标准")}; }
QStringList CollectionMirat::signalModeList() { return signalModes; }
QStringList CollectionMirat::unitList(QString) { return {QStringLiteral("℃")}; }
QStringList CollectionMirat::wiringList(QString) { return {automatic}; }
QStringList CollectionMirat::typeList(int) { return {automatic, platinum, thermistor, thermocouple}; }
int CollectionMirat::channelCount() { return 2; }
double CollectionMirat::minScanInterval(QString, QList<ChannelRecord>) { return 1.0; }
QStringList CollectionMirat::baudRateList() { return {QStringLiteral("115200")}; }
QList<bool> CollectionMirat::settingMask() { return {true, false, false, false, false, true}; }

QStringList CollectionMirat::channelNumberList(int count)
{
    return count == 1 ? QStringList{"101"} : QStringList{"101", "102"};
}

QStringList CollectionMirat::functionList(QString type)
{
    if (type == thermocouple)
        return thermocoupleTypes;
    if (type == thermistor)
        return {QStringLiteral("R(T)")};
    if (type == platinum)
        return rtdFunctions;
    return {automatic};
}

QList<bool> CollectionMirat::coefficientMask(QString function)
{
    if (function == QStringLiteral("PT100"))
        return coefficientFlags({4});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    if (function == QStringLiteral("CVD"))
        return coefficientFlags({0, 1, 2, 4});
    if (function == QStringLiteral("R(T)") || function == QStringLiteral("S"))
        return coefficientFlags({0, 1, 2, 3});
    return coefficientFlags({});
}

bool CollectionMirat::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error);
}

int CollectionMirat::indexOf(const ChannelRecord &row)
{
    if (row.channelNumber == QStringLiteral("101"))
        return 0;
    return row.channelNumber == QStringLiteral("102") ? 1 : -1;
}

// --- clock and temperatures -----------------------------------------------------------------

bool CollectionMirat::setDeviceTime(QDateTime time)
{
    QString data;
    return clockData(time, data) && writeRegisters(0x0020, data);
}

bool CollectionMirat::readValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    if (stationAddress.isEmpty())
        return false;
    values.clear();
    Transaction t;
    t.request = readRequest(0x004B, 12);
    t.replyDigits = 54;
    t.tries = 3;
    t.pauseMs = timing.retryPauseMs;
    t.sendFailureEnds = false;
    QString reply;
    if (!transact(t, reply))
        return false;
    if (channel1Enabled)
        values << sampleText(hexToFloat(reply.mid(6, 8)), 10);
    if (channel2Enabled)
        values << sampleText(hexToFloat(reply.mid(46, 8)), 10);
    return true;
}

// --- sensor records -------------------------------------------------------------------------

QString CollectionMirat::sensorFrame(const QString &body)
{
    const QString frame = hex2(body.size() / 2 + 1) + body;
    quint8 check = 0;
    for (char byte : QByteArray::fromHex(frame.toLatin1()))
        check ^= static_cast<quint8>(byte);
    return frame + hex2(check);
}

bool CollectionMirat::checkByteMatches(const QString &frame)
{
    return frame.size() >= 4 && sensorFrame(frame.mid(2, frame.size() - 4)) == frame.toUpper();
}

bool CollectionMirat::exchangeRecord(const QString &request, QString &reply)
{
    if (!sendCommand(request))
        return false;
    // The frame is complete once its length byte is satisfied; polled every millisecond.
    QElapsedTimer clock;
    clock.start();
    const qint64 budget = replyWindowMs();
    do {
        delayMs(1);
        const QByteArray buffer = takeBuffer();
        const int length = buffer.isEmpty() ? 0 : static_cast<quint8>(buffer.at(0)) + 1;
        if (length > 0 && buffer.size() >= length) {
            clearBuffer();
            reply = QString::fromLatin1(buffer.left(length).toHex()).toUpper();
            return true;
        }
    } while (clock.elapsed() < budget);
    qDebug() << "读取失败：" << QString::fromLatin1(takeBuffer().toHex());
    clearBuffer();
    replyMayFollow(replyWindowMs());
    return false;
}

bool CollectionMirat::readSensorRecord(int index, QString &record)
{
    QString reply;
    if (!exchangeRecord(index == 0 ? QStringLiteral("030B0109") : QStringLiteral("030B020A"), reply))
        return false;
    record.clear();
    if (!checkByteMatches(reply)) {
        qDebug() << "校验失败：" << reply;
        replyMayFollow(replyWindowMs());
        return false;
    }
    if (reply.startsWith(QLatin1String("040B")))
        return true;
    if (byteAt(reply, 1) != 0x0B || byteAt(reply, 2) != index + 1
        || reply.size() < 2 * shortestRecordBytes) {
        qDebug() << "记录不符：" << reply;
        replyMayFollow(replyWindowMs());
        return false;
    }
    record = reply;
    return true;
}

bool CollectionMirat::writeSensorRecord(const ChannelRecord &row)
{
    const int index = indexOf(row);
    int tt = 0, ff = 0;
    if (row.type == platinum) {
        tt = 1;
        ff = rtdFunctions.indexOf(row.function) + 1;
    } else if (row.type == thermistor) {
        tt = 2;
        ff = row.function == QStringLiteral("R(T)") ? 1 : 0;
    } else if (row.type == thermocouple) {
        tt = 3;
        ff = thermocoupleTypes.indexOf(row.function) + 1;
    }
    if (index < 0 || ff == 0)
        return false;
    // Every value sent must be a number (an empty text is 0).
    QString doubles;
    const QList<Field> fields = curveFields(tt, ff);
    for (Field f : fields) {
        const QString &text = row.*f;
        if (!text.trimmed().isEmpty() && !isNumberText(text))
            return false;
        doubles += doubleToHex(text.toDouble());
    }
    QString record;
    if (!readSensorRecord(index, record))
        return false;
    // No record to rewrite, or no curve given (a first coefficient of 0): nothing is written.
    if (record.isEmpty() || (!fields.isEmpty() && (row.*fields.first()).toDouble() == 0.0))
        return true;
    const QString body = QStringLiteral("09") + hex2(index + 1) + hex2(tt) + hex2(ff)
        + record.mid(10, 22) + doubles.toUpper()
        + record.mid(record.size() - 2 * (tailBytes + 1), 2 * tailBytes);
    QString acknowledgement;
    if (!exchangeRecord(sensorFrame(body), acknowledgement))
        return false;
    if (acknowledgement.size() == 10 && checkByteMatches(acknowledgement))
        return true;
    replyMayFollow(replyWindowMs());
    return false;
}

bool CollectionMirat::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    for (const ChannelRecord &row : qAsConst(rows)) {
        if (indexOf(row) < 0)
            return false;
    }
    if (rows.isEmpty())
        return false;
    channels = rows;
    channel1Enabled = channel2Enabled = false;
    for (const ChannelRecord &row : qAsConst(rows)) {
        (indexOf(row) == 0 ? channel1Enabled : channel2Enabled) = true;
        if (row.type != automatic && !writeSensorRecord(row))
            return false;
    }
    return true;
}

bool CollectionMirat::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    return writeSensorRecord(channel);
}

bool CollectionMirat::readChannelCoefficients(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int index = indexOf(channel);
    QString record;
    if (index < 0 || !readSensorRecord(index, record) || record.isEmpty())
        return false;
    const int tt = byteAt(record, 3), ff = byteAt(record, 4);
    ChannelRecord c = channel;
    if (tt == 1 && ff >= 1 && ff <= 3) {
        c.type = platinum;
        c.function = rtdFunctions.at(ff - 1);
    } else if (tt == 2 && (ff == 1 || ff == 2)) {
        c.type = thermistor;
        c.function = ff == 1 ? QStringLiteral("R(T)") : automatic;
    } else if (tt == 3 && ff >= 1 && ff <= thermocoupleTypes.size()) {
        c.type = thermocouple;
        c.function = thermocoupleTypes.at(ff - 1);
    } else {
        return false;
    }
    c.wireMode = automatic;
    c.unit = QStringLiteral("℃");
    c.compensation = QStringLiteral("内部补偿");
    c.coldJunction = QStringLiteral("0");
    // Only the bytes between the record's head and its tail hold coefficients; a record too
    // short for its curve's is refused.
    const QList<Field> fields = curveFields(tt, ff);
    const QString coefficients = record.mid(2 * coefficientsAt,
                                            record.size() - 2 * (coefficientsAt + tailBytes + 1));
    if (coefficients.size() < 16 * fields.size()) {
        qDebug() << "记录不符：" << record;
        return false;
    }
    if (!fields.isEmpty()) {
        QList<double> read;
        for (int k = 0; k < fields.size(); ++k)
            read << hexToDouble(coefficients.mid(16 * k, 16));
        if (!finiteCoefficients(QStringLiteral("记录") + QString::number(index + 1), read))
            return false;
        c.a_c0 = c.b_c1 = c.c_c2 = c.d_c3 = c.r0_c4 = c.a4_c5 = c.b4_c6 = QStringLiteral("0");
        for (int k = 0; k < fields.size(); ++k)
            c.*fields.at(k) = coefficientText(read.at(k));
    }
    c.mxbM = 1.0f;
    channel = c;
    return true;
}

// --- record files ---------------------------------------------------------------------------

bool CollectionMirat::openRecordFile(QString path, QList<ChannelRecord> rows)
{
    if (rows.isEmpty() || rows.size() > 2)
        return false;
    QStringList wanted;
    for (const QString &number : {QStringLiteral("101"), QStringLiteral("102")}) {
        for (const ChannelRecord &row : qAsConst(rows)) {
            if (indexOf(row) < 0)
                return false;
            if (row.channelNumber == number && !wanted.contains(number))
                wanted << number;
        }
    }
    QString line;
    QStringList heading;
    if (!recordReader.open(path) || !recordReader.readLine(line)
        || !line.startsWith(QLatin1String("Mirat")) || !recordReader.readLine(line)
        || !recordReader.readFields(heading) || heading.size() != 3
        || !heading.first().startsWith(QStringLiteral("时间")))
        return recordReader.refuse();
    channel1Enabled = wanted.contains(QStringLiteral("101"));
    channel2Enabled = wanted.contains(QStringLiteral("102"));
    return recordReader.selectColumns({QString(), QStringLiteral("101"), QStringLiteral("102")}, wanted)
        || recordReader.refuse();
}

bool CollectionMirat::readRecordAt(QDateTime time, QStringList &values)
{
    RecordLayout layout;
    layout.timeField = 0;
    layout.timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    return recordReader.readAt(time, values, layout);
}

bool CollectionMirat::closeRecordFile()
{
    return closeRecord();
}
