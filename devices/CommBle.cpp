// The Bluetooth LE link of Comm, on the Bluetooth LE layer (platform/Ble.h). The link state is
// process-wide, one link at a time: the transport that made the last connect attempt is the
// current one and receives the notified bytes; the link is ready while it holds exactly one
// subscribed Notify characteristic and one Write characteristic. "BLE.ini" in the working folder
// keeps the last connected name ("/Config/Name") and the identifier of every device a scan saw
// ("/" + name + "/ID").
//
// Only the transport that opened the link writes to it or closes it; constructing a transport or
// listing device names leaves a working link alone. Handlers of the layer look at the current
// transport under the state's lock, which a transport clears when it goes or its open fails.
#include "Comm.h"

#include "Ble.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>

namespace {
struct BleState
{
    QMutex mutex;   // guards the members below
    Comm *currentBleComm = nullptr;
    bool linkReady = false;
    ble::SerialLink link;   // the objects of the open link
    QStringList discoveredBleNames;
    QStringList discoveredBleIds;
};

BleState &bleState()
{
    static BleState state;
    return state;
}

// One connect at a time in the process.
QMutex &connectMutex()
{
    static QMutex mutex;
    return mutex;
}

// "BLE.ini", a new settings object per access, under one lock (scan handlers write it too).
QMutex &iniMutex()
{
    static QMutex mutex;
    return mutex;
}

QString readBleIni(const QString &key)
{
    QMutexLocker lock(&iniMutex());
    QSettings settings(QStringLiteral("BLE.ini"), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key).toString();
}

void writeBleIni(const QString &key, const QString &value)
{
    QMutexLocker lock(&iniMutex());
    QSettings settings(QStringLiteral("BLE.ini"), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    settings.setValue(key, value);
    settings.sync();
}

// Closes the device of a link taken out of the state (outside the state's lock: the close waits
// for a running handler, which takes that lock).
void closeLink(const ble::SerialLink &link)
{
    if (!link.device)
        return;
    link.device->close();
    qDebug() << "关闭设备；";
}

// Takes the link out of the state when `comm` is the current transport; `forget` also makes it
// no longer the current one.
void takeLink(const Comm *comm, bool forget, ble::SerialLink &link)
{
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    if (s.currentBleComm != comm)
        return;
    link = s.link;
    s.link = ble::SerialLink();
    s.linkReady = false;
    if (forget)
        s.currentBleComm = nullptr;
}

constexpr int scanMs = 1500;
} // namespace

int Comm::bleOpenBudgetMs()
{
    return ble::serialLinkBudgetMs();
}

bool Comm::scanBle()
{
    BleState &s = bleState();
    return ble::scan(
        scanMs,
        [&s] {
            QMutexLocker lock(&s.mutex);
            s.discoveredBleNames.clear();
            s.discoveredBleIds.clear();
        },
        [](const ble::SeenDevice &device) { onBleAdvertisementReceived(device.id, device.name); });
}

void Comm::onBleAdvertisementReceived(const QString &id, const QString &name)
{
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    if (s.discoveredBleNames.contains(name))
        return;
    s.discoveredBleNames.append(name);
    s.discoveredBleIds.append(id);
    writeBleIni(QStringLiteral("/") + name + QStringLiteral("/ID"), id);
}

bool Comm::bleDeviceNames(QStringList &names)
{
    if (!scanBle())
        return false;
    QStringList found;
    {
        BleState &s = bleState();
        QMutexLocker lock(&s.mutex);
        found = s.discoveredBleNames;
    }
    const QString last = readBleIni(QStringLiteral("/Config/Name"));
    if (!last.isEmpty() && !found.contains(last))
        found.append(last);
    names = found;
    return true;
}

void Comm::openBle(QString name)
{
    QMutexLocker connecting(&connectMutex());
    BleState &s = bleState();
    ble::SerialLink previous;
    {
        QMutexLocker lock(&s.mutex);
        // A link held by another transport is taken over: that transport's writes fail from now.
        if (s.currentBleComm && s.currentBleComm != this)
            s.currentBleComm->connected = false;
        s.currentBleComm = this;
        s.linkReady = false;
        previous = s.link;
        s.link = ble::SerialLink();
    }
    closeLink(previous);

    // The attempt failed: this transport is no longer the current one.
    const auto forget = [this] {
        ble::SerialLink none;
        takeLink(this, true, none);
    };

    writeBleIni(QStringLiteral("/Config/Name"), name);
    const QString id = readBleIni(QStringLiteral("/") + name + QStringLiteral("/ID"));
    if (id.isEmpty()) {
        // Never seen by a scan: nothing is reported and the driver's open runs out of polls.
        qDebug() << "蓝牙设备未扫描到：" << name;
        forget();
        return;
    }
    const ble::DevicePtr device = ble::backend()->deviceFromId(id);
    if (!device) {
        qDebug() << "蓝牙设备不存在：" << name << id;
        forget();
        connected = false;
        emit State_signals(false);
        return;
    }
    device->setConnectionStatusHandler(&Comm::onBleConnectionStatusChanged);
    ble::SerialLink link;
    if (ble::openSerialLink(device, &Comm::onBleValueChanged, link) && link.ready()) {
        {
            QMutexLocker lock(&s.mutex);
            s.link = link;
            s.linkReady = true;
        }
        connected = true;
        transport = Ble;
        emit State_signals(true);
        qDebug() << "蓝牙连接成功";
        return;
    }
    // What the attempt opened is closed again.
    qDebug() << "蓝牙连接失败：通知特征" << link.notify.size() << "写入特征" << link.write.size();
    closeLink(link);
    forget();
    connected = false;
    emit State_signals(false);
}

void Comm::writeBle(QByteArray data)
{
    ble::CharacteristicPtr target;
    {
        BleState &s = bleState();
        QMutexLocker lock(&s.mutex);
        if (s.currentBleComm == this && s.linkReady)
            target = s.link.write.value(0);
    }
    if (!target) {
        emit State_signals(false);
        return;
    }
    const ble::Status status = target->write(data);
    if (status != ble::Status::Completed) {
        qDebug() << "写入异常" << ble::statusText(status);
        emit State_signals(false);
    }
}

void Comm::closeBle()
{
    connected = false;
    ble::SerialLink link;
    takeLink(this, false, link);   // nothing when the link is another transport's
    closeLink(link);
}

void Comm::detachBle()
{
    connected = false;
    ble::SerialLink link;
    takeLink(this, true, link);
    closeLink(link);
}

void Comm::onBleValueChanged(const QByteArray &value)
{
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    if (s.currentBleComm)
        emit s.currentBleComm->Read_signals(value);
}

void Comm::onBleConnectionStatusChanged(bool linkUp)
{
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    if (s.currentBleComm)
        s.currentBleComm->connected = linkUp;
    qDebug() << "ConnectionStatus:" << linkUp;
}
