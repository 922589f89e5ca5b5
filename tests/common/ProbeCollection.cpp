#include "ProbeCollection.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

#include "Comm.h"

ProbeCollection::ProbeCollection(QObject *parent) : StubCollection(parent) {}

bool ProbeCollection::open(QString signalMode, QString ipCom, QString portBaudRate)
{
    return openLink(signalMode, ipCom, portBaudRate, 12);
}

bool ProbeCollection::close()
{
    return closeLink();
}

bool ProbeCollection::readReply(QString &reply)
{
    return readTextReply(reply);
}

bool ProbeCollection::sendCommand(QString command)
{
    return sendText(command);
}

bool ProbeCollection::readSerialNumber(QString &serial)
{
    return queryIdentity(serial);
}

bool ProbeCollection::ask(const QString &command, QString &reply)
{
    QMutexLocker lock(&exchangeMutex);
    return sendCommand(command) && readReply(reply);
}

void ProbeCollection::deliver(const QByteArray &bytes)
{
    QMetaObject::invokeMethod(this, "ReadData_slots", Qt::AutoConnection, Q_ARG(QByteArray, bytes));
}

void ProbeCollection::deliverState(bool state)
{
    QMetaObject::invokeMethod(this, "State_slots", Qt::AutoConnection, Q_ARG(bool, state));
}

void ProbeCollection::holdTransport(int ms)
{
    QMetaObject::invokeMethod(comm, [ms] { QThread::msleep(ms); }, Qt::QueuedConnection);
}
