// One whole on-line run with a Dravo on the libmodbus instrument over a socat pty pair: plan,
// set-up (probe, channel mask), the planned samples, the close of the window; the samples read
// back from the database with the sqlite3 tool.

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "FakeLink.h"
#include "test_online_support.h"

using namespace OnlineTest;

class TestRegisterOnline : public QObject
{
    Q_OBJECT
private slots:
    void dravoRun();
};

void TestRegisterOnline::dravoRun()
{
    FakeLink link{QStringLiteral(MODBUS_PEER)};
    QVERIFY(link.start(QStringLiteral("串口"), {"--double", "0019", "20.25", "-1.5", "0", "36.75",
                                               "--double", "006D", "0", "2252", "0", "0"}));
    TestDb::closeDefault();
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString db = TestDb::openFreshDefault(dir.path());
    QVERIFY(!db.isEmpty());

    PlannedInstrument dravo;
    dravo.model = QStringLiteral("Dravo");
    dravo.signalMode = link.mode();
    dravo.address = link.address();
    dravo.port = link.portOrBaud();
    dravo.scanRate = QStringLiteral("标准");
    dravo.projectOfChannel = {0, 0, 0};
    dravo.channelNumbers = QStringList{"001", "101", "103"};
    dravo.units = QStringList{"℃", "kΩ", "℃"};
    SystemSettings settings;
    settings.dataAccuracy = 3;
    const QDateTime start = QDateTime::currentDateTime().addSecs(5);
    fillPlan(settings, {dravo}, {QStringLiteral("R")}, start, start.addSecs(2));
    ChannelConfigData &config = settings.planChannelConfigs[0];
    config.ChannelType = QStringList{"铂电阻", "热敏电阻", "热敏电阻"};
    config.ChannelFunction = QStringList{"ITS90", "R(T)", "R(T)"};
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
        QCOMPARE(sample, (QStringList{"R", "20.2500000000,2.2520000000,36.7500000000"}));
    // The set-up wrote the channel mask (bits 0, 1 and 3); each sample was one block read.
    const QStringList asked = link.fake().requests();
    QCOMPARE(asked.filter(QRegularExpression("^011000030002040B000000....$")).size(), 1);
    QCOMPARE(asked.filter(QRegularExpression("^010300190010")).size(), 3);
    QCOMPARE(asked.filter(QRegularExpression("^0103006D0010")).size(), 3);
    QVERIFY(!link.fake().logValues("check").contains(QStringLiteral("bad")));
    TestDb::closeDefault();
    QDir::setCurrent(oldCwd);
}

QTEST_MAIN(TestRegisterOnline)
#include "test_register_online.moc"
