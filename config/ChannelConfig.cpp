#include "ChannelConfig.h"
#include "ui_ChannelConfig.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QList>
#include <QMessageBox>
#include <QTableWidget>

#include "ChannelCoefficientFile.h"
#include "ChannelConfigNew.h"
#include "ChannelConfigOpen.h"
#include "ChannelRecords.h"
#include "Database.h"
#include "Records.h"
#include "Registry.h"
#include "Terms.h"

ChannelConfig::ChannelConfig(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ChannelConfig)
{
    ui->setupUi(this);
    titleInformation = tr("提示");
    titleWarning = tr("警告");
    initTable();
    connect(ui->pushButton_Open, &QPushButton::clicked, this, &ChannelConfig::pt_Open_clicked);
    connect(ui->pushButton_New, &QPushButton::clicked, this, &ChannelConfig::pt_New_clicked);
    connect(ui->pushButton_Export, &QPushButton::clicked, this, &ChannelConfig::pt_Export_clicked);
    connect(ui->pushButton_Delete, &QPushButton::clicked, this, &ChannelConfig::pt_Delete_clicked);
}

ChannelConfig::~ChannelConfig()
{
    delete ui;
}

void ChannelConfig::setSettings(SystemSettings *record)
{
    settings = record;
}

void ChannelConfig::initTable()
{
    QTableWidget *table = ui->tableWidget_List;
    table->setColumnCount(19);
    table->setHorizontalHeaderLabels(
        {tr("序号"), tr("通道编号"), tr("通道标签"), tr("通道类型"), tr("通道功能"),
         tr("接线线制"), QStringLiteral("Mx+B"), tr("单位"), QStringLiteral("A/B0"),
         QStringLiteral("B/B1"), QStringLiteral("C/B2"), QStringLiteral("D/B3"),
         QStringLiteral("R0/C4"), QStringLiteral("A4/C5"), QStringLiteral("B4/C6"),
         tr("下限警告启用"), tr("下限警告"), tr("上限警告启用"), tr("上限警告")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
}

void ChannelConfig::loadConfig(const QString &name)
{
    QTableWidget *table = ui->tableWidget_List;
    table->setRowCount(0);
    QList<ChannelConfigData> configs;
    selectChannelConfig(configs, name);
    if (configs.isEmpty())
        return;
    const ChannelConfigData config = configs.last();
    ui->lineEdit_Name->setText(config.Name);
    ui->lineEdit_Number->setText(QString::number(config.ChannelCount));
    ui->lineEdit_Mode->setText(translateTerm(config.Mode));
    // A count beyond its lists or its model is never laid out (it may be any number in a
    // restored or edited file); the name stays shown, so the configuration can be deleted.
    QString error;
    if (!checkChannelCount(config, config.Mode, modelChannelCount(config.Mode), error)) {
        QMessageBox::information(this, titleWarning, error, QMessageBox::Ok);
        return;
    }

    // A stored row whose lists are shorter than its count shows the missing cells empty.
    auto flagText = [](const QList<bool> &flags, int i) -> QString {
        if (i >= flags.size())
            return QString();
        return flags.at(i) ? QStringLiteral("true") : QStringLiteral("false");
    };
    for (int i = 0; i < config.ChannelCount; ++i) {
        const QStringList cells = {
            QString::number(i + 1),
            channelEntry(config.ChannelNumber, i),
            channelEntry(config.ChannelLabel, i),
            translateTerm(channelEntry(config.ChannelType, i)),
            translateTerm(channelEntry(config.ChannelFunction, i)),
            translateTerm(channelEntry(config.WireMode, i)),
            channelEntry(config.MX_B_M, i) + QLatin1Char('_') + channelEntry(config.MX_B_B, i),
            channelEntry(config.Unit, i),
            channelEntry(config.A_C0, i),
            channelEntry(config.B_C1, i),
            channelEntry(config.C_C2, i),
            channelEntry(config.D_C3, i),
            channelEntry(config.R0_C4, i),
            channelEntry(config.A4_C5, i),
            channelEntry(config.B4_C6, i),
            flagText(config.LowerAlarmEnable, i),
            channelEntry(config.LowerAlarm, i),
            flagText(config.UpperAlarmEnable, i),
            channelEntry(config.UpperAlarm, i)};
        table->insertRow(i);
        for (int column = 0; column < cells.size(); ++column)
            table->setItem(i, column, new QTableWidgetItem(cells.at(column)));
    }
    table->resizeColumnsToContents();
}

void ChannelConfig::pt_Open_clicked()
{
    ChannelConfigOpen dialog;
    if (dialog.exec() == QDialog::Accepted)
        loadConfig(dialog.configName);
}

void ChannelConfig::pt_New_clicked()
{
    ChannelConfigNew dialog;
    if (dialog.exec() == QDialog::Accepted)
        loadConfig(dialog.configName);
}

void ChannelConfig::pt_Export_clicked()
{
    const QString name = ui->lineEdit_Name->text();
    if (name.isEmpty() || ui->tableWidget_List->rowCount() == 0) {
        QMessageBox::information(this, titleWarning, tr("请先选择需要导出的文件!"),
                                 QMessageBox::Ok);
        return;
    }
    QList<ChannelConfigData> configs;
    selectChannelConfig(configs, name);
    if (configs.isEmpty())
        return;
    const ChannelConfigData config = configs.last();
    // The import lists "*.ini" files only.
    const QString path = pathWithSuffix(
        QFileDialog::getSaveFileName(this, tr("保存文件"), QString(),
                                     QStringLiteral("Config Files (*.ini)")),
        QStringLiteral(".ini"));
    if (path.isEmpty())
        return;
    if (!writeChannelCoefficientFile(path, config))
        QMessageBox::information(this, titleWarning, tr("导出文件失败!"), QMessageBox::Ok);
}

void ChannelConfig::pt_Delete_clicked()
{
    const QString name = ui->lineEdit_Name->text();
    if (name.isEmpty()) {
        QMessageBox::information(this, titleWarning, tr("请先选择需要删除的文件!"),
                                 QMessageBox::Ok);
        return;
    }
    const int answer = QMessageBox::information(
        this, titleInformation, tr("是否删除") + name + QStringLiteral("?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;
    if (deleteChannelConfig(name))
        ui->tableWidget_List->setRowCount(0);
    else
        QMessageBox::information(this, titleWarning, tr("删除文件失败!"), QMessageBox::Ok);
}
