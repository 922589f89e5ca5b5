#include "ParametersChannel.h"
#include "ui_ParametersChannel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSet>
#include <QTableWidgetItem>

#include "SystemSettings.h"

ParametersChannel::ParametersChannel(QWidget *parent)
    : QDialog(parent),
      ui(new Ui::ParametersChannel),
      titleInfo(tr("提示")),
      titleWarning(tr("警告"))
{
    ui->setupUi(this);
    QTableWidget *table = ui->tableWidget_List;
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels({tr("设备"), tr("通道"), tr("项目")});
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
}

ParametersChannel::~ParametersChannel()
{
    delete ui;
}

void ParametersChannel::setSettings(SystemSettings *systemSettings)
{
    settings = systemSettings;
    if (!settings)
        return;
    devices = settings->planDevices;
    configs = settings->planChannelConfigs;
    projectNames = settings->projectNames;
    // The plan dialog gives every instrument its configuration; a shorter list ends the rows.
    deviceCount = qMin(devices.size(), configs.size());

    QTableWidget *table = ui->tableWidget_List;
    for (int i = 0; i < deviceCount; ++i) {
        const ChannelConfigData &config = configs.at(i);
        const QString deviceText = QString::number(devices.at(i).number) + QStringLiteral("_")
            + devices.at(i).model;
        for (int j = 0; j < config.ChannelCount; ++j) {
            channelNumbers << config.ChannelNumber.value(j);
            channelLabels << config.ChannelLabel.value(j);
            units << config.Unit.value(j);
            lowerAlarmEnables << config.LowerAlarmEnable.value(j, false);
            lowerAlarms << config.LowerAlarm.value(j);
            upperAlarmEnables << config.UpperAlarmEnable.value(j, false);
            upperAlarms << config.UpperAlarm.value(j);
            rowDevices << i;

            const int row = table->rowCount();
            table->insertRow(row);
            table->setItem(row, 0, new QTableWidgetItem(deviceText));
            table->setItem(row, 1, new QTableWidgetItem(config.ChannelNumber.value(j)));
            auto *holder = new QWidget(table);
            auto *layout = new QHBoxLayout(holder);
            layout->setContentsMargins(0, 0, 0, 0);
            auto *box = new QComboBox(holder);
            box->addItems(projectNames);
            layout->addWidget(box);
            table->setCellWidget(row, 2, holder);
            projectBoxes << box;
        }
    }
    table->resizeColumnsToContents();
}

QComboBox *ParametersChannel::projectBox(int row) const
{
    return projectBoxes.value(row, nullptr);
}

void ParametersChannel::warn(const QString &text)
{
    QMessageBox::information(this, titleWarning, text, QMessageBox::Ok);
}

void ParametersChannel::addChannelRow(int row, int deviceIndex, int projectIndex)
{
    const QString prefix = QString::number(deviceIndex + 1) + QStringLiteral("-");
    ChannelRow channel;
    channel.deviceIndex = deviceIndex;
    channel.projectIndex = projectIndex;
    channel.channelName = prefix + channelNumbers.value(row);
    channel.labelName = prefix + channelLabels.value(row);
    channel.unit = units.value(row);
    channel.lowerAlarmEnable = lowerAlarmEnables.value(row, false);
    channel.lowerAlarm = lowerAlarms.value(row);
    channel.upperAlarmEnable = upperAlarmEnables.value(row, false);
    channel.upperAlarm = upperAlarms.value(row);
    settings->planChannels.append(channel);
}

void ParametersChannel::pt_OK_clicked()
{
    if (!settings)
        return;
    settings->planChannels.clear();
    for (int r = 0; r < projectBoxes.size(); ++r)
        addChannelRow(r, rowDevices.at(r), projectBoxes.at(r)->currentIndex());

    for (int k = 0; k < projectNames.size(); ++k) {
        QSet<QString> kinds;
        bool any = false;
        for (const ChannelRow &channel : qAsConst(settings->planChannels)) {
            if (channel.projectIndex == k) {
                any = true;
                kinds.insert(channel.unit);
            }
        }
        if (!any) {
            warn(tr("项目") + QString::number(k + 1) + tr(":未选择通道！"));
            return;
        }
        if (kinds.size() > 2) {
            warn(tr("项目") + QString::number(k + 1) + tr(":通道单位最多为两类！"));
            return;
        }
    }
    if (!settings->planChannels.isEmpty())
        accept();
}
