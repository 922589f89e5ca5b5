#pragma once
// Releasing the port and socket objects of a link: what every transport does when it closes.

class QObject;
class QSerialPort;
class QTcpSocket;

// Disconnects the objects from `receiver`, clears and closes an open port, aborts the socket,
// deletes both and sets the pointers to none. Either may be none already.
void releaseLinkObjects(QSerialPort *&serialPort, QTcpSocket *&tcpSocket, QObject *receiver);
