#pragma once
// The live tab of one project in the on-line acquisition window: a table of the displayed
// samples, the project's curves with a channel list whose check boxes show and hide them, the
// axis follow mode, and the limit alarms (alarm-log entries and throttled alarm mail).

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>

#include "Records.h"

class ChartView;
struct SystemSettings;

namespace Ui {
class ParametersChart;
}

class ParametersChart : public QWidget
{
    Q_OBJECT
public:
    explicit ParametersChart(QWidget *parent = nullptr);
    ~ParametersChart() override;

    // Takes the settings (decimals, mail settings, the plan's instruments) and the project's
    // channel rows, in channel order. Called once.
    void setup(SystemSettings *settings, const QList<ChannelRow> &rows);
    // Shows one sample (one value per channel; NaN for a missing one, shown empty and not
    // checked) and checks every value against its limits.
    // False when an alarm-log entry could not be written.
    bool appendSamples(const QDateTime &t, const QList<double> &values);
    // The two halves of appendSamples: the table row and the curves, touching no database;
    // then the limit checks, one alarm-log entry per violation and the alarm mail.
    void showSample(const QDateTime &t, const QList<double> &values);
    bool checkAlarms(const QList<double> &values);
    // Whether checkAlarms would write an entry for these values.
    bool alarmDue(const QList<double> &values) const;

    // How one alarm mail is sent, on its own thread: recipients, subject, body; true when sent,
    // else false with why in the last argument. The default goes through the SMTP client with
    // the configured server.
    using MailSender = std::function<bool(const QStringList &, const QString &, const QString &,
                                          QString *)>;
    static void setMailSender(MailSender sender);
    // Alarm-mail threads of every tab still running.
    static int runningMailThreads();
    // Waits until no alarm-mail thread runs or `timeoutMs` passed; true when none runs. The
    // program waits for them when it ends.
    static bool waitForMailThreads(int timeoutMs);

    // The alarm entry text and type of value `v` on channel row `row` of instrument `device`;
    // the type stays empty when the value is within the enabled limits or missing (not a
    // finite number).
    static QString alarmText(const ChannelRow &row, const AcquisitionDeviceRecord &device,
                             double v, QString *type);
    // The two unit kinds of a project: first appearance order, a temperature unit first;
    // the second is empty when there is one kind.
    static QStringList unitKindsOf(const QList<ChannelRow> &rows);

    ChartView *chart() const { return chartView; }
    // Whether the checked curves are in the chart now: only while the tab is visible.
    bool curvesAttached() const { return curvesInChart; }

signals:
    // The outcome of each alarm mail, delivered on the GUI thread (queued from the mail
    // thread) while the tab lives: sent, or not with why (the server's reply or the
    // connection error).
    void MailResult_signals(bool sent, QString error);

public slots:
    void pt_All_clicked();
    void pt_Renovate_clicked();
    void pt_Chart_clicked(int row, int column);

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Puts the checked curves into the chart while the tab is visible and takes them out while
    // it is not: a curve out of the chart keeps collecting its points without being redrawn.
    void syncCurvesWithVisibility();
    void fillChannelList();
    void appendTableRow(const QDateTime &t, const QList<double> &values);
    bool checkAlarm(int k, double v);   // false: the alarm-log entry was not written
    void startMailThread(const QString &text);
    void setChannelShown(int k, bool shown);

    Ui::ParametersChart *ui;
    int emailInterval = 0;
    bool emailAutoTrigger = false;
    QStringList emailAddresses;
    QDateTime lastMailTime;
    QList<bool> shown;
    QList<bool> leftAxisFlags;
    int decimals = 0;
    int channelCount = 0;
    QStringList unitKinds;
    ChartView *chartView = nullptr;
    QList<AcquisitionDeviceRecord> deviceRecords;
    QList<ChannelRow> channelRows;
    // Set while this tab's alarm-mail thread runs; shared with that thread.
    std::shared_ptr<std::atomic<bool>> mailInFlight;
    bool curvesInChart = true;
};
