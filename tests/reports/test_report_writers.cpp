// The report model and both report writers, read back with poppler and openpyxl.
#include <QFontDatabase>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include "ReportExportRun.h"
#include "ReportTestSupport.h"
#include "VerificationReportExcel.h"
#include "VerificationReportPDF.h"

using namespace ReportTest;

namespace {

QList<QDateTime> at(const QList<int> &msecs)
{
    QList<QDateTime> out;
    for (int ms : msecs)
        out << baseTime().addMSecs(ms);
    return out;
}

ReportModel modelOf(const QStringList &units, const ReportSamples &s, QList<bool> flags = {},
                    QList<int> starts = {0}, QList<int> ends = {999000}, int accuracy = 2)
{
    ReportModel m;
    if (flags.isEmpty())
        flags = {true, true, true, true, true};
    m.setReportData(accuracy, flags, project(QStringLiteral("p"), units), s, at(starts), at(ends),
                    QStringList(), QStringLiteral("V1.2.13"));
    return m;
}

} // namespace

class TestReportWriters : public QObject
{
    Q_OBJECT

private slots:
    void segmentRows_data();
    void segmentRows();
    void analyses();
    void missingAndExtremeValues();
    void axesAndTables();
    void samplesAndThinning_data();
    void samplesAndThinning();
    void pdfPages_data();
    void pdfPages();
    void pdfContentAndBreaks();
    void pdfCellsFit_data();
    void pdfCellsFit();
    void pdfWriteErrors();
    void workbook();
    void workbookSheetNames();
    void workbookCells();
};

void TestReportWriters::segmentRows_data()
{
    QTest::addColumn<QList<int>>("starts");   // milliseconds after the first sample
    QTest::addColumn<QList<int>>("ends");
    QTest::addColumn<QList<int>>("firstRows");
    QTest::addColumn<QList<int>>("lastRows");
    QTest::newRow("end between samples") << QList<int>{2000} << QList<int>{4500}
                                         << QList<int>{2} << QList<int>{5};
    QTest::newRow("end on a sample") << QList<int>{2000} << QList<int>{4000} << QList<int>{2}
                                     << QList<int>{4};
    QTest::newRow("end after the last") << QList<int>{2000} << QList<int>{99000}
                                        << QList<int>{2} << QList<int>{9};
    QTest::newRow("shared boundary") << QList<int>{0, 3000} << QList<int>{3000, 6000}
                                     << QList<int>{0, 3} << QList<int>{3, 6};
    // A segment without rows is empty and moves no other segment.
    QTest::newRow("after the last") << QList<int>{2000, 20000} << QList<int>{4000, 30000}
                                    << QList<int>{2, 0} << QList<int>{4, -1};
    QTest::newRow("before the first, then one after") << QList<int>{-9000, 20000, 5000}
                                                       << QList<int>{-1000, 30000, 7000}
                                                       << QList<int>{0, 0, 5} << QList<int>{-1, -1, 7};
}

void TestReportWriters::segmentRows()
{
    QFETCH(QList<int>, starts);
    QFETCH(QList<int>, ends);
    const ReportModel m = modelOf({"℃"}, samples(1, 10, [](int r, int) { return r; }), {},
                                  starts, ends);
    QFETCH(QList<int>, firstRows);
    QFETCH(QList<int>, lastRows);
    QCOMPARE(m.startIndexes, firstRows);
    QCOMPARE(m.endIndexes, lastRows);
}

void TestReportWriters::analyses()
{
    // Row 0 all equal; row 1 a tie for the maximum between the second and third channel.
    const double table[2][3] = {{5, 5, 5}, {1, 7, 7}};
    const ReportSamples s = samples(3, 2, [&](int r, int c) { return table[r][c]; });
    const ReportModel m = modelOf({"℃", "℃", "℃"}, s, {}, {0, 1000}, {0, 1000});
    QCOMPARE(m.horizontalRow(0, true),
             QStringList({"01-01 10:00:00.000", "5.00", "1-101", "5.00", "1-101", "5.00", "0.00",
                          "0.00", "0.00", "0.00"}));
    QCOMPARE(m.horizontalRow(1, true),
             QStringList({"01-01 10:00:01.000", "7.00", "1-102", "1.00", "1-101", "5.00", "2.00",
                          "4.00", "6.00", "2.83"}));
    // A one-row segment: maximum = minimum = average, no deviation; ties go to the earlier channel.
    const ReportModel::Vertical v = m.verticalAnalysis(1, true);
    QCOMPARE(v.channelRows.value(1),
             QStringList({"1-102", "7.00", "7.00", "7.00", "0.00", "0.00", "0.00", "0.00"}));
    QCOMPARE(v.summaryTexts, QStringList({"1-101/1.00", "1-102/7.00", "1-102/7.00", "1-101/1.00",
                                          "5.00", "2.00", "2.00", "4.00", "4.00", ""}));
    ReportModel zero = modelOf({"℃"}, s, {}, {0}, {0}, 0);
    QCOMPARE(zero.number(25.4), QStringLiteral("25"));
    zero.dataAccuracy = 3;
    QCOMPARE(zero.number(25.4), QStringLiteral("25.400"));
}

void TestReportWriters::missingAndExtremeValues()
{
    // Missing values are left out of every figure, ±1e308 gives finite ones; the second segment has no rows.
    ReportSamples s(3);
    const QList<QStringList> texts{{"10", "nan", "1e308"}, {"12", "inf", "-1e308"}, {"abc", "-inf", "1e308"},
                                   {"11", "", "-1e308"}};
    for (int r = 0; r < texts.size(); ++r)
        QVERIFY(s.appendRow(baseTime().addSecs(r), texts.at(r)));
    const ReportModel m = modelOf({"℃", "℃", "℃"}, s, {}, {0, 60000}, {3000, 90000});
    const QString big = m.number(1e308);
    QCOMPARE(m.horizontalRow(2, true), QStringList({"01-01 10:00:02.000", big, "1-103", big, "1-103",
                                                   big, "0.00", "0.00", "0.00", "0.00"}));
    const ReportModel::Vertical v = m.verticalAnalysis(0, true);
    QCOMPARE(v.channelRows.value(0), QStringList({"1-101", "12.00", "10.00", "11.00", "1.00", "1.00", "2.00", "0.82"}));
    QCOMPARE(v.channelRows.value(1), QStringList({"1-102", "", "", "", "", "", "", ""}));
    const QStringList extreme = v.channelRows.value(2);
    QCOMPARE(extreme.mid(0, 6) << extreme.value(7), QStringList({"1-103", big, "-" + big, "0.00", big, big, big}));
    QVERIFY(extreme.at(6).startsWith("200000000000000002195812725888") && extreme.at(6).size() == big.size());
    QCOMPARE(v.summaryTexts, QStringList({"1-103/0.00", "1-101/11.00", "1-103/" + big, "1-103/-" + big, "5.50", big,
                                          "5.50", big, "5.50", ""}));
    const ReportModel::Vertical empty = m.verticalAnalysis(1, true);
    QCOMPARE(empty.channelRows.value(0), QStringList({"1-101", "", "", "", "", "", "", ""}));
    QCOMPARE(empty.summaryTexts.join('|'), QString(9, '|'));
}

void TestReportWriters::axesAndTables()
{
    const ReportSamples s = samples(3, 2, [](int r, int c) { return r + c; });
    // Three units: the second and third both on the right, named after the second.
    const ReportModel three = modelOf({"V", "℃", "mA"}, s);
    QCOMPARE(three.leftChannels, QStringList({"1-101"}));
    QCOMPARE(three.rightChannels, QStringList({"1-102", "1-103"}));
    QCOMPARE(three.rightQuantity, QStringLiteral("温度"));
    // Two units: temperature on the left.
    QCOMPARE(modelOf({"V", "℃", "V"}, s).leftChannels, QStringList({"1-102"}));
    // One unit: the right-axis tables are never chosen, whatever the flags say.
    const ReportModel one = modelOf({"℃", "℃", "℃"}, s);
    QCOMPARE(one.tableFlags, QList<bool>({true, true, true, false, false}));
    QCOMPARE(one.sectionNames, QStringList({"数据表", "温度横向表", "温度竖向表"}));
}

void TestReportWriters::samplesAndThinning_data()
{
    QTest::addColumn<QString>("print");
    QTest::addColumn<QString>("scan");
    QTest::addColumn<int>("step");
    QTest::newRow("0.3 over 0.1") << "0.3" << "0.1" << 3;
    QTest::newRow("4.35 over 0.05") << "4.35" << "0.05" << 87;
    QTest::newRow("5 over 1") << "5" << "1" << 5;
    QTest::newRow("no scan interval") << "5" << "0" << 1;
}

void TestReportWriters::samplesAndThinning()
{
    QFETCH(QString, print);
    QFETCH(QString, scan);
    QFETCH(int, step);
    QCOMPARE(printStep(print, scan), step);

    ReportSamples s(2);
    QVERIFY(!s.appendRow(baseTime(), {"1"}));                      // short: left out
    QVERIFY(s.appendRow(baseTime(), {"1", "abc", "9"}));           // extra value ignored
    for (int r = 1; r < 10; ++r)
        s.appendRow(baseTime().addSecs(r), QStringList{QString::number(r), "2"});
    QCOMPARE(s.rowCount(), 10);
    QVERIFY(ReportSamples::isMissing(s.value(0, 1)));
    const ReportSamples thin = s.thinned(3, {true, false});
    QCOMPARE(thin.channelCount(), 1);
    QCOMPARE(thin.rowCount(), 4);
    QCOMPARE(thin.value(3, 0), 9.0);
}

void TestReportWriters::pdfPages_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<bool>>("flags");
    QTest::addColumn<QList<int>>("ends");   // seconds; each segment starts where the last ended
    QTest::addColumn<int>("pages");
    const QList<bool> work{true, false, false, false, false};
    const QList<bool> vertical{false, false, true, false, false};
    QTest::newRow("23 rows on one page") << 3 << 23 << work << QList<int>{22} << 3;
    QTest::newRow("24 rows push the end") << 3 << 24 << work << QList<int>{23} << 4;
    QTest::newRow("12 channels, two groups") << 12 << 5 << work << QList<int>{4} << 4;
    QTest::newRow("vertical, 17 channels") << 17 << 5 << vertical << QList<int>{4} << 3;
    QTest::newRow("vertical, 18 channels") << 18 << 5 << vertical << QList<int>{4} << 4;
    QTest::newRow("analyses only, two segments")
        << 4 << 30 << QList<bool>{false, true, true, true, true} << QList<int>{9, 29} << 10;
}

void TestReportWriters::pdfPages()
{
    QFETCH(int, channels);
    QFETCH(int, rows);
    QFETCH(QList<bool>, flags);
    QFETCH(QList<int>, ends);
    QFETCH(int, pages);
    QStringList units;
    for (int c = 0; c < channels; ++c)
        units << (flags.at(3) && c % 2 ? "V" : "℃");
    QList<int> startMs{0}, endMs;
    QStringList remarks;
    for (int e : ends) {
        endMs << e * 1000;
        remarks << QStringLiteral("x");
    }
    for (int i = 1; i < ends.size(); ++i)
        startMs << ends.at(i - 1) * 1000;
    QTemporaryDir dir;
    const QString path = dir.filePath("r.pdf");
    VerificationReportPDF pdf(path);
    pdf.setData(2, flags, project("p", units), samples(channels, rows, [](int r, int c) {
                    return r + c;
                }),
                at(startMs), at(endMs), remarks,
                "V1.2.13");
    QVERIFY(pdf.writeSummary() && pdf.writeSelectedTables() && pdf.addImage(QImage(40, 20, QImage::Format_RGB32)));
    QVERIFY(pdf.finish());
    QCOMPARE(ReportTest::pdfPages(path), pages);
    for (int n = 1; n <= pages; ++n)
        QVERIFY2(pdfPage(path, n).contains(QStringLiteral("第%1页,共%2页").arg(n).arg(pages)),
                 qPrintable(QString::number(n)));
}

void TestReportWriters::pdfContentAndBreaks()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("r.pdf");
    const QString name = QStringLiteral("Li's \"run\"");
    ReportJob job;
    job.project = project(name, {"℃", "℃", "V"}, true);
    job.samples = samples(3, 24, [](int r, int c) { return 20 + r + c; });
    job.channelFlags = {true, true, true};
    job.printInterval = "1";
    job.format = "PDF";
    job.outputPath = path;
    job.tableFlags = {true, false, false, false, false};
    job.segmentStarts = at({0});
    job.segmentEnds = at({23000});
    job.segmentRemarks = QStringList{"段一"};
    job.versionText = "V1.2.13";
    QVERIFY(runReportExport(job));
    QCOMPARE(ReportTest::pdfPages(path), 4);
    const QString first = pdfPage(path, 1);
    for (const QString &text : {QStringLiteral("采集报告"), QStringLiteral("项目名称:") + name,
                                QStringLiteral("设备列表:"), QStringLiteral("1.数据表"),
                                QStringLiteral("VAZUV V1.2.13")})
        QVERIFY2(first.contains(text), qPrintable(text));
    // 24 rows: all on the first table page, whose line 0 holds the start marker; the end marker
    // goes to the next page.
    const QString table = pdfPage(path, 2);
    QVERIFY(table.contains("工作数据表") && table.contains(QRegularExpression("段一\\s+开始"))
            && table.contains("开始时间：2024-01-01 10:00:00"));
    QCOMPARE(sampleTimes(table), 24);
    QVERIFY(table.contains("01-01 10:00:23.000") && table.contains("22.00"));
    const QString next = pdfPage(path, 3);
    QVERIFY(next.contains(QRegularExpression("段一\\s+结束")));
    QCOMPARE(sampleTimes(next), 0);
}

void TestReportWriters::pdfCellsFit_data()
{
    QTest::addColumn<bool>("english");
    QTest::newRow("Chinese") << false;
    QTest::newRow("English") << true;
}

void TestReportWriters::pdfCellsFit()
{
    // Work data with six decimals and the horizontal analysis, read back word by word: every
    // word of a header or data row lies inside the column it begins in, and the words of each
    // column give its whole text.
    QFETCH(bool, english);
    QTranslator translator;
    if (english) {
        QVERIFY(translator.load(QStringLiteral(VAZUV_BIN_DIR "/halvoran_en.qm")));
        QCoreApplication::installTranslator(&translator);
    }
    const QStringList units{"℃", "℃", "℃"};
    const ReportSamples s = samples(3, 5, [](int r, int c) { return -1234.5 - 111.1 * r - c; });
    const QList<bool> flags{true, true, false, false, false};
    const ReportModel m = modelOf(units, s, flags, {0}, {4000}, 6);
    QTemporaryDir dir;
    const QString path = dir.filePath("r.pdf");
    VerificationReportPDF pdf(path);
    pdf.setData(6, flags, project("p", units), s, at({0}), at({4000}), {"x"}, "V");
    QVERIFY(pdf.writeSummary() && pdf.writeSelectedTables() && pdf.finish());
    // Without the report font the set-up's CJK font is used, not Qt's Latin fallback.
    if (!QFontDatabase().hasFamily(QStringLiteral("宋体")))
        QVERIFY(run("pdffonts", {path}).contains(QStringLiteral("WenQuanYiMicroHei")));
    const QStringList horizontal = ReportModel::horizontalTitles(m.leftQuantity);
    if (english)
        QCOMPARE(horizontal.at(2), QStringLiteral("Max Temperature Channel"));
    const QRegularExpression wordPattern(QStringLiteral(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)<"));
    // Points to pixels at 300 dpi inside the page margins of 20 points (83 pixels) of A4.
    const auto px = [](QString points) { return points.toDouble() * 300 / 72 - 83; };
    const int width = qRound(px("842")) - 83;
    for (int page : {2, 3}) {
        const int columns = page == 2 ? 4 : 10;   // time and 3 channels, or time and 9 results
        QVector<int> edges{0};   // left edge of each column, then the right edge of the last
        for (int k = 0; k < columns; ++k)
            edges << 480 + k * ((width - 480) / (page == 2 ? 10 : 9));
        QMap<int, QStringList> cells;   // strip of the line grid -> text of each column
        const QString n = QString::number(page);
        auto it = wordPattern.globalMatch(run("pdftotext", {"-bbox", "-f", n, "-l", n, path, "-"}));
        while (it.hasNext()) {
            const QRegularExpressionMatch w = it.next();
            const int strip = qFloor(((px(w.captured(2)) + px(w.captured(4))) / 2 - 400) / 70);
            if (strip != 0 && (strip < 2 || strip > 6))   // the header and the five rows
                continue;
            const double left = px(w.captured(1)), right = px(w.captured(3));
            const int col = std::upper_bound(edges.begin(), edges.end(), left + 1) - edges.begin() - 1;
            QVERIFY2(col >= 0 && col < columns && right <= edges.at(col + 1) + 1,
                     qPrintable(w.captured(5)));
            QStringList &row = cells[strip];
            while (row.size() <= col)
                row << QString();
            row[col] += (row[col].isEmpty() ? "" : " ") + w.captured(5);
        }
        QCOMPARE(cells.value(0), (page == 2 ? m.workDataTitles() : horizontal).mid(0, columns));
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(cells.value(r + 2).value(0), m.rows.timeText(r));
            QCOMPARE(cells.value(r + 2).size(), columns);
        }
    }
}

void TestReportWriters::pdfWriteErrors()
{
    // A folder that is not there: nothing is drawn.
    VerificationReportPDF missing(QStringLiteral("/nonexistent-folder/r.pdf"));
    QVERIFY(!missing.writeSummary());
    QVERIFY(!missing.finish());
    // A file that opens but takes no bytes: the write error makes the report fail.
    VerificationReportPDF full(QStringLiteral("/dev/full"));
    full.setData(2, {true}, project("p", {"℃"}), samples(1, 3, [](int r, int) { return r; }),
                 at({0}), at({2000}), {"x"}, "V");
    QVERIFY(full.writeSummary() && full.writeSelectedTables());
    QVERIFY(!full.finish());
}

void TestReportWriters::workbook()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("r.xlsx");
    VerificationReportExcel excel;
    excel.setReportData(2, {true, true, true, true, true},
                        project("=SUM(A1) 'q'", {"℃", "℃", "V", "V"}, true),
                        samples(4, 12, [](int r, int c) { return c < 2 ? 20 + r + 0.5 * c : 1 + 0.1 * r; }),
                        at({0, 5000}), at({5000, 11000}), {"=1+2", "b"}, "V1.2.13");
    QVERIFY(excel.writeSummary() && excel.insertTrendChart(QImage(40, 20, QImage::Format_RGB32))
            && excel.writeFunctionSheets());
    QVERIFY(!excel.saveAs(dir.filePath("missing/r.xlsx")));
    QVERIFY(excel.saveAs(path));
    const QJsonObject book = readWorkbook(path);
    QCOMPARE(book["sheets"].toVariant().toStringList(),
             QStringList({"首页", "工作数据表", "温度横向分析表", "温度竖向分析表",
                          "电压横向分析表", "电压竖向分析表"}));
    QCOMPARE(book["active"].toInt(), 0);
    QCOMPARE(book["media"].toInt(), 2);
    QCOMPARE(book["images"].toObject()["首页"].toArray(), QJsonArray({QJsonArray{0, 0}, QJsonArray{16, 0}}));

    const QJsonObject cover = book["data"].toObject()["首页"].toObject();
    QVERIFY(cover["merges"].toArray().contains("A1:J1"));
    QCOMPARE(cell(book, "首页", "A1"), QJsonArray({"采集报告", "s", "宋体", 16, QJsonValue(), "General"}));
    QCOMPARE(cell(book, "首页", "B4")[0].toString(), QStringLiteral("=SUM(A1) 'q'"));
    QCOMPARE(cell(book, "首页", "B4")[1].toString(), QStringLiteral("s"));   // text, no formula
    QCOMPARE(cell(book, "首页", "A13")[0].toString(), QStringLiteral("1.数据表"));
    QCOMPARE(cell(book, "首页", "A15")[0].toString(), QStringLiteral("趋势图:"));
    QCOMPARE(cell(book, "首页", "J10")[0].toString(), QStringLiteral("2"));   // channels of 2

    // Work data: 4 channels, title over 8 columns; segment 1 rows 4-9, end 10, empty 11.
    const QJsonObject work = book["data"].toObject()["工作数据表"].toObject();
    QVERIFY(work["merges"].toArray().contains("A1:H1"));
    QCOMPARE(work["widths"].toObject().keys(), QStringList({"A", "B"}));   // B spans B:H
    QCOMPARE(qRound(work["widths"].toObject()["B"].toDouble()), 17);       // 16 + padding
    QCOMPARE(cell(book, "工作数据表", "E2")[0].toString(), QStringLiteral("2-104(V)"));
    QCOMPARE(cell(book, "工作数据表", "A3")[0].toString(), QStringLiteral("=1+2    开始"));
    QCOMPARE(cell(book, "工作数据表", "A3")[1].toString(), QStringLiteral("s"));
    QCOMPARE(cell(book, "工作数据表", "C4"),
             QJsonArray({"20.50", "s", "宋体", 12, "FFCDCDC1", "General"}));
    QCOMPARE(cell(book, "工作数据表", "C5")[4], QJsonValue());
    QCOMPARE(cell(book, "工作数据表", "A10")[0].toString(), QStringLiteral("=1+2    结束"));
    QVERIFY(cell(book, "工作数据表", "A11").isEmpty());
    QCOMPARE(cell(book, "工作数据表", "A12")[0].toString(), QStringLiteral("b    开始"));
    QCOMPARE(cell(book, "工作数据表", "D13")[0].toString(), QStringLiteral("1.50"));

    // Vertical analysis: start row, five summary rows, an empty row, header, channel rows.
    QCOMPARE(cell(book, "温度竖向分析表", "A3")[0].toString(), QStringLiteral("最小平均温度及通道"));
    QCOMPARE(cell(book, "温度竖向分析表", "C3")[0].toString(), QStringLiteral("1-101/22.50"));
    QCOMPARE(cell(book, "温度竖向分析表", "A9")[0].toString(), QStringLiteral("通道"));
    QCOMPARE(cell(book, "温度竖向分析表", "B11"),
             QJsonArray({"25.50", "s", "宋体", 12, QJsonValue(), "General"}));
    QCOMPARE(cell(book, "电压横向分析表", "C4")[0].toString(), QStringLiteral("2-103"));
}

void TestReportWriters::workbookSheetNames()
{
    // ℃ and ℉ are both temperatures: the right-axis sheets get the unit, never a refusal.
    QTemporaryDir dir;
    const QString path = dir.filePath("r.xlsx");
    ReportJob job;
    job.project = project("p", {"℃", "℉", "℉"});
    job.samples = samples(3, 5, [](int r, int c) { return r * c; });
    job.channelFlags = {true, true, true};
    job.printInterval = "2";
    job.format = "Excel";
    job.outputPath = path;
    job.tableFlags = {true, true, true, true, true};
    job.segmentStarts = at({0});
    job.segmentEnds = at({4000});
    job.segmentRemarks = QStringList{"r"};
    job.chartPicture = QImage(10, 10, QImage::Format_RGB32);
    QVERIFY(runReportExport(job));
    const QJsonObject book = readWorkbook(path);
    QCOMPARE(book["sheets"].toVariant().toStringList(),
             QStringList({"首页", "工作数据表", "温度横向分析表", "温度竖向分析表",
                          "温度横向分析表(℉)", "温度竖向分析表(℉)"}));
    // Print interval 2 over scan 1: rows 0, 2, 4.
    QCOMPARE(cell(book, "工作数据表", "A6")[0].toString(), QStringLiteral("01-01 10:00:04.000"));
    QVERIFY(cell(book, "工作数据表", "A7")[0].toString().endsWith("结束"));
    // A project whose samples are all gone fails, and writes nothing.
    job.samples = ReportSamples(3);
    job.outputPath = dir.filePath("none.xlsx");
    QVERIFY(!runReportExport(job));
    QVERIFY(!QFile::exists(job.outputPath));
}

void TestReportWriters::workbookCells()
{
    // Cells written out of row order, a cell written twice, a text without a format of its own
    // in a merged range, and writes the sheet cannot hold.
    XlsxWorkbook book;
    QVERIFY(!book.write(1, 1, "no sheet"));
    QVERIFY(book.addSheet("S") && !book.addSheet("s") && !book.addSheet("a:b")
            && !book.addSheet(QString(32, 'x')));
    XlsxFormat fill;
    fill.setPatternBackgroundColor(QColor(205, 205, 193));
    XlsxFormat bold;
    bold.setFontSize(16);
    QVERIFY(book.write(5, 2, "late"));
    QVERIFY(book.mergeCells(2, 1, 3, fill) && !book.mergeCells(2, 3, 4, fill));
    QVERIFY(book.write(2, 1, "merged"));
    QVERIFY(book.write(3, 1, 1.5, bold) && book.write(3, 1, "again"));
    QVERIFY(book.write(1000, 1, "far") && book.write(1, 4, 2.5, bold));   // 999 rows back
    QVERIFY(book.write(4, 2, qQNaN(), bold) && book.write(4, 3, -qInf(), bold));   // left empty
    QVERIFY(!book.write(XlsxWorkbook::maxRows + 1, 1, "x"));
    QVERIFY(!book.write(1, 1, QString(XlsxWorkbook::maxTextLength + 1, 'x')));
    QVERIFY(book.setRowHeight(7, 30));   // a row with a height and no cells
    QTemporaryDir dir;
    QVERIFY(!book.saveAs(QStringLiteral("/dev/full")));   // opens, but takes no bytes
    QVERIFY(book.saveAs(dir.filePath("c.xlsx")));
    const QJsonObject read = readWorkbook(dir.filePath("c.xlsx"));
    const QJsonObject sheet = read["data"].toObject()["S"].toObject();
    QCOMPARE(sheet["merges"].toArray(), QJsonArray({"A2:C2"}));
    QCOMPARE(cell(read, "S", "A2")[0].toString(), QStringLiteral("merged"));
    QCOMPARE(cell(read, "S", "A2")[4].toString(), QStringLiteral("FFCDCDC1"));
    QCOMPARE(cell(read, "S", "A3"), QJsonArray({"again", "s", "Calibri", 16, QJsonValue(), "General"}));
    QCOMPARE(cell(read, "S", "B5")[0].toString(), QStringLiteral("late"));
    QCOMPARE(cell(read, "S", "A1000")[0].toString(), QStringLiteral("far"));
    QCOMPARE(cell(read, "S", "D1")[0].toDouble(), 2.5);
    QVERIFY(cell(read, "S", "B4").isEmpty() && cell(read, "S", "C4").isEmpty());
    QCOMPARE(sheet["heights"].toObject()["7"].toDouble(), 30.0);
}

QTEST_MAIN(TestReportWriters)
#include "test_report_writers.moc"
