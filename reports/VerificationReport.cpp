#include "VerificationReport.h"
#include "ui_VerificationReport.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDebug>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <cmath>
#include <limits>

#include "ChartView.h"
#include "Database.h"
#include "HalvoranImages.h"
#include "QWaiting.h"
#include "SampleRows.h"
#include "SystemSettings.h"
#include "Terms.h"
#include "ValueStatistics.h"

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

// Reads the stored samples of a project into `out` (one value per channel of the project);
// rows with fewer values than channels are left out, and so, with a line in the log, are rows
// whose stored time does not parse. `stored` counts the rows with a time and `first` / `last`
// are the times of the first and the last of them.
bool readProjectSamples(const QString &name, ReportSamples &out, int &stored, QDateTime &first,
                        QDateTime &last)
{
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select * from ParametersData where Name = ?"));
    query.addBindValue(name);
    if (!query.exec()) {
        qDebug() << "查询ParametersData失败！";
        return false;
    }
    stored = 0;
    while (query.next()) {
        const QString timeText = query.value(1).toString();
        const QDateTime time = parseSampleTime(timeText);
        if (!time.isValid()) {
            qWarning().noquote() << QStringLiteral("report: a sample row of project \"%1\" is left "
                                                   "out, its time \"%2\" does not parse")
                                        .arg(name, timeText);
            continue;
        }
        if (stored == 0)
            first = time;
        last = time;
        ++stored;
        out.appendRow(time, query.value(2).toString().split(QLatin1Char(',')));
    }
    return true;
}

// The highest axis bound whose range a chart can still label: the toolkit labels tick i (of the
// report's ten) at the minimum plus i times the span, which must stay finite, or the labels
// read "nan" and "inf".
constexpr double kAxisLimit = std::numeric_limits<double>::max() / 20;

} // namespace

VerificationReport::VerificationReport(QWidget *parent)
    : QWidget(parent),
      ui(new Ui::VerificationReport)
{
    initHalvoranImages();
    ui->setupUi(this);
    titleInformation = tr("提示");
    titleWarning = tr("警告");
    options = new ReportExportOptions;
    projectMenu = new QMenu(this);
    actionView = new QAction(tr("查看项目"), this);
    actionSimpleExport = new QAction(tr("简单导出"), this);
    actionDelete = new QAction(tr("删除项目"), this);
    connect(projectMenu, &QMenu::triggered, this, &VerificationReport::onGrpMenuTriggered);
    connect(this, &VerificationReport::MessageBox_signals, this,
            &VerificationReport::MessageBox_slots);

    connect(ui->pushButton_Query, &QPushButton::clicked, this,
            &VerificationReport::pt_Query_clicked);
    connect(ui->pushButton_Range, &QPushButton::clicked, this,
            &VerificationReport::pt_Range_clicked);
    connect(ui->pushButton_DisplayRange, &QPushButton::clicked, this,
            &VerificationReport::pt_DisplayRange_clicked);
    connect(ui->pushButton_TimeAdd, &QPushButton::clicked, this,
            &VerificationReport::pt_TaggingAdd_clicked);
    connect(ui->pushButton_TimeDelete, &QPushButton::clicked, this,
            &VerificationReport::pt_TaggingDelete_clicked);
    connect(ui->toolButton_CalibrationReport, &QToolButton::clicked, this,
            &VerificationReport::pt_CalibrationReport_clicked);
    connect(ui->treeWidget_Device, &QTreeWidget::itemClicked, this,
            &VerificationReport::treeItemChanged);
    connect(ui->treeWidget_Device, &QTreeWidget::itemDoubleClicked, this,
            &VerificationReport::treeDoubleChanged);

    for (QWidget *w : {static_cast<QWidget *>(ui->label_RightRange),
                       static_cast<QWidget *>(ui->lineEdit_RightRange1),
                       static_cast<QWidget *>(ui->label_RightRange1),
                       static_cast<QWidget *>(ui->lineEdit_RightRange2)})
        w->hide();
    loadProjectList(QString());
}

VerificationReport::~VerificationReport()
{
    // The worker works on its own copies; it only has to end before the page goes.
    if (worker.joinable())
        worker.join();
    delete chart;
    delete options;
    delete ui;
}

void VerificationReport::setSettings(SystemSettings *systemSettings)
{
    settings = systemSettings;
    if (!chart) {
        chart = new ChartView(nullptr);
        chart->resetForReport(settings ? settings->dataAccuracy : 2);
        ui->verticalLayout_Chart->addWidget(chart);
    }
}

bool VerificationReport::isNotRunning() const
{
    return !running;
}

void VerificationReport::closeEvent(QCloseEvent *event)
{
    if (running) {
        event->ignore();
        QMessageBox::information(this, titleInformation, tr("数据导出中，请稍等..."),
                                 QMessageBox::Ok);
        return;
    }
    QWidget::closeEvent(event);
}

// ---- project list and checks ----------------------------------------------------------------

void VerificationReport::loadProjectList(const QString &filter)
{
    projects.clear();
    QTreeWidget *tree = ui->treeWidget_Device;
    tree->clear();
    tree->setColumnCount(1);
    tree->setHeaderLabels({tr("项目列表")});
    QList<ParametersRecord> rows;
    if (!selectParametersBySql(rows,
                               QStringLiteral("select * from Parameters where ")
                                   + sqlContainsCondition(QStringLiteral("Name")),
                               {filter}))
        return;
    for (int i = rows.size() - 1; i >= 0; --i)
        projects.append(rows.at(i));
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    for (const ParametersRecord &p : qAsConst(projects)) {
        auto *top = new QTreeWidgetItem(tree, {p.Start + QStringLiteral("  ") + p.Name});
        top->setFlags(flags);
        top->setCheckState(0, Qt::Unchecked);
        for (const QString &channel : p.ChannelNumber) {
            auto *child = new QTreeWidgetItem(top, {channel});
            child->setFlags(flags);
            child->setCheckState(0, Qt::Unchecked);
        }
    }
}

void VerificationReport::pt_Query_clicked()
{
    loadProjectList(ui->lineEdit_Query->text());
}

void VerificationReport::treeItemChanged(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(column)
    if (!item)
        return;
    QTreeWidget *tree = ui->treeWidget_Device;
    if (item->checkState(0) == Qt::Checked) {
        QTreeWidgetItem *project = item->childCount() > 0 || !item->parent() ? item : item->parent();
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem *other = tree->topLevelItem(i);
            if (other == project || other->checkState(0) == Qt::Unchecked)
                continue;
            other->setCheckState(0, Qt::Unchecked);
            for (int c = 0; c < other->childCount(); ++c)
                other->child(c)->setCheckState(0, Qt::Unchecked);
        }
    }
    if (item->childCount() == 0) {
        QTreeWidgetItem *parent = item->parent();
        if (!parent)
            return;
        int checked = 0;
        for (int c = 0; c < parent->childCount(); ++c) {
            if (parent->child(c)->checkState(0) == Qt::Checked)
                ++checked;
        }
        parent->setCheckState(0, checked == 0 ? Qt::Unchecked
                                 : checked < parent->childCount() ? Qt::PartiallyChecked
                                                                   : Qt::Checked);
        return;
    }
    const Qt::CheckState state = item->checkState(0);
    if (state == Qt::PartiallyChecked)
        return;
    for (int c = 0; c < item->childCount(); ++c)
        item->child(c)->setCheckState(0, state);
}

bool VerificationReport::takeCheckedProject()
{
    QTreeWidget *tree = ui->treeWidget_Device;
    for (int i = 0; i < tree->topLevelItemCount() && i < projects.size(); ++i) {
        QTreeWidgetItem *top = tree->topLevelItem(i);
        if (top->checkState(0) == Qt::Unchecked)
            continue;
        currentProject = projects.at(i);
        channelFlags.clear();
        for (int c = 0; c < top->childCount(); ++c)
            channelFlags << (top->child(c)->checkState(0) != Qt::Unchecked);
        return true;
    }
    return false;
}

void VerificationReport::treeDoubleChanged(QTreeWidgetItem *item, int column)
{
    Q_UNUSED(item)
    Q_UNUSED(column)
    loadProject();
}

// ---- loading and the chart ------------------------------------------------------------------

void VerificationReport::loadProject()
{
    if (!takeCheckedProject())
        return;
    ReportSamples samples(currentProject.ChannelNumber.size());
    int stored = 0;
    QDateTime first, last;
    if (!readProjectSamples(currentProject.Name, samples, stored, first, last))
        return;
    if (stored == 0) {
        QMessageBox::information(this, titleInformation, tr("当前项目没有采集的数据!"),
                                 QMessageBox::Ok);
        return;
    }
    if (last.toString(kTimeFormat) != currentProject.End) {
        const QString start = first.toString(kTimeFormat);
        const QString end = last.toString(kTimeFormat);
        updateParametersTime(currentProject.Name, start, end);
        currentProject.Start = start;
        currentProject.End = end;
    }
    // From here on the chart and any report show this project.
    loaded.project = currentProject;
    loaded.samples = samples;
    loaded.channelFlags = channelFlags;
    projectInfoText();
    prepareChart();
    plotProjectData();
    initExportOptions();
}

QStringList VerificationReport::checkedUnits() const
{
    QStringList units;
    for (int i = 0; i < loaded.project.ChannelUnit.size(); ++i) {
        if (loaded.channelFlags.value(i, false))
            units << loaded.project.ChannelUnit.at(i);
    }
    return reportUnits(units);
}

void VerificationReport::prepareChart()
{
    if (!chart)
        return;
    const QStringList units = checkedUnits();
    const QString leftUnit = units.value(0);
    const QString rightUnit = units.value(1);
    QList<bool> axisFlags;
    for (int i = 0; i < loaded.project.ChannelNumber.size(); ++i)
        axisFlags << (loaded.project.ChannelUnit.value(i) == leftUnit);
    chart->clearSeries();
    chart->createSeries(loaded.project.Name, loaded.project.ChannelNumber, leftUnit, rightUnit,
                        axisFlags);
    const bool two = !rightUnit.isEmpty();
    ui->label_RightRange->setVisible(two);
    ui->lineEdit_RightRange1->setVisible(two);
    ui->label_RightRange1->setVisible(two);
    ui->lineEdit_RightRange2->setVisible(two);
}

void VerificationReport::plotProjectData()
{
    if (!chart)
        return;
    const ReportSamples &samples = loaded.samples;
    const int n = loaded.project.ChannelNumber.size();
    QList<ChannelFigures> figures;
    QList<int> counts;
    for (int c = 0; c < n; ++c) {
        // A missing value is neither drawn nor counted; a channel without values has no figures.
        const ValueSummary s = summarizeValues(samples.rowCount(), [&](int r) {
            return samples.value(r, c);
        });
        ChannelFigures f;
        f.min = s.min;
        f.max = s.max;
        f.average = s.average;
        f.sum = s.sum;
        // A missing value stays in the points as NaN: the curve leaves a gap there.
        QList<QPointF> points;
        points.reserve(samples.rowCount());
        for (int r = 0; r < samples.rowCount(); ++r)
            points.append(QPointF(double(samples.msecs(r)), samples.value(r, c)));
        figures << f;
        counts << s.count;
        chart->replaceSeries(c, points);
    }

    const QDateTime start = QDateTime::fromString(loaded.project.Start, kTimeFormat);
    const QDateTime end = QDateTime::fromString(loaded.project.End, kTimeFormat);
    ui->dateTimeEdit_DisplayRange1->setDateTime(start);
    ui->dateTimeEdit_DisplayRange2->setDateTime(end);
    ui->dateTimeEdit_TimeTagging->setDateTime(start);
    chart->setTimeRange(start, end);

    const QList<bool> leftFlags = chart->leftAxisFlags();
    if (leftFlags.size() != n)
        return;
    // An axis whose channels have no values keeps the range 0 (shown as -1 to 1).
    double range[4] = {std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(),
                       std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()};
    for (int c = 0; c < n; ++c) {
        if (counts.at(c) == 0)
            continue;
        double *axis = leftFlags.at(c) ? range : range + 2;
        axis[0] = qMin(axis[0], figures.at(c).min);
        axis[1] = qMax(axis[1], figures.at(c).max);
    }
    for (int a = 0; a < 4; a += 2) {
        if (!std::isfinite(range[a]) || !std::isfinite(range[a + 1]))
            range[a] = range[a + 1] = 0.0;
        range[a] = qMax(range[a] - 1.0, -kAxisLimit);
        range[a + 1] = qMin(range[a + 1] + 1.0, kAxisLimit);
    }
    ui->lineEdit_LeftRange1->setText(QString::number(range[0], 'f', 2));
    ui->lineEdit_LeftRange2->setText(QString::number(range[1], 'f', 2));
    ui->lineEdit_RightRange1->setText(QString::number(range[2], 'f', 2));
    ui->lineEdit_RightRange2->setText(QString::number(range[3], 'f', 2));
    chart->setYRanges(range[0], range[1], range[2], range[3]);
    chart->setSeriesData(figures);
    for (int c = 0; c < n; ++c) {
        if (!loaded.channelFlags.value(c, false))
            chart->hideSeries(c);
    }
    ui->pushButton_TimeAdd->setEnabled(true);
    ui->pushButton_TimeDelete->setEnabled(true);
}

void VerificationReport::projectInfoText()
{
    const ParametersRecord &p = currentProject;
    const QString comma = QStringLiteral(",");
    QPlainTextEdit *text = ui->plainTextEdit_Data;
    text->clear();
    const QStringList lines{
        tr("项目名称:") + p.Name,
        tr("创建时间:") + p.CreateTime,
        QString(),
        tr("使用的采集设备"),
        tr("型号：") + p.Model.join(comma),
        tr("序列号：") + p.SerialNumber.join(QStringLiteral(";")),
        tr("通讯方式：") + translateList(p.SignalMode).join(comma),
        tr("IP/COM：") + p.IP_COM.join(comma),
        tr("Port/BaudRate：") + p.Port_BaudRate.join(comma),
        tr("扫描间隔：") + p.ScanInterval + QStringLiteral("s"),
        tr("扫描速率：") + translateTerm(p.ScanRate),
        tr("通道文件名：") + p.ChannelConfig.join(comma),
        tr("通道数量：") + QString::number(channelFlags.size()),
        QString(),
        tr("相关参数"),
        tr("数据采集开始时间：") + p.Start,
        tr("数据采集终止时间：") + p.End,
        tr("通道编号：") + p.ChannelNumber.join(comma),
        tr("通道单位：") + p.ChannelUnit.join(comma),
    };
    for (const QString &line : lines)
        text->appendPlainText(line);
}

// ---- ranges and tagging lines ---------------------------------------------------------------

void VerificationReport::pt_DisplayRange_clicked()
{
    const QDateTime from = ui->dateTimeEdit_DisplayRange1->dateTime();
    const QDateTime to = ui->dateTimeEdit_DisplayRange2->dateTime();
    options->rangeStart = from;
    options->rangeEnd = to;
    if (chart)
        chart->setTimeRange(from, to);
}

void VerificationReport::pt_Range_clicked()
{
    if (!chart)
        return;
    chart->setYRanges(ui->lineEdit_LeftRange1->text().toDouble(),
                      ui->lineEdit_LeftRange2->text().toDouble(),
                      ui->lineEdit_RightRange1->text().toDouble(),
                      ui->lineEdit_RightRange2->text().toDouble());
}

void VerificationReport::pt_TaggingAdd_clicked()
{
    const QString remark = ui->lineEdit_TimeRemarks->text();
    if (remark.isEmpty()) {
        QMessageBox::information(this, titleWarning, tr("备注信息不能为空!"), QMessageBox::Ok);
        return;
    }
    if (remark.size() >= 7) {
        QMessageBox::information(this, titleWarning, tr("备注信息数超限!"), QMessageBox::Ok);
        return;
    }
    if (chart && !chart->addTaggingLine(ui->dateTimeEdit_TimeTagging->dateTime(), remark))
        QMessageBox::information(this, titleWarning, tr("添加标注线超量!"), QMessageBox::Ok);
}

void VerificationReport::pt_TaggingDelete_clicked()
{
    if (chart)
        chart->clearTaggingLines();
}

// ---- context menu, delete, simple export ----------------------------------------------------

void VerificationReport::contextMenuEvent(QContextMenuEvent *event)
{
    QTreeWidget *tree = ui->treeWidget_Device;
    const QPoint at = mapFromGlobal(QCursor::pos());
    if (tree->topLevelItemCount() == 0 || !tree->geometry().contains(at) || !tree->currentItem())
        return;
    if (projectMenu->actions().isEmpty())
        projectMenu->addActions({actionView, actionSimpleExport, actionDelete});
    projectMenu->exec(QCursor::pos());
    event->accept();
}

void VerificationReport::onGrpMenuTriggered(QAction *action)
{
    if (action == actionView)
        loadProject();
    else if (action == actionSimpleExport)
        runSimpleExport();
    else if (action == actionDelete)
        deleteProject();
}

void VerificationReport::deleteProject()
{
    QTreeWidget *tree = ui->treeWidget_Device;
    int index = -1;
    for (int i = 0; i < tree->topLevelItemCount() && i < projects.size(); ++i) {
        if (tree->topLevelItem(i)->checkState(0) != Qt::Unchecked) {
            index = i;
            break;
        }
    }
    if (index < 0) {
        QMessageBox::information(this, titleInformation, tr("请先选择需要删除的项目!"),
                                 QMessageBox::Ok);
        return;
    }
    const QString name = projects.at(index).Name;
    const int answer = QMessageBox::information(this, titleInformation,
                                                tr("是否删除") + name + QStringLiteral("?"),
                                                QMessageBox::Yes | QMessageBox::No,
                                                QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;
    if (!deleteParameters(name))
        QMessageBox::information(this, titleWarning, tr("删除数据失败!"), QMessageBox::Ok);
    if (!deleteParametersData(name))
        QMessageBox::information(this, titleWarning, tr("删除数据失败!"), QMessageBox::Ok);
    loadProjectList(QString());
}

void VerificationReport::runSimpleExport()
{
    if (!takeCheckedProject())
        return;
    projectInfoText();
    QString path = QFileDialog::getSaveFileName(this, tr("打开文件"), QString(),
                                                QStringLiteral("Image Files (*.xlsx)"));
    if (path.isEmpty())
        return;
    // The export is a workbook whatever the name: a name that does not end in ".xlsx" ("run",
    // "run 12.07") gets it.
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");
    simpleExport(path);
}

void VerificationReport::simpleExport(const QString &path)
{
    const QString databaseFile = QSqlDatabase::database().databaseName();
    const ParametersRecord project = currentProject;
    const QList<bool> flags = channelFlags;
    const int accuracy = settings ? settings->dataAccuracy : 2;
    startWorker([databaseFile, project, flags, accuracy, path] {
        // The worker reads through a connection of its own on the same database file.
        const QString connection =
            QStringLiteral("Report-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        bool ok = openDatabaseConnection(connection, databaseFile)
            && writeSimpleExport(connection, project, flags, accuracy, path);
        closeDatabaseConnection(connection);
        return ok;
    });
}

// ---- report run -----------------------------------------------------------------------------

void VerificationReport::initExportOptions()
{
    options->rangeStart = QDateTime::fromString(loaded.project.Start, kTimeFormat);
    options->rangeEnd = QDateTime::fromString(loaded.project.End, kTimeFormat);
    options->scanInterval = loaded.project.ScanInterval;
    const QStringList units = checkedUnits();
    options->leftUnit = units.value(0);
    options->rightUnit = units.value(1);
    options->leftChannelCount = 0;
    options->rightChannelCount = 0;
    for (int i = 0; i < loaded.project.ChannelNumber.size(); ++i) {
        if (!loaded.channelFlags.value(i, false))
            continue;
        if (!units.isEmpty() && loaded.project.ChannelUnit.value(i) == options->leftUnit)
            ++options->leftChannelCount;
        else if (units.size() > 1)
            ++options->rightChannelCount;
    }
    options->segmentCount = QStringLiteral("1");
    ui->toolButton_CalibrationReport->setEnabled(true);
}

QList<bool> VerificationReport::tableFlags() const
{
    QList<bool> flags;
    for (bool f : options->tableFlags)
        flags << f;
    return flags;
}

void VerificationReport::segmentLists(QList<QDateTime> &starts, QList<QDateTime> &ends,
                                      QStringList &remarks) const
{
    starts.clear();
    ends.clear();
    remarks.clear();
    const int n = options->segmentCount.toInt();
    for (int i = 0; i < n; ++i) {
        starts << options->segmentStarts.value(i);
        ends << options->segmentEnds.value(i);
        remarks << options->segmentRemarks.value(i);
    }
}

void VerificationReport::pt_CalibrationReport_clicked()
{
    if (!chart || running)
        return;
    chartPicture = chart->grab();
    {
        VerificationReportExport dialog(nullptr);
        dialog.setOptions(options);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    ReportJob job;
    job.project = loaded.project;
    job.samples = loaded.samples;
    job.channelFlags = loaded.channelFlags;
    job.printInterval = options->printInterval;
    job.format = options->format;
    job.outputPath = options->outputPath;
    job.tableFlags = tableFlags();
    segmentLists(job.segmentStarts, job.segmentEnds, job.segmentRemarks);
    job.dataAccuracy = settings ? settings->dataAccuracy : 2;
    job.versionText = settings ? settings->version : QString();
    // Pixmaps belong to the GUI thread; the worker gets an image.
    job.chartPicture = chartPicture.toImage();
    startWorker([job] { return runReportExport(job); });
}

void VerificationReport::startWorker(std::function<bool()> work)
{
    if (worker.joinable())
        worker.join();
    waiting = new QWaiting(this);
    waiting->setText(tr("数据导出中，请稍等..."));
    waiting->show();
    running = true;
    worker = std::thread([this, work] { emit MessageBox_signals(work()); });
}

void VerificationReport::MessageBox_slots(bool ok)
{
    if (waiting) {
        waiting->hide();
        waiting->deleteLater();
        waiting = nullptr;
    }
    if (worker.joinable())
        worker.join();
    running = false;
    QMessageBox::information(this, titleInformation,
                             ok ? tr("报表生成成功!") : tr("数据异常，生成报表失败!"),
                             QMessageBox::Ok);
}
