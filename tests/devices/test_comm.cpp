// The transport on its own: TCP and serial opens, refusals, writes after a dropped peer, and the
// release of ports and sockets. Comm is driven directly on the test thread; its reports are
// watched with signal spies.
#include <QHostAddress>
#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "Comm.h"
#include "FakeInstrument.h"
#include "MessageCapture.h"
#include "PtyPair.h"

namespace {
const QString Serial = QStringLiteral("串口");
const QString Network = QStringLiteral("网络");

// The last reported link state, or -1 when nothing was reported.
int lastState(const QSignalSpy &spy)
{
    return spy.isEmpty() ? -1 : (spy.last().at(0).toBool() ? 1 : 0);
}

// A transport with a spy on its link reports.
struct Watched
{
    Comm comm;
    QSignalSpy state{&comm, &Comm::State_signals};

    // Opens and returns the state reported last (-1: none).
    int open(const QString &type, const QString &address, int portOrBaud)
    {
        comm.Open_slots(type, address, portOrBaud);
        return lastState(state);
    }
};
} // namespace

class TestComm : public QObject
{
    Q_OBJECT
private slots:
    void candidatesForLoopback();
    void candidatesRefuseOtherShapes_data();
    void candidatesRefuseOtherShapes();
    void candidatesWithoutMatchingInterface();
    void tcpOpenBindsTheMatchingLocalAddressFirst();
    void tcpOpenTriesEveryCandidateBeforeRefusing();

    void tcpPortOutsideRangeIsRefused_data();
    void tcpPortOutsideRangeIsRefused();
    void threePartAddressIsRefusedAtOnce();
    void unknownLinkTypeIsRefused();
    void tcpOpenWhileConnectedKeepsTheLink();
    void droppedPeerIsReportedAtTheNextWrite();
    void reopenAfterDropReplacesTheSocket();
    void deletingReleasesTheSocket();
    void tcpCloseReportsDownAndDisconnects();

    void serialOpenWriteAndRead();
    void serialOpenToleratesSettingsAPtyRefuses_data();
    void serialOpenToleratesSettingsAPtyRefuses();
    void serialMissingPortIsRefused();
    void serialBusyPortIsRefused();
    void deletingReleasesTheSerialPort();
    void closeReleasesTheSerialPort();
};

void TestComm::candidatesForLoopback()
{
    const QList<QHostAddress> list = Comm::localCandidates(QStringLiteral("127.0.0.1"));
    QVERIFY(list.size() >= 2);
    QVERIFY(list.last().isNull());
    QVERIFY(list.contains(QHostAddress(QStringLiteral("127.0.0.1"))));
    for (int i = 0; i < list.size() - 1; ++i)
        QVERIFY2(list[i].toString().startsWith(QLatin1String("127.0.0.")),
                 qPrintable(list[i].toString()));
}

void TestComm::candidatesRefuseOtherShapes_data()
{
    QTest::addColumn<QString>("host");
    QTest::newRow("three parts") << QStringLiteral("127.0.0");
    QTest::newRow("five parts") << QStringLiteral("127.0.0.1.5");
    QTest::newRow("name") << QStringLiteral("localhost");
    QTest::newRow("empty") << QString();
}

void TestComm::candidatesRefuseOtherShapes()
{
    QFETCH(QString, host);
    QVERIFY(Comm::localCandidates(host).isEmpty());
}

void TestComm::candidatesWithoutMatchingInterface()
{
    // 203.0.113.0/24 is reserved for documentation: no machine carries it.
    const auto all = QNetworkInterface::allAddresses();
    for (const QHostAddress &a : all) {
        if (a.toString().startsWith(QLatin1String("203.0.113.")))
            QSKIP("this machine has an address in 203.0.113.0/24");
    }
    const QList<QHostAddress> list = Comm::localCandidates(QStringLiteral("203.0.113.9"));
    QCOMPARE(list.size(), 1);
    QVERIFY(list.first().isNull());
}

namespace {
// The local addresses a TCP open traced as bound, in order.
QStringList boundAddresses(const MessageCapture &traces)
{
    QStringList bound;
    const QString word = QStringLiteral("本地地址：");
    for (const QString &m : traces.messages()) {
        if (m.startsWith(word))
            bound << m.mid(word.size()).trimmed().remove(QLatin1Char('"'));
    }
    return bound;
}
} // namespace

void TestComm::tcpOpenBindsTheMatchingLocalAddressFirst()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QList<QHostAddress> candidates = Comm::localCandidates(QStringLiteral("127.0.0.1"));
    MessageCapture traces;
    Watched w;
    QCOMPARE(w.open(Network, QStringLiteral("127.0.0.1"), server.serverPort()), 1);
    QVERIFY(server.waitForNewConnection(2000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    QCOMPARE(peer->peerAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    QVERIFY(traces.contains(QStringLiteral("本地地址数： %1").arg(candidates.size())));
    // The first candidate, bound, connected: no other attempt.
    QCOMPARE(boundAddresses(traces), QStringList{candidates.first().toString()});
}

void TestComm::tcpOpenTriesEveryCandidateBeforeRefusing()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const quint16 port = server.serverPort();
    server.close();   // refused at once from every local address
    QStringList expected;
    for (const QHostAddress &a : Comm::localCandidates(QStringLiteral("127.0.0.1"))) {
        if (!a.isNull())
            expected << a.toString();
    }
    QVERIFY(!expected.isEmpty());
    MessageCapture traces;
    Watched w;
    QCOMPARE(w.open(Network, QStringLiteral("127.0.0.1"), port), 0);
    QCOMPARE(w.state.size(), 1);
    QCOMPARE(boundAddresses(traces), expected);
    // Nothing stays half open: a write reports the link down.
    w.comm.Write_slots("x");
    QCOMPARE(w.state.size(), 2);
    QCOMPARE(lastState(w.state), 0);
}

void TestComm::tcpPortOutsideRangeIsRefused_data()
{
    QTest::addColumn<int>("offset");   // added to the listening port
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<int>("port");
    QTest::newRow("zero") << 0 << true << 0;
    QTest::newRow("negative") << 0 << true << -1;
    QTest::newRow("wraps onto the listener") << 65536 << false << 0;
    QTest::newRow("far above") << 0 << true << 1000000;
}

void TestComm::tcpPortOutsideRangeIsRefused()
{
    QFETCH(int, offset);
    QFETCH(bool, absolute);
    QFETCH(int, port);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const int target = absolute ? port : int(server.serverPort()) + offset;

    Watched w;
    QCOMPARE(w.open(Network, QStringLiteral("127.0.0.1"), target), 0);
    QCOMPARE(w.state.size(), 1);
    QVERIFY(!server.waitForNewConnection(300));
}

void TestComm::threePartAddressIsRefusedAtOnce()
{
    Comm comm;
    QSignalSpy state(&comm, &Comm::State_signals);
    QElapsedTimer clock;
    clock.start();
    comm.Open_slots(Network, QStringLiteral("127.0.0"), 5025);
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(state.size(), 1);
    QCOMPARE(lastState(state), 0);
}

void TestComm::unknownLinkTypeIsRefused()
{
    Watched w;
    QCOMPARE(w.open(QStringLiteral("USB"), QStringLiteral("127.0.0.1"), 5025), 0);
    QCOMPARE(w.state.size(), 1);
}

void TestComm::tcpOpenWhileConnectedKeepsTheLink()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Comm comm;
    QSignalSpy state(&comm, &Comm::State_signals);
    comm.Open_slots(Network, QStringLiteral("127.0.0.1"), server.serverPort());
    QCOMPARE(lastState(state), 1);
    QVERIFY(server.waitForNewConnection(2000));
    std::unique_ptr<QTcpSocket> first(server.nextPendingConnection());

    comm.Open_slots(Network, QStringLiteral("127.0.0.1"), server.serverPort());
    QCOMPARE(state.size(), 2);
    QCOMPARE(lastState(state), 1);
    QVERIFY(!server.waitForNewConnection(300));

    // The first connection still carries the bytes.
    comm.Write_slots("ping\r\n");
    QVERIFY(first->waitForReadyRead(2000));
    QCOMPARE(first->readAll(), QByteArray("ping\r\n"));
}

void TestComm::droppedPeerIsReportedAtTheNextWrite()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Comm comm;
    QSignalSpy state(&comm, &Comm::State_signals);
    comm.Open_slots(Network, QStringLiteral("127.0.0.1"), server.serverPort());
    QCOMPARE(lastState(state), 1);
    QVERIFY(server.waitForNewConnection(2000));
    QTcpSocket *peer = server.nextPendingConnection();
    peer->close();
    delete peer;

    // The drop alone reports nothing.
    QVERIFY(!state.wait(300));
    QCOMPARE(state.size(), 1);
    comm.Write_slots("after drop\r\n");
    QCOMPARE(state.size(), 2);
    QCOMPARE(lastState(state), 0);
}

void TestComm::reopenAfterDropReplacesTheSocket()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    Comm comm;
    QSignalSpy state(&comm, &Comm::State_signals);
    comm.Open_slots(Network, QStringLiteral("127.0.0.1"), server.serverPort());
    QVERIFY(server.waitForNewConnection(2000));
    delete server.nextPendingConnection();
    QTest::qWait(200);   // the drop reaches the transport
    comm.Write_slots("x");
    QCOMPARE(lastState(state), 0);

    comm.Open_slots(Network, QStringLiteral("127.0.0.1"), server.serverPort());
    QCOMPARE(lastState(state), 1);
    QVERIFY(server.waitForNewConnection(2000));
    std::unique_ptr<QTcpSocket> second(server.nextPendingConnection());
    const int before = state.size();
    comm.Write_slots("second\r\n");
    QCOMPARE(state.size(), before);   // connected: no report
    QVERIFY(second->waitForReadyRead(2000));
    QCOMPARE(second->readAll(), QByteArray("second\r\n"));
}

void TestComm::deletingReleasesTheSocket()
{
    FakeInstrument fake;
    QVERIFY(fake.startTcp());
    auto comm = std::make_unique<Comm>();
    QSignalSpy state(comm.get(), &Comm::State_signals);
    comm->Open_slots(Network, QStringLiteral("127.0.0.1"), fake.port());
    QCOMPARE(lastState(state), 1);
    QVERIFY(fake.waitForEvent(QStringLiteral("connected")));
    comm.reset();
    QVERIFY2(fake.waitForEvent(QStringLiteral("closed"), 1, 3000),
             "the peer still holds the connection of a deleted transport");
}

void TestComm::tcpCloseReportsDownAndDisconnects()
{
    FakeInstrument fake;
    QVERIFY(fake.startTcp());
    Comm comm;
    QSignalSpy state(&comm, &Comm::State_signals);
    comm.Open_slots(Network, QStringLiteral("127.0.0.1"), fake.port());
    QCOMPARE(lastState(state), 1);
    comm.Close_slots();
    QCOMPARE(lastState(state), 0);
    QVERIFY(fake.waitForEvent(QStringLiteral("closed"), 1, 3000));
    // A write after close reports the link down and sends nothing.
    comm.Write_slots("*IDN?\r\n");
    QCOMPARE(lastState(state), 0);
    QTest::qWait(200);
    QVERIFY(fake.requests().isEmpty());
}

void TestComm::serialOpenWriteAndRead()
{
    QTemporaryDir dir;
    PtyPair pty(dir.path());
    QVERIFY(pty.start());
    FakeInstrument fake;
    QVERIFY(fake.startPty(pty.instrumentEnd(), {QStringLiteral("--reply"), QStringLiteral("PING=PONG")}));

    Comm comm;
    QSignalSpy state(&comm, &Comm::State_signals);
    QSignalSpy read(&comm, &Comm::Read_signals);
    comm.Open_slots(Serial, pty.driverEnd(), 9600);
    QCOMPARE(lastState(state), 1);
    comm.Write_slots("PING\r\n");
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (!got.endsWith('\n') && clock.elapsed() < 3000) {
        read.wait(100);
        got.clear();
        for (const auto &args : read)
            got += args.at(0).toByteArray();
    }
    QCOMPARE(got, QByteArray("PONG\r\n"));
    QCOMPARE(fake.requests(), QStringList{QStringLiteral("PING\r\n")});
}

void TestComm::serialOpenToleratesSettingsAPtyRefuses_data()
{
    QTest::addColumn<int>("baud");
    QTest::newRow("9600") << 9600;
    QTest::newRow("115200") << 115200;
    QTest::newRow("zero") << 0;
    QTest::newRow("odd rate") << 12345;
}

void TestComm::serialOpenToleratesSettingsAPtyRefuses()
{
    QFETCH(int, baud);
    QTemporaryDir dir;
    PtyPair pty(dir.path());
    QVERIFY(pty.start());
    Watched w;
    QCOMPARE(w.open(Serial, pty.driverEnd(), baud), 1);
}

void TestComm::serialMissingPortIsRefused()
{
    QTemporaryDir dir;
    Watched w;
    QCOMPARE(w.open(Serial, dir.filePath(QStringLiteral("no-such-port")), 9600), 0);
    QCOMPARE(w.state.size(), 1);
    // Nothing stays half open: a write reports the link down.
    w.comm.Write_slots("x");
    QCOMPARE(w.state.size(), 2);
    QCOMPARE(lastState(w.state), 0);
}

void TestComm::serialBusyPortIsRefused()
{
    QTemporaryDir dir;
    PtyPair pty(dir.path());
    QVERIFY(pty.start());
    Watched first;
    QCOMPARE(first.open(Serial, pty.driverEnd(), 9600), 1);
    Watched second;
    QCOMPARE(second.open(Serial, pty.driverEnd(), 9600), 0);
}

void TestComm::deletingReleasesTheSerialPort()
{
    QTemporaryDir dir;
    PtyPair pty(dir.path());
    QVERIFY(pty.start());
    {
        Watched first;
        QCOMPARE(first.open(Serial, pty.driverEnd(), 9600), 1);
        // deleted without a close
    }
    Watched second;
    QVERIFY2(second.open(Serial, pty.driverEnd(), 9600) == 1,
             "the port of a deleted transport is still busy");
}

void TestComm::closeReleasesTheSerialPort()
{
    QTemporaryDir dir;
    PtyPair pty(dir.path());
    QVERIFY(pty.start());
    Watched first;
    QCOMPARE(first.open(Serial, pty.driverEnd(), 9600), 1);
    first.comm.Close_slots();
    QCOMPARE(lastState(first.state), 0);

    Watched second;
    QCOMPARE(second.open(Serial, pty.driverEnd(), 9600), 1);
    // The first one may open it again after the second closed.
    second.comm.Close_slots();
    QCOMPARE(first.open(Serial, pty.driverEnd(), 9600), 1);
}

QTEST_GUILESS_MAIN(TestComm)
#include "test_comm.moc"
