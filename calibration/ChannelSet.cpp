#include "ChannelSet.h"
#include "ui_ChannelSet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QTableWidget>

#include "ChannelBatch.h"
#include "Terms.h"

ChannelSet::ChannelSet(QWidget *parent) : QDialog(parent), ui(new Ui::ChannelSetClass)
{
    ui->setupUi(this);
    setUpChoiceTable(ui->tableWidget_List,
                     {tr("选中"), tr("配置文件"), tr("类型"), tr("功能"), tr("通道")});
    connect(ui->comboBox_Mode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { Mode_Changed(ui->comboBox_Mode->itemText(index)); });
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ChannelSet::OK_Clicked);
    connect(ui->pushButton_Quit, &QPushButton::clicked, this, &ChannelSet::pt_Quit_clicked);
    connect(ui->pushButton_All, &QPushButton::clicked, this, &ChannelSet::pt_All_clicked);
}

ChannelSet::~ChannelSet()
{
    delete ui;
}

void ChannelSet::fillTable(QList<bool> used, QList<AcquisitionDeviceRecord> devices,
                           QList<QList<ChannelRecord>> channels)
{
    slotUsed = used;
    QTableWidget *table = ui->tableWidget_List;
    QStringList types;
    for (int slot = 0; slot < slotUsed.size(); ++slot) {
        const QList<ChannelRecord> slotChannels = channels.value(slot);
        if (!slotUsed.at(slot)) {
            rowCounts.append(0);
            continue;
        }
        rowCounts.append(slotChannels.size());
        for (const ChannelRecord &channel : slotChannels) {
            const int row = table->rowCount();
            table->insertRow(row);
            auto *cell = new QWidget;
            auto *layout = new QHBoxLayout(cell);
            layout->setContentsMargins(0, 0, 0, 0);
            auto *check = new QCheckBox;
            layout->addWidget(check, 0, Qt::AlignCenter);
            table->setCellWidget(row, 0, cell);
            rowChecks.append(check);
            table->setItem(row, 1, new QTableWidgetItem(devices.value(slot).channelConfig));
            table->setItem(row, 2, new QTableWidgetItem(translateTerm(channel.type)));
            table->setItem(row, 3, new QTableWidgetItem(translateTerm(channel.function)));
            table->setItem(row, 4, new QTableWidgetItem(channel.channelNumber));
            types.append(channel.type);
        }
    }
    table->resizeColumnsToContents();
    QStringList offered;
    for (const char *type : {"铂电阻", "热敏电阻", "热电偶"}) {
        if (types.contains(QString::fromUtf8(type)))
            offered.append(QString::fromUtf8(type));
    }
    if (offered.isEmpty())
        offered.append(QStringLiteral("空"));
    ui->comboBox_Mode->addItems(translateList(offered));
}

void ChannelSet::Mode_Changed(QString shownType)
{
    const QString type = untranslateTerm(shownType);
    QTableWidget *table = ui->tableWidget_List;
    for (int row = 0; row < rowChecks.size(); ++row) {
        QCheckBox *check = rowChecks.at(row);
        check->setChecked(false);
        const QString rowType = untranslateTerm(table->item(row, 2)->text());
        const QString function = untranslateTerm(table->item(row, 3)->text());
        bool enabled = rowType == type;
        if (enabled && type == QStringLiteral("热敏电阻"))
            enabled = function == QStringLiteral("R(T)");
        else if (enabled && type == QStringLiteral("铂电阻"))
            enabled = function == QStringLiteral("ITS90") || function == QStringLiteral("CVD");
        check->setEnabled(enabled);
    }
}

void ChannelSet::pt_All_clicked()
{
    const bool checkAll = ui->pushButton_All->text() == tr("全选");
    ui->pushButton_All->setText(checkAll ? tr("取消全选") : tr("全选"));
    for (QCheckBox *check : qAsConst(rowChecks))
        check->setChecked(checkAll && check->isEnabled());
}

void ChannelSet::OK_Clicked()
{
    chosenType = untranslateTerm(ui->comboBox_Mode->currentText());
    QList<QStringList> chosen;
    bool any = false;
    int row = 0;
    for (int count : qAsConst(rowCounts)) {
        QStringList numbers;
        for (int i = 0; i < count; ++i, ++row) {
            if (rowChecks.at(row)->isChecked()) {
                numbers.append(ui->tableWidget_List->item(row, 4)->text());
                any = true;
            }
        }
        chosen.append(untranslateList(numbers));
    }
    if (!any) {
        QMessageBox::information(this, tr("提示"), tr("请先选择需要校准的通道！"));
        return;
    }
    chosenChannels = chosen;
    accept();
}

void ChannelSet::pt_Quit_clicked()
{
    close();
}

QList<QStringList> ChannelSet::selectedChannels()
{
    return chosenChannels;
}

QString ChannelSet::channelType()
{
    return chosenType;
}
