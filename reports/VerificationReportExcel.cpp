#include "VerificationReportExcel.h"

#include <QDateTime>

#include "HalvoranImages.h"

namespace {

// A copy of `base` with the changes of one cell kind.
XlsxFormat variant(XlsxFormat base, int size, bool border, XlsxFormat::HorizontalAlignment a)
{
    base.setFontSize(size);
    base.setBorderStyle(border ? XlsxFormat::BorderThin : XlsxFormat::BorderNone);
    base.setHorizontalAlignment(a);
    return base;
}

// Characters a sheet name may not hold.
QString sheetNameSafe(QString name)
{
    for (const QChar c : QStringLiteral("[]:*?/\\"))
        name.remove(c);
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    return name;
}

} // namespace

VerificationReportExcel::VerificationReportExcel()
{
    defaultFormat.setFontName(QStringLiteral("宋体"));
    defaultFormat.setFontSize(12);
    defaultFormat.setHorizontalAlignment(XlsxFormat::AlignLeft);
    defaultFormat.setVerticalAlignment(XlsxFormat::AlignVCenter);
    defaultFormat.setBorderStyle(XlsxFormat::BorderThin);
    coverTitleFormat = variant(defaultFormat, 16, false, XlsxFormat::AlignHCenter);
    coverLineFormat = variant(defaultFormat, 12, false, XlsxFormat::AlignLeft);
    plainFormat = variant(defaultFormat, 12, false, XlsxFormat::AlignLeft);
    sectionTitleFormat = variant(defaultFormat, 14, false, XlsxFormat::AlignLeft);
    deviceFormat = variant(defaultFormat, 12, false, XlsxFormat::AlignHCenter);
    sheetTitleFormat = variant(defaultFormat, 16, true, XlsxFormat::AlignHCenter);
    headerFormat = variant(defaultFormat, 14, true, XlsxFormat::AlignHCenter);
    shadedFormat = defaultFormat;
    shadedFormat.setPatternBackgroundColor(QColor(205, 205, 193));
    printTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    initHalvoranImages();
    logo = QImage(QStringLiteral(":/Halvoran/Image/Logo.png"))
               .scaled(450, 171, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void VerificationReportExcel::setReportData(int dataAccuracy, const QList<bool> &tableFlags,
                                            const ParametersRecord &project,
                                            const ReportSamples &samples,
                                            const QList<QDateTime> &segmentStarts,
                                            const QList<QDateTime> &segmentEnds,
                                            const QStringList &segmentRemarks,
                                            const QString &versionText)
{
    model.setReportData(dataAccuracy, tableFlags, project, samples, segmentStarts, segmentEnds,
                        segmentRemarks, versionText);
}

bool VerificationReportExcel::writeCell(const QString &text, const XlsxFormat &format, int row,
                                        int column, int extraColumns)
{
    if (extraColumns <= 0)
        return document.write(row, column, text, format);
    // The text takes the format of its merged range.
    return document.mergeCells(row, column, column + extraColumns, format)
        && document.write(row, column, text);
}

bool VerificationReportExcel::writeSectionTitle(const QString &title)
{
    const bool ok = document.setRowHeight(currentRow, 20)
        && writeCell(title, sectionTitleFormat, currentRow, 1, 9);
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::writeSheetTitle(const QString &title, int columns)
{
    const bool ok = document.setRowHeight(currentRow, 28)
        && writeCell(title, sheetTitleFormat, currentRow, 1, qMax(columns, 8) - 1);
    ++currentRow;
    return ok;
}

void VerificationReportExcel::writeCover()
{
    document.setColumnWidth(1, 10, 12);
    document.setRowHeight(1, 28);
    writeCell(tr("采集报告"), coverTitleFormat, 1, 1, 9);
    if (showLogo)
        document.insertImage(0, 0, logo);
    writeCell(QStringLiteral("VAZUV ") + model.versionText, coverLineFormat, 2, 1, 1);
    writeCell(coverTitle, coverLineFormat, 2, 4, 2);
    if (showPrintTime) {
        writeCell(tr("打印时间："), coverLineFormat, 2, 8);
        writeCell(printTime, coverLineFormat, 2, 9, 1);
    }
    currentRow = 4;
}

bool VerificationReportExcel::writeDeviceList()
{
    bool ok = writeSectionTitle(tr("设备列表:"));
    auto deviceRow = [&](const QStringList &cells) {
        ok = writeCell(cells.at(0), deviceFormat, currentRow, 1) && ok;
        ok = writeCell(cells.at(1), deviceFormat, currentRow, 2, 1) && ok;
        ok = writeCell(cells.at(2), deviceFormat, currentRow, 4, 3) && ok;
        ok = writeCell(cells.at(3), deviceFormat, currentRow, 8, 1) && ok;
        ok = writeCell(cells.at(4), deviceFormat, currentRow, 10) && ok;
        ++currentRow;
    };
    deviceRow({tr("序号"), tr("设备型号"), tr("设备序列号"), tr("通道文件"), tr("通道个数")});
    const ParametersRecord &p = model.project;
    for (int k = 1; k <= p.Model.size(); ++k)
        deviceRow({QString::number(k), p.Model.value(k - 1), p.SerialNumber.value(k - 1),
                   p.ChannelConfig.value(k - 1), QString::number(model.instrumentChannelCount(k))});
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::writeSummary()
{
    if (!document.addSheet(tr("首页")))
        return false;
    currentRow = 1;
    writeCover();
    bool ok = writeCell(tr("项目名称:"), plainFormat, 4, 1)
        && writeCell(model.project.Name, plainFormat, 4, 2, 2)
        && writeCell(tr("项目时间:"), plainFormat, 5, 1)
        && writeCell(model.project.CreateTime, plainFormat, 5, 2, 2);
    currentRow = 7;
    ok = writeDeviceList() && ok;
    ok = writeSectionTitle(tr("报告概述:")) && ok;
    const QStringList &names = model.sectionNames;
    for (int i = 0; i < names.size(); ++i)
        ok = writeCell(QString::number(i + 1) + QStringLiteral(".") + names.at(i), plainFormat,
                       currentRow + i / 5, 2 * (i % 5) + 1, 1)
            && ok;
    currentRow += names.size() > 5 ? 3 : 2;
    return ok;
}

bool VerificationReportExcel::insertTrendChart(const QImage &picture)
{
    if (!writeSectionTitle(tr("趋势图:")))
        return false;
    if (picture.isNull())
        return false;
    const bool ok = document.insertImage(
        currentRow, 0,
        picture.scaled(2500, 900, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    currentRow += 23;
    return ok;
}

bool VerificationReportExcel::saveAs(const QString &path)
{
    const QStringList names = document.sheetNames();
    if (!names.isEmpty())
        document.selectSheet(names.first());
    return document.saveAs(path);
}

const XlsxFormat &VerificationReportExcel::dataFormat() const
{
    return currentRow % 5 == 4 ? shadedFormat : defaultFormat;
}

bool VerificationReportExcel::writeDataRow(const QString &label, const QStringList &numbers)
{
    const XlsxFormat &format = dataFormat();
    bool ok = document.write(currentRow, 1, label, format);
    for (int i = 0; i < numbers.size(); ++i)
        ok = document.write(currentRow, i + 2, numbers.at(i), format) && ok;
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::writeHorizontalRow(const QStringList &texts)
{
    return writeDataRow(texts.value(0), texts.mid(1));
}

bool VerificationReportExcel::writeSegmentStart(int segment)
{
    const int r = currentRow++;
    return writeCell(model.startMarker(segment), defaultFormat, r, 1, 1)
        && writeCell(ReportModel::startTimeLabel(), defaultFormat, r, 3)
        && writeCell(model.startTexts.value(segment), defaultFormat, r, 4, 1)
        && writeCell(ReportModel::endTimeLabel(), defaultFormat, r, 6)
        && writeCell(model.endTexts.value(segment), defaultFormat, r, 7, 1);
}

bool VerificationReportExcel::writeSegmentEnd(int segment)
{
    const bool ok = writeCell(model.endMarker(segment), defaultFormat, currentRow, 1, 1);
    currentRow += 2;   // the end row and one empty row
    return ok;
}

bool VerificationReportExcel::writeChannelHeader(const QStringList &titles)
{
    const int n = titles.size() - 1;
    bool ok = document.setColumnWidth(1, 1, 24) && document.setRowHeight(currentRow, 20)
        && document.setColumnWidth(2, qMax(7, n) + 1, 16);
    for (int j = 0; j < titles.size(); ++j)
        ok = document.write(currentRow, j + 1, titles.at(j), headerFormat) && ok;
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::beginTableSheet(int table, int columns)
{
    currentRow = 1;
    return addTableSheet(table) && writeSheetTitle(model.tableTitle(table), columns);
}

bool VerificationReportExcel::writeSegments(const std::function<bool(int)> &rows)
{
    bool ok = true;
    for (int s = 0; ok && s < model.segmentCount(); ++s)
        ok = writeSegmentStart(s) && rows(s) && writeSegmentEnd(s);
    return ok;
}

bool VerificationReportExcel::addTableSheet(int table)
{
    const QString base = sheetNameSafe(model.tableTitle(table));
    const bool left = table == ReportModel::LeftHorizontal || table == ReportModel::LeftVertical;
    const QString unit = table == ReportModel::WorkData
        ? QString()
        : sheetNameSafe(left ? model.leftUnit : model.rightUnit);
    // The name itself; when another sheet has it, with the axis unit; then with a counter.
    QStringList suffixes{QString()};
    if (!unit.isEmpty())
        suffixes << QStringLiteral("(") + unit + QStringLiteral(")");
    for (int k = 2; k < 100; ++k)
        suffixes << QStringLiteral("(") + QString::number(k) + QStringLiteral(")");
    for (const QString &suffix : qAsConst(suffixes)) {
        QString name = base.left(XlsxWorkbook::maxSheetNameLength - suffix.size()) + suffix;
        if (name.isEmpty())
            name = QStringLiteral("Sheet");
        if (document.addSheet(name))
            return true;
    }
    return false;
}

bool VerificationReportExcel::writeWorkDataSheet()
{
    const int channels = model.rows.channelCount();
    if (!beginTableSheet(ReportModel::WorkData, channels + 1)
        || !writeChannelHeader(model.workDataTitles()))
        return false;
    QStringList numbers;
    return writeSegments([&](int s) {
        bool ok = true;
        for (int r = model.startIndexes.at(s); ok && r <= model.endIndexes.at(s); ++r) {
            numbers.clear();
            for (int c = 0; c < channels; ++c)
                numbers << model.number(model.value(r, c));
            ok = writeDataRow(model.rows.timeText(r), numbers);
        }
        return ok;
    });
}

bool VerificationReportExcel::writeHorizontalHeader(const QString &quantity)
{
    bool ok = document.setRowHeight(currentRow, 20) && document.setColumnWidth(1, 1, 24)
        && document.setColumnWidth(2, 10, 17);
    const QStringList titles = ReportModel::horizontalTitles(quantity);
    for (int k = 0; k < titles.size(); ++k)
        ok = document.write(currentRow, k + 1, titles.at(k), headerFormat) && ok;
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::writeHorizontalAnalysisSheet(bool left)
{
    if (!beginTableSheet(left ? ReportModel::LeftHorizontal : ReportModel::RightHorizontal, 10)
        || !writeHorizontalHeader(model.quantity(left)))
        return false;
    return writeSegments([&](int s) {
        bool ok = true;
        for (int r = model.startIndexes.at(s); ok && r <= model.endIndexes.at(s); ++r)
            ok = writeHorizontalRow(model.horizontalRow(r, left));
        return ok;
    });
}

bool VerificationReportExcel::writeSegmentSummary(const QString &quantity,
                                                  const QStringList &texts)
{
    const QStringList leftLabels = ReportModel::summaryLeftLabels(quantity);
    const QStringList rightLabels = ReportModel::summaryRightLabels();
    bool ok = true;
    for (int i = 0; i < 5; ++i) {
        const int r = currentRow++;
        ok = ok && document.setRowHeight(r, 20)
            && writeCell(leftLabels.at(i), headerFormat, r, 1, 1)
            && writeCell(texts.value(i), headerFormat, r, 3, 1)
            && writeCell(rightLabels.at(i), headerFormat, r, 5, 1)
            && writeCell(texts.value(i + 5), headerFormat, r, 7, 1);
    }
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::writeVerticalHeader(const QString &quantity)
{
    bool ok = document.setRowHeight(currentRow, 20) && document.setColumnWidth(1, 8, 17);
    const QStringList titles = ReportModel::verticalTitles(quantity);
    for (int k = 0; k < titles.size(); ++k)
        ok = document.write(currentRow, k + 1, titles.at(k), headerFormat) && ok;
    ++currentRow;
    return ok;
}

bool VerificationReportExcel::writeVerticalAnalysisSheet(bool left)
{
    if (!beginTableSheet(left ? ReportModel::LeftVertical : ReportModel::RightVertical, 8))
        return false;
    const QString quantity = model.quantity(left);
    return writeSegments([&](int s) {
        const ReportModel::Vertical analysis = model.verticalAnalysis(s, left);
        bool ok = writeSegmentSummary(quantity, analysis.summaryTexts)
            && writeVerticalHeader(quantity);
        for (const QStringList &texts : analysis.channelRows)
            ok = ok && writeHorizontalRow(texts);
        return ok;
    });
}

bool VerificationReportExcel::writeFunctionSheets()
{
    // A sheet that could not be written fails the report.
    return model.writeChosenTables([this] { return writeWorkDataSheet(); },
                                   [this](bool left) { return writeHorizontalAnalysisSheet(left); },
                                   [this](bool left) { return writeVerticalAnalysisSheet(left); });
}
