// The temperature sources and the hosted reference against the source stand-in
// (tests/sim/fake_source.py), over loopback TCP (test_field_sources_tcp) or a socat pty pair
// (test_field_sources_pty). Operations run on worker threads while the test's main thread
// delivers the link's events, as the calibration page does.
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Criteria.h"
#include "FakeLink.h"
#include "FieldDry.h"
#include "FieldTank.h"
#include "WorkerCall.h"

#ifndef LINK_OVER_PTY
#define LINK_OVER_PTY 0
#endif
#define ON_WORKER(call) runOnWorker([&] { return call; })

namespace {
const QString kLink = LINK_OVER_PTY ? QStringLiteral("串口") : QStringLiteral("网络");

// Opens `source` on a fresh stand-in; short budgets so that a silent reply costs about 1 s.
bool openOn(FieldLink &source, FakeLink &link, const QString &mode, const QStringList &args,
            const QString &openMode = QString())
{
    source.setWaits(50, 8);
    return link.start(mode, args)
        && ON_WORKER(source.open(openMode.isEmpty() ? mode : openMode, link.address(), link.portOrBaud()));
}

// Lines for the stand-in itself, sent over the driver's own link.
void steer(FieldLink &source, const QStringList &lines)
{
    for (const QString &line : lines)
        QVERIFY(ON_WORKER(source.sendCommand(line + QStringLiteral("\r\n"))));
}
} // namespace

class TestFieldSources : public QObject
{
    Q_OBJECT
private slots:
    void dryWellProtocol()
    {
        FakeLink link(QStringLiteral("fake_source.py"));
        FieldDry dry;
        QVERIFY(openOn(dry, link, kLink, {"--kind", "dry", "--temperature", "25"}));
        QVERIFY(!ON_WORKER(dry.open(kLink, link.address(), link.portOrBaud())));  // open already
        QString serial;
        QVERIFY(ON_WORKER(dry.readSerialNumber(serial)));
        QCOMPARE(serial, QStringLiteral("BRELK-ELEC,KXDW-350H,A123,1.00"));
        QVERIFY(ON_WORKER(dry.startOutput() && dry.setTemperature(-5.5)));
        QCOMPARE(link.fake().requests().mid(1),
                 (QStringList{"OUTP:STAT 1\r\n", "u C\r\n", "s -5.50\r\n", "s\r\n"}));
        double t = 0.0;
        bool stable = false;
        QVERIFY(ON_WORKER(dry.readTemperature(t) && dry.isStable(stable)) && stable);
        QCOMPARE(t, -5.5);

        // A set point read back with another value is tried three times, then refused.
        steer(dry, {"SIM:SET s=25.01"});
        QVERIFY(!ON_WORKER(dry.setTemperature(25.0)));
        QCOMPARE(link.fake().requests().count("s 25.00\r\n"), 3);
        QVERIFY(ON_WORKER(dry.close()));
        QTRY_VERIFY(!dry.isConnected());
        QVERIFY(!ON_WORKER(dry.readTemperature(t)));
    }

    void dryWellRepliesAreTheNewestLine()
    {
        FakeLink link(QStringLiteral("fake_source.py"));
        FieldDry dry;
        QVERIFY(openOn(dry, link, kLink, {"--kind", "dry", "--temperature", "30"}));
        double t = 0.0;
        bool stable = true;
        // An answer nobody read ("0") and the fresh "0" are not joined into "00" (stable).
        steer(dry, {"SIM:STABLE 0"});
        QVERIFY(ON_WORKER(dry.sendCommand("SOUR1:STAB:TEST?\r\n") && dry.isStable(stable)) && !stable);

        // A late answer arriving with the next one: the newest line is the reply.
        steer(dry, {"SIM:LATE 1500"});
        QVERIFY(!ON_WORKER(dry.readTemperature(t)));
        steer(dry, {"SIM:LATE 0", "SIM:TEMP 31.5", "SIM:SPLIT 3", "SIM:GAP 250"});
        QVERIFY(ON_WORKER(dry.readTemperature(t)));  // in three pieces
        QCOMPARE(t, 31.5);

        // A reply that is not a number is a failed read, never 0 °C; so is one without a line end.
        t = 7.0;
        steer(dry, {"SIM:SPLIT 1", "SIM:REPLY -113,\"Undefined header\""});
        QVERIFY(!ON_WORKER(dry.readTemperature(t)));
        steer(dry, {"SIM:GARBAGE 1"});
        QVERIFY(!ON_WORKER(dry.readTemperature(t)));
        QCOMPARE(t, 7.0);
    }

    // A reply followed by an extra line end: the blank line is no reply, for either source.
    void blankLineAfterReply_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("eol");
        QTest::newRow("dry well, LF") << "dry" << "CRLFLF";
        QTest::newRow("dry well, CRLF") << "dry" << "CRLFCRLF";
        if (LINK_OVER_PTY)   // the bath has only the serial link
            QTest::newRow("bath, CRLF") << "bath" << "CRLFCRLF";
    }
    void blankLineAfterReply()
    {
        QFETCH(QString, kind);
        QFETCH(QString, eol);
        const bool isDry = kind == "dry";
        FakeLink link(QStringLiteral("fake_source.py"));
        FieldDry dry;
        FieldTank bath;
        FieldLink &source = isDry ? static_cast<FieldLink &>(dry) : bath;
        QVERIFY(openOn(source, link, isDry ? kLink : QStringLiteral("串口"),
                       {"--kind", kind, "--temperature", "42.5", "--eol", eol}));
        double t = 0.0;
        bool stable = false;
        QVERIFY(ON_WORKER(source.readTemperature(t) && source.setTemperature(60.0) && source.isStable(stable)) && stable);
        QCOMPARE(t, 42.5);
        QCOMPARE(link.fake().requests().count(isDry ? "s 60.00\r\n" : "s=60.00\r\n"), 1);   // set on the first try
    }

#if LINK_OVER_PTY
    void bathProtocol()
    {
        FakeLink link(QStringLiteral("fake_source.py"));
        FieldTank bath;
        // The bath opens its serial port whatever link type it is given.
        QVERIFY(openOn(bath, link, "串口", {"--kind", "bath", "--temperature", "40"}, "网络"));
        QString serial;
        QVERIFY(ON_WORKER(bath.readSerialNumber(serial)));
        QCOMPARE(serial, QStringLiteral("A123"));
        // The six set-up commands are answered; those answers are never taken for a later reply.
        double t = 0.0;
        QVERIFY(ON_WORKER(bath.startOutput() && bath.readTemperature(t)));
        QCOMPARE(t, 40.0);
        bool stable = false;
        QVERIFY(ON_WORKER(bath.setTemperature(25.004) && bath.isStable(stable)) && stable);
        QCOMPARE(link.fake().requests().mid(1, 9),
                 (QStringList{"lf=on\r\n", "u=C\r\n", "sa=n\r\n", "pc=s\r\n", "co=au\r\n",
                              "hg=auto\r\n", "r\r\n", "s=25.00\r\n", "s\r\n"}));
        steer(bath, {"SIM:STABLE 0"});
        QVERIFY(ON_WORKER(bath.isStable(stable)) && !stable);
        // A value that is not a number is a failed try; the next try reads the temperature.
        steer(bath, {"SIM:REPLY r: --.- C"});
        QVERIFY(ON_WORKER(bath.readTemperature(t)));
        QCOMPARE(t, 25.0);
        // A read-back within 0.01 of the set point confirms it.
        steer(bath, {"SIM:SET s=set: 25.01 C"});
        QVERIFY(ON_WORKER(bath.setTemperature(25.004)));
    }
#else
    void hostedReference()
    {
        FakeLink link(QStringLiteral("fake_source.py"));
        FieldDryR source;
        Criteria reference(&source);
        QVERIFY(!reference.open(QString(), QString(), QString()));  // the source is not open yet
        QVERIFY(openOn(source, link, kLink, {"--kind", "dry", "--temperature", "-38.8"}));
        QVERIFY(reference.open(QString(), QString(), QString()) && reference.setChannelConfig({}));
        double t = 0.0;
        QVERIFY(ON_WORKER(reference.readTemperature(t)));
        QCOMPARE(t, -38.8);
        QCOMPARE(link.fake().requests().last(), QStringLiteral("READ?\r\n"));
        QVERIFY(reference.close() && !reference.isConnected() && source.isConnected());
    }

    void peerCloseDropsTheLink()
    {
        FakeLink link(QStringLiteral("fake_source.py"));
        FieldDry dry;
        QVERIFY(openOn(dry, link, kLink, {"--kind", "dry"}));
        steer(dry, {"SIM:CLOSE"});
        QTRY_VERIFY(!dry.isConnected());
        double t = 0.0;
        QVERIFY(!ON_WORKER(dry.readTemperature(t)));
        // The stand-in waits for the next connection: the link opens again.
        QVERIFY(ON_WORKER(dry.open(kLink, link.address(), link.portOrBaud()) && dry.readTemperature(t)));
    }

    void connectThatHangsLeavesTheGuiFree()
    {
        // A listener whose queue is full: a further connect is never answered.
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), size) == 0);
        QVERIFY(::listen(listener, 0) == 0);
        QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size) == 0);
        QTcpSocket filler;
        filler.connectToHost("127.0.0.1", ntohs(address.sin_port));
        QVERIFY(filler.waitForConnected(3000));

        FieldDry dry;
        dry.setWaits(20, 8);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(50);
        QVERIFY(!ON_WORKER(dry.open("网络", "127.0.0.1", QString::number(ntohs(address.sin_port)))));
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));  // the GUI thread kept running
        QTest::qWait(500);
        QVERIFY(!dry.isConnected());
        ::close(listener);
    }
#endif
};

QTEST_GUILESS_MAIN(TestFieldSources)
#include "test_field_sources.moc"
