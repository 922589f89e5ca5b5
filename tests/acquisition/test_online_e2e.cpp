// Whole on-line runs against the 1586A stand-in (tests/sim/fake_1586a.py), one instrument over a
// socat pty pair and one over loopback TCP: plan, set-up, start at the planned time, the planned
// samples, limit alarms with their alarm mail to a loopback SMTP server, and the close of the
// window; everything read back from the database with the sqlite3 tool.

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeInstrument.h"
#include "ParametersChart.h"
#include "ParametersOnLine.h"
#include "PtyPair.h"
#include "QWaiting.h"
#include "SmtpClient.h"
#include "SmtpTestServer.h"
#include "test_online_support.h"

using namespace OnlineTest;

class TestOnlineE2e : public QObject
{
    Q_OBJECT
private slots:
    void runOverSerialAndTcp();
    void mailFailuresAreLoggedOncePerEpisode();
};

// Points the alarm mail of the working folder at a loopback server.
static void useMailServer(const QString &folder, quint16 port)
{
    QSettings ini(QDir(folder).filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
    ini.setValue(QStringLiteral("Mail/Host"), QStringLiteral("127.0.0.1"));
    ini.setValue(QStringLiteral("Mail/Port"), port);
    ini.setValue(QStringLiteral("Mail/User"), QStringLiteral("alarm@example.com"));
    ini.setValue(QStringLiteral("Mail/AuthCode"), QStringLiteral("abcdefghijklmnop"));
    ini.setValue(QStringLiteral("Mail/SenderName"), QStringLiteral("VAZUV"));
}

void TestOnlineE2e::runOverSerialAndTcp()
{
    QTemporaryDir dir;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString db = TestDb::openFreshDefault(dir.path());
    QVERIFY(!db.isEmpty());

    SmtpTestServer smtp;
    QVERIFY(smtp.start());
    useMailServer(dir.path(), smtp.port);

    PtyPair pty(dir.path());
    QVERIFY(pty.start());
    FakeInstrument serial(QStringLiteral("fake_1586a.py"));
    QVERIFY(serial.startPty(pty.instrumentEnd()));
    FakeInstrument tcp(QStringLiteral("fake_1586a.py"));
    QVERIFY(tcp.startTcp());

    PlannedInstrument first;
    first.model = QStringLiteral("1586A");
    first.signalMode = QStringLiteral("串口");
    first.address = pty.driverEnd();
    first.port = QStringLiteral("9600");
    first.projectOfChannel = {0, 0};
    first.scanInterval = 1.0;
    PlannedInstrument second = first;
    second.signalMode = QStringLiteral("网络");
    second.address = QStringLiteral("127.0.0.1");
    second.port = tcp.portText();
    second.projectOfChannel = {1, 0};

    SystemSettings settings;
    settings.dataAccuracy = 2;
    settings.emailAutoTrigger = true;
    settings.emailInterval = 600;
    settings.emailAddresses = QStringList{QStringLiteral("lab@example.com")};
    const QDateTime start = QDateTime::currentDateTime().addSecs(3);
    fillPlan(settings, {first, second}, {QStringLiteral("A"), QStringLiteral("B")}, start,
             start.addSecs(3));
    // Channel 101 of the second instrument reads 20.1, below its lower limit of 25.
    settings.planChannels[2].lowerAlarmEnable = true;
    settings.planChannels[2].lowerAlarm = QStringLiteral("25");

    BoxOperator boxes;
    auto *w = new ParametersOnLine;
    w->show();
    w->start(&settings);
    QCOMPARE(w->samplesPlanned(), qint64(4));
    // The set-up is done when its waiting box goes. The run starts at the planned start, or
    // right after the set-up when that took longer (a loaded machine): the samples are due from
    // then on.
    QTRY_VERIFY_WITH_TIMEOUT(!w->findChild<QWaiting *>(), 30000);
    const QDateTime planned =
        QDateTime::fromString(settings.planStart, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    const QDateTime due = qMax(planned, QDateTime::currentDateTime());
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 30000);
    QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"))->text(), QStringLiteral("采集结束。"));
    QVERIFY(boxes.seen.isEmpty());
    QTest::qWait(1200);   // the display's last tick
    QVERIFY(ParametersChart::waitForMailThreads(20000));

    // The samples, in channel order per project, at the planned start and after.
    const QList<QStringList> data =
        rows(db, QStringLiteral("select Name, Time, Data from ParametersData order by rowid"));
    QCOMPARE(data.size(), 8);
    const QRegularExpression timeShape(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
    for (int i = 0; i < 4; ++i) {
        const QStringList a = data.at(2 * i), b = data.at(2 * i + 1);
        QCOMPARE(a.at(0), QStringLiteral("A"));
        QCOMPARE(a.at(2), QStringLiteral("20.100,20.200,20.200"));
        QCOMPARE(b.at(0), QStringLiteral("B"));
        QCOMPARE(b.at(2), QStringLiteral("20.100"));
        QCOMPARE(a.at(1), b.at(1));
        QVERIFY2(timeShape.match(a.at(1)).hasMatch(), qPrintable(a.at(1)));
        const QDateTime t =
            QDateTime::fromString(a.at(1), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        QVERIFY2(t > planned && t < due.addMSecs(1000 * i + 900), qPrintable(a.at(1)));
    }

    // One alarm entry per shown sample, one mail for all of them.
    const QStringList alarms = auditDetails(db, QStringLiteral("下限报警"));
    QVERIFY2(alarms.size() >= 2 && alarms.size() <= 4, qPrintable(alarms.join('|')));
    QCOMPARE(alarms.first(), QStringLiteral("2-SN2-2-T1低于下限:20.10"));
    QCOMPARE(smtp.mailCount(), 1);
    const QString mail = QString::fromUtf8(smtp.mail(0));
    QVERIFY2(mail.contains(QStringLiteral("2-SN2-2-T1低于下限:20.10")), qPrintable(mail));
    QVERIFY2(smtp.wire().contains("rcpt to:<lab@example.com>"), smtp.wire().constData());

    // Closing: the run button reads "结束", the window goes, the times are written.
    w->findChild<QPushButton *>(QStringLiteral("pushButton_OK"))->click();
    QVERIFY(!w->isVisible());
    delete w;
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("DAQ")));
    const QList<QStringList> projects =
        rows(db, QStringLiteral("select Name, Start, End, SerialNumber, Port_BaudRate "
                                "from Parameters order by rowid"));
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects.at(1).at(0), QStringLiteral("B"));
    QCOMPARE(projects.at(1).at(2), data.last().at(1).left(19));
    QCOMPARE(projects.at(1).at(4), QStringLiteral("9600,") + tcp.portText());
    const QDateTime actualStart =
        QDateTime::fromString(projects.at(0).at(1), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QVERIFY(actualStart >= planned && actualStart <= due.addSecs(1));

    // Each instrument was set up once and asked once per sample.
    for (FakeInstrument *fake : {&serial, &tcp}) {
        const QStringList asked = fake->requests();
        QCOMPARE(asked.count(QStringLiteral("*RST\r\n")), 1);
        QCOMPARE(asked.count(QStringLiteral("READ?\r\n")), 4);
    }
    TestDb::closeDefault();
    QDir::setCurrent(oldCwd);
}

// Alarm mail refused, then taken, then with no server: one alarm-log entry per failure episode.
void TestOnlineE2e::mailFailuresAreLoggedOncePerEpisode()
{
    InstantEnv env;
    setMailOnlineCheck([](const SmtpClient &) { return true; });
    auto refusing = std::make_unique<SmtpTestServer>();
    QVERIFY(refusing->start({QStringLiteral("--password"), QStringLiteral("another")}));
    useMailServer(env.dir.path(), refusing->port);
    const QDateTime start = QDateTime::currentDateTime();
    fillPlan(env.settings, {{"Instant:1:1", "网络", {}, {}, {0}, {}, {}, 0.5}}, {"M"}, start, start);
    env.settings.emailAutoTrigger = true;
    env.settings.emailInterval = 0;
    env.settings.emailAddresses = QStringList{QStringLiteral("lab@example.com")};
    env.settings.planChannels[0].upperAlarmEnable = true;   // every value (101 on) an alarm
    env.settings.planChannels[0].upperAlarm = QStringLiteral("50");

    BoxOperator boxes;
    auto w = std::make_unique<ParametersOnLine>();
    w->show();
    w->start(&env.settings);
    auto *information = w->findChild<QLineEdit *>(QStringLiteral("lineEdit_Information"));
    auto mailLog = [&env] { return auditDetails(env.db, QStringLiteral("邮件异常")); };

    // The refused login: one entry for several failed mails, naming the server's reply.
    QTRY_VERIFY_WITH_TIMEOUT(refusing->wire().count("AUTH LOGIN") >= 3, 20000);
    QCOMPARE(mailLog().size(), 1);
    QVERIFY2(mailLog().first().startsWith(QStringLiteral("报警邮件发送失败：535")),
             qPrintable(mailLog().first()));
    // A server that takes the mail ends the episode.
    auto accepting = std::make_unique<SmtpTestServer>();
    QVERIFY(accepting->start());
    useMailServer(env.dir.path(), accepting->port);
    QTRY_VERIFY_WITH_TIMEOUT(accepting->mailCount() >= 1, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(information->text().endsWith(QStringLiteral(" 采集中...")), 5000);
    // No server: a new episode, named by the connection error.
    refusing.reset();
    accepting.reset();
    QTRY_COMPARE_WITH_TIMEOUT(mailLog().size(), 2, 20000);
    QVERIFY2(mailLog().at(1).startsWith(QStringLiteral("报警邮件发送失败：连接127.0.0.1:")),
             qPrintable(mailLog().at(1)));
    QTRY_COMPARE_WITH_TIMEOUT(information->text(), mailLog().at(1), 5000);

    w->requestStop();
    QTRY_COMPARE_WITH_TIMEOUT(w->runState(), QStringLiteral("结束"), 10000);
    QVERIFY2(boxes.seen.isEmpty(), qPrintable(boxes.seen.join('|')));
    w.reset();
    QVERIFY(ParametersChart::waitForMailThreads(20000));
    setMailOnlineCheck({});
}

QTEST_MAIN(TestOnlineE2e)
#include "test_online_e2e.moc"
