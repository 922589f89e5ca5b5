#include "SystemSetBackup.h"

#include <QAtomicInt>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include "DatabaseSchema.h"

namespace {
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
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
        if (db.open())
            ok = work(db);
        else
            qDebug() << "database not opened:" << path << db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
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

bool backupDatabase(const QString &target, const QString &databasePath)
{
    if (target.isEmpty() || QFileInfo::exists(target))
        return false;
    const bool ok = withReadOnlyConnection(databasePath, "backup", [&target](QSqlDatabase &db) {
        QSqlQuery query(db);
        QString quoted = target;
        quoted.replace(QLatin1Char('\''), QLatin1String("''"));
        if (!query.exec(QStringLiteral("VACUUM INTO '%1'").arg(quoted))) {
            qDebug() << "backup failed:" << target << query.lastError().text();
            return false;
        }
        return true;
    });
    if (!ok && QFileInfo::exists(target))
        QFile::remove(target);  // a half-written copy is no backup
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
