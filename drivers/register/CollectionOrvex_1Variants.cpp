// The sensor variants of the first Orvex generation: their option lists, coefficient masks and
// channel set-up sequences. Wiring, curve and thermocouple type come from the first row (the
// channel check has made them the same on every row).

#include "CollectionOrvex_1.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionOrvex_NTC_1)
REGISTER_COLLECTION(CollectionOrvex_NTC_1_1)
REGISTER_COLLECTION(CollectionOrvex_RTD_1)
REGISTER_COLLECTION(CollectionOrvex_TC_1)
REGISTER_COLLECTION(CollectionOrvex_PCR_1)

namespace {
const QString unused = QStringLiteral("空");

bool used(const ChannelRecord &row)
{
    return row.type != unused;
}
} // namespace

// --- thermistors ----------------------------------------------------------------------------

CollectionOrvex_NTC_1::CollectionOrvex_NTC_1(QObject *parent) : CollectionOrvex_1(parent)
{
    units = QStringList{QStringLiteral("℃"), QStringLiteral("Ω")};
    types = QStringList{QStringLiteral("热敏电阻")};
    wirings = QStringList{QStringLiteral("二线制"), QStringLiteral("四线制")};
    functions = QStringList{QStringLiteral("R(T)")};
}

QList<bool> CollectionOrvex_NTC_1::coefficientMask(QString function)
{
    return function == QStringLiteral("R(T)") ? coefficientFlags({0, 1, 2, 3}) : coefficientFlags({});
}

bool CollectionOrvex_NTC_1::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    return armChannels(rows) && writeScanRate(scanRate)
        && (!used(rows.first()) || writeWiring(rows.first().wireMode))
        && writeThermistorRows(rows) && settle();
}

CollectionOrvex_NTC_1_1::CollectionOrvex_NTC_1_1(QObject *parent) : CollectionOrvex_1(parent)
{
    units = QStringList{QStringLiteral("℃"), QStringLiteral("Ω")};
    types = QStringList{QStringLiteral("热敏电阻")};
    wirings = QStringList{QStringLiteral("二线制"), QStringLiteral("四线制")};
    functions = QStringList{QStringLiteral("R(T)"), QStringLiteral("2.252kΩ"),
                            QStringLiteral("5kΩ"), QStringLiteral("10kΩ")};
}

QList<bool> CollectionOrvex_NTC_1_1::coefficientMask(QString function)
{
    if (function == QStringLiteral("R(T)"))
        return coefficientFlags({0, 1, 2, 3});
    return coefficientFlags(functions.contains(function) ? std::initializer_list<int>{0}
                                                         : std::initializer_list<int>{});
}

bool CollectionOrvex_NTC_1_1::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    return armChannels(rows) && writeScanRate(scanRate)
        && (!used(rows.first())
            || (writeNtcType(rows.first().function) && writeWiring(rows.first().wireMode)))
        && writeThermistorRows(rows) && settle();
}

CollectionOrvex_PCR_1::CollectionOrvex_PCR_1(QObject *parent) : CollectionOrvex_1(parent)
{
    units = QStringList{QStringLiteral("℃"), QStringLiteral("Ω")};
    types = QStringList{QStringLiteral("热敏电阻")};
    wirings = QStringList{QStringLiteral("二线制")};
    functions = QStringList{QStringLiteral("R(T)")};
}

QList<bool> CollectionOrvex_PCR_1::coefficientMask(QString function)
{
    return function == QStringLiteral("R(T)") ? coefficientFlags({0, 1, 2, 3}) : coefficientFlags({});
}

bool CollectionOrvex_PCR_1::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    return armChannels(rows) && writeScanRate(scanRate) && writeThermistorRows(rows) && settle();
}

// --- platinum resistances -------------------------------------------------------------------

CollectionOrvex_RTD_1::CollectionOrvex_RTD_1(QObject *parent) : CollectionOrvex_1(parent)
{
    units = QStringList{QStringLiteral("℃"), QStringLiteral("Ω")};
    types = QStringList{QStringLiteral("铂电阻")};
    wirings = QStringList{QStringLiteral("二线制"), QStringLiteral("三线制"), QStringLiteral("四线制")};
    functions = QStringList{QStringLiteral("PT385"), QStringLiteral("ITS90")};
}

QList<bool> CollectionOrvex_RTD_1::coefficientMask(QString function)
{
    if (function == QStringLiteral("PT385"))
        return coefficientFlags({4});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    return coefficientFlags({});
}

bool CollectionOrvex_RTD_1::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!armChannels(rows) || !writeScanRate(scanRate)
        || (used(rows.first()) && !writeWiring(rows.first().wireMode)))
        return false;
    for (const ChannelRecord &r : qAsConst(rows)) {
        const double r0 = r.r0_c4.toDouble();
        if (!used(r) || r0 == 0.0)
            continue;
        // Any curve but ITS-90 carries R0 alone, in the whole ITS-90 block.
        const bool its90 = r.function == QStringLiteral("ITS90");
        const QList<double> block = its90
            ? QList<double>{r0, r.a_c0.toDouble(), r.b_c1.toDouble(), r.c_c2.toDouble(),
                            r.a4_c5.toDouble(), r.b4_c6.toDouble()}
            : QList<double>{r0, 0, 0, 0, 0, 0};
        if (!writeBlock(slotOf(r.channelNumber), block))
            return false;
    }
    return settle();
}

// --- thermocouples --------------------------------------------------------------------------

CollectionOrvex_TC_1::CollectionOrvex_TC_1(QObject *parent) : CollectionOrvex_1(parent)
{
    units = QStringList{QStringLiteral("℃"), QStringLiteral("mV")};
    types = QStringList{QStringLiteral("热电偶")};
    wirings = QStringList{QStringLiteral("二线制")};
    functions = QStringList{"A", "B", "C", "D", "E", "G", "J", "K", "L", "M", "N", "P", "R", "S",
                            "T", "U", "BP", "XK", "Au_Pt", "Pt_Pd"};
}

QList<bool> CollectionOrvex_TC_1::coefficientMask(QString)
{
    return coefficientFlags({7, 8});
}

bool CollectionOrvex_TC_1::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!armChannels(rows, true))
        return false;
    // A gain of -1000 marks a row without a scale.
    for (const ChannelRecord &r : qAsConst(rows)) {
        if (used(r) && r.mxbM != -1000.0f
            && !writeBlock(slotOf(r.channelNumber), {r.mxbM, r.mxbB}))
            return false;
    }
    return writeScanRate(scanRate)
        && (!used(rows.first()) || writeTcType(rows.first().function)) && settle();
}

bool CollectionOrvex_TC_1::readChannelCoefficients(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    QList<float> scale;
    if (!readBlock(slotOf(channel.channelNumber), TcScale, scale))
        return false;
    const float gain = scale.at(0), offset = scale.at(1);
    resetCoefficients(channel);
    channel.mxbM = gain;
    channel.mxbB = offset;
    return true;
}
