#pragma once
// CollectionOrvex_1: the first hardware generation of the Orvex scanners, 16 channels "101" to
// "116" (8 in three- and four-wire use) of thermistors, platinum resistances or thermocouples,
// over a serial line or TCP in Modbus RTU frames whose CRC goes high byte first. Replies are
// judged by their CRC alone and keep it; a write of several registers is answered by the
// request itself, a write of one register by the standard echo; the broadcast probe by a
// 6-byte frame whose fourth byte is the station address.
//
// Per-channel registers (slot i = channel − 101): the coefficient block at 0x0010 + 2i (the
// thermistor's A, B, C, D; the ITS-90 block R0, A, B, C, A4, B4; R0 alone; the thermocouple's
// gain and offset; all singles), the temperature at 0x0100 + 2i, the raw reading at 0x0200 + 2i.
// Instrument-wide: wiring 0x000C, curve or thermocouple type 0x000D, scan rate 0x000E, clock
// 0x1010, serial number 0x1000.
//
// The five sensor variants below add their option lists and their channel set-up; they are
// created by the model registry ("Orvex-NTC-V1", "Orvex-NTC-V1.1", "Orvex-RTD-V1", "Orvex-TC",
// "Orvex-PCR"; the older names "Orvex-NTC" and "Orvex-RTD" through their alias).

#include "RegisterCollection.h"

class CollectionOrvex_1 : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionOrvex_1(QObject *parent = nullptr);
    ~CollectionOrvex_1() override;

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList unitList(QString type) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    bool setDeviceTime(QDateTime time) override;
    // The temperature (℃ tables) or raw-reading block of the active slots; one value per
    // configured channel in channel order, fixed with 6 decimals. False before a set-up.
    bool readValues(QStringList &values) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    // The curve coefficients of the channel's slot; the row changes only when the read
    // succeeds (every coefficient a finite number).
    bool readChannelCoefficients(ChannelRecord &channel) override;
    bool keepsSingleCoefficients() const override { return true; }

    // Record files: a heading "Time..." of at least 9 fields whose channel columns carry the
    // two-digit channel index at characters 2-3; records "yyyy-MM-dd hh:mm:ss" in field 0,
    // taken within 2 s of the time asked for or, with the import's step known, from 2 s before
    // it up to one step after it within 10 s.
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;

    QStringList baudRateList() override;
    QStringList filterList() override;
    QList<bool> settingMask() override;

protected:
    // Register sizes of the coefficient blocks.
    enum Block { R0Only = 2, TcScale = 4, Ntc = 8, Its90 = 12 };
    // readChannelCoefficients of slot `slot` on a row that may be left half read.
    bool readInto(int slot, ChannelRecord &channel);

    // The start of every variant's set-up: the table's mode (the first row's unit), the active
    // slot count (8 for a first row not wired two-wire; the thermocouples: for one wired "空")
    // and the slot flags. Nothing changes, and false, when there are no rows or a row's channel
    // has no active slot.
    bool armChannels(const QList<ChannelRecord> &rows, bool thermocouple = false);
    // The settle wait that ends a set-up; true.
    bool settle();
    // The slot of a channel number (0..15); -1 for no channel of the model.
    int slotOf(const QString &number);

    // Instrument-wide writes (address known and a set-up armed).
    bool writeCode(int reg, const QString &code);           // function 06, 4 tries
    bool writeScanRate(const QString &scanRate);
    bool writeWiring(const QString &wiring);
    bool writeNtcType(const QString &function);
    bool writeTcType(const QString &function);     // its code: place in `functions` + 1
    // A coefficient block of `slot` as singles, and back.
    bool writeBlock(int slot, const QList<double> &values);
    bool readBlock(int slot, Block block, QList<float> &values);
    // The thermistor rows' A, B, C, D (rows typed "空" or with A 0 carry none).
    bool writeThermistorRows(const QList<ChannelRecord> &rows);

    // Settings in this instrument's forms: the baud-rate index in the low byte, the port high
    // byte first, single registers written with function 06, the network with the request echoed.
    bool readBaudRate(QString &rate) override;
    bool readPort(QString &port) override;
    bool writeDeviceAddress(const QString &address) override;
    bool writeBaudRate(const QString &rate) override;
    bool writeIpAddress(const QString &ip) override;
    bool writeSubnetMask(const QString &mask) override;
    bool writePort(const QString &port) override;

    bool celsiusMode = false;
    int activeChannelCount = 0;         // 16 or 8; 0 before the first set-up
    QList<bool> channelEnabled;         // one flag per active slot

    const QStringList signalModes{QStringLiteral("串口"), QStringLiteral("网络")};
    const QStringList scanRates{QStringLiteral("快速"), QStringLiteral("中速"), QStringLiteral("慢速")};
    // Filled by each variant.
    QStringList units;
    QStringList types;
    QStringList wirings;
    QStringList functions;
};

class CollectionOrvex_NTC_1 : public CollectionOrvex_1
{
    Q_OBJECT
public:
    explicit CollectionOrvex_NTC_1(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
};

class CollectionOrvex_NTC_1_1 : public CollectionOrvex_1
{
    Q_OBJECT
public:
    explicit CollectionOrvex_NTC_1_1(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
};

class CollectionOrvex_RTD_1 : public CollectionOrvex_1
{
    Q_OBJECT
public:
    explicit CollectionOrvex_RTD_1(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
};

class CollectionOrvex_TC_1 : public CollectionOrvex_1
{
    Q_OBJECT
public:
    explicit CollectionOrvex_TC_1(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    // The gain and offset of the channel's scale; the seven coefficient texts "0".
    bool readChannelCoefficients(ChannelRecord &channel) override;
};

class CollectionOrvex_PCR_1 : public CollectionOrvex_1
{
    Q_OBJECT
public:
    explicit CollectionOrvex_PCR_1(QObject *parent = nullptr);
    QList<bool> coefficientMask(QString function) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
};
