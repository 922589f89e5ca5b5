#include "ChannelConfigAdd.h"
#include "ui_ChannelConfigAdd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegExp>
#include <QRegExpValidator>
#include <QSet>
#include <QTableWidget>

#include "ChannelCoefficientFile.h"
#include "ChannelConfigBatch.h"
#include "ChannelRecords.h"
#include "Collection.h"
#include "Database.h"
#include "Terms.h"

namespace {

bool isComboColumn(int column)
{
    return column == ChannelConfigAdd::ColNumber || column == ChannelConfigAdd::ColType
        || column == ChannelConfigAdd::ColFunction || column == ChannelConfigAdd::ColWire
        || column == ChannelConfigAdd::ColUnit;
}

bool isCheckColumn(int column)
{
    return column == ChannelConfigAdd::ColSelect || column == ChannelConfigAdd::ColLowerEnable
        || column == ChannelConfigAdd::ColUpperEnable;
}

// Columns whose cells must hold numbers: gain, offset, the seven coefficients, both limits.
QList<int> numberColumns()
{
    return {7, 8, 10, 11, 12, 13, 14, 15, 16, 18, 20};
}

} // namespace

ChannelConfigAdd::ChannelConfigAdd(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ChannelConfigAdd)
{
    ui->setupUi(this);
    table = ui->tableWidget_List;
    titleInformation = tr("提示");
    titleWarning = tr("警告");
    initTable();
    connect(ui->pushButton_All, &QPushButton::clicked, this, &ChannelConfigAdd::pt_All_clicked);
    connect(ui->pushButton_Batch, &QPushButton::clicked, this, &ChannelConfigAdd::pt_Batch_clicked);
    connect(ui->pushButton_Import, &QPushButton::clicked, this,
            &ChannelConfigAdd::pt_Import_clicked);
    connect(ui->pushButton_Cancel, &QPushButton::clicked, this,
            &ChannelConfigAdd::pt_Cancel_clicked);
    connect(ui->pushButton_Save, &QPushButton::clicked, this, &ChannelConfigAdd::pt_Save_clicked);
    connect(table, &QTableWidget::cellClicked, this, &ChannelConfigAdd::tw_cellClicked);
    connect(table, &QTableWidget::cellDoubleClicked, this,
            &ChannelConfigAdd::tw_cellDoubleClicked);
}

ChannelConfigAdd::~ChannelConfigAdd()
{
    delete ui;
}

void ChannelConfigAdd::initTable()
{
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels(
        {tr("选中"), tr("序号"), tr("通道编号"), tr("通道标签"), tr("通道类型"), tr("通道功能"),
         tr("接线线制"), QStringLiteral("Mx+B(M)"), QStringLiteral("Mx+B(B)"), tr("单位"),
         QStringLiteral("A/B0"), QStringLiteral("B/B1"), QStringLiteral("C/B2"),
         QStringLiteral("D/B3"), QStringLiteral("R0/C4"), QStringLiteral("A4/C5"),
         QStringLiteral("B4/C6"), tr("下限警告启用"), tr("下限警告"), tr("上限警告启用"),
         tr("上限警告")});
    table->verticalHeader()->setVisible(false);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    // All editing goes through the cell editors of this dialog.
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ChannelConfigAdd::setConfig(Collection *collection, const ChannelConfigData &header)
{
    driver = collection;
    config = header;
    ui->lineEdit_Name->setText(config.Name);
    ui->lineEdit_Mode->setText(translateTerm(config.Mode));
    ui->lineEdit_Number->setText(QString::number(config.ChannelCount));

    const QStringList numbers = driver ? driver->channelNumberList(config.ChannelCount)
                                       : QStringList();
    table->setRowCount(0);
    for (int i = 0; i < config.ChannelCount; ++i)
        insertDefaultRow(i, numbers.value(i));
    table->resizeColumnsToContents();
}

void ChannelConfigAdd::insertDefaultRow(int row, const QString &number)
{
    // Entry 0 of each option list; a list the driver leaves empty gives an empty text.
    QString type, function, wiring, unit;
    if (driver) {
        type = driver->typeList(number.toInt()).value(0);
        function = driver->functionList(type).value(0);
        wiring = driver->wiringList(type).value(0);
        unit = driver->unitList(type).value(0);
    }
    table->insertRow(row);
    table->setCellWidget(row, ColSelect, makeCheckCell());
    auto *serial = new QTableWidgetItem(QString::number(row + 1));
    serial->setFlags(Qt::ItemIsEditable);   // shown disabled, neither enabled nor selectable
    table->setItem(row, ColSerial, serial);
    setCellText(row, ColNumber, number);
    setCellText(row, ColLabel, QStringLiteral("CH") + number);
    setCellText(row, ColType, translateTerm(type));
    setCellText(row, ColFunction, translateTerm(function));
    setCellText(row, ColWire, translateTerm(wiring));
    setCellText(row, ColGain, QStringLiteral("1"));
    setCellText(row, ColOffset, QStringLiteral("0"));
    setCellText(row, ColUnit, unit);
    for (int column = ColA_C0; column <= ColB4_C6; ++column)
        setCellText(row, column, QStringLiteral("0"));
    table->setCellWidget(row, ColLowerEnable, makeCheckCell());
    setCellText(row, ColLower, QStringLiteral("0"));
    table->setCellWidget(row, ColUpperEnable, makeCheckCell());
    setCellText(row, ColUpper, QStringLiteral("100"));
}

void ChannelConfigAdd::setCellText(int row, int column, const QString &text)
{
    QTableWidgetItem *item = table->item(row, column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        table->setItem(row, column, item);
    }
    item->setText(text);
}

QString ChannelConfigAdd::cellText(int row, int column) const
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}

QWidget *ChannelConfigAdd::makeCheckCell()
{
    auto *cell = new QWidget;
    auto *layout = new QHBoxLayout(cell);
    auto *box = new QCheckBox(cell);
    layout->addWidget(box);
    layout->setAlignment(box, Qt::AlignHCenter | Qt::AlignVCenter);
    layout->setContentsMargins(0, 0, 0, 0);
    return cell;
}

QCheckBox *ChannelConfigAdd::cellCheckBox(int row, int column) const
{
    QWidget *cell = table->cellWidget(row, column);
    return cell ? cell->findChild<QCheckBox *>() : nullptr;
}

bool ChannelConfigAdd::cellChecked(int row, int column) const
{
    // A row without its check-box cell counts as unchecked, so the flag lists stay aligned.
    const QCheckBox *box = cellCheckBox(row, column);
    return box && box->isChecked();
}

QString ChannelConfigAdd::storedType(int row) const
{
    return untranslateTerm(cellText(row, ColType));
}

QStringList ChannelConfigAdd::choices(int row, int column) const
{
    if (!driver)
        return {};
    switch (column) {
    case ColNumber:
        return driver->channelNumberList(0);
    case ColType:
        return translateList(driver->typeList(cellText(row, ColNumber).toInt()));
    case ColFunction:
        return translateList(driver->functionList(storedType(row)));
    case ColWire:
        return translateList(driver->wiringList(storedType(row)));
    case ColUnit:
        return driver->unitList(storedType(row));
    default:
        return {};
    }
}

void ChannelConfigAdd::tw_cellDoubleClicked(int row, int column)
{
    if (row < 0 || row >= table->rowCount() || column < 0 || column >= ColumnCount)
        return;
    if (isCheckColumn(column) || column == ColSerial)
        return;
    if (isComboColumn(column))
        openComboEditor(row, column, choices(row, column));
    else
        openLineEditor(row, column, column != ColLabel);
}

bool ChannelConfigAdd::beginEdit(int row, int column)
{
    if (editing)
        return false;
    oldText = cellText(row, column);
    editing = true;
    editRow = row;
    editColumn = column;
    return true;
}

void ChannelConfigAdd::placeEditor(QWidget *editor)
{
    editor->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    table->setCellWidget(editRow, editColumn, editor);
}

void ChannelConfigAdd::endEdit(const QString &text)
{
    editing = false;
    table->removeCellWidget(editRow, editColumn);   // deletes the editor
    comboEditor = nullptr;
    lineEditor = nullptr;
    setCellText(editRow, editColumn, text);
}

void ChannelConfigAdd::openComboEditor(int row, int column, const QStringList &list)
{
    if (!beginEdit(row, column))
        return;
    comboEditor = new QComboBox(this);
    comboEditor->addItems(list);
    const int current = comboEditor->findText(oldText, Qt::MatchExactly);
    if (current >= 0)
        comboEditor->setCurrentIndex(current);
    placeEditor(comboEditor);
    table->resizeColumnsToContents();
}

void ChannelConfigAdd::openLineEditor(int row, int column, bool validated)
{
    if (!beginEdit(row, column))
        return;
    lineEditor = new QLineEdit(this);
    lineEditor->setText(oldText);
    if (validated)
        lineEditor->setValidator(
            new QRegExpValidator(QRegExp(QStringLiteral("[-0-9.]+$")), lineEditor));
    placeEditor(lineEditor);
}

void ChannelConfigAdd::commitComboEditor()
{
    if (!comboEditor)
        return;
    const QString text = comboEditor->currentText();
    const int row = editRow;
    const int column = editColumn;
    endEdit(text);
    if (column == ColNumber) {
        setCellText(row, ColLabel, QStringLiteral("CH") + text);
    } else if (column == ColType && text != oldText) {
        const QString function =
            driver ? driver->functionList(untranslateTerm(text)).value(0) : QString();
        setCellText(row, ColFunction, translateTerm(function));
    }
    table->resizeColumnsToContents();
}

void ChannelConfigAdd::commitLineEditor()
{
    if (!lineEditor)
        return;
    endEdit(lineEditor->text());
    table->resizeColumnsToContents();
}

void ChannelConfigAdd::closeEditor(int row, int column)
{
    if (!editing)
        return;
    if (row == editRow && column == editColumn)
        return;
    if (isComboColumn(editColumn))
        commitComboEditor();
    else
        commitLineEditor();
}

void ChannelConfigAdd::tw_cellClicked(int row, int column)
{
    closeEditor(row, column);
}

void ChannelConfigAdd::pt_All_clicked()
{
    const bool selectAll = ui->pushButton_All->text() == tr("全选");
    ui->pushButton_All->setText(selectAll ? tr("取消全选") : tr("全选"));
    for (int row = 0; row < table->rowCount(); ++row) {
        if (QCheckBox *box = cellCheckBox(row, ColSelect))
            box->setChecked(selectAll);
    }
}

void ChannelConfigAdd::pt_Batch_clicked()
{
    // An open cell editor would later write its old text over the batch values.
    closeEditor(-1, -1);
    checkedRows.clear();
    for (int row = 0; row < table->rowCount(); ++row) {
        if (cellChecked(row, ColSelect))
            checkedRows.append(cellText(row, ColSerial).toInt());
    }
    if (checkedRows.isEmpty()) {
        warn(tr("请先选择通道！"));
        return;
    }
    ChannelConfigBatch batch;
    batch.initWidgets(driver);
    if (batch.exec() == QDialog::Accepted)
        applyBatchValues(batch.values);
}

void ChannelConfigAdd::applyBatchValues(const QStringList &values)
{
    if (values.size() < 17)
        return;
    for (int serial : qAsConst(checkedRows)) {
        const int row = serial - 1;
        if (row < 0 || row >= table->rowCount())
            continue;
        for (int k = 0; k < 17; ++k) {
            const int column = k + 4;
            const QString &value = values.at(k);
            if (column == ColLowerEnable || column == ColUpperEnable) {
                if (QCheckBox *box = cellCheckBox(row, column))
                    box->setChecked(value == QLatin1String("true"));
            } else if (column >= ColA_C0 && column <= ColB4_C6) {
                if (value != QLatin1String("0"))
                    setCellText(row, column, value);
            } else {
                setCellText(row, column, value);
            }
        }
    }
    table->resizeColumnsToContents();
}

void ChannelConfigAdd::pt_Import_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("打开文件"), QString(),
                                                      QStringLiteral("Config Files (*.ini)"));
    if (path.isNull())
        return;
    closeEditor(-1, -1);
    const ChannelConfigData lists = readChannelCoefficientFile(path);
    const QList<QPair<const QStringList *, int>> targets = {
        {&lists.A_C0, 10},  {&lists.B_C1, 11},  {&lists.C_C2, 12},
        {&lists.D_C3, 13},  {&lists.R0_C4, 14}, {&lists.A4_C5, 15},
        {&lists.B4_C6, 16}, {&lists.MX_B_M, ColGain}, {&lists.MX_B_B, ColOffset}};
    for (int row = 0; row < table->rowCount(); ++row) {
        for (const auto &target : targets) {
            if (row < target.first->size())
                setCellText(row, target.second, target.first->at(row));
        }
    }
    table->resizeColumnsToContents();
}

void ChannelConfigAdd::pt_Cancel_clicked()
{
    reject();
}

void ChannelConfigAdd::warn(const QString &text)
{
    QMessageBox::information(this, titleWarning, text, QMessageBox::Ok);
}

bool ChannelConfigAdd::checkCells(const ChannelConfigData &copy)
{
    for (int row = 0; row < table->rowCount(); ++row) {
        // A comma would shift every later label when the stored row is read back.
        if (cellText(row, ColLabel).contains(QLatin1Char(','))) {
            warn(tr("第%1行：通道标签不许使用逗号！").arg(row + 1));
            return false;
        }
        for (int column : numberColumns()) {
            const QString text = cellText(row, column);
            const bool correction = column == ColGain || column == ColOffset;
            if (!(correction ? isCorrectionText(text) : isNumberText(text))) {
                const QString header = table->horizontalHeaderItem(column)->text();
                warn(tr("第%1行：%2不是有效的数字！").arg(row + 1).arg(header));
                return false;
            }
        }
    }
    if (!isNumberText(copy.ColdJunction)) {
        warn(tr("冷端温度不是有效的数字！"));
        return false;
    }
    return true;
}

void ChannelConfigAdd::pt_Save_clicked()
{
    closeEditor(-1, -1);

    ChannelConfigData copy = config;
    copy.Time = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    copy.Remark.clear();
    for (int row = 0; row < table->rowCount(); ++row) {
        copy.ChannelNumber << cellText(row, ColNumber);
        copy.ChannelLabel << cellText(row, ColLabel);
        copy.ChannelType << untranslateTerm(cellText(row, ColType));
        copy.ChannelFunction << untranslateTerm(cellText(row, ColFunction));
        copy.WireMode << untranslateTerm(cellText(row, ColWire));
        copy.MX_B_M << cellText(row, ColGain);
        copy.MX_B_B << cellText(row, ColOffset);
        copy.Unit << cellText(row, ColUnit);
        copy.A_C0 << cellText(row, 10);
        copy.B_C1 << cellText(row, 11);
        copy.C_C2 << cellText(row, 12);
        copy.D_C3 << cellText(row, 13);
        copy.R0_C4 << cellText(row, 14);
        copy.A4_C5 << cellText(row, 15);
        copy.B4_C6 << cellText(row, 16);
        copy.LowerAlarmEnable << cellChecked(row, ColLowerEnable);
        copy.LowerAlarm << cellText(row, ColLower);
        copy.UpperAlarmEnable << cellChecked(row, ColUpperEnable);
        copy.UpperAlarm << cellText(row, ColUpper);
    }

    const QSet<QString> distinct(copy.ChannelNumber.begin(), copy.ChannelNumber.end());
    if (distinct.size() < copy.ChannelNumber.size()) {
        warn(tr("通道编号不能重复！"));
        return;
    }
    for (int i = 1; i < copy.ChannelNumber.size(); ++i) {
        if (copy.ChannelNumber.at(i - 1).toInt() >= copy.ChannelNumber.at(i).toInt()) {
            warn(tr("通道编号需要递增！"));
            return;
        }
    }
    if (!checkCells(copy))
        return;
    if (!driver) {
        warn(tr("不支持的采集设备型号：%1").arg(translateTerm(copy.Mode)));
        return;
    }

    QList<ChannelRecord> records;
    buildChannelRecords(copy, records);
    QString error;
    if (!driver->checkChannels(records, error)) {
        warn(error);
        return;
    }
    if (!insertChannelConfig(copy)) {
        warn(tr("添加数据失败！"));
        return;
    }
    QMessageBox::information(this, titleInformation, tr("添加成功！"), QMessageBox::Ok);
    accept();
}
