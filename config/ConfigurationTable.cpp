#include "ConfigurationTable.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QTableWidgetItem>

void showConfigurationTable(QTableWidget *table, const QList<ChannelConfigData> &configs)
{
    table->setRowCount(0);
    for (const ChannelConfigData &config : configs) {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(config.Name));
        table->setItem(row, 1, new QTableWidgetItem(config.Time));
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
}
