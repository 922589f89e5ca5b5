#pragma once
// The tables of the program's database as the shipped empty database holds them, column by
// column, and the checks a database must pass before the program reads or writes it. Every
// insert of the data store is positional and every select reads columns by position, so a
// table with a column missing, added or moved would be read as wrong values or refuse every
// insert: such a file is refused with a message naming the table and the column.

#include <QList>
#include <QString>
#include <QStringList>

class QSqlDatabase;

struct TableColumns
{
    QString table;
    QStringList columns;   // in table order
    bool required;         // the program creates the table when it is missing (false) or not
};

// The eight tables: the six that must exist (SystemSet, AcquisitionDevice, ChannelConfig,
// Parameters, ParametersData, AuditLog) and the two the calibration page creates.
const QList<TableColumns> &databaseTables();

// Checks the tables of an open database: every required table is present and every table of
// the program that is present has exactly its columns, names and order. False with `error`
// set to a message naming the first table (and column) that differs.
bool checkDatabaseTables(const QSqlDatabase &db, QString &error);

// Whether the open database takes writes: a write inside a transaction that is rolled back
// (nothing changes). False with `error` set to a message when the file or its folder cannot
// be written.
bool checkDatabaseWritable(const QSqlDatabase &db, QString &error);
