#include "AcquisitionSet.h"
#include "ui_AcquisitionSet.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QStyle>
#include <QMessageBox>

#include "Collection.h"
#include "HalvoranImages.h"
#include "QWaiting.h"
#include "Registry.h"
#include "Terms.h"

namespace {
const QString serialLink = QStringLiteral("串口");
const QString tcpLink = QStringLiteral("网络");

// Pause between two baud rates of the search, waited in short steps so a stop is seen soon.
constexpr int baudPauseMs = 1000;
constexpr int pauseStepMs = 50;
} // namespace

AcquisitionSet::AcquisitionSet(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AcquisitionSet)
{
    initHalvoranImages();
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/Halvoran/Image/AcquisitionDevices.png")));
    // The address fields hold the longest address whole in the dialog's font (set by its
    // style sheet, hence after polishing), enabled or not.
    ensurePolished();
    for (QLineEdit *edit : {ui->lineEdit_IP, ui->lineEdit_SetIP, ui->lineEdit_SetMask}) {
        const int frame = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255"))
                              + 2 * frame + 12);
    }

    connect(ui->comboBox_Mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int) { Mode_clicked(ui->comboBox_Mode->currentText()); });
    connect(ui->pushButton_Test, &QPushButton::clicked, this, &AcquisitionSet::Test_clicked);
    connect(ui->pushButton_Com, &QPushButton::clicked, this, &AcquisitionSet::Com_clicked);
    connect(ui->pushButton_TCP, &QPushButton::clicked, this, &AcquisitionSet::Tcp_clicked);
    connect(ui->pushButton_Set, &QPushButton::clicked, this, &AcquisitionSet::Set_clicked);

    connect(this, &AcquisitionSet::therad_signals, this, &AcquisitionSet::therad_slots,
            Qt::QueuedConnection);
    connect(this, &AcquisitionSet::theradGet_signals, this, &AcquisitionSet::theradGet_slots,
            Qt::QueuedConnection);

    ui->comboBox_Mode->addItems(enabledAcquisitionModels());

    QStringList addresses;
    for (int address = 0; address < 254; ++address)
        addresses << QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0'));
    ui->comboBox_Address->addItems(addresses);

    ui->comboBox_Com->addItems(availableSerialPorts());
    ui->comboBox_Com->setCurrentIndex(1);
}

AcquisitionSet::~AcquisitionSet()
{
    // A running worker uses this dialog's driver: stop it and wait for it first; its report
    // goes nowhere. Reports queued before the disconnect are still delivered while the dialog
    // waits: they are dropped by the flag.
    m_closing = true;
    disconnect(this, &AcquisitionSet::therad_signals, nullptr, nullptr);
    disconnect(this, &AcquisitionSet::theradGet_signals, nullptr, nullptr);
    m_worker.stopAndFinish();
    delete waiting;
    waiting = nullptr;
    delete m_collection;
    m_collection = nullptr;
    delete ui;
}

// ---- closing -------------------------------------------------------------------------------

bool AcquisitionSet::mayClose()
{
    if (m_worker.isRunning()) {
        QMessageBox::information(this, tr("提示"), tr("设备正在通讯，请稍候！"));
        return false;
    }
    if (m_collection && m_collection->isConnected()) {
        QMessageBox::information(this, tr("提示"), tr("请先关闭设备！"));
        return false;
    }
    return true;
}

void AcquisitionSet::closeEvent(QCloseEvent *event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void AcquisitionSet::reject()
{
    // Escape and the window's close button both end here; the same rule holds for both.
    if (isVisible() && (m_worker.isRunning() || (m_collection && m_collection->isConnected()))) {
        mayClose();
        return;
    }
    QDialog::reject();
}

// ---- helpers -------------------------------------------------------------------------------

bool AcquisitionSet::refuseWhileWorking()
{
    if (!m_worker.isRunning())
        return false;
    QMessageBox::information(this, tr("提示"), tr("设备正在通讯，请稍候！"));
    return true;
}

bool AcquisitionSet::refuseWithoutDriver()
{
    if (m_collection)
        return false;
    QMessageBox::information(this, tr("提示"),
                             tr("不支持的设备型号：") + ui->comboBox_Mode->currentText());
    return true;
}

void AcquisitionSet::showWaiting(const QString &text)
{
    closeWaiting();
    waiting = new QWaiting(this);
    waiting->setText(text);
    waiting->show();
}

void AcquisitionSet::closeWaiting()
{
    QWaiting::dismiss(waiting);
}

void AcquisitionSet::setConnectionControlsEnabled(bool enabled)
{
    ui->pushButton_Com->setEnabled(enabled);
    ui->pushButton_TCP->setEnabled(enabled);
    ui->pushButton_Test->setEnabled(enabled);
    ui->comboBox_Mode->setEnabled(enabled);
}

// ---- model ---------------------------------------------------------------------------------

void AcquisitionSet::Mode_clicked(QString model)
{
    if (m_worker.isRunning() || (m_collection && m_collection->isConnected())) {
        // The driver is in use: keep the model it was made for.
        const QSignalBlocker block(ui->comboBox_Mode);
        ui->comboBox_Mode->setCurrentText(m_model);
        QMessageBox::information(this, tr("提示"), tr("请先关闭设备！"));
        return;
    }
    delete m_collection;
    m_model = model;
    m_collection = createCollection(model);

    ui->comboBox_BaudRate->clear();
    ui->comboBox_SetBaudRate->clear();
    ui->comboBox_Filtering->clear();
    if (!m_collection) {
        if (!model.isEmpty())
            QMessageBox::information(this, tr("提示"), tr("不支持的设备型号：") + model);
        return;
    }
    const QStringList bauds = m_collection->baudRateList();
    ui->comboBox_BaudRate->addItems(bauds);
    ui->comboBox_SetBaudRate->addItems(bauds);
    ui->comboBox_BaudRate->setCurrentText(QStringLiteral("9600"));
    ui->comboBox_Filtering->addItems(m_collection->filterList());

    const QList<bool> mask = m_collection->settingMask();
    if (mask.size() == 6) {
        ui->comboBox_Address->setEnabled(mask.at(0));
        ui->comboBox_SetBaudRate->setEnabled(mask.at(1));
        ui->lineEdit_SetIP->setEnabled(mask.at(2));
        ui->lineEdit_SetMask->setEnabled(mask.at(3));
        ui->lineEdit_SetPort->setEnabled(mask.at(4));
        ui->comboBox_Filtering->setEnabled(mask.at(5));
    }
}

// ---- connect and disconnect ----------------------------------------------------------------

void AcquisitionSet::Com_clicked()
{
    if (refuseWhileWorking())
        return;
    if (ui->pushButton_Com->text() == tr("连接")) {
        if (refuseWithoutDriver())
            return;
        ui->pushButton_Com->setEnabled(false);
        ui->pushButton_TCP->setEnabled(false);
        ui->pushButton_Test->setEnabled(false);
        ui->comboBox_Mode->setEnabled(false);
        linkType = serialLink;
        linkAddress = ui->comboBox_Com->currentText();
        linkPortBaudRate = ui->comboBox_BaudRate->currentText();
        showWaiting(tr("参数获取中，请稍等..."));
        startConnect();
    } else {
        ui->pushButton_Com->setEnabled(false);
        startDisconnect();
    }
}

void AcquisitionSet::Tcp_clicked()
{
    if (refuseWhileWorking())
        return;
    if (ui->pushButton_TCP->text() == tr("连接")) {
        if (refuseWithoutDriver())
            return;
        bool ok = false;
        const int port = ui->lineEdit_Port->text().toInt(&ok);
        if (!ok || port < 1 || port > 65535) {
            QMessageBox::information(this, tr("提示"), tr("端口号必须在1到65535之间！"));
            return;
        }
        ui->pushButton_Com->setEnabled(false);
        ui->pushButton_TCP->setEnabled(false);
        ui->pushButton_Test->setEnabled(false);
        ui->comboBox_Mode->setEnabled(false);
        linkType = tcpLink;
        linkAddress = ui->lineEdit_IP->text();
        linkPortBaudRate = ui->lineEdit_Port->text();
        showWaiting(tr("参数获取中，请稍等..."));
        startConnect();
    } else {
        ui->pushButton_TCP->setEnabled(false);
        startDisconnect();
    }
}

void AcquisitionSet::startConnect()
{
    Collection *driver = m_collection;
    const QString type = linkType;
    const QString address = linkAddress;
    const QString port = linkPortBaudRate;
    m_worker.start([this, driver, type, address, port]() {
        QString message = tr("设备连接成功！");
        if (!driver->open(type, address, port)) {
            message = tr("设备连接失败,请退出重试！");
            driver->close();
            emit therad_signals(0, false, message);
            return;
        }
        if (m_worker.stopRequested()) {
            driver->close();
            return;
        }
        QStringList values;
        QString serial, version, moduleAddress, baudRate, ip, mask, tcpPort, filter;
        if (driver->readDeviceSettings(serial, version, moduleAddress, baudRate, ip, mask, tcpPort,
                                       filter)) {
            values << serial << version << moduleAddress << baudRate << ip << mask << tcpPort
                   << filter;
            emit theradGet_signals(values);
            emit therad_signals(0, true, message);
        } else {
            message = tr("数据获取失败,请退出重试!");
            driver->close();
            emit therad_signals(0, false, message);
        }
    });
}

void AcquisitionSet::startDisconnect()
{
    Collection *driver = m_collection;
    m_worker.start([this, driver]() {
        driver->close();
        emit therad_signals(1, true, QString());
    });
}

// ---- writing settings ----------------------------------------------------------------------

void AcquisitionSet::Set_clicked()
{
    if (refuseWhileWorking())
        return;
    if (!m_collection || !m_collection->isConnected()) {
        QMessageBox::information(this, tr("提示"), tr("请先连接设备！"));
        return;
    }
    ui->pushButton_Set->setEnabled(false);
    showWaiting(tr("参数设置中，请稍等..."));
    Collection *driver = m_collection;
    const QString address = ui->comboBox_Address->currentText();
    const QString baudRate = ui->comboBox_SetBaudRate->currentText();
    const QString ip = ui->lineEdit_SetIP->text();
    const QString mask = ui->lineEdit_SetMask->text();
    const QString port = ui->lineEdit_SetPort->text();
    const QString filter = ui->comboBox_Filtering->currentText();
    m_worker.start([this, driver, address, baudRate, ip, mask, port, filter]() {
        const QString success = tr("设置成功！");
        QString message = success;
        const bool written =
            driver->writeDeviceSettings(address, baudRate, ip, mask, port, filter, message);
        // A refused write is never reported as a success; the driver's own words are kept.
        if (!written && (message == success || message.isEmpty()))
            message = tr("设置失败！");
        emit therad_signals(2, written, message);
    });
}

// ---- baud-rate search ----------------------------------------------------------------------

void AcquisitionSet::Test_clicked()
{
    if (refuseWhileWorking())
        return;
    if (!m_collection) {
        QMessageBox::information(this, tr("提示"), tr("请先连接设备！"));
        return;
    }
    linkType = serialLink;
    linkAddress = ui->comboBox_Com->currentText();
    linkPortBaudRate = ui->comboBox_BaudRate->currentText();
    ui->pushButton_Test->setEnabled(false);
    showWaiting(tr("测试中，请稍等..."));

    Collection *driver = m_collection;
    const QString address = linkAddress;
    const QStringList bauds = driver->baudRateList();
    m_worker.start([this, driver, address, bauds]() {
        QString message = tr("测试失败！");
        bool found = false;
        for (const QString &baud : bauds) {
            if (m_worker.stopRequested())
                break;
            QString serial, version, moduleAddress, baudRate, ip, mask, port, filter;
            if (driver->open(serialLink, address, baud)
                && driver->readDeviceSettings(serial, version, moduleAddress, baudRate, ip, mask,
                                              port, filter)) {
                emit theradGet_signals(
                    {serial, version, moduleAddress, baudRate, ip, mask, port, filter});
                driver->close();
                message = baud;
                found = true;
                break;
            }
            driver->close();
            for (int waited = 0; waited < baudPauseMs && !m_worker.stopRequested();
                 waited += pauseStepMs)
                delayMs(pauseStepMs);
        }
        if (!m_worker.stopRequested())
            emit therad_signals(3, found, message);
    });
}

// ---- results -------------------------------------------------------------------------------

void AcquisitionSet::therad_slots(int step, bool ok, QString message)
{
    if (m_closing)
        return;
    // The report is the worker's last act.
    m_worker.join();
    closeWaiting();

    QPushButton *linkButton = linkType == tcpLink ? ui->pushButton_TCP : ui->pushButton_Com;
    switch (step) {
    case 0:
        if (!ok)
            QMessageBox::information(this, tr("提示"), message);
        linkButton->setEnabled(true);
        if (!ok) {
            setConnectionControlsEnabled(true);
            return;
        }
        linkButton->setText(tr("断开"));
        break;
    case 1:
        setConnectionControlsEnabled(true);
        linkButton->setText(tr("连接"));
        break;
    case 2:
        ui->pushButton_Set->setEnabled(true);
        QMessageBox::information(this, tr("提示"), message);
        break;
    case 3:
        ui->pushButton_Test->setEnabled(true);
        if (ok) {
            ui->comboBox_SetBaudRate->setCurrentText(message);
            message = tr("测试成功。");
        }
        QMessageBox::information(this, tr("提示"), message);
        break;
    default:
        break;
    }
}

void AcquisitionSet::theradGet_slots(QStringList values)
{
    if (m_closing)
        return;
    if (values.size() < 8)
        return;
    ui->lineEdit_Serial->setText(values.at(0));
    ui->lineEdit_Version->setText(values.at(1));
    // Instruments may answer their address in upper case ("0A"); the list holds lower case.
    const int address = ui->comboBox_Address->findText(values.at(2), Qt::MatchFixedString);
    if (address >= 0)
        ui->comboBox_Address->setCurrentIndex(address);
    ui->comboBox_SetBaudRate->setCurrentText(values.at(3));
    ui->lineEdit_SetIP->setText(values.at(4));
    ui->lineEdit_SetMask->setText(values.at(5));
    ui->lineEdit_SetPort->setText(values.at(6));
    ui->comboBox_Filtering->setCurrentText(values.at(7));
}
