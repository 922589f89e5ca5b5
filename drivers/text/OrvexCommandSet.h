#pragma once
// OrvexCommandSet: the text dialect in which every setting command is answered by the single
// line "SET OK" and every query by one line of data, spoken by the Orvex scanners of the second
// generation, the Folen and the Gastu. It is the base of those drivers: each command below acts
// on the driver that calls it (CollectionOrvex::setKeyLock, CollectionFolen's reset, ...), built
// once here.
//
// Command texts: a channel list is "(@" + indices joined with "," + ")"; a list command is
// header + values joined with "," + ",(@" + indices + ")\r\n", the n-th value for the n-th
// index; a query on one channel puts the list right after its "?". Rows handed to the commands
// already carry the instrument channel index in `channelNumber` (the driver's own rule), which
// goes into the command unchanged.
//
// Every exchange is sendCommand followed by one readReply of the driver. A setter succeeds only
// on the exact reply "SET OK"; nothing is retried. Commands are called inside the driver's own
// operations, which hold its exchange lock; the commands take it as well.
//
// Number formats: gain and offset 'g' with 6 significant digits; coefficients on the wire 'e'
// with 10 decimals; readings fixed with 6 decimals; coefficients read back from the instrument
// as the shortest text that reads back to the same double.

#include "Collection.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <initializer_list>

class OrvexCommandSet : public Collection
{
    Q_OBJECT
public:
    explicit OrvexCommandSet(QObject *parent = nullptr);
    ~OrvexCommandSet() override;

    // --- the link operations the dialect's drivers share ----------------------------------------
    // Opens the link (40 polls of 100 ms), then locks the instrument's keys; a refused key lock
    // closes the link again and gives false.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    // Unlocks the keys (its result not looked at), then closes the link (40 polls of 100 ms).
    bool close() override;
    // One whole reply line within the reply budget.
    bool readReply(QString &reply) override;
    // Empties the receive buffer and sends at once (no settle wait); false when the link is down.
    bool sendCommand(QString command) override;
    // The identity reply, unchecked.
    bool readSerialNumber(QString &serial) override;
    QStringList signalModeList() override;                     // "串口", "网络"
    // 0.35 s for "快速", 0.5 s for "中速", 1.0 s otherwise; the rows are not looked at.
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;
    // "SYST:DATE yyyy,MM,dd,hh,mm,ss", answered "SET OK".
    bool setDeviceTime(QDateTime time) override;
    bool setScanInterval(double seconds, int count) override;  // true, nothing sent
    bool requestValues() override;                             // sends "DATA:OFFS?"
    QStringList baudRateList() override;                       // "1200" to "115200"
    QStringList filterList() override;                         // "0" to "15"
    // Address fixed; baud rate, IP address, mask, port (the gateway) and filter settable.
    QList<bool> settingMask() override;
    // readSettings, with the filter when settingMask offers it.
    bool readDeviceSettings(QString &serial, QString &version, QString &address,
                            QString &baudRate, QString &ip, QString &mask, QString &port,
                            QString &filter) override;
    // writeSettings with the filter, "设置成功,请断开连接重连。" or "设置失败。".
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

    // Record files: a heading "Record...", "Time...", then columns "Ch<index>(unit)" (others
    // name no channel); the values of the rows' channels in their order, each from its first
    // column; records through the shared reader with recordLayout.
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;

    // The channel set-up of the dialect: a reset ("SET OK"), no rows false, `configuredChannels`
    // the rows numbered with their indices, the scan rate (when `sendsRate`), the driver's
    // list commands (sendChannelSetup), per row that is not "空" its curve type (when
    // `selectsCurvePerRow`) and its curve coefficients (when `sendsCoefficients` and the leading
    // coefficient is set), then every row switched on. The texts it sends are checked
    // (checkSetupTexts) before anything is sent.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    // The channel's curve type (selectCurve), its curve coefficients (sent even when 0), then its
    // correction. False for a channel number the model does not have.
    bool writeChannelCoefficients(ChannelRecord channel) override;
    // The channel's curve type (selectCurve), then its curve coefficients and its correction
    // from the instrument; the record changes only when every query succeeded (its number kept).
    bool readChannelCoefficients(ChannelRecord &channel) override;

    // The longest wait for one reply line, and for the sample that requestValues asked for
    // (three reply waits). Tests give shorter ones (at least one 10 ms poll each).
    static constexpr int defaultReplyBudgetMs = 300 * 10;
    static constexpr int defaultSampleBudgetMs = 3 * defaultReplyBudgetMs;
    void setReplyBudgets(int replyMs, int sampleMs);
    int sampleBudget() const { return sampleBudgetMs.load(); }
    // The instrument's fixed waits: after channels are switched on, and between the two commands
    // of one setting (correction gain and offset, cold-junction kind and temperature). Tests
    // give shorter ones (at least 0 ms).
    static constexpr int defaultSwitchOnWaitMs = 1500;
    static constexpr int defaultSettingWaitMs = 500;
    void setFixedWaits(int switchOnMs, int settingMs);

    // --- queries -------------------------------------------------------------------------------
    // "*IDN?": the whole reply line, unchecked.
    bool queryIdentity(QString &identity);
    // "EDITION:SOFT?": the whole reply line.
    bool querySoftwareEdition(QString &version);
    // "SYST:COMM:BAND?": the whole reply line.
    bool queryBaudRate(QString &baud);
    // "SYST:NET:IP?": exactly three ";"-separated parts, else false with the outputs untouched.
    bool queryNetwork(QString &address, QString &mask, QString &gateway);
    // "CALC:SCAL:GAIN?(@i)" then "CALC:SCAL:OFFS?(@i)", each reply one number; the gain is
    // written as soon as it came, so a failed offset query leaves it written.
    bool queryScale(int index, float &gain, float &offset);
    // "TEMP:NTC:COEF?(@i)": exactly four numbers A, B, C, D, else false, outputs untouched.
    bool queryNtcCoefficients(int index, double &a, double &b, double &c, double &d);
    // "TEMP:RTD:COEF?(@i)": exactly six numbers R0, A, B, C, A4, B4, else false.
    bool queryRtdCoefficients(int index, double &r0, double &a, double &b, double &c, double &a4,
                              double &b4);
    // "DATA:OFFS?": one sample of `configuredChannels`, each value converted by its unit ("V":
    // mV to V, "Pa": kPa to Pa), see sampleValues.
    bool queryValues(QStringList &values);

    // --- setters with one argument or none ----------------------------------------------------
    bool resetDevice();                                        // "*RST"
    bool setKeyLock(bool locked);                              // "SYST:KLOC 1|0"
    bool setRate(QString speed);                               // "RATE FAST|MED|SLOW|"
    // "SYST:COMM:BAND <baud>"; on a serial link no reply is read (the link changes speed).
    bool setBaudRate(QString baud);
    // Asks "SYST:NET:IP?" first and sends "SYST:NET:IP a;m;g" only when it differs; on a TCP
    // link no reply is read (the link changes address).
    bool setNetwork(QString address, QString mask, QString gateway);

    // --- setters on a list of rows (every row takes part; an empty list sends nothing) ---------
    // "ROUT:CHAN:STAT 1,...", then the switch-on wait.
    bool setChannelStates(const QList<ChannelRecord> &rows);
    bool setNtcType(const QList<ChannelRecord> &rows);         // "TEMP:NTC:TYPE" by function
    bool setRtdType(const QList<ChannelRecord> &rows);         // "TEMP:RTD:TYPE" by function
    bool setNtcRange(const QList<ChannelRecord> &rows);        // "TEMP:NTC:RES" by unit
    bool setRtdRange(const QList<ChannelRecord> &rows);        // "TEMP:RTD:RES" by unit
    bool setTcVoltageRange(const QList<ChannelRecord> &rows);  // "TEMP:TC:VOLT" by unit
    bool setWiring(const QList<ChannelRecord> &rows);          // "WIRE" by wire mode
    // "TEMP:TC:TYPE <letter>" of the first row, for the whole instrument (no channel list).
    bool setTcType(const QList<ChannelRecord> &rows);
    // "CALC:SCAL:GAIN" then, a setting wait later, "CALC:SCAL:OFFS" for the rows that are not "空" and
    // carry a correction (gain not -1000); true with nothing sent when none does.
    bool setScale(const QList<ChannelRecord> &rows);

    // --- setters on one channel --------------------------------------------------------------
    bool setNtcCoefficients(int index, double a, double b, double c, double d);
    bool setRtdCoefficients(int index, double r0, double a, double b, double c, double a4,
                            double b4);

    // --- shared helpers ----------------------------------------------------------------------
    // The "SET OK" exchange of one command text.
    bool setOk(const QString &command);
    // The query exchange: send, then one reply.
    bool query(const QString &command, QString &reply);
    // "(@" + the rows' channelNumber texts joined with "," + ")".
    static QString channelList(const QList<ChannelRecord> &rows);
    // The instrument channel index of a channel number ("101" gives "1"): the number minus 100.
    static QString channelIndex(const QString &channelNumber);
    // `rows` with every channelNumber replaced by its instrument channel index.
    static QList<ChannelRecord> indexedRows(QList<ChannelRecord> rows);
    // True when a coefficient text counts as not set: empty, or a number equal to 0.
    static bool coefficientUnset(const QString &text);
    // A coefficient read from the instrument, as the configuration keeps it: the shortest text
    // that reads back to the same double.
    static QString coefficientText(double value);

    // A sample line: one value per row of `configuredChannels`, each a number, written with 6
    // decimals; with `convertUnits` a "V" channel is divided and a "Pa" channel multiplied by
    // 1000. False, with `values` emptied, when the count differs or a field is not a number.
    bool sampleValues(const QString &reply, bool convertUnits, QStringList &values);

    // The channel rows of the last channel set-up that got past its reset, each numbered with
    // its instrument channel index.
    QList<ChannelRecord> configuredChannels;

protected:
    // The sample that requestValues asked for, read as one whole line within the sample budget
    // and parsed by sampleValues; false with `values` untouched when no line came.
    bool fetchSample(bool convertUnits, QStringList &values);
    // The channel check of the dialect: every number is one of the model's channels (else the
    // number + ":通道号错误！"), the option check of each row, numbers rising strictly, at most
    // two units, and the texts the set-up sends are numbers (checkSetupTexts).
    bool checkSetOkChannels(const QList<ChannelRecord> &rows, QString &error);
    // The settings read: address "01", then identity, software edition, baud rate, network
    // (gateway into `port`) and, `withFilter`, the filter; false at the first failure.
    bool readSettings(bool withFilter, QString &serial, QString &version, QString &address,
                      QString &baudRate, QString &ip, QString &mask, QString &port,
                      QString &filter);
    // The settings write: the filter first when `withFilter`, then network and baud rate, the
    // setting that carries the link in use last. The address is not written.
    bool writeSettings(bool withFilter, const QString &baudRate, const QString &ip,
                       const QString &mask, const QString &port, const QString &filter);

    // Nine coefficient flags (A, B, C, D, R0, A4, B4, gain, offset): gain and offset, and the
    // coefficients at `indices`.
    static QList<bool> coefficientFlags(std::initializer_list<int> indices);

    // The list commands of the channel set-up, on the rows numbered with their indices.
    virtual bool sendChannelSetup(const QList<ChannelRecord> &rows) = 0;
    // Selects the curve of one channel (row numbered with its index) on the instrument.
    virtual bool selectCurve(const ChannelRecord &row) = 0;
    // The curve coefficient texts of a row in wire order: a thermistor's A, B, C, D, a platinum
    // resistance's R0, A, B, C, A4, B4, none for other types; with `whenSet`, none either when
    // the leading one (A or R0) is not set.
    static QStringList curveCoefficients(const ChannelRecord &row, bool whenSet);
    // setNtcCoefficients for four texts, setRtdCoefficients for six (an empty text is 0),
    // nothing for none.
    bool sendCurveCoefficients(int index, const QStringList &texts);
    // What the channel set-up sends for a row that must be finite numbers: its curve
    // coefficients when they are set, its gain and offset when it carries a correction. False
    // with `error` naming the channel when one is not.
    virtual bool checkSetupTexts(const ChannelRecord &row, QString &error);
    // A row that is not "空" and whose gain is not -1000 (no correction) has its gain and
    // offset sent by setScale.
    static bool carriesCorrection(const ChannelRecord &row);

    bool sendsRate = true;
    bool sendsCoefficients = true;
    bool selectsCurvePerRow = false;
    std::atomic<int> settingWaitMs{defaultSettingWaitMs};   // setFixedWaits

    // The record rules: time "yyyy-MM-dd hh:mm:ss.zzz", a record taken from 999 ms before the
    // time asked for up to 1000 ms after it, or, with the import's step known, up to one step
    // after it within 1000 s (a later one is kept for the next call); fields after the
    // heading's are not read.
    virtual RecordLayout recordLayout();
    // The channel number of a record file's heading column "Ch<index>": index + 100.
    virtual int recordChannel(int index);

    // Which link the transport has open (Comm::Transport).
    int linkKind() const;
    // The list command of a word table: header + one code per row + channel list; false with
    // nothing sent for an empty list.
    bool setCodes(const QString &header, const QList<ChannelRecord> &rows,
                  QString (*code)(const ChannelRecord &row));
    // A query whose reply holds exactly `fields.size()` numbers separated by ","; a field that
    // is not a number (isNumberText) fails it. On failure the fields are left untouched.
    bool queryNumbers(const QString &command, std::initializer_list<double *> fields);

private:
    std::atomic<int> replyBudgetMs{defaultReplyBudgetMs};
    std::atomic<int> sampleBudgetMs{defaultSampleBudgetMs};
    std::atomic<int> switchOnWaitMs{defaultSwitchOnWaitMs};
};
