#include "Ble.h"

#include <QDebug>
#include <QThread>

#include <atomic>

namespace ble {

namespace {
std::mutex backendMutex;
std::shared_ptr<Backend> installed;   // null: the Qt back end

std::atomic<int> connectLimit{WaitLimits().connectMs};
std::atomic<int> operationLimit{WaitLimits().operationMs};
std::atomic<int> discoveryLimit{WaitLimits().discoveryMs};
} // namespace

QString statusText(Status status)
{
    switch (status) {
    case Status::Completed:
        return QStringLiteral("Completed");
    case Status::Error:
        return QStringLiteral("Error");
    case Status::Canceled:
        return QStringLiteral("Canceled");
    case Status::TimedOut:
        return QStringLiteral("TimedOut");
    }
    return QString();
}

QString shortId(const QUuid &uuid)
{
    return QString::number(uuid.data1, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

WaitLimits waitLimits()
{
    WaitLimits limits;
    limits.connectMs = connectLimit;
    limits.operationMs = operationLimit;
    limits.discoveryMs = discoveryLimit;
    return limits;
}

void setWaitLimits(const WaitLimits &limits)
{
    connectLimit = limits.connectMs;
    operationLimit = limits.operationMs;
    discoveryLimit = limits.discoveryMs;
}

int serialLinkBudgetMs()
{
    const WaitLimits limits = waitLimits();
    return 2 * limits.connectMs + limits.discoveryMs + 4 * limits.operationMs;
}

bool connectKnownDevice(const std::function<ConnectOutcome()> &connect,
                        const std::function<bool(int limitMs)> &discover)
{
    const ConnectOutcome outcome = connect();
    if (outcome != ConnectOutcome::UnknownDevice)
        return outcome == ConnectOutcome::Connected;
    qDebug() << "蓝牙设备未知，重新查找";
    if (!discover(waitLimits().discoveryMs)) {
        qDebug() << "蓝牙设备未找到";
        return false;
    }
    return connect() == ConnectOutcome::Connected;
}

std::shared_ptr<Backend> backend()
{
    std::lock_guard<std::mutex> lock(backendMutex);
    if (installed)
        return installed;
    return qtBackend();
}

void setBackend(std::shared_ptr<Backend> other)
{
    std::lock_guard<std::mutex> lock(backendMutex);
    installed = std::move(other);
}

bool scan(int durationMs, const std::function<void()> &starting,
          const std::function<void(const SeenDevice &)> &seen)
{
    const std::shared_ptr<Backend> platform = backend();
    if (!platform->adapterPresent() || !platform->lowEnergySupported()) {
        qDebug() << "windows电脑不支持ble";
        return false;
    }
    switch (platform->radioState()) {
    case Radio::Off:
        qDebug() << "电脑蓝牙状态" << false;
        return false;
    case Radio::Failed:
        qDebug() << "蓝牙异常" << false;
        break;
    case Radio::On:
        break;
    }
    starting();
    std::unique_ptr<Watcher> watcher = platform->createWatcher();
    const bool started = watcher && watcher->start([platform, seen](const Advertisement &ad) {
        if (!ad.connectableUndirected)
            return;
        const DevicePtr device = platform->deviceFromAddress(ad.address);
        if (!device)
            return;
        const SeenDevice found{device->id(), device->name()};
        device->close();
        seen(found);
    });
    if (!started) {
        qDebug() << "蓝牙扫描启动失败";
        return false;
    }
    QThread::msleep(static_cast<unsigned long>(qMax(0, durationMs)));
    watcher->stop();
    return true;
}

bool openSerialLink(const DevicePtr &device, const std::function<void(const QByteArray &)> &received,
                    SerialLink &link)
{
    link = SerialLink();
    link.device = device;
    QList<ServicePtr> services;
    if (!device->services(services)) {
        qDebug() << "蓝牙连接失败";
        return false;
    }
    qDebug() << "Services:" << services.size();
    for (const ServicePtr &service : services) {
        const QString serviceId = shortId(service->uuid());
        if (serviceId != QLatin1String("FFE5") && serviceId != QLatin1String("FFE0"))
            continue;
        qDebug() << "Service:" << serviceId;
        QList<CharacteristicPtr> characteristics;
        if (!service->characteristics(characteristics)) {
            qDebug() << "蓝牙特征读取失败";
            return false;
        }
        for (const CharacteristicPtr &characteristic : characteristics) {
            qDebug() << "Charact:" << shortId(characteristic->uuid());
            const int properties = characteristic->properties();
            if (properties == Notify) {
                qDebug() << "具有通知权限；";
                characteristic->setValueChangedHandler(received);
                const Status status = characteristic->subscribe();
                if (status != Status::Completed) {
                    characteristic->setValueChangedHandler(nullptr);
                    qDebug() << "statuss.Status；" << statusText(status);
                    break;
                }
                link.notify.append(characteristic);
            } else if (properties == (Write | WriteWithoutResponse)) {
                qDebug() << "具有写入权限；";
                link.write.append(characteristic);
            }
        }
    }
    return true;
}

} // namespace ble
