#pragma once
// The report dialog "报表生成": format, tables, print interval, up to six statistic segments
// with remarks, and the output path. It shows and, when accepted, fills the report page's
// options record.

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QStringList>

class QDateTimeEdit;
class QLineEdit;

namespace Ui {
class VerificationReportExport;
}

// The report choices the report page keeps for its loaded project.
struct ReportExportOptions
{
    // Work data, left horizontal, left vertical, right horizontal, right vertical analysis.
    bool tableFlags[5] = {false, false, false, false, false};
    QString scanInterval;          // the project's scan interval, seconds
    QString printInterval;         // seconds, as typed
    QString leftUnit;              // unit of the left axis
    QString rightUnit;             // unit of the right axis; empty with one unit
    int leftChannelCount = 0;      // channels of the report on each axis
    int rightChannelCount = 0;
    QString format;                // "PDF" or "Excel"
    QString outputPath;
    QString segmentCount;          // "1" to "6"
    QDateTime rangeStart;          // bounds of the segments
    QDateTime rangeEnd;
    QList<QDateTime> segmentStarts;
    QList<QDateTime> segmentEnds;
    QStringList segmentRemarks;
};

class VerificationReportExport : public QDialog
{
    Q_OBJECT
public:
    explicit VerificationReportExport(QWidget *parent = nullptr);
    ~VerificationReportExport() override;

    void setOptions(ReportExportOptions *options);

public slots:
    void pt_OK_clicked();
    void pt_Route_clicked();
    void pt_Segment_clicked(int index);
    void dateTimeChanged1_clicked(const QDateTime &time);
    void dateTimeChanged2_clicked(const QDateTime &time);
    void dateTimeChanged3_clicked(const QDateTime &time);
    void dateTimeChanged4_clicked(const QDateTime &time);
    void dateTimeChanged5_clicked(const QDateTime &time);
    void dateTimeChanged6_clicked(const QDateTime &time);

private:
    void showOptions();
    void setTableChoices();
    void followEnd(int row, const QDateTime &time);
    void refuse(const QString &text);

    Ui::VerificationReportExport *ui;
    bool ready = false;
    ReportExportOptions *options = nullptr;
    QList<QDateTimeEdit *> startEdits;
    QList<QDateTimeEdit *> endEdits;
    QList<QLineEdit *> remarkEdits;
};
