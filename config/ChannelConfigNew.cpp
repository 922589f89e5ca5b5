#include "ChannelConfigNew.h"
#include "ui_ChannelConfigNew.h"

#include <QDebug>
#include <QList>
#include <QMessageBox>
#include <QRegExp>
#include <QRegExpValidator>

#include "ChannelConfigAdd.h"
#include "Collection.h"
#include "Database.h"
#include "Registry.h"
#include "Terms.h"

ChannelConfigNew::ChannelConfigNew(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ChannelConfigNew)
{
    ui->setupUi(this);
    titleInformation = tr("提示");
    titleWarning = tr("警告");
    connect(ui->comboBox_Way, &QComboBox::textActivated, this,
            &ChannelConfigNew::cb_Way_clicked);
    connect(ui->pushButton_Cancel, &QPushButton::clicked, this,
            &ChannelConfigNew::pt_Cancel_clicked);
    connect(ui->pushButton_Next, &QPushButton::clicked, this, &ChannelConfigNew::pt_Next_clicked);
    connect(ui->comboBox_Mode, &QComboBox::currentTextChanged, this,
            &ChannelConfigNew::cb_Mode_clicked);
    initWidgets();
}

ChannelConfigNew::~ChannelConfigNew()
{
    delete driver;
    delete ui;
}

void ChannelConfigNew::initWidgets()
{
    QStringList models = enabledAcquisitionModels();
    models.prepend(translateTerm(QStringLiteral("空")));
    // Filling the empty box selects the first entry: the driver of the empty model is made.
    ui->comboBox_Mode->addItems(models);
    ui->lineEdit_Number->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[0-9]+$")), ui->lineEdit_Number));
    ui->lineEdit_Temp->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[-0-9.]+$")), ui->lineEdit_Temp));
}

void ChannelConfigNew::cb_Mode_clicked(const QString &model)
{
    delete driver;
    driver = createCollection(untranslateTerm(model));
    ui->comboBox_Way->clear();
    if (!driver) {
        qDebug() << "没有该型号的驱动：" << model;
        return;
    }
    ui->comboBox_Way->addItems(translateList(driver->compensationList()));
}

void ChannelConfigNew::cb_Way_clicked(const QString &way)
{
    if (way == translateTerm(QStringLiteral("内部补偿")))
        ui->lineEdit_Temp->setEnabled(false);
    else if (way == translateTerm(QStringLiteral("固定冷端")))
        ui->lineEdit_Temp->setEnabled(true);
}

void ChannelConfigNew::pt_Cancel_clicked()
{
    reject();
}

void ChannelConfigNew::warn(const QString &text)
{
    QMessageBox::information(this, titleWarning, text, QMessageBox::Ok);
}

bool ChannelConfigNew::validate(const ChannelConfigData &header)
{
    if (header.Name.isEmpty()) {
        warn(tr("请先输入文件名称!"));
        return false;
    }
    if (header.Name.contains(QLatin1Char(','), Qt::CaseSensitive)) {
        warn(tr("文件名称不许使用逗号!"));
        return false;
    }
    QList<ChannelConfigData> existing;
    if (!selectChannelConfig(existing, header.Name)) {
        warn(tr("数据库连接失败!"));
        return false;
    }
    if (!existing.isEmpty()) {
        warn(tr("通道名称已存在!"));
        return false;
    }
    if (header.ChannelCount < 1) {
        warn(tr("通道数不能为0!"));
        return false;
    }
    // A model name from "config.ini" that the registry does not know has no driver to ask.
    if (!driver) {
        warn(tr("不支持的采集设备型号：%1").arg(translateTerm(header.Mode)));
        return false;
    }
    if (header.ChannelCount > driver->channelCount()) {
        warn(tr("超过最大通道数!"));
        return false;
    }
    return true;
}

void ChannelConfigNew::pt_Next_clicked()
{
    ChannelConfigData header;
    header.Name = ui->lineEdit_Name->text();
    header.ChannelCount = ui->lineEdit_Number->text().toInt();
    // The model is kept as its stored term, so a configuration of the empty model is found
    // again under any language.
    header.Mode = untranslateTerm(ui->comboBox_Mode->currentText());
    header.Remark.clear();
    header.Compensation = untranslateTerm(ui->comboBox_Way->currentText());
    header.ColdJunction = ui->lineEdit_Temp->text();
    if (!validate(header))
        return;

    ChannelConfigAdd editor;
    editor.setConfig(driver, header);
    if (editor.exec() == QDialog::Accepted) {
        configName = header.Name;
        accept();
    }
}
