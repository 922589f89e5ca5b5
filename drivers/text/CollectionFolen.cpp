#include "CollectionFolen.h"

#include "Registry.h"
#include "Terms.h"

#include <QMutexLocker>

REGISTER_COLLECTION(CollectionFolen)

namespace {

const QString unused = QStringLiteral("空");
const QString fixedJunction = QStringLiteral("固定补偿");

QString sensorCode(const ChannelRecord &row)
{
    static const QStringList types{"铂电阻", "热敏电阻", "热电偶"};
    return QString::number(qMax(0, types.indexOf(row.type)));
}

QString outputCode(const ChannelRecord &row)
{
    return row.unit == "℃" ? "0" : "1";
}

QString ntcCode(const ChannelRecord &row)
{
    static const QStringList functions{"Other", "T(R)", "R(T)"};
    return QString::number(qMax(0, functions.indexOf(row.function)));
}

QString rtdCode(const ChannelRecord &row)
{
    static const QStringList functions{"PT", "CVD", "ITS90"};
    return QString::number(qMax(0, functions.indexOf(row.function)));
}

QString tcCode(const ChannelRecord &row)
{
    static const QStringList letters{"B", "E", "J", "K", "N", "R", "S", "T", "Au-Pt"};
    return QString::number(qMax(0, letters.indexOf(row.function)));
}

} // namespace

CollectionFolen::CollectionFolen(QObject *parent) : OrvexCommandSet(parent)
{
    selectsCurvePerRow = true;
}

CollectionFolen::~CollectionFolen() = default;

QStringList CollectionFolen::scanRateList() { return scanRates; }
QStringList CollectionFolen::compensationList() { return compensationModes; }

QStringList CollectionFolen::unitList(QString type)
{
    if (type == "热电偶")
        return {"℃", "mV"};
    if (type == "热敏电阻" || type == "铂电阻")
        return {"℃", "Ω"};
    return units;
}

QList<bool> CollectionFolen::coefficientMask(QString function)
{
    if (function == "PT" || function == "CVD")
        return coefficientFlags({0, 1, 2, 4});
    if (function == "ITS90")
        return coefficientFlags({0, 1, 2, 4, 5, 6});
    if (function == "Other")
        return coefficientFlags({0});
    if (function == "T(R)" || function == "R(T)")
        return coefficientFlags({0, 1, 2, 3});
    return coefficientFlags({});
}

QStringList CollectionFolen::wiringList(QString) { return wireModes; }
QStringList CollectionFolen::typeList(int) { return channelTypes; }

QStringList CollectionFolen::functionList(QString type)
{
    if (type == "热电偶")
        return thermocoupleFunctions;
    if (type == "热敏电阻")
        return thermistorFunctions;
    if (type == "铂电阻")
        return platinumFunctions;
    return otherFunctions;
}

QStringList CollectionFolen::channelNumberList(int count) { return channelNumbersUpTo(count, 21); }
int CollectionFolen::channelCount() { return 21; }

bool CollectionFolen::checkChannels(QList<ChannelRecord> rows, QString &error)
{
    return checkSetOkChannels(rows, error);
}

bool CollectionFolen::queryValues(QStringList &values)
{
    QMutexLocker lock(&exchangeMutex);
    QString reply;
    if (!query(QStringLiteral("DATA:OFFS?\r\n"), reply))
        return false;
    return sampleValues(reply, false, values);
}

bool CollectionFolen::readValues(QStringList &values)
{
    return queryValues(values);
}

bool CollectionFolen::fetchValues(QStringList &values)
{
    return fetchSample(false, values);
}

bool CollectionFolen::checkSetupTexts(const ChannelRecord &row, QString &error)
{
    if (!OrvexCommandSet::checkSetupTexts(row, error))
        return false;
    // The fixed cold junction goes out as its text; an empty one is sent as it stands.
    if (row.type != unused && row.compensation == fixedJunction
        && !row.coldJunction.trimmed().isEmpty() && !isNumberText(row.coldJunction)) {
        error = row.channelNumber + tr(":固定冷端温度不是数字！");
        return false;
    }
    return true;
}

bool CollectionFolen::sendChannelSetup(const QList<ChannelRecord> &rows)
{
    if (rows.first().type == unused)
        return true;
    return setScale(rows) && setOutputUnits(rows) && setSensorTypes(rows) && setWiring(rows)
        && setColdJunction(rows);
}

bool CollectionFolen::selectCurve(const ChannelRecord &row)
{
    if (row.type == "热敏电阻")
        return setNtcType(row);
    if (row.type == "铂电阻")
        return setRtdType(row);
    return setTcType(row);
}

bool CollectionFolen::setSensorTypes(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:TYPE ", rows, sensorCode);
}

bool CollectionFolen::setOutputUnits(const QList<ChannelRecord> &rows)
{
    return setCodes("TEMP:VOLT ", rows, outputCode);
}

bool CollectionFolen::setNtcType(const ChannelRecord &row)
{
    return setCodes("TEMP:NTC:TYPE ", {row}, ntcCode);
}

bool CollectionFolen::setRtdType(const ChannelRecord &row)
{
    return setCodes("TEMP:RTD:TYPE ", {row}, rtdCode);
}

bool CollectionFolen::setTcType(const ChannelRecord &row)
{
    return setCodes("TEMP:TC:TYPE ", {row}, tcCode);
}

bool CollectionFolen::setColdJunction(const QList<ChannelRecord> &rows)
{
    QMutexLocker lock(&exchangeMutex);
    QList<ChannelRecord> compensated, fixed;
    for (const ChannelRecord &row : rows) {
        if (row.type == unused)
            continue;
        if (compensationModes.contains(row.compensation))
            compensated << row;
        if (row.compensation == fixedJunction)
            fixed << row;
    }
    if (compensated.isEmpty())
        return true;
    if (!setCodes("TEMP:TC:COLDTYPE ", compensated, [](const ChannelRecord &row) {
            return row.compensation == fixedJunction ? QString("1") : QString("0");
        }))
        return false;
    delayMs(settingWaitMs.load());
    if (fixed.isEmpty())
        return true;
    return setCodes("TEMP:TC:COLD ", fixed,
                    [](const ChannelRecord &row) { return row.coldJunction; });
}
