#include "KeepAwake.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDebug>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
// The inhibitor lock lives as long as this descriptor stays open.
QDBusUnixFileDescriptor &heldLock()
{
    static QDBusUnixFileDescriptor lock;
    return lock;
}
#ifdef Q_OS_WIN
bool windowsRequestHeld = false;
#endif
}

bool keepSystemAwake(const QDBusConnection &bus)
{
#ifdef Q_OS_WIN
    Q_UNUSED(bus)
    // ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED
    windowsRequestHeld = SetThreadExecutionState(static_cast<EXECUTION_STATE>(0x80000003)) != 0;
    return windowsRequestHeld;
#else
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("idle:sleep") << QStringLiteral("VAZUV")
         << QStringLiteral("Data acquisition in progress") << QStringLiteral("block");
    // A missing logind answers at once with an error; a hung bus must not hold up the start.
    QDBusReply<QDBusUnixFileDescriptor> reply = bus.call(call, QDBus::Block, 3000);
    if (!reply.isValid() || !reply.value().isValid()) {
        qDebug() << "keep-awake inhibitor not taken:" << reply.error().message();
        return false;
    }
    heldLock() = reply.value();
    return true;
#endif
}

bool keepSystemAwake()
{
#ifdef Q_OS_WIN
    return keepSystemAwake(QDBusConnection(QString()));
#else
    return keepSystemAwake(QDBusConnection::systemBus());
#endif
}

bool systemAwakeHeld()
{
#ifdef Q_OS_WIN
    return windowsRequestHeld;
#else
    return heldLock().isValid();
#endif
}

void releaseSystemAwake()
{
#ifdef Q_OS_WIN
    SetThreadExecutionState(static_cast<EXECUTION_STATE>(0x80000000));
    windowsRequestHeld = false;
#else
    heldLock() = QDBusUnixFileDescriptor();
#endif
}
