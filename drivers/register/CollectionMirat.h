#pragma once
// CollectionMirat: the two-channel Mirat thermometer ("101", "102"), over a serial line or
// Bluetooth LE. Created by the model registry for "Mirat" and "Mirat Plus".
//
// Two kinds of frames share its link:
//  - register frames, Modbus RTU with the CRC low byte first, checked by function and length:
//    serial number 0x0001 (5 registers), filter index 0x0015, station address 0x0016 (read by
//    broadcast at open), firmware version 0x001D, clock 0x0020, the two temperatures as singles
//    at 0x004B and 0x0055 of a 12-register block; a write is answered in read layout;
//  - sensor records: a length byte L, L bytes, the last of them the XOR of every byte before
//    it. "03 0B cc" reads channel cc's record "L 0B cc tt ff, name (8), date (3), coefficient
//    doubles, tail (8)"; "04 0B ..." says the channel has none; "L 09 cc tt ff, name and date,
//    doubles, tail" rewrites it and is acknowledged by a 5-byte frame.
// Sensor codes: tt 01 platinum (ff 01 ITS-90: R0 A B C A4 B4; 02 PT100: R0; 03 CVD: R0 A B C),
// 02 thermistor (01 R(T): A B C D; 02 automatic), 03 thermocouple (ff the type's place + 1;
// type S carries A B C D).

#include "RegisterCollection.h"

class CollectionMirat : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionMirat(QObject *parent = nullptr);
    ~CollectionMirat() override;

    // Sends the frame's bytes as they stand (register frames carry their CRC already).
    bool sendCommand(QString frame) override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    bool setDeviceTime(QDateTime time) override;
    // The temperatures of the channels of the last set-up (or record file), 101 first, fixed
    // with 10 decimals.
    bool readValues(QStringList &values) override;
    // Remembers the rows and writes the sensor record of every row not typed "自动".
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;

    // Record files: a line starting "Mirat", one line skipped, the heading "时间...,x,y", then
    // records "yyyy-MM-dd hh:mm:ss,<101>,<102>" whose values are handed on as they stand.
    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;

    QStringList baudRateList() override;
    QList<bool> settingMask() override;

    // A sensor-record frame of `body` (hex, without length byte and check byte).
    static QString sensorFrame(const QString &body);
    // True when the frame's last byte is the XOR of the bytes before it.
    static bool checkByteMatches(const QString &frame);

private:
    // One sensor-record exchange: the request sent as it stands, then the frame its length
    // byte announces (upper-case hex).
    bool exchangeRecord(const QString &request, QString &reply);
    // The current record of channel index 0 or 1. A "no record" answer gives true and an empty
    // record; a reply with a wrong check byte, another function or channel, or shorter than a
    // record without coefficients fails.
    bool readSensorRecord(int index, QString &record);
    bool writeSensorRecord(const ChannelRecord &row);
    // Channel index of a row: 0 for "101", 1 for "102", -1 for any other.
    static int indexOf(const ChannelRecord &row);

    bool channel1Enabled = false;
    bool channel2Enabled = false;

    const QStringList signalModes{QStringLiteral("串口"), QStringLiteral("蓝牙")};
    const QStringList thermocoupleTypes{"B", "C", "E", "J", "K", "M", "N", "R", "S", "T", "L", "U"};
    const QStringList rtdFunctions{QStringLiteral("ITS90"), QStringLiteral("PT100"), QStringLiteral("CVD")};
};
