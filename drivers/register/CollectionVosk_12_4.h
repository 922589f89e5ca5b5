#pragma once
// CollectionVosk_12_4: the Vosk-12-4 instrument, twelve thermistor channels "101"-"112" and four
// humidity channels "113"-"116", over a serial line or TCP. Each open chooses the framing:
// Modbus RTU, or Modbus-TCP framing when the instrument does not answer in RTU. Created by the
// model registry for "Vosk-12-4".
//
// Value table: channel n is index n − 101 (humidity in the temperature block). Thermistor
// coefficients: four doubles at 0x00D9 + 16 × (n − 101); the humidity correction of channel n:
// four doubles 0, 0, M, B at 0x0099 + 16 × (n − 113), the free area below the thermistor blocks.

#include "RegisterCollection.h"

class CollectionVosk_12_4 : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionVosk_12_4(QObject *parent = nullptr);
    ~CollectionVosk_12_4() override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;


protected:
    bool readsTemperature(const QString &unit) override;
    // The humidity block of a channel, -1 for a channel below 113.
    int humidityBlock(const QString &number);

    static constexpr int thermistorBlocks = 0x00D9;
    static constexpr int humidityBlocks = 0x0099;
    const QStringList signalModes{QStringLiteral("串口"), QStringLiteral("网络")};
    const QStringList scanRates{QStringLiteral("标准")};
    const QStringList units{QStringLiteral("℃"), QStringLiteral("Ω")};
    const QStringList thermistorFunctions{QStringLiteral("R(T)"), QStringLiteral("T(R)"),
                                          QStringLiteral("Other")};
    const QStringList humidityFunctions{QStringLiteral("Auto")};
};
