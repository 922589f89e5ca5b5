#include "ParametersTemp.h"
#include "ui_ParametersTemp.h"

#include <QAbstractItemView>
#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QTableWidgetItem>

#include "ChannelRecords.h"

ParametersTemp::ParametersTemp(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ParametersTemp)
{
    ui->setupUi(this);
    setFixedSize(320, 400);

    QTableWidget *table = ui->tableWidget;
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({tr("名称"), tr("数据")});
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->horizontalHeader()->setStretchLastSection(true);

    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ParametersTemp::pt_Cancel_clicked);
}

ParametersTemp::~ParametersTemp()
{
    delete ui;
}

void ParametersTemp::setValues(int accuracy, const ChannelConfigData &config,
                               const QStringList &values)
{
    QTableWidget *table = ui->tableWidget;
    for (int i = 0; i < config.ChannelCount; ++i) {
        const double value = channelEntry(values, i).toDouble();
        table->insertRow(i);
        table->setItem(i, 0, new QTableWidgetItem(channelEntry(config.ChannelLabel, i)));

        auto *item = new QTableWidgetItem(QString::number(value, 'f', accuracy)
                                          + channelEntry(config.Unit, i));
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        if (channelFlag(config.LowerAlarmEnable, i)
            && channelEntry(config.LowerAlarm, i).toDouble() > value)
            item->setForeground(QBrush(QColor(0, 0, 255)));
        if (channelFlag(config.UpperAlarmEnable, i)
            && value > channelEntry(config.UpperAlarm, i).toDouble())
            item->setForeground(QBrush(QColor(255, 0, 0)));
        table->setItem(i, 1, item);
    }
    table->resizeColumnsToContents();
}

void ParametersTemp::pt_OK_clicked()
{
    accept();
}

void ParametersTemp::pt_Cancel_clicked()
{
    close();
}
