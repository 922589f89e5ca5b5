#pragma once
// The PDF report writer: a summary page, the chosen tables of the report model and the chart
// picture on the last page, A4 landscape at 300 dots per inch, every page with a header and a
// footer "第N页,共M页". Created, used and destroyed by one (worker) thread. Text is set in
// 宋体, or where that is not installed in the CJK font the set-up installs; a table cell's
// text wider than its cell is drawn with its font scaled down to fit.
//
// Use: construct on the output path, setData, writeSummary, writeSelectedTables, addImage (each
// only when the step before succeeded), then finish in every case.

#include <QFile>
#include <QImage>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTextLayout>

#include <functional>

#include "ReportData.h"

class QPainter;
class QPdfWriter;

class VerificationReportPDF : public QObject
{
    Q_OBJECT
public:
    // Opens (replaces) the file; when that fails every writing operation returns false.
    explicit VerificationReportPDF(const QString &fileName);
    ~VerificationReportPDF() override;

    // The report inputs (see ReportModel::setReportData), then the page total.
    void setData(int dataAccuracy, const QList<bool> &tableFlags, const ParametersRecord &project,
                 const ReportSamples &samples, const QList<QDateTime> &segmentStarts,
                 const QList<QDateTime> &segmentEnds, const QStringList &segmentRemarks,
                 const QString &versionText);

    bool writeSummary();
    // The chosen tables in table order; false when none is chosen.
    bool writeSelectedTables();
    bool addImage(const QImage &picture);
    // Ends the document. False when the file was never opened or could not be written
    // completely (a write or close error after a good open).
    bool finish();

    int pageTotal() const { return total; }

private:
    bool newPage();
    void drawHeader();
    void drawFooter();
    int writeDeviceList();
    bool beginTablePage(const QString &title, int segment);
    void fillStrip(int y);
    int lineTop(int line) const;
    void drawMarker(const QString &text, int y);
    // Text in the painter's font. With `fit` (a table cell) a text wider than the rectangle is
    // drawn with the font scaled down until it fits; a text that fits is drawn as it is.
    void drawText(const QRect &rect, int flags, const QString &text, bool fit = false);
    // The characters of a text the report font maps to an empty glyph.
    QVector<QTextLayout::FormatRange> blankRanges(const QString &text);
    // Lays the text out on one line in `font`, the blank characters in a sans-serif font of
    // the same size; its natural width.
    static qreal layOut(QTextLayout &layout, const QFont &font,
                        const QVector<QTextLayout::FormatRange> &blanks,
                        const QPaintDevice *device);
    // Whether a text without blank characters fits the width in the painter's font.
    bool fitsAsIs(const QString &text, int width);
    void drawChannelHeader(int firstChannel, int count);
    void drawDataRow(int row, int firstChannel, int count, int &line);
    void drawHorizontalHeader(const QString &quantity);
    void drawHorizontalRow(const QStringList &texts, int &line);
    void drawVerticalHeader(const QString &quantity, bool continuation);
    void drawVerticalRow(const QStringList &texts, int &line);
    void drawSegmentSummary(const QString &quantity, const QStringList &texts);
    // From `line` on, `count` rows drawn by drawRow(i, line), a page begun by nextPage when
    // one is full, then the segment's end marker. False when a page could not be begun.
    bool drawRowsAndEnd(int segment, int line, int count, const std::function<bool()> &nextPage,
                        const std::function<void(int, int &)> &drawRow);
    // A table of the segment's data rows: title band and header on each page, the start
    // marker on line 0 of the first, drawRow(row, line) for each row.
    bool writeSegmentTable(const QString &title, int segment, const std::function<void()> &header,
                           const std::function<void(int, int &)> &drawRow);
    bool writeWorkDataTable();
    bool writeHorizontalAnalysis(bool left);
    bool writeVerticalAnalysis(bool left);
    int countPages() const;
    void setFont(int points);

    QFile file;
    QPainter *painter = nullptr;
    QPdfWriter *writer = nullptr;
    bool opened = false;
    bool failed = false;   // a page could not be begun or the painter not started
    int bandTop = 200;
    int tableTop = 400;
    int contentWidth = 0;
    int contentHeight = 0;
    int pageWidth = 0;
    int pageHeight = 0;
    int firstColumnWidth = 480;
    bool showLogo = false;
    bool showPrintTime = false;
    QImage logo;
    QString printTime;
    int total = 0;         // M of the footer
    int pageNumber = 0;    // N of the footer
    ReportModel model;
    QHash<QChar, bool> blankGlyphs;   // per character: the report font draws it blank
    QHash<quint32, qreal> advances;   // per point size and character: its advance
};
