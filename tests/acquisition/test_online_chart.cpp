// The live tab of a project: the data table and its marks, the channel list, the limit alarms
// written to the alarm log, and the alarm mail (one per interval, one thread at a time).

#include <QDir>
#include <QPushButton>
#include <QSemaphore>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QValueAxis>
#include <QtCharts/QXYSeries>
#include <QtTest>

#include <atomic>
#include <mutex>

#include "ChartView.h"
#include "ParametersChart.h"
#include "ParametersOnLine.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

ChannelRow channel(int device, const QString &label, const QString &unit)
{
    ChannelRow row;
    row.deviceIndex = device;
    row.labelName = label;
    row.channelName = label;
    row.unit = unit;
    return row;
}

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);

// The marks of one table row: 'r' red, 'g' green, '.' neither, one letter per channel.
QString marks(QTableWidget *table, int row)
{
    QString out;
    for (int c = 1; c < table->columnCount(); ++c) {
        const QColor color = table->item(row, c)->foreground().color();
        out += color == red ? QLatin1Char('r') : color == green ? QLatin1Char('g') : QLatin1Char('.');
    }
    return out;
}

QStringList cellTexts(QTableWidget *table, int row, int count)
{
    QStringList texts;
    for (int c = 1; c <= count; ++c)
        texts.append(table->item(row, c) ? table->item(row, c)->text() : QStringLiteral("<none>"));
    return texts;
}

// A working folder with its own database for the alarm log.
struct Folder
{
    Folder()
    {
        oldCwd = QDir::currentPath();
        QDir::setCurrent(dir.path());
        db = TestDb::openFreshDefault(dir.path());
    }
    ~Folder()
    {
        ParametersChart::setMailSender({});
        TestDb::closeDefault();
        QDir::setCurrent(oldCwd);
    }
    QTemporaryDir dir;
    QString oldCwd;
    QString db;
};

} // namespace

class TestOnlineChart : public QObject
{
    Q_OBJECT
private slots:
    void alarmText_data();
    void alarmText();
    void unitKinds_data();
    void unitKinds();
    void tableMarks_data();
    void tableMarks();
    void tableKeepsTheNewest1200Rows();
    void channelList();
    void hiddenTabKeepsItsCurvesOutOfTheChart();
    void refreshModes_data();
    void refreshModes();
    void alarmsAreLoggedAndMailedOncePerInterval();
    void oneMailThreadAtATime();
    void storedAddressesCheckedBeforeMailing_data();
    void storedAddressesCheckedBeforeMailing();
    void runWithMissingValues();
};

void TestOnlineChart::alarmText_data()
{
    QTest::addColumn<bool>("lowerOn");
    QTest::addColumn<QString>("lower");
    QTest::addColumn<bool>("upperOn");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    QTest::newRow("below lower") << true << "10" << false << "0" << 9.5 << "下限报警"
                                 << "2-A1234-2-CH3低于下限:9.50";
    QTest::newRow("equal to lower") << true << "10" << false << "0" << 10.0 << "" << "";
    QTest::newRow("lower off") << false << "10" << false << "0" << 9.5 << "" << "";
    QTest::newRow("above upper") << false << "0" << true << "30" << 30.456 << "上限报警"
                                 << "2-A1234-2-CH3高于上限:30.46";
    QTest::newRow("equal to upper") << false << "0" << true << "30" << 30.0 << "" << "";
    QTest::newRow("both, upper wins") << true << "50" << true << "30" << 40.0 << "上限报警"
                                      << "2-A1234-2-CH3高于上限:40.00";
    QTest::newRow("limit not a number is 0") << true << "abc" << false << "0" << -0.5
                                             << "下限报警" << "2-A1234-2-CH3低于下限:-0.50";
    // A missing value (not a finite number) raises no alarm.
    for (double missing : {qQNaN(), qInf(), -qInf()})
        QTest::addRow("missing %g", missing) << true << "10" << true << "30" << missing << "" << "";
}

void TestOnlineChart::alarmText()
{
    QFETCH(bool, lowerOn);
    QFETCH(QString, lower);
    QFETCH(bool, upperOn);
    QFETCH(QString, upper);
    QFETCH(double, value);
    QFETCH(QString, type);
    QFETCH(QString, text);
    ChannelRow row = channel(1, QStringLiteral("2-CH3"), QStringLiteral("℃"));
    row.lowerAlarmEnable = lowerOn;
    row.lowerAlarm = lower;
    row.upperAlarmEnable = upperOn;
    row.upperAlarm = upper;
    AcquisitionDeviceRecord device;
    device.number = 2;
    device.serialNumber = QStringLiteral("A1234");
    QString gotType = QStringLiteral("unset");
    QCOMPARE(ParametersChart::alarmText(row, device, value, &gotType), text);
    QCOMPARE(gotType, type);
}

void TestOnlineChart::unitKinds_data()
{
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QStringList>("kinds");
    QTest::newRow("one") << QStringList{"℃", "℃"} << QStringList{"℃", ""};
    QTest::newRow("temperature first") << QStringList{"V", "℃", "V"} << QStringList{"℃", "V"};
    QTest::newRow("fahrenheit first") << QStringList{"Ω", "℉"} << QStringList{"℉", "Ω"};
    QTest::newRow("no temperature: as they come") << QStringList{"V", "Ω"} << QStringList{"V", "Ω"};
}

void TestOnlineChart::unitKinds()
{
    QFETCH(QStringList, units);
    QFETCH(QStringList, kinds);
    QList<ChannelRow> rows;
    for (const QString &unit : units)
        rows.append(channel(0, QStringLiteral("x"), unit));
    QCOMPARE(ParametersChart::unitKindsOf(rows), kinds);
}

void TestOnlineChart::tableMarks_data()
{
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one unit, first wins a tie")
        << QStringList{"℃", "℃", "℃", "℃"} << QList<double>{3, 1, 3, 2} << "rg..";
    QTest::newRow("two units, a pair each")
        << QStringList{"℃", "V", "℃", "V"} << QList<double>{5, 1, 6, 2} << "ggrr";
    QTest::newRow("voltage first in the list, temperature on the left")
        << QStringList{"V", "℃", "℃"} << QList<double>{7, 2, 4} << "ggr";
    QTest::newRow("one channel ends green") << QStringList{"℃"} << QList<double>{1} << "g";
}

void TestOnlineChart::tableMarks()
{
    QFETCH(QStringList, units);
    QFETCH(QList<double>, values);
    QFETCH(QString, expected);
    Folder folder;
    SystemSettings settings;
    settings.dataAccuracy = 1;
    QList<ChannelRow> rows;
    for (int k = 0; k < units.size(); ++k)
        rows.append(channel(0, QStringLiteral("1-T%1").arg(k + 1), units.at(k)));
    ParametersChart tab;
    tab.setup(&settings, rows);
    tab.appendSamples(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 12)), values);
    auto *table = tab.findChild<QTableWidget *>(QStringLiteral("tableWidget_Data"));
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("2024-05-06 07:08:09.012"));
    QCOMPARE(table->item(0, 1)->text(), QString::number(values.at(0), 'f', 1));
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("1-T1(") + units.at(0) + ")");
    QCOMPARE(marks(table, 0), expected);
}

void TestOnlineChart::tableKeepsTheNewest1200Rows()
{
    Folder folder;
    SystemSettings settings;
    ParametersChart tab;
    tab.setup(&settings, {channel(0, QStringLiteral("1-T1"), QStringLiteral("℃"))});
    const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < 1203; ++i)
        tab.appendSamples(t0.addSecs(i), {double(i)});
    auto *table = tab.findChild<QTableWidget *>(QStringLiteral("tableWidget_Data"));
    QCOMPARE(table->rowCount(), 1200);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("3"));
    QCOMPARE(table->item(1199, 1)->text(), QStringLiteral("1202"));
}

void TestOnlineChart::channelList()
{
    Folder folder;
    SystemSettings settings;
    ParametersChart tab;
    tab.setup(&settings, {channel(0, QStringLiteral("1-T1"), QStringLiteral("℃")),
                          channel(0, QStringLiteral("1-T2"), QStringLiteral("℃"))});
    tab.show();
    ChartView *chart = tab.chart();
    auto *list = tab.findChild<QTableWidget *>(QStringLiteral("tableWidget_Chart"));
    auto *all = tab.findChild<QPushButton *>(QStringLiteral("pushButton_All"));
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->item(1, 2)->text(), QStringLiteral("1-T2"));
    QVERIFY(chart->isSeriesShown(0) && chart->isSeriesShown(1));

    // Only the check-box column toggles.
    tab.pt_Chart_clicked(1, 2);
    tab.pt_Chart_clicked(1, 1);
    QVERIFY(chart->isSeriesShown(1));
    tab.pt_Chart_clicked(1, 0);
    QVERIFY(chart->isSeriesShown(0));
    QVERIFY(!chart->isSeriesShown(1));

    // The select-all button names what its click does; its first click shows all.
    QCOMPARE(all->text(), QStringLiteral("全选"));
    all->click();
    QCOMPARE(all->text(), QStringLiteral("全不选"));
    QVERIFY(chart->isSeriesShown(0) && chart->isSeriesShown(1));
    all->click();
    QCOMPARE(all->text(), QStringLiteral("全选"));
    QVERIFY(!chart->isSeriesShown(0) && !chart->isSeriesShown(1));
    tab.pt_Chart_clicked(0, 0);
    QVERIFY(chart->isSeriesShown(0));
}

void TestOnlineChart::hiddenTabKeepsItsCurvesOutOfTheChart()
{
    Folder folder;
    SystemSettings settings;
    ParametersChart tab;
    tab.setup(&settings, {channel(0, QStringLiteral("1-T1"), QStringLiteral("℃")),
                          channel(0, QStringLiteral("1-T2"), QStringLiteral("℃"))});
    tab.show();
    ChartView *chart = tab.chart();
    const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
    tab.appendSamples(t0, {1.0, 2.0});
    QVERIFY(tab.curvesAttached());
    tab.pt_Chart_clicked(1, 0);   // the operator hides curve 2

    tab.hide();
    tab.appendSamples(t0.addSecs(1), {1.5, 2.5});
    tab.appendSamples(t0.addSecs(2), {1.7, 2.7});
    QVERIFY(!tab.curvesAttached());
    QVERIFY(!chart->isSeriesShown(0));
    QVERIFY(chart->chart()->series().isEmpty());
    tab.pt_Chart_clicked(1, 0);   // shown again while the tab is away
    tab.pt_Chart_clicked(1, 0);

    tab.show();
    QVERIFY(tab.curvesAttached());
    QVERIFY(chart->isSeriesShown(0));
    QVERIFY(!chart->isSeriesShown(1));
    const QList<QtCharts::QAbstractSeries *> inChart = chart->chart()->series();
    QCOMPARE(inChart.size(), 1);
    QCOMPARE(chart->livePoints(0).size(), 3);
    QCOMPARE(chart->drawnLines(0).last().last().y(), 1.7);
}

void TestOnlineChart::refreshModes_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("followTime");
    QTest::addColumn<bool>("followValues");
    QTest::newRow("at first both") << 0 << "刷新中" << true << true;
    QTest::newRow("time only") << 1 << "X轴刷新" << true << false;
    QTest::newRow("values only") << 2 << "Y轴刷新" << false << true;
    QTest::newRow("neither") << 3 << "停止刷新" << false << false;
    QTest::newRow("round to both") << 4 << "刷新中" << true << true;
}

void TestOnlineChart::refreshModes()
{
    QFETCH(int, clicks);
    QFETCH(QString, text);
    QFETCH(bool, followTime);
    QFETCH(bool, followValues);
    Folder folder;
    SystemSettings settings;
    ParametersChart tab;
    tab.setup(&settings, {channel(0, QStringLiteral("1-T1"), QStringLiteral("℃"))});
    tab.show();
    const QDateTime t0(QDate(2024, 1, 1), QTime(0, 0));
    tab.appendSamples(t0, {20.0});
    auto *button = tab.findChild<QPushButton *>(QStringLiteral("pushButton_Renovate"));
    QVERIFY(button);
    for (int i = 0; i < clicks; ++i)
        button->click();
    QCOMPARE(button->text(), text);

    QtCharts::QChart *chart = tab.chart()->chart();
    auto *timeAxis =
        qobject_cast<QtCharts::QDateTimeAxis *>(chart->axes(Qt::Horizontal).value(0));
    QtCharts::QValueAxis *valueAxis = nullptr;
    for (QtCharts::QAbstractAxis *axis : chart->axes(Qt::Vertical))
        if (axis->alignment() == Qt::AlignLeft)
            valueAxis = qobject_cast<QtCharts::QValueAxis *>(axis);
    QVERIFY(timeAxis && valueAxis);
    const QDateTime later = t0.addSecs(60);
    QVERIFY(timeAxis->max() < later && valueAxis->max() < 1000.0);
    tab.appendSamples(later, {1000.0});
    QCOMPARE(timeAxis->max() == later, followTime);
    QCOMPARE(valueAxis->max() > 1000.0, followValues);
}

void TestOnlineChart::alarmsAreLoggedAndMailedOncePerInterval()
{
    Folder folder;
    std::mutex lock;
    QList<QStringList> mails;   // recipients, subject, body
    ParametersChart::setMailSender(
        [&](const QStringList &to, const QString &subject, const QString &body, QString *) {
            std::lock_guard<std::mutex> guard(lock);
            mails.append(QStringList{to.join(';'), subject, body});
            return true;
        });
    SystemSettings settings;
    settings.emailAutoTrigger = true;
    settings.emailInterval = 600;
    settings.emailAddresses = QStringList{"a@example.com", "b@example.com"};
    AcquisitionDeviceRecord device;
    device.number = 7;
    device.serialNumber = QStringLiteral("S9");
    settings.planDevices = {device};
    ChannelRow low = channel(0, QStringLiteral("1-T1"), QStringLiteral("℃"));
    low.lowerAlarmEnable = true;
    low.lowerAlarm = QStringLiteral("10");
    ChannelRow high = channel(0, QStringLiteral("1-T2"), QStringLiteral("℃"));
    high.upperAlarmEnable = true;
    high.upperAlarm = QStringLiteral("30");

    ParametersChart tab;
    tab.setup(&settings, {low, high});
    const QDateTime t0 = QDateTime::currentDateTime();
    for (int i = 0; i < 5; ++i)
        tab.appendSamples(t0.addSecs(i), {9.5, i < 3 ? 20.0 : 31.0});
    QVERIFY(ParametersChart::waitForMailThreads(5000));

    QCOMPARE(auditDetails(folder.db, QStringLiteral("下限报警")),
             QVector<QString>(5, QStringLiteral("7-S9-1-T1低于下限:9.50")).toList());
    QCOMPARE(auditDetails(folder.db, QStringLiteral("上限报警")),
             QVector<QString>(2, QStringLiteral("7-S9-1-T2高于上限:31.00")).toList());
    QCOMPARE(mails.size(), 1);
    QCOMPARE(mails.at(0).at(0), QStringLiteral("a@example.com;b@example.com"));
    QCOMPARE(mails.at(0).at(1), QStringLiteral("采集器报警"));
    QVERIFY2(mails.at(0).at(2).endsWith(QStringLiteral("7-S9-1-T1低于下限:9.50")),
             qPrintable(mails.at(0).at(2)));
    const QDateTime stamp = QDateTime::fromString(mails.at(0).at(2).left(19),
                                                  QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY(qAbs(stamp.secsTo(QDateTime::currentDateTime())) <= 5);

    // A second tab keeps its own interval.
    ParametersChart other;
    other.setup(&settings, {low});
    other.appendSamples(t0, {1.0});
    QVERIFY(ParametersChart::waitForMailThreads(5000));
    QCOMPARE(mails.size(), 2);
}

void TestOnlineChart::storedAddressesCheckedBeforeMailing_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("recipients");   // of the one mail; empty: no mail
    QTest::newRow("all valid") << QStringList{"a@example.com", "b.c@example.org"}
                               << "a@example.com;b.c@example.org";
    QTest::newRow("invalid one ends the list")
        << QStringList{"a@example.com", "not an address", "c@example.com"} << "a@example.com";
    QTest::newRow("line end with a command")
        << QStringList{"a@example.com\r\nRCPT TO:<x@example.net>"} << "";
    QTest::newRow("trailing line end") << QStringList{"a@example.com\n"} << "";
    QTest::newRow("empty row") << QStringList{""} << "";
}

void TestOnlineChart::storedAddressesCheckedBeforeMailing()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, recipients);
    Folder folder;
    QStringList mailed;
    ParametersChart::setMailSender([&](const QStringList &to, const QString &, const QString &, QString *) {
        mailed << to.join(';');
        return true;
    });
    SystemSettings settings;
    settings.emailAutoTrigger = true;
    settings.emailAddresses = stored;
    ChannelRow low = channel(0, QStringLiteral("1-T1"), QStringLiteral("℃"));
    low.lowerAlarmEnable = true;
    low.lowerAlarm = QStringLiteral("10");
    ParametersChart tab;
    tab.setup(&settings, {low});
    tab.appendSamples(QDateTime::currentDateTime(), {1.0});
    QVERIFY(ParametersChart::waitForMailThreads(5000));
    QCOMPARE(mailed, recipients.isEmpty() ? QStringList() : QStringList{recipients});
}

void TestOnlineChart::oneMailThreadAtATime()
{
    Folder folder;
    QSemaphore release;
    std::atomic<int> sent{0};
    ParametersChart::setMailSender([&](const QStringList &, const QString &, const QString &, QString *) {
        release.acquire();
        ++sent;
        return false;   // a failed mail is not retried either
    });
    SystemSettings settings;
    settings.emailAutoTrigger = true;
    settings.emailInterval = 0;
    settings.emailAddresses = QStringList{"a@example.com"};
    ChannelRow low = channel(0, QStringLiteral("1-T1"), QStringLiteral("℃"));
    low.lowerAlarmEnable = true;
    low.lowerAlarm = QStringLiteral("10");
    ParametersChart tab;
    tab.setup(&settings, {low});
    const QDateTime t0 = QDateTime::currentDateTime();
    for (int i = 0; i < 4; ++i)
        tab.appendSamples(t0.addSecs(i), {1.0});
    QCOMPARE(ParametersChart::runningMailThreads(), 1);
    QVERIFY(!ParametersChart::waitForMailThreads(50));
    release.release(10);
    QVERIFY(ParametersChart::waitForMailThreads(5000));
    QCOMPARE(sent.load(), 1);
    tab.appendSamples(t0.addSecs(5), {1.0});
    QVERIFY(ParametersChart::waitForMailThreads(5000));
    QCOMPARE(sent.load(), 2);
    QCOMPARE(ParametersChart::runningMailThreads(), 0);
    QCOMPARE(auditDetails(folder.db, QStringLiteral("下限报警")).size(), 5);
}

// A whole run whose second sample holds "nan", "inf", "1e308" and a number, each sample let
// through once the one before it is shown: a missing value is no cell text, mark, point,
// figure or alarm (nor mail: it is the alarm's text); the huge reading is a reading.
void TestOnlineChart::runWithMissingValues()
{
    InstantEnv env;
    BoxOperator boxes;
    env.settings.dataAccuracy = 2;
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {{"Instant:1:4", "网络", {}, {}, {0, 0, 0, 0}, {}, {}, 0.2}}, {"A"}, start,
             start.addSecs(1));   // 6 samples
    for (ChannelRow &row : env.settings.planChannels) {   // alarms below 50 and above 200
        row.lowerAlarmEnable = row.upperAlarmEnable = true;
        row.lowerAlarm = QStringLiteral("50");
        row.upperAlarm = QStringLiteral("200");
    }
    env.script->replies = {{1, {"nan", "inf", "1e308", "12.5"}}};
    env.script->fetchPermits = 1;

    auto w = std::make_unique<ParametersOnLine>();
    w->show();
    w->start(&env.settings);
    auto *tab = w->findChild<ParametersChart *>();
    auto *table = w->findChild<QTableWidget *>(QStringLiteral("tableWidget_Data"));
    auto *stats = w->findChild<QTableWidget *>(QStringLiteral("tableWidget_Statistics"));
    QVERIFY(tab && table && stats);
    for (int shown = 1; shown <= 6; ++shown) {
        QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), shown, 10000);
        ++env.script->fetchPermits;
    }
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 10000);
    env.script->fetchPermits = -1;

    const QString huge = QString::number(1e308, 'f', 2);
    QCOMPARE(cellTexts(table, 1, 4), (QStringList{"", "", huge, "12.50"}));
    QCOMPARE(marks(table, 1), QStringLiteral("..rg"));
    for (int k = 0; k < 4; ++k)
        QCOMPARE(tab->chart()->livePoints(k).size(), k < 2 ? 5 : 6);
    QCOMPARE(cellTexts(stats, 1, 5),
             (QStringList{huge, "1-T3", "12.50", "1-T4", QString::number(1e308 / 2, 'f', 2)}));
    QCOMPARE(auditDetails(env.db, QStringLiteral("上限报警")),
             QStringList{QStringLiteral("1-SN1-1-T3高于上限:") + huge});
}

QTEST_MAIN(TestOnlineChart)
#include "test_online_chart.moc"
