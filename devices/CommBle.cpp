// The Bluetooth LE link of Comm. This build has no Bluetooth LE back end yet: a scan finds
// nothing and a connect attempt reports the link down at once. The process-wide state that
// every Comm constructor resets lives here.
#include "Comm.h"

#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

namespace {
struct BleState
{
    QMutex mutex;
    Comm *currentBleComm = nullptr;
    int bleLinkCount = 0;
    QStringList discoveredBleNames;
    QStringList discoveredBleIds;
};

BleState &bleState()
{
    static BleState state;
    return state;
}
} // namespace

void Comm::resetBleState()
{
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    s.bleLinkCount = 0;
    s.discoveredBleNames.clear();
    s.discoveredBleIds.clear();
}

bool Comm::scanBle()
{
    qDebug() << "windows电脑不支持ble";
    return false;
}

bool Comm::bleDeviceNames(QStringList &names)
{
    if (!scanBle())
        return false;
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    names = s.discoveredBleNames;
    return true;
}

void Comm::openBle(QString name)
{
    Q_UNUSED(name);
    BleState &s = bleState();
    {
        QMutexLocker lock(&s.mutex);
        s.currentBleComm = this;
        s.bleLinkCount = 0;
    }
    emit State_signals(false);
}

void Comm::writeBle(QByteArray data)
{
    Q_UNUSED(data);
    emit State_signals(false);
}

void Comm::closeBle()
{
    connected = false;
    BleState &s = bleState();
    QMutexLocker lock(&s.mutex);
    if (s.currentBleComm == this)
        s.currentBleComm = nullptr;
}
