#include "OrvexCommandSet.h"

#include "Comm.h"
#include "Terms.h"

#include <QDebug>
#include <QLocale>
#include <QMutexLocker>

namespace {

const QString setOkReply = QStringLiteral("SET OK");
const QString unused = QStringLiteral("空");

QString oneChannel(int index)
{
    return "(@" + QString::number(index) + ")\r\n";
}

QString gainText(float value)
{
    return QString::number(double(value), 'g', 6);
}

QString coefficientWire(double value)
{
    return QString::number(value, 'e', 10);
}

QString ntcTypeCode(const ChannelRecord &row)
{
    static const QStringList words{"R(T)", "2.252kΩ", "5kΩ", "10kΩ"};
    if (row.function == "T(R)")
        return "5";
    const int i = words.indexOf(row.function);
    return QString::number(i < 0 ? 4 : i);
}

QString rtdTypeCode(const ChannelRecord &row)
{
    static const QStringList words{"PT", "CVD", "ITS90", "PT385", "PT392"};
    return QString::number(qMax(0, words.indexOf(row.function)));
}

QString rangeCode(const ChannelRecord &row)
{
    static const QStringList zero{"℃", "Pa", "KPa", "%RH"};
    return zero.contains(row.unit) ? "0" : "1";
}

QString wiringCode(const ChannelRecord &row)
{
    if (row.wireMode == "二线制")
        return "2";
    if (row.wireMode == "三线制")
        return "3";
    return "4";
}

} // namespace

OrvexCommandSet::OrvexCommandSet(QObject *parent) : Collection(parent)
{
    connected = false;
}

OrvexCommandSet::~OrvexCommandSet()
{
    if (recordFile.isOpen())
        recordFile.close();
}

// --- link operations ------------------------------------------------------------------------

bool OrvexCommandSet::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    QMutexLocker lock(&exchangeMutex);
    if (!openLink(signalMode, ipCom, portBaudRate, 40, 100))
        return false;
    if (setKeyLock(true))
        return connected;
    emit Close_signals();
    return false;
}

bool OrvexCommandSet::close()
{
    QMutexLocker lock(&exchangeMutex);
    setKeyLock(false);
    return closeLink(40, 100);
}

bool OrvexCommandSet::readReply(QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    return readReplyLine(reply, replyBudgetMs.load());
}

bool OrvexCommandSet::sendCommand(QString command)
{
    QMutexLocker lock(&exchangeMutex);
    return sendText(command, 0);
}

bool OrvexCommandSet::readSerialNumber(QString &serial)
{
    return queryIdentity(serial);
}

QStringList OrvexCommandSet::signalModeList() { return {"串口", "网络"}; }

double OrvexCommandSet::minScanInterval(QString scanRate, QList<ChannelRecord>)
{
    return rateScanInterval(scanRate);
}

bool OrvexCommandSet::setDeviceTime(QDateTime time)
{
    return setOk("SYST:DATE " + time.toString("yyyy,MM,dd,hh,mm,ss") + "\r\n");
}

bool OrvexCommandSet::setScanInterval(double, int) { return true; }

bool OrvexCommandSet::requestValues()
{
    return sendCommand(QStringLiteral("DATA:OFFS?\r\n"));
}

QStringList OrvexCommandSet::baudRateList()
{
    return {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
}

QStringList OrvexCommandSet::filterList() { return sharedFilterList(); }

QList<bool> OrvexCommandSet::settingMask() { return {false, true, true, true, true, true}; }

void OrvexCommandSet::setReplyBudgets(int replyMs, int sampleMs)
{
    replyBudgetMs = qMax(10, replyMs);
    sampleBudgetMs = qMax(10, sampleMs);
}

void OrvexCommandSet::setFixedWaits(int switchOnMs, int settingMs)
{
    switchOnWaitMs = qMax(0, switchOnMs);
    settingWaitMs = qMax(0, settingMs);
}

int OrvexCommandSet::linkKind() const
{
    return comm ? comm->transportKind() : Comm::None;
}

bool OrvexCommandSet::fetchSample(bool convertUnits, QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    QString reply;
    if (!readReplyLine(reply, sampleBudgetMs.load()))
        return false;
    return sampleValues(reply, convertUnits, values);
}

bool OrvexCommandSet::checkSetOkChannels(const QList<ChannelRecord> &rows, QString &error)
{
    QList<int> numbers;
    for (const QString &number : channelNumberList(0))
        numbers << number.toInt();
    return checkChannelTable(rows, numbers, error, [this](const ChannelRecord &row, QString &e) {
        return checkSetupTexts(row, e);
    });
}

bool OrvexCommandSet::readSettings(bool withFilter, QString &serial, QString &version,
                                   QString &address, QString &baudRate, QString &ip,
                                   QString &mask, QString &port, QString &filter)
{
    QMutexLocker lock(&exchangeMutex);
    address = "01";
    if (!queryIdentity(serial) || !querySoftwareEdition(version) || !queryBaudRate(baudRate)
        || !queryNetwork(ip, mask, port))
        return false;
    return !withFilter || query(QStringLiteral("SYST:FILTERING?\r\n"), filter);
}

bool OrvexCommandSet::writeSettings(bool withFilter, const QString &baudRate, const QString &ip,
                                    const QString &mask, const QString &port,
                                    const QString &filter)
{
    QMutexLocker lock(&exchangeMutex);
    if (withFilter && !setOk("SYST:FILTERING " + filter + "\r\n"))
        return false;
    // The setting that carries the link in use changes last.
    if (linkKind() == Comm::Serial)
        return setNetwork(ip, mask, port) && setBaudRate(baudRate);
    return setBaudRate(baudRate) && setNetwork(ip, mask, port);
}

// --- exchanges ------------------------------------------------------------------------------

bool OrvexCommandSet::query(const QString &command, QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    return sendCommand(command) && readReply(reply);
}

bool OrvexCommandSet::setOk(const QString &command)
{
    QString reply;
    return query(command, reply) && reply == setOkReply;
}

bool OrvexCommandSet::queryNumbers(const QString &command, std::initializer_list<double *> fields)
{
    QString reply;
    if (!query(command, reply))
        return false;
    const QStringList parts = reply.split(',', Qt::KeepEmptyParts);
    if (parts.size() != int(fields.size()))
        return false;
    for (const QString &part : parts) {
        if (!isNumberText(part)) {
            qDebug() << "回复不是数字：" << command.trimmed() << reply;
            return false;
        }
    }
    int i = 0;
    for (double *field : fields)
        *field = parts[i++].trimmed().toDouble();
    return true;
}

// --- queries --------------------------------------------------------------------------------

bool OrvexCommandSet::queryIdentity(QString &identity)
{
    return query(QStringLiteral("*IDN?\r\n"), identity);
}

bool OrvexCommandSet::querySoftwareEdition(QString &version)
{
    return query(QStringLiteral("EDITION:SOFT?\r\n"), version);
}

bool OrvexCommandSet::queryBaudRate(QString &baud)
{
    return query(QStringLiteral("SYST:COMM:BAND?\r\n"), baud);
}

bool OrvexCommandSet::queryNetwork(QString &address, QString &mask, QString &gateway)
{
    QString reply;
    if (!query(QStringLiteral("SYST:NET:IP?\r\n"), reply))
        return false;
    const QStringList parts = reply.split(';', Qt::KeepEmptyParts);
    if (parts.size() != 3)
        return false;
    address = parts[0];
    mask = parts[1];
    gateway = parts[2];
    return true;
}

bool OrvexCommandSet::queryScale(int index, float &gain, float &offset)
{
    QMutexLocker lock(&exchangeMutex);
    double number = 0.0;
    if (!queryNumbers("CALC:SCAL:GAIN?" + oneChannel(index), {&number}))
        return false;
    gain = float(number);
    if (!queryNumbers("CALC:SCAL:OFFS?" + oneChannel(index), {&number}))
        return false;
    offset = float(number);
    return true;
}

bool OrvexCommandSet::queryNtcCoefficients(int index, double &a, double &b, double &c, double &d)
{
    return queryNumbers("TEMP:NTC:COEF?" + oneChannel(index), {&a, &b, &c, &d});
}

bool OrvexCommandSet::queryRtdCoefficients(int index, double &r0, double &a, double &b,
                                           double &c, double &a4, double &b4)
{
    return queryNumbers("TEMP:RTD:COEF?" + oneChannel(index), {&r0, &a, &b, &c, &a4, &b4});
}

bool OrvexCommandSet::queryValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    QString reply;
    if (!query(QStringLiteral("DATA:OFFS?\r\n"), reply))
        return false;
    return sampleValues(reply, true, values);
}

bool OrvexCommandSet::sampleValues(const QString &reply, bool convertUnits, QStringList &values)
{
    values.clear();
    const QStringList parts = reply.split(',', Qt::KeepEmptyParts);
    if (parts.size() != configuredChannels.size())
        return false;
    QStringList converted;
    for (int i = 0; i < parts.size(); ++i) {
        double value = 0.0;
        if (!sampleFieldValue(parts[i], value)) {
            qDebug() << "采样值不是数字：" << parts[i] << "通道" << configuredChannels[i].channelNumber;
            return false;
        }
        if (convertUnits && configuredChannels[i].unit == "V")
            value /= 1000.0;
        else if (convertUnits && configuredChannels[i].unit == "Pa")
            value *= 1000.0;
        converted << sampleText(value, 6);
    }
    values = converted;
    return true;
}

// --- setters --------------------------------------------------------------------------------

bool OrvexCommandSet::resetDevice()
{
    return setOk(QStringLiteral("*RST\r\n"));
}

bool OrvexCommandSet::setKeyLock(bool locked)
{
    return setOk(QStringLiteral("SYST:KLOC ") + (locked ? "1" : "0") + "\r\n");
}

bool OrvexCommandSet::setRate(QString speed)
{
    return setOk("RATE " + rateWord(speed) + "\r\n");
}

bool OrvexCommandSet::setBaudRate(QString baud)
{
    QMutexLocker lock(&exchangeMutex);
    if (!sendCommand("SYST:COMM:BAND " + baud + "\r\n"))
        return false;
    if (linkKind() == Comm::Serial)
        return true;   // the reply would come at the new speed
    QString reply;
    return readReply(reply) && reply == setOkReply;
}

bool OrvexCommandSet::setNetwork(QString address, QString mask, QString gateway)
{
    QMutexLocker lock(&exchangeMutex);
    const QString wanted = address + ";" + mask + ";" + gateway;
    QString reply;
    if (!query(QStringLiteral("SYST:NET:IP?\r\n"), reply))
        return false;
    if (reply == wanted)
        return true;
    if (!sendCommand("SYST:NET:IP " + wanted + "\r\n"))
        return false;
    if (linkKind() == Comm::Tcp)
        return true;   // the reply would come at the new address
    return readReply(reply) && reply == setOkReply;
}

QString OrvexCommandSet::channelList(const QList<ChannelRecord> &rows)
{
    QStringList numbers;
    for (const ChannelRecord &row : rows)
        numbers << row.channelNumber;
    return "(@" + numbers.join(',') + ")";
}

bool OrvexCommandSet::setCodes(const QString &header, const QList<ChannelRecord> &rows,
                               QString (*code)(const ChannelRecord &row))
{
    if (rows.isEmpty())
        return false;
    QStringList codes;
    for (const ChannelRecord &row : rows)
        codes << code(row);
    return setOk(header + codes.join(',') + "," + channelList(rows) + "\r\n");
}

bool OrvexCommandSet::setChannelStates(const QList<ChannelRecord> &rows)
{
    QStringList on;
    for (int i = 0; i < rows.size(); ++i)
        on << "1";
    if (!setOk("ROUT:CHAN:STAT " + on.join(',') + "," + channelList(rows) + "\r\n"))
        return false;
    delayMs(switchOnWaitMs.load());
    return true;
}

bool OrvexCommandSet::setNtcType(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:NTC:TYPE ", rows, ntcTypeCode);
}

bool OrvexCommandSet::setRtdType(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:RTD:TYPE ", rows, rtdTypeCode);
}

bool OrvexCommandSet::setNtcRange(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:NTC:RES ", rows, rangeCode);
}

bool OrvexCommandSet::setRtdRange(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:RTD:RES ", rows, rangeCode);
}

bool OrvexCommandSet::setTcVoltageRange(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:TC:VOLT ", rows, rangeCode);
}

bool OrvexCommandSet::setWiring(const QList<ChannelRecord> &rows)
{
    return setCodes("WIRE ", rows, wiringCode);
}

bool OrvexCommandSet::setTcType(const QList<ChannelRecord> &rows)
{
    if (rows.isEmpty())
        return false;
    return setOk("TEMP:TC:TYPE " + rows.first().function + "\r\n");
}

bool OrvexCommandSet::setScale(const QList<ChannelRecord> &rows)
{
    QMutexLocker lock(&exchangeMutex);
    QList<ChannelRecord> kept;
    QStringList gains, offsets;
    for (const ChannelRecord &row : rows) {
        if (!carriesCorrection(row))
            continue;
        kept << row;
        gains << gainText(row.mxbM);
        offsets << gainText(row.mxbB);
    }
    if (kept.isEmpty())
        return true;
    if (!setOk("CALC:SCAL:GAIN " + gains.join(',') + "," + channelList(kept) + "\r\n"))
        return false;
    delayMs(settingWaitMs.load());
    return setOk("CALC:SCAL:OFFS " + offsets.join(',') + "," + channelList(kept) + "\r\n");
}

bool OrvexCommandSet::setNtcCoefficients(int index, double a, double b, double c, double d)
{
    const QStringList values{coefficientWire(a), coefficientWire(b), coefficientWire(c),
                             coefficientWire(d)};
    return setOk("TEMP:NTC:COEF " + values.join(',') + "," + oneChannel(index));
}

bool OrvexCommandSet::setRtdCoefficients(int index, double r0, double a, double b, double c,
                                         double a4, double b4)
{
    const QStringList values{coefficientWire(r0), coefficientWire(a),  coefficientWire(b),
                             coefficientWire(c),  coefficientWire(a4), coefficientWire(b4)};
    return setOk("TEMP:RTD:COEF " + values.join(',') + "," + oneChannel(index));
}

// --- channel rows and coefficient texts -----------------------------------------------------

QString OrvexCommandSet::channelIndex(const QString &channelNumber)
{
    return QString::number(channelNumber.toInt() - 100);
}

QList<ChannelRecord> OrvexCommandSet::indexedRows(QList<ChannelRecord> rows)
{
    for (ChannelRecord &row : rows)
        row.channelNumber = channelIndex(row.channelNumber);
    return rows;
}

bool OrvexCommandSet::coefficientUnset(const QString &text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    return trimmed.isEmpty() || (ok && value == 0.0);
}

QList<bool> OrvexCommandSet::coefficientFlags(std::initializer_list<int> indices)
{
    QList<bool> mask{false, false, false, false, false, false, false, true, true};
    for (int i : indices)
        mask[i] = true;
    return mask;
}

QString OrvexCommandSet::coefficientText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// --- operations built on the commands -------------------------------------------------------

bool OrvexCommandSet::readDeviceSettings(QString &serial, QString &version, QString &address,
                                         QString &baudRate, QString &ip, QString &mask,
                                         QString &port, QString &filter)
{
    return readSettings(settingMask().value(5), serial, version, address, baudRate, ip, mask,
                        port, filter);
}

bool OrvexCommandSet::writeDeviceSettings(QString, QString baudRate, QString ip, QString mask,
                                          QString port, QString filter, QString &message)
{
    const bool ok = writeSettings(true, baudRate, ip, mask, port, filter);
    message = ok ? tr("设置成功,请断开连接重连。") : tr("设置失败。");
    return ok;
}

QStringList OrvexCommandSet::curveCoefficients(const ChannelRecord &row, bool whenSet)
{
    if (row.type == "热敏电阻" && !(whenSet && coefficientUnset(row.a_c0)))
        return {row.a_c0, row.b_c1, row.c_c2, row.d_c3};
    if (row.type == "铂电阻" && !(whenSet && coefficientUnset(row.r0_c4)))
        return {row.r0_c4, row.a_c0, row.b_c1, row.c_c2, row.a4_c5, row.b4_c6};
    return {};
}

bool OrvexCommandSet::sendCurveCoefficients(int index, const QStringList &texts)
{
    QList<double> n;
    for (const QString &text : texts)
        n << text.trimmed().toDouble();   // checked before: a number, or empty for 0
    if (n.size() == 4)
        return setNtcCoefficients(index, n[0], n[1], n[2], n[3]);
    if (n.size() == 6)
        return setRtdCoefficients(index, n[0], n[1], n[2], n[3], n[4], n[5]);
    return true;
}

bool OrvexCommandSet::checkSetupTexts(const ChannelRecord &row, QString &error)
{
    if (row.type == unused)
        return true;
    const QStringList texts = sendsCoefficients ? curveCoefficients(row, true) : QStringList();
    return checkCoefficientTexts(row, texts, error, carriesCorrection(row));
}

bool OrvexCommandSet::carriesCorrection(const ChannelRecord &row)
{
    return row.type != unused && row.mxbM != -1000.0f;
}

bool OrvexCommandSet::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    lastSetupRefusal.clear();
    for (const ChannelRecord &row : rows) {
        QString error;
        if (!checkSetupTexts(row, error)) {
            qDebug() << error;
            lastSetupRefusal = error;
            return false;
        }
    }
    if (!resetDevice() || rows.isEmpty())
        return false;
    configuredChannels = indexedRows(rows);
    if (sendsRate && !setRate(scanRate))
        return false;
    if (!sendChannelSetup(configuredChannels))
        return false;
    for (int i = 0; i < configuredChannels.size(); ++i) {
        const ChannelRecord &row = configuredChannels[i];
        if (row.type == unused)
            continue;
        if (selectsCurvePerRow && !selectCurve(row))
            return false;
        const QStringList coefficients = sendsCoefficients ? curveCoefficients(row, true) : QStringList();
        if (!sendCurveCoefficients(row.channelNumber.toInt(), coefficients))
            return false;
    }
    return setChannelStates(configuredChannels);
}

bool OrvexCommandSet::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    const QStringList coefficients = curveCoefficients(channel, false);
    QString error;
    if (!channelNumberList(0).contains(channel.channelNumber)
        || !checkCoefficientTexts(channel, coefficients, error, carriesCorrection(channel))) {
        qDebug() << error;
        return false;
    }
    channel.channelNumber = channelIndex(channel.channelNumber);
    return selectCurve(channel) && sendCurveCoefficients(channel.channelNumber.toInt(), coefficients)
        && setScale({channel});
}

bool OrvexCommandSet::readChannelCoefficients(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    if (!channelNumberList(0).contains(channel.channelNumber))
        return false;
    ChannelRecord indexed = channel;
    indexed.channelNumber = channelIndex(channel.channelNumber);
    const int index = indexed.channelNumber.toInt();
    if (!selectCurve(indexed))
        return false;
    // A, B, C, D, R0, A4, B4 in the order of the record's texts.
    double c[7] = {0, 0, 0, 0, 0, 0, 0};
    if (channel.type == "热敏电阻" && !queryNtcCoefficients(index, c[0], c[1], c[2], c[3]))
        return false;
    if (channel.type == "铂电阻"
        && !queryRtdCoefficients(index, c[4], c[0], c[1], c[2], c[5], c[6]))
        return false;
    float gain = 0.0f, offset = 0.0f;
    if (!queryScale(index, gain, offset))
        return false;
    QString *texts[7] = {&channel.a_c0, &channel.b_c1, &channel.c_c2, &channel.d_c3,
                         &channel.r0_c4, &channel.a4_c5, &channel.b4_c6};
    for (int i = 0; i < 7; ++i)
        *texts[i] = coefficientText(c[i]);
    channel.mxbM = gain;
    channel.mxbB = offset;
    return true;
}

// --- record files ---------------------------------------------------------------------------

bool OrvexCommandSet::openRecordFile(QString path, QList<ChannelRecord> rows)
{
    QStringList heading;
    if (!recordReader.open(path) || !recordReader.readFields(heading) || heading.size() < 3
        || !heading[0].startsWith("Record") || !heading[1].startsWith("Time"))
        return recordReader.refuse();
    // "Ch<index>(unit)" is the column of channel number recordChannel(index).
    QStringList channels{QString(), QString()};
    for (int i = 2; i < heading.size(); ++i) {
        bool isIndex = false;
        const int index = heading[i].mid(2).section('(', 0, 0).toInt(&isIndex);
        channels << (heading[i].startsWith("Ch") && isIndex ? QString::number(recordChannel(index))
                                                            : QString());
    }
    QStringList wanted;
    for (const ChannelRecord &row : rows) {
        bool isNumber = false;
        const int number = row.channelNumber.toInt(&isNumber);
        wanted << (isNumber ? QString::number(number) : QString());
    }
    return recordReader.selectColumns(channels, wanted) || recordReader.refuse();
}

int OrvexCommandSet::recordChannel(int index)
{
    return index + 100;
}

bool OrvexCommandSet::readRecordAt(QDateTime time, QStringList &values)
{
    return recordReader.readAt(time, values, recordLayout());
}

bool OrvexCommandSet::closeRecordFile() { return closeRecord(); }

RecordLayout OrvexCommandSet::recordLayout()
{
    // A record up to 999 ms before the time asked for, or up to 1000 ms after it; a later one
    // is kept for the next call, so a gap in the recording fails only the times inside it.
    // Knowing the import's step, up to one step after it, within the instruments' 1000 s (whole
    // seconds).
    RecordLayout layout;
    layout.earlyMs = 999;
    layout.lateMs = 1000;
    layout.stepCapMs = 1000 * 1000 + 999;
    layout.longerRecords = true;
    return layout;
}
