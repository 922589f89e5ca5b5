#include "FieldTank.h"

#include <cmath>

#include "Terms.h"

namespace {
// The number after the first ":" of a reply, blanks and "C" removed.
bool valueAfterColon(QString reply, double &value)
{
    reply.remove(QLatin1Char(' '));
    reply.remove(QLatin1Char('C'));
    return replyNumber(reply.mid(reply.indexOf(QLatin1Char(':')) + 1), value);
}
} // namespace

FieldTank::FieldTank()
{
    stripLineEnds = true;
    signalModes = QStringList{QStringLiteral("串口")};
    models = QStringList{QStringLiteral("KXTB-20DL"), QStringLiteral("KXTB-40DL"),
                         QStringLiteral("KXTB-80DL"), QStringLiteral("KXTB-95DL"),
                         QStringLiteral("KXTB-300DH")};
    otherBand = QStringLiteral("0.01");
    bands = QStringList(QVector<QString>(models.size(), otherBand).toList());
    ranges = {{QStringLiteral("-20"), QStringLiteral("150")},
              {QStringLiteral("-45"), QStringLiteral("150")},
              {QStringLiteral("-80"), QStringLiteral("100")},
              {QStringLiteral("35"), QStringLiteral("95")},
              {QStringLiteral("35"), QStringLiteral("300")}};
}

bool FieldTank::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openAndWait(signalMode, ipCom, portBaudRate);
}

void FieldTank::openLink(const QString &, const QString &address, int number)
{
    openSerial(address, number);
}

bool FieldTank::queryWithPrefix(const QString &command, const QString &prefix, QString &reply,
                                const std::function<bool(const QString &)> &accept)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!sendCommand(command))
            return false;
        if (readReply(reply) && reply.startsWith(prefix) && (!accept || accept(reply)))
            return true;
    }
    return false;
}

bool FieldTank::readSerialNumber(QString &serial)
{
    QString reply;
    if (!queryWithPrefix(QStringLiteral("sn\r\n"), QStringLiteral("sn:"), reply))
        return false;
    serial = reply.mid(reply.indexOf(QLatin1Char(':')) + 1);
    return true;
}

bool FieldTank::startOutput()
{
    const char *const commands[] = {"lf=on\r\n", "u=C\r\n",  "sa=n\r\n",
                                    "pc=s\r\n",  "co=au\r\n", "hg=auto\r\n"};
    for (const char *command : commands) {
        if (!sendCommand(QLatin1String(command)))
            return false;
    }
    return true;
}

bool FieldTank::readTemperature(double &t)
{
    // A reply whose value is not a number counts as a failed try, never as 0 °C.
    QString reply;
    return queryWithPrefix(QStringLiteral("r\r\n"), QStringLiteral("r:"), reply,
                           [&t](const QString &text) { return valueAfterColon(text, t); });
}

bool FieldTank::setTemperature(double t)
{
    if (!std::isfinite(t))
        return false;
    const QString value = QString::number(t, 'f', 2);
    for (int setting = 0; setting < 3; ++setting) {
        if (!sendCommand(QStringLiteral("s=") + value + QStringLiteral("\r\n")))
            return false;
        for (int readBack = 0; readBack < 3; ++readBack) {
            if (!sendCommand(QStringLiteral("s\r\n")))
                return false;
            QString reply;
            double setPoint = 0.0;
            if (readReply(reply) && reply.startsWith(QStringLiteral("set:"))
                && valueAfterColon(reply, setPoint) && std::fabs(t - setPoint) <= 0.01 + 1e-9)
                return true;
        }
    }
    return false;
}

bool FieldTank::isStable(bool &stable)
{
    QString reply;
    if (!queryWithPrefix(QStringLiteral("st\r\n"), QStringLiteral("st:"), reply))
        return false;
    stable = reply == QStringLiteral("st:1");
    return true;
}
