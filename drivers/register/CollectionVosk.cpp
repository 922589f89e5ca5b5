#include "CollectionVosk.h"

#include "Registry.h"
#include "Terms.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionVosk)
REGISTER_COLLECTION(CollectionJy14ND)
REGISTER_COLLECTION(CollectionJy14RD)

CollectionVosk::CollectionVosk(QObject *parent)
    : RegisterCollection(rtuOrTcpProfile(), parent)
{
}

CollectionVosk::~CollectionVosk() = default;

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionVosk::scanRateList() { return scanRates; }
QStringList CollectionVosk::signalModeList() { return signalModes; }
QStringList CollectionVosk::unitList(QString) { return units; }
QStringList CollectionVosk::typeList(int) { return {QStringLiteral("热敏电阻")}; }
QStringList CollectionVosk::functionList(QString) { return thermistorFunctions; }
QStringList CollectionVosk::channelNumberList(int count) { return channelNumbersUpTo(count, 16); }
int CollectionVosk::channelCount() { return 16; }
double CollectionVosk::minScanInterval(QString, QList<ChannelRecord>) { return 0.1; }

QList<bool> CollectionVosk::coefficientMask(QString function)
{
    return function == QStringLiteral("R(T)") || function == QStringLiteral("T(R)")
        ? coefficientFlags({0, 1, 2, 3}) : coefficientFlags({0, 1});
}

bool CollectionVosk::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error, true);
}

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionVosk::writeFunctionCode(const QString &function)
{
    if (function == QStringLiteral("空"))
        return true;
    int code = 3;
    if (function == QStringLiteral("2.252kΩ") || function == QStringLiteral("5kΩ")
        || function == QStringLiteral("10kΩ"))
        code = 1;
    else if (function == QStringLiteral("T(R)"))
        code = 2;
    return writeRegisters(0x000B, RegisterFrame::swappedHex4(code));
}

bool CollectionVosk::setUpWanted(const ChannelRecord &row)
{
    return !withoutCoefficients(row) && row.a_c0.toDouble() != 0.0;
}

bool CollectionVosk::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!knownChannels(rows) || !writeFunctionCode(rows.first().function) || !storeChannels(rows)
        || !writeSetUpCoefficients(rows, [this](const ChannelRecord &r) { return setUpWanted(r); }))
        return false;
    return !writesChannelMask() || writeChannelMask(indexesOf(rows));
}

bool CollectionVosk::writeChannelCoefficients(ChannelRecord channel)
{
    return writeThermistorRow(channel, coefficientBlocks, coefficientBlocks);
}

bool CollectionVosk::readChannelCoefficients(ChannelRecord &channel)
{
    return readThermistorRow(channel, coefficientBlocks, coefficientBlocks);
}

// --- the Jy14 instruments -------------------------------------------------------------------

QStringList CollectionJy14ND::channelNumberList(int count) { return channelNumbersUpTo(count, 4); }
int CollectionJy14ND::channelCount() { return 4; }

QStringList CollectionJy14RD::signalModeList() { return {QStringLiteral("串口")}; }
QList<bool> CollectionJy14RD::coefficientMask(QString) { return coefficientFlags({0, 1, 2, 4}); }
QStringList CollectionJy14RD::typeList(int) { return {QStringLiteral("铂电阻")}; }
QStringList CollectionJy14RD::functionList(QString) { return {QStringLiteral("CVD")}; }
QList<bool> CollectionJy14RD::settingMask() { return {true, true, false, false, false, true}; }

bool CollectionJy14RD::writeFunctionCode(const QString &)
{
    return true;
}

bool CollectionJy14RD::setUpWanted(const ChannelRecord &row)
{
    return !withoutCoefficients(row) && row.r0_c4.toDouble() != 0.0;
}

bool CollectionJy14RD::writeChannelCoefficients(ChannelRecord channel)
{
    return writeChannelCoefficients4(coefficientBlocks, valueIndex(channel.channelNumber),
                                     channel.r0_c4.toDouble(), channel.a_c0.toDouble(),
                                     channel.b_c1.toDouble(), channel.c_c2.toDouble());
}

bool CollectionJy14RD::readChannelCoefficients(ChannelRecord &channel)
{
    double r0 = 0, a = 0, b = 0, c = 0;
    if (!readChannelCoefficients4(coefficientBlocks, valueIndex(channel.channelNumber), r0, a, b, c))
        return false;
    resetCoefficients(channel);
    channel.r0_c4 = coefficientText(r0);
    channel.a_c0 = coefficientText(a);
    channel.b_c1 = coefficientText(b);
    channel.c_c2 = coefficientText(c);
    return true;
}
