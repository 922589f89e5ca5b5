#include "CollectionVosk_32_V1.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionVosk_32_V1)

namespace {
constexpr int thermistorBlocks = 0x0119;
constexpr int twoTermBlocks = 0x0129;
} // namespace

CollectionVosk_32_V1::CollectionVosk_32_V1(QObject *parent)
    : RegisterCollection(rtuOrTcpProfile(), parent)
{
}

CollectionVosk_32_V1::~CollectionVosk_32_V1() = default;

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionVosk_32_V1::scanRateList() { return {QStringLiteral("标准")}; }
QStringList CollectionVosk_32_V1::signalModeList() { return {QStringLiteral("串口"), QStringLiteral("网络")}; }
QStringList CollectionVosk_32_V1::typeList(int) { return {QStringLiteral("热敏电阻")}; }
QStringList CollectionVosk_32_V1::functionList(QString) { return {QStringLiteral("R(T)")}; }
QStringList CollectionVosk_32_V1::channelNumberList(int count) { return channelNumbersUpTo(count, 32); }
int CollectionVosk_32_V1::channelCount() { return 32; }
double CollectionVosk_32_V1::minScanInterval(QString, QList<ChannelRecord>) { return 0.1; }
QStringList CollectionVosk_32_V1::baudRateList() { return baudRatesTo115200() << QStringLiteral("230400"); }

QStringList CollectionVosk_32_V1::unitList(QString)
{
    return {QStringLiteral("℃"), QStringLiteral("Ω"), QStringLiteral("kΩ"), QStringLiteral("MΩ")};
}

QStringList CollectionVosk_32_V1::wiringList(QString)
{
    return {QStringLiteral("二线制"), QStringLiteral("四线制")};
}

QList<bool> CollectionVosk_32_V1::coefficientMask(QString function)
{
    if (function == QStringLiteral("R(T)") || function == QStringLiteral("T(R)"))
        return coefficientFlags({0, 1, 2, 3});
    return coefficientFlags({0, 1});
}

bool CollectionVosk_32_V1::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error, true);
}

// --- values ---------------------------------------------------------------------------------

bool CollectionVosk_32_V1::readTemperatureBlock(QList<double> &values)
{
    QByteArray data;
    if (!readRawBlock(0x0019, 2 * indexCount + 192, 3, data))
        return false;
    values = blockSingles(data, 8, 12, indexCount);
    return true;
}

bool CollectionVosk_32_V1::readOtherBlock(QList<double> &values)
{
    return readNumbers(0x00D9, indexCount, 2, values, QStringLiteral("写入读取阻值失败！"));
}

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionVosk_32_V1::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!storeChannels(rows))
        return false;
    if (rows.first().wireMode != QStringLiteral("空")) {
        QList<ChannelRecord> fourWire;
        for (const ChannelRecord &row : qAsConst(rows))
            if (row.wireMode == QStringLiteral("四线制"))
                fourWire << row;
        if (!writeBitMask(0x000B, indexesOf(fourWire), 4))
            return false;
    }
    const auto wanted = [](const ChannelRecord &r) {
        return !withoutCoefficients(r) && r.a_c0.toDouble() != 0.0;
    };
    return writeSetUpCoefficients(rows, wanted) && writeChannelMask(indexesOf(rows));
}

bool CollectionVosk_32_V1::writeChannelCoefficients(ChannelRecord channel)
{
    return writeThermistorRow(channel, thermistorBlocks, twoTermBlocks);
}

bool CollectionVosk_32_V1::readChannelCoefficients(ChannelRecord &channel)
{
    return readThermistorRow(channel, thermistorBlocks, twoTermBlocks);
}
