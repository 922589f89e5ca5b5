#include "CollectionVosk_TC.h"

#include "Registry.h"
#include "Terms.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionVosk_TC)

namespace {
// The thermocouple letters in the order of their codes.
const QStringList thermocoupleCodes{QStringLiteral("B"), QStringLiteral("E"), QStringLiteral("J"),
                                    QStringLiteral("K"), QStringLiteral("N"), QStringLiteral("R"),
                                    QStringLiteral("S"), QStringLiteral("T")};
} // namespace

CollectionVosk_TC::CollectionVosk_TC(QObject *parent)
    : RegisterCollection(Profile(), parent)
{
    timing.replyPolls = 500;
    timing.pollMs = 2;
    timing.blockGapMs = 0;
    timing.setUpSettleMs = 3000;
    settingRegisters.serial = 0x0014;
    settingRegisters.version = 0x0019;
    settingRegisters.ip = 0x0008;
    settingRegisters.mask = 0x000A;
    settingRegisters.port = 0x000C;
    settingRegisters.filter = 0x000D;
}

CollectionVosk_TC::~CollectionVosk_TC() = default;

bool CollectionVosk_TC::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openRegisterLink(signalMode, ipCom, portBaudRate, false);
}

// --- option lists ---------------------------------------------------------------------------

QStringList CollectionVosk_TC::scanRateList() { return {QStringLiteral("标准")}; }
QStringList CollectionVosk_TC::signalModeList() { return {QStringLiteral("串口"), QStringLiteral("网络")}; }
QStringList CollectionVosk_TC::unitList(QString) { return {QStringLiteral("℃"), QStringLiteral("mV")}; }
QList<bool> CollectionVosk_TC::coefficientMask(QString) { return coefficientFlags({}); }
QStringList CollectionVosk_TC::wiringList(QString) { return {QStringLiteral("二线制")}; }
QStringList CollectionVosk_TC::typeList(int) { return {QStringLiteral("热电偶")}; }
QStringList CollectionVosk_TC::channelNumberList(int count) { return channelNumbersUpTo(count, 68); }
int CollectionVosk_TC::channelCount() { return 68; }
double CollectionVosk_TC::minScanInterval(QString, QList<ChannelRecord>) { return 1.0; }
QStringList CollectionVosk_TC::baudRateList() { return baudRatesTo57600(); }
bool CollectionVosk_TC::writeChannelCoefficients(ChannelRecord) { return true; }
bool CollectionVosk_TC::readChannelCoefficients(ChannelRecord &) { return true; }

QStringList CollectionVosk_TC::functionList(QString)
{
    return {QStringLiteral("T"), QStringLiteral("K"), QStringLiteral("B"), QStringLiteral("E"),
            QStringLiteral("J"), QStringLiteral("N"), QStringLiteral("R"), QStringLiteral("S")};
}

bool CollectionVosk_TC::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkRegisterChannels(rows, error, true);
}

// --- values and channel set-up --------------------------------------------------------------

bool CollectionVosk_TC::readTemperatureBlock(QList<double> &values)
{
    return readValueBlock(0x00B3, 2, 1, values);
}

bool CollectionVosk_TC::readOtherBlock(QList<double> &values)
{
    return readValueBlock(0x002B, 2, 1, values);
}

bool CollectionVosk_TC::configureChannels(QString, QList<ChannelRecord> rows)
{
    QMutexLocker lock(&exchangeMutex);
    if (!storeChannels(rows))
        return false;
    if (rows.first().type != QStringLiteral("空")) {
        const int code = thermocoupleCodes.indexOf(rows.first().function);
        Transaction type;   // one register (function 06), answered with its echo
        type.request = QStringLiteral("06000E") + RegisterFrame::swappedHex4(code < 0 ? 7 : code);
        type.replyDigits = 12;
        type.tries = 4;
        QString echo;
        if (!transact(type, echo))
            return false;
    }
    if (!writeBitMask(0x0003, indexesOf(rows), 10))
        return false;
    delayMs(timing.setUpSettleMs);
    return true;
}
