#include "CollectionOrvex_1.h"

#include "Terms.h"

#include <QMutexLocker>
#include <QSet>

using namespace RegisterFrame;

namespace {
const QString twoWire = QStringLiteral("二线制");
const QString unused = QStringLiteral("空");

const QStringList thermistorCurves{QStringLiteral("R(T)"), QStringLiteral("2.252kΩ"),
                                   QStringLiteral("5kΩ"), QStringLiteral("10kΩ")};
} // namespace

CollectionOrvex_1::CollectionOrvex_1(QObject *parent)
    : RegisterCollection(wholeFrameProfile(CrcOrder::HighFirst), parent)
{
    settingRegisters = compactSettingRegisters();
    timing.settingReadGapMs = 200;
}

CollectionOrvex_1::~CollectionOrvex_1() = default;

bool CollectionOrvex_1::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openRegisterLink(signalMode, ipCom, portBaudRate, false);
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionOrvex_1::scanRateList() { return scanRates; }
QStringList CollectionOrvex_1::signalModeList() { return signalModes; }
QStringList CollectionOrvex_1::unitList(QString) { return units; }
QStringList CollectionOrvex_1::wiringList(QString) { return wirings; }
QStringList CollectionOrvex_1::typeList(int) { return types; }
QStringList CollectionOrvex_1::functionList(QString) { return functions; }
QStringList CollectionOrvex_1::channelNumberList(int count) { return channelNumbersUpTo(count, 16); }
int CollectionOrvex_1::channelCount() { return 16; }
QStringList CollectionOrvex_1::baudRateList() { return baudRatesTo57600().mid(1); }
QStringList CollectionOrvex_1::filterList() { return {QStringLiteral("0")}; }
QList<bool> CollectionOrvex_1::settingMask() { return {true, true, true, true, true, false}; }

int CollectionOrvex_1::slotOf(const QString &number)
{
    return channelPosition(number);
}

bool CollectionOrvex_1::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    if (rows.isEmpty()) {
        error = tr("通道未设置！");
        return false;
    }
    for (const ChannelRecord &row : qAsConst(rows)) {
        if (slotOf(row.channelNumber) < 0) {
            error = row.channelNumber + tr(":通道号错误！");
            return false;
        }
    }
    QSet<QString> kinds[4];
    bool rising = true, beyondEight = false;
    for (int i = 0; i < rows.size(); ++i) {
        const ChannelRecord &row = rows.at(i);
        rising = rising && (i == 0 || row.channelNumber.toInt() > rows.at(i - 1).channelNumber.toInt());
        beyondEight = beyondEight || row.channelNumber.toInt() >= 109;
        kinds[0].insert(row.type);
        kinds[1].insert(row.function);
        kinds[2].insert(row.wireMode);
        kinds[3].insert(row.unit);
    }
    QString broken;
    if (!rising)
        broken = tr("通道号需要递增！");
    else if (rows.first().wireMode != twoWire && beyondEight)
        broken = tr("四线制下通道编号超限！");
    else if (kinds[0].size() > 1)
        broken = tr("通道类型不许超过1个！");
    else if (kinds[1].size() > 1)
        broken = tr("通道功能不许超过1个！");
    else if (kinds[2].size() > 1)
        broken = tr("接线方式不许超过1个！");
    else if (kinds[3].size() > 1)
        broken = tr("通道单位不许超过1个！");
    if (broken.isEmpty())
        return true;
    error = broken;
    return false;
}

double CollectionOrvex_1::minScanInterval(QString scanRate, QList<ChannelRecord> rows)
{
    double base = 0.15;
    if (scanRate == scanRates.at(0))
        base = 0.01;
    else if (scanRate == scanRates.at(1))
        base = 0.075;
    return base * ((rows.isEmpty() || rows.first().wireMode == twoWire) ? 16 : 8);
}

// --- clock and values -----------------------------------------------------------------------

bool CollectionOrvex_1::setDeviceTime(QDateTime time)
{
    QString data;
    return clockData(time, data) && writeEchoed(0x1010, data);
}

bool CollectionOrvex_1::readValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    if (stationAddress.isEmpty() || activeChannelCount == 0)
        return false;
    values.clear();
    Transaction t;
    t.request = readRequest(celsiusMode ? 0x0100 : 0x0200, 2 * activeChannelCount);
    t.replyDigits = 6 + 8 * activeChannelCount;
    t.tries = 4;
    QString reply;
    if (!transact(t, reply))
        return false;
    for (int slot = 0; slot < activeChannelCount; ++slot) {
        if (channelEnabled.value(slot))
            values << sampleText(hexToFloat(reply.mid(6 + 8 * slot, 8)), 6);
    }
    return true;
}

// --- channel set-up -------------------------------------------------------------------------

bool CollectionOrvex_1::armChannels(const QList<ChannelRecord> &rows, bool thermocouple)
{
    if (rows.isEmpty())
        return false;
    const QString &wiring = rows.first().wireMode;
    const int count = thermocouple ? (wiring == unused ? 8 : 16) : (wiring == twoWire ? 16 : 8);
    QList<bool> enabled;
    for (int i = 0; i < count; ++i)
        enabled << false;
    for (const ChannelRecord &row : rows) {
        const int slot = slotOf(row.channelNumber);
        if (slot < 0 || slot >= count)
            return false;
        enabled[slot] = true;
    }
    celsiusMode = rows.first().unit == QStringLiteral("℃");
    activeChannelCount = count;
    channelEnabled = enabled;
    return true;
}

bool CollectionOrvex_1::settle()
{
    delayMs(timing.setUpSettleMs);
    return true;
}

bool CollectionOrvex_1::writeCode(int reg, const QString &code)
{
    return activeChannelCount != 0 && writeOne(reg, code, 12, 4);
}

bool CollectionOrvex_1::writeScanRate(const QString &scanRate)
{
    const int index = scanRates.indexOf(scanRate);
    return writeCode(0x000E, hex4(index < 0 ? 0 : 3 - index));
}

bool CollectionOrvex_1::writeWiring(const QString &wiring)
{
    int code = 0;
    if (wiring == QStringLiteral("三线制"))
        code = 1;
    else if (wiring == QStringLiteral("四线制"))
        code = 2;
    return writeCode(0x000C, hex4(code));
}

bool CollectionOrvex_1::writeNtcType(const QString &function)
{
    return writeCode(0x000D, hex4(qMax(0, thermistorCurves.indexOf(function))));
}

bool CollectionOrvex_1::writeTcType(const QString &function)
{
    // The thermocouple variant lists its types in the order of their codes 1..20.
    return writeCode(0x000D, hex4(functions.indexOf(function) + 1));
}

bool CollectionOrvex_1::writeBlock(int slot, const QList<double> &values)
{
    return activeChannelCount != 0 && slot >= 0 && writeSinglesEchoed(0x0010 + 2 * slot, values);
}

bool CollectionOrvex_1::readBlock(int slot, Block block, QList<float> &values)
{
    return activeChannelCount != 0 && slot >= 0 && readSingles(0x0010 + 2 * slot, block / 2, values);
}

bool CollectionOrvex_1::writeThermistorRows(const QList<ChannelRecord> &rows)
{
    for (const ChannelRecord &row : rows) {
        if (row.type == unused || row.a_c0.toDouble() == 0.0)
            continue;
        if (!writeBlock(slotOf(row.channelNumber), {row.a_c0.toDouble(), row.b_c1.toDouble(),
                                                     row.c_c2.toDouble(), row.d_c3.toDouble()}))
            return false;
    }
    return true;
}

// --- coefficients ---------------------------------------------------------------------------

bool CollectionOrvex_1::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int slot = slotOf(channel.channelNumber);
    if (slot < 0)
        return false;
    const ChannelRecord &c = channel;
    if (thermistorCurves.contains(c.function))
        return writeBlock(slot, {c.a_c0.toDouble(), c.b_c1.toDouble(), c.c_c2.toDouble(),
                                 c.d_c3.toDouble()});
    if (c.function == QStringLiteral("PT385"))
        return writeBlock(slot, {c.r0_c4.toDouble()});
    if (c.function == QStringLiteral("ITS90"))
        return writeBlock(slot, {c.r0_c4.toDouble(), c.a_c0.toDouble(), c.b_c1.toDouble(),
                                 c.c_c2.toDouble(), c.a4_c5.toDouble(), c.b4_c6.toDouble()});
    return true;
}

bool CollectionOrvex_1::readChannelCoefficients(ChannelRecord &row)
{
    QMutexLocker lock(&exchangeMutex);
    const int slot = slotOf(row.channelNumber);
    if (slot < 0)
        return false;
    // The row changes only when the read succeeds.
    return readWhole(row, [&](ChannelRecord &channel) { return readInto(slot, channel); });
}

bool CollectionOrvex_1::readInto(int slot, ChannelRecord &channel)
{
    resetCoefficients(channel);
    QList<float> v;
    if (thermistorCurves.contains(channel.function)) {
        if (!readBlock(slot, Ntc, v))
            return false;
        channel.a_c0 = coefficientText(v.at(0));
        channel.b_c1 = coefficientText(v.at(1));
        channel.c_c2 = coefficientText(v.at(2));
        channel.d_c3 = coefficientText(v.at(3));
    } else if (channel.function == QStringLiteral("PT385")) {
        if (!readBlock(slot, R0Only, v))
            return false;
        channel.r0_c4 = coefficientText(v.at(0));
    } else if (channel.function == QStringLiteral("ITS90")) {
        if (!readBlock(slot, Its90, v))
            return false;
        channel.r0_c4 = coefficientText(v.at(0));
        channel.a_c0 = coefficientText(v.at(1));
        channel.b_c1 = coefficientText(v.at(2));
        channel.c_c2 = coefficientText(v.at(3));
        channel.a4_c5 = coefficientText(v.at(4));
        channel.b4_c6 = coefficientText(v.at(5));
    }
    return true;
}

// --- record files ---------------------------------------------------------------------------

bool CollectionOrvex_1::openRecordFile(QString path, QList<ChannelRecord> rows)
{
    return openIndexedRecordFile(path, rows, 9);
}

bool CollectionOrvex_1::readRecordAt(QDateTime time, QStringList &values)
{
    // Knowing the import's step: a record up to one step after the time, within the 10 s past
    // which the instrument's records count as another time.
    return readIndexedRecord(time, values, 10 * 1000 + 999);
}

bool CollectionOrvex_1::closeRecordFile()
{
    return closeRecord();
}

// --- device settings ------------------------------------------------------------------------

bool CollectionOrvex_1::readBaudRate(QString &rate)
{
    QString reply;
    if (!readOnce(0x0002, 1, reply))
        return false;
    const int index = reply.mid(8, 2).toInt(nullptr, 16);
    if (index >= baudRateList().size())
        return false;
    rate = baudRateList().at(index);
    return true;
}

bool CollectionOrvex_1::readPort(QString &port)
{
    QString reply;
    if (!readOnce(0x0003, 1, reply))
        return false;
    port = QString::number(reply.mid(6, 4).toUInt(nullptr, 16));
    return true;
}

bool CollectionOrvex_1::writeDeviceAddress(const QString &address)
{
    return isStationAddress(address) && writeOne(0x0001, QStringLiteral("00") + address, 12, 3);
}

bool CollectionOrvex_1::writeBaudRate(const QString &rate)
{
    const int index = baudRateList().indexOf(rate);
    return index >= 0 && writeOne(0x0002, hex4(index), 12, 3);
}

bool CollectionOrvex_1::writePort(const QString &port)
{
    int value = 0;
    return portNumber(port, value) && writeOne(0x0003, hex4(value), 12, 3);
}

bool CollectionOrvex_1::writeIpAddress(const QString &ip)
{
    QString data;
    return octets(ip, data) && writeEchoed(0x0004, data);
}

bool CollectionOrvex_1::writeSubnetMask(const QString &mask)
{
    QString data;
    return octets(mask, data) && writeEchoed(0x0006, data);
}
