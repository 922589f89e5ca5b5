#pragma once
// Collection1586A: the driver of the 1586A 45-channel temperature scanner, which speaks
// SCPI-style text lines over a serial port or TCP. Created by the model registry for "1586A".
//
// Lines go out through the shared text exchange of Collection (a settle wait after every
// command, 200 ms unless the driver is given another; replies collected in 10 ms polls). Every link operation holds the exchange lock for its whole
// send-and-reply sequence.

#include "Collection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <initializer_list>

class Collection1586A : public Collection
{
    Q_OBJECT
public:
    explicit Collection1586A(QObject *parent = nullptr);
    ~Collection1586A() override;

    // --- Device ----------------------------------------------------------------------------
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool close() override;
    bool readReply(QString &reply) override;
    bool sendCommand(QString command) override;
    // The identity query; true only when the reply also names the model ("FLUKE,1586A").
    bool readSerialNumber(QString &identity) override;

    // --- option lists ----------------------------------------------------------------------
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
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    // --- acquisition -----------------------------------------------------------------------
    bool setDeviceTime(QDateTime time) override;
    bool setScanInterval(double seconds, int count) override;
    // One sample. A reply whose number of values differs from the channels that the last
    // configureChannels switched on is a failed read (the caller's list is left unchanged).
    bool readValues(QStringList &values) override;
    bool requestValues() override;
    bool fetchValues(QStringList &values) override;

    // --- channel set-up and coefficients ---------------------------------------------------
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;
    // The rate command alone ("RATE FAST|MED|SLOW").
    bool setRate(QString scanRate);
    // The commands of one channel. A thermistor or platinum row of unit "Ohm" (the raw
    // resistance a calibration reads) is set up as a resistance on the automatic range.
    bool configureChannel(ChannelRecord row);

    // --- record files ----------------------------------------------------------------------
    // Values come back in the order of `rows`, each channel read from the first column that
    // carries its number; every channel must have a column.
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    // The values of the next record within 1000 ms of `time`. Records before that window are
    // passed over; a record after it stays for the next call.
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;

    // --- instrument settings ---------------------------------------------------------------
    QStringList baudRateList() override;
    QStringList filterList() override;
    QList<bool> settingMask() override;
    bool readDeviceSettings(QString &serial, QString &version, QString &address,
                            QString &baudRate, QString &ip, QString &mask, QString &port,
                            QString &filter) override;
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

    // Longest wait for the reply to one scan, by default the same budget as 40 reply reads of
    // 300 polls of 10 ms each (about two minutes). A driver may be given a shorter one (at
    // least one 10 ms poll), for a link whose instrument answers at once.
    static constexpr int defaultSampleReplyBudgetMs = 40 * 300 * 10;
    void setSampleReplyBudget(int ms);
    int sampleReplyBudget() const { return sampleReplyBudgetMs.load(); }
    // The wait after every command for the scanner to take it; a driver may be given a shorter
    // one (at least 0 ms) for a stand-in that takes its commands at once.
    static constexpr int defaultSettleMs = 200;
    void setSettleTime(int ms);

private:
    // Waits up to the sample reply budget for one complete reply line and splits it into values.
    bool collectValues(QStringList &values);
    // Sends "<query>(@<channel>)\r\n" and reads one reply.
    bool queryChannel(const QString &query, const QString &channel, QString &reply);
    // queryChannel, then the reply split at commas: one part for each of `fields`, in order.
    // False, with the fields untouched, when the exchange fails or the parts do not match.
    bool queryCoefficients(const QString &query, const QString &channel,
                           std::initializer_list<QString *> fields);
    // The prefix of the temperature, resistance, voltage and current commands of a channel.
    static QString commandPrefix(const QString &type, const QString &wireMode);
    // "A385", "A392", "ABC" or "SPRT" for a platinum-resistance curve; empty otherwise.
    static QString curveWord(const QString &function);
    // The curve commands of a platinum-resistance channel (without channel suffix).
    static QStringList rtdCurveCommands(const ChannelRecord &row);
    // The range argument of a voltage, current or resistance function; empty when none.
    static QString rangeArgument(const QString &type, const QString &function);
    // Sends every command with the channel suffix of `channel`; false at the first failure.
    bool sendChannelCommands(const QStringList &commands, const QString &channel);
    // The coefficient texts that the set-up of `row` sends.
    static QStringList sentCoefficientTexts(const ChannelRecord &row);
    // Every non-empty coefficient text the row's set-up sends is a finite number, and so are
    // its gain and offset when it is corrected and a fixed cold junction's temperature; a row
    // measured as a raw resistance (unit "Ohm") has two or four wires. Else false with the
    // message, which names the channel, in `error`.
    bool checkSetupTexts(const ChannelRecord &row, QString &error);
    // readChannelCoefficients on a row that may be left half read.
    bool readCoefficientsInto(ChannelRecord &channel);

public:
    // Option lists, filled once by the constructor.
    const QStringList resistanceRanges;
    const QStringList thermocoupleTypes;
    const QStringList rtdFunctions;
    const QStringList thermistorFunctions;
    const QStringList voltageRanges;
    const QStringList currentRanges;
    const QStringList signalModes;
    const QStringList scanRates;
    const QStringList units;
    const QStringList channelTypes;
    const QStringList compensationModes;
    const QStringList twoWireModes;
    const QStringList twoFourWireModes;
    const QStringList rtdWireModes;

private:
    std::atomic<int> sampleReplyBudgetMs{defaultSampleReplyBudgetMs};
    std::atomic<int> settleMs{defaultSettleMs};
    // Channels the last successful configureChannels switched on; -1 when not known.
    std::atomic<int> scannedChannels{-1};
};
