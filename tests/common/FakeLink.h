#pragma once
// A fake instrument of tests/sim behind the link a driver opens: a socat pty pair ("串口") or
// loopback TCP ("网络"). The three link texts are what the driver's open takes.
//
//     FakeLink link;                                             // fake_instrument.py
//     QVERIFY(link.start(QStringLiteral("网络"), {"--reply", "READ?=1.5"}));
//     runOnWorker([&] { return driver->open(link.mode(), link.address(), link.portOrBaud()); });
//     link.fake().requests();
//
// "蓝牙": the fake on loopback TCP behind a simulated Bluetooth LE peripheral (BleSimulated.h)
// named after its port: the bytes a driver writes go to the fake and its replies come back as
// notifications of at most 20 bytes. The simulated world becomes the Bluetooth LE layer's back
// end, and a scan stores the peripheral's identifier in "BLE.ini" of the working folder.
//
// The fake goes first, then the pty pair, then its temporary folder.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QTcpSocket;
class SimulatedPeripheral;

#include "FakeInstrument.h"
#include "PtyPair.h"

class FakeLink
{
public:
    explicit FakeLink(const QString &script = QStringLiteral("fake_instrument.py"));

    // "串口": a pty pair in a folder of its own, the fake on one end, the driver's end opened at
    // `baudRate`. Any other mode: the fake on 127.0.0.1, any free port. False when either side
    // did not come up.
    bool start(const QString &mode, const QStringList &args = {},
               const QString &baudRate = QStringLiteral("9600"));

    QString mode() const { return linkMode; }
    QString address() const { return linkAddress; }
    QString portOrBaud() const { return linkPort; }
    bool serial() const { return pty != nullptr; }
    // The simulated peripheral of a "蓝牙" link (null otherwise).
    std::shared_ptr<SimulatedPeripheral> peripheral() const { return bluetooth; }
    FakeInstrument &fake() { return instrument; }
    const FakeInstrument &fake() const { return instrument; }

    ~FakeLink();

private:
    bool startBluetooth();

    QTemporaryDir dir;
    std::unique_ptr<PtyPair> pty;
    FakeInstrument instrument;
    std::unique_ptr<QTcpSocket> bridge;
    std::shared_ptr<SimulatedPeripheral> bluetooth;
    QString linkMode;
    QString linkAddress;
    QString linkPort;
};
