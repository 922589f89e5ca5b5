#pragma once
// The channel calibration page: up to three acquisition instruments, a dry-well or bath
// temperature source (or none, "手动") and a reference thermometer (the source's own probe, the
// Bluetooth thermometer, or a typed value), up to nine set points, the settling delay and the
// channels per batch. The start button checks the set-up, creates the devices and starts a run;
// the page state lives in table ChannelCalibration across restarts.
//
// Runs (ChannelCalibrationRun.cpp): an automatic run walks the set points on the source; a
// manual run measures one point per point button. Each run step waits on a worker thread that
// the page owns (device replies reach the devices through this thread's event loop, so nothing
// here ever blocks the GUI thread on a worker); the worker reports through queued signals, and
// the fit runs on the GUI thread once the worker has ended. The page refuses to be left while
// a run or a worker is active (isNotRunning), and its destructor stops the worker and waits for
// it while still delivering events.

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>

#include "AcquisitionDeviceWorker.h"
#include "DeviceLink.h"
#include "Records.h"
#include "RunFlag.h"

class Collection;
class Criteria;
class Field;
class QCheckBox;
class QLineEdit;
class QPushButton;
struct SystemSettings;

namespace Ui {
class ChannelCalibrationClass;
}

// The waits of a run. A stability wait sleeps `stableSteps` times `stableStepMs` between two
// questions to the source; the settling delay lasts `delayMinuteMs` per minute of the page's
// delay. Tests shorten them.
struct CalibrationWaits
{
    int stableStepMs = 1000;
    int stableSteps = 20;
    int delayMinuteMs = 60000;
};

class ChannelCalibration : public QWidget
{
    Q_OBJECT
public:
    explicit ChannelCalibration(QWidget *parent = nullptr);
    ~ChannelCalibration() override;

    void setSettings(SystemSettings *settings);
    void setWaits(const CalibrationWaits &waits);

public slots:
    // False while a run is in progress (the start button reads "暂停") or a worker is active;
    // the main window then refuses to leave the page or to close.
    bool isNotRunning();

signals:
    void Save_signals();
    void WriteConfig_signals();
    void PlainTextEdit_signals(QString line);
    void MessageBox_signals(QString title, QString text);
    // The automatic run's worker has done its last step; `message` is its end message.
    void RunEnded_signals(QString message);

private slots:
    void Open_Clicked();
    void Close_Clicked();
    void Temp_Clicked(int point);
    void FieldScan_Clicked();
    void CriteriaScan_Clicked();
    void Collection2_Changed(int state);
    void Collection3_Changed(int state);
    void Field_Changed(QString text);
    void Criteria_Changed(QString text);
    void Save_slots();
    void WriteConfig_slots();
    void PlainTextEdit_slots(QString line);
    void MessageBox_slots(QString title, QString text);
    void RunEnded_slots(QString message);

private:
    // --- page (GUI thread) ------------------------------------------------------------------
    void initControls();
    void setControlsEnabled(bool run);
    bool createDevices();
    bool checkPoints();
    bool validateChannels();
    bool confirmBatches();
    bool saveState();
    bool loadState();
    void deleteCollections();
    // closeDevices on a worker while this thread keeps delivering the devices' link events.
    void closeDevicesWaiting();
    void showStoredData();
    void showInformation(const QString &text);
    void setStartCaption();
    // Runs `job` on the page's worker.
    void startWorker(std::function<void()> job);
    // Runs `step` on the GUI thread, queued.
    void onGui(std::function<void()> step);
    // The link dialog for the source's or the reference's link, of the kind chosen now.
    void runLinkDialog(DeviceLink *link, const QString &kind);
    QString shownField() const;
    QString shownCriteria() const;

    // --- runs (worker threads unless noted) -------------------------------------------------
    void runCalibration();
    void connectDevices();
    void readPoint(int point);
    void pause();                                   // GUI thread
    void updateButtons();                           // GUI thread: resets, closes on the worker
    void pointEnded(int point, bool measured, QStringList references, QStringList data,
                    QString failure);               // GUI thread
    bool openDevices();
    bool setChannelParameters();
    bool closeDevices();
    bool measurePoint(int point, QString &message);
    bool measureZeroPoint(int point, QString &message);
    // One batch of a point: readings, reference, log, and the operator's change of channels
    // when there are batches; false with the failure's message (none for a stop).
    bool measureBatch(int batch, QStringList &references, QStringList &data, QString &message);
    bool waitFieldStable(double setPoint);
    bool waitFieldDelay();
    bool waitBatchChange();
    bool readCollections(QStringList &values);
    bool logData(int batch, QString reference, QStringList readings);
    // Batch `batch` of a point: the reference as text and the batch's slice of the readings
    // appended to the point's lists, and logged.
    void takeBatch(int batch, double reference, const QStringList &values,
                   QStringList &references, QStringList &data);
    void commitPoint(int point, const QStringList &references, const QStringList &data);
    int pointsDone() const;
    QString channelLabel(int index) const;
    void log(const QString &line);

    Ui::ChannelCalibrationClass *ui;
    QString tipTitle;
    QString resampleText;
    QStringList startCaptions;
    SystemSettings *settings = nullptr;
    Field *field = nullptr;
    Criteria *criteria = nullptr;
    QList<Collection *> collections;
    QList<QLineEdit *> tempEdits;
    QList<QCheckBox *> liquidChecks;
    QList<QPushButton *> pointButtons;
    int maxChannels = 1;
    QString startTime;
    QString channelMode;
    QString channelName;
    QList<double> targetTemperatures;
    QList<bool> changeLiquid;
    QStringList collectionNames;
    // The data of the points done; written by a worker at the end of an automatic point and
    // read by the GUI thread when it saves the page state.
    mutable QMutex dataLock;
    QList<QStringList> calibrationData;   // 9 lists
    QStringList calibrationCriteria;
    QList<QStringList> selectedChannels;
    int fieldDelay = 0;
    int batchCount = 1;
    RunFlag running;
    std::atomic<bool> waitingBatchChange{false};
    std::atomic<bool> waitingNextBatch{false};
    std::atomic<double> manualTemperature{0.0};
    QStringList channelLabels;
    DeviceLink *fieldLink = nullptr;
    DeviceLink *criteriaLink = nullptr;
    QList<QList<ChannelRecord>> channels;
    QList<AcquisitionDeviceRecord> slotDevices;
    QList<AcquisitionDeviceRecord> devices;

    CalibrationWaits waits;
    AcquisitionDeviceWorker worker;
    int runningPoint = -1;       // the manual point whose worker runs (GUI thread)
    bool endRequested = false;   // "结束" of an automatic run: fit when its worker has ended
    bool closing = false;        // the destructor runs: show nothing more
};
