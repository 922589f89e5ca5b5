#include "SystemSetBackup.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>

#include <atomic>
#include <thread>

#include <sqlite3.h>

#include "Database.h"
#include "DatabaseSchema.h"
#include "Terms.h"

namespace {
// How long the backup's connections wait for a lock another connection holds.
constexpr int backupBusyTimeoutMs = 10000;

QString privateConnectionName(const char *what)
{
    static QAtomicInt counter;
    return QStringLiteral("vazuv-%1-%2").arg(QLatin1String(what)).arg(counter.fetchAndAddOrdered(1));
}

// Runs `work` on a private read-only connection to an existing file; never creates the file.
template<typename Work>
bool withReadOnlyConnection(const QString &path, const char *what, Work work)
{
    if (!QFileInfo(path).isFile())
        return false;
    const QString name = privateConnectionName(what);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(backupBusyTimeoutMs));
        if (db.open())
            ok = work(db);
        else
            qDebug() << "database not opened:" << path << db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// Leaves the database file `path` in rollback-journal mode: one file complete in itself.
bool useRollbackJournal(const QString &path)
{
    const QString name = privateConnectionName("journal");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(backupBusyTimeoutMs));
        QSqlQuery mode(db);
        ok = db.open() && mode.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) && mode.next()
            && mode.value(0).toString() == QLatin1String("delete");
        if (!ok)
            qWarning() << "database file not made complete in itself:" << path
                       << mode.lastError().text() << db.lastError().text();
        mode.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The SQLite handle of an open connection, or none when the driver runs another SQLite library
// than the one this program is linked with (its handle is then not ours to use).
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select sqlite_version()")) || !query.next()
        || query.value(0).toString() != QLatin1String(sqlite3_libversion()))
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

// Pages copied per step of the online backup (a few MB).
constexpr int backupPagesPerStep = 1024;

// Busy handler of the snapshot's begin: tries again every millisecond until the backup's busy
// timeout has passed (`data` is the QElapsedTimer started before the first try).
int retryEveryMillisecond(void *data, int)
{
    if (static_cast<QElapsedTimer *>(data)->hasExpired(backupBusyTimeoutMs))
        return 0;
    sqlite3_sleep(1);
    return 1;
}

// Copies the database of `source` into the new file `target` with SQLite's online backup, in
// steps of a few MB, all inside one read transaction: the copy is one consistent snapshot, and
// in write-ahead-log mode (how the program opens its file) the writers go on meanwhile, their
// commits not waiting for the copy. The copy is left in rollback-journal mode, a file complete
// in itself.
bool copyByBackupSteps(QSqlDatabase &source, sqlite3 *sourceHandle, const QString &target)
{
    const QString name = privateConnectionName("backup-target");
    bool ok = false;
    {
        QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        copy.setDatabaseName(target);
        sqlite3 *copyHandle = copy.open() ? sqliteHandle(copy) : nullptr;
        QSqlQuery snapshot(source);
        // A file left in rollback-journal mode (where the write-ahead log was refused) is locked
        // by a writer for most of each commit and free between two commits only for moments.
        // SQLite's own busy wait sleeps up to 100 ms between its tries and so can miss every one
        // of those moments for as long as the writes go on: the snapshot tries every millisecond.
        QElapsedTimer waited;
        waited.start();
        sqlite3_busy_handler(sourceHandle, retryEveryMillisecond, &waited);
        const bool begun = copyHandle && snapshot.exec(QStringLiteral("BEGIN"))
                           && snapshot.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        sqlite3_busy_timeout(sourceHandle, backupBusyTimeoutMs);
        if (!copyHandle) {
            qWarning() << "backup target not opened:" << target << copy.lastError().text();
        } else if (!begun) {
            qWarning() << "backup snapshot not begun:" << snapshot.lastError().text();
        } else {
            snapshot.finish();
            sqlite3_backup *backup = sqlite3_backup_init(copyHandle, "main", sourceHandle, "main");
            int rc = backup ? SQLITE_OK : sqlite3_errcode(copyHandle);
            while (backup && (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED)) {
                rc = sqlite3_backup_step(backup, backupPagesPerStep);
                if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                    QThread::msleep(10);
            }
            if (backup)
                sqlite3_backup_finish(backup);
            ok = rc == SQLITE_DONE;
            if (!ok)
                qWarning() << "backup copy failed:" << target << sqlite3_errstr(rc);
            QSqlQuery(source).exec(QStringLiteral("COMMIT"));
        }
        copy.close();
    }
    QSqlDatabase::removeDatabase(name);
    // The copy took the source's header, and with it write-ahead-log mode.
    return ok && useRollbackJournal(target);
}

// A consistent copy of the open connection's database in the new file `target`.
bool copySnapshot(QSqlDatabase &source, const QString &target)
{
    if (sqlite3 *handle = sqliteHandle(source))
        return copyByBackupSteps(source, handle, target);
    // Another SQLite under the driver: one statement copies the snapshot instead.
    QSqlQuery query(source);
    QString quoted = target;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    if (!query.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted))) {
        qWarning() << "backup failed:" << target << query.lastError().text();
        return false;
    }
    return true;
}
}

QStringList requiredDatabaseTables()
{
    return {QStringLiteral("SystemSet"), QStringLiteral("AcquisitionDevice"),
            QStringLiteral("ChannelConfig"), QStringLiteral("Parameters"),
            QStringLiteral("ParametersData"), QStringLiteral("AuditLog")};
}

bool hasRequiredTables(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'")))
        return false;
    QStringList present;
    while (query.next())
        present << query.value(0).toString();
    for (const QString &table : requiredDatabaseTables()) {
        if (!present.contains(table))
            return false;
    }
    return true;
}

bool verifyDatabaseFile(const QString &path, QString *error)
{
    QString reason;
    const bool ok = withReadOnlyConnection(path, "verify", [&reason](QSqlDatabase &db) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA quick_check")) || !query.next()
            || query.value(0).toString() != QLatin1String("ok")) {
            qDebug() << "database check failed:" << db.databaseName() << query.lastError().text();
            return false;
        }
        return checkDatabaseTables(db, reason);
    });
    if (!ok && !reason.isEmpty())
        qWarning().noquote() << QStringLiteral("数据库文件不符：") + path << reason;
    if (error)
        *error = reason;
    return ok;
}

QString backupTargetName(const QString &folder, const QDateTime &time)
{
    QString target = folder + QLatin1Char('/') + time.toString(QStringLiteral("yyyy_MM_dd_hh_mm"))
                     + QStringLiteral("_DAQ-Vemka.db3");
    target = QDir::toNativeSeparators(target);
    target.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return target;
}

QString backupPartialName(const QString &target)
{
    return target + QStringLiteral(".partial");
}

bool backupDatabase(const QString &target, const QString &databasePath)
{
    if (target.isEmpty() || QFileInfo::exists(target) || !QFileInfo(databasePath).isFile())
        return false;
    // One copy at a time: a timer that fires while the caller waits for a copy finds it busy.
    static std::atomic<bool> busy{false};
    if (busy.exchange(true)) {
        qWarning() << "backup refused: another copy is being made" << target;
        return false;
    }
    // The copy is made under a name that no list of backups and no restore takes for one, and
    // gets its own name only once complete and checked: a copy cut short (the program killed,
    // the disk full) never looks like a backup.
    const QString partial = backupPartialName(target);
    auto removePartial = [&partial] {
        for (const char *companion : {"", "-journal", "-wal", "-shm"})
            QFile::remove(partial + QLatin1String(companion));
    };
    removePartial();   // left by a copy of the same name that was cut short
    bool ok = false;
    std::atomic<bool> finished{false};
    // The copy runs on a thread of its own while the caller's thread goes on delivering its
    // events: a copy of a large file takes long, and instrument replies arrive on that thread.
    std::thread copier([&] {
        ok = withReadOnlyConnection(databasePath, "backup", [&partial](QSqlDatabase &db) {
            return copySnapshot(db, partial);
        });
        ok = ok && verifyDatabaseFile(partial);
        // A rename never replaces a file: a copy of that name made meanwhile stays.
        ok = ok && QFile::rename(partial, target);
        finished = true;
    });
    if (QCoreApplication::instance()
        && QThread::currentThread() == QCoreApplication::instance()->thread())
        waitDeliveringEvents([&finished] { return finished.load(); });
    copier.join();
    if (!ok) {
        qWarning() << "backup not made:" << target;
        removePartial();   // a half-written copy is no backup
    }
    busy = false;
    return ok;
}

bool restoreDatabaseFile(const QString &source, const QString &databasePath, QString *error)
{
    if (!QFileInfo(source).isFile())
        return false;
    // A journal beside the live file means a connection still writes it: not now.
    for (const char *companion : {"-journal", "-wal"}) {
        if (QFileInfo::exists(databasePath + QLatin1String(companion))) {
            qDebug() << "restore refused: database still in use" << databasePath;
            return false;
        }
    }
    const QString incoming = databasePath + QStringLiteral(".restore");
    const QString previous = databasePath + QStringLiteral(".previous");
    QFile::remove(incoming);
    if (!QFile::copy(source, incoming)) {
        qDebug() << "restore copy failed:" << source;
        return false;
    }
    QFile(incoming).setPermissions(QFile(incoming).permissions() | QFile::WriteOwner | QFile::ReadOwner);
    // A copy of a file in write-ahead-log mode becomes a file complete in itself first, so that
    // checking it leaves no log files beside it.
    if (!useRollbackJournal(incoming)) {
        QFile::remove(incoming);
        return false;
    }
    if (!verifyDatabaseFile(incoming, error)) {
        QFile::remove(incoming);
        return false;
    }
    const bool hadOld = QFileInfo::exists(databasePath);
    if (hadOld) {
        QFile::remove(previous);
        if (!QFile::rename(databasePath, previous)) {
            QFile::remove(incoming);
            return false;
        }
    }
    if (!QFile::rename(incoming, databasePath)) {
        if (hadOld)
            QFile::rename(previous, databasePath);
        QFile::remove(incoming);
        return false;
    }
    // The old file goes only once the new one is in place.
    if (hadOld && QFileInfo(databasePath).isFile())
        QFile::remove(previous);
    return true;
}
