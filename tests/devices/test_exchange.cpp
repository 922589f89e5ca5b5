// The text-line exchange of Collection, end to end: a driver on the test's main thread, its
// operations on worker threads, its transport on its own thread, and the scripted fake
// instrument of tests/sim behind a pty pair or loopback TCP.
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "Comm.h"
#include "FakeLink.h"
#include "MessageCapture.h"
#include "ProbeCollection.h"
#include "WorkerCall.h"

namespace {
const QString Serial = QStringLiteral("串口");
const QString Network = QStringLiteral("网络");
}

// One driver linked to one fake instrument over the link kind of the current data row.
class Bench
{
public:
    bool start(const QString &mode, const QStringList &fakeArgs)
    {
        if (!link.start(mode, fakeArgs))
            return false;
        driver = std::make_unique<ProbeCollection>();
        return true;
    }
    bool open()
    {
        return runOnWorker([&] { return driver->open(link.mode(), link.address(), link.portOrBaud()); });
    }
    // Sends a command and collects its reply on a worker; the reply text keeps `reply` on failure.
    bool ask(const QString &command, QString &reply)
    {
        return runOnWorker([&] { return driver->ask(command, reply); });
    }
    FakeInstrument &fake() { return link.fake(); }

    FakeLink link;
    std::unique_ptr<ProbeCollection> driver;
};

class TestExchange : public QObject
{
    Q_OBJECT
private slots:
    void openAskClose_data();
    void openAskClose();
    void replyFraming_data();
    void replyFraming();
    void replyOfOnlyLineEndFailsAtOnce();
    void silentDeviceFailsAfterTheFixedWait();
    void openWithoutListenerFailsOnTheVerdict();
    void openWaitsForASlowTransportsVerdict();
    void openWhenUpReturnsAtOnce();
    void closeOnANeverOpenedDriverIsImmediate();
    void waitsOnTheOwningThreadSeeNoReport();
    void sendWhileDownEmptiesTheBuffer();
    void sendCommandSettles();
    void nonLatin1CharacterGoesAsQuestionMark();
    void identityCheck_data();
    void identityCheck();
    void twoThreadsNeverTakeEachOthersReplies();
    void takeBufferKeepsContent();
    void receiveBufferIsCapped();
    void peerThatClosesIsSeenAtTheNextCommand();
    void deletingAnOpenDriverReleasesTheLink_data();
    void deletingAnOpenDriverReleasesTheLink();
    void availablePortsKeepsAndSorts();
};

void TestExchange::openAskClose_data()
{
    QTest::addColumn<QString>("link");
    QTest::newRow("pty") << Serial;
    QTest::newRow("tcp") << Network;
}

void TestExchange::openAskClose()
{
    QFETCH(QString, link);
    Bench b;
    QVERIFY(b.start(link, {QStringLiteral("--reply"), QStringLiteral("READ?=1.5,2.25")}));
    QVERIFY(!b.driver->isConnected());
    QVERIFY(b.open());
    QVERIFY(b.driver->isConnected());
    QString reply;
    QVERIFY(b.ask(QStringLiteral("READ?\r\n"), reply));
    QCOMPARE(reply, QStringLiteral("1.5,2.25"));
    QVERIFY(b.fake().waitForRequests(1));
    QCOMPARE(b.fake().requests(), QStringList{QStringLiteral("READ?\r\n")});
    QVERIFY(runOnWorker([&] { return b.driver->close(); }));
    QVERIFY(!b.driver->isConnected());
    // Down again: a command is refused without being sent.
    QVERIFY(!runOnWorker([&] { return b.driver->sendCommand(QStringLiteral("READ?\r\n")); }));
    QTest::qWait(100);
    QCOMPARE(b.fake().requests().size(), 1);
}

void TestExchange::replyFraming_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QStringList>("fakeArgs");
    QTest::addColumn<QString>("expected");
    const QStringList reply{QStringLiteral("--reply"), QStringLiteral("Q=20.125,21.5")};
    for (const QString &link : {Serial, Network}) {
        const char *name = link == Serial ? "pty" : "tcp";
        QTest::newRow(qPrintable(QStringLiteral("%1 crlf").arg(name)))
            << link << reply << QStringLiteral("20.125,21.5");
        QTest::newRow(qPrintable(QStringLiteral("%1 lf").arg(name)))
            << link << reply + QStringList{QStringLiteral("--eol"), QStringLiteral("LF")}
            << QStringLiteral("20.125,21.5");
        QTest::newRow(qPrintable(QStringLiteral("%1 three chunks").arg(name)))
            << link
            << reply + QStringList{QStringLiteral("--split"), QStringLiteral("3"),
                                   QStringLiteral("--gap"), QStringLiteral("150")}
            << QStringLiteral("20.125,21.5");
    }
    QTest::newRow("late reply within the wait")
        << Network << reply + QStringList{QStringLiteral("--late"), QStringLiteral("1500")}
        << QStringLiteral("20.125,21.5");
    QTest::newRow("two lines joined")
        << Network << QStringList{QStringLiteral("--reply"), QStringLiteral("Q=ab\\r\\ncd")}
        << QStringLiteral("abcd");
    QTest::newRow("line ends inside the text removed")
        << Network << QStringList{QStringLiteral("--reply"), QStringLiteral("Q=a\\rb")}
        << QStringLiteral("ab");
    QTest::newRow("bytes after a zero byte ignored")
        << Network
        << QStringList{QStringLiteral("--reply"), QStringLiteral("Q=12\\r\\n\\x00junk"),
                       QStringLiteral("--eol"), QStringLiteral("NONE")}
        << QStringLiteral("12");
}

void TestExchange::replyFraming()
{
    QFETCH(QString, link);
    QFETCH(QStringList, fakeArgs);
    QFETCH(QString, expected);
    Bench b;
    QVERIFY(b.start(link, fakeArgs));
    QVERIFY(b.open());
    QString reply = QStringLiteral("old");
    const bool ok = b.ask(QStringLiteral("Q\r\n"), reply);
    QVERIFY(ok);
    QCOMPARE(reply, expected);
}

void TestExchange::replyOfOnlyLineEndFailsAtOnce()
{
    Bench b;
    QVERIFY(b.start(Network, {QStringLiteral("--reply"), QStringLiteral("Q=")}));
    QVERIFY(b.open());
    QVERIFY(runOnWorker([&] { return b.driver->sendCommand(QStringLiteral("Q\r\n")); }));
    QString reply = QStringLiteral("old");
    qint64 took = 0;
    QVERIFY(!runOnWorkerTimed([&] { return b.driver->readReply(reply); }, took));
    QVERIFY2(took < 1000, qPrintable(QString::number(took)));
    QCOMPARE(reply, QStringLiteral("old"));
    QVERIFY(b.driver->takeBuffer().isEmpty());
}

void TestExchange::silentDeviceFailsAfterTheFixedWait()
{
    // The one test that waits out a whole reply time-out (300 polls of 10 ms).
    Bench b;
    QVERIFY(b.start(Network, {QStringLiteral("--garbage"), QStringLiteral("--default"),
                              QStringLiteral("xxxxxxxx")}));
    QVERIFY(b.open());
    MessageCapture traces;
    QString reply = QStringLiteral("old");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!b.ask(QStringLiteral("Q\r\n"), reply));
    const qint64 took = clock.elapsed();
    // 200 ms settle + 300 x 10 ms, with room for a loaded machine.
    QVERIFY2(took >= 3100 && took < 6000, qPrintable(QString::number(took)));
    QCOMPARE(reply, QStringLiteral("old"));
    QVERIFY(traces.contains(QStringLiteral("读取失败：")));
    QVERIFY(b.driver->takeBuffer().isEmpty());
}

void TestExchange::openWithoutListenerFailsOnTheVerdict()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const QString port = QString::number(server.serverPort());
    server.close();   // nobody listens there now: every candidate is refused at once
    ProbeCollection driver;
    qint64 took = 0;
    QVERIFY(!runOnWorkerTimed([&] { return driver.open(Network, QStringLiteral("127.0.0.1"), port); }, took));
    QVERIFY2(took < 1200, qPrintable(QString::number(took)));
}

// The transport may still be trying a first local address (3 s each) when the polls would have
// run out: a TCP open waits for its verdict on this attempt.
void TestExchange::openWaitsForASlowTransportsVerdict()
{
    FakeInstrument fake;
    QVERIFY(fake.startTcp());
    QVERIFY(Comm::localCandidates(QStringLiteral("127.0.0.1")).size() >= 2);
    ProbeCollection driver;
    driver.holdTransport(2500);
    qint64 took = 0;
    QVERIFY(runOnWorkerTimed([&] { return driver.open(Network, QStringLiteral("127.0.0.1"), fake.portText()); }, took));
    QVERIFY2(took >= 2400, qPrintable(QString::number(took)));
    QVERIFY(driver.isConnected());
}

void TestExchange::openWhenUpReturnsAtOnce()
{
    Bench b;
    QVERIFY(b.start(Network, {}));
    QVERIFY(b.open());
    qint64 took = 0;
    QVERIFY(runOnWorkerTimed([&] { return b.driver->open(b.link.mode(), b.link.address(), b.link.portOrBaud()); }, took));
    QVERIFY2(took < 100, qPrintable(QString::number(took)));
}

void TestExchange::closeOnANeverOpenedDriverIsImmediate()
{
    ProbeCollection driver;
    qint64 took = 0;
    QVERIFY(runOnWorkerTimed([&] { return driver.close(); }, took));
    QVERIFY2(took < 100, qPrintable(QString::number(took)));
}

void TestExchange::waitsOnTheOwningThreadSeeNoReport()
{
    // Called on the thread that owns the driver, open and close cannot see the transport's
    // reports while they wait: open ends false after its 12 polls although the peer accepts,
    // close ends false after its 40 polls. The reports still arrive afterwards.
    FakeInstrument fake;
    QVERIFY(fake.startTcp());
    ProbeCollection driver;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!driver.open(Network, QStringLiteral("127.0.0.1"), fake.portText()));
    qint64 took = clock.elapsed();
    QVERIFY2(took >= 1200 && took < 3000, qPrintable(QString::number(took)));
    QVERIFY(fake.waitForEvent(QStringLiteral("connected")));
    QTRY_VERIFY_WITH_TIMEOUT(driver.isConnected(), 3000);   // the late report sets the flag

    clock.restart();
    QVERIFY(!driver.close());
    took = clock.elapsed();
    QVERIFY2(took >= 4000 && took < 7000, qPrintable(QString::number(took)));
    QVERIFY(driver.isConnected());   // nothing delivered while close waited
    QTRY_VERIFY_WITH_TIMEOUT(!driver.isConnected(), 3000);
    QVERIFY(fake.waitForEvent(QStringLiteral("closed")));
}

void TestExchange::sendWhileDownEmptiesTheBuffer()
{
    ProbeCollection driver;
    driver.deliver("stale bytes");
    QCOMPARE(driver.takeBuffer(), QByteArray("stale bytes"));
    qint64 took = 0;
    QVERIFY(!runOnWorkerTimed([&] { return driver.sendCommand(QStringLiteral("READ?\r\n")); }, took));
    QVERIFY2(took < 100, qPrintable(QString::number(took)));
    QVERIFY(driver.takeBuffer().isEmpty());
}

void TestExchange::sendCommandSettles()
{
    Bench b;
    QVERIFY(b.start(Network, {}));
    QVERIFY(b.open());
    qint64 took = 0;
    QVERIFY(runOnWorkerTimed([&] { return b.driver->sendCommand(QStringLiteral("X\r\n")); }, took));
    QVERIFY2(took >= 200 && took < 600, qPrintable(QString::number(took)));
}

void TestExchange::nonLatin1CharacterGoesAsQuestionMark()
{
    Bench b;
    QVERIFY(b.start(Serial, {}));
    QVERIFY(b.open());
    QVERIFY(runOnWorker([&] { return b.driver->sendCommand(QStringLiteral("T€ST°\r\n")); }));
    QVERIFY(b.fake().waitForRequests(1));
    QCOMPARE(b.fake().requests().first(), QStringLiteral("T?ST°\r\n"));
}

void TestExchange::identityCheck_data()
{
    QTest::addColumn<QStringList>("fakeArgs");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("reply");
    const QString flukeReply = QStringLiteral("FLUKE,1586A,1234567,1.00/1.2");
    QTest::newRow("vendor word present")
        << QStringList{QStringLiteral("--reply"), QStringLiteral("*IDN?=") + flukeReply}
        << true << flukeReply;
    QTest::newRow("vendor word absent")
        << QStringList{QStringLiteral("--reply"), QStringLiteral("*IDN?=ACME,1586A,1,1")}
        << false << QStringLiteral("ACME,1586A,1,1");
    QTest::newRow("vendor word in lower case")
        << QStringList{QStringLiteral("--reply"), QStringLiteral("*IDN?=fluke,1586A,1,1")}
        << false << QStringLiteral("fluke,1586A,1,1");
    QTest::newRow("vendor word split across chunks")
        << QStringList{QStringLiteral("--reply"), QStringLiteral("*IDN?=") + flukeReply,
                       QStringLiteral("--split"), QStringLiteral("12"), QStringLiteral("--gap"),
                       QStringLiteral("60")}
        << true << flukeReply;
}

void TestExchange::identityCheck()
{
    QFETCH(QStringList, fakeArgs);
    QFETCH(bool, accepted);
    QFETCH(QString, reply);
    Bench b;
    QVERIFY(b.start(Serial, fakeArgs));
    QVERIFY(b.open());
    QString got = QStringLiteral("old");
    QCOMPARE(runOnWorker([&] { return b.driver->readSerialNumber(got); }), accepted);
    QCOMPARE(got, reply);
    QVERIFY(b.fake().waitForRequests(1));
    QCOMPARE(b.fake().requests().first(), QStringLiteral("*IDN?\r\n"));
}

void TestExchange::twoThreadsNeverTakeEachOthersReplies()
{
    // The identity exchange of one worker and a slow question of another: each must get its
    // own reply, whichever starts first.
    Bench b;
    QVERIFY(b.start(Network, {QStringLiteral("--reply"), QStringLiteral("*IDN?=FLUKE,1586A,7,1"),
                              QStringLiteral("--reply"), QStringLiteral("SLOW?=42"),
                              QStringLiteral("--late"), QStringLiteral("300")}));
    QVERIFY(b.open());
    for (int round = 0; round < 3; ++round) {
        QString identity;
        QString slow;
        bool identityOk = false;
        bool slowOk = false;
        WorkerCall first([&] { identityOk = b.driver->identity(identity); });
        QThread::msleep(50 * round);
        WorkerCall second([&] { slowOk = b.driver->ask(QStringLiteral("SLOW?\r\n"), slow); });
        QVERIFY(first.wait(20000));
        QVERIFY(second.wait(20000));
        QVERIFY(identityOk);
        QCOMPARE(identity, QStringLiteral("FLUKE,1586A,7,1"));
        QVERIFY(slowOk);
        QCOMPARE(slow, QStringLiteral("42"));
    }
}

void TestExchange::takeBufferKeepsContent()
{
    ProbeCollection driver;
    driver.deliver("12.5,");
    driver.deliver("13.0\r\n");
    QCOMPARE(driver.takeBuffer(), QByteArray("12.5,13.0\r\n"));
    QCOMPARE(driver.takeBuffer(), QByteArray("12.5,13.0\r\n"));
    driver.clearBuffer();
    QVERIFY(driver.takeBuffer().isEmpty());
}

void TestExchange::receiveBufferIsCapped()
{
    ProbeCollection driver;
    MessageCapture traces;
    const QByteArray block(Collection::receiveBufferLimit - 4, 'a');
    driver.deliver(block);
    QCOMPARE(driver.takeBuffer().size(), block.size());
    QVERIFY(traces.messages().isEmpty());
    driver.deliver("0123456789");
    const QByteArray kept = driver.takeBuffer();
    QCOMPARE(kept.size(), Collection::receiveBufferLimit);
    QVERIFY(kept.endsWith("0123456789"));          // the newest bytes stay
    QCOMPARE(kept.count('a'), block.size() - 6);   // the oldest went
    QCOMPARE(traces.messages().size(), 1);
    // A device that keeps streaming is traced once until the buffer is emptied.
    for (int i = 0; i < 50; ++i)
        driver.deliver(QByteArray(1000, 'b'));
    QCOMPARE(driver.takeBuffer().size(), Collection::receiveBufferLimit);
    QVERIFY(driver.takeBuffer().endsWith(QByteArray(1000, 'b')));
    QCOMPARE(traces.messages().size(), 1);
    driver.clearBuffer();
    driver.deliver(QByteArray(Collection::receiveBufferLimit + 1, 'c'));
    QCOMPARE(driver.takeBuffer().size(), Collection::receiveBufferLimit);
    QCOMPARE(traces.messages().size(), 2);
}

void TestExchange::peerThatClosesIsSeenAtTheNextCommand()
{
    Bench b;
    QVERIFY(b.start(Network, {QStringLiteral("--reply"), QStringLiteral("Q=1"),
                              QStringLiteral("--close-after"), QStringLiteral("1")}));
    QVERIFY(b.open());
    QString reply;
    QVERIFY(b.ask(QStringLiteral("Q\r\n"), reply));
    QVERIFY(b.fake().waitForEvent(QStringLiteral("closed")));
    QTest::qWait(200);
    // Still believed up until the next write reports the drop.
    QVERIFY(b.driver->isConnected());
    runOnWorker([&] { return b.driver->sendCommand(QStringLiteral("Q\r\n")); });
    QTRY_VERIFY_WITH_TIMEOUT(!b.driver->isConnected(), 2000);
    // A new open replaces the dropped connection.
    QVERIFY(b.open());
    QVERIFY(b.ask(QStringLiteral("Q\r\n"), reply));
    QCOMPARE(reply, QStringLiteral("1"));
}

void TestExchange::deletingAnOpenDriverReleasesTheLink_data()
{
    QTest::addColumn<QString>("link");
    QTest::newRow("pty") << Serial;
    QTest::newRow("tcp") << Network;
}

void TestExchange::deletingAnOpenDriverReleasesTheLink()
{
    QFETCH(QString, link);
    Bench b;
    QVERIFY(b.start(link, {QStringLiteral("--reply"), QStringLiteral("Q=ok")}));
    QVERIFY(b.open());
    b.driver.reset();   // no close
    if (link == Network) {
        QVERIFY(b.fake().waitForEvent(QStringLiteral("closed"), 1, 3000));
    }
    // A new driver takes the same port or address at once.
    b.driver = std::make_unique<ProbeCollection>();
    QVERIFY(b.open());
    QString reply;
    QVERIFY(b.ask(QStringLiteral("Q\r\n"), reply));
    QCOMPARE(reply, QStringLiteral("ok"));
}

void TestExchange::availablePortsKeepsAndSorts()
{
    ProbeCollection driver;
    QStringList names{QStringLiteral("zzz-last"), QStringLiteral("AAA-first")};
    QVERIFY(driver.availablePorts(names));
    QVERIFY(names.contains(QStringLiteral("zzz-last")));
    QVERIFY(names.contains(QStringLiteral("AAA-first")));
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    QCOMPARE(names.first(), QStringLiteral("AAA-first"));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "test_exchange.moc"
