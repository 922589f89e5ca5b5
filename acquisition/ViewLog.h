#pragma once
// The alarm log page: the entries of table AuditLog within a time range and of a type, newest
// returned first; the main window's buttons delete the listed entries, export them as a PDF
// document and open the notification settings with them.

#include <QList>
#include <QString>
#include <QVector>
#include <QWidget>

#include "Records.h"

class QPainter;
class QPdfWriter;
struct SystemSettings;

namespace Ui {
class ViewLog;
}

class ViewLog : public QWidget
{
    Q_OBJECT
public:
    explicit ViewLog(QWidget *parent = nullptr);
    ~ViewLog() override;

    void setSettings(SystemSettings *settings);

    // The main window's buttons "删除通知", "下载通知" and "高级设置".
    void deleteShown();
    void exportPdf();
    void openNotifySettings();

    // The listed entries in table order (time, type, details).
    QVector<AuditLogRecord> listedEntries() const;
    // Writes the listed entries as the export's PDF document to `path`; false when the file
    // cannot be opened, painted on or written completely (no file is left then).
    bool writePdf(const QString &path) const;

public slots:
    void pt_Search_clicked();

private:
    void initTable();
    void fillTable(const QString &from, const QString &to, const QString &type);
    void drawPdfHeader(QPainter &painter, QPdfWriter &writer, int index, int width) const;

    Ui::ViewLog *ui;
    SystemSettings *settings = nullptr;
    QString titleInfo;
    QString titleWarn;
    QString searchStart;
    QString searchEnd;
    QString searchType;
};
