#include "CriteriaBrelkVobre.h"

#include <QByteArray>
#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

#include <cmath>
#include <cstring>

#include "Ble.h"
#include "Terms.h"

namespace {

struct VobreState
{
    QMutex mutex;   // guards the members below but linkUp
    QStringList foundNames;
    QStringList foundIds;
    QString notifyText;              // hexadecimal text gathered since the last frame
    double lastTemperature = 0.0;
    bool newValue = false;
    std::atomic<bool> linkUp{false};
    ble::SerialLink link;
    const CriteriaBrelkVobre *owner = nullptr;   // the object that opened the link
};

VobreState &state()
{
    static VobreState s;
    return s;
}

} // namespace

CriteriaBrelkVobre::CriteriaBrelkVobre()
{
    VobreState &s = state();
    QMutexLocker lock(&s.mutex);
    s.newValue = false;
    s.notifyText.clear();
    s.foundNames.clear();
    s.foundIds.clear();
}

CriteriaBrelkVobre::~CriteriaBrelkVobre()
{
    VobreState &s = state();
    QMutexLocker lock(&s.mutex);
    if (s.owner == this)
        s.owner = nullptr;
}

void CriteriaBrelkVobre::setWaits(int leadMs, int looks)
{
    openLeadMs = leadMs;
    readLooks = looks;
}

QString CriteriaBrelkVobre::appendCheck(const QString &command)
{
    const QByteArray bytes = QByteArray::fromHex(command.left(16).toLatin1());
    quint8 check = 0;
    for (char byte : bytes)
        check ^= quint8(byte);
    return command + QString::number(check, 16).rightJustified(2, QLatin1Char('0'));
}

bool CriteriaBrelkVobre::scanBle()
{
    VobreState &s = state();
    return ble::scan(
        1000,
        [&s] {
            QMutexLocker lock(&s.mutex);
            s.foundNames.clear();
            s.foundIds.clear();
        },
        [&s](const ble::SeenDevice &device) {
            QMutexLocker lock(&s.mutex);
            if (device.name.startsWith(QStringLiteral("Vobre"))
                && !s.foundNames.contains(device.name)) {
                s.foundNames.append(device.name);
                s.foundIds.append(device.id);
            }
        });
}

bool CriteriaBrelkVobre::availablePorts(QStringList &names)
{
    if (!scanBle())
        return false;
    VobreState &s = state();
    QMutexLocker lock(&s.mutex);
    names = s.foundNames;
    return true;
}

bool CriteriaBrelkVobre::open(QString, QString ipCom, QString)
{
    if (ipCom.isEmpty())
        return false;
    delayMs(openLeadMs);
    deviceName = ipCom;
    linkState = 0;
    {
        VobreState &s = state();
        QMutexLocker lock(&s.mutex);
        s.newValue = false;
    }
    if (!connectWorker())
        return false;
    linkState = 1;
    return true;
}

bool CriteriaBrelkVobre::connectWorker()
{
    VobreState &s = state();
    QString id;
    // The name as the last scan saw it; up to three scans more while it is missing.
    for (int scan = 0;; ++scan) {
        {
            QMutexLocker lock(&s.mutex);
            const int index = s.foundNames.indexOf(deviceName);
            if (index >= 0 && s.foundIds.size() == s.foundNames.size())
                id = s.foundIds.at(index);
        }
        if (!id.isEmpty() || scan == 3)
            break;
        if (!scanBle())
            return false;
    }
    if (id.isEmpty())
        return false;
    const ble::DevicePtr device = ble::backend()->deviceFromId(id);
    if (!device)
        return false;

    // A link held from before is released first.
    ble::SerialLink previous;
    {
        QMutexLocker lock(&s.mutex);
        previous = s.link;
        s.link = ble::SerialLink();
        s.owner = nullptr;
        s.notifyText.clear();
    }
    if (previous.device)
        previous.device->close();

    device->setConnectionStatusHandler(&CriteriaBrelkVobre::onConnectionStatusChanged);
    ble::SerialLink link;
    if (!ble::openSerialLink(device, &CriteriaBrelkVobre::onValueChanged, link) || !link.ready()) {
        qDebug() << "蓝牙连接失败：通知特征" << link.notify.size() << "写入特征" << link.write.size();
        device->close();
        return false;
    }
    QMutexLocker lock(&s.mutex);
    s.link = link;
    s.owner = this;
    s.linkUp = device->isConnected();
    return true;
}

void CriteriaBrelkVobre::onConnectionStatusChanged(bool linkUp)
{
    state().linkUp = linkUp;
    qDebug() << "ConnectionStatus:" << linkUp;
}

void CriteriaBrelkVobre::onValueChanged(const QByteArray &value)
{
    VobreState &s = state();
    QMutexLocker lock(&s.mutex);
    s.notifyText += QString::fromLatin1(value.toHex());
    if (s.notifyText.size() < 48)
        return;
    if (s.notifyText.startsWith(QStringLiteral("1705"))) {
        const quint32 bits = s.notifyText.mid(36, 8).toUInt(nullptr, 16);
        float temperature;
        std::memcpy(&temperature, &bits, sizeof temperature);
        // A value that is not a number is no temperature.
        if (std::isfinite(temperature)) {
            s.lastTemperature = double(temperature);
            s.newValue = true;
        }
    }
    s.notifyText.clear();
}

bool CriteriaBrelkVobre::isConnected()
{
    return state().linkUp && linkState == 1;
}

bool CriteriaBrelkVobre::readReply(QString &)
{
    return false;
}

bool CriteriaBrelkVobre::sendCommand(QString command)
{
    if (!isConnected())
        return false;
    ble::CharacteristicPtr target;
    {
        VobreState &s = state();
        QMutexLocker lock(&s.mutex);
        if (s.owner == this)
            target = s.link.write.value(0);
    }
    if (!target)
        return false;
    qDebug() << "写入数据：" << command;
    const ble::Status status = target->write(QByteArray::fromHex(command.toLatin1()));
    if (status != ble::Status::Completed) {
        qDebug() << "写入异常" << ble::statusText(status);
        return false;
    }
    qDebug() << "写入成功";
    return true;
}

bool CriteriaBrelkVobre::readSerialNumber(QString &serial)
{
    serial = deviceName;
    return true;
}

bool CriteriaBrelkVobre::setChannelConfig(ChannelRecord)
{
    delayMs(200);
    return sendCommand(appendCheck(QStringLiteral("04050200")));
}

bool CriteriaBrelkVobre::readTemperature(double &t)
{
    VobreState &s = state();
    for (int pass = 0; pass < 2; ++pass) {
        for (int look = 0; look < readLooks; ++look) {
            delayMs(100);
            if (!s.linkUp)
                return false;
            QMutexLocker lock(&s.mutex);
            if (s.newValue) {
                t = s.lastTemperature;
                s.newValue = false;
                if (pass == 1)
                    return true;
                break;
            }
        }
    }
    return false;
}

bool CriteriaBrelkVobre::close()
{
    if (!sendCommand(appendCheck(QStringLiteral("04050101"))))
        qDebug() << "写入数据失败:" << linkState;
    delayMs(200);
    releaseLink();
    linkState = 0;
    return true;
}

void CriteriaBrelkVobre::releaseLink()
{
    ble::SerialLink link;
    {
        VobreState &s = state();
        QMutexLocker lock(&s.mutex);
        if (s.owner != this)
            return;
        link = s.link;
        s.link = ble::SerialLink();
        s.owner = nullptr;
    }
    // Outside the lock: the close waits for a running handler, which takes it.
    if (link.device) {
        qDebug() << "关闭设备；";
        link.device->close();
    }
}
