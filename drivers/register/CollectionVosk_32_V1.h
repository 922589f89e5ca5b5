#pragma once
// CollectionVosk_32_V1: the Vosk 32-channel thermistor instrument ("101"-"132"), over a serial
// line or TCP, RTU or Modbus-TCP framing chosen at each open. Created by the model registry for
// "Vosk-NTC-32CH" and "Vosk-32CH".
//
// The temperatures come in one block of 12-byte channel records from 0x0019 (2 × span + 192
// registers, the temperature a single at record byte 8), read as a raw reply past the 125
// registers of a standard one; resistances are singles at 0x00D9 + 2 × (n − 101). Register
// 0x000B: the four-wire mask. Coefficients: four doubles at 0x0119 + 16 × (n − 101) for "R(T)"
// and "T(R)", two singles at 0x0129 + 16 × (n − 101) for the other functions.

#include "RegisterCollection.h"

class CollectionVosk_32_V1 : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionVosk_32_V1(QObject *parent = nullptr);
    ~CollectionVosk_32_V1() override;

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

    // The rows kept, the four-wire mask (unless the first row's wiring is "空"), every row's
    // coefficients (none for "空", "电阻" or a zero A), the channel mask.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;

    QStringList baudRateList() override;    // up to "230400"

protected:
    bool readTemperatureBlock(QList<double> &values) override;
    bool readOtherBlock(QList<double> &values) override;
};
