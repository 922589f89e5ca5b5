// The Bluetooth LE link of the transport against simulated peripherals (BleSimulated.h), and the
// Qt Bluetooth back end on a machine without an adapter. Drivers live on the test's thread, which
// delivers their transport's reports while QTRY_ waits.
#include <QBluetoothLocalDevice>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

#include "BleSimulated.h"
#include "Comm.h"
#include "MessageCapture.h"
#include "StubCollection.h"

#ifndef VAZUV_ASAN_RUN
#include "Collection1586A.h"
#include "FakeLink.h"
#include "WorkerCall.h"
#endif

using Layout = QList<SimulatedPeripheral::Service>;

namespace {
const QString Bluetooth = QStringLiteral("蓝牙");

// A driver whose link reports are recorded in order.
class Driver : public StubCollection
{
public:
    QList<bool> states;
    Driver()
    {
        connect(comm, &Comm::State_signals, this, [this](bool state) { states << state; });
    }
    void open(const QString &name) { emit Open_signals(Bluetooth, name, 0); }
    void write(const QByteArray &bytes) { emit Write_signals(bytes); }
    void shut() { emit Close_signals(); }
};

// "FFE0:N,W;FFE5:NR": services by short identifier, their characteristics FFE1, FFE2, ... by
// properties: N Notify, W Write + WriteWithoutResponse, R Read.
Layout layout(const QString &text)
{
    Layout services;
    for (const QString &service : text.split(';')) {
        SimulatedPeripheral::Service s{quint16(service.section(':', 0, 0).toUInt(nullptr, 16)), {}};
        for (const QString &c : service.section(':', 1).split(',')) {
            int properties = (c.contains('N') ? ble::Notify : 0) | (c.contains('R') ? ble::Read : 0)
                             | (c.contains('W') ? ble::Write | ble::WriteWithoutResponse : 0);
            s.characteristics.append({quint16(0xFFE1 + s.characteristics.size()), properties});
        }
        services.append(s);
    }
    return services;
}

// Echoes what is written.
void echo(SimulatedPeripheral &p, const QByteArray &written)
{
    p.notify(written);
}
} // namespace

class TestCommBle : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    std::shared_ptr<SimulatedBle> world;

    // A peripheral of the world whose identifier "BLE.ini" knows (as a scan would have stored it).
    std::shared_ptr<SimulatedPeripheral> peripheral(const QString &name, const Layout &services = SimulatedPeripheral::serialService())
    {
        auto p = std::make_shared<SimulatedPeripheral>(name, services);
        p->setResponder(echo);
        world->add(p);
        QSettings("BLE.ini", QSettings::IniFormat).setValue("/" + name + "/ID", p->id());
        return p;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(dir.path()));
        ble::setWaitLimits({2000, 300});
    }
    void init() { world = SimulatedBle::install(); world->setAdapter(true, true, ble::Radio::On); }

    void qtBackendWithoutAdapterFailsTheScanAtOnce()
    {
        if (!QBluetoothLocalDevice::allDevices().isEmpty())
            QSKIP("this machine has a Bluetooth adapter");
        ble::setBackend(nullptr);
        MessageCapture traces;
        QElapsedTimer clock;
        clock.start();
        QStringList names{"kept"};
        QVERIFY(!Comm().bleDeviceNames(names));
        QVERIFY2(clock.elapsed() < 1400, "the scan waited");   // a scan sleeps 1500 ms
        QCOMPARE(names, QStringList{"kept"});
        QVERIFY(traces.contains("windows电脑不支持ble"));
    }

    void scanNeedsUsableBluetooth_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("lowEnergy");
        QTest::addColumn<int>("radio");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("trace");
        QTest::newRow("no adapter") << false << true << int(ble::Radio::On) << false << "windows电脑不支持ble";
        QTest::newRow("no LE") << true << false << int(ble::Radio::On) << false << "windows电脑不支持ble";
        QTest::newRow("radio off") << true << true << int(ble::Radio::Off) << false << "电脑蓝牙状态 false";
        QTest::newRow("radio unreadable") << true << true << int(ble::Radio::Failed) << true << "蓝牙异常 false";
    }
    void scanNeedsUsableBluetooth()
    {
        QFETCH(bool, present);
        QFETCH(bool, lowEnergy);
        QFETCH(int, radio);
        QFETCH(bool, result);
        QFETCH(QString, trace);
        world->setAdapter(present, lowEnergy, ble::Radio(radio));
        MessageCapture traces;
        QStringList names{"kept"};
        QCOMPARE(Comm().bleDeviceNames(names), result);
        QVERIFY(traces.contains(trace));
        if (!result)
            QCOMPARE(names, QStringList{"kept"});
    }

    // Names in the order first seen, each once (every peripheral advertises twice), an empty name
    // too, not a device that is not connectable; the last used name comes last; the identifiers
    // land in "BLE.ini".
    void scanListsNamesAndKeepsIdentifiers()
    {
        auto a = peripheral("Meter-A"), b = peripheral("Meter-B"), unnamed = peripheral("");
        auto hidden = peripheral("Hidden");
        hidden->setConnectable(false);
        QFile::remove("BLE.ini");
        QSettings("BLE.ini", QSettings::IniFormat).setValue("/Config/Name", "Old-1");
        QStringList names;
        QVERIFY(Comm().bleDeviceNames(names));
        QCOMPARE(names, QStringList({"Meter-A", "Meter-B", "", "Old-1"}));

        QProcess python;
        python.start("/usr/bin/python3", {"-c", "import configparser,sys\n"
                                                "c=configparser.ConfigParser(interpolation=None)\n"
                                                "c.read('BLE.ini',encoding='utf-8')\n"
                                                "print(sorted((s,k,v) for s in c.sections() for k,v in c[s].items()))"});
        QVERIFY(python.waitForFinished(10000));
        const QString expected = QString("[('Config', 'name', 'Old-1'), ('General', 'id', '%1'), ('Meter-A', 'id', '%2'), ('Meter-B', 'id', '%3')]")
                                     .arg(unnamed->id(), a->id(), b->id());
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()).trimmed(), expected);
        for (const auto &p : {a, b, unnamed, hidden})
            world->remove(p);
    }

    void connectTakesOneNotifyAndOneWrite_data()
    {
        QTest::addColumn<QString>("services");
        QTest::addColumn<int>("subscribe");
        QTest::addColumn<bool>("connects");
        const int confirm = int(SimulatedPeripheral::Answer::Confirm);
        QTest::newRow("FFE0") << "FFE0:N,W" << confirm << true;
        QTest::newRow("FFE5") << "FFE5:W,N" << confirm << true;
        QTest::newRow("notify in FFE0, write in FFE5") << "180A:N,W;FFE0:N;FFE5:W" << confirm << true;
        QTest::newRow("other service only") << "180A:N,W" << confirm << false;
        QTest::newRow("notify with read") << "FFE0:NR,W" << confirm << false;
        QTest::newRow("two notify, one write") << "FFE0:N,W;FFE5:N" << confirm << false;
        QTest::newRow("two notify, no write") << "FFE0:N;FFE5:N" << confirm << false;
        QTest::newRow("subscription refused") << "FFE0:N,W" << int(SimulatedPeripheral::Answer::Fail) << false;
        QTest::newRow("subscription unconfirmed") << "FFE0:N,W" << int(SimulatedPeripheral::Answer::Never) << false;
    }
    void connectTakesOneNotifyAndOneWrite()
    {
        QFETCH(QString, services);
        QFETCH(int, subscribe);
        QFETCH(bool, connects);
        auto p = peripheral("Meter", layout(services));
        p->setSubscribeAnswer(SimulatedPeripheral::Answer(subscribe));
        Driver d;
        d.open("Meter");
        QTRY_COMPARE(d.states, QList<bool>{connects});
        QCOMPARE(p->connects(), 1);
        QCOMPARE(p->connected(), connects);   // a failed connect closes what it opened
        if (connects) {
            d.write("ping");
            QTRY_COMPARE(d.takeBuffer(), QByteArray("ping"));
            d.shut();
            QTRY_COMPARE(d.states, QList<bool>({true, false}));
            QVERIFY(!p->connected());
        }
        world->remove(p);
    }

    void connectWithoutADevice()
    {
        Driver d;
        d.open("Never-Seen");   // no identifier: nothing is reported
        QTest::qWait(300);
        QVERIFY(d.states.isEmpty());
        world->remove(peripheral("Gone"));   // an identifier that names no device any more
        d.open("Gone");
        QTRY_COMPARE(d.states, QList<bool>{false});
        QCOMPARE(QSettings("BLE.ini", QSettings::IniFormat).value("/Config/Name").toString(), QString("Gone"));
    }

    // A device the platform forgot is looked for once, then connected or, out of reach, failed.
    void forgottenDeviceIsDiscoveredBeforeTheConnect()
    {
        auto p = peripheral("Meter");
        p->forget();
        Driver d;
        d.open("Meter");
        QTRY_COMPARE(d.states, QList<bool>{true});
        QCOMPARE(p->discoveries(), 1);
        d.shut();
        QTRY_COMPARE(d.states, QList<bool>({true, false}));
        ble::setWaitLimits({2000, 300, 200});
        p->forget();
        p->setConnectable(false);
        d.open("Meter");
        QTRY_COMPARE(d.states, QList<bool>({true, false, false}));
        QCOMPARE(p->discoveries(), 2);
        ble::setWaitLimits({2000, 300});
        world->remove(p);
    }

    // A reply of 1000 bytes comes in 50 notifications and lands whole and in order.
    void notifiedBytesArriveWholeAndInOrder()
    {
        QByteArray reply;
        for (int i = 0; i < 1000; ++i)
            reply.append(char(i % 251));
        auto p = peripheral("Meter");
        p->setResponder([reply](SimulatedPeripheral &self, const QByteArray &) { self.notify(reply); });
        Driver d;
        d.open("Meter");
        QTRY_COMPARE(d.states, QList<bool>{true});
        d.write("READ?\r\n");
        QTRY_COMPARE(d.takeBuffer().size(), reply.size());
        QCOMPARE(d.takeBuffer(), reply);
        QCOMPARE(p->written(), QList<QByteArray>{"READ?\r\n"});
        world->remove(p);
    }

    void failedWriteReportsTheLinkDown_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("refused") << int(SimulatedPeripheral::Answer::Fail);
        QTest::newRow("unconfirmed") << int(SimulatedPeripheral::Answer::Never);
    }
    void failedWriteReportsTheLinkDown()
    {
        QFETCH(int, answer);
        auto p = peripheral("Meter");
        Driver d;
        d.open("Meter");
        QTRY_COMPARE(d.states, QList<bool>{true});
        p->setWriteAnswer(SimulatedPeripheral::Answer(answer));
        d.write("x");
        QTRY_COMPARE(d.states, QList<bool>({true, false}));
        QVERIFY(!d.isConnected());
        world->remove(p);
    }

    void droppedLinkIsReportedAtTheNextWriteAndReopens()
    {
        auto p = peripheral("Meter");
        Driver d;
        d.open("Meter");
        QTRY_COMPARE(d.states, QList<bool>{true});
        p->dropLink();
        QTest::qWait(100);
        QVERIFY(d.isConnected());   // not before the next write
        d.write("a");
        QTRY_VERIFY(!d.isConnected());
        d.open("Meter");
        QTRY_VERIFY(d.isConnected());
        d.write("b");
        QTRY_COMPARE(d.takeBuffer(), QByteArray("b"));
        QCOMPARE(p->connects(), 2);
        QCOMPARE(p->written(), QList<QByteArray>{"b"});
        world->remove(p);
    }

    // A new driver or a device listing leaves a working link alone; only the driver that opened
    // the link writes to it or closes it; the last to open takes it over.
    void twoDriversOneLink()
    {
        auto p = peripheral("Meter");
        Driver first;
        first.open("Meter");
        QTRY_COMPARE(first.states, QList<bool>{true});
        Driver second;
        QStringList names;
        QVERIFY(Comm().bleDeviceNames(names));
        first.write("1");
        QTRY_COMPARE(first.takeBuffer(), QByteArray("1"));
        second.write("never opened");
        QTRY_COMPARE(second.states, QList<bool>{false});

        second.open("Meter");
        QTRY_COMPARE(second.states.last(), true);
        first.write("2");
        QTRY_COMPARE(first.states.last(), false);
        second.write("3");
        QTRY_COMPARE(second.takeBuffer(), QByteArray("3"));
        QCOMPARE(first.takeBuffer(), QByteArray("1"));   // nothing of the second driver's link
        const int reports = first.states.size();
        first.shut();
        QTRY_COMPARE(first.states.size(), reports + 1);
        second.write("4");
        QTRY_COMPARE(second.takeBuffer(), QByteArray("34"));
        QCOMPARE(p->written(), QList<QByteArray>({"1", "3", "4"}));
        world->remove(p);
    }

    // Notifications keep coming while the driver goes; its link is closed and the next driver
    // opens it again.
    void driverDeletedWhileItsLinkIsOpen()
    {
        auto p = peripheral("Meter");
        auto d = std::make_unique<Driver>();
        d->open("Meter");
        QTRY_COMPARE(d->states, QList<bool>{true});
        std::atomic<bool> streaming{true};
        std::thread stream([&] {
            while (streaming)
                p->notify(QByteArray(45, 'v'));
        });
        QTRY_VERIFY(d->takeBuffer().size() > 1000);
        d.reset();
        QTest::qWait(100);
        streaming = false;
        stream.join();
        QVERIFY(!p->connected());
        Driver next;
        next.open("Meter");
        QTRY_COMPARE(next.states, QList<bool>{true});
        world->remove(p);
    }

#ifndef VAZUV_ASAN_RUN
    // The 1586A scanner stand-in behind a simulated peripheral: commands go out whole, replies
    // longer than a notification come back whole.
    void exchange1586AOverBluetooth()
    {
        FakeLink link(QStringLiteral("fake_1586a.py"));
        QVERIFY(link.start(Bluetooth, {"--values", "20.125,21.250,22.375,23.500,24.625"}));
        Collection1586A driver;
        QVERIFY(runOnWorker([&] { return driver.open(link.mode(), link.address(), link.portOrBaud()); }));
        QString identity;
        QVERIFY(runOnWorker([&] { return driver.readSerialNumber(identity); }));
        QVERIFY2(identity.startsWith("FLUKE,1586A,"), qPrintable(identity));
        QString reply;
        QVERIFY(runOnWorker([&] { return driver.sendCommand("READ?\r\n") && driver.readReply(reply); }));
        QCOMPARE(reply, QString("20.125,21.250,22.375,23.500,24.625"));
        QCOMPARE(link.fake().requests().mid(0, 2), QStringList({"*IDN?\r\n", "READ?\r\n"}));
        QVERIFY(runOnWorker([&] { return driver.close(); }));
        QVERIFY(!link.peripheral()->connected());
    }
#endif
};

QTEST_MAIN(TestCommBle)
#include "test_comm_ble.moc"
