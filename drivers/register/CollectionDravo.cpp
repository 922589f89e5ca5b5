#include "CollectionDravo.h"

#include "Registry.h"
#include "Terms.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionDravo)
REGISTER_COLLECTION(CollectionDravo_RTD)

namespace {
// A coefficient text as the instrument keeps it: a single, widened back to a double.
double single(const QString &text)
{
    return static_cast<double>(static_cast<float>(text.toDouble()));
}
} // namespace

CollectionDravo::CollectionDravo(QObject *parent)
    : RegisterCollection({RegisterFrame::CrcOrder::LowFirst, RegisterFrame::ReplyForm::Checked,
                          /*replyKeepsCrc*/ true, /*tcpFallback*/ false}, parent)
{
}

CollectionDravo::~CollectionDravo() = default;

bool CollectionDravo::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openRegisterLink(signalMode, ipCom, portBaudRate, false);
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionDravo::scanRateList() { return scanRates; }
QStringList CollectionDravo::signalModeList() { return signalModes; }
QStringList CollectionDravo::unitList(QString) { return units; }

QList<bool> CollectionDravo::coefficientMask(QString function)
{
    if (function == QStringLiteral("R(T)"))
        return coefficientFlags({0, 1, 2, 3});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    return coefficientFlags({});
}

QStringList CollectionDravo::typeList(int channelNumber)
{
    if (channelNumber == 1)
        return {QStringLiteral("铂电阻")};
    return {QStringLiteral("热敏电阻")};
}

QStringList CollectionDravo::functionList(QString type)
{
    return type == QStringLiteral("热敏电阻") ? thermistorFunctions : platinumFunctions;
}

QStringList CollectionDravo::channelNumberList(int count)
{
    const int wanted = (count < 1 || count > 21) ? 21 : count;
    QStringList numbers{QStringLiteral("001")};
    for (int n = 1; n < wanted; ++n)
        numbers << QString::number(100 + n);
    return numbers;
}

int CollectionDravo::channelCount() { return 21; }

bool CollectionDravo::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error);
}

double CollectionDravo::minScanInterval(QString, QList<ChannelRecord>) { return 0.1; }

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionDravo::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!storeChannels(rows) || !writeCurves(rows))
        return false;
    for (const ChannelRecord &row : qAsConst(rows)) {
        if (row.type == QStringLiteral("空") || row.type == QStringLiteral("电阻"))
            continue;
        if (!setUpCoefficients(row))
            return false;
    }
    QList<int> bits;
    for (const ChannelRecord &row : qAsConst(channels))
        bits << valueIndex(row.channelNumber);
    return writeChannelMask(bits);
}

bool CollectionDravo::writeCurves(const QList<ChannelRecord> &)
{
    return true;
}

bool CollectionDravo::setUpCoefficients(const ChannelRecord &row)
{
    const int index = valueIndex(row.channelNumber);
    bool written = false;
    if (index == 0) {
        if (single(row.r0_c4) == 0.0)
            return true;
        written = writeSix(referenceBlock, row);
    } else {
        if (single(row.a_c0) == 0.0)
            return true;
        written = writeChannelCoefficients4(channelBlocks, index - 1, single(row.a_c0),
                                            single(row.b_c1), single(row.c_c2), single(row.d_c3));
    }
    if (written)
        delayMs(timing.coefficientGapMs);
    return written;
}

bool CollectionDravo::writeSix(int first, const ChannelRecord &row)
{
    return writeCoefficients6(first, single(row.r0_c4), single(row.a_c0), single(row.b_c1),
                              single(row.c_c2), single(row.a4_c5), single(row.b4_c6));
}

bool CollectionDravo::readSix(int first, ChannelRecord &row)
{
    double r0 = 0, a = 0, b = 0, c = 0, a4 = 0, b4 = 0;
    if (!readCoefficients6(first, r0, a, b, c, a4, b4))
        return false;
    row.r0_c4 = coefficientText(static_cast<float>(r0));
    row.a_c0 = coefficientText(static_cast<float>(a));
    row.b_c1 = coefficientText(static_cast<float>(b));
    row.c_c2 = coefficientText(static_cast<float>(c));
    row.d_c3 = QStringLiteral("0");
    row.a4_c5 = coefficientText(static_cast<float>(a4));
    row.b4_c6 = coefficientText(static_cast<float>(b4));
    return true;
}

bool CollectionDravo::writeChannelCoefficients(ChannelRecord channel)
{
    const int index = channelPosition(channel.channelNumber);
    if (index < 0)
        return false;
    if (channel.function == QStringLiteral("R(T)"))
        return index > 0
            && writeChannelCoefficients4(channelBlocks, index - 1, single(channel.a_c0),
                                         single(channel.b_c1), single(channel.c_c2),
                                         single(channel.d_c3));
    if (channel.function == QStringLiteral("ITS90"))
        return writeSix(referenceBlock, channel);
    return true;
}

bool CollectionDravo::readChannelCoefficients(ChannelRecord &channel)
{
    const int index = channelPosition(channel.channelNumber);
    if (index < 0)
        return false;
    if (channel.function == QStringLiteral("R(T)")) {
        double a = 0, b = 0, c = 0, d = 0;
        if (index == 0 || !readChannelCoefficients4(channelBlocks, index - 1, a, b, c, d))
            return false;
        channel.a_c0 = coefficientText(static_cast<float>(a));
        channel.b_c1 = coefficientText(static_cast<float>(b));
        channel.c_c2 = coefficientText(static_cast<float>(c));
        channel.d_c3 = coefficientText(static_cast<float>(d));
        channel.r0_c4 = channel.a4_c5 = channel.b4_c6 = QStringLiteral("0");
    } else if (channel.function == QStringLiteral("ITS90")) {
        if (!readSix(referenceBlock, channel))
            return false;
    }
    channel.mxbM = 1.0f;
    channel.mxbB = 0.0f;
    return true;
}

// --- instrument settings --------------------------------------------------------------------

QStringList CollectionDravo::baudRateList()
{
    return baudRatesTo57600();
}

// --- the platinum-resistance variant --------------------------------------------------------

QList<bool> CollectionDravo_RTD::coefficientMask(QString function)
{
    if (function == QStringLiteral("PT") || function == QStringLiteral("CVD"))
        return coefficientFlags({0, 1, 2, 4});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    return coefficientFlags({});
}

QStringList CollectionDravo_RTD::typeList(int)
{
    return {QStringLiteral("铂电阻")};
}

QStringList CollectionDravo_RTD::functionList(QString)
{
    return {QStringLiteral("ITS90"), QStringLiteral("PT"), QStringLiteral("CVD")};
}

int CollectionDravo_RTD::blockOf(const QString &number)
{
    const int index = channelPosition(number);
    if (index < 0)
        return -1;
    return index == 0 ? referenceBlock : channelBlocks + 24 * (index - 1);
}

bool CollectionDravo_RTD::writeCurves(const QList<ChannelRecord> &rows)
{
    if (rows.first().function == QStringLiteral("空"))
        return true;
    const CurveWords words{QStringLiteral("PT"), QStringLiteral("CVD"), QString(),
                           CurveCode::HighBit};
    return writeCurveCodes(0x000D, rows, words);
}

bool CollectionDravo_RTD::setUpCoefficients(const ChannelRecord &row)
{
    if (single(row.r0_c4) == 0.0)
        return true;
    if (!writeSix(blockOf(row.channelNumber), row))
        return false;
    delayMs(timing.coefficientGapMs);
    return true;
}

bool CollectionDravo_RTD::writeChannelCoefficients(ChannelRecord channel)
{
    const int block = blockOf(channel.channelNumber);
    return block >= 0 && writeSix(block, channel);
}

bool CollectionDravo_RTD::readChannelCoefficients(ChannelRecord &channel)
{
    channel.mxbM = 1.0f;
    channel.mxbB = 0.0f;
    const int block = blockOf(channel.channelNumber);
    return block >= 0 && readSix(block, channel);
}
