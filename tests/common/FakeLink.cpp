#include "FakeLink.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>

#include "BleSimulated.h"
#include "Comm.h"

FakeLink::FakeLink(const QString &script) : instrument(script) {}

FakeLink::~FakeLink()
{
    if (bluetooth) {
        bluetooth->setResponder(nullptr);
        SimulatedBle::install()->remove(bluetooth);
    }
}

bool FakeLink::start(const QString &mode, const QStringList &args, const QString &baudRate)
{
    linkMode = mode;
    if (mode == QStringLiteral("串口")) {
        pty = std::make_unique<PtyPair>(dir.path());
        if (!pty->start() || !instrument.startPty(pty->instrumentEnd(), args))
            return false;
        linkAddress = pty->driverEnd();
        linkPort = baudRate;
        return true;
    }
    if (!instrument.startTcp(args))
        return false;
    if (mode == QStringLiteral("蓝牙"))
        return startBluetooth();
    linkAddress = QStringLiteral("127.0.0.1");
    linkPort = instrument.portText();
    return true;
}

bool FakeLink::startBluetooth()
{
    bridge = std::make_unique<QTcpSocket>();
    bridge->connectToHost(QHostAddress::LocalHost, instrument.port());
    if (!bridge->waitForConnected(5000))
        return false;
    bluetooth = std::make_shared<SimulatedPeripheral>(QStringLiteral("FakeLink-") + instrument.portText());
    QTcpSocket *socket = bridge.get();
    const std::weak_ptr<SimulatedPeripheral> peripheral = bluetooth;
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, peripheral] {
        if (const auto p = peripheral.lock())
            p->notify(socket->readAll());
    });
    // The responder runs on the simulation's thread: the socket is written on this one.
    const QPointer<QTcpSocket> target(socket);
    bluetooth->setResponder([target](SimulatedPeripheral &, const QByteArray &written) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [target, written] {
            if (target)
                target->write(written);
        }, Qt::QueuedConnection);
    });
    SimulatedBle::install()->add(bluetooth);
    QStringList names;
    if (!Comm().bleDeviceNames(names) || !names.contains(bluetooth->name()))
        return false;
    linkAddress = bluetooth->name();
    linkPort = QStringLiteral("0");
    return true;
}
