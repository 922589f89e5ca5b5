#include "ParametersMode.h"
#include "ui_ParametersMode.h"

#include <QDateTime>
#include <QMessageBox>
#include <QSet>

#include "ChannelRecords.h"
#include "Database.h"
#include "Registry.h"
#include "SystemSettings.h"

ParametersMode::ParametersMode(QWidget *parent)
    : QDialog(parent),
      ui(new Ui::ParametersMode),
      titleInfo(tr("提示")),
      titleWarning(tr("警告"))
{
    ui->setupUi(this);
    modes << tr("在线") << tr("导入");
    const QDateTime now = QDateTime::currentDateTime();
    ui->dateTimeEdit_Start->setDateTime(now);
    ui->dateTimeEdit_End->setDateTime(now);
    deviceBoxes << ui->comboBox_Device1 << ui->comboBox_Device2 << ui->comboBox_Device3
                << ui->comboBox_Device4 << ui->comboBox_Device5 << ui->comboBox_Device6;
}

ParametersMode::~ParametersMode()
{
    delete ui;
}

void ParametersMode::setSettings(SystemSettings *systemSettings)
{
    settings = systemSettings;
    offeredDevices = settings ? settings->devices : QList<AcquisitionDeviceRecord>();
    // The box is empty, so the first mode becomes current and cb_Mode_clicked runs.
    ui->comboBox_Mode->addItems(modes);
}

void ParametersMode::cb_Mode_clicked(const QString &mode)
{
    for (QComboBox *box : qAsConst(deviceBoxes))
        box->clear();
    offeredDevices.clear();
    if (mode == tr("导入")) {
        if (!selectAcquisitionDevice(offeredDevices, QString())) {
            offeredDevices.clear();
            return;
        }
    } else if (settings) {
        offeredDevices = settings->devices;
    }
    QStringList items;
    for (const AcquisitionDeviceRecord &device : qAsConst(offeredDevices))
        items << QString::number(device.number) + QStringLiteral("_") + device.model;
    for (QComboBox *box : qAsConst(deviceBoxes))
        box->addItems(items);
}

void ParametersMode::cb_Device_clicked(const QString &text)
{
    const int n = text.toInt();
    for (int i = 0; i < deviceBoxes.size(); ++i)
        deviceBoxes.at(i)->setEnabled(i < n);
}

void ParametersMode::cb_Project_clicked(const QString &text)
{
    if (text == QStringLiteral("1")) {
        ui->lineEdit_Name2->setEnabled(false);
        ui->lineEdit_Name3->setEnabled(false);
    } else if (text == QStringLiteral("2")) {
        ui->lineEdit_Name2->setEnabled(true);
        ui->lineEdit_Name3->setEnabled(false);
    } else if (text == QStringLiteral("3")) {
        ui->lineEdit_Name2->setEnabled(true);
        ui->lineEdit_Name3->setEnabled(true);
    }
}

int ParametersMode::checkDevices(int count) const
{
    QStringList texts;
    for (int i = 0; i < count && i < deviceBoxes.size(); ++i)
        texts << deviceBoxes.at(i)->currentText();
    const QSet<QString> distinct(texts.begin(), texts.end());
    if (distinct.size() < texts.size())
        return 2;
    for (const QString &text : qAsConst(texts)) {
        if (text.isEmpty())
            return 1;
    }
    return 0;
}

int ParametersMode::checkProjects(int count) const
{
    const QStringList names{ui->lineEdit_Name1->text(), ui->lineEdit_Name2->text(),
                            ui->lineEdit_Name3->text()};
    for (int i = 0; i < count && i < names.size(); ++i) {
        const QString &name = names.at(i);
        if (name.isEmpty())
            return 10;
        if (names.mid(0, i).contains(name))
            return 11;
        QList<ParametersRecord> found;
        if (!selectParameters(found, name))
            return 12;
        if (!found.isEmpty())
            return 13;
    }
    return 0;
}

void ParametersMode::warn(const QString &text)
{
    QMessageBox::information(this, titleWarning, text, QMessageBox::Ok);
}

bool ParametersMode::findChannelConfigs(int deviceCount)
{
    foundConfigs.clear();
    for (int i = 0; i < deviceCount && i < deviceBoxes.size(); ++i) {
        const AcquisitionDeviceRecord device = offeredDevices.value(deviceBoxes.at(i)->currentIndex());
        QList<ChannelConfigData> configs;
        if (!selectChannelConfig(configs, device.channelConfig)) {
            warn(tr("数据库连接失败！"));
            return false;
        }
        if (configs.isEmpty() || device.channelConfig.isEmpty()) {
            // The channel dialog needs one configuration per chosen instrument.
            warn(tr("采集设备%1的通道配置“%2”不存在！")
                     .arg(deviceBoxes.at(i)->currentText(), device.channelConfig));
            return false;
        }
        // A stored count beyond its lists or the instrument's channels is never laid out.
        QString error;
        if (!checkChannelCount(configs.first(), device.model, modelChannelCount(device.model),
                               error)) {
            warn(error);
            return false;
        }
        foundConfigs.append(configs.first());
    }
    return true;
}

void ParametersMode::pt_OK_clicked()
{
    const int projectCount = ui->comboBox_Project->currentText().toInt();
    const int deviceCount = ui->comboBox_Device->currentText().toInt();
    const QDateTime start = ui->dateTimeEdit_Start->dateTime();
    const QDateTime end = ui->dateTimeEdit_End->dateTime();
    const QString mode = ui->comboBox_Mode->currentText();

    if (mode == tr("导入") && end.secsTo(start) >= 0) {
        warn(tr("开始采集时间大于结束采集时间！"));
        return;
    }
    switch (checkDevices(deviceCount)) {
    case 1:
        warn(tr("未选择采集设备！"));
        return;
    case 2:
        warn(tr("采集设备不能相同！"));
        return;
    default:
        break;
    }
    switch (checkProjects(projectCount)) {
    case 10:
        warn(tr("项目信息未设置！"));
        return;
    case 11:
        warn(tr("项目名称相同！"));
        return;
    case 12:
        warn(tr("数据库连接失败！"));
        return;
    case 13:
        warn(tr("项目名称已存在！"));
        return;
    default:
        break;
    }
    if (!findChannelConfigs(deviceCount))
        return;
    if (deviceCount != 1)
        warn(tr("采集间隔将以第一台设备为准！"));
    buildPlan(deviceCount, projectCount);
    accept();
}

void ParametersMode::buildPlan(int deviceCount, int projectCount)
{
    if (!settings)
        return;
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    settings->acquisitionMode = ui->comboBox_Mode->currentText();
    settings->planStart = ui->dateTimeEdit_Start->dateTime().toString(format);
    settings->planEnd = ui->dateTimeEdit_End->dateTime().toString(format);
    const QStringList names{ui->lineEdit_Name1->text(), ui->lineEdit_Name2->text(),
                            ui->lineEdit_Name3->text()};
    settings->projectNames = names.mid(0, projectCount);
    settings->planDevices.clear();
    settings->planChannelConfigs.clear();
    for (int i = 0; i < deviceCount && i < deviceBoxes.size(); ++i) {
        settings->planDevices.append(offeredDevices.value(deviceBoxes.at(i)->currentIndex()));
        settings->planChannelConfigs.append(foundConfigs.value(i));
    }
}
