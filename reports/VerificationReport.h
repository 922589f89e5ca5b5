#pragma once
// The report page: stored acquisition projects in a tree (one child per channel), one project
// checked at a time; the checked project loaded into a curve chart with statistics, display
// and axis ranges and up to six tagging lines; its information text; deleting it; a simple
// workbook of its samples; and the report run (PDF or workbook) of the last loaded project.
// Exports run on a worker thread while a waiting box covers the page.

#include <QList>
#include <QPixmap>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>

#include "Records.h"
#include "ReportData.h"
#include "ReportExportRun.h"
#include "VerificationReportExport.h"

class ChartView;
class QAction;
class QMenu;
class QTreeWidgetItem;
class QWaiting;
struct SystemSettings;

namespace Ui {
class VerificationReport;
}

class VerificationReport : public QWidget
{
    Q_OBJECT
public:
    explicit VerificationReport(QWidget *parent = nullptr);
    ~VerificationReport() override;

    void setSettings(SystemSettings *settings);

    // The last successful load, which the chart shows and a report is made of.
    const ParametersRecord &loadedProject() const { return loaded.project; }
    const ReportSamples &loadedSamples() const { return loaded.samples; }
    const ReportExportOptions &exportOptions() const { return *options; }
    ChartView *chartView() const { return chart; }

signals:
    void MessageBox_signals(bool ok);

public slots:
    void pt_Query_clicked();
    void pt_Range_clicked();
    void pt_DisplayRange_clicked();
    void pt_TaggingAdd_clicked();
    void pt_TaggingDelete_clicked();
    void pt_CalibrationReport_clicked();
    void onGrpMenuTriggered(QAction *action);
    void treeItemChanged(QTreeWidgetItem *item, int column);
    void treeDoubleChanged(QTreeWidgetItem *item, int column);
    void MessageBox_slots(bool ok);
    // False while an export runs: the page must not be left then.
    bool isNotRunning() const;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void loadProjectList(const QString &filter);
    bool takeCheckedProject();
    void loadProject();
    void prepareChart();
    void plotProjectData();
    void projectInfoText();
    void deleteProject();
    void runSimpleExport();
    void simpleExport(const QString &path);
    void initExportOptions();
    QList<bool> tableFlags() const;
    void segmentLists(QList<QDateTime> &starts, QList<QDateTime> &ends,
                      QStringList &remarks) const;
    // Shows the waiting box and runs the work on the worker thread; its result comes back
    // through MessageBox_signals.
    void startWorker(std::function<bool()> work);
    // The units of the chart's axes, from the checked channels of the last load.
    QStringList checkedUnits() const;

    Ui::VerificationReport *ui;
    QString titleInformation;
    QString titleWarning;
    QMenu *projectMenu;
    QAction *actionView;
    QAction *actionSimpleExport;
    QAction *actionDelete;
    QWaiting *waiting = nullptr;
    ChartView *chart = nullptr;
    SystemSettings *settings = nullptr;
    QPixmap chartPicture;
    QList<bool> channelFlags;          // of the checked project at the last load or export
    ParametersRecord currentProject;   // the checked project at the last load or export
    QList<ParametersRecord> projects;  // in the order of the tree's top-level items
    ReportExportOptions *options;
    struct Snapshot
    {
        ParametersRecord project;
        ReportSamples samples;
        QList<bool> channelFlags;
    } loaded;
    std::thread worker;
    std::atomic_bool running{false};
};
