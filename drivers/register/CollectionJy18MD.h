#pragma once
// The Jy18 eight-channel thermometer readouts ("101"-"108"), Modbus RTU over a serial line:
// CollectionJy18MD (platinum channel 101, thermistor channels 102-108), CollectionJy18ND (all
// thermistors), CollectionJy18RD (all platinum). Created by the model registry for "Jy18MD",
// "Jy18ND" and "Jy18RD". Replies are handed on without their CRC, in lower case.
//
// Registers: scan speed at 0x000C (3 "快速", 2 "中速", 1 "慢速"); two function-code bits per
// channel at 0x0021 (0 "PT"/"Other", 1 "CVD"/"T(R)", 2 "ITS90"/"R(T)"); temperatures (doubles)
// from 0x0041, resistances from 0x0061; six coefficient doubles per channel at
// 0x0081 + 24 × (n − 101): platinum R0, A, B, C, A4, B4, thermistor A, B, C, D, 0, 0, each
// rounded to single precision.

#include "RegisterCollection.h"

class CollectionJy18MD : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionJy18MD(QObject *parent = nullptr);
    ~CollectionJy18MD() override;

    bool readReply(QString &reply) override;

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

    // The rows kept; the scan speed; the function codes (unless the first row's function is
    // "空"); the coefficients of every row not of type "空" or "电阻" whose tested coefficient
    // (R0 platinum, A thermistor) is not 0.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    // Gain 1 (the offset stays); the six values of the channel's layout.
    bool readChannelCoefficients(ChannelRecord &channel) override;
    bool keepsSingleCoefficients() const override { return true; }

    QStringList baudRateList() override;    // up to "230400"
    QList<bool> settingMask() override;     // address, baud rate and filter

protected:
    // Digits 6-7 of a reply of at least one data byte.
    bool readBaudRate(QString &rate) override;
    bool readTemperatureBlock(QList<double> &values) override;
    int resistanceBase() const override { return 0x0061; }
    bool platinumChannel(const QString &number);

    static constexpr int coefficientBlocks = 0x0081;
};

class CollectionJy18ND : public CollectionJy18MD
{
    Q_OBJECT
public:
    using CollectionJy18MD::CollectionJy18MD;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
};

class CollectionJy18RD : public CollectionJy18MD
{
    Q_OBJECT
public:
    using CollectionJy18MD::CollectionJy18MD;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
};
