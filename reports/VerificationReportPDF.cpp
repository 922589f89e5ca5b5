#include "VerificationReportPDF.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRawFont>

#include <functional>

#include "HalvoranImages.h"

namespace {

constexpr int lineHeight = 70;
constexpr int linesPerPage = 25;
constexpr int channelsPerGroup = 10;
constexpr int cellGap = 12;   // pixels kept free after a text scaled down to fit its cell
const QColor bandColour(205, 205, 193);
const QColor ruleColour(144, 166, 188);

int pagesFor(int lines)
{
    return (lines + linesPerPage - 1) / linesPerPage;
}

} // namespace

VerificationReportPDF::VerificationReportPDF(const QString &fileName)
{
    file.setFileName(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    opened = true;
    total = 0;
    pageNumber = 0;
    showLogo = showPrintTime = true;
    printTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    initHalvoranImages();
    logo = QImage(QStringLiteral(":/Halvoran/Image/Logo.png"))
               .scaled(250, 90, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    writer = new QPdfWriter(&file);
    writer->setResolution(300);
    writer->setPageSize(QPageSize(QPageSize::A4));
    writer->setPageOrientation(QPageLayout::Landscape);
    writer->setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Point);
    painter = new QPainter(writer);
    if (!painter->isActive())
        failed = true;
    pageWidth = painter->viewport().width();
    pageHeight = painter->viewport().height();
}

VerificationReportPDF::~VerificationReportPDF()
{
    if (opened)
        finish();
}

void VerificationReportPDF::setData(int dataAccuracy, const QList<bool> &tableFlags,
                                    const ParametersRecord &project, const ReportSamples &samples,
                                    const QList<QDateTime> &segmentStarts,
                                    const QList<QDateTime> &segmentEnds,
                                    const QStringList &segmentRemarks, const QString &versionText)
{
    model.setReportData(dataAccuracy, tableFlags, project, samples, segmentStarts, segmentEnds,
                        segmentRemarks, versionText);
    total = countPages();
}

int VerificationReportPDF::countPages() const
{
    const int channels = model.project.ChannelNumber.size();
    const int groups = (channels + channelsPerGroup - 1) / channelsPerGroup;
    int pages = 2;   // the summary page and the picture page
    for (int s = 0; s < model.segmentCount(); ++s) {
        const int rows = model.endIndexes.at(s) - model.startIndexes.at(s) + 1;
        const int p = pagesFor(rows + 2);
        if (model.tableChosen(ReportModel::WorkData))
            pages += groups * p;
        if (model.tableChosen(ReportModel::LeftHorizontal))
            pages += p;
        if (model.tableChosen(ReportModel::LeftVertical))
            pages += pagesFor(model.leftChannels.size() + 8);
        if (model.tableChosen(ReportModel::RightHorizontal))
            pages += p;
        if (model.tableChosen(ReportModel::RightVertical))
            pages += pagesFor(model.rightChannels.size() + 8);
    }
    return pages;
}

void VerificationReportPDF::setFont(int points)
{
    // The report font, or where it is not installed the CJK font the set-up installs (Qt
    // would otherwise fall back to a Latin font of other widths).
    QFont font(QStringLiteral("宋体"));
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(points);
    painter->setFont(font);
}

QVector<QTextLayout::FormatRange> VerificationReportPDF::blankRanges(const QString &text)
{
    QVector<QTextLayout::FormatRange> ranges;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x2000 || c.isSpace() || c.isSurrogate())
            continue;
        auto known = blankGlyphs.constFind(c);
        if (known == blankGlyphs.constEnd()) {
            const QRawFont raw = QRawFont::fromFont(painter->font());
            const QVector<quint32> glyph = raw.glyphIndexesForString(QString(c));
            known = blankGlyphs.insert(c, glyph.value(0) != 0
                                              && raw.pathForGlyph(glyph.at(0)).isEmpty());
        }
        if (known.value()) {
            QTextLayout::FormatRange range;
            range.start = i;
            range.length = 1;
            ranges << range;
        }
    }
    return ranges;
}

qreal VerificationReportPDF::layOut(QTextLayout &layout, const QFont &font,
                                    const QVector<QTextLayout::FormatRange> &blanks,
                                    const QPaintDevice *device)
{
    QFont sans(QStringLiteral("Sans Serif"));
    sans.setStyleHint(QFont::SansSerif);
    sans.setPointSizeF(font.pointSizeF());
    sans = QFont(sans, device);
    QVector<QTextLayout::FormatRange> ranges = blanks;
    for (QTextLayout::FormatRange &range : ranges)
        range.format.setFont(sans);
    layout.setFont(font);
    layout.setFormats(ranges);
    layout.clearLayout();
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return line.naturalTextWidth();
}

bool VerificationReportPDF::fitsAsIs(const QString &text, int width)
{
    // Most cells hold digits: the sum of the characters' cached advances decides, unless it
    // comes near the width; then the shaped text is measured.
    const QFont font = painter->font();
    const QFontMetricsF metrics(font, writer);
    qreal sum = 0;
    for (const QChar c : text) {
        if (c.isSurrogate())
            return metrics.horizontalAdvance(text) <= width;
        const quint32 key = quint32(font.pointSize()) << 16 | c.unicode();
        auto known = advances.constFind(key);
        if (known == advances.constEnd())
            known = advances.insert(key, metrics.horizontalAdvance(c));
        sum += known.value();
    }
    return sum <= width * 0.95 || metrics.horizontalAdvance(text) <= width;
}

void VerificationReportPDF::drawText(const QRect &rect, int flags, const QString &text, bool fit)
{
    const QVector<QTextLayout::FormatRange> blanks = blankRanges(text);
    if (blanks.isEmpty() && (!fit || fitsAsIs(text, rect.width()))) {
        painter->drawText(rect, flags, text);
        return;
    }
    const QFont font = painter->font();
    QTextLayout layout(text, font, writer);
    auto widthIn = [&](const QFont &f) {
        return blanks.isEmpty() ? QFontMetricsF(f, writer).horizontalAdvance(text)
                                : layOut(layout, f, blanks, writer);
    };
    QFont used = font;
    qreal width = widthIn(font);
    if (fit && width > rect.width()) {
        // Too wide for its cell: the font scaled down until the text fits, with a small gap
        // to the next cell.
        const qreal room = qMax(1, rect.width() - cellGap);
        qreal points = font.pointSizeF() * room / width;
        for (;;) {
            used.setPointSizeF(points);
            width = widthIn(used);
            if (width <= room || points < 0.5)
                break;
            points *= 0.97;
        }
    }
    painter->setFont(used);
    if (blanks.isEmpty()) {
        painter->drawText(rect, flags, text);
    } else {
        // Characters the font draws blank (the degree signs of some CJK fonts) come from the
        // general sans-serif font.
        layOut(layout, used, blanks, writer);
        const QTextLine line = layout.lineAt(0);
        QPointF at = rect.topLeft();
        if (flags & Qt::AlignHCenter)
            at.rx() += (rect.width() - width) / 2;
        else if (flags & Qt::AlignRight)
            at.rx() += rect.width() - width;
        if (flags & Qt::AlignVCenter)
            at.ry() += (rect.height() - line.height()) / 2;
        layout.draw(painter, at);
    }
    painter->setFont(font);
}

bool VerificationReportPDF::newPage()
{
    if (!opened || failed)
        return false;
    if (pageNumber == 0) {
        contentWidth = pageWidth;
        contentHeight = pageHeight - 290;
        bandTop = 200;
        tableTop = 400;
    } else if (!writer->newPage()) {
        failed = true;
        return false;
    }
    ++pageNumber;
    drawHeader();
    drawFooter();
    return opened;
}

void VerificationReportPDF::drawHeader()
{
    if (showLogo)
        painter->drawImage(QRect(0, 0, 250, 90), logo);
    painter->setPen(QPen(Qt::black, 3));
    setFont(16);
    drawText(QRect(250, 0, pageWidth - 500, 90), Qt::AlignCenter, tr("采集报告"));
    painter->setPen(QPen(ruleColour, 6));
    painter->drawLine(0, 100, pageWidth, 100);
    setFont(10);
    drawText(QRect(0, 106, pageWidth / 2, 50), Qt::AlignLeft,
                      QStringLiteral("VAZUV ") + model.versionText);
    if (showPrintTime)
        drawText(QRect(pageWidth / 2, 106, pageWidth / 2, 50), Qt::AlignRight,
                          tr("打印时间：") + printTime);
}

void VerificationReportPDF::drawFooter()
{
    painter->setPen(QPen(ruleColour, 6));
    painter->drawLine(0, pageHeight - 80, pageWidth, pageHeight - 80);
    painter->drawLine(0, pageHeight, pageWidth, pageHeight);
    painter->setPen(QPen(Qt::black, 6));
    setFont(12);
    const int w = pageWidth / 7;
    drawText(QRect(6 * w, pageHeight - 70, w, 70), Qt::AlignRight,
                      tr("第") + QString::number(pageNumber) + tr("页,共")
                          + QString::number(total) + tr("页"));
}

bool VerificationReportPDF::writeSummary()
{
    if (!opened)
        return false;
    if (!newPage())
        return opened;
    const int half = contentWidth / 2;
    painter->setPen(QPen(Qt::black, 3));
    setFont(14);
    drawText(QRect(30, 190, half, 90), Qt::AlignLeft,
                      tr("项目名称:") + model.project.Name);
    drawText(QRect(30, 280, half, 90), Qt::AlignLeft,
                      tr("项目时间:") + model.project.CreateTime);
    const int bottom = writeDeviceList();
    setFont(14);
    drawText(QRect(30, bottom + 45, half, 90), Qt::AlignLeft, tr("报告概述:"));
    setFont(12);
    for (int i = 0; i < model.sectionNames.size(); ++i) {
        const int x = 60 + 700 * (i % 5);
        const int y = bottom + 155 + 100 * (i / 5);
        drawText(QRect(x, y, half, 90), Qt::AlignLeft,
                          QString::number(i + 1) + QStringLiteral(".") + model.sectionNames.at(i));
    }
    return opened;
}

int VerificationReportPDF::writeDeviceList()
{
    const int n = model.project.Model.size();
    painter->setPen(QPen(Qt::black, 3));
    setFont(14);
    drawText(QRect(30, 400, contentWidth / 2, 90), Qt::AlignLeft, tr("设备列表:"));
    const int bottom = 610 + 110 * n;
    for (int k = 0; k <= n + 1; ++k)
        painter->drawLine(30, 500 + 110 * k, contentWidth - 60, 500 + 110 * k);
    for (int x : {30, 280, 750, 2400, contentWidth - 310, contentWidth - 60})
        painter->drawLine(x, 500, x, bottom);
    setFont(12);
    const int xs[] = {30, 280, 750, 2400, contentWidth - 310};
    const int ws[] = {250, 470, 1650, contentWidth - 2710, 250};
    auto rowOf = [&](int y, const QStringList &cells) {
        for (int c = 0; c < 5; ++c)
            drawText(QRect(xs[c], y, ws[c], 110), Qt::AlignCenter, cells.value(c), true);
    };
    rowOf(500, {tr("序号"), tr("设备型号"), tr("设备序列号"), tr("通道文件"), tr("通道个数")});
    for (int k = 1; k <= n; ++k)
        rowOf(610 + 110 * (k - 1),
              {QString::number(k), model.project.Model.value(k - 1),
               model.project.SerialNumber.value(k - 1), model.project.ChannelConfig.value(k - 1),
               QString::number(model.instrumentChannelCount(k))});
    return bottom;
}

bool VerificationReportPDF::beginTablePage(const QString &title, int segment)
{
    if (!newPage())
        return false;
    painter->setPen(QPen(bandColour, 3));
    painter->setBrush(bandColour);
    painter->drawRoundedRect(QRect(0, bandTop, contentWidth, 90), 5, 5);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(Qt::black, 3));
    setFont(14);
    drawText(QRect(0, bandTop, contentWidth, 90), Qt::AlignCenter, title);
    if (segment >= model.startTexts.size())
        return false;
    setFont(12);
    drawText(QRect(30, bandTop + 100, contentWidth / 2, 70), Qt::AlignLeft,
                      ReportModel::startTimeLabel() + model.startTexts.at(segment));
    drawText(QRect(contentWidth / 2 - 30, bandTop + 100, contentWidth / 2, 70),
                      Qt::AlignRight, ReportModel::endTimeLabel() + model.endTexts.at(segment));
    return true;
}

int VerificationReportPDF::lineTop(int line) const
{
    return (line + 1) * lineHeight + tableTop;
}

void VerificationReportPDF::fillStrip(int y)
{
    painter->fillRect(QRect(0, y, contentWidth, lineHeight), bandColour);
}

void VerificationReportPDF::drawMarker(const QString &text, int y)
{
    drawText(QRect(400, y, 1500, lineHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void VerificationReportPDF::drawChannelHeader(int firstChannel, int count)
{
    fillStrip(tableTop);
    const QStringList titles = model.workDataTitles();
    const int cw = (contentWidth - firstColumnWidth) / channelsPerGroup;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    drawText(QRect(0, tableTop, firstColumnWidth, lineHeight), flags, titles.at(0), true);
    for (int c = 0; c < count; ++c)
        drawText(QRect(firstColumnWidth + c * cw, tableTop, cw, lineHeight), flags,
                          titles.value(firstChannel + c + 1), true);
}

void VerificationReportPDF::drawDataRow(int row, int firstChannel, int count, int &line)
{
    const int y = lineTop(line);
    if (line % 5 == 4)
        fillStrip(y);
    const int cw = (contentWidth - firstColumnWidth) / channelsPerGroup;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    drawText(QRect(0, y, firstColumnWidth, lineHeight), flags, model.rows.timeText(row), true);
    for (int c = 0; c < count; ++c)
        drawText(QRect(firstColumnWidth + c * cw, y, cw, lineHeight), flags,
                          model.number(model.value(row, firstChannel + c)), true);
    ++line;
}

bool VerificationReportPDF::drawRowsAndEnd(int segment, int line, int count,
                                           const std::function<bool()> &nextPage,
                                           const std::function<void(int, int &)> &drawRow)
{
    for (int i = 0; i < count; ++i) {
        if (line == linesPerPage) {
            line = 0;
            if (!nextPage())
                return false;
        }
        drawRow(i, line);
    }
    if (line == linesPerPage) {
        line = 0;
        if (!nextPage())
            return false;
    }
    drawMarker(model.endMarker(segment), lineTop(line));
    return true;
}

bool VerificationReportPDF::writeSegmentTable(const QString &title, int segment,
                                              const std::function<void()> &header,
                                              const std::function<void(int, int &)> &drawRow)
{
    auto page = [&] {
        if (!beginTablePage(title, segment))
            return false;
        header();
        return true;
    };
    if (!page())
        return false;
    drawMarker(model.startMarker(segment), tableTop + lineHeight);
    const int first = model.startIndexes.at(segment);
    return drawRowsAndEnd(segment, 1, model.endIndexes.at(segment) - first + 1, page,
                          [&](int i, int &line) { drawRow(first + i, line); });
}

bool VerificationReportPDF::writeWorkDataTable()
{
    if (!opened)
        return false;
    const QString title = model.tableTitle(ReportModel::WorkData);
    const int channels = model.project.ChannelNumber.size();
    for (int s = 0; s < model.segmentCount(); ++s) {
        for (int first = 0; first < channels; first += channelsPerGroup) {
            const int count = qMin(channelsPerGroup, channels - first);
            if (!writeSegmentTable(
                    title, s, [&] { drawChannelHeader(first, count); },
                    [&](int row, int &line) { drawDataRow(row, first, count, line); }))
                return opened;
        }
    }
    return opened;
}

void VerificationReportPDF::drawHorizontalHeader(const QString &quantity)
{
    fillStrip(tableTop);
    const QStringList titles = ReportModel::horizontalTitles(quantity);
    const int hw = (contentWidth - firstColumnWidth) / 9;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    drawText(QRect(0, tableTop, firstColumnWidth, lineHeight), flags, titles.at(0), true);
    for (int k = 0; k < 9; ++k)
        drawText(QRect(firstColumnWidth + k * hw, tableTop, hw, lineHeight), flags,
                          titles.at(k + 1), true);
}

void VerificationReportPDF::drawHorizontalRow(const QStringList &texts, int &line)
{
    const int y = lineTop(line);
    if (line % 5 == 4)
        fillStrip(y);
    const int hw = (contentWidth - firstColumnWidth) / 9;
    const int flags = Qt::AlignLeft | Qt::AlignVCenter;
    drawText(QRect(0, y, firstColumnWidth, lineHeight), flags, texts.value(0), true);
    for (int k = 0; k < 9; ++k)
        drawText(QRect(firstColumnWidth + k * hw, y, hw, lineHeight), flags,
                          texts.value(k + 1), true);
    ++line;
}

bool VerificationReportPDF::writeHorizontalAnalysis(bool left)
{
    if (!opened)
        return false;
    const QString quantity = model.quantity(left);
    const QString title =
        model.tableTitle(left ? ReportModel::LeftHorizontal : ReportModel::RightHorizontal);
    for (int s = 0; s < model.segmentCount(); ++s) {
        if (!writeSegmentTable(
                title, s, [&] { drawHorizontalHeader(quantity); },
                [&](int row, int &line) { drawHorizontalRow(model.horizontalRow(row, left), line); }))
            return opened;
    }
    return opened;
}

void VerificationReportPDF::drawSegmentSummary(const QString &quantity, const QStringList &texts)
{
    const int u = contentWidth / 12;
    const int y0 = tableTop - 5;
    const int h = 83;
    painter->setPen(QPen(Qt::black, 3));
    for (int k = 0; k <= 5; ++k)
        painter->drawLine(u, y0 + h * k, 11 * u, y0 + h * k);
    for (int x : {u, 4 * u, 6 * u, 9 * u, 11 * u})
        painter->drawLine(x, y0, x, y0 + 5 * h);
    const QStringList leftLabels = ReportModel::summaryLeftLabels(quantity);
    const QStringList rightLabels = ReportModel::summaryRightLabels();
    for (int i = 0; i < 5; ++i) {
        const int y = y0 + h * i;
        drawText(QRect(u, y, 3 * u, h), Qt::AlignCenter, leftLabels.at(i), true);
        drawText(QRect(4 * u, y, 2 * u, h), Qt::AlignCenter, texts.value(i), true);
        drawText(QRect(6 * u, y, 3 * u, h), Qt::AlignCenter, rightLabels.at(i), true);
        drawText(QRect(9 * u, y, 2 * u, h), Qt::AlignCenter, texts.value(i + 5), true);
    }
}

void VerificationReportPDF::drawVerticalHeader(const QString &quantity, bool continuation)
{
    const int y = continuation ? tableTop : tableTop + 420;
    fillStrip(y);
    const QStringList titles = ReportModel::verticalTitles(quantity);
    const int vw = contentWidth / 10;
    for (int k = 0; k < 8; ++k)
        drawText(QRect(k * vw, y, vw, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                          titles.at(k), true);
}

void VerificationReportPDF::drawVerticalRow(const QStringList &texts, int &line)
{
    const int y = lineTop(line);
    if (line % 5 == 4)
        fillStrip(y);
    const int vw = contentWidth / 10;
    for (int k = 0; k < 8; ++k)
        drawText(QRect(k * vw, y, vw, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                          texts.value(k), true);
    ++line;
}

bool VerificationReportPDF::writeVerticalAnalysis(bool left)
{
    if (!opened)
        return false;
    const QString quantity = model.quantity(left);
    const QString title =
        model.tableTitle(left ? ReportModel::LeftVertical : ReportModel::RightVertical);
    for (int s = 0; s < model.segmentCount(); ++s) {
        const ReportModel::Vertical analysis = model.verticalAnalysis(s, left);
        auto continuation = [&] {
            if (!beginTablePage(title, s))
                return false;
            drawVerticalHeader(quantity, true);
            return true;
        };
        if (!beginTablePage(title, s))
            return opened;
        drawSegmentSummary(quantity, analysis.summaryTexts);
        drawVerticalHeader(quantity, false);
        drawMarker(model.startMarker(s), tableTop + 490);
        const QList<QStringList> &rows = analysis.channelRows;
        if (!drawRowsAndEnd(s, 7, rows.size(), continuation,
                            [&](int i, int &line) { drawVerticalRow(rows.at(i), line); }))
            return opened;
    }
    return opened;
}

bool VerificationReportPDF::writeSelectedTables()
{
    return model.writeChosenTables([this] { return writeWorkDataTable(); },
                                   [this](bool left) { return writeHorizontalAnalysis(left); },
                                   [this](bool left) { return writeVerticalAnalysis(left); });
}

bool VerificationReportPDF::addImage(const QImage &picture)
{
    if (!opened)
        return false;
    if (newPage() && !picture.isNull())
        painter->drawImage(QPoint(30, bandTop + 30),
                           picture.scaled(contentWidth - 60, contentHeight - 60,
                                          Qt::IgnoreAspectRatio, Qt::FastTransformation));
    return opened;
}

bool VerificationReportPDF::finish()
{
    if (!opened)
        return false;
    opened = false;
    const bool painted = painter->end();
    delete painter;
    painter = nullptr;
    delete writer;
    writer = nullptr;
    const bool flushed = file.flush();
    const bool written = file.error() == QFileDevice::NoError;
    file.close();
    return painted && flushed && written && file.error() == QFileDevice::NoError && !failed;
}
