#pragma once
// CriteriaBrelkVobre: the Bluetooth LE reference thermometer "BRELK Vobre", on the Bluetooth LE
// layer (platform/Ble.h). It finds thermometers whose advertised name begins with "Vobre",
// connects and subscribes to the thermometer's notifications, sends short hexadecimal command
// frames with a check byte, and hands the newest temperature of the notifications to
// readTemperature.
//
// The scan results, the newest temperature and the link are process-wide (one thermometer link
// in the process); the object that opened the link is the one that writes to it and closes it.
// Every operation runs on the calling thread (a worker, or the GUI thread for close) and waits
// a bounded time: no thread of its own, so none outlives the object. A write counts only when
// the thermometer confirmed it, a subscription only when it was confirmed.

#include <QString>
#include <QStringList>

#include <atomic>

#include "Criteria.h"

class QByteArray;

class CriteriaBrelkVobre : public Criteria
{
    Q_OBJECT
public:
    CriteriaBrelkVobre();
    ~CriteriaBrelkVobre() override;

    // A Bluetooth scan; the names of the thermometers it saw. False when the scan cannot run.
    bool availablePorts(QStringList &names) override;
    // Connects to the thermometer whose advertised name is `ipCom` (up to 3 scans when it was
    // not seen yet), after a lead wait of 5 s. False at once for an empty name.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    // Sends the stop frame, then releases the link. True.
    bool close() override;
    // The thermometer reported itself connected and this object's link is open.
    bool isConnected() override;
    bool readReply(QString &reply) override;
    // One command frame, given as hexadecimal text; true once the thermometer confirmed it.
    bool sendCommand(QString command) override;
    // The thermometer's name.
    bool readSerialNumber(QString &serial) override;

    // Waits 200 ms, then sends the start frame; the record is not read.
    bool setChannelConfig(ChannelRecord channel) override;
    // A fresh temperature: the first new value after the call is skipped and the next one
    // taken, each looked for every 100 ms during 5 s; false when the link drops or no value
    // comes in time.
    bool readTemperature(double &t) override;

    // The command text with its check byte (XOR of the bytes of its first 16 digits) appended
    // as two lower-case hexadecimal digits: "04050200" gives "0405020003".
    static QString appendCheck(const QString &command);

    // The lead wait of open (5000 ms) and the looks of 100 ms per pass of readTemperature
    // (50). Tests shorten them.
    void setWaits(int openLeadMs, int readLooks);

private:
    // A scan of 1000 ms filling the process-wide lists of thermometer names and identifiers.
    static bool scanBle();
    // Finds, connects and subscribes; true when the link holds one confirmed Notify and one
    // Write characteristic.
    bool connectWorker();
    static void onValueChanged(const QByteArray &value);
    static void onConnectionStatusChanged(bool linkUp);
    // Takes the link out of the process-wide state when this object holds it, and closes it.
    void releaseLink();

    std::atomic<int> linkState{0};   // 0 closed, 1 open
    QString deviceName;
    std::atomic<int> openLeadMs{5000};
    std::atomic<int> readLooks{50};
};
