#pragma once
// FieldDry: the dry-well calibrator ("KXDW-350H", "KXDW-660H") over a serial port or TCP.
// FieldDryR: the same, whose temperature query reads the dry well's own reference probe.

#include "FieldLink.h"

class FieldDry : public FieldLink
{
    Q_OBJECT
public:
    FieldDry();

    // "手动" opens nothing and returns true (a manual source); "串口" or "网络" open the link.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool readSerialNumber(QString &serial) override;

    bool startOutput() override;
    bool readTemperature(double &t) override;
    bool setTemperature(double t) override;
    bool isStable(bool &stable) override;

protected:
    void openLink(const QString &signalMode, const QString &address, int number) override;
    virtual QString temperatureQuery() const;
};

class FieldDryR : public FieldDry
{
protected:
    QString temperatureQuery() const override;
};
