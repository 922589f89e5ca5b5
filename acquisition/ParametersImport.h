#pragma once
// The last dialog of the acquisition chain in import mode: one record file per planned
// instrument, read through the instrument's driver at the planned sample times, stored as an
// on-line run stores its rows (one ParametersData row per project and time, one Parameters row
// per project).
//
// The import is all or nothing: it runs on a worker thread of its own behind the waiting box,
// over its own database connection, in one transaction that is committed only when every sample
// and every project row is stored; any failure rolls it back, so nothing of the import is left.

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QString>

#include <atomic>
#include <thread>

#include "Records.h"

class Collection;
class QLineEdit;
class QWaiting;
struct SystemSettings;

namespace Ui {
class ParametersImport;
}

class ParametersImport : public QDialog
{
    Q_OBJECT
public:
    explicit ParametersImport(QWidget *parent = nullptr);
    ~ParametersImport() override;

    // Takes the plan from `settings`, builds the project records and one driver per instrument.
    // Called once, before exec().
    void setSettings(SystemSettings *settings);

    // Takes `path` as the record file of instrument `index` (from 0) and shows its file name, as
    // the file choice of that line does.
    void setRecordFile(int index, const QString &path);

    // The sample step in whole seconds of a first instrument's scan interval: truncated toward
    // zero, but at least 1 (scan intervals go down to 0.01 s).
    static qint64 sampleStep(double scanInterval);
    qint64 step() const { return stepSeconds; }
    // Whether the import worker runs.
    bool isImporting() const { return importing.load(); }

signals:
    // The worker's report, once, at its end.
    void Import_signals(bool ok, QString text);

public slots:
    void pt_OK_clicked();
    void pt_Set1_clicked();
    void pt_Set2_clicked();
    void pt_Set3_clicked();
    void pt_Set4_clicked();
    void pt_Set5_clicked();
    void pt_Set6_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void Import_slots(bool ok, QString text);

private:
    void chooseFile(int index);
    void closeRecordFiles(int count);
    // The worker: opens its connection on `databaseFile`, stores everything in one transaction.
    void runImport(const QString &databaseFile);
    bool importRecords(const QString &connection, QString &message);
    bool saveProjectRecords(const QString &connection);
    void waitForWorker();

    Ui::ParametersImport *ui;
    SystemSettings *settings = nullptr;
    QString titleInfo;
    QString titleWarn;
    QString paths[6];
    QLineEdit *nameEdits[6] = {};
    int deviceCount = 0;
    int projectCount = 0;
    qint64 stepSeconds = 1;
    QDateTime start;
    QDateTime end;
    QList<AcquisitionDeviceRecord> devices;
    QList<ChannelConfigData> configs;
    QList<ChannelRow> channels;
    QList<int> valuesPerDevice;          // the plan's channel rows of each instrument
    QList<ParametersRecord> projectRecords;
    Collection *drivers[6] = {};
    QWaiting *waiting = nullptr;
    std::thread worker;
    std::atomic<bool> importing{false};
    std::atomic<bool> stopRequested{false};
};
