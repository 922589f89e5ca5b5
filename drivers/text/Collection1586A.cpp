#include "Collection1586A.h"

#include "Registry.h"
#include "Terms.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QSet>

#include <cmath>

REGISTER_COLLECTION(Collection1586A)

Collection1586A::Collection1586A(QObject *parent)
    : Collection(parent)
    , resistanceRanges{"自动", "100Ω", "1kΩ", "10kΩ", "100kΩ", "1MΩ", "10MΩ"}
    , thermocoupleTypes{"K", "T", "R", "S", "J", "N", "E", "B",
                        "C", "D", "G", "L", "M", "U", "W", "POLY"}
    , rtdFunctions{"ITS90", "PT385", "PT392", "CVD"}
    , thermistorFunctions{"R(T)", "2.252kΩ", "5kΩ", "10kΩ"}
    , voltageRanges{"自动", "100mV", "1V", "10V", "50V"}
    , currentRanges{"自动", "100μA", "1mA", "10mA", "100mA"}
    , signalModes{"串口", "网络"}
    , scanRates{"快速", "中速", "慢速"}
    , units{"℃", "℉", "%RH", "psi", "mbar", "bar", "Pa", "KPa", "MPa", "mV", "V", "Ω", "kΩ", "MΩ"}
    , channelTypes{"热电偶", "热敏电阻", "铂电阻", "直流电压", "交流电压",
                   "电阻", "频率", "直流电流", "交流电流"}
    , compensationModes{"内部补偿", "固定冷端"}
    , twoWireModes{"二线制"}
    , twoFourWireModes{"二线制", "四线制"}
    , rtdWireModes{"二线制", "三线制", "四线制"}
{
}

Collection1586A::~Collection1586A() = default;

// --- Device ---------------------------------------------------------------------------------

bool Collection1586A::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    QMutexLocker lock(&exchangeMutex);
    return openLink(signalMode, ipCom, portBaudRate);
}

bool Collection1586A::close()
{
    QMutexLocker lock(&exchangeMutex);
    return closeLink();
}

bool Collection1586A::readReply(QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    return readTextReply(reply);
}

bool Collection1586A::sendCommand(QString command)
{
    QMutexLocker lock(&exchangeMutex);
    return sendText(command, settleMs.load());
}

bool Collection1586A::readSerialNumber(QString &identity)
{
    QMutexLocker lock(&exchangeMutex);
    if (!queryIdentity(identity))
        return false;
    return identity.contains(QStringLiteral("FLUKE,1586A"));
}

// --- option lists ---------------------------------------------------------------------------

QStringList Collection1586A::scanRateList() { return scanRates; }
QStringList Collection1586A::signalModeList() { return signalModes; }
QStringList Collection1586A::compensationList() { return compensationModes; }
QStringList Collection1586A::unitList(QString) { return units; }

QList<bool> Collection1586A::coefficientMask(QString function)
{
    // A/C0, B/C1, C/C2, D/C3, R0/C4, A4/C5, B4/C6, gain, offset.
    QList<bool> mask{false, false, false, false, false, false, false, true, true};
    auto set = [&mask](std::initializer_list<int> flags) {
        for (int i : flags)
            mask[i] = true;
    };
    if (function == "S" || function == "R" || function == "R(T)")
        set({0, 1, 2, 3});
    else if (function == "POLY" || function == "ITS90")
        set({0, 1, 2, 3, 4, 5, 6});
    else if (function == "PT385" || function == "PT392")
        set({4});
    else if (function == "CVD")
        set({0, 1, 2, 4});
    return mask;
}

QStringList Collection1586A::wiringList(QString type)
{
    if (type == "热电偶" || type == "直流电压" || type == "交流电压")
        return twoWireModes;
    if (type == "热敏电阻" || type == "电阻")
        return twoFourWireModes;
    if (type == "铂电阻")
        return rtdWireModes;
    return {};
}

QStringList Collection1586A::typeList(int channelNumber)
{
    static const QSet<int> voltageOnly{121, 122, 221, 222, 321, 322};
    if (voltageOnly.contains(channelNumber))
        return {"直流电压", "交流电压"};
    return channelTypes;
}

QStringList Collection1586A::functionList(QString type)
{
    if (type == "热电偶")
        return thermocoupleTypes;
    if (type == "热敏电阻")
        return thermistorFunctions;
    if (type == "铂电阻")
        return rtdFunctions;
    if (type == "直流电压")
        return voltageRanges;
    if (type == "电阻")
        return resistanceRanges;
    if (type == "直流电流" || type == "交流电流")
        return currentRanges;
    return {};
}

QStringList Collection1586A::channelNumberList(int count)
{
    int positions = 22;
    if (count >= 1 && count <= 20)
        positions = 10;
    else if (count >= 21 && count <= 40)
        positions = 20;
    const int wanted = (count < 1 || count > 44) ? 44 : count;
    QStringList numbers;
    for (int module = 1; module <= 2; ++module) {
        for (int position = 1; position <= positions; ++position) {
            if (numbers.size() == wanted)
                return numbers;
            numbers << QString::number(module * 100 + position);
        }
    }
    return numbers;
}

int Collection1586A::channelCount() { return 45; }

bool Collection1586A::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    // The scanner's channels are the 44 numbers of its list and 001 (the 45th); any other
    // number gives the number + ":通道号错误！".
    QList<int> modelNumbers{1};
    for (const QString &number : channelNumberList(0))
        modelNumbers << number.toInt();
    if (!checkChannelOptions(rows,
                             {tr("通道未设置！"), tr(":类型错误！"), tr(":量程错误！"),
                              tr(":接线线制错误！"), tr(":单位错误！")},
                             error, modelNumbers))
        return false;
    QList<int> numbers;
    for (const ChannelRecord &row : rows)
        numbers << row.channelNumber.toInt();
    // A channel of the first ten positions measured with more than two wires takes the
    // channel ten positions higher as well; the positions 11 to 20 can only take two wires.
    for (int i = 0; i < rows.size(); ++i) {
        const int position = numbers[i] % 100;
        if (rows[i].wireMode == "二线制")
            continue;
        if (position <= 10) {
            if (numbers.contains(numbers[i] + 10)) {
                error = QString::number(numbers[i] + 10) + tr("被占用！");
                return false;
            }
        } else if (position <= 20) {
            error = rows[i].channelNumber + tr("不能被设置为:") + rows[i].wireMode;
            return false;
        }
    }
    for (int i = 1; i < numbers.size(); ++i) {
        if (numbers[i] <= numbers[i - 1]) {
            error = tr("通道号需要递增！");
            return false;
        }
    }
    QStringList distinctUnits;
    for (const ChannelRecord &row : rows) {
        if (!distinctUnits.contains(row.unit))
            distinctUnits << row.unit;
    }
    if (distinctUnits.size() > 2) {
        error = tr("通道单位不许超过2个！");
        return false;
    }
    if (distinctUnits.contains("℃") && distinctUnits.contains("℉")) {
        error = tr("不能同时设置两个温度单位！");
        return false;
    }
    for (const ChannelRecord &row : rows) {
        if (!checkSetupTexts(row, error))
            return false;
    }
    return true;
}

double Collection1586A::minScanInterval(QString scanRate, QList<ChannelRecord> rows)
{
    if (rows.isEmpty())
        return 2.0;
    double perChannel = 0.1;
    if (scanRate == "中速")
        perChannel = 1.0;
    else if (scanRate == "慢速")
        perChannel = 4.0;
    return rows.size() * perChannel;
}

// --- acquisition ----------------------------------------------------------------------------

bool Collection1586A::setDeviceTime(QDateTime time)
{
    QMutexLocker lock(&exchangeMutex);
    if (!sendCommand("SYST:DATE " + time.toString("yyyy,MM,dd") + "\r\n"))
        return false;
    return sendCommand("SYST:TIME " + time.toString("hh,mm,ss") + "\r\n");
}

bool Collection1586A::setScanInterval(double seconds, int count)
{
    QMutexLocker lock(&exchangeMutex);
    // Whole seconds, truncated toward zero; a value that is not a finite number counts as 0.
    const qint64 wholeSeconds = std::isfinite(seconds)
        ? static_cast<qint64>(qBound(-1e15, std::trunc(seconds), 1e15))
        : 0;
    if (!sendCommand(QStringLiteral("TRIG:SOUR ") + "TIM" + "\r\n"))
        return false;
    if (!sendCommand("TRIG:TIM " + QString::number(wholeSeconds) + "\r\n"))
        return false;
    if (!sendCommand("TRIG:COUN " + QString::number(count) + "\r\n"))
        return false;
    return sendCommand(QStringLiteral("DATA:CLE\r\n"));
}

bool Collection1586A::readValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    if (!sendCommand(QStringLiteral("READ?\r\n")))
        return false;
    return collectValues(values);
}

bool Collection1586A::requestValues()
{
    QMutexLocker lock(&exchangeMutex);
    return sendCommand(QStringLiteral("READ?\r\n"));
}

bool Collection1586A::fetchValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    return collectValues(values);
}

void Collection1586A::setSettleTime(int ms)
{
    settleMs = qMax(0, ms);
}

void Collection1586A::setSampleReplyBudget(int ms)
{
    sampleReplyBudgetMs = qMax(10, ms);
}

bool Collection1586A::collectValues(QStringList &values)
{
    // One budget for the whole reply; the last complete line is the sample.
    QString reply;
    if (!readReplyLine(reply, sampleReplyBudgetMs.load()))
        return false;
    const QStringList parts = reply.split(',', Qt::KeepEmptyParts);
    const int expected = scannedChannels.load();
    if (expected > 0 && parts.size() != expected) {
        qDebug() << "1586A: sample of" << parts.size() << "values for" << expected
                 << "scanned channels:" << reply;
        return false;
    }
    // An error reply in place of the readings is no sample. A reading is handed on as the
    // scanner wrote it, "nan" or "inf" (no value on that channel) as "nan"; an empty value (a
    // trailing comma) as it stands.
    QStringList read;
    for (const QString &part : parts) {
        double value = 0.0;
        if (!part.isEmpty() && !sampleFieldValue(part, value)) {
            qDebug() << "1586A: sample holds a value that is not a number:" << reply;
            return false;
        }
        read << (part.isEmpty() || std::isfinite(value) ? part : sampleText(value, 0));
    }
    values = read;
    return true;
}

// --- instrument settings --------------------------------------------------------------------

QStringList Collection1586A::baudRateList() { return {"9600"}; }
QStringList Collection1586A::filterList() { return {"0"}; }
QList<bool> Collection1586A::settingMask() { return {false, false, false, false, false, false}; }

bool Collection1586A::readDeviceSettings(QString &serial, QString &, QString &, QString &,
                                         QString &, QString &, QString &, QString &)
{
    QMutexLocker lock(&exchangeMutex);
    return queryIdentity(serial);
}

bool Collection1586A::writeDeviceSettings(QString, QString, QString, QString, QString, QString,
                                          QString &message)
{
    message = tr("当前设备不支持设备设置。");
    return true;
}
