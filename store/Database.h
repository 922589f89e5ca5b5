#pragma once
// Access to the program's SQLite database "DAQ-Vemka.db3": one free function per table and
// operation. Every function builds its statement with each value quoted (single quotes doubled),
// runs it on a fresh query and returns whether it ran. Selects empty and refill the caller's list
// on success and leave it untouched on failure. All functions use the default connection (GUI
// thread) except the sample inserts, which take a connection name ("DAQ" on the acquisition
// worker's own thread).

#include <functional>

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "Records.h"

struct sqlite3_stmt;

// ---- file and connections ----------------------------------------------------------------

// "DAQ-Vemka.db3", relative to the working directory.
QString databaseFileName();
// "DAQ": the acquisition worker's own connection.
QString acquisitionConnectionName();

// Adds (or re-adds) the connection `connectionName` (empty: the default connection) with driver
// "QSQLITE" on `fileName` and opens it on the calling thread. False when it does not open.
bool openDatabaseConnection(const QString &connectionName = QString(),
                            const QString &fileName = databaseFileName());
// Sets how long a statement of the open connection (empty: the default connection) waits for a
// lock another connection holds before it fails (openDatabaseConnection sets 5000 ms, or the
// connection's QSQLITE_BUSY_TIMEOUT option). The wait tries again every millisecond, so it takes
// the lock at the first moment between two commits of a connection that writes without a pause
// (SQLite's own wait sleeps up to 100 ms between tries and can miss every such moment until
// the other connection stops). False when the connection is not open.
bool setBusyTimeout(int timeoutMs, const QString &connectionName = QString());
// Puts the database file of the open connection (empty: the default connection) into
// write-ahead-log mode, which the file keeps: a reader (a backup copying the file) never holds a
// writer (the run's sample commits) off, nor a writer a reader. False, with a warning in the log,
// when the file keeps its mode (a read-only file or folder, or another connection in the middle
// of a transaction).
bool useWriteAheadLog(const QString &connectionName = QString());
// Closes and removes the connection (empty: the default connection). Call it on the thread
// that opened it, with no query of that connection left alive.
void closeDatabaseConnection(const QString &connectionName = QString());

// A value as it goes between the single quotes of a statement: every quote doubled.
QString sqlQuoted(QString value);

// The condition of a substring search: true for the rows whose `column` contains the text bound
// to its one placeholder "?", as it stands ("%" and "_" match themselves, a text of any length
// works), ASCII letters matching in either case; an empty text matches every row. Use it in
// every filter search and bind the search text:
//     "... where " + sqlContainsCondition("Name")   with the bound value `search`
QString sqlContainsCondition(const QString &column);

// ---- transactions ------------------------------------------------------------------------

// One transaction on a connection (empty: the default connection): begun at construction,
// rolled back at destruction unless committed. For callers that insert many rows. The write lock
// is taken when it begins, so work that reads before it writes cannot fail on the lock of the
// other connection half-way; a transaction already open on the connection makes it inactive.
class DatabaseTransaction
{
public:
    explicit DatabaseTransaction(const QString &connectionName = QString());
    ~DatabaseTransaction();
    DatabaseTransaction(const DatabaseTransaction &) = delete;
    DatabaseTransaction &operator=(const DatabaseTransaction &) = delete;

    bool isActive() const;   // the transaction began and is still open
    bool commit();           // false (and rolled back) when the commit fails
    void rollback();
    QString lastError() const;   // why the begin or the commit failed

private:
    QString m_connection;
    bool m_active = false;
    QString m_error;
};

// Runs `work` inside one transaction: commits when it returns true, rolls back otherwise.
// Returns true only when the work succeeded and the commit succeeded.
bool runInTransaction(const std::function<bool()> &work,
                      const QString &connectionName = QString());

// ---- SystemSet ---------------------------------------------------------------------------

bool getSystemSetText(QString name, QString &out);
bool getSystemSetFlag(QString name, bool &out);
// The setters update the key's row, inserting it when it is missing.
bool setSystemSetText(QString name, QString data);
bool setSystemSetFlag(QString name, bool flag);

// ---- AcquisitionDevice and ChannelConfig -------------------------------------------------

bool insertAcquisitionDevice(AcquisitionDeviceRecord record);
bool updateAcquisitionDevice(AcquisitionDeviceRecord record);
bool deleteAcquisitionDevice(QString serialNumber);
// Empty number: every instrument. Otherwise the number must be a whole decimal number; any
// other text returns false and runs nothing.
bool selectAcquisitionDevice(QList<AcquisitionDeviceRecord> &out, QString number);

// Inserts and updates refuse (false, nothing stored) a list member that holds ",".
bool insertChannelConfig(ChannelConfigData config);
// Rewrites the correction and coefficient lists of the configuration of that name.
bool updateChannelConfig(ChannelConfigData config);
bool deleteChannelConfig(QString name);
bool selectChannelConfig(QList<ChannelConfigData> &out, QString name);
bool selectChannelConfigByMode(QList<ChannelConfigData> &out, QString model);

// ---- Parameters, ParametersData, AuditLog ------------------------------------------------

// Refuses a list member that holds its list's separator ("," or ";" for SerialNumber). On the
// named open connection, or the default one for an empty name.
bool insertParameters(ParametersRecord record, QString connectionName = QString());
bool updateParametersTime(QString name, QString start, QString end);
bool deleteParameters(QString name);
bool selectParameters(QList<ParametersRecord> &out, QString name);
// Runs the caller's select, which must yield the 15 columns of Parameters in order, with
// `values` bound to its placeholders in order (a null text bound as an empty text, not NULL).
bool selectParametersBySql(QList<ParametersRecord> &out, QString statement,
                           const QVariantList &values = QVariantList());

// One sample; on the named open connection, or the default one for an empty name. A value
// holding "," is refused.
bool insertParametersData(ParametersDataRow row, QString connectionName = QString());
// Many samples in one transaction: all are stored, or none (rolled back on the first failure;
// `error`, when given, then says why).
bool insertParametersDataBatch(const QList<ParametersDataRow> &rows,
                               QString connectionName = QString(), QString *error = nullptr);
bool deleteParametersData(QString name);

// Writes ParametersData rows, encoded as insertParametersData does, on one open connection
// through one statement prepared once, inside the caller's transaction (it begins none): for a
// run or an import that stores many rows. Made, used and destroyed on the thread that opened the
// connection, before the connection closes.
class ParametersDataWriter
{
public:
    explicit ParametersDataWriter(const QString &connectionName = QString());
    ~ParametersDataWriter();
    ParametersDataWriter(const ParametersDataWriter &) = delete;
    ParametersDataWriter &operator=(const ParametersDataWriter &) = delete;

    // The connection is open and the statement prepared.
    bool isReady() const { return statement != nullptr; }
    // One row; false (nothing stored) when a value holds "," or the insert fails.
    bool insert(const ParametersDataRow &row);
    bool insert(const QString &name, const QDateTime &time, const QStringList &values);
    QString lastError() const { return error; }   // why the statement or the last insert failed

private:
    // `values` joined with "," as UTF-8 into `data` (what values.join(",").toUtf8() gives);
    // false when a value holds ",".
    bool encodeValues(const QStringList &values);

    sqlite3_stmt *statement = nullptr;
    QString error;
    QString boundName;           // the project name of the last row, kept encoded
    QByteArray boundNameUtf8;
    QByteArray timeText;         // the last row's time and values, encoded; their memory serves
    QByteArray data;             // again for the next row
};
bool selectParametersData(QList<ParametersDataRow> &out, QString name);

// Adds an entry with the current local time ("yyyy-MM-dd hh:mm:ss").
bool addAuditLog(QString type, QString details);
// The same with the entry's time given (an entry written later than it happened).
bool addAuditLogAt(const QDateTime &time, QString type, QString details);
// Empty `from`: every entry. Otherwise the entries from `from` to `to` (inclusive, compared as
// texts) whose type contains `type`.
bool selectAuditLog(QList<AuditLogRecord> &out, QString from, QString to, QString type);
// Deletes exactly the entry given (one row with that time, type and details).
bool deleteAuditLog(QString time, QString type, QString details);
bool deleteAuditLog(const AuditLogRecord &entry);

// ---- ChannelCalibration and ChannelCalibrationData ---------------------------------------

bool hasChannelCalibrationTable();
bool hasChannelCalibrationDataTable();
bool createChannelCalibrationTable();
bool createChannelCalibrationDataTable();
bool getChannelCalibrationText(QString name, QString &out);
bool getChannelCalibrationFlag(QString name, bool &out);
// The setters update the key's row, inserting it when it is missing.
bool setChannelCalibrationText(QString name, QString data);
bool setChannelCalibrationFlag(QString name, bool flag);
// Refuses a list member that holds ";".
bool insertChannelCalibrationData(ChannelCalibrationDataRecord record);
