#include "CollectionZenk.h"

#include "Registry.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionZenk)

namespace {
const QString platinumType = QStringLiteral("铂电阻");
const QString thermistorType = QStringLiteral("热敏电阻");
const QString thermistorFunction = QStringLiteral("R(T)");
const QString platinumFunction = QStringLiteral("ITS90");
} // namespace

CollectionZenk::CollectionZenk(QObject *parent)
    : RegisterCollection({RegisterFrame::CrcOrder::LowFirst, RegisterFrame::ReplyForm::Checked,
                          /*replyKeepsCrc*/ true, /*tcpFallback*/ false}, parent)
{
    timing.retryPauseMs = 0;        // value reads try again at once
    timing.coefficientGapMs = 0;
    // Before any set-up the value comes unscaled from the resistance register.
    ChannelRecord unset;
    unset.channelNumber = QStringLiteral("101");
    storeChannels({unset});
}

CollectionZenk::~CollectionZenk() = default;

bool CollectionZenk::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openRegisterLink(signalMode, ipCom, portBaudRate, false);
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionZenk::scanRateList() { return {QStringLiteral("标准")}; }
QStringList CollectionZenk::signalModeList() { return {QStringLiteral("串口")}; }
QStringList CollectionZenk::typeList(int) { return {platinumType, thermistorType}; }
QStringList CollectionZenk::channelNumberList(int) { return {QStringLiteral("101")}; }
int CollectionZenk::channelCount() { return 1; }
double CollectionZenk::minScanInterval(QString, QList<ChannelRecord>) { return 0.01; }
QStringList CollectionZenk::baudRateList() { return baudRatesTo57600(); }
QList<bool> CollectionZenk::settingMask() { return {true, true, false, false, false, true}; }

QStringList CollectionZenk::unitList(QString)
{
    return {QStringLiteral("℃"), QStringLiteral("Ω"), QStringLiteral("kΩ"), QStringLiteral("MΩ")};
}

QStringList CollectionZenk::functionList(QString type)
{
    return {type == thermistorType ? thermistorFunction : platinumFunction};
}

QList<bool> CollectionZenk::coefficientMask(QString function)
{
    if (function == thermistorFunction)
        return coefficientFlags({0, 1, 2, 3});
    if (function == platinumFunction)
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    return coefficientFlags({});
}

bool CollectionZenk::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    if (rows.isEmpty()) {
        error = tr("通道未设置！");
        return false;
    }
    for (const ChannelRecord &row : qAsConst(rows)) {
        if (channelPosition(row.channelNumber) < 0) {
            error = row.channelNumber + tr(":通道号错误！");
            return false;
        }
    }
    const ChannelRecord &row = rows.first();
    QString problem;
    if (!typeList(row.channelNumber.toInt()).contains(row.type))
        problem = tr(":类型错误！");
    else if (!functionList(row.type).contains(row.function))
        problem = tr(":功能错误！");
    else if (!unitList(row.type).contains(row.unit))
        problem = tr(":单位错误！");
    if (problem.isEmpty())
        return true;
    error = row.channelNumber + problem;
    return false;
}

bool CollectionZenk::readValues(QStringList &values)
{
    QStringList read;
    if (!RegisterCollection::readValues(read))
        return false;
    values = read;
    return true;
}

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionZenk::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (rows.isEmpty() || !storeChannels({rows.first()}))
        return false;
    return writeSetUpCoefficients(channels, [](const ChannelRecord &r) {
        return (r.type == platinumType && r.r0_c4.toDouble() != 0.0)
            || (r.type == thermistorType && r.a_c0.toDouble() != 0.0);
    });
}

bool CollectionZenk::writeChannelCoefficients(ChannelRecord channel)
{
    if (channel.function == thermistorFunction)
        return writeRowCoefficients4(coefficientBlock, channel);
    if (channel.function == platinumFunction)
        return writePlatinumRow(channel, coefficientBlock);
    return true;
}

bool CollectionZenk::readChannelCoefficients(ChannelRecord &channel)
{
    channel.mxbM = 1.0f;
    channel.mxbB = 0.0f;
    if (channel.function == thermistorFunction)
        return readRowCoefficients4(coefficientBlock, channel);
    if (channel.function == platinumFunction)
        return readPlatinumRow(channel, coefficientBlock);
    return true;
}
