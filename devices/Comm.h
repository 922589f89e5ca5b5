#pragma once
// Comm: carries raw bytes between one acquisition driver and its instrument over a serial port
// ("串口"), TCP ("网络") or Bluetooth LE ("蓝牙"). It lives on the driver's transport thread and
// is driven only through queued signals: Open_slots / Write_slots / Close_slots in, and
// State_signals (link state) / Read_signals (received bytes, unframed) out. It knows nothing of
// commands, replies or framing.
//
// Deleting a Comm closes and releases a port or socket that is still open, so a deleted driver
// never keeps its serial port busy, and closes the Bluetooth LE link it holds.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

class QSerialPort;
class QTcpSocket;

class Comm : public QObject
{
    Q_OBJECT
public:
    explicit Comm(QObject *parent = nullptr);
    ~Comm() override;

    // Bluetooth LE: the names of the devices seen by a scan, plus the last used name kept in
    // "BLE.ini". Uses no member of its object; pages call it on a temporary Comm.
    bool bleDeviceNames(QStringList &names);
    bool scanBle();

    // The local addresses a TCP open to `host` binds to, in order: every interface address
    // whose first three dotted parts equal the host's, then one null entry (no binding).
    // Empty when `host` is not four dot-separated parts.
    static QList<QHostAddress> localCandidates(const QString &host);

    // Which link is open: 0 none, 1 serial, 2 TCP, 3 Bluetooth LE.
    enum Transport { None = 0, Serial = 1, Tcp = 2, Ble = 3 };

    // How long a TCP open waits for the connection from one local candidate.
    static constexpr int tcpAttemptMs = 3000;
    // The longest a Bluetooth LE open may take before its verdict (the layer's link budget).
    static int bleOpenBudgetMs();

    // The number of Open_slots calls that have given their verdict (their State_signals), and
    // whether the last one left the link up. Read from any thread: a driver waits on them for
    // the verdict of the open it asked for.
    int openVerdicts() const { return verdicts.load(); }
    bool lastOpenSucceeded() const { return lastVerdict.load(); }
    // The link open now (a Transport); may be read from any thread.
    int transportKind() const { return transport; }

signals:
    void State_signals(bool state);
    void Read_signals(QByteArray data);

public slots:
    void NetReadData_slots();
    void NetDisconnected_slots();
    void SerialReadData_slots();
    void Open_slots(QString type, QString address, int portOrBaud);
    void Write_slots(QByteArray data);
    void Close_slots();

private:
    void openTransport(const QString &type, const QString &address, int portOrBaud);
    void openSerial(const QString &address, int baudRate);
    void openTcp(const QString &address, int port);
    // Closes and deletes the serial port and socket objects, whatever their state.
    void releaseLink();

    // Bluetooth LE link (process-wide state, one link at a time; CommBle.cpp).
    void openBle(QString name);
    void writeBle(QByteArray data);
    void closeBle();
    // Closes the link when this transport holds it and forgets this transport as the current one.
    void detachBle();
    static void onBleAdvertisementReceived(const QString &id, const QString &name);
    static void onBleValueChanged(const QByteArray &value);
    static void onBleConnectionStatusChanged(bool linkUp);

    std::atomic<bool> connected{false};
    std::atomic<int> verdicts{0};
    std::atomic<bool> lastVerdict{false};
    std::atomic<int> transport{None};
    QTcpSocket *tcpSocket = nullptr;
    QSerialPort *serialPort = nullptr;
};
