#include "CollectionPallu.h"

#include "Registry.h"
#include "Terms.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>

#include <cmath>

REGISTER_COLLECTION(CollectionPallu)

using namespace RegisterFrame;

namespace {
const QString twoWire = QStringLiteral("二线制");
const QString unused = QStringLiteral("空");
const QString platinum = QStringLiteral("铂电阻");
const QString thermistor = QStringLiteral("热敏电阻");
const QString thermocouple = QStringLiteral("热电偶");
const QString voltage = QStringLiteral("直流电压");
const QString current = QStringLiteral("直流电流");
const QString resistance = QStringLiteral("电阻");

// The units of a DC current channel that stand for a physical quantity read through a 4-20 mA
// transmitter: the instrument gives them a thousand times too small.
bool transmitterUnit(const QString &unit)
{
    static const QStringList units{"℃", "%RH", "bar", "Pa", "KPa", "MPa"};
    return units.contains(unit);
}
} // namespace

CollectionPallu::CollectionPallu(QObject *parent)
    : RegisterCollection(wholeFrameProfile(CrcOrder::LowFirst), parent)
{
    settingRegisters = compactSettingRegisters();
}

CollectionPallu::~CollectionPallu() = default;

bool CollectionPallu::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openRegisterLink(signalMode, ipCom, portBaudRate, false);
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionPallu::scanRateList() { return scanRates; }
QStringList CollectionPallu::signalModeList() { return signalModes; }
QStringList CollectionPallu::compensationList() { return compensations; }
QStringList CollectionPallu::channelNumberList(int count) { return channelNumbersUpTo(count, 26); }
int CollectionPallu::channelCount() { return 26; }
QStringList CollectionPallu::baudRateList() { return baudRatesTo57600(); }
QStringList CollectionPallu::filterList() { return {QStringLiteral("0")}; }
QList<bool> CollectionPallu::settingMask() { return {true, true, true, true, true, false}; }

QStringList CollectionPallu::unitList(QString type)
{
    const QStringList ohms{"Ω", "kΩ", "MΩ"};
    const QStringList physical{"℃", "%RH", "bar", "Pa", "KPa", "MPa"};
    if (type == QStringLiteral("All") || type.isEmpty())
        return units;
    if (type == thermocouple)
        return {"℃", "mV", "V"};
    if (type == thermistor || type == platinum)
        return QStringList{"℃"} + ohms;
    if (type == voltage)
        return QStringList{"mV", "V"} + physical;
    if (type == current)
        return QStringList{"μA", "mA", "A"} + physical;
    return ohms;
}

QStringList CollectionPallu::wiringList(QString type)
{
    if (type == thermistor)
        return {twoWire, QStringLiteral("四线制")};
    if (type == platinum || type == resistance)
        return {twoWire, QStringLiteral("三线制"), QStringLiteral("四线制")};
    return {twoWire};
}

QStringList CollectionPallu::typeList(int channelNumber)
{
    if (channelNumber == 125 || channelNumber == 126)
        return {current};
    return {platinum, thermistor, thermocouple, voltage, resistance, QStringLiteral("频率")};
}

QStringList CollectionPallu::functionList(QString type)
{
    if (type == thermocouple)
        return thermocoupleTypes;
    if (type == thermistor)
        return thermistorCurves;
    if (type == platinum)
        return rtdCurves;
    if (type == voltage)
        return voltageRanges;
    if (type == current)
        return currentRanges;
    if (type == resistance)
        return resistanceRanges;
    return frequencyRanges;
}

QList<bool> CollectionPallu::coefficientMask(QString function)
{
    if (function == QStringLiteral("R(T)"))
        return coefficientFlags({0, 1, 2, 3, 7, 8});
    if (function == QStringLiteral("ITS90"))
        return coefficientFlags({0, 1, 2, 4, 5, 6, 7, 8});
    if (rtdCurves.contains(function))
        return coefficientFlags({4, 7, 8});
    return coefficientFlags({7, 8});
}

bool CollectionPallu::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    if (!checkRegisterChannels(rows, error))
        return false;
    double value = 0;
    if (!coldJunctionValue(rows.first(), value)) {
        error = rows.first().channelNumber + tr(":固定冷端温度不是数字！");
        return false;
    }
    return true;
}

bool CollectionPallu::coldJunctionValue(const ChannelRecord &first, double &value)
{
    value = 0;
    if (first.type == unused || first.compensation != QStringLiteral("固定冷端"))
        return true;
    bool isNumber = false;
    const double number = first.coldJunction.toDouble(&isNumber);
    // The instrument takes a single: "nan", "inf" and numbers past its range are no temperature.
    if (!isNumber || !std::isfinite(static_cast<float>(number)))
        return false;
    value = number;
    return true;
}

bool CollectionPallu::checkChannelPlaces(const QList<ChannelRecord> &rows, QString &error)
{
    QList<int> numbers;
    for (const ChannelRecord &row : rows)
        numbers << row.channelNumber.toInt();
    for (const ChannelRecord &row : rows) {
        const int n = row.channelNumber.toInt();
        if (row.wireMode == twoWire)
            continue;
        if (n <= 112 && numbers.contains(n + 12)) {
            error = QString::number(n + 12) + tr("已被占用！");
            return false;
        }
        if (n >= 113 && n <= 124) {
            error = row.channelNumber + tr("不能被设置为:") + row.wireMode;
            return false;
        }
    }
    return true;
}

double CollectionPallu::minScanInterval(QString scanRate, QList<ChannelRecord> rows)
{
    double perChannel = 0.01;
    if (scanRate == scanRates.at(1))
        perChannel = 0.1;
    else if (scanRate == scanRates.at(2))
        perChannel = 1.0;
    return rows.size() * perChannel;
}

// --- clock, interval and samples ------------------------------------------------------------

bool CollectionPallu::setDeviceTime(QDateTime time)
{
    QString data;
    return clockData(time, data) && writeEchoed(0x1010, data);
}

bool CollectionPallu::setScanInterval(double seconds, int)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return false;
    const qint64 hundredths = std::llround(seconds * 100);
    const qint64 hours = hundredths / 360000;
    if (hours > 255)
        return false;
    const QString data = hex2(int(hours)) + hex2(int(hundredths / 6000 % 60))
        + hex2(int(hundredths / 100 % 60)) + hex2(int(hundredths % 100));
    return writeRegisters(0x1019, data);
}

double CollectionPallu::scaledToUnit(double value, const QString &unit)
{
    if (unit == QStringLiteral("mV") || unit == QStringLiteral("mA"))
        return value * 1000.0;
    if (unit == QStringLiteral("kΩ"))
        return value / 1000.0;
    if (unit == QStringLiteral("MΩ"))
        return value / 1000000.0;
    if (unit == QStringLiteral("μA"))
        return value * 1000000.0;
    return value;
}

double CollectionPallu::recordValue(double value, const QString &unit)
{
    return scaledToUnit(value, unit);
}

bool CollectionPallu::decodeValues(const QString &frame, QStringList &values)
{
    if (frame.size() != 6 + 8 * configuredCount)
        return false;
    for (int k = 0; k < configuredCount; ++k) {
        const ChannelRecord &row = configuredRows.at(k);
        double value = scaledToUnit(hexToFloat(frame.mid(6 + 8 * k, 8)), row.unit);
        if (row.type == current && transmitterUnit(row.unit))
            value *= 1000.0;
        values << sampleText(value, 6);
    }
    return true;
}

bool CollectionPallu::readValueFrame(QString &frame)
{
    QMutexLocker lock(&exchangeMutex);
    // One budget for the whole frame: at a slow baud rate a frame may start late in one reply
    // window and end in the next, so nothing received is dropped until the frame is judged.
    const qint64 budgetMs = qint64(timing.valueReplyWindows) * timing.replyPolls * timing.pollMs;
    const int expectedBytes = 3 + 4 * configuredCount + 2;
    QElapsedTimer clock;
    clock.start();
    int shortBytes = 0;         // a whole frame shorter than expected, and since when it stands
    qint64 shortSince = 0;
    do {
        delayMs(timing.pollMs);
        const QByteArray buffer = takeBuffer();
        const Reply r = parseRtu(buffer, stationAddress, CrcOrder::LowFirst, ReplyForm::Whole,
                                 expectedBytes);
        if (r.state == Reply::Frame && r.whole.size() >= expectedBytes) {
            clearBuffer();
            frame = QString::fromLatin1(r.frame.toHex());
            return true;
        }
        // A shorter one may be the head of the frame whose last two bytes happen to be its CRC:
        // the rest is given one more reply window, then the try fails.
        if (r.state == Reply::Frame && r.whole.size() != shortBytes) {
            shortBytes = r.whole.size();
            shortSince = clock.elapsed();
        } else if (r.state == Reply::Frame && clock.elapsed() - shortSince >= replyWindowMs()) {
            qDebug() << "长度匹配失败：" << QString::fromLatin1(buffer.toHex());
            clearBuffer();
            return false;
        }
        // A frame of the expected length that does not end in its CRC is damaged: waiting on
        // cannot mend it.
        if (r.state == Reply::Incomplete && buffer.size() >= expectedBytes) {
            qDebug() << "Crc失败：" << QString::fromLatin1(buffer.toHex());
            clearBuffer();
            return false;
        }
        if (r.state == Reply::Bad)
            break;
    } while (clock.elapsed() < budgetMs);
    qDebug() << "读取失败：" << QString::fromLatin1(takeBuffer().toHex());
    clearBuffer();
    return false;
}

bool CollectionPallu::requestValues()
{
    QMutexLocker lock(&exchangeMutex);
    return !stationAddress.isEmpty() && sendFrame(stationAddress + QStringLiteral("06101A0001"));
}

bool CollectionPallu::fetchValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    values.clear();
    QString frame;
    return readValueFrame(frame) && decodeValues(frame, values);
}

bool CollectionPallu::readValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    values.clear();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!requestValues())
            return false;
        QString frame;
        if (readValueFrame(frame) && decodeValues(frame, values))
            return true;
    }
    return false;
}

// --- channel set-up and coefficients --------------------------------------------------------

int CollectionPallu::settingWord(const ChannelRecord &row)
{
    static const QStringList typeWords{voltage, current, resistance, QStringLiteral("频率"),
                                       QString(), QString(), QString(), QString(),
                                       platinum, thermistor, thermocouple};
    static const int voltageCodes[] = {15, 3, 2, 1, 0};
    static const int currentCodes[] = {15, 6, 5, 4, 3, 2, 1, 1, 0};
    static const int resistanceCodes[] = {15, 4, 3, 2, 1, 0};
    // Wired channels count their wires; the others always 0, whatever the row says.
    const bool wired = row.type == platinum || row.type == thermistor || row.type == resistance;
    const int type = row.type.isEmpty() ? -1 : typeWords.indexOf(row.type);
    const int function = functionList(row.type).indexOf(row.function);
    if (type < 0 || function < 0 || (wired && !wiringList(row.type).contains(row.wireMode)))
        return -1;
    int range = 0, code = 0;
    if (row.type == voltage)
        range = voltageCodes[function];
    else if (row.type == current)
        range = currentCodes[function];
    else if (row.type == resistance)
        range = resistanceCodes[function];
    else if (row.type == thermistor || row.type == QStringLiteral("频率"))
        range = 15;
    if (row.type == platinum)
        code = function == 0 ? 11 : function - 1;   // the list starts with ITS-90, code 11
    else if (row.type == thermistor || row.type == thermocouple)
        code = function;
    const int wires = wired ? QStringList{twoWire, "三线制", "四线制"}.indexOf(row.wireMode) : 0;
    const bool flag = (row.type == thermocouple && row.compensation == QStringLiteral("固定冷端"))
        || (row.type == current && row.function == QStringLiteral("100mA-24V"));
    const bool rawUnit = (row.type == thermocouple || row.type == platinum || row.type == thermistor)
        && row.unit != QStringLiteral("℃");
    return type << 12 | code << 8 | int(rawUnit) << 7 | int(flag) << 6 | wires << 4 | range;
}

bool CollectionPallu::writeBlock(int position, const QList<double> &values)
{
    return writeSinglesEchoed(0x0010 + 2 * position, values);
}

bool CollectionPallu::readBlock(int position, int count, QList<float> &values)
{
    return readSingles(0x0010 + 2 * position, count, values);
}

bool CollectionPallu::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    lastSetupRefusal.clear();
    if (rows.isEmpty() || stationAddress.isEmpty())
        return false;
    // Every row is resolved before the first frame: nothing is half-written for a bad table.
    QList<int> positions, words;
    quint64 enabled = 0;
    for (const ChannelRecord &row : qAsConst(rows)) {
        const int position = channelPosition(row.channelNumber);
        const int word = row.type == unused ? 0 : settingWord(row);
        if (position < 0 || word < 0)
            return false;
        positions << position;
        words << word;
        enabled |= quint64(1) << position;
    }
    const ChannelRecord &first = rows.first();
    const bool coldJunction = first.type != unused
        && first.compensation == QStringLiteral("固定冷端");
    double coldJunctionTemperature = 0;
    if (!coldJunctionValue(first, coldJunctionTemperature)) {
        lastSetupRefusal = first.channelNumber + tr(":固定冷端温度不是数字！");
        return false;
    }

    const int speed = scanRates.indexOf(scanRate);
    if (!writeOne(0x1018, QStringLiteral("0000"), 8, 3)
        || !writeOne(0x000E, hex4(speed < 0 ? 0 : 3 - speed), 12, 4))
        return false;
    configuredCount = rows.size();
    configuredRows = rows;
    for (int i = 0; i < rows.size(); ++i) {
        const ChannelRecord &r = rows.at(i);
        const int p = positions.at(i);
        if (r.type == unused)
            continue;
        if (!writeOne(0x1020 + p, hex4(words.at(i)), 10, 3))
            return false;
        bool written = true;
        if (r.type == platinum && r.r0_c4.toDouble() != 0.0) {
            written = r.function == QStringLiteral("ITS90")
                ? writeBlock(p, {r.r0_c4.toDouble(), r.a_c0.toDouble(), r.b_c1.toDouble(),
                                 r.c_c2.toDouble(), r.a4_c5.toDouble(), r.b4_c6.toDouble()})
                : writeBlock(p, {r.r0_c4.toDouble()});
        } else if (r.type == thermistor && r.function == QStringLiteral("R(T)")
                   && r.a_c0.toDouble() != 0.0) {
            written = writeBlock(p, {r.a_c0.toDouble(), r.b_c1.toDouble(), r.c_c2.toDouble(),
                                     r.d_c3.toDouble()});
        }
        // A gain of -1000 marks a row without correction.
        if (!written || (r.mxbM != -1000.0f && !writeBlock(p, {r.mxbM, r.mxbB})))
            return false;
    }
    if (coldJunction && !writeSinglesEchoed(0x01F0, {coldJunctionTemperature}, 4))
        return false;
    return writeRegisters(0x1700, QStringLiteral("%1").arg(enabled, 16, 16, QLatin1Char('0')).toUpper());
}

bool CollectionPallu::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int p = channelPosition(channel.channelNumber);
    if (p < 0)
        return false;
    const ChannelRecord &c = channel;
    bool written = true;
    if (c.function == QStringLiteral("R(T)"))
        written = writeBlock(p, {c.a_c0.toDouble(), c.b_c1.toDouble(), c.c_c2.toDouble(),
                                 c.d_c3.toDouble()});
    else if (c.function == QStringLiteral("ITS90"))
        written = writeBlock(p, {c.r0_c4.toDouble(), c.a_c0.toDouble(), c.b_c1.toDouble(),
                                 c.c_c2.toDouble(), c.a4_c5.toDouble(), c.b4_c6.toDouble()});
    else if (rtdCurves.contains(c.function))
        written = writeBlock(p, {c.r0_c4.toDouble()});
    return written && writeBlock(p, {c.mxbM, c.mxbB});
}

bool CollectionPallu::readChannelCoefficients(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int p = channelPosition(channel.channelNumber);
    if (p < 0)
        return false;
    ChannelRecord c = channel;
    QList<float> v;
    const QString zero = QStringLiteral("0");
    if (c.function == QStringLiteral("R(T)")) {
        if (!readBlock(p, 4, v))
            return false;
        c.a_c0 = coefficientText(v.at(0));
        c.b_c1 = coefficientText(v.at(1));
        c.c_c2 = coefficientText(v.at(2));
        c.d_c3 = coefficientText(v.at(3));
        c.r0_c4 = c.a4_c5 = c.b4_c6 = zero;
    } else if (c.function == QStringLiteral("ITS90")) {
        if (!readBlock(p, 6, v))
            return false;
        c.r0_c4 = coefficientText(v.at(0));
        c.a_c0 = coefficientText(v.at(1));
        c.b_c1 = coefficientText(v.at(2));
        c.c_c2 = coefficientText(v.at(3));
        c.a4_c5 = coefficientText(v.at(4));
        c.b4_c6 = coefficientText(v.at(5));
        c.d_c3 = zero;
    } else if (rtdCurves.contains(c.function)) {
        if (!readBlock(p, 1, v))
            return false;
        c.r0_c4 = coefficientText(v.at(0));
        c.a_c0 = c.b_c1 = c.c_c2 = c.d_c3 = c.a4_c5 = c.b4_c6 = zero;
    }
    if (!readSingles(0x0010 + 2 * p, 2, v, true))
        return false;
    c.mxbM = v.at(0);
    c.mxbB = v.at(1);
    channel = c;
    return true;
}

// --- record files ---------------------------------------------------------------------------

bool CollectionPallu::openRecordFile(QString path, QList<ChannelRecord> rows)
{
    return openIndexedRecordFile(path, rows, rows.size());
}

bool CollectionPallu::readRecordAt(QDateTime time, QStringList &values)
{
    return readIndexedRecord(time, values);
}

bool CollectionPallu::closeRecordFile()
{
    return closeRecord();
}
