#pragma once
// Collection159XA: the driver of the 159XA resistance-thermometry instruments (13 channels of
// thermistors, platinum resistance thermometers and plain resistance), which speak the vendor's
// SCPI-style text lines over a serial port or TCP and answer only their queries. Created by the
// model registry for "159XA".
//
// Opening makes sure the instrument's probe list holds the probes "CH1" to "CH14" and assigns
// them to the inputs; configuring writes each probe's kind, conversion and coefficients and the
// scan list; reading starts continuous measurement once per open and then asks each scanned
// channel for its latest value. The instrument keeps no record files this driver can read.

#include "Collection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

class Collection159XA : public Collection
{
    Q_OBJECT
public:
    explicit Collection159XA(QObject *parent = nullptr);
    ~Collection159XA() override;

    // --- Device ----------------------------------------------------------------------------
    // The link (12 polls of 100 ms), then the probe list: the names are read with
    // "INP:PROB:FIRS?" and "INP:PROB:NEXT?" until an empty name (two characters, the quotes)
    // or a name already read; a reply shorter than two characters, or more than 1000 names,
    // fails. Missing probes "CH1" to "CH14" are added and probe i assigned to input i.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    // Stops continuous measurement, then closes the link (40 polls of 100 ms).
    bool close() override;
    // One whole reply line within the reply wait.
    bool readReply(QString &reply) override;
    // The text exchange: empties the buffer, sends, waits the settle time.
    bool sendCommand(QString command) override;
    // The identity query; true only when the reply also names the family ("FLUKE,159").
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
    // "1" to "4" for a count of 1 to 4, else "2" to "14".
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    // Channel numbers 1 to 14 (else the number + ":通道号错误！"), the option tests of each
    // row, numbers rising, at most two units, and coefficient texts that are numbers.
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    // --- acquisition -----------------------------------------------------------------------
    bool setDeviceTime(QDateTime time) override;
    bool setScanInterval(double seconds, int count) override;
    // Same as fetchValues.
    bool readValues(QStringList &values) override;
    bool requestValues() override;
    // Starts continuous measurement at the first read after an open (then waits for it to
    // settle), then asks each scanned channel with "FETCH? <channel>" (three tries each). A
    // channel that gives no number fails the whole read (false, `values` empty).
    bool fetchValues(QStringList &values) override;

    // --- channel set-up and coefficients ---------------------------------------------------
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    // The coefficient replies must be numbers; they become the record's texts as received.
    bool readChannelCoefficients(ChannelRecord &channel) override;

    // --- record files: the instrument keeps none this driver reads ---------------------------
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;   // false
    bool readRecordAt(QDateTime time, QStringList &values) override;         // false
    bool closeRecordFile() override;                                         // true

    // --- instrument settings ---------------------------------------------------------------
    QStringList baudRateList() override;
    QStringList filterList() override;
    QList<bool> settingMask() override;
    bool readDeviceSettings(QString &serial, QString &version, QString &address,
                            QString &baudRate, QString &ip, QString &mask, QString &port,
                            QString &filter) override;
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

    // The instrument's fixed waits; tests give shorter ones.
    struct Waits
    {
        int replyMs = 1000 * 10;    // the longest wait for one reply line
        int settleMs = 200;         // after every command
        int configureMs = 5000;     // before and after a channel set-up
        int startMs = 30000;        // after continuous measurement starts
        int pollMs = 10;            // the step of the reply wait
        int channelMs = 300;        // after each channel's reading, and after a try without one
    };
    void setWaits(const Waits &waits);

    // More probe names than this make the open fail.
    static constexpr int probeListLimit = 1000;

private:
    // "INP:PROB:PAR \"CH<number>\"," + parameter + "\r\n".
    static QString probeCommand(int number, const QString &parameter);
    // The probe commands of one row: `setup` adds the kind, conversion and current commands
    // to the coefficient commands. False (nothing to send) for a function the row's type does
    // not take; an empty list for a row without commands.
    static bool probeParameters(const ChannelRecord &row, bool setup, QStringList &parameters);
    // The coefficient texts that must be numbers: for the `setup`, those it sends (the leading
    // one alone when it leaves the curve unset or the channel is measured as plain
    // resistance); for a coefficient write, every coefficient of the row's curve.
    static QStringList sentCoefficientTexts(const ChannelRecord &row, bool setup);
    bool sendAll(const QStringList &commands);
    bool readProbeNames(QStringList &names);
    // A whole reply line that is a finite number.
    bool readNumberReply(QString &reply);
    // readChannelCoefficients on a row that may be left half read.
    bool readCoefficientsInto(ChannelRecord &channel);

    const QStringList compensationModes;
    const QStringList otherFunctions;
    const QStringList platinumFunctions;
    const QStringList thermistorFunctions;
    const QString vendorWord;
    const QStringList signalModes;
    const QStringList scanRates;
    const QStringList units;
    const QStringList channelTypes;

    std::atomic<bool> measuringStarted{false};
    QList<int> scannedChannels;
    std::atomic<int> replyMs{Waits().replyMs};
    std::atomic<int> settleMs{Waits().settleMs};
    std::atomic<int> configureMs{Waits().configureMs};
    std::atomic<int> startMs{Waits().startMs};
    std::atomic<int> pollMs{Waits().pollMs};
    std::atomic<int> channelMs{Waits().channelMs};
};
