#include "XlsxWorkbook.h"

#include <QBuffer>
#include <QByteArray>
#include <QDebug>
#include <QFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The cells of a sheet, in the order written, as a byte stream in fixed-size blocks (so that
// growing never copies what is there). One record per cell:
//   row (zigzag varint, difference to the row before), column (varint),
//   tag (varint: (format + 1) * 2 + kind; format -1: none of its own),
//   kind 0: text length (varint), the UTF-8 bytes and a NUL; kind 1: 8 bytes of a double.
class CellStream
{
public:
    static constexpr size_t blockSize = size_t(1) << 22;

    unsigned char *reserve(size_t n)
    {
        if (blocks.empty() || used.back() + n > blockSize) {
            blocks.emplace_back(new unsigned char[blockSize]);
            used.push_back(0);
        }
        return blocks.back().get() + used.back();
    }
    void commit(size_t n) { used.back() += n; }

    size_t blockCount() const { return blocks.size(); }
    const unsigned char *block(size_t i) const { return blocks[i].get(); }
    size_t blockUsed(size_t i) const { return used[i]; }
    qint64 bytes() const
    {
        qint64 total = 0;
        for (size_t n : used)
            total += qint64(n);
        return total;
    }

private:
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
    std::vector<size_t> used;
};

unsigned char *putVarint(unsigned char *p, quint64 v)
{
    while (v >= 0x80) {
        *p++ = static_cast<unsigned char>(v | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<unsigned char>(v);
    return p;
}

const unsigned char *getVarint(const unsigned char *p, quint64 &v)
{
    v = 0;
    int shift = 0;
    while (*p & 0x80) {
        v |= quint64(*p++ & 0x7f) << shift;
        shift += 7;
    }
    v |= quint64(*p++) << shift;
    return p;
}

// UTF-8 of the text at p (room for 3 bytes per UTF-16 unit); returns the end.
unsigned char *putUtf8(unsigned char *p, const QString &text)
{
    const ushort *s = text.utf16();
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        uint c = s[i];
        if (c < 0x80) {
            *p++ = static_cast<unsigned char>(c);
            continue;
        }
        if (c < 0x800) {
            *p++ = static_cast<unsigned char>(0xc0 | (c >> 6));
            *p++ = static_cast<unsigned char>(0x80 | (c & 0x3f));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            c = QChar::surrogateToUcs4(ushort(c), s[++i]);
            *p++ = static_cast<unsigned char>(0xf0 | (c >> 18));
            *p++ = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3f));
        } else {
            if (QChar::isSurrogate(c))
                c = 0xfffd;   // a lone surrogate is no character
            *p++ = static_cast<unsigned char>(0xe0 | (c >> 12));
        }
        *p++ = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3f));
        *p++ = static_cast<unsigned char>(0x80 | (c & 0x3f));
    }
    return p;
}

struct Cell
{
    int row = 0;
    int column = 0;
    int format = -1;
    bool isText = true;
    const char *text = nullptr;
    double number = 0.0;
};

struct Merge
{
    int firstColumn;
    int lastColumn;
    int format;
};

struct ColumnWidth
{
    int first;
    int last;
    double width;
};

struct Picture
{
    int row;
    int column;
    QByteArray png;
};

} // namespace

struct XlsxWorkbook::Sheet
{
    QString name;
    CellStream cells;
    qint64 count = 0;
    int lastRow = 0;
    bool ordered = true;   // rows never went back: the cells can be written as they came
    std::map<int, std::vector<Merge>> merges;
    std::map<int, double> heights;
    std::vector<ColumnWidth> widths;
    std::vector<Picture> pictures;

    // Calls f(cell) for every cell in row order (cells of one row in the order written).
    template <typename F>
    void forEachCell(F f) const;
};

namespace {

const unsigned char *readCell(const unsigned char *p, int previousRow, Cell &c)
{
    quint64 v;
    p = getVarint(p, v);
    const qint64 delta = qint64(v >> 1) ^ -qint64(v & 1);
    c.row = int(previousRow + delta);
    p = getVarint(p, v);
    c.column = int(v);
    p = getVarint(p, v);
    c.format = int(v >> 1) - 1;
    c.isText = (v & 1) == 0;
    if (c.isText) {
        p = getVarint(p, v);
        c.text = reinterpret_cast<const char *>(p);
        p += v + 1;
    } else {
        std::memcpy(&c.number, p, sizeof(double));
        p += sizeof(double);
    }
    return p;
}

} // namespace

template <typename F>
void XlsxWorkbook::Sheet::forEachCell(F f) const
{
    struct Ref
    {
        int row;
        quint32 block;
        quint32 offset;
    };
    std::vector<Ref> refs;
    int row = 0;
    for (size_t b = 0; b < cells.blockCount(); ++b) {
        const unsigned char *base = cells.block(b);
        const unsigned char *p = base;
        const unsigned char *end = base + cells.blockUsed(b);
        while (p < end) {
            Cell c;
            const unsigned char *next = readCell(p, row, c);
            if (ordered)
                f(c);
            else
                refs.push_back({c.row, quint32(b), quint32(p - base)});
            row = c.row;
            p = next;
        }
    }
    if (ordered)
        return;
    // Rows went back somewhere: the cells in row order, each row's cells as they were written.
    std::stable_sort(refs.begin(), refs.end(),
                     [](const Ref &a, const Ref &b) { return a.row < b.row; });
    for (const Ref &r : refs) {
        Cell c;
        // The stored row is a difference; the row is known from the first pass.
        readCell(cells.block(r.block) + r.offset, 0, c);
        c.row = r.row;
        f(c);
    }
}

XlsxWorkbook::XlsxWorkbook() = default;
XlsxWorkbook::~XlsxWorkbook() = default;

bool XlsxWorkbook::isValidSheetName(const QString &name)
{
    if (name.isEmpty() || name.size() > maxSheetNameLength)
        return false;
    for (QChar c : name) {
        if (QStringLiteral("[]:*?/\\").contains(c))
            return false;
    }
    return !name.startsWith(QLatin1Char('\'')) && !name.endsWith(QLatin1Char('\''));
}

bool XlsxWorkbook::addSheet(const QString &name)
{
    if (!isValidSheetName(name))
        return false;
    for (const auto &s : sheets) {
        if (s->name.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    }
    sheets.emplace_back(new Sheet);
    sheets.back()->name = name;
    current = int(sheets.size()) - 1;
    return true;
}

bool XlsxWorkbook::selectSheet(const QString &name)
{
    for (size_t i = 0; i < sheets.size(); ++i) {
        if (sheets[i]->name == name) {
            current = int(i);
            selected = int(i);
            return true;
        }
    }
    return false;
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (const auto &s : sheets)
        names << s->name;
    return names;
}

int XlsxWorkbook::formatIndex(const XlsxFormat &format)
{
    for (size_t i = 0; i < formats.size(); ++i) {
        if (formats[i] == format)
            return int(i);
    }
    formats.push_back(format);
    return int(formats.size()) - 1;
}

bool XlsxWorkbook::recordCell(int row, int column, int format, const QString *text, double number)
{
    if (current < 0 || row < 1 || row > maxRows || column < 1 || column > maxColumns)
        return false;
    if (text && text->size() > maxTextLength)
        return false;
    Sheet &s = *sheets[size_t(current)];
    const size_t room = 4 * 10 + (text ? size_t(text->size()) * 3 + 1 : sizeof(double));
    unsigned char *start = s.cells.reserve(room);
    // Zigzag in unsigned arithmetic: 0, -1, 1, -2, ... as 0, 1, 2, 3, ... (a row before the
    // last one gives a negative difference, which is never shifted).
    const qint64 delta = qint64(row) - s.lastRow;
    const quint64 zigzag = (quint64(delta) << 1) ^ (delta < 0 ? ~quint64(0) : quint64(0));
    unsigned char *p = putVarint(start, zigzag);
    p = putVarint(p, quint64(column));
    p = putVarint(p, quint64(format + 1) * 2 + (text ? 0 : 1));
    if (text) {
        // The length goes before the bytes: encode first, then move the bytes behind it.
        unsigned char *bytes = p + 3;
        unsigned char *end = putUtf8(bytes, *text);
        const size_t length = size_t(end - bytes);
        unsigned char lengthBytes[10];
        const size_t lengthSize = size_t(putVarint(lengthBytes, length) - lengthBytes);
        if (lengthSize != 3)
            std::memmove(p + lengthSize, bytes, length);
        std::memcpy(p, lengthBytes, lengthSize);
        p += lengthSize + length;
        *p++ = 0;
    } else {
        std::memcpy(p, &number, sizeof(double));
        p += sizeof(double);
    }
    s.cells.commit(size_t(p - start));
    if (row < s.lastRow)
        s.ordered = false;
    s.lastRow = row;
    ++s.count;
    return true;
}

bool XlsxWorkbook::write(int row, int column, const QString &text)
{
    return recordCell(row, column, -1, &text, 0.0);
}

bool XlsxWorkbook::write(int row, int column, const QString &text, const XlsxFormat &format)
{
    return recordCell(row, column, formatIndex(format), &text, 0.0);
}

bool XlsxWorkbook::write(int row, int column, double number, const XlsxFormat &format)
{
    // A spreadsheet refuses a file with a cell "NAN" or "INF": such a number leaves the cell
    // empty.
    if (!std::isfinite(number)) {
        const QString empty;
        return recordCell(row, column, formatIndex(format), &empty, 0.0);
    }
    return recordCell(row, column, formatIndex(format), nullptr, number);
}

bool XlsxWorkbook::mergeCells(int row, int firstColumn, int lastColumn, const XlsxFormat &format)
{
    if (current < 0 || row < 1 || row > maxRows || firstColumn < 1 || lastColumn > maxColumns
        || lastColumn <= firstColumn)
        return false;
    std::vector<Merge> &inRow = sheets[size_t(current)]->merges[row];
    for (const Merge &m : inRow) {
        if (firstColumn <= m.lastColumn && m.firstColumn <= lastColumn)
            return false;
    }
    inRow.push_back({firstColumn, lastColumn, formatIndex(format)});
    return true;
}

bool XlsxWorkbook::setColumnWidth(int firstColumn, int lastColumn, double width)
{
    if (current < 0 || firstColumn < 1 || lastColumn > maxColumns || lastColumn < firstColumn
        || width < 0)
        return false;
    sheets[size_t(current)]->widths.push_back({firstColumn, lastColumn, width});
    return true;
}

bool XlsxWorkbook::setRowHeight(int row, double height)
{
    if (current < 0 || row < 1 || row > maxRows || height < 0)
        return false;
    sheets[size_t(current)]->heights[row] = height;
    return true;
}

bool XlsxWorkbook::insertImage(int row, int column, const QImage &image)
{
    if (current < 0 || row < 0 || row >= maxRows || column < 0 || column >= maxColumns
        || image.isNull())
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    sheets[size_t(current)]->pictures.push_back({row, column, png});
    return true;
}

qint64 XlsxWorkbook::cellCount() const
{
    qint64 total = 0;
    for (const auto &s : sheets)
        total += s->count;
    return total;
}

bool XlsxWorkbook::saveAs(const QString &path) const
{
    if (sheets.empty() || path.isEmpty())
        return false;
    const QByteArray file = QFile::encodeName(path);
    // Very large sheets need the zip format's 64-bit extension (about 60 bytes of XML a cell).
    qint64 estimate = 0;
    for (const auto &s : sheets)
        estimate += s->count * 60 + s->cells.bytes();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = nullptr;
    options.use_zip64 = estimate > (qint64(3) << 30) ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *book = workbook_new_opt(file.constData(), &options);
    if (!book)
        return false;

    bool ok = true;
    auto check = [&ok](lxw_error e) {
        if (e != LXW_NO_ERROR)
            ok = false;
    };
    std::vector<lxw_format *> made;
    for (const XlsxFormat &f : formats) {
        lxw_format *x = workbook_add_format(book);
        made.push_back(x);
        if (!x) {
            ok = false;
            continue;
        }
        if (!f.font.isEmpty())
            format_set_font_name(x, f.font.toUtf8().constData());
        if (f.fontSize > 0)
            format_set_font_size(x, f.fontSize);
        static const uint8_t horizontals[] = {LXW_ALIGN_NONE, LXW_ALIGN_LEFT, LXW_ALIGN_CENTER,
                                              LXW_ALIGN_RIGHT};
        static const uint8_t verticals[] = {LXW_ALIGN_VERTICAL_BOTTOM,
                                            LXW_ALIGN_VERTICAL_CENTER, LXW_ALIGN_VERTICAL_TOP};
        if (f.horizontal != XlsxFormat::AlignGeneral)
            format_set_align(x, horizontals[f.horizontal]);
        if (f.vertical != XlsxFormat::AlignBottom)
            format_set_align(x, verticals[f.vertical]);
        if (f.border == XlsxFormat::BorderThin)
            format_set_border(x, LXW_BORDER_THIN);
        if (f.fill.isValid()) {
            format_set_pattern(x, LXW_PATTERN_SOLID);
            format_set_bg_color(x, lxw_color_t(f.fill.rgb() & 0xffffff));
        }
        if (!f.numberFormat.isEmpty())
            format_set_num_format(x, f.numberFormat.toUtf8().constData());
    }
    auto formatOf = [&made](int i) { return i >= 0 ? made[size_t(i)] : nullptr; };

    std::vector<lxw_worksheet *> written;
    for (const auto &sp : sheets) {
        const Sheet &s = *sp;
        lxw_worksheet *ws = workbook_add_worksheet(book, s.name.toUtf8().constData());
        if (!ws) {
            ok = false;
            break;
        }
        written.push_back(ws);
        for (const ColumnWidth &w : s.widths)
            check(worksheet_set_column(ws, lxw_col_t(w.first - 1), lxw_col_t(w.last - 1),
                                       w.width, nullptr));
        for (const Picture &p : s.pictures)
            check(worksheet_insert_image_buffer(
                ws, lxw_row_t(p.row), lxw_col_t(p.column),
                reinterpret_cast<const unsigned char *>(p.png.constData()), size_t(p.png.size())));

        // Rows that hold a merge or a height, in order; those without cells are written alone.
        std::vector<int> extraRows;
        for (const auto &m : s.merges)
            extraRows.push_back(m.first);
        for (const auto &h : s.heights)
            extraRows.push_back(h.first);
        std::sort(extraRows.begin(), extraRows.end());
        extraRows.erase(std::unique(extraRows.begin(), extraRows.end()), extraRows.end());

        std::vector<Cell> rowCells;
        auto flushRow = [&](int row) {
            const lxw_row_t r = lxw_row_t(row - 1);
            const auto height = s.heights.find(row);
            if (height != s.heights.end())
                check(worksheet_set_row(ws, r, height->second, nullptr));
            const auto merged = s.merges.find(row);
            auto anchor = [&rowCells](int column) -> const Cell * {
                for (const Cell &c : rowCells) {
                    if (c.column == column)
                        return &c;
                }
                return nullptr;
            };
            auto insideMerge = [&](int column) {
                if (merged == s.merges.end())
                    return false;
                for (const Merge &m : merged->second) {
                    if (column >= m.firstColumn && column <= m.lastColumn)
                        return true;
                }
                return false;
            };
            if (merged != s.merges.end()) {
                for (const Merge &m : merged->second) {
                    const Cell *c = anchor(m.firstColumn);
                    lxw_format *f = formatOf(c && c->format >= 0 ? c->format : m.format);
                    check(worksheet_merge_range(ws, r, lxw_col_t(m.firstColumn - 1), r,
                                                lxw_col_t(m.lastColumn - 1),
                                                c && c->isText ? c->text : "", f));
                    if (c && !c->isText)
                        check(worksheet_write_number(ws, r, lxw_col_t(c->column - 1), c->number,
                                                     f));
                }
            }
            for (const Cell &c : rowCells) {
                if (insideMerge(c.column))
                    continue;
                const lxw_col_t col = lxw_col_t(c.column - 1);
                if (c.isText)
                    check(worksheet_write_string(ws, r, col, c.text, formatOf(c.format)));
                else
                    check(worksheet_write_number(ws, r, col, c.number, formatOf(c.format)));
            }
            rowCells.clear();
        };

        size_t extra = 0;
        int pending = 0;
        s.forEachCell([&](const Cell &c) {
            if (c.row != pending) {
                if (pending > 0)
                    flushRow(pending);
                while (extra < extraRows.size() && extraRows[extra] < c.row)
                    flushRow(extraRows[extra++]);
                if (extra < extraRows.size() && extraRows[extra] == c.row)
                    ++extra;
                pending = c.row;
            }
            for (Cell &earlier : rowCells) {
                if (earlier.column == c.column) {
                    const int keep = earlier.format;
                    earlier = c;
                    if (c.format < 0)
                        earlier.format = keep;
                    return;
                }
            }
            rowCells.push_back(c);
        });
        if (pending > 0)
            flushRow(pending);
        while (extra < extraRows.size())
            flushRow(extraRows[extra++]);
    }
    if (ok && selected >= 0 && size_t(selected) < written.size())
        worksheet_activate(written[size_t(selected)]);
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        qDebug() << "workbook not written:" << path << lxw_strerror(closed);
        ok = false;
    }
    return ok;
}
