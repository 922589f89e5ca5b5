#include "DatabaseSchema.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
QString text(const char *source)
{
    return QCoreApplication::translate("DatabaseSchema", source);
}

QStringList calibrationDataColumns()
{
    QStringList columns{QStringLiteral("StartTime"), QStringLiteral("ChannelName"),
                        QStringLiteral("ChannelMode"), QStringLiteral("CollectionName"),
                        QStringLiteral("ChannelNumber"), QStringLiteral("CalibrationCriteria")};
    for (int i = 1; i <= 9; ++i)
        columns << QStringLiteral("CalibrationData%1").arg(i);
    return columns;
}

// The columns of `table` in order; false (with the reason) when the statement fails.
bool tableColumns(const QSqlDatabase &db, const QString &table, QStringList &columns,
                  QString &failure)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table))) {
        failure = query.lastError().text();
        return false;
    }
    columns.clear();
    while (query.next())
        columns << query.value(1).toString();
    return true;
}
} // namespace

const QList<TableColumns> &databaseTables()
{
    static const QList<TableColumns> tables = {
        {QStringLiteral("SystemSet"), {QStringLiteral("Name"), QStringLiteral("Data")}, true},
        {QStringLiteral("AcquisitionDevice"),
         {QStringLiteral("Number"), QStringLiteral("Model"), QStringLiteral("SerialNumber"),
          QStringLiteral("ScanInterval"), QStringLiteral("ScanRate"), QStringLiteral("ChannelConfig"),
          QStringLiteral("SignalMode"), QStringLiteral("IP_COM"), QStringLiteral("Port_BaudRate")},
         true},
        {QStringLiteral("ChannelConfig"),
         {QStringLiteral("Name"), QStringLiteral("Time"), QStringLiteral("Mode"),
          QStringLiteral("Remark"), QStringLiteral("ChannelCount"), QStringLiteral("ChannelNumber"),
          QStringLiteral("ChannelLabel"), QStringLiteral("ChannelType"),
          QStringLiteral("ChannelFunction"), QStringLiteral("WireMode"), QStringLiteral("MX+B_M"),
          QStringLiteral("MX+B_B"), QStringLiteral("A_C0"), QStringLiteral("B_C1"),
          QStringLiteral("C_C2"), QStringLiteral("D_C3"), QStringLiteral("R0_C4"),
          QStringLiteral("A4_C5"), QStringLiteral("B4_C6"), QStringLiteral("Unit"),
          QStringLiteral("Compensation"), QStringLiteral("ColdJunction"),
          QStringLiteral("LowerAlarmEnable"), QStringLiteral("LowerAlarm"),
          QStringLiteral("UpperAlarmEnable"), QStringLiteral("UpperAlarm")},
         true},
        {QStringLiteral("Parameters"),
         {QStringLiteral("Name"), QStringLiteral("CreateTime"), QStringLiteral("Start"),
          QStringLiteral("End"), QStringLiteral("DeviceNumber"), QStringLiteral("Model"),
          QStringLiteral("SerialNumber"), QStringLiteral("ScanInterval"), QStringLiteral("ScanRate"),
          QStringLiteral("SignalMode"), QStringLiteral("IP_COM"), QStringLiteral("Port_BaudRate"),
          QStringLiteral("ChannelConfig"), QStringLiteral("ChannelNumber"),
          QStringLiteral("ChannelUnit")},
         true},
        {QStringLiteral("ParametersData"),
         {QStringLiteral("Name"), QStringLiteral("Time"), QStringLiteral("Data")}, true},
        {QStringLiteral("AuditLog"),
         {QStringLiteral("Time"), QStringLiteral("Type"), QStringLiteral("Details")}, true},
        {QStringLiteral("ChannelCalibration"), {QStringLiteral("Name"), QStringLiteral("Data")},
         false},
        {QStringLiteral("ChannelCalibrationData"), calibrationDataColumns(), false},
    };
    return tables;
}

bool checkDatabaseTables(const QSqlDatabase &db, QString &error)
{
    if (!db.isOpen()) {
        error = text("数据库未打开！");
        return false;
    }
    for (const TableColumns &table : databaseTables()) {
        QStringList present;
        QString failure;
        if (!tableColumns(db, table.table, present, failure)) {
            error = text("无法读取数据表%1：%2").arg(table.table, failure);
            return false;
        }
        if (present.isEmpty()) {   // no such table
            if (!table.required)
                continue;
            error = text("数据库缺少数据表%1！").arg(table.table);
            return false;
        }
        for (int i = 0; i < qMax(present.size(), table.columns.size()); ++i) {
            const QString want = table.columns.value(i);
            const QString have = present.value(i);
            if (want == have)
                continue;
            if (have.isEmpty())
                error = text("数据表%1缺少第%2列%3！").arg(table.table).arg(i + 1).arg(want);
            else if (want.isEmpty())
                error = text("数据表%1多出第%2列%3！").arg(table.table).arg(i + 1).arg(have);
            else
                error = text("数据表%1第%2列应为%3，实为%4！")
                            .arg(table.table).arg(i + 1).arg(want, have);
            return false;
        }
    }
    return true;
}

bool checkDatabaseWritable(const QSqlDatabase &db, QString &error)
{
    QSqlQuery query(db);
    // The header's user version is written back unchanged and rolled back: the write needs
    // the file and, for its journal, the folder to be writable, as every save does.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        error = text("数据库无法读取：%1").arg(query.lastError().text());
        return false;
    }
    const int version = query.value(0).toInt();
    query.finish();
    bool written = query.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (written) {
        written = query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
        const QString failure = query.lastError().text();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        if (!written)
            error = failure;
    } else {
        error = query.lastError().text();
    }
    if (written)
        return true;
    qWarning().noquote() << QStringLiteral("数据库不可写入：") + db.databaseName() << error;
    error = text("数据库文件或其所在文件夹不可写入，所做的修改都无法保存！\n%1\n(%2)")
                .arg(QFileInfo(db.databaseName()).absoluteFilePath(), error);
    return false;
}
