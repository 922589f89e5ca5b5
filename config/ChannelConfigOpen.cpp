#include "ChannelConfigOpen.h"
#include "ui_ChannelConfigOpen.h"

#include <QHeaderView>
#include <QList>
#include <QTableWidget>

#include "ConfigurationTable.h"
#include "Database.h"
#include "Records.h"

ChannelConfigOpen::ChannelConfigOpen(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ChannelConfigOpen)
{
    ui->setupUi(this);
    QTableWidget *table = ui->tableWidget_List;
    table->setColumnCount(2);
    table->setHorizontalHeaderLabels({tr("名称"), tr("时间")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    connect(table, &QTableWidget::cellDoubleClicked, this,
            &ChannelConfigOpen::pt_TableWidget_clicked);
    loadList();
}

ChannelConfigOpen::~ChannelConfigOpen()
{
    delete ui;
}

void ChannelConfigOpen::loadList()
{
    QList<ChannelConfigData> configs;
    selectChannelConfig(configs, QString());
    showConfigurationTable(ui->tableWidget_List, configs);
}

void ChannelConfigOpen::pt_TableWidget_clicked(int row, int column)
{
    Q_UNUSED(column)
    QTableWidget *table = ui->tableWidget_List;
    // The name cell of the double-clicked row (the row is selected by the click before).
    const QTableWidgetItem *item = table->item(row, 0);
    const QList<QTableWidgetItem *> selected = table->selectedItems();
    if (!item && !selected.isEmpty())
        item = selected.first();
    if (!item)
        return;
    configName = item->text();
    accept();
}
