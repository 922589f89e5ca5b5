// The Qt Bluetooth back end of the Bluetooth LE layer. Every Qt Bluetooth object lives on one
// thread of the layer with its own event loop, so that callers on any thread (a transport thread,
// a connect thread, the GUI thread) can use the same device: an operation is started there and
// the caller waits for its outcome at most the layer's wait limit. Handlers run there too.
#include "Ble.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QBluetoothLocalDevice>
#include <QCoreApplication>
#include <QDebug>
#include <QHash>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>

namespace ble {
namespace {

using Finish = std::function<void(Status)>;

// The thread of the Qt objects, started on first use and ended with the application.
class LayerThread
{
public:
    static LayerThread &instance()
    {
        static LayerThread *layer = new LayerThread;   // lives until the process ends
        return *layer;
    }

    QObject *root() const { return context; }
    bool onThread() const { return QThread::currentThread() == thread; }

    // Runs `body` on the layer's thread and returns once it ran. Runs it at once when called
    // there, or once the thread has ended with the application.
    void call(const std::function<void()> &body)
    {
        if (onThread()) {
            body();
            return;
        }
        std::unique_lock<std::mutex> lock(mutex);
        if (!running) {
            lock.unlock();
            body();
            return;
        }
        QMetaObject::invokeMethod(context, body, Qt::BlockingQueuedConnection);
    }

    // Starts an operation on the layer's thread and waits at most `limitMs` for its outcome.
    // `start` gets an object that lives as long as the operation (the context of its signal
    // connections, so that late signals are dropped) and the function that ends it.
    Status run(int limitMs, const std::function<void(QObject *operation, const Finish &finish)> &start)
    {
        if (onThread()) {
            qDebug() << "蓝牙操作不能在回调中等待";
            return Status::Error;
        }
        struct Pending
        {
            std::mutex mutex;
            std::condition_variable ended;
            bool done = false;
            Status status = Status::TimedOut;
            QPointer<QObject> operation;   // the layer's thread only
        };
        auto pending = std::make_shared<Pending>();
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!running)
                return Status::Canceled;
            QMetaObject::invokeMethod(context, [pending, start] {
                {
                    std::lock_guard<std::mutex> lock(pending->mutex);
                    if (pending->done)
                        return;   // the caller gave up before it started
                }
                pending->operation = new QObject;
                const Finish finish = [pending](Status status) {
                    {
                        std::lock_guard<std::mutex> lock(pending->mutex);
                        if (pending->done)
                            return;
                        pending->done = true;
                        pending->status = status;
                    }
                    pending->ended.notify_all();
                    if (pending->operation)
                        pending->operation->deleteLater();
                };
                start(pending->operation, finish);
            }, Qt::QueuedConnection);
        }
        std::unique_lock<std::mutex> lock(pending->mutex);
        if (!pending->ended.wait_for(lock, std::chrono::milliseconds(qMax(0, limitMs)),
                                     [&] { return pending->done; })) {
            pending->done = true;
            pending->status = Status::TimedOut;
            lock.unlock();
            QMetaObject::invokeMethod(context, [pending] {
                if (pending->operation)
                    pending->operation->deleteLater();
            }, Qt::QueuedConnection);
            return Status::TimedOut;
        }
        return pending->status;
    }

private:
    LayerThread()
    {
        thread = new QThread;
        thread->setObjectName(QStringLiteral("Bluetooth LE"));
        context = new QObject;
        context->moveToThread(thread);
        thread->start();
        running = true;
        qAddPostRoutine(&LayerThread::shutdown);
    }

    // Releases every Qt object of the layer on its thread, then ends the thread.
    static void shutdown()
    {
        LayerThread &layer = instance();
        std::lock_guard<std::mutex> lock(layer.mutex);
        QObject *root = layer.context;
        QMetaObject::invokeMethod(root, [root] { qDeleteAll(root->children()); },
                                  Qt::BlockingQueuedConnection);
        layer.thread->quit();
        layer.thread->wait();
        layer.running = false;
    }

    std::mutex mutex;   // guards `running` and orders calls against the shutdown
    bool running = false;
    QThread *thread = nullptr;
    QObject *context = nullptr;
};

LayerThread &layer()
{
    return LayerThread::instance();
}

// The address a watch reports a device under (a hash of its identifier where the platform
// hides addresses).
quint64 addressOf(const QBluetoothDeviceInfo &info)
{
    if (!info.address().isNull())
        return info.address().toUInt64();
    return qHash(info.deviceUuid());
}

QString idOf(const QBluetoothDeviceInfo &info)
{
    return info.address().isNull() ? info.deviceUuid().toString() : info.address().toString();
}

// The devices the watches have seen, by address.
struct SeenDevices
{
    std::mutex mutex;
    std::map<quint64, QBluetoothDeviceInfo> byAddress;
};

SeenDevices &seenDevices()
{
    static SeenDevices seen;
    return seen;
}

// A service operation ends with Error when the service reports `failure`, and is canceled when
// the service becomes invalid (the link went).
void endOnFailure(QLowEnergyService *service, QObject *operation,
                  QLowEnergyService::ServiceError failure, const Finish &finish)
{
    QObject::connect(service, QOverload<QLowEnergyService::ServiceError>::of(&QLowEnergyService::error),
                     operation, [failure, finish](QLowEnergyService::ServiceError error) {
                         if (error == failure || error == QLowEnergyService::OperationError)
                             finish(Status::Error);
                     });
    QObject::connect(service, &QLowEnergyService::stateChanged, operation,
                     [finish](QLowEnergyService::ServiceState state) {
                         if (state == QLowEnergyService::InvalidService)
                             finish(Status::Canceled);
                     });
}

class QtCharacteristic : public Characteristic
{
public:
    // Made on the layer's thread.
    QtCharacteristic(QLowEnergyService *owner, const QLowEnergyCharacteristic &characteristic)
        : service(owner), target(characteristic), id(characteristic.uuid()),
          flags(static_cast<int>(characteristic.properties())),
          handler(std::make_shared<HandlerSlot<const QByteArray &>>())
    {
        const QLowEnergyHandle handle = characteristic.handle();
        auto slot = handler;
        QObject::connect(owner, &QLowEnergyService::characteristicChanged, owner,
                         [handle, slot](const QLowEnergyCharacteristic &changed, const QByteArray &value) {
                             if (changed.handle() == handle)
                                 (*slot)(value);
                         });
    }

    QUuid uuid() const override { return id; }
    int properties() const override { return flags; }
    void setValueChangedHandler(std::function<void(const QByteArray &)> function) override
    {
        handler->set(std::move(function));
    }

    Status subscribe() override
    {
        std::lock_guard<std::mutex> lock(busy);
        const QPointer<QLowEnergyService> owner = service;
        const QLowEnergyCharacteristic characteristic = target;
        return layer().run(waitLimits().operationMs, [owner, characteristic](QObject *operation,
                                                                            const Finish &finish) {
            if (!owner || owner->state() == QLowEnergyService::InvalidService)
                return finish(Status::Canceled);
            const QLowEnergyDescriptor config =
                characteristic.descriptor(QBluetoothUuid::ClientCharacteristicConfiguration);
            if (!config.isValid())
                return finish(Status::Error);
            QObject::connect(owner, &QLowEnergyService::descriptorWritten, operation,
                             [config, finish](const QLowEnergyDescriptor &written, const QByteArray &) {
                                 if (written.handle() == config.handle())
                                     finish(Status::Completed);
                             });
            endOnFailure(owner, operation, QLowEnergyService::DescriptorWriteError, finish);
            owner->writeDescriptor(config, QByteArray::fromHex("0100"));
        });
    }

    Status write(const QByteArray &value) override
    {
        std::lock_guard<std::mutex> lock(busy);
        const QPointer<QLowEnergyService> owner = service;
        const QLowEnergyCharacteristic characteristic = target;
        return layer().run(waitLimits().operationMs, [owner, characteristic, value](QObject *operation,
                                                                                   const Finish &finish) {
            if (!owner || owner->state() == QLowEnergyService::InvalidService)
                return finish(Status::Canceled);
            const QLowEnergyHandle handle = characteristic.handle();
            QObject::connect(owner, &QLowEnergyService::characteristicWritten, operation,
                             [handle, finish](const QLowEnergyCharacteristic &written, const QByteArray &) {
                                 if (written.handle() == handle)
                                     finish(Status::Completed);
                             });
            endOnFailure(owner, operation, QLowEnergyService::CharacteristicWriteError, finish);
            owner->writeCharacteristic(characteristic, value, QLowEnergyService::WriteWithResponse);
        });
    }

private:
    std::mutex busy;   // one subscription or write of this characteristic at a time
    const QPointer<QLowEnergyService> service;   // dereferenced on the layer's thread only
    const QLowEnergyCharacteristic target;
    const QUuid id;
    const int flags;
    const std::shared_ptr<HandlerSlot<const QByteArray &>> handler;
};

// The Qt objects of one device; touched on the layer's thread only, except the atomic flag and
// the handler slot.
struct Link
{
    QBluetoothDeviceInfo info;
    QPointer<QLowEnergyController> controller;
    QHash<QBluetoothUuid, QPointer<QLowEnergyService>> services;
    bool closed = false;
    std::atomic<bool> up{false};
    HandlerSlot<bool> status;
};

class QtService : public Service
{
public:
    QtService(std::shared_ptr<Link> device, const QBluetoothUuid &uuid) : link(std::move(device)), id(uuid) {}

    QUuid uuid() const override { return id; }

    bool characteristics(QList<CharacteristicPtr> &list) override
    {
        auto found = std::make_shared<QList<CharacteristicPtr>>();
        const std::shared_ptr<Link> device = link;
        const QBluetoothUuid uuid = id;
        const Status status = layer().run(waitLimits().operationMs, [device, uuid, found](
                                                                        QObject *operation, const Finish &finish) {
            if (device->closed || !device->controller)
                return finish(Status::Canceled);
            QPointer<QLowEnergyService> &service = device->services[uuid];
            if (!service)
                service = device->controller->createServiceObject(uuid, device->controller);
            if (!service)
                return finish(Status::Error);
            QLowEnergyService *owner = service;
            const auto collect = [owner, found, finish] {
                const auto characteristics = owner->characteristics();
                for (const QLowEnergyCharacteristic &c : characteristics)
                    found->append(std::make_shared<QtCharacteristic>(owner, c));
                finish(Status::Completed);
            };
            switch (owner->state()) {
            case QLowEnergyService::ServiceDiscovered:
                return collect();
            case QLowEnergyService::InvalidService:
                return finish(Status::Canceled);
            default:
                break;
            }
            QObject::connect(owner, &QLowEnergyService::stateChanged, operation,
                             [collect](QLowEnergyService::ServiceState state) {
                                 if (state == QLowEnergyService::ServiceDiscovered)
                                     collect();
                             });
            endOnFailure(owner, operation, QLowEnergyService::UnknownError, finish);
            if (owner->state() == QLowEnergyService::DiscoveryRequired)
                owner->discoverDetails();
        });
        if (status != Status::Completed)
            return false;
        list = *found;
        return true;
    }

private:
    const std::shared_ptr<Link> link;
    const QBluetoothUuid id;
};

class QtDevice : public Device
{
public:
    explicit QtDevice(const QBluetoothDeviceInfo &info) : link(std::make_shared<Link>())
    {
        link->info = info;
    }
    ~QtDevice() override { close(); }

    QString id() const override { return idOf(link->info); }
    QString name() const override { return link->info.name(); }
    bool isConnected() const override { return link->up; }
    void setConnectionStatusHandler(std::function<void(bool)> handler) override
    {
        link->status.set(std::move(handler));
    }

    bool services(QList<ServicePtr> &list) override
    {
        QList<QBluetoothUuid> found;
        if (!connectKnownDevice([this, &found] { return connectOnce(found); },
                                [this](int limitMs) { return rediscover(limitMs); }))
            return false;
        for (const QBluetoothUuid &uuid : qAsConst(found))
            list.append(std::make_shared<QtService>(link, uuid));
        return true;
    }

private:
    // One connect with its service discovery; `result` gets the services' identifiers.
    ConnectOutcome connectOnce(QList<QBluetoothUuid> &result)
    {
        auto found = std::make_shared<QList<QBluetoothUuid>>();
        const std::shared_ptr<Link> device = link;
        auto unknown = std::make_shared<std::atomic<bool>>(false);
        const Status status = layer().run(waitLimits().connectMs, [device, found, unknown](QObject *operation,
                                                                                          const Finish &finish) {
            if (device->closed)
                return finish(Status::Canceled);
            if (!device->controller) {
                QLowEnergyController *made = QLowEnergyController::createCentral(device->info, layer().root());
                device->controller = made;
                QObject::connect(made, &QLowEnergyController::connected, made, [device] {
                    device->up = true;
                    device->status(true);
                });
                QObject::connect(made, &QLowEnergyController::disconnected, made, [device] {
                    device->up = false;
                    device->status(false);
                });
            }
            QLowEnergyController *controller = device->controller;
            const auto collect = [controller, found, finish] {
                *found = controller->services();
                finish(Status::Completed);
            };
            QObject::connect(controller, &QLowEnergyController::discoveryFinished, operation, collect);
            QObject::connect(controller, QOverload<QLowEnergyController::Error>::of(&QLowEnergyController::error),
                             operation, [finish, unknown](QLowEnergyController::Error error) {
                                 // BlueZ refuses an address it does not know (any more).
                                 *unknown = error == QLowEnergyController::UnknownRemoteDeviceError;
                                 finish(Status::Error);
                             });
            QObject::connect(controller, &QLowEnergyController::disconnected, operation,
                             [finish] { finish(Status::Canceled); });
            QObject::connect(controller, &QLowEnergyController::connected, operation,
                             [controller] { controller->discoverServices(); });
            switch (controller->state()) {
            case QLowEnergyController::UnconnectedState:
                controller->connectToDevice();
                break;
            case QLowEnergyController::ConnectedState:
                controller->discoverServices();
                break;
            case QLowEnergyController::DiscoveredState:
                collect();
                break;
            default:
                break;   // connecting or discovering: the signals above end it
            }
        });
        if (status == Status::Completed) {
            result = *found;
            return ConnectOutcome::Connected;
        }
        if (!*unknown)
            return ConnectOutcome::Failed;
        // The controller that failed goes: the next connect makes a new one for the address.
        layer().call([device] {
            if (QLowEnergyController *controller = device->controller) {
                controller->disconnect();
                controller->deleteLater();
                device->controller = nullptr;
            }
        });
        return ConnectOutcome::UnknownDevice;
    }

    // A Low Energy discovery of at most `limitMs` that ends as soon as it sees this device's
    // address (BlueZ then knows it again); true when it was seen.
    bool rediscover(int limitMs)
    {
        const QBluetoothAddress address = link->info.address();
        if (address.isNull())
            return false;
        const Status status = layer().run(limitMs + waitLimits().operationMs, [address, limitMs](
                                                                              QObject *operation, const Finish &finish) {
            auto *agent = new QBluetoothDeviceDiscoveryAgent(operation);
            agent->setLowEnergyDiscoveryTimeout(qMax(1, limitMs));
            QObject::connect(agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, operation,
                             [address, finish](const QBluetoothDeviceInfo &info) {
                                 if (info.address() != address)
                                     return;
                                 {
                                     SeenDevices &seen = seenDevices();
                                     std::lock_guard<std::mutex> lock(seen.mutex);
                                     seen.byAddress[addressOf(info)] = info;
                                 }
                                 finish(Status::Completed);
                             });
            QObject::connect(agent, &QBluetoothDeviceDiscoveryAgent::finished, operation,
                             [finish] { finish(Status::Error); });
            QObject::connect(agent, &QBluetoothDeviceDiscoveryAgent::canceled, operation,
                             [finish] { finish(Status::Canceled); });
            QObject::connect(agent, QOverload<QBluetoothDeviceDiscoveryAgent::Error>::of(&QBluetoothDeviceDiscoveryAgent::error),
                             operation, [agent, finish](QBluetoothDeviceDiscoveryAgent::Error) {
                                 qDebug() << "蓝牙扫描错误：" << agent->errorString();
                                 finish(Status::Error);
                             });
            agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
        });
        return status == Status::Completed;
    }

public:
    void close() override
    {
        const std::shared_ptr<Link> device = link;
        device->status.set(nullptr);
        layer().call([device] {
            device->closed = true;
            device->up = false;
            QLowEnergyController *controller = device->controller;
            if (!controller)
                return;
            // No signal of the link reaches a handler from here on.
            const auto services = controller->findChildren<QLowEnergyService *>();
            for (QLowEnergyService *service : services)
                service->disconnect();
            controller->disconnect();
            controller->disconnectFromDevice();
            controller->deleteLater();
            device->controller = nullptr;
            device->services.clear();
        });
    }

private:
    const std::shared_ptr<Link> link;
};

class QtWatcher : public Watcher
{
public:
    ~QtWatcher() override { stop(); }

    bool start(std::function<void(const Advertisement &)> received) override
    {
        slot->set(std::move(received));
        bool started = false;
        layer().call([this, &started] {
            auto *made = new QBluetoothDeviceDiscoveryAgent(layer().root());
            agent = made;
            made->setLowEnergyDiscoveryTimeout(0);   // until stopped
            const auto handler = slot;
            const auto report = [handler](const QBluetoothDeviceInfo &info) {
                if (!(info.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration))
                    return;
                const quint64 address = addressOf(info);
                {
                    SeenDevices &seen = seenDevices();
                    std::lock_guard<std::mutex> lock(seen.mutex);
                    seen.byAddress[address] = info;
                }
                // Qt does not tell the advertisement type: a device that advertises Low Energy
                // is taken as connectable.
                Advertisement advertisement;
                advertisement.address = address;
                advertisement.connectableUndirected = true;
                (*handler)(advertisement);
            };
            QObject::connect(made, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, made, report);
            QObject::connect(made, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, made,
                             [report](const QBluetoothDeviceInfo &info, QBluetoothDeviceInfo::Fields) {
                                 report(info);
                             });
            made->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
            started = made->error() == QBluetoothDeviceDiscoveryAgent::NoError;
            if (!started)
                qDebug() << "蓝牙扫描错误：" << made->errorString();
        });
        if (!started)
            stop();
        return started;
    }

    void stop() override
    {
        slot->set(nullptr);
        layer().call([this] {
            if (!agent)
                return;
            agent->disconnect();
            agent->stop();
            agent->deleteLater();
            agent = nullptr;
        });
    }

private:
    const std::shared_ptr<HandlerSlot<const Advertisement &>> slot =
        std::make_shared<HandlerSlot<const Advertisement &>>();
    QPointer<QBluetoothDeviceDiscoveryAgent> agent;   // the layer's thread only
};

class QtBackend : public Backend
{
public:
    bool adapterPresent() override { return !QBluetoothLocalDevice::allDevices().isEmpty(); }

    bool lowEnergySupported() override
    {
        return QBluetoothDeviceDiscoveryAgent::supportedDiscoveryMethods()
               & QBluetoothDeviceDiscoveryAgent::LowEnergyMethod;
    }

    Radio radioState() override
    {
        QBluetoothLocalDevice local;
        if (!local.isValid())
            return Radio::Failed;
        return local.hostMode() == QBluetoothLocalDevice::HostPoweredOff ? Radio::Off : Radio::On;
    }

    std::unique_ptr<Watcher> createWatcher() override { return std::make_unique<QtWatcher>(); }

    DevicePtr deviceFromAddress(quint64 address) override
    {
        SeenDevices &seen = seenDevices();
        std::lock_guard<std::mutex> lock(seen.mutex);
        const auto it = seen.byAddress.find(address);
        if (it == seen.byAddress.end())
            return nullptr;
        return std::make_shared<QtDevice>(it->second);
    }

    DevicePtr deviceFromId(const QString &id) override
    {
        {
            SeenDevices &seen = seenDevices();
            std::lock_guard<std::mutex> lock(seen.mutex);
            for (const auto &entry : seen.byAddress) {
                if (idOf(entry.second) == id)
                    return std::make_shared<QtDevice>(entry.second);
            }
        }
        // An address text; an identifier of the Windows Runtime ends in the device's address.
        QBluetoothAddress address(id);
        if (address.isNull())
            address = QBluetoothAddress(id.section(QLatin1Char('-'), -1));
        if (address.isNull())
            return nullptr;
        QBluetoothDeviceInfo info(address, QString(), 0);
        info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
        return std::make_shared<QtDevice>(info);
    }
};

} // namespace

std::shared_ptr<Backend> qtBackend()
{
    static const std::shared_ptr<Backend> qt = std::make_shared<QtBackend>();
    return qt;
}

} // namespace ble
