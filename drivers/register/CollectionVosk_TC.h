#pragma once
// CollectionVosk_TC: the Vosk-TC 68-channel thermocouple instrument ("101"-"168", internal cold
// junction), Modbus RTU over a serial line or TCP. Created by the model registry for "Vosk-TC".
//
// Its own register map: settings at 0x0001 (address), 0x0002 (baud rate), 0x0008 (IP address),
// 0x000A (subnet mask), 0x000C (port), 0x000D (filter), serial number 0x0014, version 0x0019;
// the 80-bit channel mask at 0x0003; one thermocouple type for the whole instrument at 0x000E
// (written with function 06); the values as singles, thermocouple voltages (mV) from 0x002B and
// temperatures from 0x00B3, two registers per channel, read as raw block replies. No
// coefficients are kept in the instrument.

#include "RegisterCollection.h"

class CollectionVosk_TC : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionVosk_TC(QObject *parent = nullptr);
    ~CollectionVosk_TC() override;

    // The probe must teach the station address: without one the link is closed again.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    // The rows kept; the first row's function as the thermocouple type (unless its type is
    // "空"); the channel mask; then the set-up settle wait.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;     // true, nothing sent
    bool readChannelCoefficients(ChannelRecord &channel) override;     // true, unchanged

    QStringList baudRateList() override;    // up to "57600"

protected:
    bool readTemperatureBlock(QList<double> &values) override;
    bool readOtherBlock(QList<double> &values) override;
};
