#pragma once
// CollectionPallu: the Pallu instrument, 26 channels "101" to "126" of thermocouples, platinum
// resistances, thermistors, DC voltage and current, resistance and frequency, over a serial line
// or TCP in Modbus RTU frames (CRC low byte first; replies judged by their CRC and kept whole).
// Created by the model registry for "Pallu".
//
// Its register map: station address 0x0001, baud-rate index 0x0002, port 0x0003 (low byte
// first), IP address 0x0004, subnet mask 0x0006, scan speed 0x000E, a channel's coefficient
// blocks at 0x0010 + 2 × (n − 101) (told apart by their size: R0, gain and offset, the R(T)
// A-D, the ITS-90 six; singles), cold junction 0x01F0, serial number 0x1000, clock 0x1010,
// set-up start 0x1018, scan interval 0x1019, sample request 0x101A, a channel's setting word
// at 0x1020 + (n − 101), the mask of enabled channels 0x1700 (64 bits).
// The instrument answers a read, a settings write, the scan-interval and the mask write in
// read layout, a coefficient, cold-junction or clock write with the request itself, a setting
// word's write with its register in read layout, the sample request with the value frame.

#include "RegisterCollection.h"

class CollectionPallu : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionPallu(QObject *parent = nullptr);
    ~CollectionPallu() override;

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList compensationList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    // Also refuses, naming the first row's channel, a fixed cold junction of the first row that
    // is no finite number (the set-up sends only that one).
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    bool setDeviceTime(QDateTime time) override;
    // Hours, minutes, seconds and hundredths of the interval (rounded to 0.01 s); false without
    // sending for a negative interval or one of 256 hours or more.
    bool setScanInterval(double seconds, int count) override;
    // One value per row of the last set-up, in row order, fixed with 6 decimals.
    bool readValues(QStringList &values) override;
    bool requestValues() override;
    bool fetchValues(QStringList &values) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;
    bool keepsSingleCoefficients() const override { return true; }

    // Record files: a heading "Time..." whose channel columns carry the two-digit channel index
    // at characters 2-3; records "yyyy-MM-dd hh:mm:ss" in field 0, values in volts, amperes
    // and ohms (given in each row's unit).
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;

    QStringList baudRateList() override;
    QStringList filterList() override;
    QList<bool> settingMask() override;

    // The setting word of a channel row; -1 when its type, function or wiring has no code.
    int settingWord(const ChannelRecord &row);
    // A value the instrument gives in V, A or Ω, in `unit` (mV, kΩ, MΩ, μA, mA).
    static double scaledToUnit(double value, const QString &unit);

protected:
    // 113-124 take two wires only; 101-112 wired with three or four wires occupy n + 12.
    bool checkChannelPlaces(const QList<ChannelRecord> &rows, QString &error) override;
    double recordValue(double value, const QString &unit) override;

private:
    // The fixed cold junction the set-up sends for its first row (0 when it sends none); false
    // when its text is no finite number.
    static bool coldJunctionValue(const ChannelRecord &first, double &value);
    // The values of a value frame (CRC removed) for the rows of the last set-up.
    bool decodeValues(const QString &frame, QStringList &values);
    // Waits for the value frame of one sample request.
    bool readValueFrame(QString &frame);
    // A channel's coefficient block of singles, written and read.
    bool writeBlock(int position, const QList<double> &values);
    bool readBlock(int position, int count, QList<float> &values);

    int configuredCount = 0;                // the rows of the last set-up
    QList<ChannelRecord> configuredRows;

    const QStringList signalModes{QStringLiteral("串口"), QStringLiteral("网络")};
    const QStringList scanRates{QStringLiteral("快速"), QStringLiteral("中速"), QStringLiteral("慢速")};
    const QStringList units{"℃", "mV", "V", "Ω", "kΩ", "MΩ", "μA", "mA", "A", "%RH", "bar", "Pa",
                           "KPa", "MPa"};
    const QStringList compensations{QStringLiteral("内部补偿"), QStringLiteral("固定冷端")};
    const QStringList frequencyRanges{QStringLiteral("自动")};
    const QStringList voltageRanges{"自动", "100mV", "1V", "10V", "100V"};
    const QStringList currentRanges{"自动", "1μA", "10μA", "100μA", "1mA", "10mA", "100mA-24V",
                                    "100mA", "1A"};
    const QStringList resistanceRanges{"自动", "100Ω", "1kΩ", "10kΩ", "100kΩ", "1MΩ"};
    const QStringList thermocoupleTypes{"A", "B", "C", "D", "E", "G", "J", "K", "M", "N", "P",
                                        "R", "S", "T", "Au-Pt", "Pt-Pd"};
    const QStringList rtdCurves{"ITS90", "Ni100-618", "Ni120-672", "PT100-385", "PT100-3926",
                                "PT100-3916", "Pt200-385", "Pt500-385", "Pt1000-385", "Cu10-427",
                                "Cu50-428", "Cu100-428"};
    const QStringList thermistorCurves{"2.252kΩ", "5kΩ", "10kΩ", "R(T)"};
};
