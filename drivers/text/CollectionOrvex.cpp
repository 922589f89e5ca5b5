#include "CollectionOrvex.h"

#include "Registry.h"

#include <QDebug>

REGISTER_COLLECTION(CollectionOrvex_NTC)
REGISTER_COLLECTION(CollectionOrvex_RTD)
REGISTER_COLLECTION(CollectionOrvex_VS)
REGISTER_COLLECTION(CollectionOrvex_HT)

namespace {

const QString thermocouple = QStringLiteral("热电偶");
const QString unused = QStringLiteral("空");

} // namespace

// --- the family ----------------------------------------------------------------------------

CollectionOrvex::CollectionOrvex(int channelCount, QObject *parent)
    : OrvexCommandSet(parent), channels(channelCount)
{
}

CollectionOrvex::~CollectionOrvex() = default;

QStringList CollectionOrvex::scanRateList() { return scanRates; }
QStringList CollectionOrvex::compensationList() { return compensationModes; }
QStringList CollectionOrvex::unitList(QString) { return units; }
QList<bool> CollectionOrvex::coefficientMask(QString) { return coefficientFlags({}); }
QStringList CollectionOrvex::wiringList(QString) { return wireModes; }
QStringList CollectionOrvex::typeList(int) { return types; }
QStringList CollectionOrvex::functionList(QString) { return functions; }
int CollectionOrvex::channelCount() { return channels; }

QStringList CollectionOrvex::channelNumberList(int count)
{
    return channelNumbersUpTo(count, channels);
}

bool CollectionOrvex::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkSetOkChannels(rows, error);
}

bool CollectionOrvex::readValues(QStringList &values)
{
    return queryValues(values);
}

bool CollectionOrvex::fetchValues(QStringList &values)
{
    return fetchSample(true, values);
}

bool CollectionOrvex::selectCurve(const ChannelRecord &row)
{
    if (row.type == "热敏电阻")
        return setNtcType({row});
    if (row.type == "铂电阻")
        return setRtdType({row});
    return true;
}

// --- thermistor scanner --------------------------------------------------------------------

CollectionOrvex_NTC::CollectionOrvex_NTC(QObject *parent) : CollectionOrvex(8, parent)
{
    scanRates = QStringList{"快速", "中速", "慢速"};
    units = QStringList{"℃", "Ω"};
    types = QStringList{"热敏电阻"};
    functions = QStringList{"R(T)", "T(R)", "2.252kΩ", "5kΩ", "10kΩ", "其他"};
    wireModes = QStringList{"二线制", "四线制"};
}

QList<bool> CollectionOrvex_NTC::coefficientMask(QString function)
{
    if (function == "R(T)" || function == "T(R)")
        return coefficientFlags({0, 1, 2, 3});
    if (function == "2.252kΩ" || function == "5kΩ" || function == "10kΩ")
        return coefficientFlags({1});
    return coefficientFlags({0, 1});
}

bool CollectionOrvex_NTC::sendChannelSetup(const QList<ChannelRecord> &rows)
{
    if (rows.first().type == unused)
        return true;
    return setScale(rows) && setWiring(rows) && setNtcRange(rows) && setNtcType(rows);
}

// --- platinum resistance scanner -----------------------------------------------------------

CollectionOrvex_RTD::CollectionOrvex_RTD(QObject *parent) : CollectionOrvex(8, parent)
{
    scanRates = QStringList{"快速", "中速", "慢速"};
    units = QStringList{"℃", "Ω"};
    types = QStringList{"铂电阻"};
    functions = QStringList{"ITS90", "CVD", "PT392", "PT385", "PT"};
    wireModes = QStringList{"二线制", "四线制"};
}

QList<bool> CollectionOrvex_RTD::coefficientMask(QString function)
{
    if (function == "ITS90")
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    return coefficientFlags({0, 1, 2, 4});
}

double CollectionOrvex_RTD::minScanInterval(QString scanRate, QList<ChannelRecord>)
{
    return scanRate == "快速" ? 0.1 : rateScanInterval(scanRate);
}

bool CollectionOrvex_RTD::sendChannelSetup(const QList<ChannelRecord> &rows)
{
    if (rows.first().type == unused)
        return true;
    return setScale(rows) && setRtdRange(rows) && setWiring(rows) && setRtdType(rows);
}

// --- thermocouple and voltage scanner ------------------------------------------------------

CollectionOrvex_VS::CollectionOrvex_VS(QObject *parent) : CollectionOrvex(69, parent)
{
    scanRates = QStringList{"默认"};
    types = QStringList{thermocouple};
    wireModes = QStringList{"二线制"};
    functions = QStringList{"B", "E", "J", "K", "N", "R", "S", "T"};
    sendsRate = false;
    sendsCoefficients = false;
}

QStringList CollectionOrvex_VS::unitList(QString type)
{
    if (type == "压力")
        return {"Pa", "KPa"};
    return {"℃", "mV", "V"};
}

QStringList CollectionOrvex_VS::typeList(int channelNumber)
{
    return channelNumber == 169 ? QStringList{"压力"} : types;
}

QStringList CollectionOrvex_VS::functionList(QString type)
{
    return type == thermocouple ? functions : QStringList{"自动"};
}

bool CollectionOrvex_VS::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    if (!CollectionOrvex::checkChannels(rows, error))
        return false;
    QString letter;
    for (const ChannelRecord &row : rows) {
        if (row.type != thermocouple)
            continue;
        if (letter.isEmpty()) {
            letter = row.function;
        } else if (row.function != letter) {
            error = row.channelNumber + tr(":功能错误！");
            return false;
        }
    }
    return true;
}

bool CollectionOrvex_VS::sendChannelSetup(const QList<ChannelRecord> &rows)
{
    if (rows.first().type != thermocouple)
        return true;
    return setTcType(rows) && setScale(rows) && setTcVoltageRange(rows);
}

RecordLayout CollectionOrvex_VS::recordLayout()
{
    RecordLayout layout = CollectionOrvex::recordLayout();
    layout.stepCapMs = 100 * 1000 + 999;   // this scanner's window is 100 s
    layout.checkLine = checkLine;
    return layout;
}

bool CollectionOrvex_VS::checkLine(QString &line)
{
    const QByteArray bytes = line.toUtf8();
    char check = 0;
    for (int i = 0; i + 2 < bytes.size(); ++i)
        check ^= bytes.at(i);
    const QByteArray wanted = QByteArray(1, check).toHex();
    if (bytes.size() < 2 || bytes.right(2) != wanted) {
        qDebug() << "SignJudge失败！" << line;
        return false;
    }
    line.chop(2);
    return true;
}

// --- platinum resistance and humidity scanner ----------------------------------------------

CollectionOrvex_HT::CollectionOrvex_HT(QObject *parent) : CollectionOrvex(19, parent)
{
    scanRates = QStringList{"默认"};
    types = QStringList{"铂电阻"};
    wireModes = QStringList{"四线制"};
    sendsRate = false;
    sendsCoefficients = false;
}

QStringList CollectionOrvex_HT::unitList(QString type)
{
    return type == "湿度" ? QStringList{"%RH"} : QStringList{"℃"};
}

QStringList CollectionOrvex_HT::typeList(int channelNumber)
{
    return channelNumber <= 115 ? types : QStringList{"湿度"};
}

QStringList CollectionOrvex_HT::functionList(QString) { return {"自动"}; }

QList<bool> CollectionOrvex_HT::settingMask() { return {false, true, true, true, true, false}; }

bool CollectionOrvex_HT::writeDeviceSettings(QString, QString baudRate, QString ip, QString mask,
                                             QString port, QString, QString &message)
{
    const bool ok = writeSettings(false, baudRate, ip, mask, port, QString());
    message = ok ? tr("设置成功，请断开从新连接。") : tr("设置失败，请检查设备连接。");
    return ok;
}

bool CollectionOrvex_HT::sendChannelSetup(const QList<ChannelRecord> &rows)
{
    return setScale(rows);
}

RecordLayout CollectionOrvex_HT::recordLayout()
{
    RecordLayout layout = CollectionOrvex::recordLayout();
    layout.timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    layout.lateMs = 1999;
    layout.stepCapMs = 1999;   // this scanner's window stays 1 s whatever the step
    layout.checkLine = [](QString &line) {
        if (line.section(',', 0, 0) != "Max")
            return true;
        qDebug() << "数据提前结束：" << line.section(',', 0, 0);
        return false;
    };
    return layout;
}
