// The register operations of the register map the register instruments share, and the
// channel-table check and settings chains built on them.

#include "RegisterCollection.h"

#include "Terms.h"

#include <QDebug>
#include <QMutexLocker>
#include <QSet>

#include <cmath>
#include <functional>

using namespace RegisterFrame;

namespace {
// The bytes of reply digits [from, from + count).
QByteArray replyBytes(const QString &reply, int from, int count)
{
    return QByteArray::fromHex(reply.mid(from, count).toLatin1());
}

int byteAt(const QString &reply, int digit)
{
    return reply.mid(digit, 2).toInt(nullptr, 16);
}

QList<double> doublesOf(const QString &reply, int count)
{
    QList<double> values;
    for (int i = 0; i < count; ++i)
        values << hexToDouble(reply.mid(6 + 16 * i, 16));
    return values;
}

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}
} // namespace

// --- argument checks ------------------------------------------------------------------------

bool RegisterCollection::octets(const QString &text, QString &data)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    QString digits;
    for (const QString &part : parts) {
        if (!allDigits(part) || part.size() > 3 || part.toInt() > 255)
            return false;
        digits += hex2(part.toInt());
    }
    data = digits;
    return true;
}

bool RegisterCollection::portNumber(const QString &text, int &port)
{
    if (!allDigits(text) || text.size() > 5)
        return false;
    const int value = text.toInt();
    if (value < 1 || value > 65535)
        return false;
    port = value;
    return true;
}

QList<bool> RegisterCollection::coefficientFlags(std::initializer_list<int> set)
{
    QList<bool> flags;
    for (int i = 0; i < 9; ++i)
        flags << false;
    for (int i : set)
        flags[i] = true;
    return flags;
}

QString RegisterCollection::coefficientText(double value)
{
    return shortestText(value);
}

QString RegisterCollection::coefficientText(float value)
{
    return shortestText(value);
}

// --- reads ----------------------------------------------------------------------------------

bool RegisterCollection::readDeviceId(QString &id)
{
    QString reply;
    if (!readOnce(settingRegisters.serial, 5, reply))
        return false;
    const QByteArray bytes = replyBytes(reply, 6, 20);
    const int end = bytes.indexOf('\0');
    id = QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
    return true;
}

bool RegisterCollection::readVersion(QString &version)
{
    if (settingRegisters.version < 0) {
        version = QStringLiteral("1");
        return true;
    }
    QString reply;
    if (!readOnce(settingRegisters.version, 1, reply))
        return false;
    version = reply.mid(6, 4);
    return true;
}

bool RegisterCollection::readListEntry(int first, const QStringList &list, QString &entry)
{
    QString reply;
    if (!readOnce(first, 1, reply))
        return false;
    const int index = byteAt(reply, 6);
    if (index >= list.size())
        return false;
    entry = list.at(index);
    return true;
}

bool RegisterCollection::readOctets(int first, QString &dotted)
{
    QString reply;
    if (!readOnce(first, 2, reply))
        return false;
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << QString::number(byteAt(reply, 6 + 2 * i));
    dotted = parts.join(QLatin1Char('.'));
    return true;
}

bool RegisterCollection::readBaudRate(QString &rate) { return readListEntry(settingRegisters.baudRate, baudRateList(), rate); }
bool RegisterCollection::readFilterIndex(QString &filter) { return readListEntry(settingRegisters.filter, filterList(), filter); }
bool RegisterCollection::readIpAddress(QString &ip) { return readOctets(settingRegisters.ip, ip); }
bool RegisterCollection::readSubnetMask(QString &mask) { return readOctets(settingRegisters.mask, mask); }

bool RegisterCollection::readPort(QString &port)
{
    QString reply;
    if (!readOnce(settingRegisters.port, 1, reply))
        return false;
    port = QString::number(byteAt(reply, 8) * 256 + byteAt(reply, 6));
    return true;
}

bool RegisterCollection::readCurveCodes(int first, QByteArray &codes, bool atLeast)
{
    return readCodeBytes(first, 4, codes, atLeast);
}

bool RegisterCollection::readDoubles(int base, int index, int count, QList<double> &values,
                                     const QString &sendFailureTrace)
{
    values.clear();
    return index >= 0
        && readNumbers(base + 4 * index, count, 4, values, sendFailureTrace);
}

bool RegisterCollection::readTemperatures(int index, int count, QList<double> &values)
{
    return readDoubles(0x0019, index, count, values, QStringLiteral("写入读取温度失败！"));
}

bool RegisterCollection::readResistances(int base, int index, int count, QList<double> &values)
{
    return readDoubles(base, index, count, values, QStringLiteral("写入读取阻值失败！"));
}

bool RegisterCollection::readCoefficientDoubles(int first, int count, QList<double> &values)
{
    QString reply;
    if (first < 0 || !readOnce(first, 4 * count, reply))
        return false;
    const QList<double> read = doublesOf(reply, count);
    if (!finiteCoefficients(hex4(first), read))
        return false;
    values = read;
    return true;
}

bool RegisterCollection::finiteCoefficients(const QString &source, const QList<double> &values)
{
    for (double value : values) {
        if (!std::isfinite(value)) {
            qDebug() << "系数不是数字：" << source << values;
            return false;
        }
    }
    return true;
}

bool RegisterCollection::readChannelCoefficients4(int base, int index, double &a, double &b,
                                                  double &c, double &d)
{
    QList<double> v;
    if (index < 0 || !readCoefficientDoubles(base + 16 * index, 4, v))
        return false;
    a = v.at(0);
    b = v.at(1);
    c = v.at(2);
    d = v.at(3);
    return true;
}

bool RegisterCollection::readCoefficients6(int first, double &r0, double &a, double &b,
                                           double &c, double &a4, double &b4)
{
    QList<double> v;
    if (!readCoefficientDoubles(first, 6, v))
        return false;
    r0 = v.at(0);
    a = v.at(1);
    b = v.at(2);
    c = v.at(3);
    a4 = v.at(4);
    b4 = v.at(5);
    return true;
}

// --- writes ---------------------------------------------------------------------------------

bool RegisterCollection::writeDeviceAddress(const QString &address)
{
    if (!isStationAddress(address))
        return false;
    return writeRegisters(settingRegisters.address, address + QStringLiteral("00"));
}

bool RegisterCollection::writeListEntry(int first, const QStringList &list, const QString &entry)
{
    const int index = list.indexOf(entry);
    return index >= 0 && writeRegisters(first, swappedHex4(index));
}

bool RegisterCollection::writeOctets(int first, const QString &dotted)
{
    QString data;
    return octets(dotted, data) && writeRegisters(first, data);
}

bool RegisterCollection::writeBaudRate(const QString &rate) { return writeListEntry(settingRegisters.baudRate, baudRateList(), rate); }
bool RegisterCollection::writeFilterIndex(const QString &filter) { return writeListEntry(settingRegisters.filter, filterList(), filter); }
bool RegisterCollection::writeIpAddress(const QString &ip) { return writeOctets(settingRegisters.ip, ip); }
bool RegisterCollection::writeSubnetMask(const QString &mask) { return writeOctets(settingRegisters.mask, mask); }

bool RegisterCollection::writePort(const QString &port)
{
    int value = 0;
    return portNumber(port, value) && writeRegisters(settingRegisters.port, swappedHex4(value));
}

bool RegisterCollection::writeChannelMask(const QList<int> &bits)
{
    return writeBitMask(0x0003, bits, 4);
}

bool RegisterCollection::writeCurveCodes(int first, const QList<ChannelRecord> &rows,
                                         const CurveWords &words, bool atLeast)
{
    const CodeRule rule = [&words](const ChannelRecord &row) {
        if (row.function == words.none)
            return CurveCode::None;
        if (row.function == words.low)
            return CurveCode::LowBit;
        if (!words.high.isEmpty() && row.function == words.high)
            return CurveCode::HighBit;
        return words.other;
    };
    return writeCodeBits(first, 4, rows, rule, atLeast);
}

bool RegisterCollection::writeDoubles(int first, const QList<double> &values)
{
    // A coefficient that is no finite number ("nan", "inf") is never sent.
    if (first < 0 || !finiteCoefficients(hex4(first), values))
        return false;
    QString data;
    for (double v : values)
        data += doubleToHex(v);
    return writeRegisters(first, data);
}

bool RegisterCollection::writeChannelCoefficients4(int base, int index, double a, double b,
                                                   double c, double d)
{
    return index >= 0 && writeDoubles(base + 16 * index, {a, b, c, d});
}

bool RegisterCollection::writeCoefficients6(int first, double r0, double a, double b, double c,
                                            double a4, double b4)
{
    return writeDoubles(first, {r0, a, b, c, a4, b4});
}

bool RegisterCollection::writeRowCoefficients4(int base, const ChannelRecord &row)
{
    return writeChannelCoefficients4(base, valueIndex(row.channelNumber), row.a_c0.toDouble(),
                                     row.b_c1.toDouble(), row.c_c2.toDouble(), row.d_c3.toDouble());
}

bool RegisterCollection::readRowCoefficients4(int base, ChannelRecord &row)
{
    double a = 0, b = 0, c = 0, d = 0;
    if (!readChannelCoefficients4(base, valueIndex(row.channelNumber), a, b, c, d))
        return false;
    row.a_c0 = coefficientText(a);
    row.b_c1 = coefficientText(b);
    row.c_c2 = coefficientText(c);
    row.d_c3 = coefficientText(d);
    row.r0_c4 = row.a4_c5 = row.b4_c6 = QStringLiteral("0");
    return true;
}

bool RegisterCollection::writeFourDoubleSetUp(const QList<ChannelRecord> &rows, int base,
                                              const QStringList &types)
{
    QList<int> bits;
    for (const ChannelRecord &row : rows) {
        const int index = valueIndex(row.channelNumber);
        bits << index;
        if (!types.contains(row.type) || row.a_c0.toDouble() == 0.0)
            continue;
        if (!writeRowCoefficients4(base, row))
            return false;
        delayMs(timing.coefficientGapMs);
    }
    return writeChannelMask(bits);
}

// --- channel table and settings chains ------------------------------------------------------

bool RegisterCollection::checkRegisterChannels(const QList<ChannelRecord> &rows, QString &error,
                                               bool singleCurve)
{
    ChannelOptionMessages messages;
    messages.noChannels = tr("通道未设置！");
    messages.badType = tr(":类型错误！");
    messages.badFunction = tr(":功能错误！");
    messages.badWiring = tr(":接线线制错误！");
    messages.badUnit = tr(":单位错误！");
    if (rows.isEmpty()) {
        error = messages.noChannels;
        return false;
    }
    const QStringList numbers = channelNumberList(channelCount());
    for (const ChannelRecord &row : rows) {
        if (!numbers.contains(row.channelNumber)) {
            error = row.channelNumber + tr(":通道号错误！");
            return false;
        }
        if (!checkChannelOptions({row}, messages, error))
            return false;
    }
    if (!checkChannelPlaces(rows, error))
        return false;
    for (int i = 1; i < rows.size(); ++i) {
        if (rows.at(i).channelNumber.toInt() <= rows.at(i - 1).channelNumber.toInt()) {
            error = tr("通道号需要递增！");
            return false;
        }
    }
    QSet<QString> types, functions, wirings, units;
    for (const ChannelRecord &row : rows) {
        types.insert(row.type);
        functions.insert(row.function);
        wirings.insert(row.wireMode);
        units.insert(row.unit);
    }
    QString limit;
    if (singleCurve && types.size() > 1)
        limit = tr("通道类型不许超过1个！");
    else if (singleCurve && functions.size() > 1)
        limit = tr("通道功能不许超过1个！");
    else if (singleCurve && wirings.size() > 1)
        limit = tr("接线方式不许超过1个！");
    else if (units.size() > 2)
        limit = tr("通道单位不许超过2个！");
    if (!limit.isEmpty()) {
        error = limit;
        return false;
    }
    return true;
}

bool RegisterCollection::checkChannelPlaces(const QList<ChannelRecord> &, QString &)
{
    return true;
}

QStringList RegisterCollection::baudRatesTo57600()
{
    return {QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("4800"),
            QStringLiteral("9600"),  QStringLiteral("19200"), QStringLiteral("38400"),
            QStringLiteral("57600")};
}

QStringList RegisterCollection::baudRatesTo115200()
{
    return baudRatesTo57600() << QStringLiteral("115200");
}

QStringList RegisterCollection::compensationList() { return {QStringLiteral("内部补偿")}; }
QStringList RegisterCollection::wiringList(QString) { return {QStringLiteral("四线制")}; }
QList<bool> RegisterCollection::settingMask() { return {true, true, true, true, true, true}; }

bool RegisterCollection::readDeviceSettings(QString &serial, QString &version, QString &address,
                                            QString &baudRate, QString &ip, QString &mask,
                                            QString &port, QString &filter)
{
    QMutexLocker lock(&exchangeMutex);
    address = stationAddress.toLower();
    if (!readDeviceId(serial) || stationAddress.isEmpty() || !readVersion(version))
        return false;
    // The readable settings in order, each after the settings-read gap.
    const QList<bool> settable = settingMask();
    const std::function<bool()> reads[5] = {
        [&] { return readBaudRate(baudRate); },   [&] { return readIpAddress(ip); },
        [&] { return readSubnetMask(mask); },     [&] { return readPort(port); },
        [&] { return readFilterIndex(filter); }};
    for (int i = 0; i < 5; ++i) {
        if (!settable.value(i + 1))
            continue;
        delayMs(timing.settingReadGapMs);
        if (!reads[i]())
            return false;
    }
    return true;
}

bool RegisterCollection::writeDeviceSettings(QString address, QString baudRate, QString ip,
                                             QString mask, QString port, QString filter,
                                             QString &message)
{
    QMutexLocker lock(&exchangeMutex);
    const QList<bool> settable = settingMask();
    QString data;
    int portValue = 0;
    const bool valid[6] = {isStationAddress(address), baudRateList().contains(baudRate),
                           octets(ip, data), octets(mask, data), portNumber(port, portValue),
                           filterList().contains(filter)};
    for (int i = 0; i < 6; ++i) {
        if (settable.value(i) && !valid[i]) {
            message = tr("设置失败，参数无效。");
            return false;
        }
    }
    const std::function<bool()> writes[6] = {
        [&] { return writeDeviceAddress(address); }, [&] { return writeBaudRate(baudRate); },
        [&] { return writeIpAddress(ip); },          [&] { return writeSubnetMask(mask); },
        [&] { return writePort(port); },             [&] { return writeFilterIndex(filter); }};
    bool first = true;
    for (int i = 0; i < 6; ++i) {
        if (!settable.value(i))
            continue;
        if (!first)
            delayMs(timing.settingGapMs);
        first = false;
        if (!writes[i]()) {
            message = tr("设置失败，请检查设备连接。");
            return false;
        }
    }
    message = tr("设置成功，重启后生效。");
    return true;
}
