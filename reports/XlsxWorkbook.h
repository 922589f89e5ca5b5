#pragma once
// The .xlsx workbook of the reports: the few workbook operations the report writers use, over
// libxlsxwriter. The workbook is recorded in memory as it is built (compactly: a large work-data
// sheet costs about its cell texts) and written in one go by saveAs, in libxlsxwriter's
// constant-memory mode. So nothing touches the disk before saveAs, and a report that fails
// half-way leaves no file behind.
//
// Rows and columns of cells are 1-based; picture anchors are 0-based (row 0, column 0 is the
// top-left corner of the sheet). Texts are always written as literal strings: a text that
// begins with "=" is a text, never a formula. One thread at a time.

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class XlsxFormat
{
public:
    enum HorizontalAlignment { AlignGeneral, AlignLeft, AlignHCenter, AlignRight };
    enum VerticalAlignment { AlignBottom, AlignVCenter, AlignTop };
    enum BorderStyle { BorderNone, BorderThin };

    void setFontName(const QString &name) { font = name; }
    void setFontSize(int points) { fontSize = points; }
    void setHorizontalAlignment(HorizontalAlignment a) { horizontal = a; }
    void setVerticalAlignment(VerticalAlignment a) { vertical = a; }
    // Applies to all four sides.
    void setBorderStyle(BorderStyle b) { border = b; }
    // A solid fill of that colour; an invalid colour removes the fill.
    void setPatternBackgroundColor(const QColor &c) { fill = c; }
    void setNumberFormat(const QString &f) { numberFormat = f; }

    bool operator==(const XlsxFormat &o) const
    {
        return font == o.font && fontSize == o.fontSize && horizontal == o.horizontal
            && vertical == o.vertical && border == o.border && fill == o.fill
            && numberFormat == o.numberFormat;
    }

private:
    friend class XlsxWorkbook;
    QString font;
    int fontSize = 0;   // 0: the workbook's default
    HorizontalAlignment horizontal = AlignGeneral;
    VerticalAlignment vertical = AlignBottom;
    BorderStyle border = BorderNone;
    QColor fill;
    QString numberFormat;
};

class XlsxWorkbook
{
public:
    static constexpr int maxRows = 1048576;
    static constexpr int maxColumns = 16384;
    static constexpr int maxTextLength = 32767;
    static constexpr int maxSheetNameLength = 31;

    XlsxWorkbook();
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    // Whether a spreadsheet accepts the name for a sheet: 1 to 31 characters, none of
    // []:*?/\ and no apostrophe at either end.
    static bool isValidSheetName(const QString &name);

    // Adds a sheet after the others and makes it the current one. False (nothing added) for a
    // name that is not valid or that another sheet has already (letter case ignored).
    bool addSheet(const QString &name);
    // Makes the named sheet the current one (and the one the saved file opens on).
    bool selectSheet(const QString &name);
    QStringList sheetNames() const;

    // Cell writes to the current sheet; false when there is none, the cell lies outside the
    // sheet or the text is longer than a cell holds. A later write to a cell replaces it.
    // Without a format the cell keeps the format it had, or that of its merged range.
    bool write(int row, int column, const QString &text);
    bool write(int row, int column, const QString &text, const XlsxFormat &format);
    // A number that is not finite (NaN, ±inf) leaves the cell empty, with the format.
    bool write(int row, int column, double number, const XlsxFormat &format);
    // Merges the cells of one row from firstColumn to lastColumn; every cell of the range takes
    // the format unless written with one of its own. False for a range that overlaps another.
    bool mergeCells(int row, int firstColumn, int lastColumn, const XlsxFormat &format);
    bool setColumnWidth(int firstColumn, int lastColumn, double width);
    bool setRowHeight(int row, double height);
    // The picture at its own size with its top-left corner on the 0-based cell.
    bool insertImage(int row, int column, const QImage &image);

    // Writes the workbook to the file (replacing it). False when nothing could be written there
    // or when no sheet was added.
    bool saveAs(const QString &path) const;

    // Cells written so far, over all sheets (a rewritten cell counts again).
    qint64 cellCount() const;

private:
    struct Sheet;
    int formatIndex(const XlsxFormat &format);
    bool recordCell(int row, int column, int format, const QString *text, double number);

    std::vector<std::unique_ptr<Sheet>> sheets;
    std::vector<XlsxFormat> formats;
    int current = -1;
    int selected = -1;
};
