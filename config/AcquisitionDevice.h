#pragma once
// The instrument list page: registers acquisition instruments (model, link, serial number,
// scan interval, scan rate, channel configuration), tests them on the real device, and keeps
// the instruments that passed a test in the `devices` list of the settings record, from which
// the acquisition dialogs offer them.
//
// The page owns one driver, made by the model registry for the chosen model. The instrument
// test runs on a worker thread that the page tracks: while it runs the page cannot be left
// (isNotRunning() is false), closed, or given another model, and destroying the page stops
// the worker and waits for it before the driver goes.

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "AcquisitionDeviceWorker.h"
#include "Records.h"

namespace Ui {
class AcquisitionDevice;
}

class Collection;
class QWaiting;
struct SystemSettings;

class AcquisitionDevice : public QWidget
{
    Q_OBJECT
public:
    explicit AcquisitionDevice(QWidget *parent = nullptr);
    ~AcquisitionDevice() override;

    // Keeps the settings record (not owned) and refreshes the instrument table.
    void setSettings(SystemSettings *settings);

    // The channel records of the current configuration; false when it has no channels.
    bool buildChannelRecords(QList<ChannelRecord> &out) const;

    // The page's driver for the chosen model; none when the registry does not know the model.
    Collection *collection() const { return m_collection; }

signals:
    // The test worker's single report: its message and the sample it read.
    void SetDialog_signals(QString message, QStringList values);

public slots:
    void pt_Set_clicked();
    void pt_Test_clicked();
    void pt_Save_clicked();
    void pt_Delete_clicked();
    void cb_Mode_clicked(QString model);
    void cb_Communication_clicked(QString text);
    void tw_Acquisition_doubleClicked(int row, int column);
    void SetDialog_slots(QString message, QStringList values);

    // False while the instrument test runs: the page must not be left then.
    bool isNotRunning() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void refreshInstrumentTable();
    void refreshConfigurationTable(const QString &model);
    void showSerialWidgets();
    void showTcpWidgets();
    void showBluetoothWidgets();
    void fillBluetoothNames();
    void setIndicator(bool connected);
    bool indicatorConnected() const;
    // Name in column 0 of the selected row of the configuration table; empty when none.
    QString selectedConfigurationName() const;
    // Looks the configuration up by name into m_currentConfig (channel count 0 when missing).
    void loadConfiguration(const QString &name);
    // The form's link, interval, rate and configuration into `record`; false without a
    // selected configuration.
    bool fillFromForm(AcquisitionDeviceRecord &record) const;
    bool insertFromForm();
    bool updateFromForm(int index);
    // After a store: the record joins (or refreshes) the tested instruments when the
    // indicator shows a successful test.
    void keepTestedInstrument(const AcquisitionDeviceRecord &record);
    int lastStoredIndex(const QString &serialNumber) const;
    // The instrument of that serial number leaves the tested instruments of the settings (a
    // failed test): the table shows it not connected, and runs no longer offer it.
    void forgetTestedInstrument(const QString &serialNumber);
    // True, after saying so, when stored instrument `index` has another model than the form:
    // such a save is refused (the instrument stays out of the tested list).
    bool storedModelDiffers(int index);
    // Checks that the form can be stored as it is; on false `error` is the message to show.
    bool checkFormValues(double interval, QString &error) const;
    // The current configuration's channel count fits its lists and the page's model (see
    // checkChannelCount); on false `error` is the message to show.
    bool checkConfigurationCount(QString &error) const;
    bool refuseWhileRunning();
    void markUntested();

    Ui::AcquisitionDevice *ui;
    const QStringList connectionStateTexts;
    const QStringList baudRates;
    const QString promptTitle;
    const QString warningTitle;
    const QString testSuccessText;
    // The link of the running or last test.
    QString testScanRate;
    QString testSerialNumber;   // the form's serial number when the test started
    QString testAddress;
    QString testPortBaudRate;
    QString testSignalMode;
    QWaiting *waiting = nullptr;
    SystemSettings *m_settings = nullptr;
    Collection *m_collection = nullptr;
    ChannelConfigData m_currentConfig;
    QList<AcquisitionDeviceRecord> m_storedDevices;
    QString m_model;                 // the model m_collection was made for
    bool m_loadingRow = false;       // a table row is being loaded into the form
    bool m_closing = false;          // the page is being destroyed: reports are dropped
    AcquisitionDeviceWorker m_worker;
};
