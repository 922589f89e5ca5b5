// Collection1586A: writing a channel configuration into the scanner and exchanging the curve
// coefficients of single channels.

#include "Collection1586A.h"

#include <QDebug>
#include <QMutexLocker>
#include <QSet>

#include <cmath>

namespace {

// A gain of -1000 marks a channel without correction.
bool withoutCorrection(float gain)
{
    return std::fabs(gain + 1000.0f) < 0.0005f;
}

// A coefficient as the instrument takes it: the row's text, "0" when it is empty (texts that
// are not numbers are refused before anything is sent).
QString coefficient(const QString &text)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    trimmed.toDouble(&ok);
    return ok ? trimmed : QStringLiteral("0");
}

QString joined(std::initializer_list<QString> texts)
{
    QString out;
    for (const QString &t : texts)
        out += coefficient(t) + ",";
    return out;
}

QString fourValues(const ChannelRecord &r) { return joined({r.a_c0, r.b_c1, r.c_c2, r.d_c3}); }
QString threeValues(const ChannelRecord &r) { return joined({r.a_c0, r.b_c1, r.c_c2}); }
QString highOrder(const ChannelRecord &r) { return joined({r.r0_c4, r.a4_c5, r.b4_c6}); }
QString lowRange(const ChannelRecord &r) { return joined({r.a4_c5, r.b4_c6}); }

const QString thermocouple = QStringLiteral("热电偶");
const QString thermistor = QStringLiteral("热敏电阻");
const QString platinum = QStringLiteral("铂电阻");
const QString resistance = QStringLiteral("电阻");

// A thermistor or platinum row of unit "Ohm" (the calibration set-up's raw resistance) is
// measured as a resistance on the automatic range, without the temperature curve; any other
// row as it stands.
ChannelRecord measuredRow(const ChannelRecord &row)
{
    if ((row.type != thermistor && row.type != platinum) || row.unit != QStringLiteral("Ohm"))
        return row;
    ChannelRecord raw = row;
    raw.type = resistance;
    raw.function = QStringLiteral("自动");
    return raw;
}

} // namespace

QString Collection1586A::commandPrefix(const QString &type, const QString &wireMode)
{
    if (type == thermocouple)
        return "TEMP:TC:";
    if (type == "直流电压")
        return "VOLT:RANG";
    if (type == "交流电压")
        return "VOLT:AC:RANG";
    if (type == "直流电流")
        return "CURR:RANG";
    if (type == "交流电流")
        return "CURR:AC:RANG";
    const bool two = wireMode == "二线制";
    const bool three = wireMode == "三线制";
    const bool four = wireMode == "四线制";
    if (type == thermistor)
        return two ? "TEMP:THER:" : four ? "TEMP:FTH:" : "";
    if (type == platinum)
        return two ? "TEMP:RTD:" : three ? "TEMP:TRTD:" : four ? "TEMP:FRTD:" : "";
    if (type == "电阻")
        return two ? "RES:RANG" : four ? "FRES:RANG" : "";
    return {};
}

QString Collection1586A::curveWord(const QString &function)
{
    if (function == "PT385")
        return "A385";
    if (function == "PT392")
        return "A392";
    if (function == "CVD")
        return "ABC";
    if (function == "ITS90")
        return "SPRT";
    return {};
}

QString Collection1586A::rangeArgument(const QString &type, const QString &function)
{
    if (function == "自动")
        return ":AUTO ON,";
    if (type == "直流电压" || type == "交流电压") {
        static const QHash<QString, QString> voltage{
            {"100mV", " 0.1,"}, {"1V", " 1,"},     {"10V", " 10,"},
            {"50V", " 50,"},    {"100V", " 100,"}, {"150V", " 150,"}};
        return voltage.value(function);
    }
    if (type == "直流电流" || type == "交流电流") {
        static const QHash<QString, QString> current{
            {"100μA", " 1e-04,"}, {"1mA", " 1e-03,"}, {"10mA", " 1e-02,"}, {"100mA", " 1e-01,"}};
        return current.value(function);
    }
    if (type == "电阻") {
        static const QHash<QString, QString> resistance{
            {"100Ω", " 1e+02,"}, {"1kΩ", " 1e+03,"}, {"10kΩ", " 1e+04,"},
            {"100kΩ", " 1e+05,"}, {"1MΩ", " 1e+06,"}, {"10MΩ", " 1e+07,"}};
        return resistance.value(function);
    }
    return {};
}

QStringList Collection1586A::rtdCurveCommands(const ChannelRecord &row)
{
    const QString prefix = commandPrefix(platinum, row.wireMode);
    const QString word = curveWord(row.function);
    QStringList commands{prefix + "TYPE " + word + ","};
    if (row.function == "PT385" || row.function == "PT392" || row.function == "CVD")
        commands << prefix + word + ":RZER " + coefficient(row.r0_c4) + ",";
    if (row.function == "CVD")
        commands << prefix + word + ":COEF " + threeValues(row);
    if (row.function == "ITS90") {
        commands << prefix + word + ":RTPW " + coefficient(row.r0_c4) + ","
                 << prefix + word + ":COEF:HIGH " + fourValues(row)
                 << prefix + word + ":COEF:LOW " + lowRange(row);
    }
    return commands;
}

bool Collection1586A::sendChannelCommands(const QStringList &commands, const QString &channel)
{
    const QString suffix = "(@" + channel + ")\r\n";
    for (const QString &command : commands) {
        if (!sendCommand(command + suffix))
            return false;
    }
    return true;
}

bool Collection1586A::setRate(QString scanRate)
{
    QMutexLocker lock(&exchangeMutex);
    return sendCommand("RATE " + rateWord(scanRate) + "\r\n");
}

bool Collection1586A::configureChannels(QString scanRate, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    scannedChannels = -1;
    lastSetupRefusal.clear();
    if (!sendCommand(QStringLiteral("*RST\r\n")))
        return false;
    if (!setRate(scanRate))
        return false;
    QSet<QString> switchedOn;
    for (const ChannelRecord &row : rows) {
        if (row.type == "空")
            continue;
        if (!configureChannel(row))
            return false;
        switchedOn.insert(row.channelNumber);
    }
    scannedChannels = switchedOn.size();
    return true;
}

QStringList Collection1586A::sentCoefficientTexts(const ChannelRecord &row)
{
    const QString &f = row.function;
    const QStringList four{row.a_c0, row.b_c1, row.c_c2, row.d_c3};
    if (row.type == thermocouple) {
        if (f == "S" || f == "R")
            return four;
        if (f == "POLY")
            return four + QStringList{row.r0_c4, row.a4_c5, row.b4_c6};
    } else if (row.type == thermistor) {
        if (f == "R(T)")
            return four;
    } else if (row.type == platinum) {
        if (f == "PT385" || f == "PT392")
            return {row.r0_c4};
        if (f == "CVD")
            return {row.r0_c4, row.a_c0, row.b_c1, row.c_c2};
        if (f == "ITS90")
            return four + QStringList{row.r0_c4, row.a4_c5, row.b4_c6};
    }
    return {};
}

bool Collection1586A::checkSetupTexts(const ChannelRecord &row, QString &error)
{
    const ChannelRecord measured = measuredRow(row);
    if (measured.type != row.type && commandPrefix(resistance, row.wireMode).isEmpty()) {
        // The scanner reads a resistance with two or four wires only.
        error = row.channelNumber
                + (row.wireMode == "三线制" ? tr(":三线制不能测量电阻！") : tr(":接线线制错误！"));
        return false;
    }
    if (!checkCoefficientTexts(measured, sentCoefficientTexts(measured), error,
                               !withoutCorrection(row.mxbM)))
        return false;
    if (row.type == thermocouple && row.channelNumber != "001"
        && compensationModes.indexOf(row.compensation) == 1 && !isNumberText(row.coldJunction)) {
        error = row.channelNumber + tr(":固定冷端温度不是数字！");
        return false;
    }
    return true;
}

bool Collection1586A::configureChannel(ChannelRecord row)
{
    QMutexLocker lock(&exchangeMutex);
    QString error;
    if (!checkSetupTexts(row, error)) {
        qDebug() << "1586A:" << error;
        lastSetupRefusal = error;
        return false;
    }
    row = measuredRow(row);
    if (row.unit == "℉") {
        if (!sendCommand(QStringLiteral("UNIT:TEMP F\r\n")))
            return false;
    } else if (row.unit == "℃") {
        if (!sendCommand(QStringLiteral("UNIT:TEMP C\r\n")))
            return false;
    }

    const QString prefix = commandPrefix(row.type, row.wireMode);
    QStringList commands{"ROUT:CHAN:STAT ON,"};
    if (row.type == thermocouple) {
        commands << prefix + "TYPE " + row.function + ",";
        if (row.function == "S" || row.function == "R")
            commands << prefix + row.function + ":COEF " + fourValues(row);
        else if (row.function == "POLY")
            commands << prefix + "POLY:COEF " + fourValues(row) + highOrder(row);
        if (row.channelNumber != "001") {
            const int mode = compensationModes.indexOf(row.compensation);
            if (mode == 0) {
                commands << "TEMP:TC:RJUN:TYPE INT,";
            } else if (mode == 1) {
                // A fixed cold junction at the configuration's temperature (checked above).
                commands << "TEMP:TC:RJUN:TYPE FIX,"
                         << "TEMP:TC:RJUN " + row.coldJunction.trimmed() + ",";
            }
        }
    } else if (row.type == thermistor) {
        if (row.function == "2.252kΩ")
            commands << prefix + "TYPE R2K2,";
        else if (row.function == "5kΩ")
            commands << prefix + "TYPE R5K,";
        else if (row.function == "10kΩ")
            commands << prefix + "TYPE R10K,";
        else if (row.function == "R(T)")
            commands << prefix + "TYPE RPOL," << prefix + "RPOL:COEF " + fourValues(row);
    } else if (row.type == platinum) {
        commands << rtdCurveCommands(row);
    } else if (row.type == "直流电压" || row.type == "交流电压" || row.type == "直流电流"
               || row.type == "交流电流" || row.type == resistance) {
        const QString argument = rangeArgument(row.type, row.function);
        if (!argument.isEmpty())
            commands << prefix + argument;
    } else if (row.type == "频率") {
        commands << "CONF:FREQ";
    }

    if (!withoutCorrection(row.mxbM)) {
        commands << "CALC:SCAL:STAT ON,"
                 << "CALC:SCAL:GAIN " + QString::number(double(row.mxbM), 'g', 6) + ","
                 << "CALC:SCAL:OFFS " + QString::number(double(row.mxbB), 'g', 6) + ",";
    }
    return sendChannelCommands(commands, row.channelNumber);
}

bool Collection1586A::writeChannelCoefficients(ChannelRecord channel)
{
    QMutexLocker lock(&exchangeMutex);
    QStringList commands;
    if (channel.type == thermistor && channel.function == "R(T)")
        commands << commandPrefix(thermistor, channel.wireMode) + "RPOL:COEF " + fourValues(channel);
    else if (channel.type == platinum)
        commands = rtdCurveCommands(channel);
    QString error;
    if (!commands.isEmpty() && !checkCoefficientTexts(channel, sentCoefficientTexts(channel), error)) {
        qDebug() << "1586A:" << error;
        return false;
    }
    return sendChannelCommands(commands, channel.channelNumber);
}

bool Collection1586A::queryChannel(const QString &query, const QString &channel, QString &reply)
{
    // A coefficient reply has the budget of one reply read; its last complete line counts.
    if (!sendCommand(query + "(@" + channel + ")\r\n"))
        return false;
    return readReplyLine(reply, 300 * 10);
}

bool Collection1586A::queryCoefficients(const QString &query, const QString &channel,
                                        std::initializer_list<QString *> fields)
{
    QString reply;
    if (!queryChannel(query, channel, reply))
        return false;
    const QStringList parts = reply.split(',', Qt::KeepEmptyParts);
    if (parts.size() != int(fields.size()))
        return false;
    for (const QString &part : parts) {
        if (!isNumberText(part)) {
            qDebug() << "1586A: coefficient reply is not a number:" << reply;
            return false;
        }
    }
    int i = 0;
    for (QString *field : fields)
        *field = parts[i++];
    return true;
}

bool Collection1586A::readChannelCoefficients(ChannelRecord &row)
{
    // The row changes only when every query succeeded.
    return readWhole(row, [this](ChannelRecord &copy) { return readCoefficientsInto(copy); });
}

bool Collection1586A::readCoefficientsInto(ChannelRecord &channel)
{
    QMutexLocker lock(&exchangeMutex);
    resetCoefficients(channel);

    if (channel.type == thermistor) {
        if (channel.function != "R(T)")
            return false;
        const QString prefix = commandPrefix(thermistor, channel.wireMode);
        return queryCoefficients(prefix + "RPOL:COEF?", channel.channelNumber,
                                 {&channel.a_c0, &channel.b_c1, &channel.c_c2, &channel.d_c3});
    }
    if (channel.type != platinum)
        return true;

    const QString prefix = commandPrefix(platinum, channel.wireMode);
    const QString word = curveWord(channel.function);
    const QString &number = channel.channelNumber;
    if (channel.function == "PT385" || channel.function == "PT392" || channel.function == "CVD") {
        if (!queryCoefficients(prefix + word + ":RZER?", number, {&channel.r0_c4}))
            return false;
    }
    if (channel.function == "CVD") {
        if (!queryCoefficients(prefix + word + ":COEF?", number,
                               {&channel.a_c0, &channel.b_c1, &channel.c_c2}))
            return false;
    }
    if (channel.function == "ITS90") {
        if (!queryCoefficients(prefix + word + ":RTPW?", number, {&channel.r0_c4}))
            return false;
        if (!queryCoefficients(prefix + word + ":COEF:HIGH?", number,
                               {&channel.a_c0, &channel.b_c1, &channel.c_c2, &channel.d_c3}))
            return false;
        if (!queryCoefficients(prefix + word + ":COEF:LOW?", number,
                               {&channel.a4_c5, &channel.b4_c6}))
            return false;
    }
    return true;
}
