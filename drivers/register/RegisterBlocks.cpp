// The value blocks, masks and code bits of the larger register instruments: blocks read as raw
// replies past the 125 registers of a standard reply, masks of any width, code blocks of any
// size.

#include "RegisterCollection.h"

#include "Terms.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QtEndian>

#include <cstring>

using namespace RegisterFrame;

namespace {
template <typename T, typename Bits>
QList<double> valuesAt(const QByteArray &data, int offset, int stride, int count)
{
    QList<double> values;
    for (int k = 0; k < count; ++k) {
        const int at = offset + stride * k;
        if (at < 0 || at + int(sizeof(T)) > data.size())
            break;
        const Bits bits = qFromLittleEndian<Bits>(data.constData() + at);
        T value;
        std::memcpy(&value, &bits, sizeof value);
        values << static_cast<double>(value);
    }
    return values;
}
} // namespace

bool RegisterCollection::readTemperatureBlock(QList<double> &values)
{
    return readTemperatures(firstIndex, indexCount, values);
}

bool RegisterCollection::readOtherBlock(QList<double> &values)
{
    return readResistances(resistanceBase(), firstIndex, indexCount, values);
}

int RegisterCollection::blockWaitMs(int bytes) const
{
    if (linkBaud <= 0)
        return blockMinimumMs;
    const double wireMs = 1000.0 * (bytes + 8) * 10 / linkBaud;
    return qMax(blockMinimumMs, static_cast<int>(1.5 * wireMs + 300));
}

bool RegisterCollection::readRawBlock(int first, int count, int tries, QByteArray &data)
{
    QMutexLocker lock(&exchangeMutex);
    if (stationAddress.isEmpty() || count < 1 || first < 0)
        return false;
    const int bytes = 2 * count + 5;
    const bool tcp = !rtuFraming;
    const QString request = stationAddress + readRequest(first, count);
    const int limit = blockWaitMs(bytes);
    bool unanswered = false;    // a try's reply may still come (it timed out, or another station answered)
    bool done = false;
    for (int attempt = 1; attempt <= tries && connected; ++attempt) {
        if (sendFrame(request)) {
            QElapsedTimer clock;
            clock.start();
            int dropped = 0;    // bytes of other transactions' replies at the buffer's start
            Reply r;
            do {
                delayMs(1);
                r = parseBlock(takeBuffer().mid(dropped), bytes, stationAddress, tcp, sentPrefix);
                if (r.state == Reply::Other) {
                    qDebug() << "丢弃其他事务的回复：" << QString::fromLatin1(r.whole.toHex()).toUpper();
                    dropped += r.whole.size();
                }
            } while ((r.state == Reply::Incomplete || r.state == Reply::Other) && clock.elapsed() < limit);
            if (r.state == Reply::Frame) {
                clearBuffer();
                data = r.frame.mid(3);
                done = true;
                break;
            }
            if (r.reason == QLatin1String("crc"))
                qDebug() << "Crc失败：" << QString::fromLatin1(r.whole.toHex()).toUpper();
            else
                qDebug() << "读取失败：" << QString::fromLatin1(takeBuffer().toHex()).toUpper();
            clearBuffer();
            unanswered = unanswered || !r.ended;
        }
        if (attempt < tries)
            delayMs(blockPauseMs);
    }
    if (unanswered)
        replyMayFollow(limit);
    return done;
}

bool RegisterCollection::readValueBlock(int first, int registersEach, int tries,
                                        QList<double> &values)
{
    QByteArray data;
    if (!readRawBlock(first, registersEach * indexCount, tries, data))
        return false;
    values = registersEach == 4 ? blockDoubles(data, 0, 8, indexCount)
                                : blockSingles(data, 0, 4, indexCount);
    return true;
}

QList<double> RegisterCollection::blockDoubles(const QByteArray &data, int offset, int stride,
                                               int count)
{
    return valuesAt<double, quint64>(data, offset, stride, count);
}

QList<double> RegisterCollection::blockSingles(const QByteArray &data, int offset, int stride,
                                               int count)
{
    return valuesAt<float, quint32>(data, offset, stride, count);
}

bool RegisterCollection::readNumbers(int first, int count, int registersEach,
                                     QList<double> &values, const QString &sendFailureTrace)
{
    if (count < 1)
        return false;
    Transaction t;
    t.request = readRequest(first, registersEach * count);
    t.replyDigits = 6 + 4 * registersEach * count;
    t.tries = 3;
    t.pauseMs = timing.retryPauseMs;
    t.sendFailureEnds = false;
    t.sendFailureTrace = sendFailureTrace;
    QString reply;
    if (!transact(t, reply))
        return false;
    const QByteArray data = QByteArray::fromHex(reply.mid(6).toLatin1());
    values = registersEach == 4 ? blockDoubles(data, 0, 8, count) : blockSingles(data, 0, 4, count);
    return true;
}

float RegisterCollection::singleOf(const QString &text)
{
    return static_cast<float>(text.toDouble());
}

bool RegisterCollection::writeSingles(int first, const QList<float> &values)
{
    QString data;
    QList<double> wide;
    for (float v : values) {
        data += floatToHex(v);
        wide << double(v);
    }
    return first >= 0 && finiteCoefficients(hex4(first), wide) && writeRegisters(first, data);
}

bool RegisterCollection::readSingles(int first, int count, QList<float> &values, bool atLeast)
{
    Transaction t;
    t.request = readRequest(first, 2 * count);
    t.replyDigits = 6 + 8 * count;
    t.atLeast = atLeast;
    QString reply;
    if (first < 0 || !transact(t, reply))
        return false;
    QList<float> read;
    QList<double> wide;
    for (int k = 0; k < count; ++k) {
        read << hexToFloat(reply.mid(6 + 8 * k, 8));
        wide << double(read.last());
    }
    if (!finiteCoefficients(hex4(first), wide))
        return false;
    values = read;
    return true;
}

bool RegisterCollection::writeBitMask(int first, const QList<int> &bits, int bytes)
{
    QByteArray mask(bytes, '\0');
    for (int bit : bits) {
        if (bit < 0 || bit >= 8 * bytes)
            return false;
        mask[bit / 8] = static_cast<char>(static_cast<quint8>(mask.at(bit / 8)) | (1u << (bit % 8)));
    }
    return writeRegisters(first, QString::fromLatin1(mask.toHex()).toUpper());
}

bool RegisterCollection::readCodeBytes(int first, int registers, QByteArray &codes, bool atLeast)
{
    Transaction t;
    t.request = readRequest(first, registers);
    t.replyDigits = 6 + 4 * registers;
    t.atLeast = atLeast;
    t.tries = 3;
    t.pauseMs = timing.retryPauseMs;
    t.sendFailureEnds = false;
    QString reply;
    if (!transact(t, reply))
        return false;
    codes = QByteArray::fromHex(reply.mid(6, 4 * registers).toLatin1());
    return true;
}

bool RegisterCollection::writeCodeBits(int first, int registers, const QList<ChannelRecord> &rows,
                                       const CodeRule &rule, bool atLeast)
{
    QByteArray codes;
    if (!readCodeBytes(first, registers, codes, atLeast))
        return false;
    for (const ChannelRecord &row : rows) {
        bool isNumber = false;
        const int place = row.channelNumber.toInt(&isNumber) - 101;
        const CurveCode code = rule(row);
        if (!isNumber || place < 0 || place >= 4 * codes.size() || code == CurveCode::Keep)
            continue;
        const int shift = 2 * (place % 4);
        quint8 byte = static_cast<quint8>(codes.at(place / 4)) & ~(3u << shift);
        if (code == CurveCode::LowBit)
            byte |= 1u << shift;
        else if (code == CurveCode::HighBit)
            byte |= 2u << shift;
        codes[place / 4] = static_cast<char>(byte);
    }
    return writeRegisters(first, QString::fromLatin1(codes.toHex()).toUpper(), atLeast);
}

bool RegisterCollection::knownChannels(const QList<ChannelRecord> &rows)
{
    for (const ChannelRecord &row : rows)
        if (valueIndex(row.channelNumber) < 0)
            return false;
    return !rows.isEmpty();
}

QList<int> RegisterCollection::indexesOf(const QList<ChannelRecord> &rows)
{
    QList<int> indexes;
    for (const ChannelRecord &row : rows)
        indexes << valueIndex(row.channelNumber);
    return indexes;
}

bool RegisterCollection::withoutCoefficients(const ChannelRecord &row, bool resistanceToo)
{
    return row.type == QStringLiteral("空") || (resistanceToo && row.type == QStringLiteral("电阻"));
}

bool RegisterCollection::writeSetUpCoefficients(const QList<ChannelRecord> &rows,
                                                const std::function<bool(const ChannelRecord &)> &wanted)
{
    for (const ChannelRecord &row : rows) {
        if (!wanted(row))
            continue;
        if (!writeChannelCoefficients(row))
            return false;
        delayMs(timing.coefficientGapMs);
    }
    return true;
}

namespace {
bool fourDoubleFunction(const QString &function)
{
    return function == QStringLiteral("R(T)") || function == QStringLiteral("T(R)");
}
} // namespace

bool RegisterCollection::writeThermistorRow(const ChannelRecord &row, int doublesBase,
                                            int singlesBase)
{
    if (fourDoubleFunction(row.function))
        return writeRowCoefficients4(doublesBase, row);
    const int index = valueIndex(row.channelNumber);
    return index >= 0
        && writeSingles(singlesBase + 16 * index, {singleOf(row.a_c0), singleOf(row.b_c1)});
}

bool RegisterCollection::readThermistorRow(ChannelRecord &row, int doublesBase, int singlesBase)
{
    // The row changes only when the read succeeds.
    if (fourDoubleFunction(row.function)) {
        if (!readRowCoefficients4(doublesBase, row))
            return false;
        row.mxbM = 1.0f;
        row.mxbB = 0.0f;
        return true;
    }
    const int index = valueIndex(row.channelNumber);
    QList<float> ab;
    if (index < 0 || !readSingles(singlesBase + 16 * index, 2, ab))
        return false;
    resetCoefficients(row);
    row.a_c0 = coefficientText(ab.at(0));
    row.b_c1 = coefficientText(ab.at(1));
    return true;
}

bool RegisterCollection::writePlatinumRow(const ChannelRecord &row, int base, bool singles)
{
    const int index = valueIndex(row.channelNumber);
    QList<double> values;
    for (const QString *text : {&row.r0_c4, &row.a_c0, &row.b_c1, &row.c_c2, &row.a4_c5, &row.b4_c6})
        values << (singles ? double(singleOf(*text)) : text->toDouble());
    return index >= 0 && writeDoubles(base + 24 * index, values);
}

bool RegisterCollection::readPlatinumRow(ChannelRecord &row, int base, bool singles)
{
    const int index = valueIndex(row.channelNumber);
    QList<double> v;
    if (index < 0 || !readCoefficientDoubles(base + 24 * index, 6, v))
        return false;
    if (singles) {   // kept as singles: a double past their range is no coefficient
        QList<double> narrowed;
        for (double value : qAsConst(v))
            narrowed << double(static_cast<float>(value));
        if (!finiteCoefficients(hex4(base + 24 * index), narrowed))
            return false;
    }
    resetCoefficients(row);
    QString *texts[] = {&row.r0_c4, &row.a_c0, &row.b_c1, &row.c_c2, &row.a4_c5, &row.b4_c6};
    for (int i = 0; i < 6; ++i)
        *texts[i] = singles ? coefficientText(static_cast<float>(v.at(i))) : coefficientText(v.at(i));
    return true;
}
