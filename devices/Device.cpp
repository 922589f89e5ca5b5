#include "Device.h"

#include <QSerialPortInfo>

Device::Device(QObject *parent) : QObject(parent) {}

Device::~Device() = default;

bool Device::availablePorts(QStringList &names)
{
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names.append(info.portName());
    names.sort();
    return true;
}

bool Device::isConnected()
{
    return connected;
}
