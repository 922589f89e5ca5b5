#pragma once
// RegisterCollection: the base of the drivers whose instruments speak Modbus-style register
// frames (RTU with CRC, or the Modbus-TCP header), composed and parsed as hexadecimal text.
//
// It holds what every register driver shares, built once:
//  - the link state of the dialect: the learned station address, the framing chosen at open;
//  - sendCommand and readReply in the form the driver's Profile names (CRC order, how a reply
//    is told complete, whether the reply keeps its CRC, Modbus-TCP fall-back);
//  - the rule that keeps a late reply from being taken for the next request's: in Modbus-TCP
//    framing every request has its own transaction identifier and only its reply is taken;
//    in RTU framing (and with an instrument that answers every request as transaction 0) the
//    request after a transaction whose reply may still come waits for a quiet line;
//  - the open with the station-address probe (and the RTU / Modbus-TCP framing choice);
//  - one transaction routine (request, expected reply length exact or at least, tries, pause)
//    that every register operation goes through;
//  - the register operations of the family's register map (settings, identity, value blocks,
//    coefficient blocks, channel mask, curve codes), each with its first register as a
//    parameter where the models differ;
//  - the channel-table check, the value-table read, the device-settings read and write chains.
// A driver derives from it, fills its Profile in its constructor and implements its own lists,
// channel set-up and coefficients. Every waiting time is a per-driver Timings value.
//
// Register replies as the operations see them start with the station address and carry
// neither header nor CRC; their data start at digit 6, so a reply covering n registers is
// 6 + 4n digits.

#include "Collection.h"
#include "RegisterFrame.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>

class RegisterCollection : public Collection
{
    Q_OBJECT
public:
    struct Profile
    {
        RegisterFrame::CrcOrder crcOrder = RegisterFrame::CrcOrder::LowFirst;
        RegisterFrame::ReplyForm replyForm = RegisterFrame::ReplyForm::Checked;
        // readReply hands back the whole frame, CRC included, in lower case (else the frame
        // without CRC in upper case).
        bool replyKeepsCrc = false;
        // The open probes in RTU framing, then in Modbus-TCP framing when RTU got no answer.
        bool tcpFallback = false;
        // The probe: a broadcast read of this register; a good answer has this many digits
        // (without CRC or header) and the station address at digits 6-7.
        int probeRegister = 0x0001;
        int probeReplyDigits = 10;
        // The probe, the identity and settings reads, the coefficient reads and the register
        // writes take a reply of their length or longer.
        bool longerReplies = false;
    };
    struct Timings
    {
        int replyPolls = 300;       // reply polls of pollMs each
        int pollMs = 10;
        int openPolls = 40;         // link-up polls of openStepMs each
        int openStepMs = 100;
        int retryPauseMs = 300;     // after a failed try of a retrying read
        int blockGapMs = 30;        // between the temperature and the resistance block
        int coefficientGapMs = 100; // after each coefficient write of the channel set-up
        int settingGapMs = 1000;    // between two device-settings writes
        int settingReadGapMs = 0;   // between two device-settings reads
        int valueReplyWindows = 52; // reply windows a value frame may take (sample request)
        int setUpSettleMs = 2000;   // after a channel set-up that ends with a settle wait
    };

    // How a channel's function sets its two curve-code bits (writeCurveCodes): the function
    // words that clear both bits, set the low bit, set the high bit, and what any other does.
    enum class CurveCode { Keep, None, LowBit, HighBit };
    struct CurveWords
    {
        QString none;
        QString low;
        QString high;
        CurveCode other;
    };

    explicit RegisterCollection(const Profile &profile, QObject *parent = nullptr);
    ~RegisterCollection() override;

    // The profile of the drivers that choose RTU or Modbus-TCP framing at open.
    static Profile rtuOrTcpProfile();
    // The profile of the instruments that answer in whole frames kept with their CRC (sent in
    // `order`) and answer the probe with 6 bytes, "st 03 01 address".
    static Profile wholeFrameProfile(RegisterFrame::CrcOrder order);

    // --- Device ----------------------------------------------------------------------------
    // openRegisterLink with a strict probe.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool close() override;
    // Empties the receive buffer; false without sending when the link is down or `frame` is
    // not an even number of hexadecimal digits; else, once the line is quiet (settleLine),
    // sends it framed as the profile and the framing chosen at open say (RTU: CRC appended;
    // Modbus-TCP: header with the next transaction identifier in front).
    bool sendCommand(QString frame) override;
    // Polls the receive buffer for one reply in the profile's form (Modbus-TCP while that
    // framing is chosen: replies of other transactions are dropped and the wait goes on).
    // Replies of another station than the learned one fail at once.
    bool readReply(QString &reply) override;
    bool readSerialNumber(QString &serial) override;

    // --- what register instruments do not do ----------------------------------------------
    bool setDeviceTime(QDateTime time) override;
    bool setScanInterval(double seconds, int count) override;
    bool requestValues() override;
    bool fetchValues(QStringList &values) override;
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;
    QStringList filterList() override;                  // "0" to "15"
    QStringList baudRateList() override;                // "1200" to "115200"

    // Shared answers of the register family; a model may say otherwise.
    QStringList compensationList() override;            // {"内部补偿"}
    QStringList wiringList(QString type) override;      // {"四线制"}
    QList<bool> settingMask() override;                 // all six settable
    // The station address (lower case), serial number, version, baud rate, then the settings
    // settingMask() marks settable (IP address, subnet mask, port, filter); the first failed
    // read ends it.
    bool readDeviceSettings(QString &serial, QString &version, QString &address,
                            QString &baudRate, QString &ip, QString &mask, QString &port,
                            QString &filter) override;
    // Every setting that settingMask() marks settable is validated first (nothing is sent when
    // one is bad), then written in the order address, baud rate, IP address, subnet mask,
    // port, filter, the settings gap between two; the first failure ends the chain. `message`
    // says how it ended.
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

    // The value-table read: the temperature block when a configured channel reads a
    // temperature, then the resistance block, one value per configured channel in row order
    // (fixed, 10 decimals; kΩ and MΩ scaled from Ω). A decoded NaN or infinity is no value
    // of that channel and is passed on as "nan".
    bool readValues(QStringList &values) override;

    // Waiting times (tests shorten them). Set before an operation runs, not during one.
    void setTimings(const Timings &t) { timing = t; }
    // The shortest wait for a block reply and the pause after a failed block try (tests
    // shorten them).
    void setBlockWaits(int minimumMs, int pauseMs)
    {
        blockMinimumMs = minimumMs;
        blockPauseMs = pauseMs;
    }
    Timings timings() const { return timing; }
    // The learned station address ("" before the first successful probe).
    QString station() const { return stationAddress; }
    // True while the framing chosen at open is RTU.
    bool rtuFramingChosen() const { return rtuFraming; }
    // Each open chooses RTU or Modbus-TCP framing (else every frame is RTU).
    bool choosesFraming() const { return profile.tcpFallback; }
    // The instrument answered the open's probe in Modbus-TCP framing as transaction 0: every
    // request goes as transaction 0 and replies are told apart by the quiet-line rule.
    bool answersTransactionZero() const { return zeroTransactions; }

protected:
    // --- the transaction routine ------------------------------------------------------------
    struct Transaction
    {
        QString request;            // the frame after the station address
        int replyDigits = 0;        // the reply's length without header and CRC
        bool atLeast = false;       // accept replyDigits or more
        int tries = 1;
        int pauseMs = 0;            // after a failed try that is not the last
        // A failed send ends the tries at once (writes); else it takes a try (value reads),
        // with this trace when it is not empty.
        bool sendFailureEnds = true;
        QString sendFailureTrace;
    };
    // Sends stationAddress + request and reads the reply, up to `tries` times, until the reply
    // has the expected length; `reply` is then that reply without header and CRC. False at
    // once, nothing sent, while no station address is known.
    bool transact(const Transaction &t, QString &reply);
    // sendCommand's body: the frame framed as the profile says.
    bool sendFrame(const QString &frame);
    // Where replies are told apart only by their order (RTU framing, or an instrument that
    // answers as transaction 0), the reply to the last request of a transaction that had a try
    // time out (nothing or part of a frame came) or answered by another station may still come:
    // the next request then waits for a quiet line first. A try answered by a whole frame of the
    // station asked (taken or refused: an exception, a damaged frame of the expected length, a
    // short one) owes no wait. `windowMs` is that transaction's reply window.
    void replyMayFollow(int windowMs);
    // The reply window of one try: the reply polls of the timings.
    int replyWindowMs() const { return timing.replyPolls * timing.pollMs; }
    // Before a request: when a reply may still follow, waits until the line has been quiet for
    // the reply window (counted from when the last request's window ended, or from the last
    // byte that came after it), then empties the receive buffer. False (the receive buffer
    // emptied, the wait still owed) when the line did not go quiet within two windows or the
    // link went down.
    bool settleLine();
    // Stamps the moment a request went out (for settleLine).
    void requestSent();
    // readReply's body, told the reply's length when it is known (`expectedDigits` without
    // header and CRC; 0 for unknown): the whole form cuts the reply there. `ended`: the request
    // was answered by a whole frame of the station asked, taken or refused (Reply::ended).
    bool readFrame(QString &reply, int expectedDigits, bool &ended);
    // Reads `count` registers from `first` in one try; the reply must cover them exactly.
    bool readOnce(int first, int count, QString &reply);
    // Writes `data` (4 digits per register) from `first`: up to 3 tries; success needs a
    // reply in read layout covering the registers written (or at least that long).
    bool writeRegisters(int first, const QString &data, bool atLeast = false);
    // Writes `data` from `first`; success needs the request echoed as the reply.
    bool writeEchoed(int first, const QString &data, int tries = 3);
    // `values` as singles from `first` (2 registers each), answered by the request echoed.
    bool writeSinglesEchoed(int first, const QList<double> &values, int tries = 3);
    // Writes one register (function 06) with `value` (4 digits); success needs a reply of
    // `replyDigits` (without CRC).
    bool writeOne(int reg, const QString &value, int replyDigits, int tries);
    // The clock bytes year − 2000, month, day, hour, minute, second as 12 digits; false for a
    // time outside the years 2000-2255.
    static bool clockData(const QDateTime &time, QString &data);

    // --- open -------------------------------------------------------------------------------
    // False at once when the link is up. Else: RTU framing; the link is brought up; the
    // station address is probed (twice with the Modbus-TCP fall-back: the first probe decides
    // the framing). A failed last probe closes the link. With `strictProbe` false a good reply
    // of another length keeps the address known before (the open then needs one).
    bool openRegisterLink(const QString &signalMode, const QString &ipCom,
                          const QString &portBaudRate, bool strictProbe = true);
    // The broadcast read of the profile's probe register ("000300010001"), answered by any
    // station; a reply of the profile's length gives the station address (digits 6-7).
    // `strict`: other lengths fail.
    bool probeStationAddress(bool strict = true);

    // --- register reads ---------------------------------------------------------------------
    // The first registers of the device settings; a model with another map changes them in
    // its constructor.
    struct SettingRegisters
    {
        int serial = 0x0011;    // 5 registers of text
        int version = 0x0016;   // -1: the model has no version register; its version is "1"
        int address = 0x0001;
        int baudRate = 0x0002;
        int ip = 0x0005;
        int mask = 0x0007;
        int port = 0x0009;
        int filter = 0x000A;
    };
    SettingRegisters settingRegisters;
    // The settings at 0x0001-0x0007 (port 0x0003, IP address 0x0004, subnet mask 0x0006), the
    // serial number at 0x1000, no version register.
    static SettingRegisters compactSettingRegisters();
    bool readDeviceId(QString &id);                 // 5 registers, text to a zero byte
    bool readVersion(QString &version);             // the 4 digits as they stand
    virtual bool readBaudRate(QString &rate);       // index into baudRateList, first byte
    bool readFilterIndex(QString &filter);          // index into filterList, first byte
    bool readIpAddress(QString &ip);                // 4 octets
    bool readSubnetMask(QString &mask);             // 4 octets
    virtual bool readPort(QString &port);           // low byte first
    bool readListEntry(int first, const QStringList &list, QString &entry);   // by first byte
    bool readOctets(int first, QString &dotted);
    // The 8 curve-code bytes of 4 registers from `first`, up to 3 tries.
    bool readCurveCodes(int first, QByteArray &codes, bool atLeast = false);
    // A value block: `count` doubles of 4 registers from base + 4 × index, up to 3 tries with
    // the retry pause; `values` is emptied first.
    bool readDoubles(int base, int index, int count, QList<double> &values,
                     const QString &sendFailureTrace);
    bool readTemperatures(int index, int count, QList<double> &values);   // from 0x0019
    bool readResistances(int base, int index, int count, QList<double> &values);
    // `count` doubles from `first`, one try; a coefficient read back must be a finite number,
    // else the read fails (`values` untouched).
    bool readCoefficientDoubles(int first, int count, QList<double> &values);
    // The four doubles of the 16-register block base + 16 × index.
    bool readChannelCoefficients4(int base, int index, double &a, double &b, double &c,
                                  double &d);
    // The six doubles R0, A, B, C, A4, B4 of the 24-register block at `first`.
    bool readCoefficients6(int first, double &r0, double &a, double &b, double &c, double &a4,
                           double &b4);

    // --- register writes (validated first: nothing is sent on a bad argument) ---------------
    // (The settings chain validates every argument before the first of them is written.)
    virtual bool writeDeviceAddress(const QString &address);    // two hex digits
    virtual bool writeBaudRate(const QString &rate);            // an entry of baudRateList
    virtual bool writeIpAddress(const QString &ip);             // four decimal octets 0..255
    virtual bool writeSubnetMask(const QString &mask);
    virtual bool writePort(const QString &port);                // decimal 1..65535
    bool writeFilterIndex(const QString &filter);       // an entry of filterList
    bool writeListEntry(int first, const QStringList &list, const QString &entry);
    bool writeOctets(int first, const QString &dotted);
    // The channel enable mask (0x0003): bit k for each index k (0..31), least significant byte
    // first on the wire.
    bool writeChannelMask(const QList<int> &bits);
    // Reads the 8 curve-code bytes at `first`, sets the bits of every row (channel n: byte
    // (n − 101) / 4, bits 2·((n − 101) mod 4) and the next) and writes them back. Rows outside
    // 101..132 have no place and are skipped.
    bool writeCurveCodes(int first, const QList<ChannelRecord> &rows, const CurveWords &words,
                         bool atLeast = false);
    bool writeChannelCoefficients4(int base, int index, double a, double b, double c, double d);
    bool writeCoefficients6(int first, double r0, double a, double b, double c, double a4,
                            double b4);
    bool writeDoubles(int first, const QList<double> &values);
    // A, B, C, D of a row's texts as doubles at base + 16 × its value-table index, and back
    // (at full precision; R0, A4, B4 become "0"; the row is unchanged on a failed read).
    bool writeRowCoefficients4(int base, const ChannelRecord &row);
    bool readRowCoefficients4(int base, ChannelRecord &row);
    // The coefficient part of a channel set-up with four-double blocks: every row whose type is
    // in `types` and whose A is not 0 gets A, B, C, D at base + 16 × index (the coefficient gap
    // after each); then the channel mask of all rows. The first failed write ends it.
    bool writeFourDoubleSetUp(const QList<ChannelRecord> &rows, int base, const QStringList &types);

    // --- record files -----------------------------------------------------------------------
    // A record file whose heading starts with "Time" and has at least `minFields` fields; each
    // further field of at least 4 characters names channel "1" + its characters 2-3, up to the
    // first shorter field. Every row must be a channel of the model with a column. A refused
    // file is closed.
    bool openIndexedRecordFile(const QString &path, const QList<ChannelRecord> &rows, int minFields);
    // The record within 2 s of `time` (time "yyyy-MM-dd hh:mm:ss" in field 0) or, with
    // `stepCapMs` above 0 and the import's step known, from 2 s before it up to one step after
    // it within `stepCapMs` (RecordLayout): each value a number, through recordValue with its
    // row's unit, written with 6 significant digits, a missing one ("nan", "inf") "nan". A
    // field that is not a number fails the read.
    bool readIndexedRecord(const QDateTime &time, QStringList &values, qint64 stepCapMs = 0);
    // A record value in the unit of its row (the value as recorded by default).
    virtual double recordValue(double value, const QString &unit);
    QStringList recordUnits;                // the unit of each value of a record read

    // --- shared bodies ----------------------------------------------------------------------
    // Rows not empty; each row's number in channelNumberList(channelCount()) (else the number
    // + ":通道号错误！"), then its options; numbers rising; with `singleCurve` at most one type,
    // one function and one wiring; at most two units.
    bool checkRegisterChannels(const QList<ChannelRecord> &rows, QString &error,
                               bool singleCurve = false);
    // A model's own rules on where its channels may lie, checked after the options and before
    // the rising numbers; true when none is broken.
    virtual bool checkChannelPlaces(const QList<ChannelRecord> &rows, QString &error);
    // The position of a channel number in the model's channel list; -1 when not in it.
    int channelPosition(const QString &number);
    // Stores the rows, the index range (up to the highest value-table index) and the block
    // flags for readValues; false, nothing stored, when `rows` is empty or a row is not a
    // channel of the model.
    bool storeChannels(const QList<ChannelRecord> &rows);
    // The value-table index of a channel (number − 101 unless a model says otherwise).
    virtual int valueIndex(const QString &number);
    // A channel of this unit takes its value from the temperature block.
    virtual bool readsTemperature(const QString &unit);
    // The first register of the resistance block.
    virtual int resistanceBase() const { return 0x0059; }

    // The baud-rate lists of the family: "1200" up to "57600", and up to "115200".
    static QStringList baudRatesTo57600();
    static QStringList baudRatesTo115200();

    // The nine coefficient flags with the listed ones set.
    static QList<bool> coefficientFlags(std::initializer_list<int> set);

    // Argument checks of the writes.
    static bool octets(const QString &text, QString &data);
    static bool portNumber(const QString &text, int &port);

    // Coefficient texts read back from an instrument, at full precision.
    static QString coefficientText(double value);
    // True when every coefficient read back is a finite number; else a trace naming where they
    // came from (`source`) and false.
    static bool finiteCoefficients(const QString &source, const QList<double> &values);
    static QString coefficientText(float value);

    // --- value blocks, masks and code bits of the larger instruments (RegisterBlocks.cpp) ----
    // The two value blocks of readValues; by default the doubles of readTemperatures and of
    // readResistances(resistanceBase()) over the stored index range.
    virtual bool readTemperatureBlock(QList<double> &values);
    virtual bool readOtherBlock(QList<double> &values);
    // Reads `count` registers from `first` as one block reply taken as raw bytes (any count,
    // past the 125 registers of a standard reply): from the learned station or station 01,
    // function 03, its byte count ignored, RTU with the CRC checked or Modbus-TCP with the
    // length checked. `data` = the registers' bytes. Up to `tries` tries, the block pause
    // after a failed one; each try waits blockWaitMs.
    bool readRawBlock(int first, int count, int tries, QByteArray &data);
    // The stored index range's values of a raw block from `first`: doubles (4 registers each)
    // or singles (2), one after the other.
    bool readValueBlock(int first, int registersEach, int tries, QList<double> &values);
    // The wait for a block reply of `bytes` bytes: on a serial link 1.5 times its wire time at
    // the baud rate of the open plus 0.3 s, at least blockMinimumMs; on others blockMinimumMs.
    int blockWaitMs(int bytes) const;
    // `count` doubles or singles of a block's bytes, the first at `offset`, `stride` apart.
    static QList<double> blockDoubles(const QByteArray &data, int offset, int stride, int count);
    static QList<double> blockSingles(const QByteArray &data, int offset, int stride, int count);
    // Singles from `first` (2 registers each): written with up to 3 tries, read in one.
    // `count` doubles (4 registers each) or singles (2) from `first`, up to 3 tries with the
    // retry pause; a refused send takes a try (with `sendFailureTrace`).
    bool readNumbers(int first, int count, int registersEach, QList<double> &values,
                     const QString &sendFailureTrace);
    static float singleOf(const QString &text);     // a coefficient text as a single
    // A thermistor row's coefficients: A, B, C, D as doubles at doublesBase + 16 × index for
    // "R(T)" and "T(R)", else A, B as singles at singlesBase + 16 × index; and back (texts at
    // full precision, the others "0", gain 1 and offset 0 before the read).
    bool writeThermistorRow(const ChannelRecord &row, int doublesBase, int singlesBase);
    bool readThermistorRow(ChannelRecord &row, int doublesBase, int singlesBase);
    // A platinum row's R0, A, B, C, A4, B4 as doubles at base + 24 × index (rounded to singles
    // first with `singles`), and back (D "0", gain 1 and offset 0 before the read).
    bool writePlatinumRow(const ChannelRecord &row, int base, bool singles = false);
    bool readPlatinumRow(ChannelRecord &row, int base, bool singles = false);
    // The coefficient part of a channel set-up: writeChannelCoefficients of each row `wanted`
    // picks, the coefficient gap after each write; the first failed write ends it.
    bool writeSetUpCoefficients(const QList<ChannelRecord> &rows,
                                const std::function<bool(const ChannelRecord &)> &wanted);
    // A row of type "空" (or, with `resistanceToo`, "电阻") carries no coefficients.
    static bool withoutCoefficients(const ChannelRecord &row, bool resistanceToo = true);
    bool writeSingles(int first, const QList<float> &values);
    // `count` singles from `first` in one try; `atLeast`: a longer reply is good too. The
    // singles are coefficients, gains or offsets: one that is not a finite number fails the
    // read (`values` untouched).
    bool readSingles(int first, int count, QList<float> &values, bool atLeast = false);
    // A mask of `bytes` bytes at `first`, bit k set for each index k, least significant byte
    // first; false, nothing sent, for an index that has no bit.
    bool writeBitMask(int first, const QList<int> &bits, int bytes);
    // Two code bits per channel in `registers` registers from `first`: read (3 tries with the
    // retry pause), each row's bits set by `rule` (channel n: byte (n − 101) / 4, bits
    // 2·((n − 101) mod 4) and the next; rows without a place skipped), written back.
    using CodeRule = std::function<CurveCode(const ChannelRecord &)>;
    bool readCodeBytes(int first, int registers, QByteArray &codes, bool atLeast = false);
    bool writeCodeBits(int first, int registers, const QList<ChannelRecord> &rows,
                       const CodeRule &rule, bool atLeast = false);
    // Every row is a channel of the model (and there is one).
    bool knownChannels(const QList<ChannelRecord> &rows);
    // The value-table indexes of the rows.
    QList<int> indexesOf(const QList<ChannelRecord> &rows);

    Profile profile;
    Timings timing;
    QString stationAddress;                 // two hex digits; "" until a probe learns it
    bool rtuFraming = true;                 // the framing chosen at open

    // The channel table of the last configureChannels.
    bool readTemperaturesFlag = false;
    bool readResistancesFlag = false;
    int firstIndex = 0;
    int indexCount = 0;
    QList<ChannelRecord> channels;

    // The block waits: the link's baud rate (0 when not serial), the shortest wait, the pause
    // after a failed block try.
    int linkBaud = 0;
    int blockMinimumMs = 1000;
    int blockPauseMs = 100;

private:
    // Modbus-TCP framing was chosen at open (only with the fall-back).
    bool tcpFramingInForce() const;
    // Replies are told apart by their order alone.
    bool repliesInOrderOnly() const;
    // The next transaction identifier, 1 to 0xFFFF and round again.
    quint16 nextTransaction();

    bool probing = false;                   // the probe takes a reply from any station
    // Modbus-TCP: the identifiers of the last request, and of the instrument's replies.
    quint16 lastTransaction = 0;
    QString sentPrefix = QStringLiteral("00000000");
    bool zeroTransactions = false;          // it answers every request as transaction 0
    // The quiet-line wait owed (settleLine): its window (0: none), and from when it counts.
    QElapsedTimer lineClock;
    qint64 lastRequestAt = 0;
    qint64 quietFrom = 0;
    int quietWindowMs = 0;
};
