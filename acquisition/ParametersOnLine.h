#pragma once
// The window of one on-line acquisition run. It creates one driver per planned instrument,
// writes each instrument's channel set-up on a set-up worker (a failure is said at once), waits
// there for the planned start (the run button can stop the wait), then runs an acquisition
// worker that reads all instruments once per interval, stores one ParametersData row per project
// over its own "DAQ" connection and queues the sample for display; rows the database refuses
// stay queued in order and go with a later commit. A GUI timer shows the newest queued sample in
// each project's live and statistics tabs. A failed read starts the recovery: one retry, close
// and reopen of every instrument (each set up again) after a pause, then the operator's manual
// reconnect.
//
// The window owns its workers: it refuses to close while a run is going, and on destruction
// stops and joins them and closes its instruments on a worker thread while the GUI thread keeps
// delivering the instruments' replies.

#include <QDateTime>
#include <QDialog>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <thread>

#include "Records.h"

class Collection;
class ParametersChart;
class ParametersStatistics;
class QTimer;
class QWaiting;
struct SystemSettings;

namespace Ui {
class ParametersOnLine;
}

// One sample waiting for display.
struct OnlineSample
{
    QDateTime time;                      // taken just before the read of the sample
    QList<QStringList> projectValues;    // one list of value texts per project
};

class ParametersOnLine : public QDialog
{
    Q_OBJECT
public:
    explicit ParametersOnLine(QWidget *parent = nullptr);
    ~ParametersOnLine() override;

    // Prepares the run from the plan members of `settings` and starts the set-up worker.
    void start(SystemSettings *settings);

    // The sample interval in milliseconds of a first instrument's scan interval in seconds:
    // truncated, at least 1.
    static qint64 intervalFromScanInterval(double seconds);
    // Samples a run takes before it ends by itself: one at the start and one per whole or
    // begun interval up to the planned end; an end that is not after the start (or a time
    // that is not valid) means "until the operator stops", the largest count.
    static qint64 plannedSampleCount(const QDateTime &start, const QDateTime &end,
                                     qint64 intervalMs);
    // The display timer interval: the sample interval, but at least 1000 ms.
    static int displayInterval(qint64 intervalMs);

    // --- seams for tests and benchmarks -------------------------------------------------
    // How drivers are made from a model name (default: the model registry). Applies to
    // windows started afterwards.
    using DriverFactory = std::function<Collection *(const QString &model)>;
    static void setDriverFactory(DriverFactory factory);
    // The pause between closing and reopening the instruments during recovery (25000 ms).
    void setRecoveryPause(int ms);
    // How much of a run, in milliseconds of samples, may wait unsaved while the database
    // refuses them before the run stops (ten minutes).
    void setUnsavedLimit(qint64 ms);
    // The operator's answers, as the run button's boxes give them: stop the run, or leave
    // the manual reconnect mode and reopen the instruments.
    void requestStop();
    void continueReconnect();

    // The run button's text (the run state): "停止", "继续" or "结束".
    QString runState() const;
    qint64 sampleInterval() const { return intervalMs; }
    qint64 samplesPlanned() const { return plannedSamples; }
    bool isWorkerRunning() const;

signals:
    void SetDialog_signals(bool ok, QString text);
    void Information_signals(QString text);
    void SaveAuditLog_signals(QString text);
    void MessageBox_signals(QString title, QString text);

private slots:
    void pt_OK_clicked();
    void Display_slots();
    void SetDialog_slots(bool ok, QString text);
    void Information_slots(QString text);
    void SaveAuditLog_slots(QString text);
    void MessageBox_slots(QString title, QString text);
    // The outcome of an alarm mail of a live tab: the first failure of an episode is written to
    // the alarm log ("邮件异常") and shown in the information line; a sent mail ends the episode.
    void MailResult_slots(bool sent, QString error);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setupDevices();
    // Opens instrument `device` and sends its channel set-up (scan rate and channels), as at the
    // start of the run; `opened` tells whether the open succeeded.
    bool openAndConfigure(int device, bool *opened = nullptr);
    // The scan rate instrument `device` is set up with: the first instrument's, or its own
    // when its model does not offer the first one's.
    QString setupScanRate(int device) const;
    void closeWaitingBox();
    void acquisitionLoop();
    // One sample of every instrument; `t` is taken before this attempt's first request.
    bool readAllDevices(QStringList &values, QDateTime &t);
    bool recoverRead(QStringList &values, QDateTime &t);
    // A recovery stage: an alarm-log entry and the information line.
    void recoveryStep(const QString &text);
    // The information line while acquiring: the start and "采集中...", or why samples wait.
    QString runningText() const;
    void storeSample(qint64 index, const QDateTime &t, const QStringList &values);
    // Stores queued rows, oldest first, a few samples per commit, within a slice of the interval
    // (or until the queue is empty); true when nothing is left unsaved. The first refusal of an
    // episode is logged and shown, and so is the end of the episode.
    bool flushUnsaved(bool untilEmpty);
    // Alarm-log entries of the worker, written on the GUI thread; one the database refuses is
    // kept and written at a later display tick.
    void logEntry(const QString &type, const QString &details);
    void writeLogEntry(const AuditLogRecord &entry);
    void writePendingLog();
    // The planned instruments leave (false) or rejoin (true) the tested instruments of the
    // settings, which the instrument page shows as connected.
    void setLinksUp(bool up);
    // The channel records of instrument `device`; false (no records) when its configuration
    // has no channels or per-channel lists shorter than its channel count.
    bool buildChannelRows(int device, QList<ChannelRecord> &rows) const;
    bool saveProjectRecords(const QList<ParametersRecord> &records);
    bool openAll();
    void closeConnected();
    bool pause(qint64 ms);
    // Sets the run button's text on the GUI thread, in order with the worker's signals.
    void setRunState(const QString &text);
    // Stops the workers, waits for them while delivering events, closes the instruments.
    void shutDown();

    Ui::ParametersOnLine *ui;
    QMutex sampleMutex;
    QTimer *displayTimer = nullptr;
    QWaiting *waiting = nullptr;
    ParametersChart *charts[3] = {nullptr, nullptr, nullptr};
    ParametersStatistics *statistics[3] = {nullptr, nullptr, nullptr};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> manualWait{false};
    int deviceCount = 0;
    int projectCount = 0;
    qint64 intervalMs = 1000;
    int channelCount = 0;
    qint64 plannedSamples = 0;
    SystemSettings *settings = nullptr;
    QString titleInfo;
    QDateTime startTime;
    QDateTime plannedEnd;
    QDateTime lastSampleTime;
    Collection *drivers[6] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    QList<OnlineSample> sampleQueue;
    QList<ParametersRecord> projectRecords;
    QList<ChannelConfigData> channelConfigs;
    QList<AcquisitionDeviceRecord> deviceRecords;
    QList<ChannelRow> channelRows;
    QList<int> valuesPerDevice;          // channel rows of each instrument
    QList<QList<ChannelRecord>> channelRecords;   // each instrument's set-up, built once

    // Acquisition worker: rows not yet stored, oldest first, and the refusal episode.
    QList<ParametersDataRow> unsavedRows;
    int unsavedSamples = 0;
    bool storeRefused = false;
    QString storeError;
    static constexpr int maxSamplesPerCommit = 100;
    std::atomic<qint64> unsavedLimitMs{600000};
    // GUI thread: alarm-log entries not yet written, instruments taken off the tested list.
    QList<AuditLogRecord> pendingLog;
    QList<AcquisitionDeviceRecord> linksDown;
    // GUI thread: the alarm-mail failure episode.
    bool mailFailing = false;
    QString mailFailureText;
    QString textBeforeMailFailure;

    std::atomic<int> recoveryPauseMs{25000};
    std::atomic<bool> recordsSaved{false};
    std::atomic<bool> tearingDown{false};
    std::thread setupThread;
    std::thread acquisitionThread;
    std::atomic<bool> setupRunning{false};
    std::atomic<bool> acquisitionRunning{false};
};
