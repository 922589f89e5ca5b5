#pragma once
// The row records of the database tables and the channel records that pages hand to the
// instrument drivers. Plain copyable values; every member defaults to empty/zero.

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

// One registered acquisition instrument, one row of table AcquisitionDevice.
struct AcquisitionDeviceRecord
{
    int number = 0;             // instrument number
    QString model;              // model name
    QString serialNumber;       // serial number (key of updates and deletes)
    double scanInterval = 0.0;  // scan interval in seconds
    QString scanRate;           // scan rate, stored term ("快速", "中速", "慢速", ...)
    QString channelConfig;      // name of its channel configuration
    QString signalMode;         // link type, stored term "串口", "网络" or "蓝牙"
    QString ipCom;              // IP address, serial port name or Bluetooth device name
    QString portBaudRate;       // TCP port or baud rate

    bool operator==(const AcquisitionDeviceRecord &o) const
    {
        return number == o.number && model == o.model && serialNumber == o.serialNumber
            && scanInterval == o.scanInterval && scanRate == o.scanRate
            && channelConfig == o.channelConfig && signalMode == o.signalMode
            && ipCom == o.ipCom && portBaudRate == o.portBaudRate;
    }
    bool operator!=(const AcquisitionDeviceRecord &o) const { return !(*this == o); }
};

// One channel configuration, one row of table ChannelConfig. The members are named as the
// table's columns; the two correction columns "[MX+B_M]" and "[MX+B_B]" are MX_B_M and MX_B_B.
struct ChannelConfigData
{
    QString Name;
    QString Time;               // "yyyy-MM-dd hh:mm:ss"
    QString Mode;               // instrument model
    QString Remark;
    int ChannelCount = 0;
    // One entry per channel, in channel order.
    QStringList ChannelNumber;
    QStringList ChannelLabel;
    QStringList ChannelType;    // stored terms
    QStringList ChannelFunction;
    QStringList WireMode;       // stored terms
    QStringList MX_B_M;         // correction gains M of M*x + B
    QStringList MX_B_B;         // correction offsets B
    QStringList A_C0;
    QStringList B_C1;
    QStringList C_C2;
    QStringList D_C3;
    QStringList R0_C4;
    QStringList A4_C5;
    QStringList B4_C6;
    QStringList Unit;
    // One value per configuration.
    QString Compensation;       // stored term
    QString ColdJunction;
    QList<bool> LowerAlarmEnable;
    QStringList LowerAlarm;
    QList<bool> UpperAlarmEnable;
    QStringList UpperAlarm;

    bool operator==(const ChannelConfigData &o) const
    {
        return Name == o.Name && Time == o.Time && Mode == o.Mode && Remark == o.Remark
            && ChannelCount == o.ChannelCount && ChannelNumber == o.ChannelNumber
            && ChannelLabel == o.ChannelLabel && ChannelType == o.ChannelType
            && ChannelFunction == o.ChannelFunction && WireMode == o.WireMode
            && MX_B_M == o.MX_B_M && MX_B_B == o.MX_B_B && A_C0 == o.A_C0 && B_C1 == o.B_C1
            && C_C2 == o.C_C2 && D_C3 == o.D_C3 && R0_C4 == o.R0_C4 && A4_C5 == o.A4_C5
            && B4_C6 == o.B4_C6 && Unit == o.Unit && Compensation == o.Compensation
            && ColdJunction == o.ColdJunction && LowerAlarmEnable == o.LowerAlarmEnable
            && LowerAlarm == o.LowerAlarm && UpperAlarmEnable == o.UpperAlarmEnable
            && UpperAlarm == o.UpperAlarm;
    }
    bool operator!=(const ChannelConfigData &o) const { return !(*this == o); }
};

// One channel as a driver receives it for validation, set-up, record files and coefficients.
// Texts are the configuration's texts unchanged; only the correction pair is numeric.
struct ChannelRecord
{
    QString channelNumber;      // "101" upward
    QString type;               // stored term of the channel type ("空" marks an unused channel)
    QString function;
    QString wireMode;           // stored term
    QString unit;
    QString compensation;       // the configuration's compensation mode
    QString coldJunction;       // the configuration's cold-junction temperature
    QString a_c0;
    QString b_c1;
    QString c_c2;
    QString d_c3;
    QString r0_c4;
    QString a4_c5;
    QString b4_c6;
    float mxbM = 0.0f;          // correction gain; -1000 marks a channel without correction
    float mxbB = 0.0f;          // correction offset

    // Other names the drivers use for the same members.
    QString &number() { return channelNumber; }
    const QString &number() const { return channelNumber; }
    QString &wiring() { return wireMode; }
    const QString &wiring() const { return wireMode; }
    QString &A_C0() { return a_c0; }
    const QString &A_C0() const { return a_c0; }
    QString &B_C1() { return b_c1; }
    const QString &B_C1() const { return b_c1; }
    QString &C_C2() { return c_c2; }
    const QString &C_C2() const { return c_c2; }
    QString &D_C3() { return d_c3; }
    const QString &D_C3() const { return d_c3; }
    QString &R0_C4() { return r0_c4; }
    const QString &R0_C4() const { return r0_c4; }
    QString &A4_C5() { return a4_c5; }
    const QString &A4_C5() const { return a4_c5; }
    QString &B4_C6() { return b4_c6; }
    const QString &B4_C6() const { return b4_c6; }

    bool operator==(const ChannelRecord &o) const
    {
        return channelNumber == o.channelNumber && type == o.type && function == o.function
            && wireMode == o.wireMode && unit == o.unit && compensation == o.compensation
            && coldJunction == o.coldJunction && a_c0 == o.a_c0 && b_c1 == o.b_c1
            && c_c2 == o.c_c2 && d_c3 == o.d_c3 && r0_c4 == o.r0_c4 && a4_c5 == o.a4_c5
            && b4_c6 == o.b4_c6 && mxbM == o.mxbM && mxbB == o.mxbB;
    }
    bool operator!=(const ChannelRecord &o) const { return !(*this == o); }
};

// One channel chosen for a run.
struct ChannelRow
{
    int deviceIndex = 0;        // position of its instrument in the plan's instruments
    int projectIndex = 0;       // position of its project in the plan's project names
    QString channelName;        // instrument position from 1, "-", channel number ("2-105")
    QString labelName;          // instrument position from 1, "-", channel label
    QString unit;
    bool lowerAlarmEnable = false;
    QString lowerAlarm;
    bool upperAlarmEnable = false;
    QString upperAlarm;

    bool operator==(const ChannelRow &o) const
    {
        return deviceIndex == o.deviceIndex && projectIndex == o.projectIndex
            && channelName == o.channelName && labelName == o.labelName && unit == o.unit
            && lowerAlarmEnable == o.lowerAlarmEnable && lowerAlarm == o.lowerAlarm
            && upperAlarmEnable == o.upperAlarmEnable && upperAlarm == o.upperAlarm;
    }
    bool operator!=(const ChannelRow &o) const { return !(*this == o); }
};

// One acquisition project, one row of table Parameters. Members named as the columns.
struct ParametersRecord
{
    QString Name;
    QString CreateTime;         // "yyyy-MM-dd hh:mm:ss"
    QString Start;
    QString End;
    QStringList DeviceNumber;   // one entry per instrument
    QStringList Model;
    QStringList SerialNumber;   // stored joined with ";"
    QString ScanInterval;       // seconds, as text
    QString ScanRate;           // stored term
    QStringList SignalMode;     // one entry per instrument
    QStringList IP_COM;
    QStringList Port_BaudRate;
    QStringList ChannelConfig;
    QStringList ChannelNumber;  // one entry per channel of the project
    QStringList ChannelUnit;

    bool operator==(const ParametersRecord &o) const
    {
        return Name == o.Name && CreateTime == o.CreateTime && Start == o.Start && End == o.End
            && DeviceNumber == o.DeviceNumber && Model == o.Model
            && SerialNumber == o.SerialNumber && ScanInterval == o.ScanInterval
            && ScanRate == o.ScanRate && SignalMode == o.SignalMode && IP_COM == o.IP_COM
            && Port_BaudRate == o.Port_BaudRate && ChannelConfig == o.ChannelConfig
            && ChannelNumber == o.ChannelNumber && ChannelUnit == o.ChannelUnit;
    }
    bool operator!=(const ParametersRecord &o) const { return !(*this == o); }
};

// One sample of one project, one row of table ParametersData.
struct ParametersDataRow
{
    QString name;               // project name
    QDateTime time;             // stored as "yyyy-MM-dd hh:mm:ss.zzz"
    QStringList values;         // one text per channel of the project

    bool operator==(const ParametersDataRow &o) const
    {
        return name == o.name && time == o.time && values == o.values;
    }
    bool operator!=(const ParametersDataRow &o) const { return !(*this == o); }
};

// One alarm-log entry, one row of table AuditLog.
struct AuditLogRecord
{
    QString time;               // "yyyy-MM-dd hh:mm:ss"
    QString type;               // shown (translated) form of the kind of entry
    QString details;

    bool operator==(const AuditLogRecord &o) const
    {
        return time == o.time && type == o.type && details == o.details;
    }
    bool operator!=(const AuditLogRecord &o) const { return !(*this == o); }
};

// The raw data of one calibration run, one row of table ChannelCalibrationData.
struct ChannelCalibrationDataRecord
{
    QString startTime;          // "yyyy-MM-dd hh:mm:ss", the key
    QString channelName;
    QString channelMode;
    QString collectionName;
    QString channelNumber;
    QStringList calibrationCriteria;   // each list stored joined with ";"
    QStringList calibrationData1;
    QStringList calibrationData2;
    QStringList calibrationData3;
    QStringList calibrationData4;
    QStringList calibrationData5;
    QStringList calibrationData6;
    QStringList calibrationData7;
    QStringList calibrationData8;
    QStringList calibrationData9;

    // The list of point 1 to 9; none for any other number.
    QStringList *calibrationDataOfPoint(int point)
    {
        QStringList *points[] = {&calibrationData1, &calibrationData2, &calibrationData3,
                                 &calibrationData4, &calibrationData5, &calibrationData6,
                                 &calibrationData7, &calibrationData8, &calibrationData9};
        return point >= 1 && point <= 9 ? points[point - 1] : nullptr;
    }
};

Q_DECLARE_METATYPE(AcquisitionDeviceRecord)
Q_DECLARE_METATYPE(ChannelConfigData)
Q_DECLARE_METATYPE(ChannelRecord)
Q_DECLARE_METATYPE(ChannelRow)
Q_DECLARE_METATYPE(ParametersRecord)
Q_DECLARE_METATYPE(ParametersDataRow)
Q_DECLARE_METATYPE(AuditLogRecord)
