#include "Collection159XA.h"

#include "Registry.h"
#include "Terms.h"

#include <QDebug>
#include <QMutexLocker>

REGISTER_COLLECTION(Collection159XA)

namespace {
const QString thermistor = QStringLiteral("热敏电阻");
const QString platinum = QStringLiteral("铂电阻");
// The unit the calibration set-up gives to channels measured as plain resistance.
const QString ohm = QStringLiteral("Ohm");

QString probeName(int number)
{
    return "\"CH" + QString::number(number) + "\"";
}

// A coefficient as the instrument takes it (an empty text is 0).
double coefficient(const QString &text)
{
    return text.trimmed().toDouble();
}

QString scientific(const QString &text)
{
    return QString::number(coefficient(text), 'e', 10);
}

QString fixed(const QString &text)
{
    return QString::number(coefficient(text), 'f', 10);
}

// The coefficient that decides whether a row's curve is set: A of a thermistor, R0 of a
// platinum resistance thermometer.
const QString *leadingCoefficient(const ChannelRecord &row)
{
    if (row.type == thermistor)
        return &row.a_c0;
    if (row.type == platinum)
        return &row.r0_c4;
    return nullptr;
}

// A row whose leading coefficient reads as 0 (or is empty) gets no probe set-up.
bool curveUnset(const ChannelRecord &row)
{
    const QString *leading = leadingCoefficient(row);
    if (!leading)
        return false;
    return row.type == platinum ? leading->trimmed().toFloat() == 0.0f
                                : leading->trimmed().toDouble() == 0.0;
}
} // namespace

Collection159XA::Collection159XA(QObject *parent)
    : Collection(parent)
    , compensationModes{"内部补偿"}
    , otherFunctions{"自动"}
    , platinumFunctions{"ITS90", "CVD"}
    , thermistorFunctions{"R(T)"}
    , vendorWord("FLUKE")
    , signalModes{"串口", "网络"}
    , scanRates{"快速", "中速", "慢速"}
    , units{"℃", "℉", "K", "Ω"}
    , channelTypes{"热敏电阻", "铂电阻", "电阻"}
{
    connected = false;
}

Collection159XA::~Collection159XA() = default;

void Collection159XA::setWaits(const Waits &waits)
{
    replyMs = qMax(1, waits.replyMs);
    settleMs = qMax(0, waits.settleMs);
    configureMs = qMax(0, waits.configureMs);
    startMs = qMax(0, waits.startMs);
    pollMs = qMax(1, waits.pollMs);
    channelMs = qMax(0, waits.channelMs);
}

// --- Device ---------------------------------------------------------------------------------

bool Collection159XA::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    QMutexLocker lock(&exchangeMutex);
    if (!openLink(signalMode, ipCom, portBaudRate, 12, 100))
        return false;
    measuringStarted = false;
    QStringList names;
    if (!readProbeNames(names))
        return false;
    QStringList commands;
    for (int i = 1; i <= 14; ++i) {
        if (!names.contains("CH" + QString::number(i)))
            commands << "INP:PROB:ADD " + probeName(i) + "\r\n";
    }
    for (int i = 1; i <= 14; ++i)
        commands << "INP" + QString::number(i) + ":PROB:IDEN " + probeName(i) + "\r\n";
    if (!sendAll(commands))
        return false;
    return connected;
}

bool Collection159XA::readProbeNames(QStringList &names)
{
    QString command = QStringLiteral("INP:PROB:FIRS?\r\n");
    for (;;) {
        QString reply;
        if (!sendCommand(command) || !readReply(reply))
            return false;
        // A name comes in quotes: two characters are the empty name that ends the list.
        if (reply.size() < 2) {
            qDebug() << "159XA: probe name reply too short:" << reply;
            return false;
        }
        if (reply.size() == 2)
            return true;
        const QString name = reply.mid(1, reply.size() - 2);
        if (names.contains(name))
            return true;   // the instrument began the list again
        if (names.size() >= probeListLimit) {
            qDebug() << "159XA: probe list longer than" << probeListLimit << "names";
            return false;
        }
        names << name;
        command = QStringLiteral("INP:PROB:NEXT?\r\n");
    }
}

bool Collection159XA::close()
{
    QMutexLocker lock(&exchangeMutex);
    measuringStarted = false;
    sendCommand(QStringLiteral("INIT:CONT 0\r\n"));
    return closeLink(40, 100);
}

bool Collection159XA::readReply(QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    return readReplyLine(reply, replyMs.load(), pollMs.load());
}

bool Collection159XA::sendCommand(QString command)
{
    QMutexLocker lock(&exchangeMutex);
    return sendText(command, settleMs.load());
}

bool Collection159XA::readSerialNumber(QString &identity)
{
    QMutexLocker lock(&exchangeMutex);
    if (!queryIdentity(identity))
        return false;
    return identity.contains(vendorWord + ",159");
}

bool Collection159XA::sendAll(const QStringList &commands)
{
    for (const QString &command : commands) {
        if (!sendCommand(command))
            return false;
    }
    return true;
}

bool Collection159XA::readNumberReply(QString &reply)
{
    QString line;
    if (!readReply(line))
        return false;
    if (!isNumberText(line)) {
        qDebug() << "159XA: reply is not a number:" << line;
        return false;
    }
    reply = line;
    return true;
}

// --- option lists ---------------------------------------------------------------------------

QStringList Collection159XA::scanRateList() { return scanRates; }
QStringList Collection159XA::signalModeList() { return signalModes; }
QStringList Collection159XA::compensationList() { return compensationModes; }
QStringList Collection159XA::unitList(QString) { return units; }

QList<bool> Collection159XA::coefficientMask(QString function)
{
    // A_C0, B_C1, C_C2, D_C3, R0_C4, A4_C5, B4_C6; no linear correction is sent.
    QList<bool> mask{false, false, false, false, false, false, false, false, false};
    auto set = [&mask](std::initializer_list<int> flags) {
        for (int i : flags)
            mask[i] = true;
    };
    if (function == "ITS90" || function == "POLY")
        set({0, 1, 2, 3, 4, 5, 6});
    else if (function == "R(T)")
        set({0, 1, 2, 3});
    else if (function == "CVD")
        set({0, 1, 2, 4});
    return mask;
}

QStringList Collection159XA::wiringList(QString type)
{
    if (type == thermistor)
        return {"二线制", "四线制"};
    return {"二线制", "三线制", "四线制"};
}

QStringList Collection159XA::typeList(int) { return channelTypes; }

QStringList Collection159XA::functionList(QString type)
{
    if (type == thermistor)
        return thermistorFunctions;
    if (type == platinum)
        return platinumFunctions;
    return otherFunctions;
}

QStringList Collection159XA::channelNumberList(int count)
{
    QStringList numbers;
    const bool few = count >= 1 && count <= 4;
    for (int n = few ? 1 : 2; n <= (few ? 4 : 14); ++n)
        numbers << QString::number(n);
    return numbers;
}

int Collection159XA::channelCount() { return 13; }

QStringList Collection159XA::sentCoefficientTexts(const ChannelRecord &row, bool setup)
{
    const QString *leading = leadingCoefficient(row);
    if (!leading)
        return {};
    // Only the leading coefficient is looked at when it leaves the curve unset or the channel
    // is measured as plain resistance: the set-up sends no other.
    if (setup
        && (row.unit == ohm || leading->trimmed().isEmpty()
            || (isNumberText(*leading) && curveUnset(row))))
        return {*leading};
    const QStringList four{row.a_c0, row.b_c1, row.c_c2, row.d_c3};
    if (row.type == thermistor)
        return four;
    if (row.function == "ITS90")
        return QStringList{row.r0_c4} + four + QStringList{row.a4_c5, row.b4_c6};
    if (row.function == "CVD")
        return {row.r0_c4, row.a_c0, row.b_c1, row.c_c2};
    return {*leading};
}

bool Collection159XA::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    QList<int> numbers;
    for (int n = 1; n <= 14; ++n)
        numbers << n;
    return checkChannelTable(rows, numbers, error, [this](const ChannelRecord &row, QString &e) {
        return checkCoefficientTexts(row, sentCoefficientTexts(row, true), e);
    });
}

double Collection159XA::minScanInterval(QString scanRate, QList<ChannelRecord> rows)
{
    if (rows.isEmpty())
        return 2.0;
    double perChannel = 2.0;
    if (scanRate == "快速")
        perChannel = 1.0;
    else if (scanRate == "慢速")
        perChannel = 5.0;
    return rows.size() * perChannel;
}

// --- acquisition ----------------------------------------------------------------------------

bool Collection159XA::setDeviceTime(QDateTime time)
{
    QMutexLocker lock(&exchangeMutex);
    return sendAll({"SYST:DATE " + time.toString("yyyy,MM,dd") + "\r\n",
                    "SYST:TIME " + time.toString("hh,mm,ss") + "\r\n"});
}

bool Collection159XA::setScanInterval(double, int) { return true; }

bool Collection159XA::readValues(QStringList &values) { return fetchValues(values); }

bool Collection159XA::requestValues() { return true; }

bool Collection159XA::fetchValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    values.clear();
    if (!measuringStarted) {
        measuringStarted = true;
        if (!sendCommand(QStringLiteral("INIT:CONT 1\r\n")))
            return false;
        delayMs(startMs.load());
    }
    QStringList readings;
    for (int channel : qAsConst(scannedChannels)) {
        QString reading;
        for (int attempt = 0; attempt < 3 && reading.isEmpty(); ++attempt) {
            // A try whose reply is still arriving gives it the next try's wait instead of
            // asking again (which would drop its first half and take its tail).
            const QByteArray arrived = takeBuffer();
            const bool onItsWay = attempt > 0 && !arrived.isEmpty() && !arrived.endsWith('\n');
            if (!onItsWay && !sendCommand("FETCH? " + QString::number(channel) + "\r\n"))
                break;
            // An error reply (a code and a quoted message, -113,"Undefined header") is no
            // reading although its first field is a number.
            // "nan" or "inf" is the channel's way of saying it has no value: handed on as "nan".
            QString reply;
            double value = 0.0;
            if (readReplyLine(reply, replyMs.load(), pollMs.load(), true)
                && sampleFieldValue(reply.section(',', 0, 0), value) && !reply.contains('"'))
                reading = sampleText(value, 8);
            else
                delayMs(channelMs.load());
        }
        // A silent channel is no reading of 0: the sample fails.
        if (reading.isEmpty()) {
            qDebug() << "159XA: channel" << channel << "gave no reading";
            return false;
        }
        readings << reading;
        delayMs(channelMs.load());
    }
    values = readings;
    return true;
}

// --- channel set-up and coefficients --------------------------------------------------------

QString Collection159XA::probeCommand(int number, const QString &parameter)
{
    return "INP:PROB:PAR " + probeName(number) + "," + parameter + "\r\n";
}

bool Collection159XA::probeParameters(const ChannelRecord &row, bool setup, QStringList &p)
{
    p.clear();
    if (setup && row.unit == ohm) {
        p << "TYPE,RES";
        if (row.type == thermistor)
            p << "NOM_CURR,0.01";
        else if (row.type == platinum)
            p << "NOM_CURR,1";
        return true;
    }
    if (row.type == thermistor) {
        if (row.function != "R(T)")
            return false;
        if (setup)
            p << "TYPE,THER" << "CONV,R_POLY" << "NOM_CURR,0.01";
        p << "B0," + scientific(row.a_c0) << "B1," + scientific(row.b_c1)
          << "B2," + scientific(row.c_c2) << "B3," + scientific(row.d_c3);
        return true;
    }
    if (row.type == platinum) {
        if (row.function == "ITS90") {
            if (setup)
                p << "TYPE,PRT" << "CONV,ITS_90" << "NOM_CURR,1";
            p << "RTPW," + fixed(row.r0_c4) << "A8," + scientific(row.a_c0)
              << "B8," + scientific(row.b_c1) << "C8," + scientific(row.c_c2)
              << "D8," + scientific(row.d_c3) << "A4," + scientific(row.a4_c5)
              << "B4," + scientific(row.b4_c6);
            return true;
        }
        if (row.function == "CVD") {
            if (setup)
                p << "TYPE,PRT" << "CONV,CVD_ABC";
            p << "R0," + fixed(row.r0_c4) << "A," + scientific(row.a_c0)
              << "B," + scientific(row.b_c1) << "C," + scientific(row.c_c2);
            return true;
        }
        return false;
    }
    return true;
}

bool Collection159XA::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    QString error;
    for (const ChannelRecord &row : qAsConst(rows)) {
        if (row.type != "空" && !checkCoefficientTexts(row, sentCoefficientTexts(row, true), error)) {
            qDebug() << "159XA:" << error;
            return false;
        }
    }
    delayMs(configureMs.load());
    QString code = "10";
    if (scanRate == "快速")
        code = "1";
    else if (scanRate == "中速")
        code = "2";
    else if (scanRate == "慢速")
        code = "5";
    if (!sendAll({"SENS:APER:SAMP " + code + "\r\n", QStringLiteral("SENS:APER[:DISP] 2\r\n")}))
        return false;

    QList<int> numbers;
    QStringList numberTexts;
    for (const ChannelRecord &row : qAsConst(rows)) {
        const int number = row.channelNumber.toInt();
        if (number < 1 || number > 14) {
            qDebug() << "159XA: no channel" << row.channelNumber;
            return false;
        }
        numbers << number;
        numberTexts << QString::number(number);
    }
    if (rows.isEmpty() || rows.size() > 13 || (rows.size() > 4 && numbers.first() == 1))
        return false;
    scannedChannels = numbers;
    if (!sendCommand("ROUTE:SCAN (@" + numberTexts.join(',') + ")\r\n"))
        return false;

    for (int i = 0; i < rows.size(); ++i) {
        const ChannelRecord &row = rows[i];
        if (row.type == "空" || curveUnset(row))
            continue;
        QStringList parameters;
        if (!probeParameters(row, true, parameters))
            return false;
        QStringList commands;
        for (const QString &parameter : qAsConst(parameters))
            commands << probeCommand(numbers[i], parameter);
        if (row.unit != ohm)
            commands << "CALC" + QString::number(numbers[i]) + ":TYPE TEMP\r\n";
        if (!sendAll(commands))
            return false;
    }
    delayMs(configureMs.load());
    return true;
}

bool Collection159XA::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    const int number = channel.channelNumber.toInt();
    if (number < 1 || number > 14)
        return false;
    QString error;
    QStringList parameters;
    if (!probeParameters(channel, false, parameters))
        return false;
    // Every coefficient goes out: each one given must be a number (an empty one is 0).
    if (!checkCoefficientTexts(channel, sentCoefficientTexts(channel, false), error)) {
        qDebug() << "159XA:" << error;
        return false;
    }
    QStringList commands;
    for (const QString &parameter : qAsConst(parameters))
        commands << probeCommand(number, parameter);
    return sendAll(commands);
}

bool Collection159XA::readChannelCoefficients(ChannelRecord &row)
{
    // The row changes only when every reply came and was a finite number.
    return readWhole(row, [this](ChannelRecord &copy) { return readCoefficientsInto(copy); });
}

bool Collection159XA::readCoefficientsInto(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    resetCoefficients(channel);
    const int number = channel.channelNumber.toInt();
    if (number < 1 || number > 14)
        return false;

    QList<QPair<QString, QString *>> queries;
    if (channel.type == thermistor) {
        if (channel.function != "R(T)")
            return false;
        queries = {{"B0?", &channel.a_c0}, {"B1?", &channel.b_c1}, {"B2?", &channel.c_c2},
                   {"B3?", &channel.d_c3}};
    } else if (channel.type == platinum && channel.function == "ITS90") {
        queries = {{"RTPW?", &channel.r0_c4}, {"A8?", &channel.a_c0}, {"B8?", &channel.b_c1},
                   {"C8?", &channel.c_c2},    {"D8?", &channel.d_c3}, {"A4?", &channel.a4_c5},
                   {"B4?", &channel.b4_c6}};
    } else if (channel.type == platinum && channel.function == "CVD") {
        queries = {{"R0?", &channel.r0_c4}, {"A?", &channel.a_c0}, {"B?", &channel.b_c1},
                   {"C?", &channel.c_c2}};
    } else if (channel.type == platinum) {
        return false;
    }
    for (const auto &query : qAsConst(queries)) {
        if (!sendCommand(probeCommand(number, query.first)))
            return false;
        QString reply;
        if (!readNumberReply(reply))
            return false;
        *query.second = reply;
    }
    return true;
}

// --- record files ---------------------------------------------------------------------------

bool Collection159XA::openRecordFile(QString, QList<ChannelRecord>) { return false; }

bool Collection159XA::readRecordAt(QDateTime, QStringList &values)
{
    values.clear();
    return false;
}

bool Collection159XA::closeRecordFile() { return closeRecord(); }

// --- instrument settings --------------------------------------------------------------------

QStringList Collection159XA::baudRateList() { return {"9600"}; }
QStringList Collection159XA::filterList() { return {"0"}; }
QList<bool> Collection159XA::settingMask() { return {false, false, false, false, false, false}; }

bool Collection159XA::readDeviceSettings(QString &serial, QString &version, QString &, QString &,
                                         QString &, QString &, QString &, QString &)
{
    QMutexLocker lock(&exchangeMutex);
    if (!queryIdentity(serial))
        return false;
    QString reply;
    if (!sendCommand(QStringLiteral("SYST:CODE:VERS?\r\n")) || !readReply(reply)
        || reply.isEmpty())
        return false;
    version = reply;
    return true;
}

bool Collection159XA::writeDeviceSettings(QString, QString, QString, QString, QString, QString,
                                          QString &message)
{
    message = tr("当前设备不支持设备设置。");
    return true;
}
