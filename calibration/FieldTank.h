#pragma once
// FieldTank: the liquid bath ("KXTB-20DL" ... "KXTB-300DH") over a serial port, speaking short
// key=value text commands. FieldTankR is the same driver; the calibration page uses it where
// the bath's own reading serves as the reference temperature.

#include "FieldLink.h"

#include <functional>

class FieldTank : public FieldLink
{
    Q_OBJECT
public:
    FieldTank();

    // Opens the serial port named `ipCom`, whatever the link type.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool readSerialNumber(QString &serial) override;

    bool startOutput() override;
    bool readTemperature(double &t) override;
    bool setTemperature(double t) override;
    bool isStable(bool &stable) override;

protected:
    void openLink(const QString &signalMode, const QString &address, int number) override;

private:
    // Up to 3 tries of `command` until a reply begins with `prefix` (and passes `accept`);
    // false at once when a send fails, and after three tries without such a reply.
    bool queryWithPrefix(const QString &command, const QString &prefix, QString &reply,
                         const std::function<bool(const QString &)> &accept = nullptr);
};

class FieldTankR : public FieldTank
{
};
