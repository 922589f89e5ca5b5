// The on-line run window against in-process instruments that answer at once: pacing and sample
// counts, the split of samples over projects, the recovery path, the operator's answers, the
// end of the window, and what lands in the database (read back with the sqlite3 tool).

#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>
#include <memory>

#include "ParametersOnLine.h"
#include "QWaiting.h"
#include "test_online_double.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

const QString stopText = QStringLiteral("停止");
const QString continueText = QStringLiteral("继续");
const QString endText = QStringLiteral("结束");

// The shared set-up with in-process instruments.
struct Env : InstantEnv
{
    static PlannedInstrument instrument(int n, const QList<int> &projects, double interval)
    {
        PlannedInstrument in;
        in.model = QStringLiteral("Instant:%1:%2").arg(n).arg(projects.size());
        in.signalMode = QStringLiteral("网络");
        in.address = QStringLiteral("127.0.0.1");
        in.port = QStringLiteral("1");
        in.projectOfChannel = projects;
        in.scanInterval = interval;
        return in;
    }

    // A window started on the plan, with a short recovery pause.
    ParametersOnLine *startWindow()
    {
        auto *w = new ParametersOnLine;
        w->setRecoveryPause(50);
        w->show();
        w->start(&settings);
        return w;
    }

    int sampleRows(const QString &project = QString()) const
    {
        const QString sql = project.isEmpty()
            ? QStringLiteral("select count(*) from ParametersData")
            : QStringLiteral("select count(*) from ParametersData where Name = '%1'").arg(project);
        return rows(db, sql).value(0).value(0).toInt();
    }
};

QString information(ParametersOnLine *w)
{
    return w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text();
}

} // namespace

class TestOnlineRun : public QObject
{
    Q_OBJECT
private slots:
    void sampleCount_data();
    void sampleCount();
    void intervalOfScanInterval_data();
    void intervalOfScanInterval();
    void displayInterval_data();
    void displayInterval();

    void threeProjectsOverTwoInstruments();
    void waitsForThePlannedStart();
    void stopWhileWaitingForTheStart();
    void pacing_data();
    void pacing();
    void displayShowsOnlyTheNewestSample();
    void recovery_data();
    void recovery();
    void manualReconnect();
    void stopDuringManualWait();
    void stopButton_data();
    void stopButton();
    void failedSetUp_data();
    void failedSetUp();
    void projectRowsNotStoredMeansNoRun();
    void alarmEntriesOfOneTickAllOrNone_data();
    void alarmEntriesOfOneTickAllOrNone();
    void closeRefusedWhileRunning();
    void destroyedInsideAnInstrumentCall();
    void destroyedWhileWaitingForStartKeepsOlderProject();
};

// ---- timing ----------------------------------------------------------------------------------

void TestOnlineRun::sampleCount_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<qint64>("intervalMs");
    QTest::addColumn<qint64>("expected");
    const qint64 untilStopped = std::numeric_limits<qint64>::max();
    QTest::newRow("60 s at 1 s") << qint64(60) << qint64(1000) << qint64(61);
    QTest::newRow("10 s at 3 s") << qint64(10) << qint64(3000) << qint64(5);
    QTest::newRow("1 s at 3 s") << qint64(1) << qint64(3000) << qint64(2);
    QTest::newRow("end equals start") << qint64(0) << qint64(1000) << untilStopped;
    QTest::newRow("end before start") << qint64(-5) << qint64(1000) << untilStopped;
    // Beyond 2^31 milliseconds: 30 days.
    QTest::newRow("30 days at 1 s") << qint64(30 * 86400) << qint64(1000) << qint64(2592001);
    QTest::newRow("30 days at 1 ms") << qint64(30 * 86400) << qint64(1) << qint64(2592000001LL);
    QTest::newRow("interval 0 counts as 1 ms") << qint64(2) << qint64(0) << qint64(2001);
}

void TestOnlineRun::sampleCount()
{
    QFETCH(qint64, seconds);
    QFETCH(qint64, intervalMs);
    QFETCH(qint64, expected);
    const QDateTime start(QDate(2024, 1, 1), QTime(12, 0, 0));
    QCOMPARE(ParametersOnLine::plannedSampleCount(start, start.addSecs(seconds), intervalMs),
             expected);
}

void TestOnlineRun::intervalOfScanInterval_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("1 s") << 1.0 << qint64(1000);
    QTest::newRow("0.5 s") << 0.5 << qint64(500);
    QTest::newRow("truncated") << 0.0019 << qint64(1);
    QTest::newRow("zero") << 0.0 << qint64(1);
    QTest::newRow("negative") << -3.0 << qint64(1);
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << qint64(1);
    QTest::newRow("30 days") << 2592000.0 << qint64(2592000000LL);
}

void TestOnlineRun::intervalOfScanInterval()
{
    QFETCH(double, seconds);
    QFETCH(qint64, expected);
    QCOMPARE(ParametersOnLine::intervalFromScanInterval(seconds), expected);
}

void TestOnlineRun::displayInterval_data()
{
    QTest::addColumn<qint64>("intervalMs");
    QTest::addColumn<int>("expected");
    QTest::newRow("500 ms") << qint64(500) << 1000;
    QTest::newRow("3 s") << qint64(3000) << 3000;
    QTest::newRow("30 days") << qint64(2592000000LL) << std::numeric_limits<int>::max();
}

void TestOnlineRun::displayInterval()
{
    QFETCH(qint64, intervalMs);
    QFETCH(int, expected);
    QCOMPARE(ParametersOnLine::displayInterval(intervalMs), expected);
}

// ---- runs ------------------------------------------------------------------------------------

void TestOnlineRun::threeProjectsOverTwoInstruments()
{
    Env env;
    QVERIFY(!env.db.isEmpty());
    BoxOperator boxes;
    const QDateTime start = QDateTime::currentDateTime();
    // Instrument 1: channels to projects A, B, C; instrument 2: to A and C. 1 s at 200 ms.
    fillPlan(env.settings,
             {Env::instrument(1, {0, 1, 2}, 0.2), Env::instrument(2, {0, 2}, 0.2)},
             {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, start,
             start.addSecs(1));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QCOMPARE(w->samplesPlanned(), qint64(6));
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QTRY_COMPARE(information(w.get()), QStringLiteral("采集结束。"));
    QVERIFY(boxes.seen.isEmpty());

    // Six samples, three rows each, each project with its own values in channel order.
    QCOMPARE(env.sampleRows(), 18);
    const QList<QStringList> data = rows(
        env.db, QStringLiteral("select Name, Time, Data from ParametersData order by rowid"));
    QStringList times;
    for (int i = 0; i < 6; ++i) {
        const QStringList a = data.at(3 * i), b = data.at(3 * i + 1), c = data.at(3 * i + 2);
        QCOMPARE(a.at(0), QStringLiteral("A"));
        QCOMPARE(b.at(0), QStringLiteral("B"));
        QCOMPARE(c.at(0), QStringLiteral("C"));
        QCOMPARE(a.at(1), b.at(1));
        QCOMPARE(a.at(1), c.at(1));
        const QString n = QString::number(i / 1000.0, 'f', 3).mid(1);   // ".00i"
        QCOMPARE(a.at(2), QStringLiteral("101%1,201%1").arg(n));
        QCOMPARE(b.at(2), QStringLiteral("102%1").arg(n));
        QCOMPARE(c.at(2), QStringLiteral("103%1,202%1").arg(n));
        times.append(a.at(1));
    }
    const QString sampleFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    for (int i = 1; i < times.size(); ++i) {
        const QDateTime before = QDateTime::fromString(times.at(i - 1), sampleFormat);
        const QDateTime after = QDateTime::fromString(times.at(i), sampleFormat);
        QVERIFY2(before.isValid() && after.isValid(), qPrintable(times.at(i)));
        const qint64 gap = before.msecsTo(after);
        QVERIFY2(gap >= 195 && gap < 400, qPrintable(QString::number(gap)));
    }

    // The project rows, then the actual start and end written when the window goes.
    const QList<QStringList> projects = rows(
        env.db, QStringLiteral("select Name, DeviceNumber, SerialNumber, ScanInterval, "
                               "ChannelNumber, ChannelUnit from Parameters order by rowid"));
    QCOMPARE(projects.size(), 3);
    QCOMPARE(projects.at(0), (QStringList{"A", "1,2", "SN1;SN2", "0.2", "1-101,2-101", "℃,℃"}));
    QCOMPARE(projects.at(1), (QStringList{"B", "1,2", "SN1;SN2", "0.2", "1-102", "℃"}));
    QCOMPARE(projects.at(2), (QStringList{"C", "1,2", "SN1;SN2", "0.2", "1-103,2-102", "℃,℃"}));
    w.reset();
    const QList<QStringList> times2 =
        rows(env.db, QStringLiteral("select Start, End from Parameters where Name = 'B'"));
    QCOMPARE(times2.value(0).value(1), times.last().left(19));
    const QDateTime actualStart =
        QDateTime::fromString(times2.value(0).value(0), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY(actualStart.isValid());
    QVERIFY(qAbs(actualStart.secsTo(QDateTime::fromString(times.first(), sampleFormat))) <= 1);
}

void TestOnlineRun::waitsForThePlannedStart()
{
    Env env;
    BoxOperator boxes;
    const QDateTime start = QDateTime::currentDateTime().addSecs(2);
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.2)}, {QStringLiteral("P")}, start,
             start.addSecs(1));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE(information(w.get()), QStringLiteral("开始等待中..."));
    QTest::qWait(300);
    QCOMPARE(env.script->fetches.load(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    const QList<QStringList> data =
        rows(env.db, QStringLiteral("select Time from ParametersData order by rowid"));
    QCOMPARE(data.size(), 6);
    const QDateTime first = QDateTime::fromString(data.first().first(),
                                                  QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    const QDateTime planned =
        QDateTime::fromString(env.settings.planStart, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY2(first > planned && first < planned.addMSecs(500), qPrintable(data.first().first()));
}

void TestOnlineRun::stopWhileWaitingForTheStart()
{
    Env env;
    BoxOperator boxes;
    boxes.answer(QStringLiteral("是否停止数据采集？"), QStringLiteral("确定"));
    const QDateTime start = QDateTime::currentDateTime().addSecs(3600);
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.1)}, {QStringLiteral("P")}, start,
             start.addSecs(60));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE(information(w.get()), QStringLiteral("开始等待中..."));
    // The set-up is done: its waiting box is gone, so the run button can be pressed.
    QTRY_VERIFY(!w->findChild<QWaiting *>());
    QCOMPARE(env.script->configures.load(), 1);
    QCOMPARE(w->runState(), stopText);
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 3000);
    QCOMPARE(boxes.seen, (QStringList{QStringLiteral("是否停止数据采集？"),
                                      QStringLiteral("手动停止采集！")}));
    QCOMPARE(env.script->fetches.load(), 0);
    w.reset();
    QCOMPARE(rows(env.db, QStringLiteral("select count(*) from Parameters")).value(0).value(0),
             QStringLiteral("0"));
    QCOMPARE(env.sampleRows(), 0);
}

void TestOnlineRun::pacing_data()
{
    QTest::addColumn<int>("readMs");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("minGap");
    QTest::addColumn<int>("maxMedianLateness");
    // Quick reads: sample i is taken at the start plus i intervals (from where a stall of the
    // loaded machine made the run miss a whole interval and restart its schedule); the poll
    // steps never add up.
    QTest::newRow("quick reads keep the schedule") << 0 << 200 << 10 << 3;
    // Reads slower than the interval set the period, without bursts to catch up.
    QTest::newRow("slow reads set the period") << 50 << 5 << 45 << 1000000;
}

void TestOnlineRun::pacing()
{
    QFETCH(int, readMs);
    QFETCH(int, samples);
    QFETCH(int, minGap);
    QFETCH(int, maxMedianLateness);
    Env env;
    BoxOperator boxes;
    env.script->fetchDelayMs = readMs;
    const QDateTime start = QDateTime::currentDateTime();
    // 20 ms interval; 4 s plan: 201 samples.
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.02)}, {QStringLiteral("P")}, start,
             start.addSecs(4));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_VERIFY_WITH_TIMEOUT(env.sampleRows() >= samples, 20000);
    w->requestStop();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 5000);
    const QList<QStringList> data =
        rows(env.db, QStringLiteral("select Time from ParametersData order by rowid"));
    QList<qint64> lateness;
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz");
    QDateTime t0 = QDateTime::fromString(data.first().first(), format);
    int i0 = 0;
    QStringList shortGaps;
    for (int i = 0; i < samples; ++i) {
        const QDateTime t = QDateTime::fromString(data.at(i).first(), format);
        lateness.append(t0.msecsTo(t) - qint64(i - i0) * 20);
        if (lateness.last() >= 20) {   // a whole interval missed: the schedule starts again
            t0 = t;
            i0 = i;
            lateness.last() = 0;
        }
        if (i > 0) {
            const qint64 gap = QDateTime::fromString(data.at(i - 1).first(), format).msecsTo(t);
            if (gap < minGap)
                shortGaps.append(QStringLiteral("sample %1 after %2 ms").arg(i).arg(gap));
        }
    }
    // A sample made late by a stall of the loaded machine (or of the disk) is followed at once
    // by the next; bursts that catch up missed samples are not.
    QVERIFY2(shortGaps.size() <= samples / 50, qPrintable(shortGaps.join(QStringLiteral("; "))));
    std::sort(lateness.begin(), lateness.end());
    QVERIFY2(lateness.at(lateness.size() / 2) <= maxMedianLateness,
             qPrintable(QString::number(lateness.at(lateness.size() / 2))));
}

void TestOnlineRun::displayShowsOnlyTheNewestSample()
{
    Env env;
    BoxOperator boxes;
    const QDateTime start = QDateTime::currentDateTime();
    // 0.25 s samples, shown by a 1000 ms display timer.
    fillPlan(env.settings, {Env::instrument(1, {0, 0}, 0.25)}, {QStringLiteral("P")}, start,
             start.addSecs(3));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QTest::qWait(1200);   // the last tick shows the last sample
    QCOMPARE(env.sampleRows(), 13);
    auto *table = w->findChild<QTableWidget *>(QStringLiteral("tableWidget_Data"));
    QVERIFY(table);
    QVERIFY2(table->rowCount() >= 2 && table->rowCount() <= 5,
             qPrintable(QString::number(table->rowCount())));
    const QString lastShown = table->item(table->rowCount() - 1, 0)->text();
    const QString lastStored = rows(env.db, QStringLiteral("select Time from ParametersData "
                                                           "order by rowid desc limit 1"))
                                   .value(0)
                                   .value(0);
    QCOMPARE(lastShown, lastStored);
    QCOMPARE(table->item(table->rowCount() - 1, 2)->text(), QStringLiteral("102"));
}

void TestOnlineRun::recovery_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("shortLists");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("one failed read") << 1 << 0 << QStringList{"数据获取失败。"};
    QTest::newRow("one short value list") << 0 << 1 << QStringList{"数据获取失败。"};
    QTest::newRow("retry fails too")
        << 2 << 0 << QStringList{"数据获取失败。", "设备重新连接。", "设备连接成功。"};
    QTest::newRow("two short lists")
        << 0 << 2 << QStringList{"数据获取失败。", "设备重新连接。", "设备连接成功。"};
}

void TestOnlineRun::recovery()
{
    QFETCH(int, failures);
    QFETCH(int, shortLists);
    QFETCH(QStringList, log);
    Env env;
    BoxOperator boxes;
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0, 0, 0}, 0.1), Env::instrument(2, {0}, 0.1)},
             {QStringLiteral("P")}, start, start.addSecs(1));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_VERIFY(env.sampleRows() >= 3);
    const int opensBefore = env.script->opens;
    env.script->failFetches = failures;
    env.script->shortLists = shortLists;
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);

    QCOMPARE(auditDetails(env.db, QStringLiteral("通讯异常")), log);
    // A reopen opens every instrument once more.
    QCOMPARE(env.script->opens - opensBefore, log.size() > 1 ? 2 : 0);
    // Every planned sample stored once, each with four values of the right instruments.
    const QList<QStringList> data =
        rows(env.db, QStringLiteral("select Time, Data from ParametersData order by rowid"));
    QCOMPARE(data.size(), 11);
    QSet<QString> times;
    for (const QStringList &row : data) {
        times.insert(row.at(0));
        const QStringList values = row.at(1).split(QLatin1Char(','));
        QCOMPARE(values.size(), 4);
        QVERIFY2(values.at(0).startsWith("101.") && values.at(2).startsWith("103.")
                     && values.at(3).startsWith("201."),
                 qPrintable(row.at(1)));
    }
    QCOMPARE(times.size(), 11);
}

void TestOnlineRun::manualReconnect()
{
    Env env;
    BoxOperator boxes;
    boxes.answer(QStringLiteral("是否终止项目？"), continueText);
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0, 0}, 0.1)}, {QStringLiteral("P")}, start,
             start.addSecs(1));
    env.settings.devices = env.settings.planDevices;   // it passed its test
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_VERIFY(env.sampleRows() >= 2);
    QVERIFY(information(w.get()).endsWith(QStringLiteral(" 采集中...")));
    env.script->linkDown = true;
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), continueText, 5000);
    QTRY_VERIFY(boxes.seen.contains(QStringLiteral("通讯异常，请设备关机重试！")));
    // The information line tells the state, and the instrument is not shown as connected.
    QCOMPARE(information(w.get()), QStringLiteral("进入手动重连模式！"));
    QVERIFY(env.settings.devices.isEmpty());
    const int configuresBefore = env.script->configures;
    const int stored = env.sampleRows();
    QTest::qWait(300);   // the worker waits for the operator: nothing is read meanwhile
    QCOMPARE(env.sampleRows(), stored);

    // The operator's "继续" while the link is still down: back to the manual mode.
    const int boxesBefore = boxes.seen.count(QStringLiteral("通讯异常，请设备关机重试！"));
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QTRY_COMPARE(boxes.seen.count(QStringLiteral("通讯异常，请设备关机重试！")), boxesBefore + 1);

    env.script->linkDown = false;
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    // The reopen set the instrument up again; it is listed as connected again.
    QCOMPARE(env.script->configures - configuresBefore, 1);
    QCOMPARE(env.settings.devices.size(), 1);
    QCOMPARE(auditDetails(env.db, QStringLiteral("通讯异常")),
             (QStringList{"数据获取失败。", "设备重新连接。", "进入手动重连模式！",
                          "进入手动重连模式！", "手动重连成功！"}));
    QCOMPARE(information(w.get()), QStringLiteral("采集结束。"));
    const QList<QStringList> data =
        rows(env.db, QStringLiteral("select distinct Time from ParametersData"));
    QCOMPARE(data.size(), 11);
    QCOMPARE(env.sampleRows(), 11);
}

void TestOnlineRun::stopDuringManualWait()
{
    Env env;
    BoxOperator boxes;
    boxes.answer(QStringLiteral("是否终止项目？"), QStringLiteral("终止"));
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.1)}, {QStringLiteral("P")}, start,
             start.addSecs(60));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_VERIFY(env.sampleRows() >= 1);
    env.script->linkDown = true;
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), continueText, 5000);
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 5000);
    QCOMPARE(information(w.get()), QStringLiteral("提前终止采集。"));
    QTRY_VERIFY(!w->isWorkerRunning());
}

void TestOnlineRun::stopButton_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("stops");
    QTest::newRow("cancel") << QStringLiteral("取消") << false;
    QTest::newRow("confirm") << QStringLiteral("确定") << true;
}

void TestOnlineRun::stopButton()
{
    QFETCH(QString, answer);
    QFETCH(bool, stops);
    Env env;
    BoxOperator boxes;
    boxes.answer(QStringLiteral("是否停止数据采集？"), answer);
    const QDateTime start = QDateTime::currentDateTime();
    // Until the operator stops: an end that is not after the start.
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.1)}, {QStringLiteral("P")}, start, start);
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QCOMPARE(w->samplesPlanned(), std::numeric_limits<qint64>::max());
    QTRY_VERIFY(env.sampleRows() >= 2);
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QTRY_VERIFY(boxes.seen.contains(QStringLiteral("是否停止数据采集？")));
    if (stops) {
        QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 2000);
        QCOMPARE(information(w.get()), QStringLiteral("提前终止采集。"));
        const int stored = env.sampleRows();
        QTest::qWait(300);
        QCOMPARE(env.sampleRows(), stored);
    } else {
        const int stored = env.sampleRows();
        QTRY_VERIFY(env.sampleRows() >= stored + 2);
        QCOMPARE(w->runState(), stopText);
        w->requestStop();
        QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 2000);
    }
}

void TestOnlineRun::failedSetUp_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("linkDown");
    QTest::addColumn<QString>("message");
    QTest::newRow("instrument does not open")
        << QStringLiteral("Instant:1:2") << true
        << QStringLiteral("设备连接失败,请退出重试！\n设备：Instant:1:2，序列号：SN1");
    QTest::newRow("model without a driver")
        << QStringLiteral("NoSuchModel") << false
        << QStringLiteral("设备连接失败,请退出重试！\n设备：NoSuchModel，序列号：SN1");
}

void TestOnlineRun::failedSetUp()
{
    QFETCH(QString, model);
    QFETCH(bool, linkDown);
    QFETCH(QString, message);
    Env env;
    BoxOperator boxes;
    env.script->linkDown = linkDown;
    // Planned for an hour later: the failure is said at once all the same.
    const QDateTime start = QDateTime::currentDateTime().addSecs(3600);
    PlannedInstrument first = Env::instrument(1, {0, 0}, 0.1);
    fillPlan(env.settings, {first, Env::instrument(2, {0}, 0.1)}, {QStringLiteral("P")}, start,
             start.addSecs(1));
    env.settings.planDevices[0].model = model;
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 5000);
    QVERIFY(!w->findChild<QWaiting *>());
    QCOMPARE(boxes.seen, QStringList{message});
    QCOMPARE(information(w.get()), QString(message).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    QCOMPARE(env.script->fetches.load(), 0);
    w.reset();
    QCOMPARE(rows(env.db, QStringLiteral("select count(*) from Parameters")).value(0).value(0),
             QStringLiteral("0"));
    QCOMPARE(env.sampleRows(), 0);
}

void TestOnlineRun::projectRowsNotStoredMeansNoRun()
{
    Env env;
    BoxOperator boxes;
    // Another program holds a project of the same name with a unique index on the name: the
    // second project row cannot be stored, so neither is, and no sample may be taken.
    QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral("create unique index one_name on "
                                                       "Parameters(Name);"
                                                       "insert into Parameters (Name, Start, End)"
                                                       " values ('Q', 'old', 'old');")));
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0, 1}, 0.1)},
             {QStringLiteral("P"), QStringLiteral("Q")}, start, start.addSecs(1));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 5000);
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("数据保存失败！")});
    QTest::qWait(300);
    QCOMPARE(env.sampleRows(), 0);
    QCOMPARE(env.script->fetches.load(), 0);
    w.reset();
    QCOMPARE(rows(env.db, QStringLiteral("select Name, Start, End from Parameters")),
             (QList<QStringList>{{"Q", "old", "old"}}));
}

void TestOnlineRun::alarmEntriesOfOneTickAllOrNone_data()
{
    QTest::addColumn<bool>("refuseB");
    QTest::newRow("every entry written") << false;
    QTest::newRow("one refused, none of the tick written") << true;
}

void TestOnlineRun::alarmEntriesOfOneTickAllOrNone()
{
    QFETCH(bool, refuseB);
    Env env;
    BoxOperator boxes;
    // Every channel is above its upper limit, so each shown sample writes one alarm entry per
    // project; the database may refuse project B's entry, and then A's of the same tick must
    // not stay behind.
    if (refuseB)
        QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral(
            "create trigger refuse before insert on AuditLog "
            "when new.Details like '%1-T2高于上限%' "
            "begin select raise(abort, 'refused'); end;")));
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0, 1}, 0.25)},
             {QStringLiteral("A"), QStringLiteral("B")}, start, start.addSecs(1));
    for (ChannelRow &row : env.settings.planChannels) {
        row.upperAlarmEnable = true;
        row.upperAlarm = QStringLiteral("50");
    }
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 10000);
    QTest::qWait(1200);   // the last tick
    QCOMPARE(env.sampleRows(), 10);

    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    QVERIFY(tabs);
    const auto shownRows = [tabs](int tab) {
        auto *table = tabs->widget(tab)->findChild<QTableWidget *>(QStringLiteral("tableWidget_Data"));
        return table ? table->rowCount() : -1;
    };
    const int ticks = shownRows(0);
    QVERIFY2(ticks >= 1, qPrintable(QString::number(ticks)));
    QCOMPARE(shownRows(2), ticks);

    const QStringList entries = auditDetails(env.db, QStringLiteral("上限报警"));
    const QStringList ofA = entries.filter(QStringLiteral("1-SN1-1-T1高于上限:101.00"));
    const QStringList ofB = entries.filter(QStringLiteral("1-SN1-1-T2高于上限:102.00"));
    const int expected = refuseB ? 0 : ticks;
    QCOMPARE(ofA.size(), expected);
    QCOMPARE(ofB.size(), expected);
    QCOMPARE(entries.size(), 2 * expected);
}

void TestOnlineRun::closeRefusedWhileRunning()
{
    Env env;
    BoxOperator boxes;
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.1)}, {QStringLiteral("P")}, start, start);
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_VERIFY(env.sampleRows() >= 1);
    QVERIFY(!w->close());
    QCOMPARE(boxes.seen, QStringList{QStringLiteral("正在采集中，请先结束！")});
    QVERIFY(w->isVisible());
    QTest::keyClick(w.get(), Qt::Key_Escape);
    QVERIFY(w->isVisible());
    w->requestStop();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), endText, 2000);
    QVERIFY(w->close());
    QVERIFY(!w->isVisible());
}

void TestOnlineRun::destroyedInsideAnInstrumentCall()
{
    Env env;
    BoxOperator boxes;
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.1), Env::instrument(2, {0}, 0.1)},
             {QStringLiteral("P")}, start, start);
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_VERIFY(env.sampleRows() >= 2);
    env.script->fetchDelayMs = 400;
    QTRY_VERIFY(env.script->busy > 0);
    QElapsedTimer clock;
    clock.start();
    w.reset();
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    // Nothing of the window is still at work, the instruments were closed off the GUI thread
    // and the worker's connection is gone.
    QCOMPARE(env.script->busy.load(), 0);
    QCOMPARE(env.script->closes.load(), 2);
    QCOMPARE(env.script->closesOnGuiThread.load(), 0);
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("DAQ")));
    const QStringList times =
        rows(env.db, QStringLiteral("select Start, End from Parameters")).value(0);
    QCOMPARE(times.size(), 2);
    QVERIFY(!times.at(0).isEmpty() && !times.at(1).isEmpty());
    QVERIFY(times.at(0) <= times.at(1));
}

void TestOnlineRun::destroyedWhileWaitingForStartKeepsOlderProject()
{
    Env env;
    BoxOperator boxes;
    QVERIFY(TestDb::sqlite3Exec(env.db, QStringLiteral("insert into Parameters (Name, Start, End)"
                                                       " values ('P', 'a', 'b');")));
    const QDateTime start = QDateTime::currentDateTime().addSecs(3600);
    fillPlan(env.settings, {Env::instrument(1, {0}, 0.1)}, {QStringLiteral("P")}, start,
             start.addSecs(60));
    std::unique_ptr<ParametersOnLine> w(env.startWindow());
    QTRY_COMPARE(information(w.get()), QStringLiteral("开始等待中..."));
    QElapsedTimer clock;
    clock.start();
    w.reset();
    QVERIFY(clock.elapsed() < 2000);
    QCOMPARE(env.script->closesOnGuiThread.load(), 0);
    QCOMPARE(env.script->closes.load(), 1);
    QCOMPARE(rows(env.db, QStringLiteral("select Name, Start, End from Parameters")),
             (QList<QStringList>{{"P", "a", "b"}}));
}

QTEST_MAIN(TestOnlineRun)
#include "test_online_run.moc"
