// The temperature sources and the hosted reference against the source stand-in
// (tests/sim/fake_source.py), over loopback TCP (test_field_sources_tcp) or a socat pty pair
// (test_field_sources_pty). Operations run on worker threads while the test's main thread
// delivers the link's events, as the calibration page does.
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <memory>

#include "Criteria.h"
#include "FakeLink.h"
#include "FieldDry.h"
#include "FieldTank.h"
#include "WorkerCall.h"

#ifndef LINK_OVER_PTY
#define LINK_OVER_PTY 0
#endif

namespace {
const QString kLink = LINK_OVER_PTY ? QStringLiteral("串口") : QStringLiteral("网络");

// Opens `source` on a fresh stand-in; short budgets so that a silent reply costs about 1 s.
bool openOn(FieldLink &source, FakeLink &link, const QString &mode, const QStringList &args)
{
    source.setWaits(50, 8);
    if (!link.start(mode, args))
        return false;
    return runOnWorker([&] { return source.open(mode, link.address(), link.portOrBaud()); });
}

// A line for the stand-in itself, sent over the driver's own link.
void steer(FieldLink &source, const QString &line)
{
    QVERIFY(runOnWorker([&] { return source.sendCommand(line + QStringLiteral("\r\n")); }));
}
} // namespace

class TestFieldSources : public QObject
{
    Q_OBJECT
private slots:
    void dryWellProtocol();
    void dryWellRepliesAreTheNewestLine();
#if LINK_OVER_PTY
    void bathProtocol();
#else
    void hostedReference();
    void manualDryWellOpensNothing();
    void peerCloseDropsTheLink();
    void connectThatHangsLeavesTheGuiFree();
#endif
};

void TestFieldSources::dryWellProtocol()
{
    FakeLink link(QStringLiteral("fake_source.py"));
    FieldDry dry;
    QVERIFY(openOn(dry, link, kLink, {"--kind", "dry", "--temperature", "25"}));
    QVERIFY(dry.isConnected());
    QVERIFY(!runOnWorker([&] { return dry.open(kLink, link.address(), link.portOrBaud()); }));

    QString serial;
    QVERIFY(runOnWorker([&] { return dry.readSerialNumber(serial); }));
    QCOMPARE(serial, QStringLiteral("BRELK-ELEC,KXDW-350H,A123,1.00"));
    QVERIFY(runOnWorker([&] { return dry.startOutput(); }));
    QVERIFY(runOnWorker([&] { return dry.setTemperature(-5.5); }));
    QCOMPARE(link.fake().requests().mid(1),
             (QStringList{"OUTP:STAT 1\r\n", "u C\r\n", "s -5.50\r\n", "s\r\n"}));
    double t = 0.0;
    QVERIFY(runOnWorker([&] { return dry.readTemperature(t); }));
    QCOMPARE(t, -5.5);
    bool stable = false;
    QVERIFY(runOnWorker([&] { return dry.isStable(stable); }));
    QVERIFY(stable);

    // A set point read back with another value is tried three times, then refused.
    steer(dry, "SIM:SET s=25.01");
    QVERIFY(!runOnWorker([&] { return dry.setTemperature(25.0); }));
    QCOMPARE(link.fake().requests().count("s 25.00\r\n"), 3);

    QVERIFY(runOnWorker([&] { return dry.close(); }));
    QTRY_VERIFY(!dry.isConnected());
    QVERIFY(!runOnWorker([&] { return dry.readTemperature(t); }));
}

void TestFieldSources::dryWellRepliesAreTheNewestLine()
{
    FakeLink link(QStringLiteral("fake_source.py"));
    FieldDry dry;
    QVERIFY(openOn(dry, link, kLink, {"--kind", "dry", "--temperature", "30"}));
    double t = 0.0;
    bool stable = true;

    // An answer nobody read ("0") and the fresh "0" are not joined into "00" (stable).
    steer(dry, "SIM:STABLE 0");
    QVERIFY(runOnWorker([&] { return dry.sendCommand("SOUR1:STAB:TEST?\r\n"); }));
    QVERIFY(runOnWorker([&] { return dry.isStable(stable); }));
    QVERIFY(!stable);

    // A late answer arriving with the next one: the newest line is the reply.
    steer(dry, "SIM:LATE 1500");
    QVERIFY(!runOnWorker([&] { return dry.readTemperature(t); }));
    steer(dry, "SIM:LATE 0");
    steer(dry, "SIM:TEMP 31.5");
    QVERIFY(runOnWorker([&] { return dry.readTemperature(t); }));
    QCOMPARE(t, 31.5);

    // A reply in pieces is read whole.
    steer(dry, "SIM:SPLIT 3");
    steer(dry, "SIM:GAP 250");
    QVERIFY(runOnWorker([&] { return dry.readTemperature(t); }));
    QCOMPARE(t, 31.5);
    steer(dry, "SIM:SPLIT 1");

    // A reply that is not a number is a failed read, never 0 °C; so is one without a line end.
    t = 7.0;
    steer(dry, "SIM:REPLY -113,\"Undefined header\"");
    QVERIFY(!runOnWorker([&] { return dry.readTemperature(t); }));
    steer(dry, "SIM:GARBAGE 1");
    QVERIFY(!runOnWorker([&] { return dry.readTemperature(t); }));
    QCOMPARE(t, 7.0);
}

#if LINK_OVER_PTY
void TestFieldSources::bathProtocol()
{
    FakeLink link(QStringLiteral("fake_source.py"));
    FieldTank bath;
    // The bath opens its serial port whatever link type it is given.
    QVERIFY(openOn(bath, link, QStringLiteral("串口"), {"--kind", "bath", "--temperature", "40"}));
    QVERIFY(runOnWorker([&] { return bath.close(); }));
    QTRY_VERIFY(!bath.isConnected());
    QVERIFY(runOnWorker([&] { return bath.open("网络", link.address(), link.portOrBaud()); }));

    QString serial;
    QVERIFY(runOnWorker([&] { return bath.readSerialNumber(serial); }));
    QCOMPARE(serial, QStringLiteral("A123"));
    // The six set-up commands are answered; those answers are never taken for a later reply.
    QVERIFY(runOnWorker([&] { return bath.startOutput(); }));
    double t = 0.0;
    QVERIFY(runOnWorker([&] { return bath.readTemperature(t); }));
    QCOMPARE(t, 40.0);
    QVERIFY(runOnWorker([&] { return bath.setTemperature(25.004); }));
    QCOMPARE(link.fake().requests().mid(1, 9),
             (QStringList{"lf=on\r\n", "u=C\r\n", "sa=n\r\n", "pc=s\r\n", "co=au\r\n",
                          "hg=auto\r\n", "r\r\n", "s=25.00\r\n", "s\r\n"}));
    bool stable = false;
    QVERIFY(runOnWorker([&] { return bath.isStable(stable); }));
    QVERIFY(stable);
    steer(bath, "SIM:STABLE 0");
    QVERIFY(runOnWorker([&] { return bath.isStable(stable); }));
    QVERIFY(!stable);

    // A value that is not a number is a failed try; the next try reads the temperature.
    steer(bath, "SIM:REPLY r: --.- C");
    QVERIFY(runOnWorker([&] { return bath.readTemperature(t); }));
    QCOMPARE(t, 25.0);
    // A read-back within 0.01 of the set point confirms it.
    steer(bath, "SIM:SET s=set: 25.01 C");
    QVERIFY(runOnWorker([&] { return bath.setTemperature(25.004); }));
}

#else
void TestFieldSources::hostedReference()
{
    Criteria alone;
    double t = 3.0;
    QVERIFY(!alone.open("串口", "x", "9600"));
    QVERIFY(!alone.readTemperature(t));
    QVERIFY(!alone.setChannelConfig(ChannelRecord()));
    QVERIFY(alone.close());
    QCOMPARE(t, 3.0);

    FakeLink link(QStringLiteral("fake_source.py"));
    FieldDryR source;
    Criteria reference(&source);
    QVERIFY(!reference.open(QString(), QString(), QString()));  // the source is not open yet
    QVERIFY(openOn(source, link, kLink, {"--kind", "dry", "--temperature", "-38.8"}));
    QVERIFY(reference.open(QString(), QString(), QString()));
    QVERIFY(reference.isConnected());
    QVERIFY(reference.setChannelConfig(ChannelRecord()));
    QVERIFY(runOnWorker([&] { return reference.readTemperature(t); }));
    QCOMPARE(t, -38.8);
    QCOMPARE(link.fake().requests().last(), QStringLiteral("READ?\r\n"));
    QVERIFY(reference.close());
    QVERIFY(!reference.isConnected());
    QVERIFY(source.isConnected());
}

void TestFieldSources::manualDryWellOpensNothing()
{
    FieldDry dry;
    QVERIFY(runOnWorker([&] { return dry.open("手动", QString(), QString()); }));
    QVERIFY(!dry.isConnected());
    QVERIFY(!runOnWorker([&] { return dry.startOutput(); }));
}
void TestFieldSources::peerCloseDropsTheLink()
{
    FakeLink link(QStringLiteral("fake_source.py"));
    FieldDry dry;
    QVERIFY(openOn(dry, link, kLink, {"--kind", "dry"}));
    steer(dry, "SIM:CLOSE");
    QTRY_VERIFY(!dry.isConnected());
    double t = 0.0;
    QVERIFY(!runOnWorker([&] { return dry.readTemperature(t); }));
    // The stand-in waits for the next connection: the link opens again.
    QVERIFY(runOnWorker([&] { return dry.open(kLink, link.address(), link.portOrBaud()); }));
    QVERIFY(runOnWorker([&] { return dry.readTemperature(t); }));
}

void TestFieldSources::connectThatHangsLeavesTheGuiFree()
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
    const QString port = QString::number(ntohs(address.sin_port));
    QTcpSocket filler;
    filler.connectToHost("127.0.0.1", ntohs(address.sin_port));
    QVERIFY(filler.waitForConnected(3000));

    FieldDry dry;
    dry.setWaits(20, 8);
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!runOnWorker([&] { return dry.open("网络", "127.0.0.1", port); }));
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));  // the GUI thread kept running
    QTest::qWait(500);
    QVERIFY(!dry.isConnected());
    ::close(listener);
}
#endif

QTEST_GUILESS_MAIN(TestFieldSources)
#include "test_field_sources.moc"
