#pragma once
// The Bluetooth LE layer: what the program's Bluetooth links need of the operating system
// (adapter, radio, advertisement watch, devices, GATT services and characteristics, notification
// subscription, writes), behind one interface with two back ends:
//  - Qt Bluetooth (BlueZ over D-Bus on Linux, the Windows Runtime on Windows), the one in use;
//  - a simulated world of peripherals for tests (BleSimulated.h), which only a test installs
//    with setBackend; the program never does.
//
// Every operation may be called from any thread and returns when it is done: where the platform
// works asynchronously, the calling thread waits for the outcome (without processing its own
// events) at most the wait limit below. Handlers (advertisements, notified values, connection
// status) run on a thread of the layer, one at a time, in the order the platform reported them.
// A handler must not call an operation that waits (on the layer's thread such a call fails at
// once). After a watcher's stop() or a device's close() returns, no handler of it runs any more,
// and after a handler setter returns the replaced handler is not running; so neither must be
// called while holding a lock that the handler takes.
//
//     if (!ble::scan(1500, [] { names.clear(); }, [](const ble::SeenDevice &d) { ... }))
//         return false;                                      // no adapter, LE or radio
//     ble::DevicePtr device = ble::backend()->deviceFromId(id);
//     ble::SerialLink link;
//     if (device && ble::openSerialLink(device, onBytes, link) && link.ready())
//         link.write.first()->write(bytes);                  // Completed, or the link failed
//     device->close();

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <mutex>

namespace ble {

// The outcome of an operation the layer waits for.
enum class Status { Completed, Error, Canceled, TimedOut };
QString statusText(Status status);

// Characteristic properties, as bit flags.
enum Property : int {
    Broadcast = 0x01,
    Read = 0x02,
    WriteWithoutResponse = 0x04,
    Write = 0x08,
    Notify = 0x10,
    Indicate = 0x20,
};

enum class Radio { On, Off, Failed };   // Failed: its state could not be read

// The short identifier text of a service or characteristic: the first 32 bits of its UUID in
// upper-case hexadecimal, at least four digits ("FFE0" for 0000FFE0-0000-1000-8000-00805F9B34FB).
QString shortId(const QUuid &uuid);

// How long the layer waits for the platform, in milliseconds: a connect with its service
// discovery, every other operation (characteristics, subscription, write), and the discovery
// that looks for a device the platform no longer knows before the connect is tried again.
struct WaitLimits
{
    int connectMs = 10000;
    int operationMs = 5000;
    int discoveryMs = 10000;
};
WaitLimits waitLimits();
void setWaitLimits(const WaitLimits &limits);   // tests shorten them
// The longest the open of a serial link (openSerialLink) may take at the present limits: the
// connect, one discovery and the second connect of a device the platform had forgotten, then
// the characteristics of two services and a subscription in each.
int serialLinkBudgetMs();

class Characteristic
{
public:
    virtual ~Characteristic() = default;
    virtual QUuid uuid() const = 0;
    virtual int properties() const = 0;   // Property flags
    // The handler of the values the characteristic notifies, each whole and in order; an empty
    // function removes it.
    virtual void setValueChangedHandler(std::function<void(const QByteArray &)> handler) = 0;
    // Writes Notify into the client characteristic configuration descriptor: Completed only once
    // the device confirmed it.
    virtual Status subscribe() = 0;
    // Writes the value (with response): Completed once the device confirmed it.
    virtual Status write(const QByteArray &value) = 0;
};
using CharacteristicPtr = std::shared_ptr<Characteristic>;

class Service
{
public:
    virtual ~Service() = default;
    virtual QUuid uuid() const = 0;
    // The characteristics of the service; false when they cannot be had.
    virtual bool characteristics(QList<CharacteristicPtr> &list) = 0;
};
using ServicePtr = std::shared_ptr<Service>;

class Device
{
public:
    virtual ~Device() = default;   // closes
    virtual QString id() const = 0;     // the identifier text a later deviceFromId takes
    virtual QString name() const = 0;   // empty when the device has none
    virtual bool isConnected() const = 0;
    virtual void setConnectionStatusHandler(std::function<void(bool connected)> handler) = 0;
    // Connects when not connected, then lists the device's GATT services; false on a failure
    // or when the connect limit passes.
    virtual bool services(QList<ServicePtr> &list) = 0;
    // Disconnects and releases the device; its services and characteristics fail from then on.
    virtual void close() = 0;
};
using DevicePtr = std::shared_ptr<Device>;

struct Advertisement
{
    quint64 address = 0;                 // the 48-bit Bluetooth address
    bool connectableUndirected = false;  // the advertisement type the links take
};

// A passive advertisement watch.
class Watcher
{
public:
    virtual ~Watcher() = default;   // stops
    // Starts watching; `received` runs for every advertisement until stop(). False when the
    // watch cannot start.
    virtual bool start(std::function<void(const Advertisement &)> received) = 0;
    virtual void stop() = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;
    virtual bool adapterPresent() = 0;
    virtual bool lowEnergySupported() = 0;
    virtual Radio radioState() = 0;
    virtual std::unique_ptr<Watcher> createWatcher() = 0;
    // A device seen by a watch, or null. Does not wait: handlers may call it.
    virtual DevicePtr deviceFromAddress(quint64 address) = 0;
    // The device an identifier names, or null when it names none.
    virtual DevicePtr deviceFromId(const QString &id) = 0;
};

// The back end in use: Qt Bluetooth unless a test installed another (null puts Qt back).
std::shared_ptr<Backend> backend();
void setBackend(std::shared_ptr<Backend> other);

// ---- what both Bluetooth links of the program do alike ---------------------------------------

struct SeenDevice
{
    QString id;
    QString name;
};

// The scan: false with the trace "windows电脑不支持ble" without an adapter or Low Energy, with
// "电脑蓝牙状态 false" when the radio is off, and when the watch cannot start; a radio whose
// state cannot be read is traced "蓝牙异常 false" and the scan goes on. Then `starting` runs, a
// passive watch runs for `durationMs` (the calling thread sleeps) and `seen` runs on the
// layer's thread for every connectable undirected advertisement, with the identifier and name
// of its device (repeats included). True once the watch has stopped.
bool scan(int durationMs, const std::function<void()> &starting,
          const std::function<void(const SeenDevice &)> &seen);

// The serial-like GATT link: in the services whose short identifier is "FFE5" or "FFE0", the
// characteristics whose properties are exactly Notify (subscribed, their values handed to
// the handler) and those whose properties are exactly Write and WriteWithoutResponse.
struct SerialLink
{
    DevicePtr device;
    QList<CharacteristicPtr> notify;   // subscribed, confirmed
    QList<CharacteristicPtr> write;
    // Exactly one subscribed Notify characteristic and exactly one Write characteristic.
    bool ready() const { return notify.size() == 1 && write.size() == 1; }
};

// Connects `device` and walks its services in order with the traces "Services:" (their count),
// "Service:", "Charact:" (short identifiers), "具有通知权限；" and "具有写入权限；". A Notify
// characteristic gets `received` as its handler, then is subscribed; one that is not confirmed
// ("statuss.Status；" and the status) loses the handler, is not taken and ends the walk of its
// service. False when the device or a service fails (the link then holds what was taken so far);
// the caller closes the device either way when it does not use the link.
bool openSerialLink(const DevicePtr &device, const std::function<void(const QByteArray &)> &received,
                    SerialLink &link);

// ---- for back ends ------------------------------------------------------------------------------

// A device's connect as a back end reports it: the platform may not know the device any more
// (BlueZ forgets a device it has not paired soon after a scan or a disconnect, and then refuses
// to connect to its address).
enum class ConnectOutcome { Connected, Failed, UnknownDevice };
// The connect every back end makes: `connect` once; when the platform does not know the device,
// one `discover` of at most the discovery limit for it (true when it was seen), then `connect`
// once more. True when a connect succeeded.
bool connectKnownDevice(const std::function<ConnectOutcome()> &connect,
                        const std::function<bool(int limitMs)> &discover);

// A handler slot: calls run under its lock, so that set() returns only once a running call has
// ended and no later call sees the old handler. A handler may replace itself.
template <typename... Args>
class HandlerSlot
{
public:
    void set(std::function<void(Args...)> handler)
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        function = std::move(handler);
    }
    void operator()(Args... args)
    {
        std::lock_guard<std::recursive_mutex> lock(mutex);
        if (function)
            function(args...);
    }

private:
    std::recursive_mutex mutex;
    std::function<void(Args...)> function;
};

// The Qt Bluetooth back end (BleQt.cpp).
std::shared_ptr<Backend> qtBackend();

} // namespace ble
