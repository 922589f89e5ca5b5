#include "ParametersOnLine.h"
#include "ui_ParametersOnLine.h"

#include <QCloseEvent>
#include <QDebug>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMutexLocker>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
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
#include "SampleRows.h"
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
    writePendingLog();
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

void ParametersOnLine::setUnsavedLimit(qint64 ms)
{
    unsavedLimitMs = qMax<qint64>(0, ms);
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
    projectRecords = makeProjectRecords(deviceRecords, plan->projectNames.mid(0, projectCount),
                                        plan->planStart, plan->planEnd, channelRows,
                                        QDateTime::currentDateTime().toString(timeFormat));
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
        connect(charts[p], &ParametersChart::MailResult_signals, this,
                &ParametersOnLine::MailResult_slots);
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
    channelRecords = records;
    for (int i = 0; ok && i < deviceCount; ++i) {
        if (stopRequested) {
            ok = false;
            text = tr("手动停止采集！");
            break;
        }
        bool opened = false;
        if (!openAndConfigure(i, &opened)) {
            ok = false;
            // The second line names the instrument, so that the operator knows which to see to.
            const AcquisitionDeviceRecord &device = deviceRecords.at(i);
            text = (opened ? tr("通道设置失败,请退出重试!") : tr("设备连接失败,请退出重试！"))
                + QLatin1Char('\n')
                + tr("设备：%1，序列号：%2").arg(device.model, device.serialNumber);
            // A channel the driver refused before sending it is named on a third line.
            const QString refusal = drivers[i] && opened ? drivers[i]->setupRefusal() : QString();
            if (!refusal.isEmpty())
                text += QLatin1Char('\n') + refusal;
        }
    }
    if (!ok) {
        // A failed set-up is said at once, not at the planned start.
        emit SetDialog_signals(false, text);
        setupRunning = false;
        return;
    }

    // The set-up is done: the waiting box goes, and the run button can stop the wait.
    QMetaObject::invokeMethod(this, [this] { closeWaitingBox(); }, Qt::QueuedConnection);
    emit Information_signals(tr("开始等待中..."));
    delayMs(10);
    // A planned start that is not a valid time starts at once.
    while (startTime.isValid() && QDateTime::currentDateTime().msecsTo(startTime) >= 0) {
        if (stopRequested)
            break;
        delayMs(10);
    }
    if (stopRequested) {
        ok = false;
        text = tr("手动停止采集！");
    }
    emit SetDialog_signals(ok, text);
    setupRunning = false;
}

bool ParametersOnLine::openAndConfigure(int device, bool *opened)
{
    if (opened)
        *opened = false;
    Collection *driver = drivers[device];
    const AcquisitionDeviceRecord &record = deviceRecords.at(device);
    if (!driver || !driver->open(record.signalMode, record.ipCom, record.portBaudRate))
        return false;
    if (opened)
        *opened = true;
    if (!driver->configureChannels(setupScanRate(device), channelRecords.value(device)))
        return false;
    delayMs(100);
    return true;
}

QString ParametersOnLine::setupScanRate(int device) const
{
    // Every instrument is set up with the first instrument's scan rate, unless its model does
    // not offer that rate (another model's word, which it would refuse): then with its own.
    const QString first = deviceRecords.isEmpty() ? QString() : deviceRecords.first().scanRate;
    Collection *driver = drivers[device];
    if (device == 0 || !driver || driver->scanRateList().contains(first))
        return first;
    return deviceRecords.at(device).scanRate;
}

void ParametersOnLine::closeWaitingBox()
{
    QWaiting::dismiss(waiting);
}

void ParametersOnLine::SetDialog_slots(bool ok, QString text)
{
    if (tearingDown)
        return;
    closeWaitingBox();
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
        // The information line leaves the set-up state: it says why the run did not start.
        ui->lineEdit_Information->setText(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
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
    // The run's commits never wait for a reader such as a backup copying the file, and a
    // commit held off by another writer gives up within half an interval: its rows stay queued
    // and go with a later one.
    useWriteAheadLog(connection);
    setBusyTimeout(static_cast<int>(qBound<qint64>(20, intervalMs / 2, 5000)), connection);

    startTime = QDateTime::currentDateTime();
    emit Information_signals(runningText());
    const qint64 unsavedLimit =
        qMax<qint64>(1, (unsavedLimitMs.load() + intervalMs - 1) / intervalMs);

    // Sample i is due at the start plus i intervals, so the poll steps do not add up over a
    // run. A sample whose reads took longer than the interval is followed at once by the next;
    // once a whole interval is missed the schedule restarts from there (missed samples are not
    // caught up).
    QElapsedTimer clock;
    clock.start();
    qint64 deadline = 0;
    bool storeGaveUp = false;
    for (qint64 i = 0; i < plannedSamples; ++i) {
        const qint64 now = clock.elapsed();
        if (now - deadline >= intervalMs)
            deadline = now;
        deadline += intervalMs;
        QDateTime t;
        QStringList values;
        bool ok = readAllDevices(values, t);
        if (!ok) {
            ok = recoverRead(values, t);
            // The recovered sample is stamped with the read that gave it; the next one follows
            // an interval after it, not at once.
            deadline = clock.elapsed() + intervalMs;
        }
        if (!ok)
            break;
        storeSample(i, t, values);
        if (unsavedSamples > unsavedLimit) {
            storeGaveUp = true;
            break;
        }

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

    // Rows still queued get a few last chances before the run ends.
    for (int attempt = 0; !storeGaveUp && !unsavedRows.isEmpty() && attempt < 3; ++attempt) {
        if (attempt > 0)
            delayMs(500);
        flushUnsaved(true);
    }
    closeDatabaseConnection(connection);
    closeConnected();
    setRunState(tr("结束"));
    if (storeGaveUp) {
        const QString text = tr("数据库十分钟内无法保存数据（%1），采集已停止，%2组数据未能保存！")
                                 .arg(storeError)
                                 .arg(unsavedSamples);
        qWarning().noquote() << text;
        emit Information_signals(text);
        emit MessageBox_signals(titleInfo, text);
    } else if (!unsavedRows.isEmpty()) {
        const QString text = tr("采集结束，%1组数据未能保存（%2）！").arg(unsavedSamples).arg(storeError);
        qWarning().noquote() << text;
        emit Information_signals(text);
        emit MessageBox_signals(titleInfo, text);
    } else if (!stopRequested) {
        emit Information_signals(tr("采集结束。"));
    }
    acquisitionRunning = false;
}

QString ParametersOnLine::runningText() const
{
    if (storeRefused)
        return tr("数据保存失败：%1，数据暂存，每次采集时重试。").arg(storeError);
    return startTime.toString(timeFormat) + tr(" 采集中...");
}

bool ParametersOnLine::readAllDevices(QStringList &values, QDateTime &t)
{
    values.clear();
    // The sample's time: taken before this attempt, the one whose values are kept.
    t = QDateTime::currentDateTime();
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
    // An instrument that was switched off is back in its power-on state: each is set up again,
    // as at the start of the run, before it is read.
    for (int i = 0; i < deviceCount; ++i) {
        if (stopRequested || !openAndConfigure(i))
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

void ParametersOnLine::recoveryStep(const QString &text)
{
    emit SaveAuditLog_signals(text);
    emit Information_signals(text);
}

bool ParametersOnLine::recoverRead(QStringList &values, QDateTime &t)
{
    values.clear();
    if (stopRequested)
        return false;
    recoveryStep(tr("数据获取失败。"));
    if (readAllDevices(values, t)) {
        emit Information_signals(runningText());
        return !stopRequested;
    }

    recoveryStep(tr("设备重新连接。"));
    closeConnected();
    setLinksUp(false);
    if (!pause(recoveryPauseMs.load()))
        return false;
    if (openAll()) {
        if (stopRequested)
            return false;
        emit SaveAuditLog_signals(tr("设备连接成功。"));
        if (readAllDevices(values, t)) {
            setLinksUp(true);
            emit Information_signals(runningText());
            return !stopRequested;
        }
    }

    // Manual reconnect: the operator fixes the link and chooses "继续".
    for (;;) {
        if (stopRequested)
            return false;
        recoveryStep(tr("进入手动重连模式！"));
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
        if (readAllDevices(values, t))
            break;
    }
    if (stopRequested)
        return false;
    emit SaveAuditLog_signals(tr("手动重连成功！"));
    setLinksUp(true);
    emit Information_signals(runningText());
    return true;
}

void ParametersOnLine::storeSample(qint64 index, const QDateTime &t, const QStringList &values)
{
    Q_UNUSED(index)
    lastSampleTime = t;
    QList<QStringList> projectValues;
    if (stopRequested || !splitSampleByProject(values, channelRows, projectCount, projectValues))
        return;

    OnlineSample sample;
    sample.time = t;
    sample.projectValues = projectValues;
    {
        QMutexLocker lock(&sampleMutex);
        sampleQueue.append(sample);
    }
    // The sample's rows join the queue of rows not yet stored, behind every older one; the
    // queue is stored in order, each sample's rows all together or not at all.
    unsavedRows.append(makeSampleRows(projectRecords, t, projectValues));
    ++unsavedSamples;
    flushUnsaved(false);
}

bool ParametersOnLine::flushUnsaved(bool untilEmpty)
{
    // Within a slice of the interval per sample, so that a long queue does not hold the next
    // reads up; at least one attempt.
    QElapsedTimer clock;
    clock.start();
    const qint64 budget = qMax<qint64>(20, intervalMs / 2);
    const int rowsPerSample = qMax(1, projectCount);
    do {
        const int samples = qMin(unsavedSamples, maxSamplesPerCommit);
        const QList<ParametersDataRow> rows = unsavedRows.mid(0, samples * rowsPerSample);
        QString error;
        if (!insertParametersDataBatch(rows, acquisitionConnectionName(), &error)) {
            if (!storeRefused) {
                storeRefused = true;
                storeError = error;
                const QString text = runningText();
                qWarning().noquote() << text;
                emit Information_signals(text);
                logEntry(tr("存储异常"), text);
            }
            storeError = error;
            return false;
        }
        unsavedRows.erase(unsavedRows.begin(), unsavedRows.begin() + rows.size());
        unsavedSamples -= samples;
    } while (unsavedSamples > 0 && (untilEmpty || clock.elapsed() < budget));
    if (storeRefused && unsavedSamples == 0) {
        storeRefused = false;
        const QString text = tr("暂存数据已全部保存。");
        qWarning().noquote() << text;
        logEntry(tr("存储异常"), text);
        emit Information_signals(runningText());
    }
    return unsavedSamples == 0;
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
        sampleQueue.clear();   // only the newest is shown; the worker stores every one
    }
    writePendingLog();
    if (projectCount < 1 || sample.projectValues.size() != projectCount)
        return;
    QList<QList<double>> numbers;
    bool alarmDue = false;
    for (int p = 0; p < projectCount; ++p) {
        // A value text that is not a finite number is missing (NaN): shown empty, a gap in its
        // curve, left out of the statistics and of the alarm checks; never 0.
        QList<double> values;
        for (const QString &text : sample.projectValues.at(p))
            values.append(storedSampleValue(text));
        numbers.append(values);
        charts[p]->showSample(sample.time, numbers.at(p));
        statistics[p]->appendRow(sample.time, numbers.at(p));
        alarmDue = alarmDue || charts[p]->alarmDue(numbers.at(p));
    }
    if (!alarmDue)
        return;
    // The alarm entries of one tick go in one transaction: all of them, or none when one
    // cannot be written. It begins after the drawing, and only when an entry is due, so that
    // the write lock, which the acquisition worker's commits wait for, is held only while the
    // entries are written.
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
    writeLogEntry({QDateTime::currentDateTime().toString(timeFormat), tr("通讯异常"), text});
}

void ParametersOnLine::MailResult_slots(bool sent, QString error)
{
    if (sent) {
        // A mail that went ends the failure episode; the line shows what it showed before.
        if (mailFailing && ui->lineEdit_Information->text() == mailFailureText)
            ui->lineEdit_Information->setText(textBeforeMailFailure);
        mailFailing = false;
        return;
    }
    if (mailFailing)
        return;   // said once per episode
    mailFailing = true;
    mailFailureText = tr("报警邮件发送失败：%1").arg(error);
    qWarning().noquote() << mailFailureText;
    writeLogEntry({QDateTime::currentDateTime().toString(timeFormat), tr("邮件异常"),
                   mailFailureText});
    textBeforeMailFailure = ui->lineEdit_Information->text();
    ui->lineEdit_Information->setText(mailFailureText);
}

void ParametersOnLine::logEntry(const QString &type, const QString &details)
{
    const AuditLogRecord entry{QDateTime::currentDateTime().toString(timeFormat), type, details};
    QMetaObject::invokeMethod(this, [this, entry] { writeLogEntry(entry); },
                              Qt::QueuedConnection);
}

void ParametersOnLine::writeLogEntry(const AuditLogRecord &entry)
{
    // An entry the database refuses now (a full disk) is kept, with its time, and written at a
    // later display tick.
    pendingLog.append(entry);
    writePendingLog();
}

void ParametersOnLine::writePendingLog()
{
    while (!pendingLog.isEmpty()) {
        const AuditLogRecord &entry = pendingLog.first();
        if (!addAuditLogAt(QDateTime::fromString(entry.time, timeFormat), entry.type,
                           entry.details))
            return;
        pendingLog.removeFirst();
    }
}

void ParametersOnLine::setLinksUp(bool up)
{
    QMetaObject::invokeMethod(
        this,
        [this, up] {
            if (!settings)
                return;
            // The instruments of a link that is down are not shown as connected (nor offered
            // for a new run) until it is up again.
            if (!up) {
                for (const AcquisitionDeviceRecord &planned : qAsConst(deviceRecords)) {
                    for (int i = settings->devices.size() - 1; i >= 0; --i) {
                        if (settings->devices.at(i).number == planned.number)
                            linksDown.append(settings->devices.takeAt(i));
                    }
                }
            } else {
                settings->devices.append(linksDown);
                linksDown.clear();
            }
        },
        Qt::QueuedConnection);
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
