#include "Comm.h"
#include "LinkObjects.h"

#include <QDebug>
#include <QNetworkInterface>
#include <QSerialPort>
#include <QTcpSocket>

namespace {
// The four dotted parts of an IPv4 text as integers (a part that is no number counts as 0);
// empty unless the text has exactly four parts.
QList<int> dottedParts(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    QList<int> values;
    if (parts.size() != 4)
        return values;
    for (const QString &p : parts)
        values.append(p.toInt());
    return values;
}
} // namespace

Comm::Comm(QObject *parent) : QObject(parent)
{
    connected = false;
    transport = None;
    tcpSocket = nullptr;
    serialPort = nullptr;
}

Comm::~Comm()
{
    detachBle();
    releaseLink();
}

void Comm::releaseLink()
{
    releaseLinkObjects(serialPort, tcpSocket, this);
}

void Comm::Open_slots(QString type, QString address, int portOrBaud)
{
    openTransport(type, address, portOrBaud);
    lastVerdict = connected.load();
    ++verdicts;
}

void Comm::openTransport(const QString &type, const QString &address, int portOrBaud)
{
    if (connected) {
        emit State_signals(true);
        return;
    }
    // A link that dropped on its own (a TCP peer that closed) is replaced cleanly.
    if (transport == Ble)
        closeBle();
    releaseLink();
    transport = None;

    if (type == QStringLiteral("串口"))
        openSerial(address, portOrBaud);
    else if (type == QStringLiteral("网络"))
        openTcp(address, portOrBaud);
    else if (type == QStringLiteral("蓝牙"))
        openBle(address);
    else
        emit State_signals(false);
}

void Comm::openSerial(const QString &address, int baudRate)
{
    serialPort = new QSerialPort(nullptr);
    serialPort->setPortName(address);
    if (serialPort->open(QIODevice::ReadWrite)) {
        connected = true;
        transport = Serial;
        // Settings that a port cannot take (a pseudo terminal has no DTR, for example) leave the
        // port open: their failures are traced only.
        const bool settled[] = {serialPort->setBaudRate(baudRate, QSerialPort::AllDirections),
                                serialPort->setDataBits(QSerialPort::Data8),
                                serialPort->setFlowControl(QSerialPort::NoFlowControl),
                                serialPort->setParity(QSerialPort::NoParity),
                                serialPort->setStopBits(QSerialPort::OneStop)};
        for (bool ok : settled) {
            if (!ok) {
                qDebug() << "串口参数设置失败：" << address << serialPort->errorString();
                break;
            }
        }
        connect(serialPort, &QSerialPort::readyRead, this, &Comm::SerialReadData_slots);
    } else {
        qDebug() << "串口打开失败：" << address << serialPort->errorString();
        delete serialPort;
        serialPort = nullptr;
    }
    emit State_signals(connected);
}

QList<QHostAddress> Comm::localCandidates(const QString &host)
{
    QList<QHostAddress> candidates;
    const QList<int> target = dottedParts(host);
    if (target.isEmpty())
        return candidates;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            const QList<int> local = dottedParts(entry.ip().toString());
            if (local.isEmpty())
                continue;
            if (local[0] == target[0] && local[1] == target[1] && local[2] == target[2])
                candidates.append(entry.ip());
        }
    }
    candidates.append(QHostAddress());
    return candidates;
}

void Comm::openTcp(const QString &address, int port)
{
    if (port < 1 || port > 65535) {
        qDebug() << "网络端口无效：" << port;
        emit State_signals(false);
        return;
    }
    const QList<QHostAddress> candidates = localCandidates(address);
    if (candidates.isEmpty()) {
        emit State_signals(false);
        return;
    }
    qDebug() << "本地地址数：" << candidates.size();
    for (const QHostAddress &local : candidates) {
        tcpSocket = new QTcpSocket(nullptr);
        if (!local.isNull()) {
            qDebug() << "本地地址：" << local.toString();
            tcpSocket->bind(local, 0);
        }
        tcpSocket->connectToHost(address, static_cast<quint16>(port), QIODevice::ReadWrite,
                                 QAbstractSocket::AnyIPProtocol);
        if (tcpSocket->waitForConnected(tcpAttemptMs))
            break;
        delete tcpSocket;
        tcpSocket = nullptr;
    }
    if (!tcpSocket) {
        emit State_signals(false);
        return;
    }
    connected = true;
    transport = Tcp;
    connect(tcpSocket, &QTcpSocket::readyRead, this, &Comm::NetReadData_slots);
    connect(tcpSocket, &QTcpSocket::disconnected, this, &Comm::NetDisconnected_slots);
    emit State_signals(true);
}

void Comm::Write_slots(QByteArray data)
{
    if (!connected)
        emit State_signals(false);
    switch (transport) {
    case Serial:
        if (serialPort)
            serialPort->write(data);
        break;
    case Tcp:
        if (tcpSocket) {
            tcpSocket->write(data);
            tcpSocket->flush();
        }
        break;
    case Ble:
        writeBle(data);
        break;
    default:
        break;
    }
}

void Comm::Close_slots()
{
    if (transport == Ble)
        closeBle();
    if (serialPort && serialPort->isOpen())
        serialPort->clear(QSerialPort::AllDirections);
    if (tcpSocket) {
        tcpSocket->disconnectFromHost();
        tcpSocket->close();
    }
    releaseLink();
    connected = false;
    transport = None;
    emit State_signals(false);
}

void Comm::SerialReadData_slots()
{
    if (!serialPort)
        return;
    const QByteArray data = serialPort->readAll();
    if (!data.isEmpty())
        emit Read_signals(data);
}

void Comm::NetReadData_slots()
{
    if (!tcpSocket)
        return;
    const QByteArray data = tcpSocket->readAll();
    if (!data.isEmpty())
        emit Read_signals(data);
}

void Comm::NetDisconnected_slots()
{
    connected = false;
}
