#pragma once
// Device: the root of every instrument object (acquisition drivers, reference thermometers,
// temperature sources). Pages talk to an instrument only through these virtual operations.

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

class Device : public QObject
{
    Q_OBJECT
public:
    explicit Device(QObject *parent = nullptr);
    ~Device() override;

    // Appends the name of every serial port of the machine to `names`, then sorts the whole
    // list in ascending text order; true. One body for every instrument class.
    virtual bool availablePorts(QStringList &names);
    // Opens the link: `signalMode` "串口", "网络" or "蓝牙"; `ipCom` the serial port, IP address
    // or Bluetooth device name; `portBaudRate` the baud rate or TCP port as decimal text.
    virtual bool open(QString signalMode, QString ipCom, QString portBaudRate) = 0;
    virtual bool close() = 0;
    // The link state as the instrument object last heard it. One body for every class.
    virtual bool isConnected();
    virtual bool readReply(QString &reply) = 0;
    virtual bool sendCommand(QString command) = 0;
    virtual bool readSerialNumber(QString &serial) = 0;

protected:
    // Written by the thread that owns the object (link reports), read by worker threads.
    std::atomic<bool> connected{false};
};
