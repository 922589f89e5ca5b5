#pragma once
// The workbook report writer: a first sheet "首页" with the cover lines, the project, the device
// list, the list of chosen tables and the chart picture, then one sheet per chosen table of the
// report model. Every number is written as its text. Created, used and destroyed by one
// (worker) thread.
//
// Use: construct, setReportData, writeSummary, insertTrendChart, writeFunctionSheets, saveAs
// (each only when the step before succeeded); no file is written before saveAs.

#include <QImage>
#include <QObject>
#include <QString>

#include <functional>

#include "ReportData.h"
#include "XlsxWorkbook.h"

class VerificationReportExcel : public QObject
{
    Q_OBJECT
public:
    VerificationReportExcel();

    // The report inputs (see ReportModel::setReportData).
    void setReportData(int dataAccuracy, const QList<bool> &tableFlags,
                       const ParametersRecord &project, const ReportSamples &samples,
                       const QList<QDateTime> &segmentStarts, const QList<QDateTime> &segmentEnds,
                       const QStringList &segmentRemarks, const QString &versionText);

    bool writeSummary();
    bool insertTrendChart(const QImage &picture);
    // One sheet per chosen table, in table order; false when none is chosen or a sheet could
    // not be written.
    bool writeFunctionSheets();
    bool saveAs(const QString &path);

    const XlsxWorkbook &workbook() const { return document; }

private:
    void writeCover();
    bool writeDeviceList();
    bool writeSectionTitle(const QString &title);
    bool writeSheetTitle(const QString &title, int columns);
    bool writeCell(const QString &text, const XlsxFormat &format, int row, int column,
                   int extraColumns = 0);
    bool writeChannelHeader(const QStringList &titles);
    bool writeDataRow(const QString &label, const QStringList &numbers);
    bool writeHorizontalHeader(const QString &quantity);
    bool writeHorizontalRow(const QStringList &texts);
    bool writeVerticalHeader(const QString &quantity);
    bool writeSegmentSummary(const QString &quantity, const QStringList &texts);
    bool writeSegmentStart(int segment);
    bool writeSegmentEnd(int segment);
    bool writeWorkDataSheet();
    bool writeHorizontalAnalysisSheet(bool left);
    bool writeVerticalAnalysisSheet(bool left);
    // Adds the sheet of a table under a name a spreadsheet accepts and no other sheet has.
    bool addTableSheet(int table);
    // A new table sheet with its title row over `columns` columns (at least 8).
    bool beginTableSheet(int table, int columns);
    // For each segment its start row, rows(segment), its end row and one empty row.
    bool writeSegments(const std::function<bool(int)> &rows);
    const XlsxFormat &dataFormat() const;

    XlsxFormat defaultFormat;
    XlsxFormat coverTitleFormat;
    XlsxFormat coverLineFormat;
    XlsxFormat plainFormat;
    XlsxFormat sectionTitleFormat;
    XlsxFormat deviceFormat;
    XlsxFormat sheetTitleFormat;
    XlsxFormat headerFormat;
    XlsxFormat shadedFormat;
    XlsxWorkbook document;
    int currentRow = 1;
    bool showLogo = true;
    bool showPrintTime = true;
    QImage logo;
    QString printTime;
    QString coverTitle;
    ReportModel model;
};
