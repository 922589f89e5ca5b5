#include "FieldDry.h"

#include <cmath>

#include "Terms.h"

FieldDry::FieldDry()
{
    signalModes = QStringList{QStringLiteral("串口"), QStringLiteral("网络"), QStringLiteral("手动")};
    models = QStringList{QStringLiteral("KXDW-350H"), QStringLiteral("KXDW-660H")};
    bands = QStringList{QStringLiteral("0.2"), QStringLiteral("0.35")};
    otherBand = QStringLiteral("0.35");
    ranges = {{QStringLiteral("33"), QStringLiteral("350")},
              {QStringLiteral("50"), QStringLiteral("660")}};
}

bool FieldDry::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    if (connected)
        return false;
    if (signalMode == signalModes.at(2))
        return true;
    return openAndWait(signalMode, ipCom, portBaudRate);
}

void FieldDry::openLink(const QString &signalMode, const QString &address, int number)
{
    if (signalMode == QStringLiteral("串口"))
        openSerial(address, number);
    else if (signalMode == QStringLiteral("网络"))
        openTcp(address, number);
}

bool FieldDry::readSerialNumber(QString &serial)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!sendCommand(QStringLiteral("*IDN?\r\n")))
            return false;
        if (readReply(serial) && serial.startsWith(QStringLiteral("BRELK-ELEC"))) {
            serial.chop(2);
            return true;
        }
    }
    return false;
}

bool FieldDry::startOutput()
{
    delayMs(500);
    if (!sendCommand(QStringLiteral("OUTP:STAT 1\r\n")))
        return false;
    return sendCommand(QStringLiteral("u C\r\n"));
}

QString FieldDry::temperatureQuery() const
{
    return QStringLiteral("t\r\n");
}

QString FieldDryR::temperatureQuery() const
{
    return QStringLiteral("READ?\r\n");
}

bool FieldDry::readTemperature(double &t)
{
    QString reply;
    if (!sendCommand(temperatureQuery()) || !readReply(reply))
        return false;
    // A reply that is not a number is a failed read, never 0 °C.
    return replyNumber(cleanedReply(reply), t);
}

bool FieldDry::setTemperature(double t)
{
    if (!std::isfinite(t))
        return false;
    const QString value = QString::number(t, 'f', 2);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!sendCommand(QStringLiteral("s ") + value + QStringLiteral("\r\n")))
            return false;
        delayMs(500);
        if (!sendCommand(QStringLiteral("s\r\n")))
            return false;
        QString reply;
        double readBack = 0.0;
        if (readReply(reply) && replyNumber(cleanedReply(reply), readBack)
            && readBack == value.toDouble())
            return true;
    }
    return false;
}

bool FieldDry::isStable(bool &stable)
{
    QString reply;
    if (!sendCommand(QStringLiteral("SOUR1:STAB:TEST?\r\n")) || !readReply(reply))
        return false;
    const QString answer = cleanedReply(reply);
    double flag = 0.0;
    if (!replyNumber(answer, flag))
        return false;
    stable = answer != QStringLiteral("0");
    return true;
}
