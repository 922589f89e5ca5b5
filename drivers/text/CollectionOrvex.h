#pragma once
// CollectionOrvex: the common driver of the Orvex scanners of the second generation, and its four
// instruments: CollectionOrvex_NTC (8 thermistor channels), CollectionOrvex_RTD (8 platinum
// resistance channels), CollectionOrvex_VS (68 thermocouple or voltage channels and pressure
// channel 169) and CollectionOrvex_HT (15 platinum resistance channels and humidity channels
// 116 to 119). The link operations, the channel set-up skeleton, the coefficients and the
// instrument settings are the dialect's (OrvexCommandSet); an instrument gives its option lists,
// its set-up commands and, for VS and HT, its own record-line rules.
//
// A channel is addressed on the instrument by its index, the channel number minus 100.

#include "OrvexCommandSet.h"

#include <QList>
#include <QString>
#include <QStringList>

class CollectionOrvex : public OrvexCommandSet
{
    Q_OBJECT
public:
    ~CollectionOrvex() override;

    // --- option lists: the instrument's lists, whatever the argument -------------------------
    QStringList scanRateList() override;
    QStringList compensationList() override;
    QStringList unitList(QString type) override;
    // Gain and offset only; the thermistor and platinum instruments name their coefficients.
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    // "101" up to 100 + count, or every channel for a count outside 1 .. channelCount.
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;

    // --- sampling: values converted by unit ("V" from mV, "Pa" from kPa) ----------------------
    bool readValues(QStringList &values) override;
    bool fetchValues(QStringList &values) override;

protected:
    explicit CollectionOrvex(int channels, QObject *parent = nullptr);

    // Thermistor curves by the list command, platinum curves likewise; other types none.
    bool selectCurve(const ChannelRecord &row) override;

    const int channels;
    QStringList scanRates;
    QStringList units;
    QStringList types;
    QStringList functions;
    const QStringList compensationModes{"内部补偿"};
    QStringList wireModes;
};

class CollectionOrvex_NTC : public CollectionOrvex
{
    Q_OBJECT
public:
    explicit CollectionOrvex_NTC(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;

protected:
    // Correction, wiring, range and curve type, unless the first row is "空".
    bool sendChannelSetup(const QList<ChannelRecord> &rows) override;
};

class CollectionOrvex_RTD : public CollectionOrvex
{
    Q_OBJECT
public:
    explicit CollectionOrvex_RTD(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;
    // 0.1 s for "快速", 0.5 s for "中速", 1.0 s otherwise.
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

protected:
    // Correction, range, wiring and curve type, unless the first row is "空".
    bool sendChannelSetup(const QList<ChannelRecord> &rows) override;
};

class CollectionOrvex_VS : public CollectionOrvex
{
    Q_OBJECT
public:
    explicit CollectionOrvex_VS(QObject *parent = nullptr);
    // "压力": "Pa", "KPa"; any other type "℃", "mV", "V".
    QStringList unitList(QString type) override;
    // Channel 169 "压力", every other "热电偶".
    QStringList typeList(int channelNumber) override;
    // "热电偶": the thermocouple letters; any other type "自动".
    QStringList functionList(QString type) override;
    // As the family, and one thermocouple type for the whole instrument: a thermocouple row
    // whose letter differs from the first one's gives its number + ":功能错误！".
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;

protected:
    // When the first row is a thermocouple: its letter for the instrument, correction, range.
    bool sendChannelSetup(const QList<ChannelRecord> &rows) override;
    // The family's time window, with the import's step within 100 s; each record line ends in
    // two check characters, the XOR of all its other bytes as lower-case hex (checkLine).
    RecordLayout recordLayout() override;

public:
    // Checks the two check characters at the end of a record line and removes them; a line
    // that fails: trace "SignJudge失败！", false.
    static bool checkLine(QString &line);
};

class CollectionOrvex_HT : public CollectionOrvex
{
    Q_OBJECT
public:
    explicit CollectionOrvex_HT(QObject *parent = nullptr);
    // "铂电阻": "℃"; "湿度": "%RH"; any other type "℃".
    QStringList unitList(QString type) override;
    // Channels up to 115 "铂电阻", above "湿度".
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;   // "自动"
    QList<bool> settingMask() override;                 // no filter setting
    // No filter command; "设置成功，请断开从新连接。" or "设置失败，请检查设备连接。".
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

protected:
    bool sendChannelSetup(const QList<ChannelRecord> &rows) override;   // correction only
    // Whole-second times; a record from the time asked for up to 1 s after it, whatever the
    // import's step; a line whose first field is "Max" ends the data.
    RecordLayout recordLayout() override;
};
