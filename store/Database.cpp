#include "Database.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include "SampleRows.h"

namespace {

const QLatin1Char kComma(',');
const QLatin1Char kSemicolon(';');

QSqlDatabase connection(const QString &name)
{
    return QSqlDatabase::database(name.isEmpty() ? QLatin1String(QSqlDatabase::defaultConnection)
                                                 : name,
                                  false);
}

// The SQLite handle of an open connection (the driver works on the system's SQLite library, as
// this program does), or none.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

// Qt's own busy timeout, kept where the connection's options name none.
constexpr int defaultBusyTimeoutMs = 5000;

// Busy handler: tries for the lock again every millisecond until the timeout (`data`, in ms)
// has passed since the first try of this wait. A connection is used by one thread at a time,
// and one wait at a time on it.
int retryEveryMillisecond(void *data, int tries)
{
    thread_local QElapsedTimer waited;
    if (tries == 0)
        waited.start();
    if (waited.hasExpired(static_cast<qint64>(reinterpret_cast<intptr_t>(data))))
        return 0;
    sqlite3_sleep(1);
    return 1;
}

bool exec(const QString &sql, const QString &connectionName = QString())
{
    QSqlQuery query(connection(connectionName));
    return query.exec(sql);
}

// "'a','b',...": every value quoted, separated by "','".
QString quotedValues(const QStringList &values)
{
    QStringList quoted;
    quoted.reserve(values.size());
    for (const QString &v : values)
        quoted << sqlQuoted(v);
    return QLatin1Char('\'') + quoted.join(QLatin1String("','")) + QLatin1Char('\'');
}

QString insertStatement(const QString &table, const QStringList &values)
{
    return QLatin1String("insert into ") + table + QLatin1String(" values ( ")
        + quotedValues(values) + QLatin1Char(')');
}

void trace(const char *prefix, const QString &sql)
{
    qDebug().noquote() << QString::fromUtf8(prefix) + sql;
}

void traceSelectFailure(const QString &table)
{
    qDebug().noquote() << QStringLiteral("查询") + table + QStringLiteral("失败！");
}

// A member that holds its list's separator would split into two members on read-back.
bool listsKeepSeparator(const QString &what, QChar separator,
                        std::initializer_list<std::pair<const char *, const QStringList *>> lists)
{
    for (const auto &entry : lists) {
        for (const QString &member : *entry.second) {
            if (member.contains(separator)) {
                qDebug().noquote() << QStringLiteral("%1: %2 member \"%3\" holds the list separator "
                                                     "'%4'; nothing stored")
                                          .arg(what, QLatin1String(entry.first), member, separator);
                return false;
            }
        }
    }
    return true;
}

// ---- SystemSet and ChannelCalibration share their key-value access ----

bool getKeyText(const QString &table, const QString &name, const QString &missingValue,
                QVariant &out)
{
    QSqlQuery query(connection(QString()));
    if (!query.exec(QLatin1String("select *from ") + table + QLatin1String(" where Name = '")
                    + sqlQuoted(name) + QLatin1Char('\'')))
        return false;
    if (query.next()) {
        out = query.value(1);
        return true;
    }
    if (!exec(QLatin1String("insert into ") + table + QLatin1String(" values ('") + sqlQuoted(name)
              + QLatin1String("','") + missingValue + QLatin1String("')")))
        return false;
    out = missingValue;
    return true;
}

bool getText(const QString &table, const QString &name, QString &out)
{
    QVariant value;
    if (!getKeyText(table, name, QString(), value))
        return false;
    out = value.toString();
    return true;
}

bool getFlag(const QString &table, const QString &name, bool &out)
{
    QVariant value;
    if (!getKeyText(table, name, QStringLiteral("false"), value))
        return false;
    out = value.toBool();  // false for "", "0" and "false" in any case
    return true;
}

// Updates the row of the key; a key without a row (a file from an older version, or a restored
// one) gains it, so that a setter that reports success has stored its value.
bool setText(const QString &table, const QString &name, const QString &data)
{
    QSqlQuery query(connection(QString()));
    if (!query.exec(QLatin1String("UPDATE ") + table + QLatin1String(" SET Data = '")
                    + sqlQuoted(data) + QLatin1String("' WHERE Name = '") + sqlQuoted(name)
                    + QLatin1Char('\'')))
        return false;
    if (query.numRowsAffected() > 0)
        return true;
    return exec(QLatin1String("insert into ") + table + QLatin1String(" values ('")
                + sqlQuoted(name) + QLatin1String("','") + sqlQuoted(data) + QLatin1String("')"));
}

bool hasTable(const QString &name)
{
    QSqlQuery query(connection(QString()));
    return query.exec(QLatin1String("SELECT * FROM sqlite_master WHERE type=\"table\" AND name=\"")
                      + name + QLatin1Char('"'))
        && query.next();
}

// ---- rows to records ----

AcquisitionDeviceRecord deviceFromQuery(const QSqlQuery &q)
{
    AcquisitionDeviceRecord r;
    r.number = q.value(0).toInt();
    r.model = q.value(1).toString();
    r.serialNumber = q.value(2).toString();
    r.scanInterval = q.value(3).toDouble();
    r.scanRate = q.value(4).toString();
    r.channelConfig = q.value(5).toString();
    r.signalMode = q.value(6).toString();
    r.ipCom = q.value(7).toString();
    r.portBaudRate = q.value(8).toString();
    return r;
}

QStringList splitList(const QVariant &v, QChar separator = kComma)
{
    return v.toString().split(separator, Qt::KeepEmptyParts);
}

QList<bool> splitFlags(const QVariant &v)
{
    QList<bool> flags;
    const QStringList parts = splitList(v);
    flags.reserve(parts.size());
    for (const QString &p : parts)
        flags << (p == QLatin1String("true"));
    return flags;
}

QString joinFlags(const QList<bool> &flags)
{
    QStringList parts;
    parts.reserve(flags.size());
    for (bool f : flags)
        parts << (f ? QStringLiteral("true") : QStringLiteral("false"));
    return parts.join(kComma);
}

ChannelConfigData configFromQuery(const QSqlQuery &q)
{
    ChannelConfigData c;
    c.Name = q.value(0).toString();
    c.Time = q.value(1).toString();
    c.Mode = q.value(2).toString();
    c.Remark = q.value(3).toString();
    c.ChannelCount = q.value(4).toInt();
    c.ChannelNumber = splitList(q.value(5));
    c.ChannelLabel = splitList(q.value(6));
    c.ChannelType = splitList(q.value(7));
    c.ChannelFunction = splitList(q.value(8));
    c.WireMode = splitList(q.value(9));
    c.MX_B_M = splitList(q.value(10));
    c.MX_B_B = splitList(q.value(11));
    c.A_C0 = splitList(q.value(12));
    c.B_C1 = splitList(q.value(13));
    c.C_C2 = splitList(q.value(14));
    c.D_C3 = splitList(q.value(15));
    c.R0_C4 = splitList(q.value(16));
    c.A4_C5 = splitList(q.value(17));
    c.B4_C6 = splitList(q.value(18));
    c.Unit = splitList(q.value(19));
    c.Compensation = q.value(20).toString();
    c.ColdJunction = q.value(21).toString();
    c.LowerAlarmEnable = splitFlags(q.value(22));
    c.LowerAlarm = splitList(q.value(23));
    c.UpperAlarmEnable = splitFlags(q.value(24));
    c.UpperAlarm = splitList(q.value(25));
    return c;
}

ParametersRecord projectFromQuery(const QSqlQuery &q)
{
    ParametersRecord p;
    p.Name = q.value(0).toString();
    p.CreateTime = q.value(1).toString();
    p.Start = q.value(2).toString();
    p.End = q.value(3).toString();
    p.DeviceNumber = splitList(q.value(4));
    p.Model = splitList(q.value(5));
    p.SerialNumber = splitList(q.value(6), kSemicolon);
    p.ScanInterval = q.value(7).toString();
    p.ScanRate = q.value(8).toString();
    p.SignalMode = splitList(q.value(9));
    p.IP_COM = splitList(q.value(10));
    p.Port_BaudRate = splitList(q.value(11));
    p.ChannelConfig = splitList(q.value(12));
    p.ChannelNumber = splitList(q.value(13));
    p.ChannelUnit = splitList(q.value(14));
    return p;
}

template <typename Record, typename Build>
bool selectInto(QList<Record> &out, const QString &table, const QString &sql, Build build,
                const QVariantList &values = QVariantList())
{
    QSqlQuery query(connection(QString()));
    query.setForwardOnly(true);
    bool ran = false;
    if (values.isEmpty()) {
        ran = query.exec(sql);
    } else if (query.prepare(sql)) {
        for (const QVariant &value : values) {
            // A null text would be bound as NULL, which no condition matches.
            const bool nullText = value.type() == QVariant::String && value.toString().isNull();
            query.addBindValue(nullText ? QVariant(QStringLiteral("")) : value);
        }
        ran = query.exec();
    }
    if (!ran) {
        traceSelectFailure(table);
        return false;
    }
    out.clear();
    while (query.next())
        out.append(build(query));
    return true;
}

bool channelConfigListsKeepSeparator(const QString &what, const ChannelConfigData &c,
                                     bool coefficientsOnly)
{
    if (!listsKeepSeparator(what, kComma,
                            {{"[MX+B_M]", &c.MX_B_M}, {"[MX+B_B]", &c.MX_B_B}, {"A_C0", &c.A_C0},
                             {"B_C1", &c.B_C1}, {"C_C2", &c.C_C2}, {"D_C3", &c.D_C3},
                             {"R0_C4", &c.R0_C4}, {"A4_C5", &c.A4_C5}, {"B4_C6", &c.B4_C6}}))
        return false;
    if (coefficientsOnly)
        return true;
    return listsKeepSeparator(what, kComma,
                              {{"ChannelNumber", &c.ChannelNumber},
                               {"ChannelLabel", &c.ChannelLabel},
                               {"ChannelType", &c.ChannelType},
                               {"ChannelFunction", &c.ChannelFunction},
                               {"WireMode", &c.WireMode}, {"Unit", &c.Unit},
                               {"LowerAlarm", &c.LowerAlarm}, {"UpperAlarm", &c.UpperAlarm}});
}

const QRegularExpression &wholeNumber()
{
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]{1,18}$"));
    return re;
}

} // namespace

// ---- file and connections ----------------------------------------------------------------

QString databaseFileName()
{
    return QStringLiteral("DAQ-Vemka.db3");
}

QString acquisitionConnectionName()
{
    return QStringLiteral("DAQ");
}

bool openDatabaseConnection(const QString &connectionName, const QString &fileName)
{
    const QString name = connectionName.isEmpty()
        ? QString::fromLatin1(QSqlDatabase::defaultConnection)
        : connectionName;
    {
        QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                       : QSqlDatabase::addDatabase(
                                                           QStringLiteral("QSQLITE"), name);
        if (db.isOpen())
            db.close();
        db.setDatabaseName(fileName);
        if (db.open()) {
            static const QRegularExpression option(
                QStringLiteral("(?:^|;)\\s*QSQLITE_BUSY_TIMEOUT\\s*=\\s*(\\d+)"));
            const QRegularExpressionMatch timeout = option.match(db.connectOptions());
            setBusyTimeout(timeout.hasMatch() ? timeout.captured(1).toInt() : defaultBusyTimeoutMs,
                           name);
            return true;
        }
        qDebug().noquote() << QStringLiteral("打开数据库失败！") << fileName
                           << db.lastError().text();
    }
    return false;
}

bool useWriteAheadLog(const QString &connectionName)
{
    QSqlQuery query(connection(connectionName));
    if (query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next()
        && query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return true;
    qWarning().noquote() << QStringLiteral("数据库未能使用预写日志：") << query.lastError().text();
    return false;
}

bool setBusyTimeout(int timeoutMs, const QString &connectionName)
{
    sqlite3 *handle = sqliteHandle(connection(connectionName));
    return handle
        && sqlite3_busy_handler(handle, retryEveryMillisecond,
                                reinterpret_cast<void *>(static_cast<intptr_t>(qMax(0, timeoutMs))))
        == SQLITE_OK;
}

void closeDatabaseConnection(const QString &connectionName)
{
    const QString name = connectionName.isEmpty()
        ? QString::fromLatin1(QSqlDatabase::defaultConnection)
        : connectionName;
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

QString sqlQuoted(QString value)
{
    return value.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString sqlContainsCondition(const QString &column)
{
    // Not LIKE: its pattern is limited in length (50,000 bytes) and needs its wildcards escaped.
    // lower() folds ASCII letters only, as LIKE does.
    return QLatin1String("instr(lower(") + column + QLatin1String("), lower(?)) > 0");
}

// ---- transactions ------------------------------------------------------------------------

DatabaseTransaction::DatabaseTransaction(const QString &connectionName)
    : m_connection(connectionName)
{
    // The write lock is taken at the start (waiting for the other connection as long as the
    // driver's busy timeout allows), so a transaction that reads before it writes cannot fail
    // half-way on the other connection's lock.
    QSqlDatabase db = connection(m_connection);
    if (db.isOpen()) {
        QSqlQuery query(db);
        m_active = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
        if (!m_active) {
            m_error = query.lastError().text();
            qDebug().noquote() << QStringLiteral("transaction not begun:") << m_error;
        }
    } else {
        m_error = QStringLiteral("database not open");
    }
}

DatabaseTransaction::~DatabaseTransaction()
{
    rollback();
}

bool DatabaseTransaction::isActive() const
{
    return m_active;
}

bool DatabaseTransaction::commit()
{
    if (!m_active)
        return false;
    QSqlQuery query(connection(m_connection));
    if (query.exec(QStringLiteral("COMMIT"))) {
        m_active = false;
        return true;
    }
    m_error = query.lastError().text();
    qDebug().noquote() << QStringLiteral("commit failed:") << m_error;
    rollback();
    return false;
}

QString DatabaseTransaction::lastError() const
{
    return m_error;
}

void DatabaseTransaction::rollback()
{
    if (!m_active)
        return;
    m_active = false;
    QSqlQuery query(connection(m_connection));
    query.exec(QStringLiteral("ROLLBACK"));
}

bool runInTransaction(const std::function<bool()> &work, const QString &connectionName)
{
    DatabaseTransaction transaction(connectionName);
    if (!transaction.isActive())
        return false;
    if (!work())
        return false;  // the transaction rolls back as it goes
    return transaction.commit();
}

// ---- SystemSet ---------------------------------------------------------------------------

bool getSystemSetText(QString name, QString &out)
{
    return getText(QStringLiteral("SystemSet"), name, out);
}

bool getSystemSetFlag(QString name, bool &out)
{
    return getFlag(QStringLiteral("SystemSet"), name, out);
}

bool setSystemSetText(QString name, QString data)
{
    return setText(QStringLiteral("SystemSet"), name, data);
}

bool setSystemSetFlag(QString name, bool flag)
{
    return setText(QStringLiteral("SystemSet"), name,
                   flag ? QStringLiteral("true") : QStringLiteral("false"));
}

// ---- AcquisitionDevice and ChannelConfig -------------------------------------------------

bool insertAcquisitionDevice(AcquisitionDeviceRecord r)
{
    const QString sql = insertStatement(
        QStringLiteral("AcquisitionDevice"),
        {QString::number(r.number), r.model, r.serialNumber, QString::number(r.scanInterval, 'g', 6),
         r.scanRate, r.channelConfig, r.signalMode, r.ipCom, r.portBaudRate});
    if (!exec(sql))
        return false;
    trace("添加采集设备：", sql);
    return true;
}

bool updateAcquisitionDevice(AcquisitionDeviceRecord r)
{
    const QString sql = QLatin1String("UPDATE AcquisitionDevice SET ScanInterval = '")
        + QString::number(r.scanInterval, 'g', 6) + QLatin1String("', ScanRate = '")
        + sqlQuoted(r.scanRate) + QLatin1String("', ChannelConfig = '") + sqlQuoted(r.channelConfig)
        + QLatin1String("', SignalMode = '") + sqlQuoted(r.signalMode)
        + QLatin1String("', IP_COM = '") + sqlQuoted(r.ipCom)
        + QLatin1String("', Port_BaudRate = '") + sqlQuoted(r.portBaudRate)
        + QLatin1String("' WHERE SerialNumber = '") + sqlQuoted(r.serialNumber)
        + QLatin1Char('\'');
    if (!exec(sql))
        return false;
    trace("修改采集设备：", sql);
    return true;
}

bool deleteAcquisitionDevice(QString serialNumber)
{
    const QString sql = QLatin1String("delete from AcquisitionDevice where SerialNumber = '")
        + sqlQuoted(serialNumber) + QLatin1Char('\'');
    if (!exec(sql))
        return false;
    trace("删除采集设备：", sql);
    return true;
}

bool selectAcquisitionDevice(QList<AcquisitionDeviceRecord> &out, QString number)
{
    QString sql = QStringLiteral("select * from AcquisitionDevice");
    if (!number.isEmpty()) {
        // The number goes into the statement unquoted: only a whole decimal number may.
        if (!wholeNumber().match(number).hasMatch()) {
            qDebug().noquote() << QStringLiteral("查询AcquisitionDevice失败！")
                               << QStringLiteral("not a whole number:") << number;
            return false;
        }
        sql += QLatin1String(" where Number = ") + number;
    }
    return selectInto(out, QStringLiteral("AcquisitionDevice"), sql, deviceFromQuery);
}

bool insertChannelConfig(ChannelConfigData c)
{
    if (!channelConfigListsKeepSeparator(QStringLiteral("insertChannelConfig"), c, false))
        return false;
    const QString sql = insertStatement(
        QStringLiteral("ChannelConfig"),
        {c.Name, c.Time, c.Mode, c.Remark, QString::number(c.ChannelCount),
         c.ChannelNumber.join(kComma), c.ChannelLabel.join(kComma), c.ChannelType.join(kComma),
         c.ChannelFunction.join(kComma), c.WireMode.join(kComma), c.MX_B_M.join(kComma),
         c.MX_B_B.join(kComma), c.A_C0.join(kComma), c.B_C1.join(kComma), c.C_C2.join(kComma),
         c.D_C3.join(kComma), c.R0_C4.join(kComma), c.A4_C5.join(kComma), c.B4_C6.join(kComma),
         c.Unit.join(kComma), c.Compensation, c.ColdJunction, joinFlags(c.LowerAlarmEnable),
         c.LowerAlarm.join(kComma), joinFlags(c.UpperAlarmEnable), c.UpperAlarm.join(kComma)});
    if (!exec(sql))
        return false;
    trace("添加通道配置：", sql);
    return true;
}

bool updateChannelConfig(ChannelConfigData c)
{
    if (!channelConfigListsKeepSeparator(QStringLiteral("updateChannelConfig"), c, true))
        return false;
    auto list = [](const QStringList &l) { return sqlQuoted(l.join(kComma)); };
    const QString sql = QLatin1String("UPDATE ChannelConfig SET [MX+B_M] = '") + list(c.MX_B_M)
        + QLatin1String("', [MX+B_B] = '") + list(c.MX_B_B) + QLatin1String("', A_C0 = '")
        + list(c.A_C0) + QLatin1String("', B_C1 = '") + list(c.B_C1) + QLatin1String("', C_C2 = '")
        + list(c.C_C2) + QLatin1String("', D_C3 = '") + list(c.D_C3)
        + QLatin1String("', R0_C4 = '") + list(c.R0_C4) + QLatin1String("', A4_C5 = '")
        + list(c.A4_C5) + QLatin1String("', B4_C6 = '") + list(c.B4_C6)
        + QLatin1String("' WHERE Name = '") + sqlQuoted(c.Name) + QLatin1Char('\'');
    trace("修改通道配置：", sql);
    return exec(sql);
}

bool deleteChannelConfig(QString name)
{
    const QString sql = QLatin1String("delete from ChannelConfig where Name = '") + sqlQuoted(name)
        + QLatin1Char('\'');
    if (!exec(sql))
        return false;
    trace("删除通道配置：", sql);
    return true;
}

bool selectChannelConfig(QList<ChannelConfigData> &out, QString name)
{
    QString sql = QStringLiteral("select * from ChannelConfig");
    if (!name.isEmpty())
        sql += QLatin1String(" where Name = '") + sqlQuoted(name) + QLatin1Char('\'');
    return selectInto(out, QStringLiteral("ChannelConfig"), sql, configFromQuery);
}

bool selectChannelConfigByMode(QList<ChannelConfigData> &out, QString model)
{
    const QString sql = QLatin1String("select * from ChannelConfig where Mode = '")
        + sqlQuoted(model) + QLatin1Char('\'');
    return selectInto(out, QStringLiteral("ChannelConfig"), sql, configFromQuery);
}

// ---- Parameters, ParametersData, AuditLog ------------------------------------------------

bool insertParameters(ParametersRecord p, QString connectionName)
{
    if (!listsKeepSeparator(QStringLiteral("insertParameters"), kSemicolon,
                            {{"SerialNumber", &p.SerialNumber}})
        || !listsKeepSeparator(QStringLiteral("insertParameters"), kComma,
                               {{"DeviceNumber", &p.DeviceNumber}, {"Model", &p.Model},
                                {"SignalMode", &p.SignalMode}, {"IP_COM", &p.IP_COM},
                                {"Port_BaudRate", &p.Port_BaudRate},
                                {"ChannelConfig", &p.ChannelConfig},
                                {"ChannelNumber", &p.ChannelNumber},
                                {"ChannelUnit", &p.ChannelUnit}}))
        return false;
    const QString sql = insertStatement(
        QStringLiteral("Parameters"),
        {p.Name, p.CreateTime, p.Start, p.End, p.DeviceNumber.join(kComma), p.Model.join(kComma),
         p.SerialNumber.join(kSemicolon), p.ScanInterval, p.ScanRate, p.SignalMode.join(kComma),
         p.IP_COM.join(kComma), p.Port_BaudRate.join(kComma), p.ChannelConfig.join(kComma),
         p.ChannelNumber.join(kComma), p.ChannelUnit.join(kComma)});
    if (!exec(sql, connectionName))
        return false;
    trace("添加验证信息：", sql);
    return true;
}

bool updateParametersTime(QString name, QString start, QString end)
{
    const QString sql = QLatin1String("UPDATE Parameters SET Start = '") + sqlQuoted(start)
        + QLatin1String("', End = '") + sqlQuoted(end) + QLatin1String("' WHERE Name = '")
        + sqlQuoted(name) + QLatin1Char('\'');
    if (!exec(sql))
        return false;
    trace("修改采集信息：", sql);
    return true;
}

bool deleteParameters(QString name)
{
    const QString sql = QLatin1String("delete from Parameters where Name = '") + sqlQuoted(name)
        + QLatin1Char('\'');
    if (!exec(sql))
        return false;
    trace("删除验证信息：", sql);
    return true;
}

bool selectParameters(QList<ParametersRecord> &out, QString name)
{
    QString sql = QStringLiteral("select * from Parameters");
    if (!name.isEmpty())
        sql += QLatin1String(" where Name = '") + sqlQuoted(name) + QLatin1Char('\'');
    return selectInto(out, QStringLiteral("Parameters"), sql, projectFromQuery);
}

bool selectParametersBySql(QList<ParametersRecord> &out, QString statement,
                           const QVariantList &values)
{
    return selectInto(out, QStringLiteral("Parameters"), statement, projectFromQuery, values);
}

bool insertParametersData(ParametersDataRow row, QString connectionName)
{
    if (!listsKeepSeparator(QStringLiteral("insertParametersData"), kComma,
                            {{"Data", &row.values}}))
        return false;
    const QString sql = insertStatement(
        QStringLiteral("ParametersData"),
        {row.name, formatSampleTime(row.time), row.values.join(kComma)});
    QSqlDatabase db = connection(connectionName);
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    return query.exec(sql);
}

bool insertParametersDataBatch(const QList<ParametersDataRow> &rows, QString connectionName,
                               QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    for (const ParametersDataRow &row : rows) {
        if (!listsKeepSeparator(QStringLiteral("insertParametersDataBatch"), kComma,
                                {{"Data", &row.values}}))
            return fail(QStringLiteral("a value holds \",\""));
    }
    if (!connection(connectionName).isOpen())
        return fail(QStringLiteral("database not open"));
    DatabaseTransaction transaction(connectionName);
    if (!transaction.isActive())
        return fail(transaction.lastError());
    {
        ParametersDataWriter writer(connectionName);
        if (!writer.isReady())
            return fail(writer.lastError());
        for (const ParametersDataRow &row : rows) {
            if (!writer.insert(row))
                return fail(writer.lastError());  // rolled back
        }
    }
    return transaction.commit() || fail(transaction.lastError());
}

ParametersDataWriter::ParametersDataWriter(const QString &connectionName)
{
    // The statement runs on the SQLite handle of the Qt connection, so it shares the
    // connection's transaction.
    sqlite3 *sqlite = sqliteHandle(connection(connectionName));
    if (!sqlite)
        return;
    if (sqlite3_prepare_v2(sqlite, "insert into ParametersData values (?,?,?)", -1, &statement,
                           nullptr)
        != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(sqlite));
        qDebug().noquote() << QStringLiteral("ParametersDataWriter:") << error;
        sqlite3_finalize(statement);
        statement = nullptr;
    }
}

ParametersDataWriter::~ParametersDataWriter()
{
    sqlite3_finalize(statement);
}

bool ParametersDataWriter::insert(const ParametersDataRow &row)
{
    return insert(row.name, row.time, row.values);
}

bool ParametersDataWriter::encodeValues(const QStringList &values)
{
    // Values of ASCII characters are copied byte by byte; a row with any other character, or
    // with a "," inside a value, goes through the general text encoding and separator check.
    int size = values.isEmpty() ? 0 : values.size() - 1;
    for (const QString &value : values)
        size += value.size();
    data.resize(size);
    char *out = data.data();
    for (int k = 0; k < values.size(); ++k) {
        if (k > 0)
            *out++ = ',';
        const QString &value = values.at(k);
        const QChar *c = value.constData();
        for (int i = 0, n = value.size(); i < n; ++i) {
            const ushort u = c[i].unicode();
            if (u >= 0x80 || u == ',') {
                if (!listsKeepSeparator(QStringLiteral("ParametersDataWriter"), kComma,
                                        {{"Data", &values}}))
                    return false;
                data = values.join(kComma).toUtf8();
                return true;
            }
            *out++ = char(u);
        }
    }
    return true;
}

bool ParametersDataWriter::insert(const QString &name, const QDateTime &time,
                                  const QStringList &values)
{
    if (!statement || !encodeValues(values))
        return false;
    if (name != boundName || boundNameUtf8.isNull()) {
        boundName = name;
        boundNameUtf8 = name.toUtf8();
    }
    formatSampleTime(time, timeText);
    sqlite3_bind_text(statement, 1, boundNameUtf8.constData(), boundNameUtf8.size(),
                      SQLITE_STATIC);
    sqlite3_bind_text(statement, 2, timeText.constData(), timeText.size(), SQLITE_STATIC);
    sqlite3_bind_text(statement, 3, data.constData(), data.size(), SQLITE_STATIC);
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE) {
        error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(statement)));
        qDebug().noquote() << QStringLiteral("ParametersDataWriter:") << error;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    return rc == SQLITE_DONE;
}

bool deleteParametersData(QString name)
{
    const QString sql = QLatin1String("delete from ParametersData where Name = '")
        + sqlQuoted(name) + QLatin1Char('\'');
    if (!exec(sql))
        return false;
    trace("删除验证数据：", sql);
    return true;
}

bool selectParametersData(QList<ParametersDataRow> &out, QString name)
{
    QString sql = QStringLiteral("select * from ParametersData");
    if (!name.isEmpty())
        sql += QLatin1String(" where Name = '") + sqlQuoted(name) + QLatin1Char('\'');
    return selectInto(out, QStringLiteral("ParametersData"), sql, [](const QSqlQuery &q) {
        return decodeParametersDataRow(q.value(0).toString(), q.value(1).toString(),
                                       q.value(2).toString());
    });
}

bool addAuditLog(QString type, QString details)
{
    return addAuditLogAt(QDateTime::currentDateTime(), type, details);
}

bool addAuditLogAt(const QDateTime &time, QString type, QString details)
{
    return exec(insertStatement(QStringLiteral("AuditLog"),
                                {time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), type,
                                 details}));
}

bool selectAuditLog(QList<AuditLogRecord> &out, QString from, QString to, QString type)
{
    const QString sql = from.isEmpty()
        ? QStringLiteral("select *from AuditLog")
        : QLatin1String("select * from AuditLog where (Time Between '") + sqlQuoted(from)
            + QLatin1String("'and '") + sqlQuoted(to) + QLatin1String("') and ")
            + sqlContainsCondition(QStringLiteral("Type"));
    return selectInto(
        out, QStringLiteral("AuditLog"), sql,
        [](const QSqlQuery &q) {
            return AuditLogRecord{q.value(0).toString(), q.value(1).toString(),
                                  q.value(2).toString()};
        },
        from.isEmpty() ? QVariantList() : QVariantList{type});
}

bool deleteAuditLog(QString time, QString type, QString details)
{
    return exec(QLatin1String("delete from AuditLog where rowid = (select rowid from AuditLog "
                              "where Time = '")
                + sqlQuoted(time) + QLatin1String("' and Type = '") + sqlQuoted(type)
                + QLatin1String("' and Details = '") + sqlQuoted(details)
                + QLatin1String("' limit 1)"));
}

bool deleteAuditLog(const AuditLogRecord &entry)
{
    return deleteAuditLog(entry.time, entry.type, entry.details);
}

// ---- ChannelCalibration and ChannelCalibrationData ---------------------------------------

bool hasChannelCalibrationTable()
{
    return hasTable(QStringLiteral("ChannelCalibration"));
}

bool hasChannelCalibrationDataTable()
{
    return hasTable(QStringLiteral("ChannelCalibrationData"));
}

bool createChannelCalibrationTable()
{
    return exec(QStringLiteral(
        "CREATE TABLE ChannelCalibration(Name TEXT PRIMARY KEY UNIQUE NOT NULL, Data TEXT);"));
}

bool createChannelCalibrationDataTable()
{
    return exec(QStringLiteral(
                    "CREATE TABLE ChannelCalibrationData(StartTime TEXT PRIMARY KEY UNIQUE NOT NULL, ")
                + QStringLiteral("ChannelName TEXT,ChannelMode TEXT,CollectionName TEXT,ChannelNumber TEXT, ")
                + QStringLiteral("CalibrationCriteria TEXT,CalibrationData1 TEXT,CalibrationData2 TEXT, ")
                + QStringLiteral("CalibrationData3 TEXT,CalibrationData4 TEXT,CalibrationData5 TEXT, ")
                + QStringLiteral("CalibrationData6 TEXT,CalibrationData7 TEXT,CalibrationData8 TEXT,CalibrationData9 TEXT);"));
}

bool getChannelCalibrationText(QString name, QString &out)
{
    return getText(QStringLiteral("ChannelCalibration"), name, out);
}

bool getChannelCalibrationFlag(QString name, bool &out)
{
    return getFlag(QStringLiteral("ChannelCalibration"), name, out);
}

bool setChannelCalibrationText(QString name, QString data)
{
    return setText(QStringLiteral("ChannelCalibration"), name, data);
}

bool setChannelCalibrationFlag(QString name, bool flag)
{
    return setText(QStringLiteral("ChannelCalibration"), name,
                   flag ? QStringLiteral("true") : QStringLiteral("false"));
}

bool insertChannelCalibrationData(ChannelCalibrationDataRecord r)
{
    if (!listsKeepSeparator(QStringLiteral("insertChannelCalibrationData"), kSemicolon,
                            {{"CalibrationCriteria", &r.calibrationCriteria},
                             {"CalibrationData1", &r.calibrationData1},
                             {"CalibrationData2", &r.calibrationData2},
                             {"CalibrationData3", &r.calibrationData3},
                             {"CalibrationData4", &r.calibrationData4},
                             {"CalibrationData5", &r.calibrationData5},
                             {"CalibrationData6", &r.calibrationData6},
                             {"CalibrationData7", &r.calibrationData7},
                             {"CalibrationData8", &r.calibrationData8},
                             {"CalibrationData9", &r.calibrationData9}}))
        return false;
    const QString sql = insertStatement(
        QStringLiteral("ChannelCalibrationData"),
        {r.startTime, r.channelName, r.channelMode, r.collectionName, r.channelNumber,
         r.calibrationCriteria.join(kSemicolon), r.calibrationData1.join(kSemicolon),
         r.calibrationData2.join(kSemicolon), r.calibrationData3.join(kSemicolon),
         r.calibrationData4.join(kSemicolon), r.calibrationData5.join(kSemicolon),
         r.calibrationData6.join(kSemicolon), r.calibrationData7.join(kSemicolon),
         r.calibrationData8.join(kSemicolon), r.calibrationData9.join(kSemicolon)});
    if (!exec(sql))
        return false;
    trace("添加通道校准数据：", sql);
    return true;
}
