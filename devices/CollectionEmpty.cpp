#include "CollectionEmpty.h"

#include "Registry.h"

#include <QSet>

REGISTER_COLLECTION(CollectionEmpty)

CollectionEmpty::CollectionEmpty(QObject *parent) : Collection(parent)
{
    signalModes << QStringLiteral("串口");
    scanRates << QStringLiteral("快速");
    units << QStringLiteral("℃");
    compensationModes << QStringLiteral("内部补偿");
}

bool CollectionEmpty::open(QString, QString, QString)
{
    return false;
}

bool CollectionEmpty::close()
{
    return false;
}

bool CollectionEmpty::readReply(QString &)
{
    return false;
}

bool CollectionEmpty::sendCommand(QString)
{
    return false;
}

bool CollectionEmpty::readSerialNumber(QString &)
{
    return false;
}

QStringList CollectionEmpty::scanRateList()
{
    return scanRates;
}

QStringList CollectionEmpty::signalModeList()
{
    return signalModes;
}

QStringList CollectionEmpty::compensationList()
{
    return compensationModes;
}

QStringList CollectionEmpty::unitList(QString)
{
    return units;
}

QList<bool> CollectionEmpty::coefficientMask(QString)
{
    return QList<bool>() << false << false << false << false << false << false << false << false
                         << false;
}

QStringList CollectionEmpty::wiringList(QString)
{
    return QStringList() << QStringLiteral("空");
}

QStringList CollectionEmpty::typeList(int)
{
    return QStringList() << QStringLiteral("空");
}

QStringList CollectionEmpty::functionList(QString)
{
    return QStringList() << QStringLiteral("空");
}

QStringList CollectionEmpty::channelNumberList(int)
{
    QStringList numbers;
    for (int n = 101; n <= 164; ++n)
        numbers << QString::number(n);
    numbers << QStringLiteral("001");
    return numbers;
}

int CollectionEmpty::channelCount()
{
    return 64;
}

bool CollectionEmpty::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    if (!checkChannelOptions(rows,
                             {tr("通道未设置！"), tr(":类型错误！"), tr(":功能错误！"),
                              tr(":接线线制错误！"), tr(":单位错误！")},
                             error))
        return false;
    QSet<QString> distinctUnits;
    for (const ChannelRecord &row : rows)
        distinctUnits.insert(row.unit);
    if (distinctUnits.size() > 2) {
        error = tr("单位不许超过2个！");
        return false;
    }
    return true;
}

double CollectionEmpty::minScanInterval(QString, QList<ChannelRecord>)
{
    return 0.0;
}

bool CollectionEmpty::setDeviceTime(QDateTime)
{
    return true;
}

bool CollectionEmpty::setScanInterval(double, int)
{
    return false;
}

bool CollectionEmpty::readValues(QStringList &)
{
    return false;
}

bool CollectionEmpty::requestValues()
{
    return true;
}

bool CollectionEmpty::fetchValues(QStringList &)
{
    return false;
}

bool CollectionEmpty::configureChannels(QString, QList<ChannelRecord>)
{
    return false;
}

bool CollectionEmpty::writeChannelCoefficients(ChannelRecord)
{
    return false;
}

bool CollectionEmpty::readChannelCoefficients(ChannelRecord &)
{
    return false;
}

bool CollectionEmpty::openRecordFile(QString, QList<ChannelRecord>)
{
    return false;
}

bool CollectionEmpty::readRecordAt(QDateTime, QStringList &)
{
    return false;
}

bool CollectionEmpty::closeRecordFile()
{
    return false;
}

QStringList CollectionEmpty::baudRateList()
{
    return QStringList() << QStringLiteral("9600");
}

QStringList CollectionEmpty::filterList()
{
    return QStringList() << QStringLiteral("0");
}

QList<bool> CollectionEmpty::settingMask()
{
    return QList<bool>() << false << false << false << false << false << false;
}

bool CollectionEmpty::readDeviceSettings(QString &, QString &, QString &, QString &, QString &,
                                         QString &, QString &, QString &)
{
    return false;
}

bool CollectionEmpty::writeDeviceSettings(QString, QString, QString, QString, QString, QString,
                                          QString &)
{
    return false;
}
