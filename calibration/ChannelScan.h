#pragma once
// The link dialog of a temperature source or the Bluetooth reference thermometer: link type,
// serial port and baud rate, IP address and port, or Bluetooth device name, edited in place in
// the caller's DeviceLink, with a connection test.
//
// The test runs on a worker thread that the dialog owns: while it runs the dialog refuses to
// close, and destroying the dialog stops the test and waits for it (serving the device's link
// events meanwhile) before the device goes.

#include <QDialog>
#include <QString>
#include <QStringList>

#include "AcquisitionDeviceWorker.h"
#include "DeviceLink.h"

class Device;

namespace Ui {
class ChannelScanClass;
}

class ChannelScan : public QDialog
{
    Q_OBJECT
public:
    explicit ChannelScan(QWidget *parent = nullptr);
    ~ChannelScan() override;

    // Call once before the dialog is shown: creates the device of the link's kind and fills
    // the form from the link, which the dialog then edits (not owned).
    void setDeviceType(DeviceLink *link);

    // True while a connection test runs.
    bool isTesting() const;
    // The device the dialog tests with and lists Bluetooth names through; none for "手动".
    Device *linkDevice() const;

    void reject() override;

signals:
    void MessageBox_signals(QString title, QString text);

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void pt_OK_clicked();
    void pt_Scan_clicked();
    void cb_Communication_clicked(QString type);
    void MessageBox_slots(QString title, QString text);

private:
    void readFormIntoLink();
    void testConnection(QString type, QString address, QString port);
    // Shows that a test still runs; true when it does.
    bool refuseWhileTesting();

    Ui::ChannelScanClass *ui;
    QStringList baudRateChoices;
    Device *device = nullptr;
    DeviceLink *link = nullptr;
    AcquisitionDeviceWorker worker;
    bool closing = false;
};
