#include "CollectionVosk_12_4.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionVosk_12_4)

namespace {
const QString humidityType = QStringLiteral("湿度");
} // namespace

CollectionVosk_12_4::CollectionVosk_12_4(QObject *parent)
    : RegisterCollection(rtuOrTcpProfile(), parent)
{
}

CollectionVosk_12_4::~CollectionVosk_12_4() = default;

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionVosk_12_4::scanRateList() { return scanRates; }
QStringList CollectionVosk_12_4::signalModeList() { return signalModes; }

QStringList CollectionVosk_12_4::unitList(QString type)
{
    return type == humidityType ? QStringList{QStringLiteral("%RH")} : units;
}

QList<bool> CollectionVosk_12_4::coefficientMask(QString function)
{
    if (function == QStringLiteral("R(T)") || function == QStringLiteral("T(R)"))
        return coefficientFlags({0, 1, 2, 3});
    if (function == QStringLiteral("Other"))
        return coefficientFlags({0, 1});
    return coefficientFlags({7, 8});
}

QStringList CollectionVosk_12_4::typeList(int channelNumber)
{
    return {channelNumber < 113 ? QStringLiteral("热敏电阻") : humidityType};
}

QStringList CollectionVosk_12_4::functionList(QString type)
{
    return type == humidityType ? humidityFunctions : thermistorFunctions;
}

QStringList CollectionVosk_12_4::channelNumberList(int count)
{
    return channelNumbersUpTo(count, 16);
}

int CollectionVosk_12_4::channelCount() { return 16; }

bool CollectionVosk_12_4::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error);
}

double CollectionVosk_12_4::minScanInterval(QString, QList<ChannelRecord>) { return 0.1; }

bool CollectionVosk_12_4::readsTemperature(const QString &unit)
{
    return unit == QStringLiteral("℃") || unit == QStringLiteral("%RH");
}

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionVosk_12_4::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!storeChannels(rows))
        return false;
    const CurveWords words{QStringLiteral("Other"), QStringLiteral("T(R)"), QString(),
                           CurveCode::HighBit};
    if (rows.first().function != QStringLiteral("空") && !writeCurveCodes(0x000B, rows, words))
        return false;
    return writeFourDoubleSetUp(rows, thermistorBlocks, {QStringLiteral("热敏电阻")});
}

int CollectionVosk_12_4::humidityBlock(const QString &number)
{
    const int index = channelPosition(number);
    return index < 12 ? -1 : humidityBlocks + 16 * (index - 12);
}

bool CollectionVosk_12_4::writeChannelCoefficients(ChannelRecord channel)
{
    if (channel.type == QStringLiteral("热敏电阻"))
        return writeRowCoefficients4(thermistorBlocks, channel);
    const int block = humidityBlock(channel.channelNumber);
    return block >= 0 && writeDoubles(block, {0.0, 0.0, channel.mxbM, channel.mxbB});
}

bool CollectionVosk_12_4::readChannelCoefficients(ChannelRecord &channel)
{
    if (channel.type == QStringLiteral("热敏电阻")) {
        if (!readRowCoefficients4(thermistorBlocks, channel))
            return false;
        channel.mxbM = 1.0f;
        channel.mxbB = 0.0f;
        return true;
    }
    QList<double> values;
    const int block = humidityBlock(channel.channelNumber);
    if (block < 0 || !readCoefficientDoubles(block, 4, values))
        return false;
    for (QString *text : {&channel.a_c0, &channel.b_c1, &channel.c_c2, &channel.d_c3,
                          &channel.r0_c4, &channel.a4_c5, &channel.b4_c6})
        *text = QStringLiteral("0");
    channel.mxbM = static_cast<float>(values.at(2));
    channel.mxbB = static_cast<float>(values.at(3));
    return true;
}
