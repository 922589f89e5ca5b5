#include "CollectionPirl.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionPirl_NTC)
REGISTER_COLLECTION(CollectionPirl_RTD)
REGISTER_COLLECTION(CollectionVosk_RTD)
REGISTER_COLLECTION(CollectionVosk_36_NTC_V1)
REGISTER_COLLECTION(CollectionVosk_36_RTD_V1)

namespace {
const QString platinumType = QStringLiteral("铂电阻");
const QString otherFunction = QStringLiteral("Other");

CollectionPirl::Layout pirl(bool platinum)
{
    CollectionPirl::Layout l;
    l.platinum = platinum;
    return l;
}

CollectionPirl::Layout voskRtd()
{
    CollectionPirl::Layout l = pirl(true);
    l.channels = 16;
    l.resistances = 0x0059;
    l.coefficients = 0x0099;
    l.testsA = false;
    return l;
}

CollectionPirl::Layout vosk36(bool platinum)
{
    CollectionPirl::Layout l = pirl(platinum);
    l.channels = 36;
    l.temperatures = 0x0041;
    l.resistances = 0x00D1;
    l.codes = 0x0021;
    l.codeRegisters = 8;
    l.mask = 0x000D;
    l.maskBytes = 8;
    l.coefficients = 0x0161;
    return l;
}
} // namespace

CollectionPirl::CollectionPirl(const Layout &l, QObject *parent)
    : RegisterCollection(rtuOrTcpProfile(), parent), layout(l)
{
    timing.blockGapMs = 0;      // the two blocks follow each other at once
}

CollectionPirl::~CollectionPirl() = default;

CollectionPirl_NTC::CollectionPirl_NTC(QObject *parent) : CollectionPirl(pirl(false), parent) {}
CollectionPirl_RTD::CollectionPirl_RTD(QObject *parent) : CollectionPirl(pirl(true), parent) {}
CollectionVosk_RTD::CollectionVosk_RTD(QObject *parent) : CollectionPirl(voskRtd(), parent) {}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionPirl::scanRateList() { return {QStringLiteral("标准")}; }
QStringList CollectionPirl::signalModeList() { return {QStringLiteral("串口"), QStringLiteral("网络")}; }
QStringList CollectionPirl::unitList(QString) { return {QStringLiteral("℃"), QStringLiteral("Ω")}; }
QStringList CollectionPirl::channelNumberList(int count) { return channelNumbersUpTo(count, layout.channels); }
int CollectionPirl::channelCount() { return layout.channels; }
double CollectionPirl::minScanInterval(QString, QList<ChannelRecord>) { return 1.0; }
QStringList CollectionPirl::baudRateList() { return baudRatesTo115200() << QStringLiteral("230400"); }

QStringList CollectionPirl::typeList(int)
{
    return {layout.platinum ? platinumType : QStringLiteral("热敏电阻")};
}

QStringList CollectionPirl::functionList(QString)
{
    if (layout.platinum)
        return {QStringLiteral("ITS90"), QStringLiteral("PT"), QStringLiteral("CVD")};
    return {QStringLiteral("R(T)"), QStringLiteral("T(R)"), otherFunction};
}

QList<bool> CollectionPirl::coefficientMask(QString function)
{
    if (!functionList(QString()).contains(function))
        return coefficientFlags({});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    if (layout.platinum)
        return coefficientFlags({0, 1, 2, 4});
    return function == otherFunction ? coefficientFlags({0, 1}) : coefficientFlags({0, 1, 2, 3});
}

bool CollectionPirl::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error);
}

// --- values ---------------------------------------------------------------------------------

bool CollectionPirl::readTemperatureBlock(QList<double> &values)
{
    return readValueBlock(layout.temperatures, 4, 3, values);
}

bool CollectionPirl::readOtherBlock(QList<double> &values)
{
    return readValueBlock(layout.resistances, 4, 3, values);
}

// --- channel set-up and coefficients --------------------------------------------------------

RegisterCollection::CurveCode CollectionPirl::functionCode(const ChannelRecord &row)
{
    const QString none = layout.platinum ? QStringLiteral("PT") : otherFunction;
    const QString low = layout.platinum ? QStringLiteral("CVD") : QStringLiteral("T(R)");
    if (row.function == none)
        return CurveCode::None;
    return row.function == low ? CurveCode::LowBit : CurveCode::HighBit;
}

bool CollectionPirl::writeSetUpSettings(const QString &, const QList<ChannelRecord> &)
{
    return true;
}

bool CollectionPirl::platinumRow(const ChannelRecord &row) const
{
    return layout.platinum || row.type == platinumType;
}

bool CollectionPirl::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!storeChannels(rows) || !writeSetUpSettings(scanRate, rows))
        return false;
    if (rows.first().function != QStringLiteral("空")
        && !writeCodeBits(layout.codes, layout.codeRegisters, rows,
                          [this](const ChannelRecord &r) { return functionCode(r); }))
        return false;
    const auto wanted = [this](const ChannelRecord &r) {
        if (withoutCoefficients(r, false))
            return false;
        if (!layout.platinum)
            return r.a_c0.toDouble() != 0.0;
        return r.r0_c4.toDouble() != 0.0 && (!layout.testsA || r.a_c0.toDouble() != 0.0);
    };
    return writeSetUpCoefficients(rows, wanted)
        && writeBitMask(layout.mask, indexesOf(rows), layout.maskBytes);
}

bool CollectionPirl::writeChannelCoefficients(ChannelRecord channel)
{
    if (platinumRow(channel))
        return writePlatinumRow(channel, layout.coefficients);
    return writeThermistorRow(channel, layout.coefficients, layout.coefficients);
}

bool CollectionPirl::readChannelCoefficients(ChannelRecord &channel)
{
    if (platinumRow(channel))
        return readPlatinumRow(channel, layout.coefficients);
    return readThermistorRow(channel, layout.coefficients, layout.coefficients);
}

// --- the 36-channel instrument --------------------------------------------------------------

CollectionVosk_36_V1::CollectionVosk_36_V1(bool platinum, QObject *parent)
    : CollectionPirl(vosk36(platinum), parent)
{
}

CollectionVosk_36_NTC_V1::CollectionVosk_36_NTC_V1(QObject *parent) : CollectionVosk_36_V1(false, parent) {}
CollectionVosk_36_RTD_V1::CollectionVosk_36_RTD_V1(QObject *parent) : CollectionVosk_36_V1(true, parent) {}

QStringList CollectionVosk_36_V1::scanRateList()
{
    return {QStringLiteral("慢速"), QStringLiteral("中速"), QStringLiteral("快速")};
}

QStringList CollectionVosk_36_V1::wiringList(QString)
{
    return {QStringLiteral("四线制"), QStringLiteral("三线制"), QStringLiteral("二线制")};
}

double CollectionVosk_36_V1::minScanInterval(QString scanRate, QList<ChannelRecord>)
{
    return scanRate == QStringLiteral("快速") ? 0.34 : rateScanInterval(scanRate);
}

bool CollectionVosk_36_V1::writeSetUpSettings(const QString &scanRate,
                                              const QList<ChannelRecord> &rows)
{
    const int code = scanRate == QStringLiteral("快速") ? 3 : scanRate == QStringLiteral("中速") ? 2 : 1;
    if (!writeRegisters(0x000C, RegisterFrame::swappedHex4(code)))
        return false;
    if (rows.first().wireMode == QStringLiteral("空"))
        return true;
    const CodeRule wiring = [](const ChannelRecord &r) {
        if (r.wireMode == QStringLiteral("二线制"))
            return CurveCode::None;
        return r.wireMode == QStringLiteral("三线制") ? CurveCode::LowBit : CurveCode::HighBit;
    };
    return writeCodeBits(0x0019, 8, rows, wiring);
}

QStringList CollectionVosk_36_NTC_V1::functionList(QString)
{
    return {QStringLiteral("R(T)"), otherFunction};
}

RegisterCollection::CurveCode CollectionVosk_36_NTC_V1::functionCode(const ChannelRecord &row)
{
    return row.function == otherFunction ? CurveCode::None : CurveCode::LowBit;
}
