#pragma once
// CollectionJy228ND: the Jy228ND-P instrument, eight thermistor channels "101"-"108" on a serial
// link; CollectionJy224ND: the four-channel Jy224ND-P ("101"-"104"). Created by the model
// registry for "Jy228ND-P" and "Jy224ND-P". Framing chosen at each open as for the Vosk-12-4
// (RTU, or Modbus-TCP framing when RTU gets no answer); the scan rate 1-10 is written to the
// instrument, and every channel uses the same curve.
//
// Value table: channel n is index n − 101; resistances from 0x0059. Coefficients: four doubles
// at 0x00D9 + 16 × (n − 101).

#include "RegisterCollection.h"

class CollectionJy228ND : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionJy228ND(QObject *parent = nullptr);
    ~CollectionJy228ND() override;

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

    QList<bool> settingMask() override;     // address, baud rate and filter

protected:
    // Register 0x0009: the scan rate 1-10, low byte first; a rate not in the list sends nothing.
    bool writeScanRate(const QString &scanRate);

    static constexpr int coefficientBlocks = 0x00D9;
    const QStringList signalModes{QStringLiteral("串口")};
    const QStringList scanRates{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                                QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9"),
                                QStringLiteral("10")};
    const QStringList units{QStringLiteral("℃"), QStringLiteral("Ω"), QStringLiteral("kΩ"),
                            QStringLiteral("MΩ")};
    const QStringList thermistorFunctions{QStringLiteral("R(T)"), QStringLiteral("T(R)"),
                                          QStringLiteral("Other")};
};

class CollectionJy224ND : public CollectionJy228ND
{
    Q_OBJECT
public:
    using CollectionJy228ND::CollectionJy228ND;

    QStringList channelNumberList(int count) override;
    int channelCount() override;
};
