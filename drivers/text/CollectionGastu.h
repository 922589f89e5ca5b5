#pragma once
// CollectionGastu: the driver of the Gastu, a 21-channel scanner of resistance thermometers
// that speaks the "SET OK" text dialect (OrvexCommandSet) over a serial port or TCP. Created by
// the model registry for "Gastu".
//
// Channel numbers "001" and "101" to "120" are the instrument's channels 1 to 21 (the number
// minus 99, "001" being 1). The driver sets every channel up one by one, starts the
// instrument's own timed scanning and collects the newest values with "DATA?", whose reply
// holds two fields per configured channel, the value second.

#include "OrvexCommandSet.h"

#include <atomic>

class CollectionGastu : public OrvexCommandSet
{
    Q_OBJECT
public:
    explicit CollectionGastu(QObject *parent = nullptr);
    ~CollectionGastu() override;

    // The link (40 polls of 100 ms), then scanning off ("SCAN 0"); a refusal closes the link.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    // The shared close (40 polls of 100 ms); the keys are not touched.
    bool close() override;

    // --- option lists ----------------------------------------------------------------------
    QStringList scanRateList() override;
    QStringList compensationList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    // "001", then "101" up to "1NN" (NN the count from 1 to 20, else 20).
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    // The dialect's check (model numbers, options, rising numbers, two units) and coefficient
    // texts that are numbers.
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    // Rows times 1 s ("快速"), 2 s ("中速"), 3 s ("慢速"), 4 s ("标准"), else 1 s.
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    // --- acquisition -----------------------------------------------------------------------
    // "DATA?" and one reply within the reply budget.
    bool readValues(QStringList &values) override;
    bool requestValues() override;   // "DATA?"
    // The reply to requestValues within the fetch budget (three reply budgets).
    bool fetchValues(QStringList &values) override;

    // --- channel set-up and coefficients ---------------------------------------------------
    // Reset, interval, storage, then channel by channel: switched on (the switch-on wait),
    // resistance type, wiring, correction, output unit and, when the leading one is set, the
    // curve coefficients; then scanning on and a wait of one scan cycle.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    // The caller's channel number is left as it is.
    bool readChannelCoefficients(ChannelRecord &channel) override;

    // --- record files: those of the Orvex scanners, but a heading column "Ch<n>" is channel
    // "001" for n up to 1, else n + 99.

    // --- instrument settings ---------------------------------------------------------------
    QStringList filterList() override;          // "0"
    QList<bool> settingMask() override;         // baud rate, IP address, mask, port (gateway)
    // Network and baud rate (the one the link uses last); address and filter are not written.
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

    // The instrument's reply waits: one reply line (20 s) and the sample that requestValues
    // asked for (3 x 20 s), set with setReplyBudgets. The wait for the first scan cycle after a
    // channel set-up is this many milliseconds per second of the cycle (1000); tests shorten it.
    static constexpr int defaultGastuReplyBudgetMs = 2000 * 10;
    void setScanCycleWait(int msPerSecond);

    // The instrument channel of a channel number: the number minus 99, at least 1; 0 for a
    // number the model does not have.
    static int channelOf(const QString &channelNumber);

private:
    bool sendChannelSetup(const QList<ChannelRecord> &rows) override;
    bool selectCurve(const ChannelRecord &row) override;
    bool checkSetupTexts(const ChannelRecord &row, QString &error) override;
    int recordChannel(int index) override;

    // The coefficient texts of a row's function in wire order (up to six; zeros follow).
    static QStringList coefficientTexts(const ChannelRecord &row);
    // The channel commands, each answered "SET OK"; `row` numbered with its instrument channel.
    bool setScan(bool on);
    bool setGastuRate(const QString &scanRate);
    bool setOutputUnit(const ChannelRecord &row);
    bool setCoefficients(int channel, const QStringList &texts);
    bool queryCoefficients(int channel, QList<double> &values);
    // The value fields (the second of each pair) of a "DATA?" reply.
    bool parseValues(const QString &reply, QStringList &values);

    const QStringList scanRates;
    const QStringList units;
    const QStringList channelTypes;
    const QStringList compensationModes;
    const QStringList wiringModes;
    const QStringList functions;
    std::atomic<int> scanCycleMsPerSecond{1000};
};
