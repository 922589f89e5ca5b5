#pragma once
// CollectionVosk: the Vosk 16-channel thermistor instrument ("101"-"116"), over a serial line
// or TCP; each open chooses Modbus RTU, or Modbus-TCP framing when RTU gets no answer. Created
// by the model registry for "Vosk", "Vosk-Plus", "Vosk-NTC", "Pirl" and "Pirl-Plus".
// CollectionJy14ND and CollectionJy14RD: the 4-channel Jy14 thermistor and platinum-resistance
// instruments ("Jy14ND", "Jy14RD") on the same register map.
//
// Value table: channel n is index n − 101; temperatures from 0x0019, resistances from 0x0059.
// Register 0x000B: the function code (1 the fixed curves, 2 "T(R)", 3 "R(T)"). Coefficients at
// 0x0099 + 16 × (n − 101): four doubles A, B, C, D for "R(T)" and "T(R)", two singles A, B for
// the fixed curves; the Jy14RD keeps R0, A, B, C there.

#include "RegisterCollection.h"

class CollectionVosk : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionVosk(QObject *parent = nullptr);
    ~CollectionVosk() override;

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

    // The function code of the first row (none for "空"), then the rows are kept for the value
    // reads, every row's coefficients written (none for "空", "电阻" or a zero A), then the
    // channel mask.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;

protected:
    static constexpr int coefficientBlocks = 0x0099;
    // The function code of a function word; true without sending for "空".
    virtual bool writeFunctionCode(const QString &function);
    // The channel set-up writes the coefficients of this row.
    virtual bool setUpWanted(const ChannelRecord &row);
    virtual bool writesChannelMask() const { return true; }

    const QStringList signalModes{QStringLiteral("串口"), QStringLiteral("网络")};
    const QStringList scanRates{QStringLiteral("标准")};
    const QStringList units{QStringLiteral("℃"), QStringLiteral("Ω"), QStringLiteral("kΩ"),
                            QStringLiteral("MΩ")};
    const QStringList thermistorFunctions{QStringLiteral("R(T)"), QStringLiteral("T(R)"),
                                          QStringLiteral("2.252kΩ"), QStringLiteral("5kΩ"),
                                          QStringLiteral("10kΩ")};
};

class CollectionJy14ND : public CollectionVosk
{
    Q_OBJECT
public:
    using CollectionVosk::CollectionVosk;

    QStringList channelNumberList(int count) override;
    int channelCount() override;

protected:
    bool writesChannelMask() const override { return false; }
};

class CollectionJy14RD : public CollectionJy14ND
{
    Q_OBJECT
public:
    using CollectionJy14ND::CollectionJy14ND;

    QStringList signalModeList() override;
    QList<bool> coefficientMask(QString function) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    // R0, A, B, C from the instrument; D, A4, B4 "0"; gain and offset only after a good read.
    bool readChannelCoefficients(ChannelRecord &channel) override;
    QList<bool> settingMask() override;     // address, baud rate and filter

protected:
    bool writeFunctionCode(const QString &function) override;
    bool setUpWanted(const ChannelRecord &row) override;
};
