#pragma once
// The instrument parameter dialog: connects to an instrument directly over a serial port or
// TCP, reads its own settings (serial number, hardware version, module address, baud rate,
// IP address, subnet mask, port, filter count), writes the writable ones back, and searches the
// baud rate at which the instrument answers.
//
// All instrument work runs on one tracked worker thread that reports through the dialog's own
// signals. The dialog cannot be closed while the worker runs or the link is open, and its
// destruction stops and waits for the worker before the driver goes.

#include <QDialog>
#include <QString>
#include <QStringList>

#include "AcquisitionDeviceWorker.h"

namespace Ui {
class AcquisitionSet;
}

class Collection;
class QWaiting;

class AcquisitionSet : public QDialog
{
    Q_OBJECT
public:
    explicit AcquisitionSet(QWidget *parent = nullptr);
    ~AcquisitionSet() override;

    // The dialog's driver for the chosen model; none when the registry does not know it.
    Collection *collection() const { return m_collection; }
    // True while a connect, disconnect, write or baud-rate test runs.
    bool isWorking() const { return m_worker.isRunning(); }

signals:
    // Step code (0 connect, 1 disconnect, 2 write settings, 3 baud-rate test), ok flag, message.
    void therad_signals(int step, bool ok, QString message);
    // The eight settings read: serial number, hardware version, module address, baud rate,
    // IP address, subnet mask, port, filter count.
    void theradGet_signals(QStringList values);

public slots:
    void Com_clicked();
    void Tcp_clicked();
    void Set_clicked();
    void Test_clicked();
    void Mode_clicked(QString model);
    void therad_slots(int step, bool ok, QString message);
    void theradGet_slots(QStringList values);

    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Shows the message that refuses closing, or nothing; true when the dialog may close.
    bool mayClose();
    bool refuseWhileWorking();
    bool refuseWithoutDriver();
    void showWaiting(const QString &text);
    void closeWaiting();
    void setConnectionControlsEnabled(bool enabled);
    void startConnect();
    void startDisconnect();

    Ui::AcquisitionSet *ui;
    // The link of the current or last connection.
    QString linkType;
    QString linkAddress;
    QString linkPortBaudRate;
    QWaiting *waiting = nullptr;
    Collection *m_collection = nullptr;
    QString m_model;
    bool m_closing = false;   // the dialog is being destroyed: reports are dropped
    AcquisitionDeviceWorker m_worker;
};
