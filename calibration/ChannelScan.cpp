#include "ChannelScan.h"
#include "ui_ChannelScan.h"

#include <QCloseEvent>
#include <QMessageBox>

#include "CalibrationDevices.h"
#include "Criteria.h"
#include "Field.h"
#include "Terms.h"

namespace {
// Picks `text` in the combo box when it is listed; otherwise the current item stays.
void selectListed(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    if (index >= 0)
        box->setCurrentIndex(index);
}
} // namespace

ChannelScan::ChannelScan(QWidget *parent) : QDialog(parent), ui(new Ui::ChannelScanClass)
{
    ui->setupUi(this);
    baudRateChoices = QStringList{QStringLiteral("4800"),  QStringLiteral("9600"),
                                  QStringLiteral("14400"), QStringLiteral("19200"),
                                  QStringLiteral("38400"), QStringLiteral("56000"),
                                  QStringLiteral("57600"), QStringLiteral("115200")};
    connect(ui->pushButton_Scan, &QPushButton::clicked, this, &ChannelScan::pt_Scan_clicked);
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ChannelScan::pt_OK_clicked);
    connect(ui->comboBox_Communication, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { cb_Communication_clicked(ui->comboBox_Communication->itemText(index)); });
    connect(this, &ChannelScan::MessageBox_signals, this, &ChannelScan::MessageBox_slots);
}

ChannelScan::~ChannelScan()
{
    closing = true;  // a test that ends now shows nothing
    worker.stopAndFinish();
    delete device;
    delete ui;
}

void ChannelScan::setDeviceType(DeviceLink *deviceLink)
{
    link = deviceLink;
    QStringList offered;
    const QString kind = link->name;
    if (kind == QStringLiteral("油槽") || kind == QStringLiteral("油槽-R")) {
        offered = QStringList{QStringLiteral("串口")};
        device = createField(kind);
    } else if (kind == QStringLiteral("干式炉") || kind == QStringLiteral("干式炉-R")) {
        offered = QStringList{QStringLiteral("串口"), QStringLiteral("网络")};
        device = createField(kind);
    } else if (kind == QStringLiteral("BRELK Vobre")) {
        offered = QStringList{QStringLiteral("蓝牙")};
        device = createCriteria(kind, nullptr);
    } else {
        offered = QStringList{QStringLiteral("手动")};
    }
    // The first item becomes current and lays out the form.
    ui->comboBox_Communication->addItems(translateList(offered));
    selectListed(ui->comboBox_Communication, translateTerm(link->mode));

    if (link->mode == QStringLiteral("网络")) {
        ui->lineEdit_Com->setText(link->address);
        ui->lineEdit_BaudRate->setText(link->portBaudRate);
    } else if (link->mode == QStringLiteral("串口")) {
        selectListed(ui->comboBox_Com, link->address);
        selectListed(ui->comboBox_BaudRate, link->portBaudRate);
    } else if (link->mode == QStringLiteral("蓝牙")) {
        selectListed(ui->comboBox_Com, link->address);
    }
}

bool ChannelScan::isTesting() const
{
    return worker.isRunning();
}

Device *ChannelScan::linkDevice() const
{
    return device;
}

void ChannelScan::cb_Communication_clicked(QString type)
{
    const QString stored = untranslateTerm(type);
    const bool network = stored == QStringLiteral("网络");
    const bool bluetooth = stored == QStringLiteral("蓝牙");
    if (network) {
        ui->label_Com->setText(tr("IP地址："));
        ui->label_BaudRate->setText(tr("端口号："));
    } else if (bluetooth) {
        ui->label_Com->setText(tr("设备名："));
        ui->label_BaudRate->setText(tr("空："));
    } else {
        ui->label_Com->setText(tr("串口号："));
        ui->label_BaudRate->setText(tr("波特率："));
    }
    ui->label_BaudRate->setVisible(!bluetooth);
    ui->lineEdit_Com->setVisible(network);
    ui->lineEdit_BaudRate->setVisible(network);
    ui->comboBox_Com->setVisible(!network);
    ui->comboBox_BaudRate->setVisible(!network && !bluetooth);
    if (network)
        return;
    ui->comboBox_Com->clear();
    ui->comboBox_BaudRate->clear();
    if (bluetooth) {
        QStringList names;
        if (device)
            device->availablePorts(names);  // a Bluetooth scan; a failed one lists nothing
        ui->comboBox_Com->addItems(names);
    } else {
        ui->comboBox_Com->addItems(availableSerialPorts());
        ui->comboBox_BaudRate->addItems(baudRateChoices);
    }
}

void ChannelScan::readFormIntoLink()
{
    link->mode = untranslateTerm(ui->comboBox_Communication->currentText());
    if (link->mode == QStringLiteral("网络")) {
        link->address = ui->lineEdit_Com->text();
        link->portBaudRate = ui->lineEdit_BaudRate->text();
    } else if (link->mode == QStringLiteral("串口")) {
        link->address = ui->comboBox_Com->currentText();
        link->portBaudRate = ui->comboBox_BaudRate->currentText();
    } else if (link->mode == QStringLiteral("蓝牙")) {
        link->address = ui->comboBox_Com->currentText();
        link->portBaudRate.clear();
    }
}

void ChannelScan::pt_OK_clicked()
{
    if (refuseWhileTesting())
        return;
    readFormIntoLink();
    accept();
}

void ChannelScan::pt_Scan_clicked()
{
    if (refuseWhileTesting())
        return;
    readFormIntoLink();
    const QString type = link->mode;
    if (!device
        || (type != QStringLiteral("网络") && type != QStringLiteral("串口")
            && type != QStringLiteral("蓝牙"))) {
        QMessageBox::information(this, tr("提示"), tr("当前模式无需测试！"));
        return;
    }
    ui->pushButton_Scan->setEnabled(false);
    const QString address = link->address;
    const QString port = link->portBaudRate;
    worker.start([this, type, address, port] { testConnection(type, address, port); });
}

void ChannelScan::testConnection(QString type, QString address, QString port)
{
    bool opened = device->open(type, address, port);
    // A Bluetooth thermometer may need several tries before it is seen.
    for (int attempt = 0; !opened && type == QStringLiteral("蓝牙") && attempt < 10
         && !worker.stopRequested();
         ++attempt) {
        delayMs(1000);
        if (!worker.stopRequested())
            opened = device->open(type, address, port);
    }
    QString text = tr("设备连接失败！");
    if (opened) {
        QString serial;
        const bool identified = device->readSerialNumber(serial);
        device->close();
        text = identified ? tr("测试成功！") : tr("获取序列号失败！");
    }
    QMetaObject::invokeMethod(this, [this] { ui->pushButton_Scan->setEnabled(true); },
                              Qt::QueuedConnection);
    emit MessageBox_signals(tr("提示"), text);
}

void ChannelScan::MessageBox_slots(QString title, QString text)
{
    if (closing)
        return;
    QMessageBox::information(this, title, text, QMessageBox::Ok);
}

bool ChannelScan::refuseWhileTesting()
{
    if (!worker.isRunning())
        return false;
    QMessageBox::information(this, tr("提示"), tr("设备正在通讯，请稍候！"));
    return true;
}

void ChannelScan::reject()
{
    // Escape and the window's close button both end here.
    if (isVisible() && refuseWhileTesting())
        return;
    QDialog::reject();
}

void ChannelScan::closeEvent(QCloseEvent *event)
{
    if (refuseWhileTesting()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
