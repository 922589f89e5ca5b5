// One whole on-line run with a Dravo on the libmodbus instrument over a socat pty pair: plan,
// set-up (probe, channel mask), the planned samples, the close of the window; the samples read
// back from the database with the sqlite3 tool, a channel whose value is NaN or infinite stored
// as "nan" beside the others. Then the Dravo over loopback TCP with an Orvex
// scanner stand-in (tests/sim/fake_orvex.py), a model that does not offer the Dravo's scan rate.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "FakeInstrument.h"
#include "FakeLink.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

// A private working folder with a fresh database on the default connection, for one test.
struct RunFolder
{
    RunFolder()
    {
        TestDb::closeDefault();
        QDir::setCurrent(dir.path());
        db = TestDb::openFreshDefault(dir.path());
    }
    ~RunFolder()
    {
        TestDb::closeDefault();
        QDir::setCurrent(oldCwd);
    }
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QString db;
};

// The Dravo on the libmodbus instrument of `link`, its channels all in project 0.
PlannedInstrument dravoOn(const FakeLink &link, const QStringList &channels)
{
    PlannedInstrument dravo;
    dravo.model = QStringLiteral("Dravo");
    dravo.signalMode = link.mode();
    dravo.address = link.address();
    dravo.port = link.portOrBaud();
    dravo.scanRate = QStringLiteral("标准");
    dravo.projectOfChannel = QVector<int>(channels.size(), 0).toList();
    dravo.channelNumbers = channels;
    return dravo;
}

} // namespace

class TestRegisterOnline : public QObject
{
    Q_OBJECT
private slots:
    void dravoRun();
    void dravoWithAnotherModel_data();
    void dravoWithAnotherModel();
};

void TestRegisterOnline::dravoRun()
{
    FakeLink link{QStringLiteral(MODBUS_PEER)};
    QVERIFY(link.start(QStringLiteral("串口"), {"--double", "0019", "20.25", "-1.5", "nan", "36.75",
                                               "inf", "1e308", "--double", "006D", "0", "2252"}));
    RunFolder folder;
    const QString &db = folder.db;
    QVERIFY(!db.isEmpty());

    PlannedInstrument dravo = dravoOn(link, {"001", "101", "102", "103", "104", "105"});
    dravo.units = QStringList{"℃", "kΩ", "℃", "℃", "℃", "℃"};
    SystemSettings settings;
    settings.dataAccuracy = 3;
    const QDateTime start = QDateTime::currentDateTime().addSecs(5);
    fillPlan(settings, {dravo}, {QStringLiteral("R")}, start, start.addSecs(2));
    ChannelConfigData &config = settings.planChannelConfigs[0];
    config.ChannelType = QStringList{"铂电阻", "热敏电阻", "热敏电阻", "热敏电阻", "热敏电阻", "热敏电阻"};
    config.ChannelFunction = QStringList{"ITS90", "R(T)", "R(T)", "R(T)", "R(T)", "R(T)"};
    config.WireMode = QStringList(config.ChannelType).replaceInStrings(QRegularExpression(".+"), "四线制");

    BoxOperator boxes;
    auto *w = new ParametersOnLine;
    w->show();
    w->start(&settings);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 30000);
    QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text(), QStringLiteral("采集结束。"));
    QVERIFY2(boxes.seen.isEmpty(), qPrintable(boxes.seen.join('|')));
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    delete w;

    const QList<QStringList> data = rows(db, QStringLiteral("select Name, Data from ParametersData order by rowid"));
    QCOMPARE(data.size(), 3);
    for (const QStringList &sample : data)
        QCOMPARE(sample, (QStringList{"R", "20.2500000000,2.2520000000,nan,36.7500000000,nan,"
                                            + QString::number(1e308, 'f', 10)}));
    // The set-up wrote the channel mask (bits 0 to 5); each sample was one block read.
    const QStringList asked = link.fake().requests();
    QCOMPARE(asked.filter(QRegularExpression("^011000030002043F000000....$")).size(), 1);
    QCOMPARE(asked.filter(QRegularExpression("^010300190018")).size(), 3);
    QCOMPARE(asked.filter(QRegularExpression("^0103006D0018")).size(), 3);
    QVERIFY(!link.fake().logValues("check").contains(QStringLiteral("bad")));
}

void TestRegisterOnline::dravoWithAnotherModel_data()
{
    QTest::addColumn<QString>("orvexRate");   // the Orvex's own record
    QTest::addColumn<QString>("refusal");     // the box of a refused set-up; empty: the run goes
    // The Orvex offers no "标准": it is set up with its own record's rate.
    QTest::newRow("its own rate") << QStringLiteral("慢速") << QString();
    QTest::newRow("a refused set-up names the instrument")
        << QStringLiteral("标准") << QStringLiteral("通道设置失败,请退出重试!\n设备：Orvex-NTC-V2，序列号：SN2");
}

void TestRegisterOnline::dravoWithAnotherModel()
{
    QFETCH(QString, orvexRate);
    QFETCH(QString, refusal);
    // The Dravo over loopback TCP, in RTU frames as through a serial server.
    FakeLink link{QStringLiteral(MODBUS_PEER)};
    QVERIFY(link.start(QStringLiteral("网络"), {"--rtu", "--double", "0019", "20.25", "-1.5"}));
    FakeInstrument orvex(QStringLiteral("fake_orvex.py"));
    QVERIFY(orvex.startTcp());
    RunFolder folder;
    const QString &db = folder.db;
    QVERIFY(!db.isEmpty());

    PlannedInstrument dravo = dravoOn(link, {"001"});
    dravo.model = QStringLiteral("Dravo-NTC");
    PlannedInstrument scanner;
    scanner.model = QStringLiteral("Orvex-NTC-V2");
    scanner.signalMode = QStringLiteral("网络");
    scanner.address = QStringLiteral("127.0.0.1");
    scanner.port = orvex.portText();
    scanner.scanRate = orvexRate;
    scanner.projectOfChannel = {0, 0};
    SystemSettings settings;
    settings.dataAccuracy = 3;
    const QDateTime start = QDateTime::currentDateTime().addSecs(5);
    fillPlan(settings, {dravo, scanner}, {QStringLiteral("R")}, start, start.addSecs(2));
    ChannelConfigData &first = settings.planChannelConfigs[0];
    first.ChannelType = QStringList{"铂电阻"};
    first.ChannelFunction = QStringList{"ITS90"};
    first.WireMode = QStringList{"四线制"};
    ChannelConfigData &second = settings.planChannelConfigs[1];
    second.ChannelType = QStringList{"热敏电阻", "热敏电阻"};
    second.ChannelFunction = QStringList{"T(R)", "T(R)"};

    BoxOperator boxes;
    auto *w = new ParametersOnLine;
    w->show();
    w->start(&settings);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 30000);
    const QString information =
        w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text();
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    delete w;

    const QStringList asked = orvex.requests();
    QVERIFY2(!asked.contains(QStringLiteral("RATE \r\n")) || !refusal.isEmpty(),
             qPrintable(asked.join('|')));
    const QList<QStringList> data =
        rows(db, QStringLiteral("select Name, Data from ParametersData order by rowid"));
    if (refusal.isEmpty()) {
        QVERIFY2(boxes.seen.isEmpty(), qPrintable(boxes.seen.join('|')));
        QCOMPARE(information, QStringLiteral("采集结束。"));
        QCOMPARE(asked.count(QStringLiteral("RATE SLOW\r\n")), 1);
        QCOMPARE(data.size(), 3);
        for (const QStringList &sample : data)
            QCOMPARE(sample, (QStringList{"R", "20.2500000000,20.100000,20.200000"}));
        // The project keeps the first instrument's rate.
        QCOMPARE(rows(db, QStringLiteral("select ScanRate from Parameters")),
                 QList<QStringList>{{QStringLiteral("标准")}});
    } else {
        QCOMPARE(boxes.seen, QStringList{refusal});
        QCOMPARE(information, QString(refusal).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        QCOMPARE(data.size(), 0);
    }
}

QTEST_MAIN(TestRegisterOnline)
#include "test_register_online.moc"
