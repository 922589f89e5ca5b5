#include "ParametersOnLine.h"
#include "ui_ParametersOnLine.h"

#include <QCloseEvent>
#include <QDebug>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMutexLocker>
#include <QPushButton>
#include <QTimer>

#include <limits>
#include <mutex>

#include "ChannelRecords.h"
#include "Collection.h"
#include "Database.h"
#include "ParametersChart.h"
#include "ParametersStatistics.h"
#include "ProjectRows.h"
#include "QWaiting.h"
#include "Registry.h"
#include "SystemSettings.h"
#include "Terms.h"

namespace {

const QString timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// The longest interval accepted (about 31 years): keeps every sum of milliseconds in range.
constexpr qint64 longestIntervalMs = qint64(1000) * 1000 * 1000 * 1000;
constexpr int recoveryStepMs = 100;
constexpr int manualWaitStepMs = 100;

std::mutex factoryMutex;
ParametersOnLine::DriverFactory &driverFactory()
{
    static ParametersOnLine::DriverFactory factory;
    return factory;
}

Collection *makeDriver(const QString &model)
{
    ParametersOnLine::DriverFactory factory;
    {
        std::lock_guard<std::mutex> lock(factoryMutex);
        factory = driverFactory();
    }
    return factory ? factory(model) : createCollection(model);
}

} // namespace

// ---- timing ----------------------------------------------------------------------------------

qint64 ParametersOnLine::intervalFromScanInterval(double seconds)
{
    const double ms = seconds * 1000.0;
    if (!(ms >= 1.0))   // also NaN
        return 1;
    if (ms >= double(longestIntervalMs))
        return longestIntervalMs;
    return qint64(ms);
}

qint64 ParametersOnLine::plannedSampleCount(const QDateTime &start, const QDateTime &end,
                                            qint64 intervalMs)
{
    const qint64 interval = qBound<qint64>(1, intervalMs, longestIntervalMs);
    if (!start.isValid() || !end.isValid())
        return std::numeric_limits<qint64>::max();
    const qint64 seconds = start.secsTo(end);
    if (seconds <= 0)
        return std::numeric_limits<qint64>::max();
    const qint64 duration = seconds * 1000;   // at most some 10^14 for any QDateTime pair
    return duration / interval + 1 + (duration % interval > 0 ? 1 : 0);
}

int ParametersOnLine::displayInterval(qint64 intervalMs)
{
    return int(qBound<qint64>(1000, intervalMs, std::numeric_limits<int>::max()));
}

void ParametersOnLine::setDriverFactory(DriverFactory factory)
{
    std::lock_guard<std::mutex> lock(factoryMutex);
    driverFactory() = std::move(factory);
}

// ---- window ----------------------------------------------------------------------------------

ParametersOnLine::ParametersOnLine(QWidget *parent)
    : QDialog(parent), ui(new Ui::ParametersOnLine)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    ui->lineEdit_Information->setReadOnly(true);
    titleInfo = tr("提示");

    connect(this, &ParametersOnLine::SetDialog_signals, this, &ParametersOnLine::SetDialog_slots);
    connect(this, &ParametersOnLine::Information_signals, this,
            &ParametersOnLine::Information_slots);
    connect(this, &ParametersOnLine::SaveAuditLog_signals, this,
            &ParametersOnLine::SaveAuditLog_slots);
    connect(this, &ParametersOnLine::MessageBox_signals, this, &ParametersOnLine::MessageBox_slots);
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ParametersOnLine::pt_OK_clicked);
}

ParametersOnLine::~ParametersOnLine()
{
    shutDown();
    if (recordsSaved.load()) {
        for (const ParametersRecord &record : qAsConst(projectRecords))
            updateParametersTime(record.Name, startTime.toString(timeFormat),
                                 lastSampleTime.toString(timeFormat));
    }
    for (Collection *&driver : drivers) {
        delete driver;
        driver = nullptr;
    }
    delete ui;
}

void ParametersOnLine::setRecoveryPause(int ms)
{
    recoveryPauseMs = qMax(0, ms);
}

QString ParametersOnLine::runState() const
{
    return ui->pushButton_OK->text();
}

bool ParametersOnLine::isWorkerRunning() const
{
    return setupRunning.load() || acquisitionRunning.load();
}

void ParametersOnLine::start(SystemSettings *plan)
{
    if (settings || !plan)
        return;   // one run per window

    waiting = new QWaiting(this);
    waiting->setText(tr("参数设置中，请稍等..."));
    waiting->show();

    settings = plan;
    deviceRecords = plan->planDevices.mid(0, 6);
    channelConfigs = plan->planChannelConfigs;
    channelRows = plan->planChannels;
    deviceCount = deviceRecords.size();
    projectCount = qMin(plan->projectNames.size(), 3);
    channelCount = channelRows.size();

    startTime = QDateTime::fromString(plan->planStart, timeFormat);
    plannedEnd = QDateTime::fromString(plan->planEnd, timeFormat);
    intervalMs = intervalFromScanInterval(deviceRecords.isEmpty() ? 0.0
                                                                  : deviceRecords.first().scanInterval);
    buildProjectRecords();
    plannedSamples = plannedSampleCount(startTime, plannedEnd, intervalMs);

    valuesPerDevice = channelsPerDevice(channelRows, deviceCount);

    for (int p = 0; p < projectCount; ++p) {
        QList<ChannelRow> rows;
        QStringList labels;
        QStringList units;
        for (const ChannelRow &row : qAsConst(channelRows)) {
            if (row.projectIndex != p)
                continue;
            rows.append(row);
            labels.append(row.labelName);
            units.append(row.unit);
        }
        charts[p] = new ParametersChart;
        statistics[p] = new ParametersStatistics;
        charts[p]->setup(plan, rows);
        statistics[p]->setup(plan->dataAccuracy, labels, units);
        ui->tabWidget->insertTab(2 * p, charts[p],
                                 tr("项目") + QString::number(p + 1) + tr("结果"));
        ui->tabWidget->insertTab(2 * p + 1, statistics[p],
                                 tr("项目") + QString::number(p + 1) + tr("统计"));
    }

    for (int i = 0; i < deviceCount; ++i)
        drivers[i] = makeDriver(deviceRecords.at(i).model);

    setupRunning = true;
    setupThread = std::thread([this] { setupDevices(); });

    displayTimer = new QTimer(this);
    displayTimer->setInterval(displayInterval(intervalMs));
    connect(displayTimer, &QTimer::timeout, this, &ParametersOnLine::Display_slots);
    displayTimer->start();
}

void ParametersOnLine::buildProjectRecords()
{
    projectRecords = makeProjectRecords(deviceRecords, settings->projectNames.mid(0, projectCount),
                                        settings->planStart, settings->planEnd, channelRows,
                                        QDateTime::currentDateTime().toString(timeFormat));
}

bool ParametersOnLine::buildChannelRows(int device, QList<ChannelRecord> &rows) const
{
    rows.clear();
    if (device < 0 || device >= channelConfigs.size())
        return false;
    // Refused (no records) when the configuration has no channels or per-channel lists that
    // are shorter than its channel count: padding them would set channels up with empty texts.
    return buildChannelRecords(channelConfigs.at(device), rows);
}

bool ParametersOnLine::saveProjectRecords(const QList<ParametersRecord> &records)
{
    // All projects or none: a run whose samples have no project row is invisible to reports.
    return runInTransaction([&records] {
        for (const ParametersRecord &record : records)
            if (!insertParameters(record))
                return false;
        return true;
    });
}

// ---- set-up worker ---------------------------------------------------------------------------

void ParametersOnLine::setupDevices()
{
    emit Information_signals(tr("采集设备信息设置中..."));
    QString text = tr("设备设置成功！");
    bool ok = true;
    const QString scanRate = deviceRecords.isEmpty() ? QString() : deviceRecords.first().scanRate;
    // Every instrument's channel records first: a configuration that cannot be handed to a
    // driver refuses the run before any instrument is opened or set up.
    QList<QList<ChannelRecord>> records;
    for (int i = 0; i < deviceCount; ++i) {
        QList<ChannelRecord> rows;
        if (!buildChannelRows(i, rows)) {
            ok = false;
            text = tr("设备%1的通道配置“%2”不完整，请先选择配置文件！")
                       .arg(QString::number(i + 1), channelConfigs.value(i).Name);
            break;
        }
        records.append(rows);
    }
    for (int i = 0; ok && i < deviceCount; ++i) {
        if (stopRequested) {
            ok = false;
            text = tr("手动停止采集！");
            break;
        }
        Collection *driver = drivers[i];
        const AcquisitionDeviceRecord &device = deviceRecords.at(i);
        if (!driver || !driver->open(device.signalMode, device.ipCom, device.portBaudRate)) {
            ok = false;
            text = tr("设备连接失败,请退出重试！");
            break;
        }
        if (!driver->configureChannels(scanRate, records.at(i))) {
            ok = false;
            // The driver's own check names a channel whose texts it could not send.
            QString error;
            const bool named = !driver->checkChannels(records.at(i), error) && !error.isEmpty();
            text = named ? error : tr("通道设置失败,请退出重试!");
            break;
        }
        delayMs(100);
    }

    emit Information_signals(tr("开始等待中..."));
    delayMs(10);
    // A planned start that is not a valid time starts at once.
    while (startTime.isValid() && QDateTime::currentDateTime().msecsTo(startTime) >= 0) {
        if (stopRequested) {
            ok = false;
            text = tr("手动停止采集！");
            break;
        }
        delayMs(10);
    }
    if (stopRequested && ok) {
        ok = false;
        text = tr("手动停止采集！");
    }
    emit SetDialog_signals(ok, text);
    setupRunning = false;
}

void ParametersOnLine::SetDialog_slots(bool ok, QString text)
{
    if (tearingDown)
        return;
    if (waiting) {
        waiting->close();
        delete waiting;
        waiting = nullptr;
    }
    if (setupThread.joinable())
        setupThread.join();   // it has emitted its last signal and is returning
    if (ok) {
        if (!saveProjectRecords(projectRecords)) {
            QMessageBox::information(this, titleInfo, tr("数据保存失败！"));
            ui->pushButton_OK->setText(tr("结束"));
            return;
        }
        recordsSaved = true;
        acquisitionRunning = true;
        acquisitionThread = std::thread([this] { acquisitionLoop(); });
    } else {
        QMessageBox::information(this, titleInfo, text);
        ui->pushButton_OK->setText(tr("结束"));
    }
}

// ---- acquisition worker ----------------------------------------------------------------------

void ParametersOnLine::acquisitionLoop()
{
    const QString connection = acquisitionConnectionName();
    if (!openDatabaseConnection(connection)) {
        closeDatabaseConnection(connection);
        emit Information_signals(QStringLiteral("打开数据库失败！"));
        setRunState(tr("结束"));
        acquisitionRunning = false;
        return;
    }

    // The run's commits never wait for a reader such as a backup copying the file.
    useWriteAheadLog(connection);

    startTime = QDateTime::currentDateTime();
    emit Information_signals(startTime.toString(timeFormat) + tr(" 采集中..."));

    // Sample i is due at the start plus i intervals, so the poll steps do not add up over a
    // run. A sample whose reads took longer than the interval is followed at once by the next;
    // once a whole interval is missed the schedule restarts from there (missed samples are not
    // caught up).
    QElapsedTimer clock;
    clock.start();
    qint64 deadline = 0;
    for (qint64 i = 0; i < plannedSamples; ++i) {
        const qint64 now = clock.elapsed();
        if (now - deadline >= intervalMs)
            deadline = now;
        deadline += intervalMs;
        const QDateTime t = QDateTime::currentDateTime();
        QStringList values;
        bool ok = readAllDevices(values);
        if (!ok)
            ok = recoverRead(values);
        if (!ok)
            break;
        storeSample(i, t, values);

        bool stop = false;
        for (;;) {
            if (stopRequested) {
                stop = true;
                break;
            }
            if (clock.elapsed() >= deadline)
                break;
            delayMs(1);
        }
        if (stop)
            break;
    }

    closeDatabaseConnection(connection);
    closeConnected();
    setRunState(tr("结束"));
    if (!stopRequested)
        emit Information_signals(tr("采集结束。"));
    acquisitionRunning = false;
}

bool ParametersOnLine::readAllDevices(QStringList &values)
{
    values.clear();
    for (int i = 0; i < deviceCount; ++i) {
        if (stopRequested)
            return true;   // the sample is dropped as stopped; no instrument is left waiting
        if (!drivers[i] || !drivers[i]->requestValues())
            return false;
    }
    for (int i = 0; i < deviceCount; ++i) {
        QStringList part;
        if (!drivers[i]->fetchValues(part))
            return false;
        if (part.size() != valuesPerDevice.value(i)) {
            // Values of the wrong count would land on other channels: a failed read.
            qDebug() << "instrument" << i + 1 << "gave" << part.size() << "values for"
                     << valuesPerDevice.value(i) << "channels";
            return false;
        }
        values.append(part);
        if (stopRequested)
            return true;
    }
    return true;
}

bool ParametersOnLine::pause(qint64 ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return !stopRequested;
        delayMs(qMin<qint64>(left, recoveryStepMs));
        if (stopRequested)
            return false;
    }
}

bool ParametersOnLine::openAll()
{
    for (int i = 0; i < deviceCount; ++i) {
        if (stopRequested || !drivers[i])
            return false;
        const AcquisitionDeviceRecord &device = deviceRecords.at(i);
        if (!drivers[i]->open(device.signalMode, device.ipCom, device.portBaudRate))
            return false;
    }
    return true;
}

void ParametersOnLine::closeConnected()
{
    for (int i = 0; i < deviceCount; ++i)
        if (drivers[i] && drivers[i]->isConnected())
            drivers[i]->close();
}

bool ParametersOnLine::recoverRead(QStringList &values)
{
    values.clear();
    if (stopRequested)
        return false;
    emit SaveAuditLog_signals(tr("数据获取失败。"));
    if (readAllDevices(values))
        return !stopRequested;

    emit SaveAuditLog_signals(tr("设备重新连接。"));
    closeConnected();
    if (!pause(recoveryPauseMs.load()))
        return false;
    bool reconnected = false;
    if (openAll()) {
        if (stopRequested)
            return false;
        emit SaveAuditLog_signals(tr("设备连接成功。"));
        reconnected = readAllDevices(values);
        if (reconnected)
            return !stopRequested;
    }

    // Manual reconnect: the operator fixes the link and chooses "继续".
    for (;;) {
        if (stopRequested)
            return false;
        emit SaveAuditLog_signals(tr("进入手动重连模式！"));
        closeConnected();
        manualWait = true;
        setRunState(tr("继续"));
        emit MessageBox_signals(titleInfo, tr("通讯异常，请设备关机重试！"));
        while (manualWait) {
            if (stopRequested)
                return false;
            delayMs(manualWaitStepMs);
        }
        const bool opened = openAll();
        values.clear();
        if (!opened)
            continue;
        setRunState(tr("停止"));
        if (readAllDevices(values))
            break;
    }
    if (stopRequested)
        return false;
    emit SaveAuditLog_signals(tr("手动重连成功！"));
    return true;
}

void ParametersOnLine::storeSample(qint64 index, const QDateTime &t, const QStringList &values)
{
    Q_UNUSED(index)
    lastSampleTime = t;
    if (stopRequested || values.size() != channelCount)
        return;

    OnlineSample sample;
    sample.time = t;
    if (!splitSampleByProject(values, channelRows, projectCount, sample.projectValues))
        return;

    // The rows of one sample go in one transaction: every project, or none.
    const QList<ParametersDataRow> rows = makeSampleRows(projectRecords, t, sample.projectValues);
    if (!insertParametersDataBatch(rows, acquisitionConnectionName())) {
        qDebug() << "sample not stored:" << t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        return;
    }

    QMutexLocker lock(&sampleMutex);
    sampleQueue.append(sample);
}

// ---- GUI thread ------------------------------------------------------------------------------

void ParametersOnLine::Display_slots()
{
    OnlineSample sample;
    {
        QMutexLocker lock(&sampleMutex);
        if (sampleQueue.isEmpty())
            return;
        sample = sampleQueue.takeLast();
        sampleQueue.clear();   // older samples are stored already; only the newest is shown
    }
    if (projectCount < 1 || sample.projectValues.size() != projectCount)
        return;
    QList<QList<double>> numbers;
    for (int p = 0; p < projectCount; ++p) {
        numbers.append(stringListToDoubleList(sample.projectValues.at(p)));
        charts[p]->showSample(sample.time, numbers.at(p));
        statistics[p]->appendRow(sample.time, numbers.at(p));
    }
    // The alarm entries of one tick go in one transaction: all of them, or none when one
    // cannot be written. It begins after the drawing, so that the write lock, which the
    // acquisition worker's inserts wait for, is held only while the entries are written.
    DatabaseTransaction transaction;
    bool logged = true;
    for (int p = 0; p < projectCount; ++p)
        logged = charts[p]->checkAlarms(numbers.at(p)) && logged;
    if (!logged)
        qDebug() << "alarm entries of" << sample.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"))
                 << "not stored";
    if (logged && transaction.isActive())
        transaction.commit();
}

void ParametersOnLine::Information_slots(QString text)
{
    ui->lineEdit_Information->setText(text);
}

void ParametersOnLine::SaveAuditLog_slots(QString text)
{
    addAuditLog(tr("通讯异常"), text);
}

void ParametersOnLine::MessageBox_slots(QString title, QString text)
{
    if (tearingDown)
        return;
    QMessageBox::information(this, title, text);
}

void ParametersOnLine::setRunState(const QString &text)
{
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (!tearingDown)
                ui->pushButton_OK->setText(text);
        },
        Qt::QueuedConnection);
}

void ParametersOnLine::requestStop()
{
    stopRequested = true;
    ui->lineEdit_Information->setText(tr("提前终止采集。"));
}

void ParametersOnLine::continueReconnect()
{
    manualWait = false;
}

void ParametersOnLine::pt_OK_clicked()
{
    const QString state = ui->pushButton_OK->text();
    if (state == tr("结束")) {
        accept();
    } else if (state == tr("停止")) {
        QMessageBox box(QMessageBox::Warning, titleInfo, tr("是否停止数据采集？"),
                        QMessageBox::NoButton, this);
        QPushButton *yes = box.addButton(tr("确定"), QMessageBox::AcceptRole);
        box.addButton(tr("取消"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() == yes)
            requestStop();
    } else if (state == tr("继续")) {
        QMessageBox box(QMessageBox::Warning, titleInfo, tr("是否终止项目？"),
                        QMessageBox::NoButton, this);
        QPushButton *end = box.addButton(tr("终止"), QMessageBox::DestructiveRole);
        QPushButton *resume = box.addButton(tr("继续"), QMessageBox::AcceptRole);
        box.addButton(tr("取消"), QMessageBox::RejectRole);
        box.exec();
        if (box.clickedButton() == end)
            requestStop();
        else if (box.clickedButton() == resume)
            continueReconnect();
    }
}

void ParametersOnLine::closeEvent(QCloseEvent *event)
{
    if (ui->pushButton_OK->text() == tr("结束")) {
        QDialog::closeEvent(event);
        return;
    }
    QMessageBox::information(this, titleInfo, tr("正在采集中，请先结束！"));
    event->ignore();
}

void ParametersOnLine::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- end of the window -----------------------------------------------------------------------

void ParametersOnLine::shutDown()
{
    tearingDown = true;
    if (displayTimer)
        displayTimer->stop();
    stopRequested = true;
    manualWait = false;
    // The workers may be inside an instrument call whose replies arrive on this thread.
    waitDeliveringEvents([this] { return !setupRunning.load() && !acquisitionRunning.load(); });
    if (setupThread.joinable())
        setupThread.join();
    if (acquisitionThread.joinable())
        acquisitionThread.join();

    bool anyOpen = false;
    for (int i = 0; i < deviceCount; ++i)
        anyOpen = anyOpen || (drivers[i] && drivers[i]->isConnected());
    if (anyOpen) {
        // A close waits for the link report, which only this thread's event loop delivers.
        std::atomic<bool> closed{false};
        std::thread closer([this, &closed] {
            closeConnected();
            closed = true;
        });
        waitDeliveringEvents([&closed] { return closed.load(); });
        closer.join();
    }
    delete waiting;
    waiting = nullptr;
}
