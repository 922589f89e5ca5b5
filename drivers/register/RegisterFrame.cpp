#include "RegisterFrame.h"

#include <QLocale>

#include <cstring>

namespace RegisterFrame {

namespace {
QByteArray bytesOf(const QString &hex)
{
    return QByteArray::fromHex(hex.toLatin1());
}

QString digitsOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

// The bytes of `value` as they lie in memory, least significant first, as lower-case digits.
template <typename T>
QString littleEndianHex(T value)
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "values are laid out least significant first");
    return digitsOf(QByteArray(reinterpret_cast<const char *>(&value), sizeof value));
}

// Blanks removed; the first 2 × sizeof(T) digits read as bytes least significant first give
// the bits of the value (0 when the text is short or not hexadecimal).
template <typename T, typename Bits>
T fromLittleEndianHex(QString text)
{
    const int digits = 2 * static_cast<int>(sizeof(T));
    text.remove(QLatin1Char(' '));
    QString swapped;
    for (int i = digits - 2; i >= 0 && text.size() >= digits; i -= 2)
        swapped += text.midRef(i, 2);
    bool ok = false;
    const Bits bits = static_cast<Bits>(swapped.toULongLong(&ok, 16));
    T value = 0;
    if (ok)
        std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool stationMatches(const QByteArray &buffer, const QString &station)
{
    if (station.isEmpty())
        return true;
    return !buffer.isEmpty() && static_cast<quint8>(buffer.at(0)) == station.toUInt(nullptr, 16);
}

Reply bad(const QString &reason)
{
    Reply r;
    r.state = Reply::Bad;
    r.reason = reason;
    return r;
}

// The Modbus-TCP frame at the start of `buffer`, told by its header alone: incomplete, bad (a
// protocol identifier other than 0), Other (another transaction's) or Frame (`whole` header and
// frame, `frame` what follows the header).
Reply splitTcp(const QByteArray &buffer, const QString &prefix)
{
    if (buffer.size() < 6)
        return {};
    if (buffer.at(2) != 0 || buffer.at(3) != 0)
        return bad(QStringLiteral("header"));
    const int length = (static_cast<quint8>(buffer.at(4)) << 8) | static_cast<quint8>(buffer.at(5));
    if (buffer.size() < 6 + length)
        return {};
    Reply r;
    r.whole = buffer.left(6 + length);
    r.frame = r.whole.mid(6);
    r.state = buffer.left(2) == bytesOf(prefix).left(2) ? Reply::Frame : Reply::Other;
    return r;
}

bool crcMatches(const QByteArray &frame, const QByteArray &crc, CrcOrder order)
{
    const quint16 value = crc16(frame);
    const quint8 low = value & 0xFF, high = value >> 8;
    const quint8 first = static_cast<quint8>(crc.at(0)), second = static_cast<quint8>(crc.at(1));
    return order == CrcOrder::LowFirst ? (first == low && second == high)
                                       : (first == high && second == low);
}

// The last two bytes of `buffer` are the CRC of the rest.
bool endsInCrc(const QByteArray &buffer, CrcOrder order)
{
    return buffer.size() >= 3 && crcMatches(buffer.chopped(2), buffer.right(2), order);
}

bool isException(const QByteArray &head)
{
    return (static_cast<quint8>(head.at(1)) & 0x80) != 0;
}

// An RTU exception reply at the start of `buffer`: station, function with its high bit set,
// exception code, CRC. Incomplete under 5 bytes, then bad; ended when its CRC holds.
Reply exceptionReply(const QByteArray &buffer, CrcOrder order)
{
    if (buffer.size() < 5)
        return {};
    Reply r = bad(QStringLiteral("exception"));
    r.whole = buffer.left(5);
    r.frame = buffer.left(3);
    r.ended = endsInCrc(r.whole, order);
    return r;
}
} // namespace

quint16 crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    }
    return crc;
}

QString crc16Hex(const QString &frame)
{
    const quint16 crc = crc16(bytesOf(frame));
    return QStringLiteral("%1").arg(static_cast<quint16>((crc >> 8) | (crc << 8)), 4, 16,
                                    QLatin1Char('0')).toUpper();
}

QString crc16HexHighFirst(const QString &frame)
{
    return QStringLiteral("%1").arg(crc16(bytesOf(frame)), 4, 16, QLatin1Char('0')).toUpper();
}

QString crcHex(const QString &frame, CrcOrder order)
{
    return order == CrcOrder::LowFirst ? crc16Hex(frame) : crc16HexHighFirst(frame);
}

QString floatToHex(float value)
{
    return littleEndianHex(value);
}

float hexToFloat(QString text)
{
    return fromLittleEndianHex<float, quint32>(text);
}

QString doubleToHex(double value)
{
    return littleEndianHex(value);
}

double hexToDouble(QString text)
{
    return fromLittleEndianHex<double, quint64>(text);
}

bool isHexText(const QString &text)
{
    if (text.isEmpty() || text.size() % 2 != 0)
        return false;
    for (QChar c : text) {
        const char l = c.toLatin1();
        if (!((l >= '0' && l <= '9') || (l >= 'a' && l <= 'f') || (l >= 'A' && l <= 'F')))
            return false;
    }
    return true;
}

bool isStationAddress(const QString &text)
{
    return text.size() == 2 && isHexText(text);
}

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString hex4(int value)
{
    return QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QString swappedHex4(int value)
{
    const int v = value & 0xFFFF;
    return hex4(((v & 0xFF) << 8) | (v >> 8));
}

QString readRequest(int first, int count)
{
    return QStringLiteral("03") + hex4(first) + hex4(count);
}

QString writeRequest(int first, const QString &data)
{
    const int bytes = data.size() / 2;
    return QStringLiteral("10") + hex4(first) + hex4(bytes / 2)
        + hex2(bytes) + data;
}

QString rtuFrame(const QString &frame, CrcOrder order)
{
    return frame + crcHex(frame, order);
}

QString tcpFrame(const QString &frame, const QString &prefix)
{
    return prefix + hex4(frame.size() / 2) + frame;
}

QString tcpPrefix(quint16 transaction)
{
    return hex4(transaction) + QStringLiteral("0000");
}

Reply parseRtu(const QByteArray &buffer, const QString &station, CrcOrder order, ReplyForm form,
               int expectedBytes)
{
    if (buffer.size() < 3)
        return {};
    if (!stationMatches(buffer, station))
        return bad(QStringLiteral("station"));
    int length = 0;
    if (form == ReplyForm::Whole) {
        const bool cut = expectedBytes >= 3 && buffer.size() > expectedBytes
            && endsInCrc(buffer.left(expectedBytes), order);
        length = cut ? expectedBytes : buffer.size();
    } else {
        const quint8 function = static_cast<quint8>(buffer.at(1));
        if (function == 0x03 || function == 0x10)
            length = 5 + static_cast<quint8>(buffer.at(2));
        else if (function == 0x06)
            length = 8;
        else if (isException(buffer))
            return exceptionReply(buffer, order);
        else
            return bad(QStringLiteral("function"));
        if (buffer.size() < length)
            return {};
    }
    Reply r;
    r.whole = buffer.left(length);
    r.frame = r.whole.chopped(2);
    if (!endsInCrc(r.whole, order)) {
        // The whole form waits on: the frame may not be whole yet. Either way a damaged frame of
        // the expected length is the whole reply once no byte follows.
        if (form == ReplyForm::Checked) {
            r.state = Reply::Bad;
            r.reason = QStringLiteral("crc");
        } else {
            r.whole.clear();
            r.frame.clear();
        }
        r.ended = length == expectedBytes;
        return r;
    }
    r.state = Reply::Frame;
    // A whole-form frame shorter than expected may be a head that ends in its CRC, unless it is
    // an exception reply.
    r.ended = form == ReplyForm::Checked || length >= expectedBytes || (length == 5 && isException(r.whole));
    return r;
}

Reply parseTcp(const QByteArray &buffer, const QString &station, const QString &prefix)
{
    Reply r = splitTcp(buffer, prefix);
    if (r.state != Reply::Frame)
        return r;
    const QByteArray &frame = r.frame;
    if (frame.isEmpty() || !stationMatches(frame, station))
        return bad(QStringLiteral("station"));
    const quint8 function = frame.size() > 1 ? static_cast<quint8>(frame.at(1)) : 0;
    QString refused;
    if (function == 0x03 || function == 0x10) {
        if (frame.size() < 3 || frame.size() != 3 + static_cast<quint8>(frame.at(2)))
            refused = QStringLiteral("length");
    } else if (function != 0x06) {
        refused = QStringLiteral("function");
    } else if (frame.size() != 6) {
        refused = QStringLiteral("length");
    }
    if (!refused.isEmpty()) {
        r.state = Reply::Bad;
        r.reason = refused;
    }
    r.ended = true;     // the header gave its length: the whole frame is in
    return r;
}

Reply parseBlock(const QByteArray &buffer, int bytes, const QString &station, bool tcp,
                 const QString &prefix)
{
    if (bytes < 2)
        return bad(QStringLiteral("length"));
    const int header = tcp ? 6 : 0;
    bool wholeTcp = false;     // the transaction's Modbus-TCP frame is in, as long as its header says
    if (tcp) {
        const Reply frame = splitTcp(buffer, prefix);
        if (frame.state == Reply::Bad || frame.state == Reply::Other)
            return frame;
        if (frame.state == Reply::Incomplete && buffer.size() >= 6 && buffer.left(2) != bytesOf(prefix).left(2))
            return {};   // another transaction's frame, not yet whole
        wholeTcp = frame.state == Reply::Frame;
    }
    if (buffer.size() < header + 2)
        return {};
    const QByteArray head = buffer.mid(header, 2);
    if (!stationMatches(head, station) && !stationMatches(head, QStringLiteral("01")))
        return bad(QStringLiteral("station"));
    if (!tcp && isException(head))
        return exceptionReply(buffer, CrcOrder::LowFirst);
    Reply r;
    if (static_cast<quint8>(head.at(1)) != 0x03)
        r = bad(isException(head) ? QStringLiteral("exception") : QStringLiteral("function"));
    else if (tcp && ((static_cast<quint8>(buffer.at(4)) << 8) | static_cast<quint8>(buffer.at(5))) != bytes - 2)
        r = bad(QStringLiteral("length"));
    if (r.state == Reply::Bad) {
        r.ended = wholeTcp;
        return r;
    }
    const int size = tcp ? header + bytes - 2 : bytes;
    if (buffer.size() < size) {
        r.ended = !tcp && buffer.size() >= 5 && endsInCrc(buffer, CrcOrder::LowFirst);
        return r;
    }
    r.whole = buffer.left(size);
    r.frame = tcp ? r.whole.mid(header) : r.whole.left(size - 2);
    r.state = tcp || endsInCrc(r.whole, CrcOrder::LowFirst) ? Reply::Frame : Reply::Bad;
    if (r.state == Reply::Bad)
        r.reason = QStringLiteral("crc");
    r.ended = true;
    return r;
}

QString shortestText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString shortestText(float value)
{
    for (int digits = 1; digits <= 9; ++digits) {
        const QString text = QString::number(static_cast<double>(value), 'g', digits);
        if (static_cast<float>(text.toDouble()) == value)
            return shortestText(text.toDouble());   // "100", not "1e+02"
    }
    return shortestText(static_cast<double>(value));
}

} // namespace RegisterFrame
