#include "ParametersImport.h"
#include "ui_ParametersImport.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSqlDatabase>

#include "ChannelRecords.h"
#include "Collection.h"
#include "Database.h"
#include "ProjectRows.h"
#include "QWaiting.h"
#include "Registry.h"
#include "SystemSettings.h"

namespace {

const QString timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// The import worker's own connection.
const QString importConnection = QStringLiteral("Import");
// The longest step accepted (about 31 years), so that no sum of seconds leaves its range.
constexpr qint64 longestStep = qint64(1000) * 1000 * 1000;

} // namespace

ParametersImport::ParametersImport(QWidget *parent)
    : QDialog(parent), ui(new Ui::ParametersImport)
{
    ui->setupUi(this);
    titleInfo = tr("提示");
    titleWarn = tr("警告");
    QLineEdit *edits[6] = {ui->lineEdit_Name1, ui->lineEdit_Name2, ui->lineEdit_Name3,
                           ui->lineEdit_Name4, ui->lineEdit_Name5, ui->lineEdit_Name6};
    std::copy(edits, edits + 6, nameEdits);
    connect(this, &ParametersImport::Import_signals, this, &ParametersImport::Import_slots,
            Qt::QueuedConnection);
}

ParametersImport::~ParametersImport()
{
    stopRequested = true;
    waitForWorker();
    for (Collection *&driver : drivers) {
        delete driver;
        driver = nullptr;
    }
    delete waiting;
    delete ui;
}

qint64 ParametersImport::sampleStep(double scanInterval)
{
    if (!(scanInterval >= 1.0))   // also NaN
        return 1;
    if (scanInterval >= double(longestStep))
        return longestStep;
    return qint64(scanInterval);
}

void ParametersImport::setSettings(SystemSettings *plan)
{
    if (settings || !plan)
        return;
    settings = plan;
    devices = plan->planDevices.mid(0, 6);
    configs = plan->planChannelConfigs;
    channels = plan->planChannels;
    deviceCount = devices.size();
    projectCount = qMin(plan->projectNames.size(), 3);
    stepSeconds = sampleStep(devices.isEmpty() ? 0.0 : devices.first().scanInterval);
    start = QDateTime::fromString(plan->planStart, timeFormat);
    end = QDateTime::fromString(plan->planEnd, timeFormat);

    valuesPerDevice = channelsPerDevice(channels, deviceCount);

    projectRecords = makeProjectRecords(devices, plan->projectNames.mid(0, projectCount),
                                        plan->planStart, plan->planEnd, channels,
                                        QDateTime::currentDateTime().toString(timeFormat));
    for (int i = 0; i < deviceCount; ++i)
        drivers[i] = createCollection(devices.at(i).model);

    QPushButton *buttons[6] = {ui->pushButton_Choice1, ui->pushButton_Choice2,
                               ui->pushButton_Choice3, ui->pushButton_Choice4,
                               ui->pushButton_Choice5, ui->pushButton_Choice6};
    for (int i = 1; i < deviceCount; ++i)
        buttons[i]->setEnabled(true);
}

void ParametersImport::chooseFile(int index)
{
    const QString path = QFileDialog::getOpenFileName(this, tr("选择文件"), QStringLiteral("./"),
                                                      QStringLiteral("Text files (*.csv)"));
    if (!path.isEmpty())
        setRecordFile(index, path);
}

void ParametersImport::setRecordFile(int index, const QString &path)
{
    if (index < 0 || index >= 6)
        return;
    paths[index] = path;
    nameEdits[index]->setText(QFileInfo(path).fileName());
}

void ParametersImport::pt_Set1_clicked() { chooseFile(0); }
void ParametersImport::pt_Set2_clicked() { chooseFile(1); }
void ParametersImport::pt_Set3_clicked() { chooseFile(2); }
void ParametersImport::pt_Set4_clicked() { chooseFile(3); }
void ParametersImport::pt_Set5_clicked() { chooseFile(4); }
void ParametersImport::pt_Set6_clicked() { chooseFile(5); }

void ParametersImport::closeRecordFiles(int count)
{
    for (int i = 0; i < count && i < deviceCount; ++i)
        if (drivers[i])
            drivers[i]->closeRecordFile();
}

void ParametersImport::pt_OK_clicked()
{
    if (!settings || importing)
        return;
    for (int i = 0; i < deviceCount; ++i) {
        QList<ChannelRecord> records;
        // A configuration that cannot be handed to a driver fits no record file.
        if (drivers[i])
            drivers[i]->setRecordStep(stepSeconds);
        const bool opened = drivers[i] && i < configs.size()
            && buildChannelRecords(configs.at(i), records)
            && drivers[i]->openRecordFile(paths[i], records);
        if (!opened) {
            closeRecordFiles(i);
            QMessageBox::information(this, titleWarn, tr("未检测到通道！"));
            return;
        }
    }

    // The worker writes over a connection of its own on the file the program works on.
    const QString databaseFile = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection),
                                                        false)
                                     .databaseName();
    waiting = new QWaiting(this);
    waiting->setText(tr("数据导入中，请稍等..."));
    waiting->show();
    stopRequested = false;
    importing = true;
    worker = std::thread([this, databaseFile] { runImport(databaseFile); });
}

void ParametersImport::runImport(const QString &databaseFile)
{
    bool ok = false;
    QString message = tr("数据保存失败！");
    // No file name would open a temporary database that vanishes with the connection.
    if (!databaseFile.isEmpty() && openDatabaseConnection(importConnection, databaseFile)) {
        DatabaseTransaction transaction(importConnection);
        if (transaction.isActive() && importRecords(importConnection, message)) {
            message = tr("数据保存失败！");
            ok = saveProjectRecords(importConnection) && !stopRequested && transaction.commit();
        }
        // Anything not committed is rolled back here, before the connection closes.
    }
    closeDatabaseConnection(importConnection);
    emit Import_signals(ok, ok ? tr("数据保存成功！") : message);
    importing = false;
}

bool ParametersImport::importRecords(const QString &connection, QString &message)
{
    const qint64 span = start.isValid() && end.isValid() ? start.secsTo(end) : 0;
    const qint64 steps = span > 0 ? span / stepSeconds : 0;
    if (steps < 1)
        return true;   // nothing to read; the projects are still stored

    ParametersDataWriter writer(connection);
    if (!writer.isReady()) {
        message = tr("采集数据保存失败！");
        return false;
    }
    // Sample times step in a fixed offset from UTC, the planned start's: the clock reading of
    // each time is what the records are matched against and what is stored.
    const QDateTime first(start.date(), start.time(), Qt::OffsetFromUTC, start.offsetFromUtc());
    QStringList values;
    QStringList part;
    QList<QStringList> projectValues;
    for (qint64 k = 0; k < steps; ++k) {
        if (stopRequested)
            return false;
        const QDateTime t = first.addSecs(k * stepSeconds);
        values.clear();
        for (int i = 0; i < deviceCount; ++i) {
            // A record with another value count than the instrument's planned channels would
            // put values on other channels or projects.
            if (!drivers[i]->readRecordAt(t, part) || part.size() != valuesPerDevice.at(i)) {
                qDebug() << "instrument" << i + 1 << "has no record for" << t.toString(timeFormat)
                         << "with" << valuesPerDevice.at(i) << "values:" << part.size();
                message = tr("采集数据不匹配，未能保存数据！");
                return false;
            }
            values.append(part);
        }
        if (!splitSampleByProject(values, channels, projectCount, projectValues)) {
            message = tr("采集数据不匹配，未能保存数据！");
            return false;
        }
        for (const ParametersDataRow &row : makeSampleRows(projectRecords, t, projectValues)) {
            if (!writer.insert(row)) {
                message = tr("采集数据保存失败！");
                return false;
            }
        }
    }
    return true;
}

bool ParametersImport::saveProjectRecords(const QString &connection)
{
    for (const ParametersRecord &record : qAsConst(projectRecords))
        if (!insertParameters(record, connection))
            return false;
    return true;
}

void ParametersImport::waitForWorker()
{
    if (worker.joinable())
        worker.join();
}

void ParametersImport::Import_slots(bool ok, QString text)
{
    waitForWorker();   // it has sent its report and is returning
    if (waiting) {
        waiting->close();
        delete waiting;
        waiting = nullptr;
    }
    closeRecordFiles(deviceCount);
    if (ok) {
        QMessageBox::information(this, titleInfo, text);
        accept();
        return;
    }
    QMessageBox::information(this, titleWarn, text);
}

void ParametersImport::closeEvent(QCloseEvent *event)
{
    if (importing) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ParametersImport::keyPressEvent(QKeyEvent *event)
{
    if (importing && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
