#include "AcquisitionDevice.h"
#include "ui_AcquisitionDevice.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QMessageBox>
#include <QMetaObject>
#include <QRegExp>
#include <QRegExpValidator>
#include <QTableWidgetItem>

#include "AcquisitionSet.h"
#include "ChannelRecords.h"
#include "ConfigurationTable.h"
#include "Collection.h"
#include "Comm.h"
#include "Database.h"
#include "ParametersTemp.h"
#include "QWaiting.h"
#include "Registry.h"
#include "SystemSettings.h"
#include "Terms.h"

namespace {
const QString serialLink = QStringLiteral("串口");
const QString tcpLink = QStringLiteral("网络");
const QString bluetoothLink = QStringLiteral("蓝牙");
const QString emptyModel = QStringLiteral("空");
const QString greenStyle = QStringLiteral("background-color:rgb(0, 255, 0)");
const QString redStyle = QStringLiteral("background-color:rgb(255, 0, 0)");

QString cellText(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

// The row of the table's selection, or -1.
int selectedRow(const QTableWidget *table)
{
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}
} // namespace

AcquisitionDevice::AcquisitionDevice(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::AcquisitionDevice)
    , connectionStateTexts{tr("已连接"), tr("未连接")}
    , baudRates{QStringLiteral("1200"),  QStringLiteral("2400"),  QStringLiteral("4800"),
                QStringLiteral("9600"),  QStringLiteral("14400"), QStringLiteral("19200"),
                QStringLiteral("38400"), QStringLiteral("56000"), QStringLiteral("57600"),
                QStringLiteral("115200"), QStringLiteral("230400")}
    , promptTitle(tr("提示"))
    , warningTitle(tr("警告"))
    , testSuccessText(tr("设备测试成功！"))
{
    ui->setupUi(this);

    connect(ui->comboBox_Mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { cb_Mode_clicked(ui->comboBox_Mode->currentText()); });
    connect(ui->comboBox_Communication, QOverload<int>::of(&QComboBox::currentIndexChanged),
            this, [this](int) { cb_Communication_clicked(ui->comboBox_Communication->currentText()); });
    connect(ui->pushButton_Set, &QPushButton::clicked, this, &AcquisitionDevice::pt_Set_clicked);
    connect(ui->pushButton_Test, &QPushButton::clicked, this, &AcquisitionDevice::pt_Test_clicked);
    connect(ui->pushButton_Delete, &QPushButton::clicked, this,
            &AcquisitionDevice::pt_Delete_clicked);
    connect(ui->pushButton_Save, &QPushButton::clicked, this, &AcquisitionDevice::pt_Save_clicked);
    connect(ui->tableWidget_AcquisitionList, &QTableWidget::cellDoubleClicked, this,
            &AcquisitionDevice::tw_Acquisition_doubleClicked);

    // Whatever identifies the instrument or its link was tested as it stood: any edit of it
    // makes the instrument untested again.
    connect(ui->lineEdit_SerialNumber, &QLineEdit::textChanged, this,
            &AcquisitionDevice::markUntested);
    connect(ui->lineEdit_Com, &QLineEdit::textChanged, this, &AcquisitionDevice::markUntested);
    connect(ui->lineEdit_BaudRate, &QLineEdit::textChanged, this,
            &AcquisitionDevice::markUntested);
    connect(ui->comboBox_Com, &QComboBox::currentTextChanged, this,
            &AcquisitionDevice::markUntested);
    connect(ui->comboBox_BaudRate, &QComboBox::currentTextChanged, this,
            &AcquisitionDevice::markUntested);
    connect(ui->comboBox_Communication, &QComboBox::currentTextChanged, this,
            &AcquisitionDevice::markUntested);

    QTableWidget *configs = ui->tableWidget_ChannelList;
    configs->setColumnCount(2);
    configs->setHorizontalHeaderLabels({tr("名称"), tr("时间")});
    configs->setStyleSheet(
        QStringLiteral("QTableWidget::item:selected { background-color: rgb(0, 255, 0) }"));
    configs->verticalHeader()->setVisible(false);
    configs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    configs->setSelectionBehavior(QAbstractItemView::SelectRows);
    configs->setSelectionMode(QAbstractItemView::SingleSelection);
    configs->horizontalHeader()->setStretchLastSection(true);

    QTableWidget *instruments = ui->tableWidget_AcquisitionList;
    instruments->setColumnCount(10);
    instruments->setHorizontalHeaderLabels({tr("序号"), tr("连接状态"), tr("设备型号"),
                                            tr("序列号"), tr("扫描间隔"), tr("采集速率"),
                                            tr("配置文件"), tr("通讯类型"),
                                            QStringLiteral("IP/Com"),
                                            QStringLiteral("Baud/Port")});
    instruments->verticalHeader()->setVisible(false);
    instruments->setEditTriggers(QAbstractItemView::NoEditTriggers);
    instruments->setSelectionBehavior(QAbstractItemView::SelectRows);
    instruments->setSelectionMode(QAbstractItemView::SingleSelection);

    ui->comboBox_Mode->addItems(enabledAcquisitionModels());

    ui->comboBox_BaudRate->addItems(baudRates);
    ui->comboBox_BaudRate->setCurrentText(QStringLiteral("9600"));

    ui->lineEdit_Interval->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[0-9.]+$")), ui->lineEdit_Interval));
    ui->lineEdit_BaudRate->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("^[1-9][0-9]+$")), ui->lineEdit_BaudRate));
    ui->lineEdit_Com->setValidator(new QRegExpValidator(
        QRegExp(QStringLiteral("^((2[0-4]\\d|25[0-5]|[01]?\\d\\d?)\\.){3}"
                               "(2[0-4]\\d|25[0-5]|[01]?\\d\\d?)$")),
        ui->lineEdit_Com));

    connect(this, &AcquisitionDevice::SetDialog_signals, this, &AcquisitionDevice::SetDialog_slots,
            Qt::QueuedConnection);

    // The form starts untested.
    setIndicator(false);
}

AcquisitionDevice::~AcquisitionDevice()
{
    // A running test still talks to the instrument through this page's driver: it is stopped
    // and waited for before the driver goes; its report goes nowhere. A report queued before
    // the disconnect is still delivered while the page waits: it is dropped by the flag.
    m_closing = true;
    disconnect(this, &AcquisitionDevice::SetDialog_signals, nullptr, nullptr);
    m_worker.stopAndFinish();
    delete waiting;
    waiting = nullptr;
    delete m_collection;
    m_collection = nullptr;
    delete ui;
}

void AcquisitionDevice::setSettings(SystemSettings *settings)
{
    m_settings = settings;
    refreshInstrumentTable();
}

bool AcquisitionDevice::buildChannelRecords(QList<ChannelRecord> &out) const
{
    return ::buildChannelRecords(m_currentConfig, out);
}

bool AcquisitionDevice::isNotRunning() const
{
    return !m_worker.isRunning();
}

void AcquisitionDevice::closeEvent(QCloseEvent *event)
{
    if (m_worker.isRunning()) {
        event->ignore();
        QMessageBox::warning(this, warningTitle, tr("设备测试中，请稍候！"));
        return;
    }
    QWidget::closeEvent(event);
}

bool AcquisitionDevice::refuseWhileRunning()
{
    if (!m_worker.isRunning())
        return false;
    QMessageBox::warning(this, warningTitle, tr("设备测试中，请稍候！"));
    return true;
}

// ---- the instrument table ------------------------------------------------------------------

void AcquisitionDevice::refreshInstrumentTable()
{
    QTableWidget *table = ui->tableWidget_AcquisitionList;
    table->setRowCount(0);
    selectAcquisitionDevice(m_storedDevices, QString());
    for (const AcquisitionDeviceRecord &record : qAsConst(m_storedDevices)) {
        bool tested = false;
        if (m_settings) {
            for (const AcquisitionDeviceRecord &device : qAsConst(m_settings->devices)) {
                if (device.number == record.number) {
                    tested = true;
                    break;
                }
            }
        }
        const int row = table->rowCount();
        table->insertRow(row);
        const QStringList cells{QString::number(record.number),
                                connectionStateTexts.at(tested ? 0 : 1),
                                record.model,
                                record.serialNumber,
                                QString::number(record.scanInterval, 'g', 6),
                                translateTerm(record.scanRate),
                                record.channelConfig,
                                translateTerm(record.signalMode),
                                record.ipCom,
                                record.portBaudRate};
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(cells.at(column)));
    }
    table->resizeColumnsToContents();
}

void AcquisitionDevice::refreshConfigurationTable(const QString &model)
{
    QList<ChannelConfigData> listed;
    QList<ChannelConfigData> found;
    if (selectChannelConfigByMode(found, emptyModel))
        listed += found;
    // The configurations of the model "空" are listed once, even for that model itself.
    if (model != emptyModel && selectChannelConfigByMode(found, model))
        listed += found;
    showConfigurationTable(ui->tableWidget_ChannelList, listed);
}

// ---- model and link ------------------------------------------------------------------------

void AcquisitionDevice::cb_Mode_clicked(QString model)
{
    if (m_worker.isRunning()) {
        // The running test uses the current driver: keep the model it was made for.
        const QSignalBlocker block(ui->comboBox_Mode);
        ui->comboBox_Mode->setCurrentText(m_model);
        QMessageBox::warning(this, warningTitle, tr("设备测试中，请稍候！"));
        return;
    }
    markUntested();
    delete m_collection;
    m_collection = nullptr;
    m_model = model;

    refreshConfigurationTable(model);

    m_collection = createCollection(model);
    ui->comboBox_Rate->clear();
    if (!m_collection) {
        ui->comboBox_Communication->clear();
        if (!model.isEmpty())
            QMessageBox::warning(this, warningTitle, tr("不支持的设备型号：") + model);
        return;
    }
    ui->comboBox_Rate->addItems(translateList(m_collection->scanRateList()));
    ui->comboBox_Communication->clear();
    ui->comboBox_Communication->addItems(translateList(m_collection->signalModeList()));
}

void AcquisitionDevice::cb_Communication_clicked(QString text)
{
    const QString link = untranslateTerm(text);
    if (link == serialLink)
        showSerialWidgets();
    else if (link == tcpLink)
        showTcpWidgets();
    else if (link == bluetoothLink)
        showBluetoothWidgets();
}

void AcquisitionDevice::showSerialWidgets()
{
    ui->label_Com->setText(tr("串口号："));
    ui->label_BaudRate->setText(tr("波特率："));
    ui->lineEdit_Com->hide();
    ui->lineEdit_BaudRate->hide();
    ui->comboBox_Com->show();
    ui->comboBox_BaudRate->show();
    ui->comboBox_Com->clear();
    ui->comboBox_Com->addItems(availableSerialPorts());
}

void AcquisitionDevice::showTcpWidgets()
{
    ui->label_Com->setText(tr("IP地址："));
    ui->label_BaudRate->setText(tr("端口号："));
    ui->lineEdit_Com->show();
    ui->lineEdit_BaudRate->show();
    ui->comboBox_Com->hide();
    ui->comboBox_BaudRate->hide();
}

void AcquisitionDevice::showBluetoothWidgets()
{
    ui->label_Com->setText(tr("设备名："));
    ui->label_BaudRate->setText(tr("无效："));
    ui->lineEdit_Com->hide();
    ui->lineEdit_BaudRate->hide();
    ui->comboBox_Com->show();
    ui->comboBox_BaudRate->show();
    fillBluetoothNames();
}

void AcquisitionDevice::fillBluetoothNames()
{
    ui->comboBox_Com->clear();
    QStringList names;
    {
        Comm scanner;
        scanner.bleDeviceNames(names);
    }
    ui->comboBox_Com->addItems(names);
}

// ---- the connection indicator ----------------------------------------------------------------

void AcquisitionDevice::setIndicator(bool connected)
{
    ui->pushButton_Connect->setText(connectionStateTexts.at(connected ? 0 : 1));
    ui->pushButton_Connect->setStyleSheet(connected ? greenStyle : redStyle);
}

bool AcquisitionDevice::indicatorConnected() const
{
    return ui->pushButton_Connect->text() != connectionStateTexts.at(1);
}

void AcquisitionDevice::markUntested()
{
    if (!m_loadingRow)
        setIndicator(false);
}

// ---- configurations and the form -------------------------------------------------------------

QString AcquisitionDevice::selectedConfigurationName() const
{
    const int row = selectedRow(ui->tableWidget_ChannelList);
    return row < 0 ? QString() : cellText(ui->tableWidget_ChannelList, row, 0);
}

void AcquisitionDevice::loadConfiguration(const QString &name)
{
    QList<ChannelConfigData> found;
    if (!name.isEmpty() && selectChannelConfig(found, name) && !found.isEmpty())
        m_currentConfig = found.first();
    else
        m_currentConfig = ChannelConfigData();
}

bool AcquisitionDevice::fillFromForm(AcquisitionDeviceRecord &record) const
{
    const QString configuration = selectedConfigurationName();
    if (configuration.isEmpty())
        return false;
    record.scanInterval = ui->lineEdit_Interval->text().toDouble();
    record.scanRate = untranslateTerm(ui->comboBox_Rate->currentText());
    record.signalMode = untranslateTerm(ui->comboBox_Communication->currentText());
    if (record.signalMode == tcpLink) {
        record.ipCom = ui->lineEdit_Com->text();
        record.portBaudRate = ui->lineEdit_BaudRate->text();
    } else {
        record.ipCom = ui->comboBox_Com->currentText();
        record.portBaudRate = ui->comboBox_BaudRate->currentText();
    }
    record.channelConfig = configuration;
    return true;
}

void AcquisitionDevice::keepTestedInstrument(const AcquisitionDeviceRecord &record)
{
    if (!m_settings || !indicatorConnected())
        return;
    bool replaced = false;
    for (AcquisitionDeviceRecord &device : m_settings->devices) {
        if (device.number == record.number) {
            device = record;
            replaced = true;
        }
    }
    if (!replaced)
        m_settings->devices.append(record);
}

bool AcquisitionDevice::insertFromForm()
{
    AcquisitionDeviceRecord record;
    const QTableWidget *table = ui->tableWidget_AcquisitionList;
    record.number = 1;
    if (table->rowCount() > 0) {
        bool ok = false;
        const int last = cellText(table, table->rowCount() - 1, 0).toInt(&ok);
        if (ok)
            record.number = last + 1;
    }
    record.model = ui->comboBox_Mode->currentText();
    record.serialNumber = ui->lineEdit_SerialNumber->text();
    if (!fillFromForm(record))
        return false;
    if (!insertAcquisitionDevice(record))
        return false;
    keepTestedInstrument(record);
    return true;
}

bool AcquisitionDevice::storedModelDiffers(int index)
{
    if (index < 0 || index >= m_storedDevices.size())
        return false;
    const QString stored = m_storedDevices.at(index).model;
    if (stored == ui->comboBox_Mode->currentText())
        return false;
    // An update keeps the stored model: the form's configuration and test belong to another
    // model, and a run would drive the stored one with them.
    QMessageBox::warning(this, warningTitle,
                         tr("序列号%1已登记为%2型号的设备，不能以另一型号保存！")
                             .arg(m_storedDevices.at(index).serialNumber, stored));
    return true;
}

bool AcquisitionDevice::updateFromForm(int index)
{
    if (index < 0 || index >= m_storedDevices.size())
        return false;
    AcquisitionDeviceRecord record = m_storedDevices.at(index);
    if (!fillFromForm(record))
        return false;
    if (!updateAcquisitionDevice(record))
        return false;
    keepTestedInstrument(record);
    return true;
}

int AcquisitionDevice::lastStoredIndex(const QString &serialNumber) const
{
    for (int i = m_storedDevices.size() - 1; i >= 0; --i) {
        if (m_storedDevices.at(i).serialNumber == serialNumber)
            return i;
    }
    return -1;
}

void AcquisitionDevice::forgetTestedInstrument(const QString &serialNumber)
{
    if (!m_settings || serialNumber.isEmpty())
        return;
    const int index = lastStoredIndex(serialNumber);
    const int number = index >= 0 ? m_storedDevices.at(index).number : -1;
    bool removed = false;
    for (int i = m_settings->devices.size() - 1; i >= 0; --i) {
        const AcquisitionDeviceRecord &device = m_settings->devices.at(i);
        if (device.serialNumber == serialNumber || device.number == number) {
            m_settings->devices.removeAt(i);
            removed = true;
        }
    }
    if (removed)
        refreshInstrumentTable();
}

bool AcquisitionDevice::checkConfigurationCount(QString &error) const
{
    if (!m_collection)
        return true;
    return checkChannelCount(m_currentConfig, m_model, m_collection->channelCount(), error);
}

bool AcquisitionDevice::checkFormValues(double interval, QString &error) const
{
    bool ok = false;
    ui->lineEdit_Interval->text().toDouble(&ok);
    if (!ok || !(interval > 0.0)) {
        error = tr("扫描间隔必须是大于0的数字！");
        return false;
    }
    if (untranslateTerm(ui->comboBox_Communication->currentText()) == tcpLink) {
        const int port = ui->lineEdit_BaudRate->text().toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            error = tr("端口号必须在1到65535之间！");
            return false;
        }
    }
    return true;
}

// ---- save and delete -----------------------------------------------------------------------

void AcquisitionDevice::pt_Save_clicked()
{
    if (ui->lineEdit_SerialNumber->text().isEmpty()) {
        QMessageBox::warning(this, warningTitle, tr("请先输入序列号！"));
        return;
    }
    const QString configuration = selectedConfigurationName();
    if (configuration.isEmpty()) {
        QMessageBox::warning(this, warningTitle, tr("请先选择配置文件！"));
        return;
    }
    loadConfiguration(configuration);
    QList<ChannelRecord> records;
    if (!buildChannelRecords(records)) {
        QMessageBox::warning(this, warningTitle, tr("请先选择配置文件！"));
        return;
    }
    if (!m_collection) {
        QMessageBox::warning(this, warningTitle,
                             tr("不支持的设备型号：") + ui->comboBox_Mode->currentText());
        return;
    }
    const QString scanRate = untranslateTerm(ui->comboBox_Rate->currentText());
    const double interval = ui->lineEdit_Interval->text().toDouble();
    QString error;
    if (!checkConfigurationCount(error)) {
        QMessageBox::warning(this, warningTitle, error);
        return;
    }
    if (!checkFormValues(interval, error)) {
        QMessageBox::warning(this, warningTitle, error);
        return;
    }
    const double minimum = m_collection->minScanInterval(scanRate, records);
    if (minimum > interval) {
        QMessageBox::warning(this, warningTitle,
                             tr("当前选择的配置文件最小采集间隔为：")
                                 + QString::number(minimum, 'g', 6));
        return;
    }

    const int index = lastStoredIndex(ui->lineEdit_SerialNumber->text());
    if (storedModelDiffers(index))
        return;
    const bool stored = index >= 0 ? updateFromForm(index) : insertFromForm();
    setIndicator(false);
    if (stored) {
        refreshInstrumentTable();
        QMessageBox::information(this, promptTitle, tr("数据保存成功！"));
    } else {
        QMessageBox::warning(this, warningTitle, tr("数据保存失败！"));
    }
}

void AcquisitionDevice::pt_Delete_clicked()
{
    const QString serialNumber = ui->lineEdit_SerialNumber->text();
    if (serialNumber.isEmpty()) {
        QMessageBox::warning(this, warningTitle, tr("请先选择需要删除的文件！"));
        return;
    }
    const auto answer = QMessageBox::question(this, promptTitle,
                                              tr("是否删除") + serialNumber + QStringLiteral("?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    if (!deleteAcquisitionDevice(serialNumber)) {
        QMessageBox::warning(this, warningTitle, tr("删除数据失败！"));
        return;
    }
    if (m_settings) {
        for (int i = 0; i < m_settings->devices.size(); ++i) {
            if (m_settings->devices.at(i).serialNumber == serialNumber) {
                m_settings->devices.removeAt(i);
                break;
            }
        }
    }
    refreshInstrumentTable();
}

// ---- loading a stored instrument -------------------------------------------------------------

void AcquisitionDevice::tw_Acquisition_doubleClicked(int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    if (refuseWhileRunning())
        return;
    const QTableWidget *table = ui->tableWidget_AcquisitionList;
    const int selected = selectedRow(table);
    if (selected < 0)
        return;
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << cellText(table, selected, c);

    // The form is filled as a whole; the row's own state decides the indicator at the end.
    m_loadingRow = true;
    ui->comboBox_Mode->setCurrentText(cells.at(2));
    ui->lineEdit_SerialNumber->setText(cells.at(3));
    ui->lineEdit_SerialNumber->setCursorPosition(0);
    ui->lineEdit_Interval->setText(cells.at(4));
    ui->comboBox_Rate->setCurrentText(cells.at(5));
    {
        // The widgets of the link are set below, once.
        const QSignalBlocker block(ui->comboBox_Communication);
        ui->comboBox_Communication->setCurrentText(cells.at(7));
    }
    const QString link = untranslateTerm(cells.at(7));
    if (link == serialLink) {
        showSerialWidgets();
        ui->comboBox_Com->setCurrentText(cells.at(8));
        ui->comboBox_BaudRate->setCurrentText(cells.at(9));
    } else if (link == tcpLink) {
        showTcpWidgets();
        ui->lineEdit_Com->setText(cells.at(8));
        ui->lineEdit_BaudRate->setText(cells.at(9));
    } else if (link == bluetoothLink) {
        showBluetoothWidgets();
        ui->comboBox_Com->setCurrentText(cells.at(8));
        ui->comboBox_BaudRate->setCurrentText(cells.at(9));
    }

    // A configuration that is no longer listed leaves none selected, so a save cannot store
    // another one by mistake.
    QTableWidget *configs = ui->tableWidget_ChannelList;
    configs->clearSelection();
    for (int r = 0; r < configs->rowCount(); ++r) {
        if (cellText(configs, r, 0) == cells.at(6)) {
            configs->selectRow(r);
            break;
        }
    }
    m_loadingRow = false;

    if (cells.at(1) == connectionStateTexts.at(0))
        setIndicator(true);
    else if (cells.at(1) == connectionStateTexts.at(1))
        setIndicator(false);
}

// ---- the parameter dialog --------------------------------------------------------------------

void AcquisitionDevice::pt_Set_clicked()
{
    AcquisitionSet dialog;
    dialog.open();
    dialog.exec();
}

// ---- the instrument test ---------------------------------------------------------------------

void AcquisitionDevice::pt_Test_clicked()
{
    if (m_worker.isRunning())
        return;
    if (!m_collection) {
        QMessageBox::warning(this, warningTitle,
                             tr("不支持的设备型号：") + ui->comboBox_Mode->currentText());
        return;
    }
    waiting = new QWaiting(this);
    waiting->setText(tr("参数设置中，请稍等..."));
    waiting->show();

    loadConfiguration(selectedConfigurationName());

    ui->pushButton_Test->setEnabled(false);
    setIndicator(false);

    testScanRate = untranslateTerm(ui->comboBox_Rate->currentText());
    testSerialNumber = ui->lineEdit_SerialNumber->text();
    testSignalMode = untranslateTerm(ui->comboBox_Communication->currentText());
    testAddress.clear();
    testPortBaudRate.clear();
    if (testSignalMode == serialLink || testSignalMode == bluetoothLink) {
        testAddress = untranslateTerm(ui->comboBox_Com->currentText());
        testPortBaudRate = untranslateTerm(ui->comboBox_BaudRate->currentText());
    } else if (testSignalMode == tcpLink) {
        testAddress = untranslateTerm(ui->lineEdit_Com->text());
        testPortBaudRate = untranslateTerm(ui->lineEdit_BaudRate->text());
    }

    QString linkError;
    if (testAddress.isEmpty() || testPortBaudRate.isEmpty()) {
        linkError = tr("连接信息错误！");
    } else if (testSignalMode == tcpLink) {
        bool ok = false;
        const int port = testPortBaudRate.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            linkError = tr("端口号必须在1到65535之间！");
    }
    // A chosen configuration whose channel lists are shorter than its channel count cannot be
    // written to the instrument; it is refused rather than tested as a bare connection.
    QList<ChannelRecord> records;
    if (linkError.isEmpty() && m_currentConfig.ChannelCount != 0 && !buildChannelRecords(records))
        linkError = tr("请先选择配置文件！");
    if (linkError.isEmpty())
        checkConfigurationCount(linkError);
    if (!linkError.isEmpty()) {
        waiting->close();
        delete waiting;
        waiting = nullptr;
        ui->pushButton_Test->setEnabled(true);
        QMessageBox::warning(this, warningTitle, linkError);
        return;
    }

    // Everything the worker needs is taken from the form now; it touches no widget.
    const double interval = ui->lineEdit_Interval->text().toDouble();
    Collection *driver = m_collection;
    const QString signalMode = testSignalMode;
    const QString address = testAddress;
    const QString portBaudRate = testPortBaudRate;
    const QString scanRate = testScanRate;
    const QString success = testSuccessText;

    m_worker.start([this, driver, signalMode, address, portBaudRate, scanRate, success, interval,
                    records]() {
        QString message = success;
        QString serialNumber;
        QStringList values;
        bool passed = false;
        const auto stopped = [this]() { return m_worker.stopRequested(); };
        do {
            if (stopped())
                break;
            if (!driver->open(signalMode, address, portBaudRate)) {
                message = tr("设备连接失败！");
                break;
            }
            if (stopped())
                break;
            if (!driver->readSerialNumber(serialNumber)) {
                message = tr("获取序列号失败！");
                break;
            }
            if (stopped())
                break;
            if (!driver->setDeviceTime(QDateTime::currentDateTime())) {
                message = tr("同步设备时间失败！");
                break;
            }
            if (!records.isEmpty()) {
                if (stopped())
                    break;
                if (!driver->configureChannels(scanRate, records)) {
                    // The driver's own check names a channel whose texts it could not send.
                    QString error;
                    const bool named = !driver->checkChannels(records, error) && !error.isEmpty();
                    message = named ? error : tr("通道设置失败,请退出重试!");
                    break;
                }
                if (stopped())
                    break;
                if (!driver->readValues(values)) {
                    message = tr("获取通道数据失败,请退出重试!");
                    break;
                }
                if (stopped())
                    break;
                if (!driver->setScanInterval(interval, 0)) {
                    message = tr("采集间隔异常,请退出重试!");
                    break;
                }
            }
            passed = true;
        } while (false);
        driver->close();
        if (stopped())
            return; // the page is going away: nobody waits for the report
        if (passed) {
            QMetaObject::invokeMethod(
                this,
                [this, serialNumber]() {
                    if (!m_closing)
                        ui->lineEdit_SerialNumber->setText(serialNumber);
                },
                Qt::QueuedConnection);
        }
        emit SetDialog_signals(message, values);
    });
}

void AcquisitionDevice::SetDialog_slots(QString message, QStringList values)
{
    if (m_closing)
        return;
    // The report is the worker's last act.
    m_worker.join();
    if (waiting) {
        waiting->close();
        delete waiting;
        waiting = nullptr;
    }
    ui->pushButton_Test->setEnabled(true);

    const bool success = message == testSuccessText;
    if (success) {
        ui->lineEdit_SerialNumber->setCursorPosition(0);
        setIndicator(true);
    } else {
        forgetTestedInstrument(testSerialNumber);
    }
    if (!success || values.isEmpty()) {
        QMessageBox::information(this, promptTitle, message);
        return;
    }

    if (m_currentConfig.ChannelCount != values.size()) {
        QMessageBox::information(this, promptTitle, tr("通道数不匹配！"));
        return;
    }
    {
        ParametersTemp confirmation(this);
        confirmation.setValues(m_settings ? m_settings->dataAccuracy : 0, m_currentConfig, values);
        confirmation.exec();
    }
    if (ui->lineEdit_SerialNumber->text().isEmpty()) {
        QMessageBox::warning(this, warningTitle, tr("请先输入序列号！"));
        return;
    }
    const QString configuration = selectedConfigurationName();
    if (configuration.isEmpty())
        return;
    loadConfiguration(configuration);
    QList<ChannelRecord> records;
    QString countError;
    if (!buildChannelRecords(records) || !m_collection || !checkConfigurationCount(countError))
        return;
    const QString scanRate = untranslateTerm(ui->comboBox_Rate->currentText());
    const double interval = ui->lineEdit_Interval->text().toDouble();
    QString error;
    if (!checkFormValues(interval, error))
        return;
    if (m_collection->minScanInterval(scanRate, records) > interval)
        return;
    const int index = lastStoredIndex(ui->lineEdit_SerialNumber->text());
    if (storedModelDiffers(index))
        return;
    const bool stored = index >= 0 ? updateFromForm(index) : insertFromForm();
    if (stored)
        refreshInstrumentTable();
}
