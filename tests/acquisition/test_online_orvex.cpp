// A whole on-line run with an Orvex VS scanner stand-in (tests/sim/fake_orvex.py) over loopback
// TCP: set-up through the "SET OK" dialect, the planned samples, the close of the window; the
// samples read back from the database with the sqlite3 tool.

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeInstrument.h"
#include "ParametersOnLine.h"
#include "test_online_support.h"

using namespace OnlineTest;

class TestOnlineOrvex : public QObject
{
    Q_OBJECT
private slots:
    void runWithAnOrvexScanner_data()
    {
        QTest::addColumn<QString>("gain");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("run") << QStringLiteral("1") << QString();
        QTest::newRow("gain not finite") << QStringLiteral("nan") << QStringLiteral("105:系数不是数字！");
    }
    void runWithAnOrvexScanner()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        const QString db = TestDb::openFreshDefault(dir.path());
        SystemSettings settings;
        FakeInstrument fake(QStringLiteral("fake_orvex.py"));
        QVERIFY(fake.startTcp());

        PlannedInstrument scanner;
        scanner.model = QStringLiteral("Orvex-VS");
        scanner.signalMode = QStringLiteral("网络");
        scanner.address = QStringLiteral("127.0.0.1");
        scanner.port = fake.portText();
        scanner.scanRate = QStringLiteral("默认");
        scanner.projectOfChannel = {0, 0};
        scanner.channelNumbers = QStringList{"102", "105"};
        const QDateTime start = QDateTime::currentDateTime().addSecs(8);
        fillPlan(settings, {scanner}, {QStringLiteral("VS")}, start, start.addSecs(2));
        QFETCH(QString, gain);
        settings.planChannelConfigs[0].MX_B_M[1] = gain;
        QFETCH(QString, refusal);
        if (!refusal.isEmpty()) {
            // A channel the scanner refuses before anything is sent for it is named to the user.
            BoxOperator boxes;
            ParametersOnLine w;
            w.start(&settings);
            QTRY_VERIFY_WITH_TIMEOUT(!boxes.seen.isEmpty(), 20000);
            QCOMPARE(boxes.seen.first(), QStringLiteral("通道设置失败,请退出重试!\n设备：Orvex-VS，序列号：SN1\n") + refusal);
            QVERIFY(!fake.requests().contains("CALC:SCAL:GAIN 1,1,(@2,5)\r\n"));
            TestDb::closeDefault();
            return;
        }

        BoxOperator boxes;
        auto *w = new ParametersOnLine;
        w->show();
        w->start(&settings);
        QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 40000);
        QVERIFY2(boxes.seen.isEmpty(), qPrintable(boxes.seen.join('|')));
        w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
        delete w;

        const QList<QStringList> data =
            rows(db, QStringLiteral("select Name, Data from ParametersData order by rowid"));
        QCOMPARE(data.size(), 3);
        for (const QStringList &row : data)
            QCOMPARE(row, QStringList({"VS", "20.200000,20.500000"}));

        const QStringList asked = fake.requests();
        QCOMPARE(asked.mid(0, 4), QStringList({"SYST:KLOC 1\r\n", "*RST\r\n", "TEMP:TC:TYPE K\r\n",
                                               "CALC:SCAL:GAIN 1,1,(@2,5)\r\n"}));
        QVERIFY(asked.contains("ROUT:CHAN:STAT 1,1,(@2,5)\r\n"));
        QCOMPARE(asked.count("DATA:OFFS?\r\n"), 3);
        QCOMPARE(asked.last(), QStringLiteral("SYST:KLOC 0\r\n"));
        TestDb::closeDefault();
    }
};

QTEST_MAIN(TestOnlineOrvex)
#include "test_online_orvex.moc"
