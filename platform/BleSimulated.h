#pragma once
// A simulated Bluetooth LE world for tests, a back end of the Bluetooth LE layer (Ble.h):
// peripherals that advertise a name, offer GATT services with characteristics, answer writes
// through a responder the test plugs in, notify in pieces of at most 20 bytes, and can drop the
// link, refuse or never confirm a subscription, and fail or never confirm a write. Only tests
// install it; the program always uses Qt Bluetooth.
//
//     auto world = SimulatedBle::install();                 // the layer now uses it
//     auto meter = std::make_shared<SimulatedPeripheral>("Meter-01");   // FFE0: FFE4 + FFE9
//     meter->setResponder([](SimulatedPeripheral &p, const QByteArray &written) {
//         p.notify("echo:" + written);
//     });
//     world->add(meter);
//
// Advertisements, notifications, connection-status reports and responders run on one thread of
// the simulation, one at a time and in the order they were caused.

#include "Ble.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

namespace ble {
struct SimulatedLink;
}

class SimulatedPeripheral : public std::enable_shared_from_this<SimulatedPeripheral>
{
public:
    struct Characteristic
    {
        quint16 shortId;
        int properties;   // ble::Property flags
    };
    struct Service
    {
        quint16 shortId;
        QList<Characteristic> characteristics;
    };
    // A serial-like service: a Notify characteristic FFE4 and a Write + WriteWithoutResponse
    // characteristic FFE9.
    static QList<Service> serialService(quint16 serviceId = 0xFFE0);
    // The UUID of a short identifier on the Bluetooth base UUID.
    static QUuid uuidOf(quint16 shortId);

    explicit SimulatedPeripheral(const QString &name, const QList<Service> &services = serialService());

    QString name() const { return deviceName; }
    QString id() const { return deviceId; }
    quint64 address() const { return deviceAddress; }

    // A peripheral that is not connectable advertises so and refuses connects.
    void setConnectable(bool connectable);
    bool connectable() const;

    // A connect takes this long (0 by default); one longer than the layer's connect limit fails
    // when that limit has passed.
    void setConnectDelay(int ms);
    int connectDelay() const;

    // The platform forgets the peripheral, as BlueZ forgets a device it has not paired: a
    // connect reports an unknown device until a watch or a discovery sees it again (only a
    // connectable peripheral is seen).
    void forget();
    void setKnown(bool known);
    bool known() const;
    int discoveries() const;     // discoveries that looked for it
    void discovered();           // for the simulated world: a discovery looked for it

    // How the peripheral answers subscriptions and writes.
    enum class Answer { Confirm, Fail, Never };
    void setSubscribeAnswer(Answer answer);
    void setWriteAnswer(Answer answer);

    // Runs for every confirmed write, with the bytes written.
    using Responder = std::function<void(SimulatedPeripheral &peripheral, const QByteArray &written)>;
    void setResponder(Responder responder);

    // Sends the bytes to every subscribed Notify characteristic of every connected central, in
    // pieces of at most 20 bytes.
    void notify(const QByteArray &bytes);
    // Drops every connection; the centrals get a connection-status report.
    void dropLink();

    QList<QByteArray> written() const;   // every confirmed write, in order
    int connects() const;                // connects accepted so far
    bool connected() const;              // a central is connected

    // For the simulated devices.
    QList<Service> layout() const { return services; }
    Answer subscribeAnswer() const;
    Answer writeAnswer() const;
    void accept(const std::shared_ptr<ble::SimulatedLink> &link);
    void release(const ble::SimulatedLink *link);
    void received(const QByteArray &bytes);

private:
    QList<std::shared_ptr<ble::SimulatedLink>> linked() const;

    const QString deviceName;
    const quint64 deviceAddress;
    const QString deviceId;
    const QList<Service> services;
    mutable std::mutex mutex;   // guards the members below
    bool isConnectable = true;
    int delayMs = 0;
    bool isKnown = true;
    int discoveryCount = 0;
    Answer onSubscribe = Answer::Confirm;
    Answer onWrite = Answer::Confirm;
    std::shared_ptr<Responder> responder;
    QList<QByteArray> writes;
    int connectCount = 0;
    QList<std::weak_ptr<ble::SimulatedLink>> links;
};

class SimulatedBle : public ble::Backend
{
public:
    // The simulated world of the process, installed as the layer's back end.
    static std::shared_ptr<SimulatedBle> install();

    void add(const std::shared_ptr<SimulatedPeripheral> &peripheral);
    void remove(const std::shared_ptr<SimulatedPeripheral> &peripheral);
    // The machine's Bluetooth: present, Low Energy and radio on unless set otherwise.
    void setAdapter(bool present, bool lowEnergy, ble::Radio radio);

    bool adapterPresent() override;
    bool lowEnergySupported() override;
    ble::Radio radioState() override;
    std::unique_ptr<ble::Watcher> createWatcher() override;
    ble::DevicePtr deviceFromAddress(quint64 address) override;
    ble::DevicePtr deviceFromId(const QString &id) override;
    // The discovery a device's connect runs for a peripheral the platform forgot: seen at once
    // when it is in the world and connectable (it is then known again), else not within
    // `limitMs` (the calling thread sleeps that long).
    bool discover(quint64 address, int limitMs);

private:
    QList<std::shared_ptr<SimulatedPeripheral>> peripherals() const;

    mutable std::mutex mutex;   // guards the members below
    QList<std::shared_ptr<SimulatedPeripheral>> world;
    bool present = true;
    bool lowEnergy = true;
    ble::Radio radio = ble::Radio::On;
};
