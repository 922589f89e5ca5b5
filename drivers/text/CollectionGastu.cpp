#include "CollectionGastu.h"

#include "Registry.h"
#include "Terms.h"

#include <QDebug>
#include <QMutexLocker>

REGISTER_COLLECTION(CollectionGastu)

namespace {
const QString unused = QStringLiteral("空");

// One curve of the instrument: its resistance-type code and the coefficient texts it takes, in
// wire order, as positions among A_C0, B_C1, C_C2, D_C3, R0_C4, A4_C5, B4_C6.
struct Curve
{
    const char *function;
    const char *code;
    QList<int> texts;
};

const QList<Curve> &curves()
{
    static const QList<Curve> table{
        {"PT", "0", {4, 0, 1, 2}},      {"CVD", "1", {4, 0, 1, 2}},
        {"ITS90", "2", {4, 0, 1, 2, 5, 6}}, {"3916", "3", {4}},
        {"NTC", "4", {0, 1}},           {"T(R)", "5", {0, 1, 2, 3}},
        {"R(T)", "6", {0, 1, 2, 3}},    {"NI618", "7", {4, 0, 1, 2, 3}},
        {"NI672", "8", {4}},            {"CU427", "9", {4}},
        {"CU428", "10", {4, 0, 1, 2}},
    };
    return table;
}

const Curve *curveOf(const QString &function)
{
    for (const Curve &curve : curves()) {
        if (function == QLatin1String(curve.function))
            return &curve;
    }
    return nullptr;
}

// The record's coefficient texts in the order A_C0, B_C1, C_C2, D_C3, R0_C4, A4_C5, B4_C6.
QList<QString *> textsOf(ChannelRecord &row)
{
    return {&row.a_c0, &row.b_c1, &row.c_c2, &row.d_c3, &row.r0_c4, &row.a4_c5, &row.b4_c6};
}

QString curveCode(const ChannelRecord &row)
{
    return QLatin1String(curveOf(row.function)->code);
}

QString unitCode(const ChannelRecord &row)
{
    return row.unit == QStringLiteral("℃") ? QStringLiteral("0") : QStringLiteral("1");
}

// Seconds per channel of one scan at a scan rate.
int secondsPerChannel(const QString &scanRate)
{
    if (scanRate == QStringLiteral("中速"))
        return 2;
    if (scanRate == QStringLiteral("慢速"))
        return 3;
    if (scanRate == QStringLiteral("标准"))
        return 4;
    return 1;
}
} // namespace

CollectionGastu::CollectionGastu(QObject *parent)
    : OrvexCommandSet(parent)
    , scanRates{"快速", "中速", "慢速", "标准"}
    , units{"℃", "Ω"}
    , channelTypes{"热电阻"}
    , compensationModes{"固定补偿"}
    , wiringModes{"二线制", "三线制", "四线制"}
    , functions{"PT", "CVD", "ITS90", "3916", "NTC", "T(R)", "R(T)", "NI618", "NI672", "CU427",
                "CU428"}
{
    connected = false;
    setReplyBudgets(defaultGastuReplyBudgetMs, 3 * defaultGastuReplyBudgetMs);
}

CollectionGastu::~CollectionGastu() = default;

void CollectionGastu::setScanCycleWait(int msPerSecond)
{
    scanCycleMsPerSecond = qMax(0, msPerSecond);
}

int CollectionGastu::channelOf(const QString &channelNumber)
{
    bool isNumber = false;
    const int number = channelNumber.trimmed().toInt(&isNumber);
    if (!isNumber)
        return 0;
    if (number == 1)
        return 1;
    return number >= 101 && number <= 120 ? number - 99 : 0;
}

// --- link -----------------------------------------------------------------------------------

bool CollectionGastu::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    QMutexLocker lock(&exchangeMutex);
    if (!openLink(signalMode, ipCom, portBaudRate, 40, 100))
        return false;
    if (setScan(false))
        return connected;
    emit Close_signals();
    return false;
}

bool CollectionGastu::close()
{
    QMutexLocker lock(&exchangeMutex);
    return closeLink(40, 100);
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionGastu::scanRateList() { return scanRates; }
QStringList CollectionGastu::compensationList() { return compensationModes; }
QStringList CollectionGastu::unitList(QString) { return units; }
QStringList CollectionGastu::wiringList(QString) { return wiringModes; }
QStringList CollectionGastu::typeList(int) { return channelTypes; }
QStringList CollectionGastu::functionList(QString) { return functions; }
int CollectionGastu::channelCount() { return 21; }

QList<bool> CollectionGastu::coefficientMask(QString function)
{
    const Curve *curve = curveOf(function);
    QList<bool> mask{false, false, false, false, false, false, false, true, true};
    if (curve) {
        for (int i : curve->texts)
            mask[i] = true;
    }
    return mask;
}

QStringList CollectionGastu::channelNumberList(int count)
{
    const int last = count >= 1 && count <= 20 ? count : 20;
    QStringList numbers{"001"};
    for (int k = 1; k <= last; ++k)
        numbers << QString::number(100 + k);
    return numbers;
}

bool CollectionGastu::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkSetOkChannels(rows, error);
}

double CollectionGastu::minScanInterval(QString scanRate, QList<ChannelRecord> rows)
{
    return double(rows.size() * secondsPerChannel(scanRate));
}

QStringList CollectionGastu::coefficientTexts(const ChannelRecord &row)
{
    const Curve *curve = curveOf(row.function);
    if (!curve)
        return {};
    ChannelRecord copy = row;
    const QList<QString *> texts = textsOf(copy);
    QStringList wire;
    for (int i : curve->texts)
        wire << *texts[i];
    return wire;
}

bool CollectionGastu::checkSetupTexts(const ChannelRecord &row, QString &error)
{
    // Coefficients go out only when the leading one is set.
    QStringList texts = coefficientTexts(row);
    if (row.type == unused)
        return true;
    if (!texts.isEmpty() && coefficientUnset(texts.first()))
        texts.clear();
    return checkCoefficientTexts(row, texts, error, carriesCorrection(row));
}

// --- commands -------------------------------------------------------------------------------

bool CollectionGastu::setScan(bool on)
{
    return setOk(QStringLiteral("SCAN ") + (on ? "1" : "0") + "\r\n");
}

bool CollectionGastu::setGastuRate(const QString &scanRate)
{
    const int i = scanRates.indexOf(scanRate);
    return setOk("RATE " + (i < 0 ? QString() : QString::number(i + 1)) + "\r\n");
}

bool CollectionGastu::selectCurve(const ChannelRecord &row)
{
    // A function outside the table selects nothing.
    if (!curveOf(row.function))
        return true;
    return setCodes(QStringLiteral("TEMP:RES:TYPE "), {row}, curveCode);
}

bool CollectionGastu::setOutputUnit(const ChannelRecord &row)
{
    return setCodes(QStringLiteral("TEMP:VOLT "), {row}, unitCode);
}

bool CollectionGastu::setCoefficients(int channel, const QStringList &texts)
{
    QStringList values;
    for (int i = 0; i < 6; ++i)
        values << QString::number(texts.value(i).trimmed().toDouble(), 'e', 10);
    return setOk("TEMP:RES:COEF " + values.join(',') + ",(@" + QString::number(channel) + ")\r\n");
}

bool CollectionGastu::queryCoefficients(int channel, QList<double> &values)
{
    double v[6] = {0, 0, 0, 0, 0, 0};
    if (!queryNumbers("TEMP:RES:COEF?(@" + QString::number(channel) + ")\r\n",
                      {&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]}))
        return false;
    values = {v[0], v[1], v[2], v[3], v[4], v[5]};
    return true;
}

bool CollectionGastu::sendChannelSetup(const QList<ChannelRecord> &)
{
    // The Gastu sets its channels up one by one (configureChannels); no list commands.
    return true;
}

// --- acquisition ----------------------------------------------------------------------------

bool CollectionGastu::readValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    QString reply;
    return query(QStringLiteral("DATA?\r\n"), reply) && parseValues(reply, values);
}

bool CollectionGastu::requestValues()
{
    return sendCommand(QStringLiteral("DATA?\r\n"));
}

bool CollectionGastu::fetchValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    QString reply;
    return readReplyLine(reply, sampleBudget()) && parseValues(reply, values);
}

bool CollectionGastu::parseValues(const QString &reply, QStringList &values)
{
    values.clear();
    const QStringList parts = reply.split(',', Qt::KeepEmptyParts);
    if (parts.size() != 2 * configuredChannels.size()) {
        qDebug() << "Gastu: sample of" << parts.size() << "fields for"
                 << configuredChannels.size() << "channels:" << reply;
        return false;
    }
    QStringList read;
    for (int k = 0; k < configuredChannels.size(); ++k) {
        double value = 0.0;
        if (!sampleFieldValue(parts[2 * k + 1], value)) {
            qDebug() << "Gastu: sample value is not a number:" << reply;
            return false;
        }
        read << sampleText(value, 6);
    }
    values = read;
    return true;
}

// --- channel set-up and coefficients --------------------------------------------------------

bool CollectionGastu::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    QList<ChannelRecord> indexed;
    lastSetupRefusal.clear();
    for (ChannelRecord row : rows) {
        QString error;
        const int channel = channelOf(row.channelNumber);
        if (channel == 0 || !checkSetupTexts(row, error)) {
            qDebug() << "Gastu: channel" << row.channelNumber << "refused" << error;
            lastSetupRefusal = error;
            return false;
        }
        row.channelNumber = QString::number(channel);
        indexed << row;
    }
    if (!resetDevice() || indexed.isEmpty())
        return false;
    configuredChannels = indexed;
    const int seconds = secondsPerChannel(scanRate);
    if (!setGastuRate(scanRate)
        || !setOk("INTERVAL " + QString::number(indexed.size() * seconds) + "\r\n")
        || !setOk(QStringLiteral("STORE:TIME 0\r\n")))
        return false;
    for (const ChannelRecord &row : qAsConst(indexed)) {
        if (!setChannelStates({row}))
            return false;
        if (row.type == unused)
            continue;
        if (!selectCurve(row) || !setWiring({row}) || !setScale({row}) || !setOutputUnit(row))
            return false;
        const QStringList texts = coefficientTexts(row);
        if (!texts.isEmpty() && !coefficientUnset(texts.first())
            && !setCoefficients(row.channelNumber.toInt(), texts))
            return false;
    }
    if (!setScan(true))
        return false;
    // Until the first scan cycle is complete.
    delayMs(indexed.size() * seconds * scanCycleMsPerSecond.load());
    return true;
}

bool CollectionGastu::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int index = channelOf(channel.channelNumber);
    const QStringList texts = coefficientTexts(channel);
    QString error;
    if (index == 0 || !checkCoefficientTexts(channel, texts, error, carriesCorrection(channel))) {
        qDebug() << "Gastu:" << error;
        return false;
    }
    channel.channelNumber = QString::number(index);
    return selectCurve(channel) && setScale({channel}) && setCoefficients(index, texts);
}

bool CollectionGastu::readChannelCoefficients(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int index = channelOf(channel.channelNumber);
    if (index == 0)
        return false;
    ChannelRecord indexed = channel;
    indexed.channelNumber = QString::number(index);
    float gain = 0.0f, offset = 0.0f;
    QList<double> values;
    if (!selectCurve(indexed) || !queryScale(index, gain, offset)
        || !queryCoefficients(index, values))
        return false;
    if (const Curve *curve = curveOf(channel.function)) {
        const QList<QString *> texts = textsOf(channel);
        for (int i = 0; i < curve->texts.size(); ++i)
            *texts[curve->texts[i]] = QString::number(values[i], 'E', 10);
    }
    channel.mxbM = gain;
    channel.mxbB = offset;
    return true;
}

// --- record files ---------------------------------------------------------------------------

int CollectionGastu::recordChannel(int index)
{
    return index <= 1 ? 1 : index + 99;
}

// --- instrument settings --------------------------------------------------------------------

QStringList CollectionGastu::filterList() { return {"0"}; }

QList<bool> CollectionGastu::settingMask() { return {false, true, true, true, true, false}; }

bool CollectionGastu::writeDeviceSettings(QString, QString baudRate, QString ip, QString mask,
                                          QString port, QString filter, QString &message)
{
    const bool ok = writeSettings(false, baudRate, ip, mask, port, filter);
    message = ok ? tr("设置成功,请断开连接重连。") : tr("设置失败。");
    return ok;
}
