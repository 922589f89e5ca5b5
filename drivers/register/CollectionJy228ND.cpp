#include "CollectionJy228ND.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionJy228ND)
REGISTER_COLLECTION(CollectionJy224ND)

CollectionJy228ND::CollectionJy228ND(QObject *parent)
    : RegisterCollection(rtuOrTcpProfile(), parent)
{
}

CollectionJy228ND::~CollectionJy228ND() = default;

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionJy228ND::scanRateList() { return scanRates; }
QStringList CollectionJy228ND::signalModeList() { return signalModes; }
QStringList CollectionJy228ND::unitList(QString) { return units; }
QStringList CollectionJy228ND::typeList(int) { return {QStringLiteral("热敏电阻")}; }
QStringList CollectionJy228ND::functionList(QString) { return thermistorFunctions; }
QStringList CollectionJy228ND::channelNumberList(int count) { return channelNumbersUpTo(count, 8); }
int CollectionJy228ND::channelCount() { return 8; }
QStringList CollectionJy224ND::channelNumberList(int count) { return channelNumbersUpTo(count, 4); }
int CollectionJy224ND::channelCount() { return 4; }

QList<bool> CollectionJy228ND::coefficientMask(QString function)
{
    if (function == QStringLiteral("R(T)") || function == QStringLiteral("T(R)"))
        return coefficientFlags({0, 1, 2, 3});
    return coefficientFlags({0, 1});
}

bool CollectionJy228ND::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error, true);
}

double CollectionJy228ND::minScanInterval(QString scanRate, QList<ChannelRecord>)
{
    static const double seconds[] = {1.0, 0.5, 0.34, 0.25, 0.2, 0.17, 0.15, 0.13, 0.12, 0.1};
    const int index = scanRates.indexOf(scanRate);
    return index < 0 ? 1.0 : seconds[index];
}

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionJy228ND::writeScanRate(const QString &scanRate)
{
    if (!scanRates.contains(scanRate))
        return false;
    return writeRegisters(0x0009, RegisterFrame::swappedHex4(scanRate.toInt()));
}

bool CollectionJy228ND::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!storeChannels(rows) || !writeScanRate(scanRate))
        return false;
    const CurveWords words{QStringLiteral("Other"), QStringLiteral("T(R)"), QStringLiteral("R(T)"),
                           CurveCode::Keep};
    if (rows.first().function != QStringLiteral("空")
        && !writeCurveCodes(0x000B, rows, words, true))
        return false;
    // Every type the model offers; "空" and "电阻" rows write no coefficients.
    return writeFourDoubleSetUp(rows, coefficientBlocks, typeList(0));
}

bool CollectionJy228ND::writeChannelCoefficients(ChannelRecord channel)
{
    return writeRowCoefficients4(coefficientBlocks, channel);
}

bool CollectionJy228ND::readChannelCoefficients(ChannelRecord &channel)
{
    if (!readRowCoefficients4(coefficientBlocks, channel))
        return false;
    channel.mxbM = 1.0f;
    return true;
}

// --- instrument settings --------------------------------------------------------------------

QList<bool> CollectionJy228ND::settingMask()
{
    return {true, true, false, false, false, true};
}

