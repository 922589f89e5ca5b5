// The Bluetooth reference thermometer against a simulated peripheral (platform/BleSimulated.h):
// frames, scan, open, confirmed writes and subscriptions, temperatures from notifications, and
// the link dialog's Bluetooth test.
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <cstring>
#include <memory>

#include "../config/test_channelconfig_modal.h"
#include "BleSimulated.h"
#include "ChannelScan.h"
#include "CriteriaBrelkVobre.h"
#include "WorkerCall.h"

namespace {
// A notification frame: 0x17 0x05, 16 bytes, the single most significant byte first, 2 bytes.
QByteArray frame(float temperature, char first = 0x17)
{
    quint32 bits;
    std::memcpy(&bits, &temperature, sizeof bits);
    QByteArray bytes(24, '\x11');
    bytes[0] = first;
    bytes[1] = 0x05;
    for (int i = 0; i < 4; ++i)
        bytes[18 + i] = char(bits >> (24 - 8 * i));
    return bytes;
}
} // namespace

class TestBrelkVobre : public QObject
{
    Q_OBJECT
    std::shared_ptr<SimulatedBle> world;
    std::shared_ptr<SimulatedPeripheral> meter;

    // Opens a thermometer object on the meter (no lead wait, passes of 1 s).
    std::unique_ptr<CriteriaBrelkVobre> opened()
    {
        auto reference = std::make_unique<CriteriaBrelkVobre>();
        reference->setWaits(0, 10);
        if (!runOnWorker([&] { return reference->open("蓝牙", "Vobre-1234", QString()); }))
            return nullptr;
        return reference;
    }

private slots:
    void initTestCase() { ble::setWaitLimits({2000, 300}); }
    void init();
    void cleanup();
    void checkByte_data();
    void checkByte();
    void scanListsEachThermometerOnce();
    void readsTheSecondFreshTemperature();
    void writesAndSubscriptionsCountOnlyWhenConfirmed();
    void openWithoutAThermometer();
    void dialogTestsTheThermometer();
    void dialogStopsItsRetriesWhenDestroyed();
};

void TestBrelkVobre::init()
{
    world = SimulatedBle::install();
    world->setAdapter(true, true, ble::Radio::On);
    meter = std::make_shared<SimulatedPeripheral>("Vobre-1234");
    for (const char *name : {"XVobre-9", "Meter-1", "Vobre-1234"})
        world->add(name == QLatin1String("Vobre-1234") ? meter
                                                       : std::make_shared<SimulatedPeripheral>(name));
}

void TestBrelkVobre::cleanup()
{
    world->remove(meter);
}

void TestBrelkVobre::checkByte_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("frame");
    QTest::newRow("start") << "04050200" << "0405020003";
    QTest::newRow("stop") << "04050101" << "0405010101";
    QTest::newRow("first 16 digits") << "0102040810204080FF" << "0102040810204080FFff";
}

void TestBrelkVobre::checkByte()
{
    QFETCH(QString, command);
    QFETCH(QString, frame);
    QCOMPARE(CriteriaBrelkVobre::appendCheck(command), frame);
}

void TestBrelkVobre::scanListsEachThermometerOnce()
{
    CriteriaBrelkVobre reference;
    QStringList names{"old"};
    QVERIFY(runOnWorker([&] { return reference.availablePorts(names); }));
    QCOMPARE(names, QStringList{"Vobre-1234"});
    world->setAdapter(true, true, ble::Radio::Off);
    QVERIFY(!runOnWorker([&] { return reference.availablePorts(names); }));
}

void TestBrelkVobre::readsTheSecondFreshTemperature()
{
    auto reference = opened();
    QVERIFY(reference);
    QVERIFY(reference->isConnected());
    QString serial;
    QVERIFY(reference->readSerialNumber(serial));
    QCOMPARE(serial, QStringLiteral("Vobre-1234"));
    QVERIFY(runOnWorker([&] { return reference->setChannelConfig(ChannelRecord()); }));
    QCOMPARE(meter->written().last(), QByteArray::fromHex("0405020003"));

    // Each frame arrives as notifications of 20 and 4 bytes.
    double t = 0.0;
    bool read = false;
    {
        WorkerCall call([&] { read = reference->readTemperature(t); });
        meter->notify(frame(25.0f));
        QTest::qWait(600);
        meter->notify(frame(25.5f));
        QVERIFY(call.wait(10000));
    }
    QVERIFY(read);
    QCOMPARE(t, 25.5);
    // A single fresh value, then frames of another kind or without a number: no reading.
    {
        WorkerCall call([&] { read = reference->readTemperature(t); });
        meter->notify(frame(26.0f));
        QTest::qWait(600);
        meter->notify(frame(27.0f, 0x18));
        meter->notify(frame(std::nanf("")));
        QVERIFY(call.wait(10000));
    }
    QVERIFY(!read);
    QCOMPARE(t, 26.0);

    QVERIFY(runOnWorker([&] { return reference->close(); }));
    QCOMPARE(meter->written().last(), QByteArray::fromHex("0405010101"));
    QVERIFY(!reference->isConnected());
    QTRY_VERIFY(!meter->connected());
}

void TestBrelkVobre::writesAndSubscriptionsCountOnlyWhenConfirmed()
{
    auto reference = opened();
    QVERIFY(reference);
    meter->setWriteAnswer(SimulatedPeripheral::Answer::Never);
    QVERIFY(!runOnWorker([&] { return reference->setChannelConfig(ChannelRecord()); }));
    meter->setWriteAnswer(SimulatedPeripheral::Answer::Fail);
    QVERIFY(!runOnWorker([&] { return reference->setChannelConfig(ChannelRecord()); }));
    QVERIFY(meter->written().isEmpty());
    // A dropped link ends a reading at once.
    meter->dropLink();
    QTRY_VERIFY(!reference->isConnected());
    double t = 0.0;
    QVERIFY(!runOnWorker([&] { return reference->readTemperature(t); }));
    QVERIFY(runOnWorker([&] { return reference->close(); }));

    meter->setSubscribeAnswer(SimulatedPeripheral::Answer::Fail);
    QVERIFY(!opened());
    meter->setSubscribeAnswer(SimulatedPeripheral::Answer::Never);
    QVERIFY(!opened());
    QTRY_VERIFY(!meter->connected());  // what the attempts opened is closed again
}

void TestBrelkVobre::openWithoutAThermometer()
{
    CriteriaBrelkVobre reference;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!runOnWorker([&] { return reference.open("蓝牙", QString(), QString()); }));
    QVERIFY(clock.elapsed() < 1000);
    reference.setWaits(0, 10);
    QVERIFY(!runOnWorker([&] { return reference.open("蓝牙", "Vobre-0000", QString()); }));
    QVERIFY(!reference.isConnected());
}

void TestBrelkVobre::dialogTestsTheThermometer()
{
    ModalAnswers modal;
    DeviceLink link{"BRELK Vobre", "蓝牙", "Vobre-1234", QString()};
    ChannelScan dialog;
    dialog.setDeviceType(&link);
    auto *names = dialog.findChild<QComboBox *>("comboBox_Com");
    QCOMPARE(names->count(), 1);
    QCOMPARE(names->currentText(), QStringLiteral("Vobre-1234"));
    static_cast<CriteriaBrelkVobre *>(dialog.linkDevice())->setWaits(0, 10);
    dialog.findChild<QPushButton *>("pushButton_Scan")->click();
    QTRY_COMPARE_WITH_TIMEOUT(modal.messages, QStringList{"测试成功！"}, 15000);
    QCOMPARE(meter->written(), QList<QByteArray>{QByteArray::fromHex("0405010101")});
}

void TestBrelkVobre::dialogStopsItsRetriesWhenDestroyed()
{
    ModalAnswers modal;
    world->remove(meter);
    DeviceLink link{"BRELK Vobre", "蓝牙", "Vobre-1234", QString()};
    auto dialog = std::make_unique<ChannelScan>();
    dialog->setDeviceType(&link);
    auto *names = dialog->findChild<QComboBox *>("comboBox_Com");
    names->addItem("Vobre-1234");  // seen before, gone now
    static_cast<CriteriaBrelkVobre *>(dialog->linkDevice())->setWaits(0, 10);
    dialog->findChild<QPushButton *>("pushButton_Scan")->click();
    QVERIFY(dialog->isTesting());
    QTest::qWait(1500);
    QElapsedTimer clock;
    clock.start();
    dialog.reset();  // 11 tries of about 4 s would take 45 s
    QVERIFY2(clock.elapsed() < 12000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(modal.messages.isEmpty());
}

QTEST_MAIN(TestBrelkVobre)
#include "test_brelk_vobre.moc"
