#include "LinkObjects.h"

#include <QSerialPort>
#include <QTcpSocket>

void releaseLinkObjects(QSerialPort *&serialPort, QTcpSocket *&tcpSocket, QObject *receiver)
{
    if (serialPort) {
        QSerialPort *port = serialPort;
        serialPort = nullptr;
        port->disconnect(receiver);
        if (port->isOpen()) {
            port->clear(QSerialPort::AllDirections);
            port->close();
        }
        delete port;
    }
    if (tcpSocket) {
        QTcpSocket *socket = tcpSocket;
        tcpSocket = nullptr;
        socket->disconnect(receiver);
        socket->abort();
        delete socket;
    }
}
