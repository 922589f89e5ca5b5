#include "FieldLink.h"

#include <QMutexLocker>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

#include <cmath>

#include "LinkObjects.h"
#include "Terms.h"

bool replyNumber(const QString &text, double &value)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return false;
    value = number;
    return true;
}

QString cleanedReply(QString reply)
{
    reply.remove(QLatin1Char(' '));
    reply.remove(QLatin1Char('\n'));
    reply.remove(QLatin1Char('\r'));
    return reply;
}

FieldLink::FieldLink()
{
    connected = false;
    transport = NoLink;
    connect(this, &FieldLink::Open_signals, this, &FieldLink::Open_slots);
    connect(this, &FieldLink::Write_signals, this, &FieldLink::Write_slots);
    connect(this, &FieldLink::Close_signals, this, &FieldLink::Close_slots);
}

FieldLink::~FieldLink()
{
    releaseLink();
}

void FieldLink::setWaits(int checks, int looks)
{
    openChecks = checks;
    replyLooks = looks;
}

QStringList FieldLink::modelList()
{
    return models;
}

QStringList FieldLink::signalModeList()
{
    return signalModes;
}

void FieldLink::stabilityBand(QString model, QString &band)
{
    band = bands.value(models.indexOf(model), otherBand);
}

void FieldLink::temperatureRange(QString model, QString &low, QString &high)
{
    const auto range =
        ranges.value(models.indexOf(model), {QStringLiteral("0"), QStringLiteral("0")});
    low = range.first;
    high = range.second;
}

bool FieldLink::openAndWait(const QString &signalMode, const QString &ipCom,
                            const QString &portBaudRate)
{
    if (connected)
        return false;
    emit Open_signals(signalMode, ipCom, portBaudRate.toInt(nullptr, 10));
    for (int check = 0; check < openChecks && !connected; ++check)
        delayMs(100);
    if (connected)
        return true;
    // A link that comes up after this answer would be open without any caller knowing.
    emit Close_signals();
    return false;
}

bool FieldLink::close()
{
    if (!connected)
        return false;
    emit Close_signals();
    return true;
}

bool FieldLink::sendCommand(QString command)
{
    if (!connected)
        return false;
    dropStaleLines();
    emit Write_signals(command);
    delayMs(200);
    return true;
}

bool FieldLink::readReply(QString &reply)
{
    reply.clear();
    if (!connected)
        return false;
    delayMs(300);
    for (int look = 0; look < replyLooks; ++look) {
        delayMs(100);
        if (takeNewestLine(reply))
            return true;
    }
    return false;
}

bool FieldLink::takeNewestLine(QString &reply)
{
    QMutexLocker locker(&lock);
    if (replyQueue.isEmpty())
        return false;
    reply = replyQueue.first();
    replyQueue.clear();
    if (stripLineEnds) {
        reply.remove(QLatin1Char('\r'));
        reply.remove(QLatin1Char('\n'));
    }
    return true;
}

void FieldLink::dropStaleLines()
{
    QMutexLocker locker(&lock);
    receiveBuffer.clear();
    replyQueue.clear();
}

void FieldLink::received(const QByteArray &bytes)
{
    QMutexLocker locker(&lock);
    receiveBuffer += bytes;
    int end;
    while ((end = receiveBuffer.indexOf('\n')) >= 0) {
        const QByteArray line = receiveBuffer.left(end + 1);
        receiveBuffer.remove(0, end + 1);
        // A blank line (an extra line end after a reply) is no reply of either source.
        if (line.trimmed().isEmpty())
            continue;
        replyQueue.prepend(QString::fromUtf8(line));
    }
}

void FieldLink::SerialReadData_slots()
{
    if (serialPort)
        received(serialPort->readAll());
}

void FieldLink::NetReadData_slots()
{
    if (tcpSocket)
        received(tcpSocket->readAll());
}

void FieldLink::Open_slots(QString signalMode, QString address, int number)
{
    dropStaleLines();
    // A port or socket left from an earlier attempt that failed is disposed of here.
    if (!connected)
        releaseLink();
    openLink(signalMode, address, number);
}

void FieldLink::openSerial(const QString &address, int baudRate)
{
    serialPort = new QSerialPort;
    serialPort->setPortName(address);
    if (!serialPort->open(QIODevice::ReadWrite)) {
        releaseLink();
        return;
    }
    connected = true;
    transport = SerialLink;
    serialPort->setBaudRate(baudRate, QSerialPort::AllDirections);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);
    connect(serialPort, &QSerialPort::readyRead, this, &FieldLink::SerialReadData_slots);
}

void FieldLink::openTcp(const QString &address, int port)
{
    QTcpSocket *socket = new QTcpSocket;
    tcpSocket = socket;
    connect(socket, &QTcpSocket::connected, this, [this] {
        connected = true;
        transport = TcpLink;
    });
    connect(socket, &QTcpSocket::readyRead, this, &FieldLink::NetReadData_slots);
    connect(socket, &QTcpSocket::disconnected, this, &FieldLink::tcpLinkLost);
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            tcpLinkLost();
    });
    // Never longer than the caller waits for the link.
    QTimer::singleShot(openChecks * 100, socket, [this, socket] {
        if (socket->state() != QAbstractSocket::ConnectedState)
            tcpLinkLost();
    });
    socket->connectToHost(address, static_cast<quint16>(port), QIODevice::ReadWrite,
                          QAbstractSocket::AnyIPProtocol);
}

void FieldLink::tcpLinkLost()
{
    if (!tcpSocket)
        return;
    QTcpSocket *socket = tcpSocket;
    tcpSocket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();  // this may run inside one of the socket's own signals
    connected = false;
    transport = NoLink;
}

void FieldLink::Write_slots(QString command)
{
    if (!connected)
        return;
    const QByteArray bytes = command.toLatin1();
    if (transport == SerialLink && serialPort) {
        serialPort->write(bytes);
    } else if (transport == TcpLink && tcpSocket) {
        tcpSocket->write(bytes);
        tcpSocket->flush();
    }
}

void FieldLink::Close_slots()
{
    releaseLink();
}

void FieldLink::releaseLink()
{
    releaseLinkObjects(serialPort, tcpSocket, this);
    connected = false;
    transport = NoLink;
}
