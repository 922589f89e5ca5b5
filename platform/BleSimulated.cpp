#include "BleSimulated.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <thread>

namespace ble {

// One connection of a simulated device object to its peripheral.
struct SimulatedLink
{
    struct Characteristic
    {
        QUuid uuid;
        int properties = 0;
        bool subscribed = false;
        std::function<void(const QByteArray &)> handler;
    };

    explicit SimulatedLink(std::shared_ptr<SimulatedPeripheral> to) : peripheral(std::move(to)) {}

    const std::shared_ptr<SimulatedPeripheral> peripheral;
    std::recursive_mutex mutex;   // guards the members below; held while a handler runs
    bool connected = false;
    bool closed = false;
    std::function<void(bool)> status;
    QList<QList<std::shared_ptr<Characteristic>>> services;   // per service of the layout
};

namespace {

// The thread of the simulation: runs posted jobs one at a time, in order.
class SimulationThread
{
public:
    static SimulationThread &instance()
    {
        static SimulationThread thread;
        return thread;
    }

    void post(std::function<void()> job)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                return;
            jobs.push_back(std::move(job));
        }
        wake.notify_one();
    }

private:
    SimulationThread() : worker([this] { run(); }) {}
    ~SimulationThread()
    {
        std::deque<std::function<void()>> dropped;
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
            dropped.swap(jobs);
        }
        wake.notify_all();
        worker.join();
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !jobs.empty(); });
            if (stopping)
                return;
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            lock.unlock();
            job();
            job = nullptr;
            lock.lock();
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    std::thread worker;   // last: starts once the rest is built
};

void post(std::function<void()> job)
{
    SimulationThread::instance().post(std::move(job));
}

// Runs `body` on the simulation's thread with the link locked, unless its device is closed.
void deliver(const std::shared_ptr<SimulatedLink> &link, std::function<void(SimulatedLink &)> body)
{
    post([link, body] {
        std::lock_guard<std::recursive_mutex> lock(link->mutex);
        if (!link->closed)
            body(*link);
    });
}

// The outcome of a subscription or write: Error on a dropped link or a failing answer, the
// layer's whole wait on an answer that never comes; else `confirm` runs with the link locked
// and it is Completed.
Status answered(SimulatedLink &link, SimulatedPeripheral::Answer answer, const std::function<void()> &confirm)
{
    {
        std::lock_guard<std::recursive_mutex> lock(link.mutex);
        if (!link.connected || answer == SimulatedPeripheral::Answer::Fail)
            return Status::Error;
        if (answer == SimulatedPeripheral::Answer::Confirm) {
            confirm();
            return Status::Completed;
        }
    }
    QThread::msleep(static_cast<unsigned long>(qMax(0, waitLimits().operationMs)));
    return Status::TimedOut;
}

class SimCharacteristic : public Characteristic
{
public:
    SimCharacteristic(std::shared_ptr<SimulatedLink> device, std::shared_ptr<SimulatedLink::Characteristic> of)
        : link(std::move(device)), state(std::move(of))
    {
    }

    QUuid uuid() const override { return state->uuid; }
    int properties() const override { return state->properties; }

    void setValueChangedHandler(std::function<void(const QByteArray &)> handler) override
    {
        std::lock_guard<std::recursive_mutex> lock(link->mutex);
        state->handler = std::move(handler);
    }

    Status subscribe() override
    {
        if (!(state->properties & (Notify | Indicate)))
            return Status::Error;
        const auto subscribed = state;
        return answered(*link, link->peripheral->subscribeAnswer(), [subscribed] { subscribed->subscribed = true; });
    }

    Status write(const QByteArray &value) override
    {
        if (!(state->properties & (Write | WriteWithoutResponse)))
            return Status::Error;
        const Status status = answered(*link, link->peripheral->writeAnswer(), [] {});
        if (status == Status::Completed)
            link->peripheral->received(value);
        return status;
    }

private:
    const std::shared_ptr<SimulatedLink> link;
    const std::shared_ptr<SimulatedLink::Characteristic> state;
};

class SimService : public Service
{
public:
    SimService(std::shared_ptr<SimulatedLink> device, int position, const QUuid &id)
        : link(std::move(device)), index(position), serviceId(id)
    {
    }

    QUuid uuid() const override { return serviceId; }

    bool characteristics(QList<CharacteristicPtr> &list) override
    {
        std::lock_guard<std::recursive_mutex> lock(link->mutex);
        if (link->closed || !link->connected)
            return false;
        for (const auto &state : qAsConst(link->services[index]))
            list.append(std::make_shared<SimCharacteristic>(link, state));
        return true;
    }

private:
    const std::shared_ptr<SimulatedLink> link;
    const int index;
    const QUuid serviceId;
};

class SimDevice : public Device
{
public:
    using Discover = std::function<bool(quint64 address, int limitMs)>;
    SimDevice(const std::shared_ptr<SimulatedPeripheral> &peripheral, Discover discoverer)
        : link(std::make_shared<SimulatedLink>(peripheral)), discover(std::move(discoverer))
    {
    }
    ~SimDevice() override { close(); }

    QString id() const override { return link->peripheral->id(); }
    QString name() const override { return link->peripheral->name(); }

    bool isConnected() const override
    {
        std::lock_guard<std::recursive_mutex> lock(link->mutex);
        return link->connected;
    }

    void setConnectionStatusHandler(std::function<void(bool)> handler) override
    {
        std::lock_guard<std::recursive_mutex> lock(link->mutex);
        link->status = std::move(handler);
    }

    bool services(QList<ServicePtr> &list) override
    {
        const QList<SimulatedPeripheral::Service> layout = link->peripheral->layout();
        const quint64 address = link->peripheral->address();
        if (!connectKnownDevice([this, &layout] { return connectOnce(layout); },
                                [this, address](int limitMs) { return discover && discover(address, limitMs); }))
            return false;
        for (int i = 0; i < layout.size(); ++i)
            list.append(std::make_shared<SimService>(link, i, SimulatedPeripheral::uuidOf(layout[i].shortId)));
        return true;
    }

    void close() override
    {
        {
            std::lock_guard<std::recursive_mutex> lock(link->mutex);
            link->closed = true;
            link->connected = false;
            link->status = nullptr;
        }
        link->peripheral->release(link.get());
    }

private:
    ConnectOutcome connectOnce(const QList<SimulatedPeripheral::Service> &layout)
    {
        {
            std::lock_guard<std::recursive_mutex> lock(link->mutex);
            if (link->closed)
                return ConnectOutcome::Failed;
            if (link->connected)
                return ConnectOutcome::Connected;
            if (!link->peripheral->known())
                return ConnectOutcome::UnknownDevice;
        }
        const int delay = link->peripheral->connectDelay();
        const int limit = waitLimits().connectMs;
        if (delay > 0)
            QThread::msleep(static_cast<unsigned long>(qMin(delay, qMax(0, limit))));
        if (delay > limit)
            return ConnectOutcome::Failed;
        {
            std::lock_guard<std::recursive_mutex> lock(link->mutex);
            if (link->closed)
                return ConnectOutcome::Failed;
            if (!link->connected) {
                if (!link->peripheral->connectable())
                    return ConnectOutcome::Failed;
                link->connected = true;
                link->services.clear();
                for (const SimulatedPeripheral::Service &service : layout) {
                    QList<std::shared_ptr<SimulatedLink::Characteristic>> states;
                    for (const SimulatedPeripheral::Characteristic &c : service.characteristics) {
                        auto state = std::make_shared<SimulatedLink::Characteristic>();
                        state->uuid = SimulatedPeripheral::uuidOf(c.shortId);
                        state->properties = c.properties;
                        states.append(state);
                    }
                    link->services.append(states);
                }
                link->peripheral->accept(link);
                deliver(link, [](SimulatedLink &l) {
                    if (l.status)
                        l.status(true);
                });
            }
        }
        return ConnectOutcome::Connected;
    }

    const std::shared_ptr<SimulatedLink> link;
    const Discover discover;
};

class SimWatcher : public Watcher
{
public:
    explicit SimWatcher(QList<std::shared_ptr<SimulatedPeripheral>> seen) : peripherals(std::move(seen)) {}
    ~SimWatcher() override { stop(); }

    bool start(std::function<void(const Advertisement &)> received) override
    {
        {
            std::lock_guard<std::recursive_mutex> lock(state->mutex);
            state->received = std::move(received);
        }
        // Every peripheral advertises twice while the watch runs; the platform knows the
        // connectable ones from then on.
        for (const auto &peripheral : qAsConst(peripherals)) {
            if (peripheral->connectable())
                peripheral->setKnown(true);
        }
        for (int round = 0; round < 2; ++round) {
            for (const auto &peripheral : qAsConst(peripherals)) {
                Advertisement advertisement;
                advertisement.address = peripheral->address();
                advertisement.connectableUndirected = peripheral->connectable();
                const auto watch = state;
                post([watch, advertisement] {
                    std::lock_guard<std::recursive_mutex> lock(watch->mutex);
                    if (watch->received)
                        watch->received(advertisement);
                });
            }
        }
        return true;
    }

    void stop() override
    {
        std::lock_guard<std::recursive_mutex> lock(state->mutex);
        state->received = nullptr;
    }

private:
    struct State
    {
        std::recursive_mutex mutex;   // held while the handler runs
        std::function<void(const Advertisement &)> received;
    };
    const std::shared_ptr<State> state = std::make_shared<State>();
    const QList<std::shared_ptr<SimulatedPeripheral>> peripherals;
};

} // namespace
} // namespace ble

using namespace ble;

// ---- SimulatedPeripheral ----------------------------------------------------------------------

QList<SimulatedPeripheral::Service> SimulatedPeripheral::serialService(quint16 serviceId)
{
    return {Service{serviceId, {Characteristic{0xFFE4, Notify}, Characteristic{0xFFE9, Write | WriteWithoutResponse}}}};
}

QUuid SimulatedPeripheral::uuidOf(quint16 shortId)
{
    return QUuid(shortId, 0x0000, 0x1000, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB);
}

namespace {
quint64 nextAddress()
{
    static std::atomic<quint64> last{0xC0FFEE000000ULL};
    return ++last;
}

QString addressText(quint64 address)
{
    QStringList parts;
    for (int shift = 40; shift >= 0; shift -= 8)
        parts << QString::number((address >> shift) & 0xFF, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    return parts.join(QLatin1Char(':'));
}
} // namespace

SimulatedPeripheral::SimulatedPeripheral(const QString &name, const QList<Service> &layout)
    : deviceName(name), deviceAddress(nextAddress()), deviceId(addressText(deviceAddress)),
      services(layout)
{
}

void SimulatedPeripheral::setConnectable(bool connectable)
{
    std::lock_guard<std::mutex> lock(mutex);
    isConnectable = connectable;
}

bool SimulatedPeripheral::connectable() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return isConnectable;
}

void SimulatedPeripheral::setSubscribeAnswer(Answer answer)
{
    std::lock_guard<std::mutex> lock(mutex);
    onSubscribe = answer;
}

void SimulatedPeripheral::setWriteAnswer(Answer answer)
{
    std::lock_guard<std::mutex> lock(mutex);
    onWrite = answer;
}

void SimulatedPeripheral::setConnectDelay(int ms)
{
    std::lock_guard<std::mutex> lock(mutex);
    delayMs = ms;
}

int SimulatedPeripheral::connectDelay() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return delayMs;
}

void SimulatedPeripheral::forget()
{
    setKnown(false);
}

void SimulatedPeripheral::setKnown(bool known)
{
    std::lock_guard<std::mutex> lock(mutex);
    isKnown = known;
}

bool SimulatedPeripheral::known() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return isKnown;
}

int SimulatedPeripheral::discoveries() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return discoveryCount;
}

void SimulatedPeripheral::discovered()
{
    std::lock_guard<std::mutex> lock(mutex);
    ++discoveryCount;
    if (isConnectable)
        isKnown = true;
}

SimulatedPeripheral::Answer SimulatedPeripheral::subscribeAnswer() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return onSubscribe;
}

SimulatedPeripheral::Answer SimulatedPeripheral::writeAnswer() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return onWrite;
}

void SimulatedPeripheral::setResponder(Responder function)
{
    std::lock_guard<std::mutex> lock(mutex);
    responder = function ? std::make_shared<Responder>(std::move(function)) : nullptr;
}

QList<std::shared_ptr<SimulatedLink>> SimulatedPeripheral::linked() const
{
    std::lock_guard<std::mutex> lock(mutex);
    QList<std::shared_ptr<SimulatedLink>> alive;
    for (const auto &weak : links) {
        if (auto link = weak.lock())
            alive.append(link);
    }
    return alive;
}

void SimulatedPeripheral::notify(const QByteArray &bytes)
{
    const auto targets = linked();
    for (int at = 0; at < bytes.size(); at += 20) {
        const QByteArray piece = bytes.mid(at, 20);
        for (const auto &link : targets) {
            deliver(link, [piece](SimulatedLink &l) {
                if (!l.connected)
                    return;
                for (const auto &states : qAsConst(l.services)) {
                    for (const auto &state : states) {
                        if (state->subscribed && state->handler && (state->properties & Notify))
                            state->handler(piece);
                    }
                }
            });
        }
    }
}

void SimulatedPeripheral::dropLink()
{
    const auto targets = linked();
    for (const auto &link : targets) {
        {
            std::lock_guard<std::recursive_mutex> lock(link->mutex);
            link->connected = false;
            for (const auto &states : qAsConst(link->services)) {
                for (const auto &state : states)
                    state->subscribed = false;
            }
        }
        deliver(link, [](SimulatedLink &l) {
            if (l.status)
                l.status(false);
        });
    }
    std::lock_guard<std::mutex> lock(mutex);
    links.clear();
}

QList<QByteArray> SimulatedPeripheral::written() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return writes;
}

int SimulatedPeripheral::connects() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return connectCount;
}

bool SimulatedPeripheral::connected() const
{
    const auto targets = linked();
    for (const auto &link : targets) {
        std::lock_guard<std::recursive_mutex> lock(link->mutex);
        if (link->connected)
            return true;
    }
    return false;
}

void SimulatedPeripheral::accept(const std::shared_ptr<SimulatedLink> &link)
{
    std::lock_guard<std::mutex> lock(mutex);
    ++connectCount;
    links.append(link);
}

void SimulatedPeripheral::release(const SimulatedLink *link)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (int i = links.size() - 1; i >= 0; --i) {
        const auto alive = links[i].lock();
        if (!alive || alive.get() == link)
            links.removeAt(i);
    }
}

void SimulatedPeripheral::received(const QByteArray &bytes)
{
    std::shared_ptr<Responder> answer;
    {
        std::lock_guard<std::mutex> lock(mutex);
        writes.append(bytes);
        answer = responder;
    }
    if (!answer)
        return;
    const auto self = shared_from_this();
    post([self, answer, bytes] { (*answer)(*self, bytes); });
}

// ---- SimulatedBle -------------------------------------------------------------------------------

std::shared_ptr<SimulatedBle> SimulatedBle::install()
{
    static const std::shared_ptr<SimulatedBle> simulated = std::make_shared<SimulatedBle>();
    ble::setBackend(simulated);
    return simulated;
}

void SimulatedBle::add(const std::shared_ptr<SimulatedPeripheral> &peripheral)
{
    std::lock_guard<std::mutex> lock(mutex);
    world.append(peripheral);
}

void SimulatedBle::remove(const std::shared_ptr<SimulatedPeripheral> &peripheral)
{
    std::lock_guard<std::mutex> lock(mutex);
    world.removeAll(peripheral);
}

void SimulatedBle::setAdapter(bool isPresent, bool hasLowEnergy, Radio state)
{
    std::lock_guard<std::mutex> lock(mutex);
    present = isPresent;
    lowEnergy = hasLowEnergy;
    radio = state;
}

QList<std::shared_ptr<SimulatedPeripheral>> SimulatedBle::peripherals() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return world;
}

bool SimulatedBle::adapterPresent()
{
    std::lock_guard<std::mutex> lock(mutex);
    return present;
}

bool SimulatedBle::lowEnergySupported()
{
    std::lock_guard<std::mutex> lock(mutex);
    return lowEnergy;
}

Radio SimulatedBle::radioState()
{
    std::lock_guard<std::mutex> lock(mutex);
    return radio;
}

std::unique_ptr<Watcher> SimulatedBle::createWatcher()
{
    return std::make_unique<SimWatcher>(peripherals());
}

DevicePtr SimulatedBle::deviceFromAddress(quint64 address)
{
    for (const auto &peripheral : peripherals()) {
        if (peripheral->address() == address)
            return std::make_shared<SimDevice>(peripheral, [this](quint64 a, int ms) { return discover(a, ms); });
    }
    return nullptr;
}

DevicePtr SimulatedBle::deviceFromId(const QString &id)
{
    for (const auto &peripheral : peripherals()) {
        if (peripheral->id() == id)
            return std::make_shared<SimDevice>(peripheral, [this](quint64 a, int ms) { return discover(a, ms); });
    }
    return nullptr;
}

bool SimulatedBle::discover(quint64 address, int limitMs)
{
    for (const auto &peripheral : peripherals()) {
        if (peripheral->address() != address)
            continue;
        peripheral->discovered();
        if (peripheral->known())
            return true;
    }
    QThread::msleep(static_cast<unsigned long>(qMax(0, limitMs)));
    return false;
}
