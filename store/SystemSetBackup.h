#pragma once
// Backup and restore of the program's database file, shared by the settings page (manual backup
// and restore) and the main window (timed backup).

#include <QDateTime>
#include <QString>
#include <QStringList>

class QSqlDatabase;

// The six tables the database must hold before the program uses it: SystemSet,
// AcquisitionDevice, ChannelConfig, Parameters, ParametersData, AuditLog.
QStringList requiredDatabaseTables();

// True when the open connection holds every required table.
bool hasRequiredTables(const QSqlDatabase &db);

// Checks a database file without creating or changing it and without touching the program's
// connections: it opens, passes "PRAGMA quick_check" and holds the program's tables column by
// column (checkDatabaseTables). On false `error` (when given) says why.
bool verifyDatabaseFile(const QString &path, QString *error = nullptr);

// The name of a backup copy: folder + "/" + the time as "yyyy_MM_dd_hh_mm" + "_DAQ-Vemka.db3",
// turned into native separators and then every backslash into "/".
QString backupTargetName(const QString &folder, const QDateTime &time);

// The name a backup copy has while it is written: target + ".partial" (not a ".db3" file).
QString backupPartialName(const QString &target);

// Writes a consistent snapshot of the database file `databasePath` into `target` (a new file;
// an existing one makes it fail) while other connections go on writing: SQLite's online backup
// copies it in small steps inside one read transaction, never as a raw copy of a file in use, and
// the writers' commits do not wait for it (the program keeps its file in write-ahead-log mode).
// Its snapshot begins while another connection commits without a pause, also in a file left in
// rollback-journal mode, where it tries for the lock every millisecond for up to 10 s.
// The copy is written under backupPartialName(target) and renamed to `target` only when it is
// complete and passes verifyDatabaseFile, so a copy cut short leaves no file under the target's
// name. The copy runs on a thread of its own; a caller on the GUI thread goes on delivering events
// other than user input until it is done. One copy at a time: a second call meanwhile fails.
bool backupDatabase(const QString &target, const QString &databasePath = QStringLiteral("DAQ-Vemka.db3"));

// Replaces the database file `databasePath` (its connections closed) by a copy of `source`:
// the copy is made beside it under a temporary name and verified (verifyDatabaseFile) before it
// takes the place of the old file, which is kept as databasePath + ".previous" until the new file
// is in place. On any failure the database file stays as it was (or, should even the way back
// fail, the old file stays as ".previous", which the next open puts back). `source` may be the
// database file itself. On false `error` (when given) says why, when it is known.
bool restoreDatabaseFile(const QString &source, const QString &databasePath = QStringLiteral("DAQ-Vemka.db3"),
                         QString *error = nullptr);
