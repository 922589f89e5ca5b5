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

#define ON_WORKER(call) runOnWorker([&] { return call; })

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
    QList<std::shared_ptr<SimulatedPeripheral>> others;

    // Opens a thermometer object on the meter (no lead wait, passes of 1 s).
    std::unique_ptr<CriteriaBrelkVobre> opened()
    {
        auto reference = std::make_unique<CriteriaBrelkVobre>();
        reference->setWaits(0, 10);
        return ON_WORKER(reference->open("蓝牙", "Vobre-1234", QString())) ? std::move(reference)
                                                                         : nullptr;
    }

private slots:
    void initTestCase() { ble::setWaitLimits({2000, 300}); }
    void init()
    {
        world = SimulatedBle::install();
        world->setAdapter(true, true, ble::Radio::On);
        meter = std::make_shared<SimulatedPeripheral>("Vobre-1234");
        others = {std::make_shared<SimulatedPeripheral>("XVobre-9"),
                  std::make_shared<SimulatedPeripheral>("Meter-1")};
        for (const auto &p : {meter, others[0], others[1]})
            world->add(p);
    }
    void cleanup()
    {
        for (const auto &p : {meter, others[0], others[1]})
            world->remove(p);
    }
    void checkByte();
    void readsTheSecondFreshTemperature();
    void writesAndSubscriptionsCountOnlyWhenConfirmed();
    void dialogTestsTheThermometer();
    void dialogStopsItsRetriesWhenDestroyed();
};

void TestBrelkVobre::checkByte()
{
    QCOMPARE(CriteriaBrelkVobre::appendCheck("04050200"), QStringLiteral("0405020003"));
    QCOMPARE(CriteriaBrelkVobre::appendCheck("04050101"), QStringLiteral("0405010101"));
    QCOMPARE(CriteriaBrelkVobre::appendCheck("0102040810204080FF"), QStringLiteral("0102040810204080FFff"));
}

void TestBrelkVobre::readsTheSecondFreshTemperature()
{
    auto reference = opened();
    QString serial;
    QVERIFY(reference && reference->isConnected() && reference->readSerialNumber(serial));
    QCOMPARE(serial, QStringLiteral("Vobre-1234"));
    QVERIFY(ON_WORKER(reference->setChannelConfig(ChannelRecord())));
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

    QVERIFY(ON_WORKER(reference->close()) && !reference->isConnected());
    QCOMPARE(meter->written().last(), QByteArray::fromHex("0405010101"));
    QTRY_VERIFY(!meter->connected());
}

void TestBrelkVobre::writesAndSubscriptionsCountOnlyWhenConfirmed()
{
    auto reference = opened();
    QVERIFY(reference);
    meter->setWriteAnswer(SimulatedPeripheral::Answer::Never);
    QVERIFY(!ON_WORKER(reference->setChannelConfig(ChannelRecord())));
    meter->setWriteAnswer(SimulatedPeripheral::Answer::Fail);
    QVERIFY(!ON_WORKER(reference->setChannelConfig(ChannelRecord())));
    QVERIFY(meter->written().isEmpty());
    // A dropped link ends a reading at once.
    meter->dropLink();
    QTRY_VERIFY(!reference->isConnected());
    double t = 0.0;
    QVERIFY(!ON_WORKER(reference->readTemperature(t)) && ON_WORKER(reference->close()));

    CriteriaBrelkVobre unnamed;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!ON_WORKER(unnamed.open("蓝牙", QString(), QString())));
    QVERIFY(clock.elapsed() < 1000);  // no lead wait for an empty name
    meter->setSubscribeAnswer(SimulatedPeripheral::Answer::Fail);
    QVERIFY(!opened());
    meter->setSubscribeAnswer(SimulatedPeripheral::Answer::Never);
    QVERIFY(!opened());
    QTRY_VERIFY(!meter->connected());  // what the attempts opened is closed again
}

void TestBrelkVobre::dialogTestsTheThermometer()
{
    ModalAnswers modal;
    DeviceLink link{"BRELK Vobre", "蓝牙", "Vobre-1234", QString()};
    ChannelScan dialog;
    dialog.setDeviceType(&link);
    auto *names = dialog.findChild<QComboBox *>("comboBox_Com");
    QCOMPARE(names->count(), 1);  // not "XVobre-9" nor "Meter-1"
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
