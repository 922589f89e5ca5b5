#pragma once
// The register-frame layer of the Modbus-style instruments, without link and without waiting.
//
// A frame text is hexadecimal, two digits per byte, most significant digit first, no
// separators; the letter case does not matter on the wire. The layer builds requests (station
// address, function 03 / 06 / 10, registers), wraps them for the wire (RTU: CRC-16/MODBUS
// appended, low or high byte first; Modbus-TCP: the 6-byte header in front, no CRC), parses a
// receive buffer into "incomplete", "bad" or one frame, and converts register values (IEEE-754
// singles and doubles, least significant byte first) to and from hexadecimal text.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace RegisterFrame {

enum class CrcOrder { LowFirst, HighFirst };

// CRC-16/MODBUS (start 0xFFFF, reflected polynomial 0xA001, no final XOR) of `bytes`.
quint16 crc16(const QByteArray &bytes);
// The CRC of the bytes the hexadecimal `frame` encodes, as 4 upper-case digits, low byte first.
QString crc16Hex(const QString &frame);
// The same CRC, high byte first.
QString crc16HexHighFirst(const QString &frame);
QString crcHex(const QString &frame, CrcOrder order);

// A single as 8 lower-case digits, least significant byte first ("0000803f" is 1.0).
QString floatToHex(float value);
// Blanks removed; fewer than 8 digits give 0. The first 8 digits, least significant byte first;
// digits that are not hexadecimal read as 0.
float hexToFloat(QString text);
// A double as 16 lower-case digits, least significant byte first ("000000000000f03f" is 1.0).
QString doubleToHex(double value);
// As hexToFloat with 16 digits.
double hexToDouble(QString text);

// True for a non-empty text of an even number of hexadecimal digits and nothing else.
bool isHexText(const QString &text);
// True for exactly two hexadecimal digits (a station address).
bool isStationAddress(const QString &text);
// `value` (0..0xFF) as 2 upper-case digits ("0E").
QString hex2(int value);
// `value` (0..0xFFFF) as 4 upper-case digits, high byte first ("0019").
QString hex4(int value);
// `value` (0..0xFFFF) as 4 upper-case digits, low byte first (502 gives "F601").
QString swappedHex4(int value);

// Requests without station address: read `count` holding registers from `first`
// ("03" + first + count), and write the registers from `first` with `data` (4 digits per
// register: "10" + first + count + byte count + data).
QString readRequest(int first, int count);
QString writeRequest(int first, const QString &data);

// The frame with its CRC appended.
QString rtuFrame(const QString &frame, CrcOrder order);
// The frame behind the Modbus-TCP header: `prefix` (transaction and protocol identifiers, 8
// digits) and the frame's byte count as 4 digits; no CRC.
QString tcpFrame(const QString &frame, const QString &prefix = QStringLiteral("00000000"));
// The 8 digits a Modbus-TCP header starts with: the transaction identifier, protocol 0.
QString tcpPrefix(quint16 transaction);

// How a reply is told complete.
enum class ReplyForm {
    // By its function: "03" and "10" carry a byte count n and are 5 + n bytes with the CRC,
    // "06" is 8 bytes, an exception reply (function with its high bit set) 5 bytes and bad once
    // they are in; any other function is bad at once. The frame is cut at that length, then its
    // CRC is checked: a mismatch is bad.
    Checked,
    // By its CRC alone: the whole buffer is the frame once its last two bytes are the CRC of
    // the rest; until then (incomplete or damaged) it is incomplete. When the reply's length is
    // known, the first that many bytes are a frame as soon as they end in their CRC (a stray
    // byte after a good frame is cut off).
    Whole,
};

struct Reply
{
    // Other: a whole Modbus-TCP frame of another transaction (`whole`), to be dropped.
    enum State { Incomplete, Bad, Frame, Other };
    State state = Incomplete;
    QByteArray frame;   // station address, function and data: no CRC, no header
    QByteArray whole;   // the frame as received, CRC or header included, cut at its length
    QString reason;     // when bad: "station", "function", "exception", "crc", "header" or "length"
    // The whole reply of the request is in, taken or refused: a frame of the station asked, or
    // (incomplete) one that is whole if no byte follows. No late reply is owed.
    bool ended = false;
};

// An RTU reply in `buffer`. A non-empty `station` (two hex digits, any case) must be the
// reply's first byte, else the reply is bad as soon as it holds 3 bytes. `expectedBytes`
// (CRC included; 0 for unknown) is the length the whole form looks for first. Ended: every
// frame of the checked form, and a damaged one of the expected length; in the whole form a
// frame of at least the expected length or an exception reply, and a damaged one of exactly
// the expected length.
Reply parseRtu(const QByteArray &buffer, const QString &station, CrcOrder order,
               ReplyForm form = ReplyForm::Checked, int expectedBytes = 0);
// A Modbus-TCP reply: header (transaction identifier, protocol identifier 0, length), then the
// frame of that length; bytes after it are not looked at. A header of another protocol is bad;
// a whole frame whose transaction is not the one `prefix` (8 digits) names is Other. Station
// as above. The length must be the one the function implies: 3 + the byte count for "03" and
// "10" (read layout), 6 for "06"; any other function is bad. A whole frame of the station
// asked has ended its request, taken or refused.
Reply parseTcp(const QByteArray &buffer, const QString &station,
               const QString &prefix = QStringLiteral("00000000"));

// A block reply (a read of any register count, its byte count ignored) of `bytes` bytes in RTU
// framing (CRC low byte first included): from `station` or station 01, function 03. In
// Modbus-TCP framing (`tcp`) the header's length must be `bytes` − 2 and there is no CRC; a
// frame of another transaction than `prefix` names is Other. The frame is station, function,
// byte count and the data. A length under 2 bytes is bad. An exception reply (RTU: 5 bytes)
// is bad once whole. Ended: a frame, a damaged one of `bytes` bytes, an exception reply with
// its CRC, any whole Modbus-TCP frame of the transaction; and (incomplete) an RTU frame from
// the station that ends in its own CRC: a short block, whole if no byte follows.
Reply parseBlock(const QByteArray &buffer, int bytes, const QString &station, bool tcp,
                 const QString &prefix = QStringLiteral("00000000"));

// The shortest decimal text that reads back (QString::toDouble) to exactly `value`.
QString shortestText(double value);
// The shortest decimal text whose value, narrowed to a single, is exactly `value`.
QString shortestText(float value);

} // namespace RegisterFrame
