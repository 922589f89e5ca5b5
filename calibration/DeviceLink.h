#pragma once
// The link settings of a temperature source or reference thermometer, owned by the calibration
// page and edited in place by the link dialog (ChannelScan).

#include <QString>

struct DeviceLink
{
    QString name;           // kind name, stored term ("油槽-R", "干式炉", "BRELK Vobre", ...)
    QString mode;           // link type, stored term: "串口", "网络", "蓝牙" or "手动"
    QString address;        // serial port, IP address or Bluetooth device name
    QString portBaudRate;   // TCP port or baud rate, as text
};
