#include "TestDb.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QtTest>

#include "Database.h"

namespace TestDb {

QString shippedDatabase()
{
    QString dir = qEnvironmentVariable("VAZUV_BIN_DIR");
    if (dir.isEmpty())
        dir = QStringLiteral(VAZUV_BIN_DIR);
    return dir + QStringLiteral("/DAQ-Vemka.db3");
}

QString copyShippedDatabase(const QString &dir)
{
    const QString target = QDir(dir).filePath(QStringLiteral("DAQ-Vemka.db3"));
    QFile::remove(target);
    if (!QFile::copy(shippedDatabase(), target)) {
        qWarning() << "cannot copy the shipped database" << shippedDatabase() << "to" << target;
        return QString();
    }
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                      | QFile::ReadOther);
    return target;
}

QString openFreshDefault(const QString &dir)
{
    const QString path = copyShippedDatabase(dir);
    if (path.isEmpty() || !openDatabaseConnection(QString(), path))
        return QString();
    return path;
}

void closeDefault()
{
    closeDatabaseConnection(QString());
}

static bool runTool(const QString &program, const QStringList &args, const QByteArray &input,
                    QByteArray *out, QString *error)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        if (error)
            *error = program + QStringLiteral(" did not start");
        return false;
    }
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        if (error)
            *error = program + QStringLiteral(" timed out");
        return false;
    }
    const QByteArray err = p.readAllStandardError();
    if (out)
        *out = p.readAllStandardOutput();
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && err.isEmpty();
    if (!ok && error)
        *error = QString::fromUtf8(err);
    return ok;
}

bool sqlite3Exec(const QString &dbPath, const QString &sql, QString *error)
{
    // The statements go through standard input so that no quoting of the shell is involved.
    return runTool(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), dbPath}, sql.toUtf8(),
                   nullptr, error);
}

QJsonArray sqlite3Rows(const QString &dbPath, const QString &sql, bool *ok)
{
    QByteArray out;
    QString error;
    const bool ran = runTool(QStringLiteral("sqlite3"),
                             {QStringLiteral("-bail"), QStringLiteral("-json"), dbPath},
                             sql.toUtf8(), &out, &error);
    if (!ran)
        qWarning().noquote() << "sqlite3 failed:" << error;
    if (ok)
        *ok = ran;
    if (out.trimmed().isEmpty())
        return QJsonArray();
    return QJsonDocument::fromJson(out).array();
}

QList<QStringList> sqlite3Table(const QString &dbPath, const QString &sql, bool *ok)
{
    // Unit and record separators never occur in the test data, so every value comes back whole.
    QByteArray out;
    QString error;
    const bool ran = runTool(QStringLiteral("sqlite3"),
                             {QStringLiteral("-bail"), QStringLiteral("-ascii"),
                              QStringLiteral("-noheader"), QStringLiteral("-nullvalue"),
                              QStringLiteral("<null>"), dbPath},
                             sql.toUtf8(), &out, &error);
    if (!ran)
        qWarning().noquote() << "sqlite3 failed:" << error;
    if (ok)
        *ok = ran;
    QList<QStringList> rows;
    QStringList records = QString::fromUtf8(out).split(QChar(0x1e), Qt::KeepEmptyParts);
    records.removeLast();  // the text after the last record separator
    for (const QString &record : records)
        rows << record.split(QChar(0x1f), Qt::KeepEmptyParts);
    return rows;
}

QString sqlite3Output(const QString &dbPath, const QString &sql, bool *ok)
{
    QByteArray out;
    QString error;
    const bool ran = runTool(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), dbPath},
                             sql.toUtf8(), &out, &error);
    if (!ran)
        qWarning().noquote() << "sqlite3 failed:" << error;
    if (ok)
        *ok = ran;
    return QString::fromUtf8(out);
}

QString systemPython()
{
    return QStringLiteral("/usr/bin/python3");
}

QString runPython(const QString &program, const QStringList &args, bool *ok)
{
    QByteArray out;
    QString error;
    const bool ran = runTool(systemPython(), QStringList{QStringLiteral("-c"), program} + args,
                             QByteArray(), &out, &error);
    if (!ran)
        qWarning().noquote() << "python failed:" << error;
    if (ok)
        *ok = ran;
    return QString::fromUtf8(out);
}

QList<QStringList> Sqlite3File::rows(const QString &sql) const
{
    bool ok = false;
    const auto r = sqlite3Table(path, sql, &ok);
    if (!ok)
        qWarning().noquote() << "sqlite3 failed on" << sql;
    return r;
}

QString Sqlite3File::cell(const QString &sql) const
{
    const auto r = rows(sql);
    return r.isEmpty() || r.first().isEmpty() ? QStringLiteral("<none>") : r.first().first();
}

bool Sqlite3File::exec(const QString &sql) const
{
    QString error;
    const bool ok = sqlite3Exec(path, sql, &error);
    if (!ok)
        qWarning().noquote() << "sqlite3 failed:" << error;
    return ok;
}

} // namespace TestDb
