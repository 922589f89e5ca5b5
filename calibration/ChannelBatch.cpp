#include "ChannelBatch.h"
#include "ui_ChannelBatch.h"

#include <QHeaderView>
#include <QTableWidget>

void setUpChoiceTable(QTableWidget *table, const QStringList &titles)
{
    table->setColumnCount(titles.size());
    table->setHorizontalHeaderLabels(titles);
    table->verticalHeader()->setVisible(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
}

ChannelBatch::ChannelBatch(QWidget *parent) : QDialog(parent), ui(new Ui::ChannelBatchClass)
{
    ui->setupUi(this);
    setUpChoiceTable(ui->tableWidget_List, {tr("配置文件"), tr("批次"), tr("通道")});
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ChannelBatch::OK_Clicked);
    connect(ui->pushButton_Quit, &QPushButton::clicked, this, &ChannelBatch::pt_Quit_clicked);
}

ChannelBatch::~ChannelBatch()
{
    delete ui;
}

void ChannelBatch::fillTable(int perBatch, QStringList configNames, QList<QStringList> channels)
{
    perBatch = qMax(1, perBatch);
    QTableWidget *table = ui->tableWidget_List;
    table->setRowCount(0);
    int row = 0;
    for (int slot = 0; slot < channels.size(); ++slot) {
        for (const QString &number : channels.at(slot)) {
            table->insertRow(row);
            table->setItem(row, 0, new QTableWidgetItem(configNames.value(slot)));
            table->setItem(row, 1, new QTableWidgetItem(QString::number(row / perBatch + 1)));
            table->setItem(row, 2, new QTableWidgetItem(number));
            ++row;
        }
    }
    batches = row == 0 ? 1 : (row - 1) / perBatch + 1;
    table->resizeColumnsToContents();
}

int ChannelBatch::batchCount()
{
    return batches;
}

void ChannelBatch::OK_Clicked()
{
    accept();
}

void ChannelBatch::pt_Quit_clicked()
{
    close();
}
