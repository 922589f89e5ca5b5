#pragma once
// Test helpers for the database: a private copy of the shipped empty database, the sqlite3
// command-line tool as an independent reader and writer, and the system Python interpreter.

#include <QJsonArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace TestDb {

// Path of the shipped empty database built beside the program.
QString shippedDatabase();

// Copies the shipped empty database into `dir` as DAQ-Vemka.db3 and returns its path.
QString copyShippedDatabase(const QString &dir);

// Copies the shipped database into `dir` and opens the default connection on it.
// Returns the database path, or an empty text when something failed.
QString openFreshDefault(const QString &dir);

// Closes and removes the default connection.
void closeDefault();

// Runs SQL through the sqlite3 command-line tool. Returns false (and puts the tool's error
// text into *error) when the tool fails.
bool sqlite3Exec(const QString &dbPath, const QString &sql, QString *error = nullptr);

// Runs a select through the sqlite3 tool and returns the rows as JSON objects (column name to
// value, numbers as numbers, texts as strings). An empty array when nothing matched.
QJsonArray sqlite3Rows(const QString &dbPath, const QString &sql, bool *ok = nullptr);

// The rows of a select as the sqlite3 tool prints them: one list of column texts per row, in
// result order, null as "<null>".
QList<QStringList> sqlite3Table(const QString &dbPath, const QString &sql, bool *ok = nullptr);

// The sqlite3 tool's plain printed output of the statements.
QString sqlite3Output(const QString &dbPath, const QString &sql, bool *ok = nullptr);

// The system interpreter (Debian's python3 with its packages), never one found earlier on PATH.
QString systemPython();

// Runs a Python program with arguments; returns its standard output, or sets *ok to false when
// it exits with an error (its standard error then goes to the test log).
QString runPython(const QString &program, const QStringList &args = {}, bool *ok = nullptr);

// A database file seen through the sqlite3 tool; a failing statement gives a warning and an
// empty result.
struct Sqlite3File
{
    QString path;

    QList<QStringList> rows(const QString &sql) const;
    // The first column of the first row, or "<none>" when there is none.
    QString cell(const QString &sql) const;
    bool exec(const QString &sql) const;
};

} // namespace TestDb
