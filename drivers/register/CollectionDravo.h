#pragma once
// CollectionDravo: the Dravo thermistor instrument, one platinum-resistance reference channel
// "001" and twenty thermistor channels "101"-"120", over a serial line or TCP in Modbus RTU
// frames (CRC low byte first; replies keep their CRC, lower case). Created by the model registry
// for "Dravo-NTC" and "Dravo". CollectionDravo_RTD: the platinum-resistance variant ("Dravo-RTD"),
// every channel a platinum resistance with a selectable curve.
//
// Value table: channel "001" is index 0, channel 1nn index nn. Coefficients travel as singles
// widened to doubles: the reference channel's six-double block at 0x00C1, a thermistor
// channel's four doubles at 0x00D9 + 16 × (n − 101), a platinum channel's six doubles at
// 0x00D9 + 24 × (n − 101).

#include "RegisterCollection.h"

class CollectionDravo : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionDravo(QObject *parent = nullptr);
    ~CollectionDravo() override;

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;

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

    QStringList baudRateList() override;

protected:
    static constexpr int referenceBlock = 0x00C1;    // six doubles of channel "001"
    static constexpr int channelBlocks = 0x00D9;     // first channel coefficient block
    int resistanceBase() const override { return 0x006D; }
    // The curve codes of the channel set-up (the platinum variant writes them).
    virtual bool writeCurves(const QList<ChannelRecord> &rows);
    // The coefficients of one row in the channel set-up; true when written or skipped.
    virtual bool setUpCoefficients(const ChannelRecord &row);
    // The six coefficients of a row (R0, A, B, C, A4, B4) written at `first` as singles.
    bool writeSix(int first, const ChannelRecord &row);
    // The six coefficients read from `first` into the row (D "0").
    bool readSix(int first, ChannelRecord &row);

    const QStringList signalModes{QStringLiteral("串口"), QStringLiteral("网络")};
    const QStringList scanRates{QStringLiteral("标准")};
    const QStringList units{QStringLiteral("℃"), QStringLiteral("Ω"), QStringLiteral("kΩ"),
                            QStringLiteral("MΩ")};
    const QStringList thermistorFunctions{QStringLiteral("R(T)")};
    const QStringList platinumFunctions{QStringLiteral("ITS90")};
};

class CollectionDravo_RTD : public CollectionDravo
{
    Q_OBJECT
public:
    using CollectionDravo::CollectionDravo;

    QList<bool> coefficientMask(QString function) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;

protected:
    bool writeCurves(const QList<ChannelRecord> &rows) override;
    bool setUpCoefficients(const ChannelRecord &row) override;
    // The block of a row: 0x00C1 for "001", else 0x00D9 + 24 × (n − 101); -1 for no channel.
    int blockOf(const QString &number);
};
