#pragma once
// The instruments that read their temperatures and resistances as two raw blocks of doubles
// (one per channel, past the 125 registers of a standard reply where they are long), keep two
// function-code bits per channel and one coefficient block per channel; RTU or Modbus-TCP
// framing chosen at each open.
//
//  CollectionPirl_NTC / _RTD    Pirl 32-channel thermistor and platinum models
//                               ("Pirl-Plus-NTC-32CH", "Pirl-NTC-32CH" / "...-RTD-32CH");
//  CollectionVosk_RTD           Vosk 16-channel platinum model ("Vosk-RTD");
//  CollectionVosk_36_NTC_V1 /   Vosk 36-channel thermistor and platinum models
//  CollectionVosk_36_RTD_V1     ("Vosk-NTC-36CH", "Vosk-RTD-36CH"), which also take a scan rate
//                               and two wiring-code bits per channel.
//
// Channel n is index n − 101. Code bits: thermistor "Other" 00, "T(R)" 01, "R(T)" 10 (36
// channels: "Other" 00, "R(T)" 01); platinum "PT" 00, "CVD" 01, "ITS90" 10; wiring "二线制" 00,
// "三线制" 01, "四线制" 10. Coefficients at base + 16 × index (thermistor: four doubles, or two
// singles for "Other") or base + 24 × index (platinum: R0, A, B, C, A4, B4).

#include "RegisterCollection.h"

class CollectionPirl : public RegisterCollection
{
    Q_OBJECT
public:
    // Where a model keeps its registers.
    struct Layout
    {
        int channels = 32;
        bool platinum = false;
        int temperatures = 0x0019;  // first registers of the two value blocks
        int resistances = 0x0099;
        int codes = 0x000B;         // function codes, codeRegisters registers
        int codeRegisters = 4;
        int mask = 0x0003;          // channel enable mask, maskBytes bytes
        int maskBytes = 4;
        int coefficients = 0x0119;
        bool testsA = true;         // platinum rows: A is tested for 0 besides R0
    };

    ~CollectionPirl() override;

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

    // The rows kept; the model's settings of the set-up; the function codes (unless the first
    // row's function is "空"); the coefficients of every row not of type "空" whose tested
    // coefficients are not 0; the channel mask.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    // Platinum rows: the six-double block; thermistor rows: four doubles, or two singles for
    // "Other". No zero test.
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;

    QStringList baudRateList() override;    // up to "230400"

protected:
    CollectionPirl(const Layout &layout, QObject *parent);

    bool readTemperatureBlock(QList<double> &values) override;
    bool readOtherBlock(QList<double> &values) override;
    // The two function-code bits of a row.
    virtual CurveCode functionCode(const ChannelRecord &row);
    // What a model writes in the set-up before the function codes.
    virtual bool writeSetUpSettings(const QString &scanRate, const QList<ChannelRecord> &rows);
    bool platinumRow(const ChannelRecord &row) const;

    const Layout layout;
};

class CollectionPirl_NTC : public CollectionPirl
{
    Q_OBJECT
public:
    explicit CollectionPirl_NTC(QObject *parent = nullptr);
};

class CollectionPirl_RTD : public CollectionPirl
{
    Q_OBJECT
public:
    explicit CollectionPirl_RTD(QObject *parent = nullptr);
};

class CollectionVosk_RTD : public CollectionPirl
{
    Q_OBJECT
public:
    explicit CollectionVosk_RTD(QObject *parent = nullptr);
};

class CollectionVosk_36_V1 : public CollectionPirl
{
    Q_OBJECT
public:
    QStringList scanRateList() override;            // "慢速", "中速", "快速"
    QStringList wiringList(QString type) override;  // "四线制", "三线制", "二线制"
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

protected:
    CollectionVosk_36_V1(bool platinum, QObject *parent);
    // The scan-rate code (3 "快速", 2 "中速", 1 any other) at 0x000C, then the wiring codes at
    // 0x0019 (unless the first row's wiring is "空").
    bool writeSetUpSettings(const QString &scanRate, const QList<ChannelRecord> &rows) override;
};

class CollectionVosk_36_NTC_V1 : public CollectionVosk_36_V1
{
    Q_OBJECT
public:
    explicit CollectionVosk_36_NTC_V1(QObject *parent = nullptr);
    QStringList functionList(QString type) override;    // "R(T)", "Other"

protected:
    CurveCode functionCode(const ChannelRecord &row) override;
};

class CollectionVosk_36_RTD_V1 : public CollectionVosk_36_V1
{
    Q_OBJECT
public:
    explicit CollectionVosk_36_RTD_V1(QObject *parent = nullptr);
};
