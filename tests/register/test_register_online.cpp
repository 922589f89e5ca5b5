// One whole on-line run with a Dravo on the libmodbus instrument over a socat pty pair: plan,
// set-up (probe, channel mask), the planned samples, the close of the window; the samples read
// back from the database with the sqlite3 tool, a NaN or infinite value stored as "nan". Then
// the Dravo over TCP with an Orvex scanner stand-in, a model without the Dravo's scan rate.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "FakeInstrument.h"
#include "FakeLink.h"
#include "test_online_support.h"

using namespace OnlineTest;

namespace {

// Runs the plan to its end on a fresh database in a private folder and closes the window: the
// information line and the samples stored (name, data).
void runToEnd(SystemSettings &settings, QString &information, QList<QStringList> &samples)
{
    TestDb::closeDefault();
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const auto restore = qScopeGuard([&] { TestDb::closeDefault(); QDir::setCurrent(oldCwd); });
    const QString db = TestDb::openFreshDefault(dir.path());
    QVERIFY(!db.isEmpty());
    std::unique_ptr<ParametersOnLine> w(new ParametersOnLine);
    w->show();
    w->start(&settings);
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 30000);
    information = w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text();
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    w.reset();
    samples = rows(db, QStringLiteral("select Name, Data from ParametersData order by rowid"));
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
    const PlannedInstrument dravo{"Dravo", link.mode(), link.address(), link.portOrBaud(), {0, 0, 0, 0, 0, 0},
                                  {"001", "101", "102", "103", "104", "105"}, {"℃", "kΩ", "℃", "℃", "℃", "℃"}, 1.0, "标准"};
    SystemSettings settings;
    settings.dataAccuracy = 3;
    const QDateTime start = QDateTime::currentDateTime().addSecs(5);
    fillPlan(settings, {dravo}, {QStringLiteral("R")}, start, start.addSecs(2));
    ChannelConfigData &config = settings.planChannelConfigs[0];
    config.ChannelType = QStringList{"铂电阻", "热敏电阻", "热敏电阻", "热敏电阻", "热敏电阻", "热敏电阻"};
    config.ChannelFunction = QStringList{"ITS90", "R(T)", "R(T)", "R(T)", "R(T)", "R(T)"};
    config.WireMode = QStringList(config.ChannelType).replaceInStrings(QRegularExpression(".+"), "四线制");

    BoxOperator boxes;
    QString information;
    QList<QStringList> data;
    runToEnd(settings, information, data);
    QCOMPARE(information, QStringLiteral("采集结束。"));
    QVERIFY2(boxes.seen.isEmpty(), qPrintable(boxes.seen.join('|')));
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
    QTest::addColumn<QString>("orvexRate");   // the Orvex's own record ("标准" it does not offer)
    QTest::addColumn<QString>("refusal");     // the box of a refused set-up; empty: the run goes
    QTest::newRow("its own rate") << QStringLiteral("慢速") << QString();
    QTest::newRow("a refused set-up names the instrument")
        << QStringLiteral("标准") << QStringLiteral("通道设置失败,请退出重试!\n设备：Orvex-NTC-V2，序列号：SN2");
}

void TestRegisterOnline::dravoWithAnotherModel()
{
    QFETCH(QString, orvexRate);
    QFETCH(QString, refusal);
    FakeLink link{QStringLiteral(MODBUS_PEER)};   // RTU frames over TCP, as through a serial server
    QVERIFY(link.start(QStringLiteral("网络"), {"--rtu", "--double", "0019", "20.25", "-1.5"}));
    FakeInstrument orvex(QStringLiteral("fake_orvex.py"));
    QVERIFY(orvex.startTcp());
    SystemSettings settings;
    settings.dataAccuracy = 3;
    const QDateTime start = QDateTime::currentDateTime().addSecs(5);
    fillPlan(settings, {{"Dravo-NTC", link.mode(), link.address(), link.portOrBaud(), {0}, {"001"}, {}, 1.0, "标准"},
                        {"Orvex-NTC-V2", "网络", "127.0.0.1", orvex.portText(), {0, 0}, {}, {}, 1.0, orvexRate}},
             {QStringLiteral("R")}, start, start.addSecs(2));
    settings.planChannelConfigs[0].ChannelType = QStringList{"铂电阻"};
    settings.planChannelConfigs[0].ChannelFunction = QStringList{"ITS90"};
    settings.planChannelConfigs[0].WireMode = QStringList{"四线制"};
    settings.planChannelConfigs[1].ChannelType = QStringList{"热敏电阻", "热敏电阻"};
    settings.planChannelConfigs[1].ChannelFunction = QStringList{"T(R)", "T(R)"};

    BoxOperator boxes;
    QString information;
    QList<QStringList> data;
    runToEnd(settings, information, data);
    QCOMPARE(boxes.seen, refusal.isEmpty() ? QStringList{} : QStringList{refusal});
    QCOMPARE(information, refusal.isEmpty() ? QStringLiteral("采集结束。") : QString(refusal).replace('\n', ' '));
    if (!refusal.isEmpty())
        return;
    QCOMPARE(orvex.requests().count(QStringLiteral("RATE SLOW\r\n")), 1);
    QCOMPARE(data, QVector<QStringList>(3, {"R", "20.2500000000,20.100000,20.200000"}).toList());
}

QTEST_MAIN(TestRegisterOnline)
#include "test_register_online.moc"
