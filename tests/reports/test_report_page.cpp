// The report page and its export dialog on a private copy of the shipped database: the project
// tree, loading into the chart, deleting, the simple export and whole report runs.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QSqlQuery>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <cmath>

#include "ChartLines.h"
#include "ChartView.h"
#include "Database.h"
#include "ReportTestSupport.h"
#include "SystemSettings.h"
#include "VerificationReport.h"
#include "test_channelconfig_modal.h"

using namespace ReportTest;

namespace {

void store(const QString &name, const QStringList &units, const QList<QStringList> &rows)
{
    ParametersRecord p = project(name, units);
    p.End = QStringLiteral("2024-01-01 09:00:00");   // not the last sample's time
    QVERIFY(insertParameters(p));
    for (int r = 0; r < rows.size(); ++r)
        QVERIFY(insertParametersData({name, baseTime().addSecs(r), rows.at(r)}));
}

QTreeWidgetItem *projectItem(VerificationReport &page, const QString &name)
{
    QTreeWidget *tree = page.findChild<QTreeWidget *>("treeWidget_Device");
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0).endsWith("  " + name))
            return tree->topLevelItem(i);
    }
    return nullptr;
}

// Clicks the check box of an item.
void check(VerificationReport &page, QTreeWidgetItem *item, Qt::CheckState state)
{
    item->setCheckState(0, state);
    page.treeItemChanged(item, 0);
}

// Checks the project and double-clicks it: the page loads it.
void load(VerificationReport &page, const QString &name)
{
    check(page, projectItem(page, name), Qt::Checked);
    page.treeDoubleChanged(nullptr, 0);
}

void trigger(VerificationReport &page, const QString &text)
{
    for (QAction *a : page.findChildren<QAction *>()) {
        if (a->text() == text)
            page.onGrpMenuTriggered(a);
    }
}

// The export dialog's choices.
void choose(QDialog *d, const QString &format, const QString &path, const QString &interval,
            const QString &remark)
{
    d->findChild<QComboBox *>("comboBox_Format")->setCurrentText(format);
    d->findChild<QLineEdit *>("lineEdit_Route")->setText(path);
    d->findChild<QLineEdit *>("lineEdit_Interval")->setText(interval);
    d->findChild<QLineEdit *>("lineEdit_TimeRemarks1")->setText(remark);
}

// The choices (and the analyses' boxes named), then OK; then leaves the waiting box of the run alone.
void runExport(ModalAnswers &modal, const QString &format, const QString &path,
               const QString &interval, const QStringList &analyses = {})
{
    modal.steps.clear();
    modal.steps << [=](QDialog *d) {
        choose(d, format, path, interval, QStringLiteral("全段"));
        for (const QString &box : analyses)
            d->findChild<QCheckBox *>(box)->setChecked(true);
        QMetaObject::invokeMethod(d, "pt_OK_clicked");
    } << [](QDialog *) {};
}

} // namespace

class TestReportPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listAndChecks();
    void loadIntoChart();
    void deleteAsks();
    void simpleExport();
    void reportRuns();
    void missingValues();
    void dialogChecks_data();
    void dialogChecks();
    void segmentChain();
    void routeGetsTheFormatsSuffix();

private:
    QTemporaryDir dir;
    QString db;
    SystemSettings settings;
};

void TestReportPage::initTestCase()
{
    db = TestDb::openFreshDefault(dir.path());
    QVERIFY(!db.isEmpty());
    settings.dataAccuracy = 3;
    QList<QStringList> alpha;
    for (int r = 0; r < 10; ++r)
        alpha << QStringList{QString::number(20 + r), QString::number(30 + r), "1.5"};
    alpha[2][1] = "";                  // missing values of channel 2
    alpha[3][1] = "abc";
    alpha[4] = QStringList{"99", "99"};   // a short row
    store("alpha", {"℃", "℃", "V"}, alpha);
    store("Li's q", {"V", "V", "V"}, {{"1", "2", "3"}, {"4", "5", "OL"}});
    store("empty", {"℃", "℃"}, {});
}

void TestReportPage::listAndChecks()
{
    VerificationReport page;
    QTreeWidget *tree = page.findChild<QTreeWidget *>("treeWidget_Device");
    QCOMPARE(tree->topLevelItemCount(), 3);
    QVERIFY(tree->topLevelItem(0)->text(0).endsWith("empty"));   // the last stored comes first
    QCOMPARE(tree->topLevelItem(2)->childCount(), 3);
    page.findChild<QLineEdit *>("lineEdit_Query")->setText("'");
    page.pt_Query_clicked();
    QCOMPARE(tree->topLevelItemCount(), 1);
    QVERIFY(projectItem(page, "Li's q"));
    // "_" matches itself, not any one character.
    page.findChild<QLineEdit *>("lineEdit_Query")->setText("_lpha");
    page.pt_Query_clicked();
    QCOMPARE(tree->topLevelItemCount(), 0);

    page.findChild<QLineEdit *>("lineEdit_Query")->clear();
    page.pt_Query_clicked();
    QTreeWidgetItem *alpha = projectItem(page, "alpha");
    QTreeWidgetItem *quote = projectItem(page, "Li's q");
    check(page, alpha->child(1), Qt::Checked);
    QCOMPARE(alpha->checkState(0), Qt::PartiallyChecked);
    check(page, quote, Qt::Checked);
    QCOMPARE(alpha->checkState(0), Qt::Unchecked);
    QCOMPARE(alpha->child(1)->checkState(0), Qt::Unchecked);
    QCOMPARE(quote->child(2)->checkState(0), Qt::Checked);
}

void TestReportPage::loadIntoChart()
{
    VerificationReport page;
    page.setSettings(&settings);
    ModalAnswers modal;
    load(page, "alpha");
    // End follows the last stored sample, in the database and the information text.
    QCOMPARE(TestDb::Sqlite3File{db}.cell("select End from Parameters where Name = 'alpha'"),
             QStringLiteral("2024-01-01 10:00:09"));
    QVERIFY(page.findChild<QPlainTextEdit *>("plainTextEdit_Data")
                ->toPlainText()
                .contains("数据采集终止时间：2024-01-01 10:00:09"));
    // Channel 2: the short row is left out, the two missing values neither drawn nor counted.
    ChartView *chart = page.chartView();
    const ChannelFigures f = chart->channelFiguresAt(1);
    QCOMPARE(f.min, 30.0);
    QCOMPARE(f.max, 39.0);
    QCOMPARE(f.average, (30 + 31 + 35 + 36 + 37 + 38 + 39) / 7.0);
    QVERIFY(!page.findChild<QLineEdit *>("lineEdit_RightRange1")->isHidden());
    QCOMPARE(page.findChild<QLineEdit *>("lineEdit_LeftRange1")->text(), QStringLiteral("19.00"));
    QCOMPARE(page.findChild<QLineEdit *>("lineEdit_RightRange2")->text(), QStringLiteral("2.50"));
    QCOMPARE(page.exportOptions().rightChannelCount, 1);

    // A project without samples leaves the chart and the report with the loaded one.
    load(page, "empty");
    QCOMPARE(modal.messages, QStringList({"当前项目没有采集的数据!"}));
    QCOMPARE(page.loadedProject().Name, QStringLiteral("alpha"));
    QCOMPARE(page.loadedSamples().rowCount(), 9);

    // One unit: the right-axis edits hidden, showing -1.00 to 1.00.
    load(page, "Li's q");
    QVERIFY(page.findChild<QLineEdit *>("lineEdit_RightRange1")->isHidden());
    QCOMPARE(page.findChild<QLineEdit *>("lineEdit_RightRange1")->text(), QStringLiteral("-1.00"));
    QCOMPARE(page.findChild<QLineEdit *>("lineEdit_RightRange2")->text(), QStringLiteral("1.00"));
}

void TestReportPage::deleteAsks()
{
    TestDb::Sqlite3File file{db};
    store("doomed", {"℃"}, {{"1"}});
    VerificationReport page;
    ModalAnswers modal;
    trigger(page, "删除项目");
    check(page, projectItem(page, "doomed"), Qt::Checked);
    modal.answers << QMessageBox::No;
    trigger(page, "删除项目");
    QCOMPARE(file.cell("select count(*) from Parameters where Name = 'doomed'"), QStringLiteral("1"));
    modal.answers << QMessageBox::Yes;
    trigger(page, "删除项目");
    QCOMPARE(modal.messages, QStringList({"请先选择需要删除的项目!", "是否删除doomed?",
                                          "是否删除doomed?"}));
    QCOMPARE(file.cell("select count(*) from Parameters where Name = 'doomed'"), QStringLiteral("0"));
    QCOMPARE(file.cell("select count(*) from ParametersData where Name = 'doomed'"),
             QStringLiteral("0"));
    QVERIFY(!projectItem(page, "doomed"));
}

void TestReportPage::simpleExport()
{
    VerificationReport page;
    page.setSettings(&settings);
    ModalAnswers modal;
    QTreeWidgetItem *quote = projectItem(page, "Li's q");
    check(page, quote, Qt::Checked);
    check(page, quote->child(1), Qt::Unchecked);
    const QString path = dir.filePath("simple 12.07");   // the workbook suffix is added
    modal.steps << ModalAnswers::chooseFile(path) << [](QDialog *) {};   // the waiting box
    trigger(page, "简单导出");
    QTRY_COMPARE_WITH_TIMEOUT(modal.messages, QStringList({"报表生成成功!"}), 20000);
    QTRY_VERIFY(page.isNotRunning());
    const QJsonObject book = readWorkbook(path + ".xlsx");
    QCOMPARE(cell(book, "Sheet1", "B1")[0].toString(), QStringLiteral("1-101(V)"));
    QCOMPARE(cell(book, "Sheet1", "C1")[0].toString(), QStringLiteral("1-103(V)"));
    QCOMPARE(cell(book, "Sheet1", "A3")[0].toString(), QStringLiteral("2024-01-01 10:00:01.000"));
    QCOMPARE(cell(book, "Sheet1", "C2"), QJsonArray({3, "n", "Calibri", 11, QJsonValue(), "0.000"}));
    QVERIFY(cell(book, "Sheet1", "C3").isEmpty());   // "OL" is no number: an empty cell
    QVERIFY(cell(book, "Sheet1", "D2").isEmpty());
}

void TestReportPage::reportRuns()
{
    VerificationReport page;
    page.setSettings(&settings);
    ModalAnswers modal;
    load(page, "alpha");
    // A later load that finds no samples changes neither the chart nor the report.
    load(page, "empty");
    auto *button = page.findChild<QToolButton *>("toolButton_CalibrationReport");
    QVERIFY(button->isEnabled());

    const QString pdf = dir.filePath("run.pdf");
    runExport(modal, "PDF", pdf, "2");
    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(modal.messages.value(1), QStringLiteral("报表生成成功!"), 20000);
    QTRY_VERIFY(page.isNotRunning());
    // Rows 0, 2, 4, ... of the 9 kept: 5 rows, one table page.
    QCOMPARE(ReportTest::pdfPages(pdf), 3);
    QVERIFY(pdfPage(pdf, 1).contains("项目名称:alpha"));
    QCOMPARE(sampleTimes(pdfPage(pdf, 2)), 5);

    const QString xlsx = dir.filePath("run.xlsx");
    runExport(modal, "Excel", xlsx, "1");
    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(modal.messages.value(2), QStringLiteral("报表生成成功!"), 20000);
    QTRY_VERIFY(page.isNotRunning());
    QCOMPARE(readWorkbook(xlsx)["sheets"].toArray().size(), 2);

    // A file that cannot be written: a failure, never a success.
    runExport(modal, "PDF", dir.filePath("gone/run.pdf"), "1");
    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(modal.messages.value(3), QStringLiteral("数据异常，生成报表失败!"),
                              20000);
}

void TestReportPage::missingValues()
{
    // Values that are no finite number in the chart, a PDF and a workbook with analyses, the simple export.
    store("odd", {"℃", "℃", "V"},
          {{"10", "nan", "1e308"}, {"12", "20", "5"}, {"abc", "inf", "-1e308"}, {"11", "22", "7"}});
    // A row whose time does not parse is left out.
    QVERIFY(QSqlQuery().exec("insert into ParametersData values ('odd', '2024-01-01 10:00:04', '99,99,99')"));
    VerificationReport page;
    page.setSettings(&settings);
    ModalAnswers modal;
    page.show();   // legend markers are visible only on screen
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    load(page, "odd");
    QCoreApplication::processEvents();   // the chart lays its legend out
    QCOMPARE(page.loadedSamples().rowCount(), 4);
    QCOMPARE(page.findChild<QLineEdit *>("lineEdit_LeftRange1")->text(), QStringLiteral("9.00"));
    QCOMPARE(page.findChild<QLineEdit *>("lineEdit_LeftRange2")->text(), QStringLiteral("23.00"));
    // 10, 12, "abc", 11: two lines, the lone value a dot with the tool tip, one legend entry.
    ChartView *chart = page.chartView();
    const auto at = [](int r, double v) { return QPointF(double(baseTime().addSecs(r).toMSecsSinceEpoch()), v); };
    QVector<QVector<QPointF>> lines = linesOf(*chart, 0);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], (QVector<QPointF>{at(0, 10), at(1, 12)}));
    QCOMPARE(lines[1], QVector<QPointF>{at(3, 11)});
    const QList<QtCharts::QAbstractSeries *> curves = chart->chart()->series();
    const QPointF dot = chart->chart()->mapToPosition(at(3, 11), curves.first());
    const QPoint pointer = chart->mapFromScene(chart->chart()->mapToScene(dot));
    QMouseEvent move(QEvent::MouseMove, pointer, chart->viewport()->mapToGlobal(pointer), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(chart->viewport(), &move);
    QVERIFY(!chart->findChild<QLabel *>("tipLabel")->isHidden());
    const QList<QtCharts::QLegendMarker *> markers = chart->chart()->legend()->markers();
    QCOMPARE(std::count_if(markers.begin(), markers.end(), [](auto *m) { return m->isVisible(); }), 3);
    chart->hideSeries(0);
    QVERIFY(linesOf(*chart, 0).isEmpty());
    chart->showSeries(0);
    QCOMPARE(linesOf(*chart, 0).size(), 2);
    // ±1e308: one line the toolkit can place, on a right axis of a finite span.
    lines = linesOf(*chart, 2);
    QVERIFY(lines.size() == 1 && lines[0].size() == 4);
    const auto *right = qobject_cast<QtCharts::QValueAxis *>(curves.last()->attachedAxes().value(1));
    QVERIFY(std::isfinite(right->max() - right->min()));
    // Its tick labels are numbers: the toolkit labels tick i at the minimum plus i times the span.
    // The right axis is drawn once.
    QStringList labels;
    for (QGraphicsItem *item : chart->scene()->items())
        if (auto *text = dynamic_cast<QGraphicsTextItem *>(item))
            labels << text->toPlainText();
    QVERIFY2(labels.filter(QRegularExpression("^-?\\d{10}")).size() >= 10
                 && labels.filter(QRegularExpression("nan|inf", QRegularExpression::CaseInsensitiveOption)).isEmpty(),
             qPrintable(labels.join(' ').left(2000)));
    QCOMPARE(labels.count(QStringLiteral("单位 (V)")), 1);
    const double values[] = {1e308, 5, -1e308, 7};
    for (int r = 0; r < 4; ++r) {
        QVERIFY(std::isfinite(lines[0].at(r).y() - right->min()));
        QCOMPARE(qBound(right->min(), lines[0].at(r).y(), right->max()), qBound(right->min(), values[r], right->max()));
    }

    auto succeeds = [&](const std::function<void()> &start) {
        const int n = modal.messages.size();
        start();
        return QTest::qWaitFor([&] { return modal.messages.size() > n && page.isNotRunning(); }, 20000)
               && modal.messages.value(n) == QStringLiteral("报表生成成功!");
    };
    const QStringList analyses{"checkBox_Vertically1", "checkBox_Horizontally1", "checkBox_Horizontally2"};
    auto *button = page.findChild<QToolButton *>("toolButton_CalibrationReport");
    const QString pdf = dir.filePath("odd.pdf"), xlsx = dir.filePath("odd.xlsx");
    QVERIFY(succeeds([&] { runExport(modal, "PDF", pdf, "1", analyses); button->click(); }));
    QCOMPARE(ReportTest::pdfPages(pdf), 6);
    QVERIFY(!run("pdftotext", {pdf, "-"}).contains(QRegularExpression("\\b(nan|inf)", QRegularExpression::CaseInsensitiveOption)));
    QVERIFY(succeeds([&] { runExport(modal, "Excel", xlsx, "1", analyses); button->click(); }));
    const QJsonObject book = readWorkbook(xlsx);
    QCOMPARE(book["sheets"].toArray().size(), 5);
    QVERIFY(cell(book, "工作数据表", "C4")[0].toString().isEmpty() && cell(book, "工作数据表", "B6")[0].toString().isEmpty());
    QCOMPARE(cell(book, "温度竖向分析表", "D11")[0].toString(), QStringLiteral("21.000"));   // of 20 and 22
    QVERIFY(cell(book, "温度横向分析表", "F6")[0].toString().isEmpty());   // a row of no left value
    modal.steps.clear();
    modal.steps << ModalAnswers::chooseFile(dir.filePath("odd-simple.xlsx")) << [](QDialog *) {};
    QVERIFY(succeeds([&] { trigger(page, "简单导出"); }));
    const QJsonObject simple = readWorkbook(dir.filePath("odd-simple.xlsx"));
    QCOMPARE(cell(simple, "Sheet1", "D2")[0].toDouble(), 1e308);
    QVERIFY(cell(simple, "Sheet1", "C2").isEmpty() && cell(simple, "Sheet1", "C4").isEmpty());   // nan, inf
}

void TestReportPage::dialogChecks_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("startShift");   // seconds against the acquisition start / end
    QTest::addColumn<int>("endShift");
    QTest::addColumn<QString>("remark");
    QTest::addColumn<QString>("scan");
    QTest::addColumn<QString>("print");
    QTest::addColumn<QString>("message");   // empty: accepted
    QTest::newRow("old workbook suffix") << "Excel" << "/r.xls" << 0 << 0 << "a" << "1" << "1"
                                         << "路径设置错误!";
    QTest::newRow("no remark") << "PDF" << "/r.pdf" << 0 << 0 << "" << "1" << "1"
                               << "备注信息不能为空!";
    QTest::newRow("before the start") << "PDF" << "/r.pdf" << -1 << 0 << "a" << "1" << "1"
                                      << "开始时间小于开始采集时间!";
    QTest::newRow("after the end") << "PDF" << "/r.pdf" << 0 << 1 << "a" << "1" << "1"
                                   << "结束时间大于结束采集时间!";
    QTest::newRow("backwards") << "PDF" << "/r.pdf" << 0 << -4000 << "a" << "1" << "1"
                               << "分段时间错误!";
    QTest::newRow("2.5 over 1") << "Excel" << "/r.xlsx" << 0 << 0 << "a" << "1" << "2.5"
                                << "采集间隔设置错误!";
    QTest::newRow("0.5 over 1") << "PDF" << "/r.pdf" << 0 << 0 << "a" << "1" << "0.5"
                                << "采集间隔设置错误!";
    QTest::newRow("0.3 over 0.1") << "Excel" << "/r.xlsx" << 0 << 0 << "a" << "0.1" << "0.3"
                                  << "";
}

void TestReportPage::dialogChecks()
{
    QFETCH(QString, format);
    QFETCH(QString, path);
    QFETCH(int, startShift);
    QFETCH(int, endShift);
    QFETCH(QString, remark);
    QFETCH(QString, scan);
    QFETCH(QString, print);
    QFETCH(QString, message);
    ReportExportOptions options;
    options.scanInterval = scan;
    options.segmentCount = "1";
    options.rangeStart = baseTime();
    options.rangeEnd = baseTime().addSecs(3600);
    options.leftUnit = "℃";
    options.leftChannelCount = 2;
    VerificationReportExport dialog;
    dialog.setOptions(&options);
    ModalAnswers modal;
    choose(&dialog, format, path, print, remark);
    dialog.findChild<QDateTimeEdit *>("dateTimeEdit_StartTime1")
        ->setDateTime(baseTime().addSecs(startShift));
    dialog.findChild<QDateTimeEdit *>("dateTimeEdit_EndTime1")
        ->setDateTime(baseTime().addSecs(3600 + endShift));
    dialog.pt_OK_clicked();
    QCOMPARE(modal.messages.value(0), message);
    QCOMPARE(dialog.result() == QDialog::Accepted, message.isEmpty());
    QCOMPARE(options.outputPath.isEmpty(), !message.isEmpty());
}

void TestReportPage::routeGetsTheFormatsSuffix()
{
    ReportExportOptions options;
    options.scanInterval = "1";
    options.segmentCount = "1";
    VerificationReportExport dialog;
    dialog.setOptions(&options);
    dialog.findChild<QComboBox *>("comboBox_Format")->setCurrentText("Excel");
    ModalAnswers modal;
    // A name that does not end with the format's suffix gets it, so that "确定" takes it.
    for (const QString &name : {"book", "run 12.07", "book.xlsx"}) {
        modal.steps << ModalAnswers::chooseFile(dir.filePath(name));
        dialog.findChild<QPushButton *>("pushButton_Route")->click();
        QCOMPARE(dialog.findChild<QLineEdit *>("lineEdit_Route")->text(), dir.filePath(name.endsWith(".xlsx") ? name : name + ".xlsx"));
    }
}

void TestReportPage::segmentChain()
{
    ReportExportOptions options;
    options.scanInterval = "1";
    options.segmentCount = "1";
    options.rangeStart = baseTime();
    options.rangeEnd = baseTime().addSecs(600);
    options.leftUnit = "℃";
    options.leftChannelCount = 1;
    VerificationReportExport dialog;
    dialog.setOptions(&options);
    const QDateTime t = baseTime().addSecs(60);
    dialog.findChild<QDateTimeEdit *>("dateTimeEdit_EndTime2")->setDateTime(t);
    QCOMPARE(dialog.findChild<QDateTimeEdit *>("dateTimeEdit_StartTime3")->dateTime(), t);
    dialog.findChild<QDateTimeEdit *>("dateTimeEdit_EndTime6")->setDateTime(t);
    QCOMPARE(dialog.findChild<QDateTimeEdit *>("dateTimeEdit_StartTime6")->dateTime(), baseTime());
    // Right unit absent: its boxes hidden; one channel on the left: no horizontal analysis.
    QVERIFY(dialog.findChild<QCheckBox *>("checkBox_Vertically2")->isHidden());
    QVERIFY(!dialog.findChild<QCheckBox *>("checkBox_Vertically1")->isEnabled());
}

QTEST_MAIN(TestReportPage)
#include "test_report_page.moc"
