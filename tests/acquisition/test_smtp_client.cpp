// The alarm mail sender against a real SMTP server (aiosmtpd) on loopback.
#include <QElapsedTimer>
#include <QSettings>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QtTest>

#include "SmtpClient.h"
#include "SmtpTestServer.h"

namespace {

const QByteArray kUser = "alarm@example.com";
const QByteArray kPassword = "abcdefghijklmnop";

MailServerSettings loopback(quint16 port)
{
    MailServerSettings s;
    s.host = QStringLiteral("127.0.0.1");
    s.port = port;
    s.user = kUser;
    s.password = kPassword;
    s.senderName = QStringLiteral("VAZUV");
    return s;
}

QByteArray wireOfMail(const QByteArray &to, const QByteArray &subject, const QByteArray &text)
{
    return "mail from:<" + kUser + ">\r\n" + "rcpt to:<" + to + ">\r\n" + "data\r\n"
        + "from:VAZUV<" + kUser + ">\r\n" + "to:" + to + "\r\n" + "subject:" + subject
        + "\r\n\r\n" + text + "\r\n.\r\n";
}

} // namespace

class TestSmtpClient : public QObject
{
    Q_OBJECT

private slots:
    void init() { setMailOnlineCheck({}); }
    void cleanup() { setMailOnlineCheck({}); }

    void commandSequence_data();
    void commandSequence();
    void mailText_data();
    void mailText();
    void refusedSteps_data();
    void refusedSteps();
    void refusedRecipientDoesNotStopOthers();
    void emptyRecipientStopsAtOnce();
    void emptyRecipientList();
    void offLineWritesNoMailCommand();
    void slowGreeting();
    void silentServer();
    void closedPort();
    void settingsFromConfigFile();
    void replyCodes_data();
    void replyCodes();
};

void TestSmtpClient::replyCodes_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("code");
    QTest::newRow("single line") << QByteArray("250 OK\r\n") << 250;
    QTest::newRow("code alone") << QByteArray("354\r\n") << 354;
    QTest::newRow("multi-line: the final line") << QByteArray("250-a\r\n250-b\r\n251 c\r\n") << 251;
    QTest::newRow("final line with -") << QByteArray("220-more\r\n") << 220;
    QTest::newRow("no line end") << QByteArray("221 bye") << 221;
    QTest::newRow("blank final line") << QByteArray("250 OK\r\n\r\n") << 0;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("leading blank") << QByteArray(" 250 OK\r\n") << 0;
    QTest::newRow("sign") << QByteArray("+25 OK\r\n") << 0;
    QTest::newRow("four digits") << QByteArray("2500 OK\r\n") << 0;
    QTest::newRow("letter after code") << QByteArray("250x\r\n") << 0;
    QTest::newRow("two digits") << QByteArray("25\r\n") << 0;
}

void TestSmtpClient::replyCodes()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, code);
    QCOMPARE(smtpReplyCode(reply), code);
}

void TestSmtpClient::commandSequence_data()
{
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<QByteArray>("greeting");   // what the client says before AUTH LOGIN
    QTest::newRow("one-line replies") << QStringList() << QByteArray("EHLO 127.0.0.1\r\n");
    QTest::newRow("EHLO refused: HELO; multi-line greeting and HELO reply")
        << QStringList{"--greeting-lines", "3", "--refuse-ehlo", "--helo-lines", "4"}
        << QByteArray("EHLO 127.0.0.1\r\nHELO 127.0.0.1\r\n");
    QTest::newRow("STARTTLS, the certificate trusted: login under TLS") << QStringList{"--starttls"}
        << QByteArray("EHLO 127.0.0.1\r\nSTARTTLS\r\nEHLO 127.0.0.1\r\n");
}

void TestSmtpClient::commandSequence()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(QByteArray, greeting);
    SmtpTestServer server;
    QVERIFY(server.start(serverArgs));
    const QSslConfiguration system = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = system;   // the test CA added to the system's CAs
    trusting.addCaCertificates(QSslCertificate::fromData(server.file("ca.pem")));
    QSslConfiguration::setDefaultConfiguration(trusting);

    const QString subject = QStringLiteral("采集器报警");
    const QString body = QStringLiteral("2024-05-01 10:00:00通道1-101 温度 85.20℃ 超上限");
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(client.isLoggedIn());
        QVERIFY(sendAlarmMail(&client, {QStringLiteral("ops@example.com")}, subject, body));
    }
    QSslConfiguration::setDefaultConfiguration(system);
    const QByteArray expected = greeting + "AUTH LOGIN\r\n"
        + kUser.toBase64() + "\r\n" + kPassword.toBase64() + "\r\n"
        + wireOfMail("ops@example.com", subject.toUtf8(), body.toUtf8()) + "quit\r\n";
    QCOMPARE(server.wire(), expected);
    QCOMPARE(server.mailCount(), 1);
    QCOMPARE(server.mail(0), "from:VAZUV<" + kUser + ">\r\nto:ops@example.com\r\nsubject:"
                                 + subject.toUtf8() + "\r\n\r\n" + body.toUtf8() + "\r\n");
}

void TestSmtpClient::mailText_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("recipient");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QByteArray>("wireText");    // what goes between the header and "."
    QTest::addColumn<QByteArray>("storedText");  // what the server keeps of it
    QTest::addColumn<QByteArray>("storedHeader");

    const QByteArray header = "from:VAZUV<" + kUser + ">\r\nto:a@example.com\r\nsubject:s\r\n\r\n";
    QTest::newRow("LF line ends") << "s" << "a@example.com" << "one\ntwo\nthree"
                                  << QByteArray("one\r\ntwo\r\nthree")
                                  << QByteArray("one\r\ntwo\r\nthree\r\n") << header;
    QTest::newRow("CR and mixed line ends") << "s" << "a@example.com" << "one\rtwo\r\nthree"
                                            << QByteArray("one\r\ntwo\r\nthree")
                                            << QByteArray("one\r\ntwo\r\nthree\r\n") << header;
    QTest::newRow("a lone dot line") << "s" << "a@example.com" << "before\n.\nquit\nafter"
                                     << QByteArray("before\r\n..\r\nquit\r\nafter")
                                     << QByteArray("before\r\n.\r\nquit\r\nafter\r\n") << header;
    QTest::newRow("lines starting with dots") << "s" << "a@example.com" << ".x\n..y"
                                              << QByteArray("..x\r\n...y")
                                              << QByteArray(".x\r\n..y\r\n") << header;
    QTest::newRow("dot as first line") << "s" << "a@example.com" << ".\nrest"
                                       << QByteArray("..\r\nrest")
                                       << QByteArray(".\r\nrest\r\n") << header;
    QTest::newRow("blanks around the recipient") << "s" << " a@example.com " << "body"
                                                 << QByteArray("body") << QByteArray("body\r\n")
                                                 << header;
    QTest::newRow("CR LF removed from subject and recipient")
        << "s\r\nrcpt to:<x@example.com>" << "a@example.com\r\n" << "body"
        << QByteArray("body") << QByteArray("body\r\n")
        << QByteArray("from:VAZUV<" + kUser
                      + ">\r\nto:a@example.com\r\nsubject:srcpt to:<x@example.com>\r\n\r\n");
}

void TestSmtpClient::mailText()
{
    QFETCH(QString, subject);
    QFETCH(QString, recipient);
    QFETCH(QString, body);
    QFETCH(QByteArray, wireText);
    QFETCH(QByteArray, storedText);
    QFETCH(QByteArray, storedHeader);

    SmtpTestServer server;
    QVERIFY(server.start());
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(client.isLoggedIn());
        QVERIFY(sendAlarmMail(&client, {recipient}, subject, body));
    }
    QVERIFY2(server.wire().contains("\r\n\r\n" + wireText + "\r\n.\r\nquit\r\n"),
             server.wire().constData());
    QCOMPARE(server.mailCount(), 1);
    QCOMPARE(server.mail(0), storedHeader + storedText);
}

void TestSmtpClient::refusedSteps_data()
{
    QTest::addColumn<QStringList>("serverArgs");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QByteArray>("refusedLine");   // the last line of the refused step

    QTest::newRow("login refused with 535") << QStringList{"--password", "otherotherotherx"}
                                            << false << (kPassword.toBase64() + "\r\n");
    QTest::newRow("sender refused with 550") << QStringList{"--mail-code", "550"} << true
                                             << QByteArray("mail from:<" + kUser + ">\r\n");
    QTest::newRow("recipient refused with 550")
        << QStringList{"--refuse-rcpt", "ops@example.com"} << true
        << QByteArray("rcpt to:<ops@example.com>\r\n");
    QTest::newRow("mail refused with 554") << QStringList{"--data-code", "554"} << true
                                           << QByteArray(".\r\n");
    QTest::newRow("certificate not trusted: not even quit") << QStringList{"--starttls"} << false
                                                            << QByteArray("STARTTLS\r\n");
}

void TestSmtpClient::refusedSteps()
{
    QFETCH(QStringList, serverArgs);
    QFETCH(bool, loggedIn);
    QFETCH(QByteArray, refusedLine);

    SmtpTestServer server;
    QVERIFY(server.start(serverArgs));
    {
        SmtpClient client(loopback(server.port));
        QCOMPARE(client.isLoggedIn(), loggedIn);
        QString error;   // what the alarm mail's failure entry names
        QVERIFY(!sendAlarmMail(&client, {QStringLiteral("ops@example.com")},
                               QStringLiteral("s"), QStringLiteral("b"), &error));
        if (refusedLine == "STARTTLS\r\n")
            QVERIFY2(error.startsWith("加密连接失败：The certificate is self-signed"), qPrintable(error));
        QVERIFY(!client.sendMail("ops@example.com", QStringLiteral("s"), QStringLiteral("b")));
    }
    QCOMPARE(server.mailCount(), 0);
    const QByteArray wire = server.wire();
    QVERIFY2(wire.contains(refusedLine), wire.constData());
    if (!loggedIn)
        QVERIFY2(!wire.contains("mail from:"), wire.constData());
    QVERIFY(wire.endsWith(refusedLine == "STARTTLS\r\n" ? refusedLine : "quit\r\n"));
}

void TestSmtpClient::refusedRecipientDoesNotStopOthers()
{
    SmtpTestServer server;
    QVERIFY(server.start({"--refuse-rcpt", "gone@example.com"}));
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(!sendAlarmMail(&client,
                               {QStringLiteral("gone@example.com"), QStringLiteral("b@example.com")},
                               QStringLiteral("s"), QStringLiteral("text")));
    }
    // The refused transaction was reset, so the next recipient still got the mail.
    QCOMPARE(server.mailCount(), 1);
    QVERIFY(server.mail(0).contains("to:b@example.com\r\n"));
    QVERIFY(server.wire().contains("rcpt to:<gone@example.com>\r\nrset\r\nmail from:"));
}

void TestSmtpClient::emptyRecipientStopsAtOnce()
{
    SmtpTestServer server;
    QVERIFY(server.start());
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(!sendAlarmMail(&client,
                               {QStringLiteral("a@example.com"), QString(),
                                QStringLiteral("c@example.com")},
                               QStringLiteral("s"), QStringLiteral("text")));
    }
    QCOMPARE(server.mailCount(), 1);
    QVERIFY(server.mail(0).contains("to:a@example.com\r\n"));
    QVERIFY(!server.wire().contains("c@example.com"));
}

void TestSmtpClient::emptyRecipientList()
{
    SmtpTestServer server;
    QVERIFY(server.start());
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(client.isLoggedIn());
        QVERIFY(!sendAlarmMail(&client, {}, QStringLiteral("s"), QStringLiteral("text")));
    }
    QVERIFY(!server.wire().contains("mail from:"));
}

void TestSmtpClient::offLineWritesNoMailCommand()
{
    SmtpTestServer server;
    QVERIFY(server.start());
    int checks = 0;
    setMailOnlineCheck([&checks](const SmtpClient &) {
        ++checks;
        return false;
    });
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(client.isLoggedIn());
        QVERIFY(!sendAlarmMail(&client, {QStringLiteral("a@example.com")}, QStringLiteral("s"),
                               QStringLiteral("text")));
    }
    QCOMPARE(checks, 1);
    QVERIFY(!server.wire().contains("mail from:"));
    QCOMPARE(server.mailCount(), 0);
}

void TestSmtpClient::slowGreeting()
{
    SmtpTestServer server;
    QVERIFY(server.start({"--greeting-delay", "3"}));
    {
        SmtpClient client(loopback(server.port));
        QVERIFY(client.isLoggedIn());
        QVERIFY(sendAlarmMail(&client, {QStringLiteral("a@example.com")}, QStringLiteral("s"),
                              QStringLiteral("late but delivered")));
    }
    QCOMPARE(server.mailCount(), 1);
}

void TestSmtpClient::silentServer()
{
    SmtpTestServer server;
    QVERIFY(server.start({"--silent"}));
    MailServerSettings settings = loopback(server.port);
    settings.replyTimeoutMs = 1500;
    QElapsedTimer timer;
    timer.start();
    {
        SmtpClient client(settings);
        QVERIFY(!client.isLoggedIn());
        QVERIFY(!sendAlarmMail(&client, {QStringLiteral("a@example.com")}, QStringLiteral("s"),
                               QStringLiteral("text")));
    }
    // The greeting is waited for once; nothing more is tried on a link out of step.
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= 1400 && elapsed < 2900, QByteArray::number(elapsed));
    QVERIFY(server.wire().isEmpty());
}

void TestSmtpClient::closedPort()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    QElapsedTimer timer;
    timer.start();
    {
        SmtpClient client(loopback(port));
        QVERIFY(!client.isLoggedIn());
        QVERIFY(!client.isConnected());
        QVERIFY(!sendAlarmMail(&client, {QStringLiteral("a@example.com")}, QStringLiteral("s"),
                               QStringLiteral("text")));
    }
    QVERIFY(timer.elapsed() < 3000);
}

void TestSmtpClient::settingsFromConfigFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString old = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    // A fresh folder gets the placeholders written, so the installation can fill them in.
    const MailServerSettings placeholders = mailServerSettings();
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("config.ini"))));
    {
        QSettings ini(dir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        for (const char *key : {"Mail/Host", "Mail/Port", "Mail/User", "Mail/AuthCode",
                                "Mail/SenderName"})
            QVERIFY2(ini.contains(QLatin1String(key)), key);
        QCOMPARE(ini.value(QStringLiteral("Mail/Host")).toString(), placeholders.host);
        QCOMPARE(ini.value(QStringLiteral("Mail/Port")).toInt(), 25);
        QCOMPARE(int(placeholders.port), 25);
        ini.setValue(QStringLiteral("Mail/Host"), QStringLiteral("smtp.plant.local"));
        ini.setValue(QStringLiteral("Mail/Port"), 2525);
        ini.setValue(QStringLiteral("Mail/User"), QStringLiteral("daq@plant.local"));
        ini.setValue(QStringLiteral("Mail/AuthCode"), QStringLiteral("qwertyuiopasdfgh"));
        ini.setValue(QStringLiteral("Mail/SenderName"), QStringLiteral("采集报警"));
    }
    const MailServerSettings s = mailServerSettings();
    QCOMPARE(s.host, QStringLiteral("smtp.plant.local"));
    QCOMPARE(int(s.port), 2525);
    QCOMPARE(s.user, QByteArray("daq@plant.local"));
    QCOMPARE(s.password, QByteArray("qwertyuiopasdfgh"));
    QCOMPARE(s.senderName, QStringLiteral("采集报警"));
    QVERIFY(QDir::setCurrent(old));
}

QTEST_GUILESS_MAIN(TestSmtpClient)
#include "test_smtp_client.moc"
