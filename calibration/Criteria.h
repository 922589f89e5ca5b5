#pragma once
// Criteria: the reference thermometer of a calibration run. The class itself is the reference
// of the source kinds "油槽-R" and "干式炉-R": it forwards to the temperature source that
// carries the reference probe (its host, not owned). Without a host it fails every request.

#include "Device.h"
#include "Records.h"

class Field;

class Criteria : public Device
{
    Q_OBJECT
public:
    explicit Criteria(Field *host = nullptr);
    ~Criteria() override;

    // Arguments ignored; with a host, takes over the host's link state and returns it.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    // `connected` false; the host is not touched.
    bool close() override;
    bool readReply(QString &reply) override;
    bool sendCommand(QString command) override;
    bool readSerialNumber(QString &serial) override;

    // Readies the reference for readings; the record is not read. True exactly with a host.
    virtual bool setChannelConfig(ChannelRecord channel);
    // The host's temperature reading and its result.
    virtual bool readTemperature(double &t);

private:
    Field *host = nullptr;
};
