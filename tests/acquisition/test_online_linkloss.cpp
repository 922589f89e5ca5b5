// A lost link in the middle of an on-line run against two 1586A stand-ins over loopback TCP: the
// second stand-in stops, the read fails (its driver waits out its reply budget, shortened here),
// the run retries once, closes and reopens every instrument after the (shortened) recovery pause,
// falls into the manual reconnect mode, and goes on once the stand-in is back in its power-on
// state (as after being switched off) and the operator chooses "继续": every reopen sends the
// channel set-up again. Every planned sample is stored exactly once, with the time of the read
// that gave it.

#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include "Collection1586A.h"
#include "FakeInstrument.h"
#include "ParametersOnLine.h"
#include "test_online_support.h"

using namespace OnlineTest;

class TestOnlineLinkLoss : public QObject
{
    Q_OBJECT
private slots:
    void stoppedInstrumentAndManualReconnect();
};

namespace {
// Drivers made by the run answer a lost scan within a few seconds instead of two minutes, and
// settle 20 ms after a command (the stand-ins take it at once).
constexpr int replyBudgetMs = 3000;

struct ShortBudgetDrivers
{
    ShortBudgetDrivers()
    {
        ParametersOnLine::setDriverFactory([](const QString &model) -> Collection * {
            if (model != QStringLiteral("1586A"))
                return nullptr;
            auto *driver = new Collection1586A;
            driver->setSampleReplyBudget(replyBudgetMs);
            driver->setSettleTime(20);
            return driver;
        });
    }
    ~ShortBudgetDrivers() { ParametersOnLine::setDriverFactory({}); }
};

PlannedInstrument scannerAt(const QString &port, const QStringList &channels)
{
    PlannedInstrument scanner;
    scanner.model = QStringLiteral("1586A");
    scanner.signalMode = QStringLiteral("网络");
    scanner.address = QStringLiteral("127.0.0.1");
    scanner.port = port;
    scanner.projectOfChannel = {0, 0};
    scanner.channelNumbers = channels;
    scanner.scanInterval = 1.0;
    return scanner;
}
} // namespace

void TestOnlineLinkLoss::stoppedInstrumentAndManualReconnect()
{
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString db = TestDb::openFreshDefault(dir.path());
    QVERIFY(!db.isEmpty());
    ShortBudgetDrivers shortBudget;

    // The first instrument stays; the second goes away in the middle of the run.
    FakeInstrument staying(QStringLiteral("fake_1586a.py"));
    QVERIFY(staying.startTcp());
    auto fake = std::make_unique<FakeInstrument>(QStringLiteral("fake_1586a.py"));
    QVERIFY(fake->startTcp());
    const QString port = fake->portText();

    SystemSettings settings;
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(settings,
             {scannerAt(staying.portText(), {QStringLiteral("101"), QStringLiteral("102")}),
              scannerAt(port, {QStringLiteral("103"), QStringLiteral("104")})},
             {QStringLiteral("P")}, start, start.addSecs(5));
    settings.devices = settings.planDevices;   // both passed their test

    BoxOperator boxes;
    boxes.answer(QStringLiteral("是否终止项目？"), QStringLiteral("继续"));
    auto *w = new ParametersOnLine;
    w->setRecoveryPause(200);
    w->show();
    w->start(&settings);
    QCOMPARE(w->samplesPlanned(), qint64(6));
    auto storedSamples = [&db] {
        return rows(db, QStringLiteral("select count(*) from ParametersData")).value(0).value(0).toInt();
    };
    QTRY_VERIFY_WITH_TIMEOUT(storedSamples() >= 2, 20000);

    QElapsedTimer lost;
    lost.start();
    fake.reset();
    // The failed read and its one retry each wait at most one reply budget.
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("继续"), 4 * replyBudgetMs);
    QVERIFY2(lost.elapsed() < 3 * replyBudgetMs, qPrintable(QString::number(lost.elapsed())));
    QTRY_VERIFY(boxes.seen.contains(QStringLiteral("通讯异常，请设备关机重试！")));
    QTRY_COMPARE(w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text(),
                 QStringLiteral("进入手动重连模式！"));
    // The instruments of the run are not shown as connected while their link is down.
    QTRY_VERIFY(settings.devices.isEmpty());
    const int storedBeforeReconnect = storedSamples();
    // Both instruments were closed for the reconnect; the one still there was reopened after
    // the pause, and closed again for the manual wait.
    QVERIFY(staying.waitForEvent(QStringLiteral("closed"), 2));
    QCOMPARE(staying.events(), (QStringList{"connected", "closed", "connected", "closed"}));

    // It is back in its power-on state (no channel scanned: one reading of 0); after a pause
    // the operator chooses "继续".
    fake = std::make_unique<FakeInstrument>(QStringLiteral("fake_1586a.py"));
    QVERIFY(fake->startTcp({QStringLiteral("--port"), port}));
    QTest::qWait(1500);
    const QDateTime resumed = QDateTime::currentDateTime();
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 20000);
    QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text(),
             QStringLiteral("采集结束。"));

    QCOMPARE(auditDetails(db, QStringLiteral("通讯异常")),
             (QStringList{"数据获取失败。", "设备重新连接。", "进入手动重连模式！",
                          "手动重连成功！"}));
    const QList<QStringList> data =
        rows(db, QStringLiteral("select Time, Data from ParametersData order by rowid"));
    QCOMPARE(data.size(), 6);
    QVERIFY(storedBeforeReconnect >= 2 && storedBeforeReconnect < 6);
    QSet<QString> times;
    for (int i = 0; i < data.size(); ++i) {
        QCOMPARE(data.at(i).at(1), QStringLiteral("20.100,20.200,20.300,20.400"));
        times.insert(data.at(i).at(0));
        if (i > 0)
            QVERIFY2(data.at(i - 1).at(0) < data.at(i).at(0), qPrintable(data.at(i).at(0)));
    }
    QCOMPARE(times.size(), 6);
    // The first sample after the reconnect carries the time of the read that gave it, not that
    // of the first failed attempt.
    const QDateTime firstAfter = QDateTime::fromString(data.at(storedBeforeReconnect).at(0),
                                                       QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    QVERIFY2(firstAfter >= resumed.addMSecs(-1), qPrintable(data.at(storedBeforeReconnect).at(0)));
    QCOMPARE(settings.devices.size(), 2);

    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    delete w;
    // The instrument that stayed was asked once per stored sample, plus the failed read and
    // exactly one retry; it was set up at the start and again at each of its two reopens.
    const QStringList stayingAsked = staying.requests();
    QCOMPARE(stayingAsked.count(QStringLiteral("READ?\r\n")), 6 + 2);
    QCOMPARE(stayingAsked.count(QStringLiteral("*RST\r\n")), 3);
    QVERIFY(staying.waitForEvent(QStringLiteral("closed"), 3));
    QCOMPARE(staying.events(),
             (QStringList{"connected", "closed", "connected", "closed", "connected", "closed"}));
    // The stand-in that came back was set up again before it was read.
    const QStringList asked = fake->requests();
    QCOMPARE(asked.count(QStringLiteral("*RST\r\n")), 1);
    QVERIFY(asked.indexOf(QStringLiteral("*RST\r\n")) < asked.indexOf(QStringLiteral("READ?\r\n")));
    QCOMPARE(asked.count(QStringLiteral("READ?\r\n")), 6 - storedBeforeReconnect);
    TestDb::closeDefault();
    QDir::setCurrent(oldCwd);
}

QTEST_MAIN(TestOnlineLinkLoss)
#include "test_online_linkloss.moc"
