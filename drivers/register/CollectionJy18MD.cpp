#include "CollectionJy18MD.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionJy18MD)
REGISTER_COLLECTION(CollectionJy18ND)
REGISTER_COLLECTION(CollectionJy18RD)

namespace {
const QString platinumType = QStringLiteral("铂电阻");
const QString thermistorType = QStringLiteral("热敏电阻");
const QStringList thermistorFunctions{QStringLiteral("R(T)"), QStringLiteral("T(R)"),
                                      QStringLiteral("Other")};
const QStringList platinumFunctions{QStringLiteral("ITS90"), QStringLiteral("CVD"),
                                    QStringLiteral("PT")};
} // namespace

namespace {
// The instruments answer the probe, the identity and settings reads, the coefficient block and
// every write with at least the bytes asked for; the probe and the baud rate with at least one
// data byte.
RegisterCollection::Profile jy18Profile()
{
    RegisterCollection::Profile p;
    p.longerReplies = true;
    p.probeReplyDigits = 8;
    return p;
}
} // namespace

CollectionJy18MD::CollectionJy18MD(QObject *parent)
    : RegisterCollection(jy18Profile(), parent)
{
}

CollectionJy18MD::~CollectionJy18MD() = default;

bool CollectionJy18MD::readReply(QString &reply)
{
    const bool read = RegisterCollection::readReply(reply);
    reply = reply.toLower();
    return read;
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionJy18MD::scanRateList()
{
    return {QStringLiteral("快速"), QStringLiteral("中速"), QStringLiteral("慢速")};
}

QStringList CollectionJy18MD::signalModeList() { return {QStringLiteral("串口")}; }
QStringList CollectionJy18MD::channelNumberList(int count) { return channelNumbersUpTo(count, 8); }
int CollectionJy18MD::channelCount() { return 8; }
double CollectionJy18MD::minScanInterval(QString scanRate, QList<ChannelRecord>) { return rateScanInterval(scanRate); }
QStringList CollectionJy18MD::baudRateList() { return baudRatesTo115200() << QStringLiteral("230400"); }
QList<bool> CollectionJy18MD::settingMask() { return {true, true, false, false, false, true}; }

QStringList CollectionJy18MD::unitList(QString)
{
    return {QStringLiteral("℃"), QStringLiteral("Ω"), QStringLiteral("kΩ"), QStringLiteral("MΩ")};
}

QStringList CollectionJy18MD::typeList(int channelNumber)
{
    return {channelNumber == 101 ? platinumType : thermistorType};
}

QStringList CollectionJy18MD::functionList(QString type)
{
    return type == thermistorType ? thermistorFunctions : platinumFunctions;
}

QStringList CollectionJy18ND::typeList(int) { return {thermistorType}; }
QStringList CollectionJy18ND::functionList(QString) { return thermistorFunctions; }
QStringList CollectionJy18RD::typeList(int) { return {platinumType}; }
QStringList CollectionJy18RD::functionList(QString) { return platinumFunctions; }

QList<bool> CollectionJy18MD::coefficientMask(QString function)
{
    if (!functionList(thermistorType).contains(function) && !functionList(platinumType).contains(function))
        return coefficientFlags({});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    if (platinumFunctions.contains(function))
        return coefficientFlags({0, 1, 2, 4});
    if (function == QStringLiteral("Other"))
        return coefficientFlags({0, 1});
    return coefficientFlags({0, 1, 2, 3});
}

bool CollectionJy18MD::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error);
}

bool CollectionJy18MD::readBaudRate(QString &rate)
{
    Transaction t;
    t.request = RegisterFrame::readRequest(settingRegisters.baudRate, 1);
    t.replyDigits = 8;
    t.atLeast = true;
    QString reply;
    if (!transact(t, reply))
        return false;
    const int index = reply.mid(6, 2).toInt(nullptr, 16);
    if (index >= baudRateList().size())
        return false;
    rate = baudRateList().at(index);
    return true;
}

bool CollectionJy18MD::platinumChannel(const QString &number)
{
    return typeList(number.toInt()).contains(platinumType);
}

// --- values, channel set-up and coefficients ------------------------------------------------

bool CollectionJy18MD::readTemperatureBlock(QList<double> &values)
{
    return readDoubles(0x0041, firstIndex, indexCount, values, QStringLiteral("写入读取温度失败！"));
}

bool CollectionJy18MD::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    const int speed = scanRate == QStringLiteral("中速") ? 2 : scanRate == QStringLiteral("慢速") ? 1 : 3;
    if (!storeChannels(rows) || !writeRegisters(0x000C, RegisterFrame::swappedHex4(speed), true))
        return false;
    const CodeRule code = [](const ChannelRecord &r) {
        const int kind = qMax(thermistorFunctions.indexOf(r.function), platinumFunctions.indexOf(r.function));
        // R(T)/ITS90 high bit, T(R)/CVD low bit, Other/PT none.
        return kind == 0 ? CurveCode::HighBit : kind == 1 ? CurveCode::LowBit
             : kind == 2 ? CurveCode::None : CurveCode::Keep;
    };
    if (rows.first().function != QStringLiteral("空") && !writeCodeBits(0x0021, 4, rows, code, true))
        return false;
    return writeSetUpCoefficients(rows, [this](const ChannelRecord &r) {
        return !withoutCoefficients(r)
            && (platinumChannel(r.channelNumber) ? r.r0_c4 : r.a_c0).toDouble() != 0.0;
    });
}

bool CollectionJy18MD::writeChannelCoefficients(ChannelRecord channel)
{
    if (platinumChannel(channel.channelNumber))
        return writePlatinumRow(channel, coefficientBlocks, true);
    const int index = valueIndex(channel.channelNumber);
    QList<double> values;
    for (const QString *text : {&channel.a_c0, &channel.b_c1, &channel.c_c2, &channel.d_c3})
        values << double(singleOf(*text));
    return index >= 0 && writeDoubles(coefficientBlocks + 24 * index, values << 0.0 << 0.0);
}

bool CollectionJy18MD::readChannelCoefficients(ChannelRecord &channel)
{
    const float offset = channel.mxbB;
    bool read = false;
    if (platinumChannel(channel.channelNumber)) {
        read = readPlatinumRow(channel, coefficientBlocks, true);
    } else {
        const int index = valueIndex(channel.channelNumber);
        QList<double> v;
        read = index >= 0 && readCoefficientDoubles(coefficientBlocks + 24 * index, 6, v);
        QList<double> singles;   // the coefficients are kept as singles
        for (int i = 0; read && i < 4; ++i)
            singles << double(static_cast<float>(v.at(i)));
        read = read && finiteCoefficients(RegisterFrame::hex4(coefficientBlocks + 24 * index), singles);
        if (read) {
            resetCoefficients(channel);
            QString *texts[] = {&channel.a_c0, &channel.b_c1, &channel.c_c2, &channel.d_c3};
            for (int i = 0; i < 4; ++i)
                *texts[i] = coefficientText(static_cast<float>(v.at(i)));
        }
    }
    if (read) {
        channel.mxbM = 1.0f;
        channel.mxbB = offset;
    }
    return read;
}
