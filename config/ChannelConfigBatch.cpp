#include "ChannelConfigBatch.h"
#include "ui_ChannelConfigBatch.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegExp>
#include <QRegExpValidator>

#include "ChannelRecords.h"
#include "Collection.h"
#include "Terms.h"

ChannelConfigBatch::ChannelConfigBatch(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ChannelConfigBatch)
{
    ui->setupUi(this);
    titleWarning = tr("警告");
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &ChannelConfigBatch::pt_OK_clicked);
    connect(ui->pushButton_Cancel, &QPushButton::clicked, this,
            &ChannelConfigBatch::pt_Cancel_clicked);
    // Clearing a box reports index -1, whose text is empty.
    connect(ui->comboBox_Type, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { cb_Type_clicked(ui->comboBox_Type->itemText(index)); });
    connect(ui->comboBox_Range, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { cb_Range_clicked(ui->comboBox_Range->itemText(index)); });
}

ChannelConfigBatch::~ChannelConfigBatch()
{
    delete ui;
}

QList<QLineEdit *> ChannelConfigBatch::numberFields() const
{
    return {ui->lineEdit_MX_B_M, ui->lineEdit_MX_B_B, ui->lineEdit_A_C0, ui->lineEdit_B_C1,
            ui->lineEdit_C_C2,   ui->lineEdit_D_C3,   ui->lineEdit_R0_C4, ui->lineEdit_A4_C5,
            ui->lineEdit_B4_C6,  ui->lineEdit_Low,    ui->lineEdit_Hight};
}

QString ChannelConfigBatch::fieldName(QLineEdit *field) const
{
    const QList<QPair<QLineEdit *, QLabel *>> labels = {
        {ui->lineEdit_MX_B_M, ui->label_MX_B_M}, {ui->lineEdit_MX_B_B, ui->label_MX_B_B},
        {ui->lineEdit_A_C0, ui->label_A_C0},     {ui->lineEdit_B_C1, ui->label_B_C1},
        {ui->lineEdit_C_C2, ui->label_C_C2},     {ui->lineEdit_D_C3, ui->label_D_C3},
        {ui->lineEdit_R0_C4, ui->label_R0_C4},   {ui->lineEdit_A4_C5, ui->label_A4_C5},
        {ui->lineEdit_B4_C6, ui->label_B4_C6},   {ui->lineEdit_Low, ui->label_Low},
        {ui->lineEdit_Hight, ui->label_Hight}};
    for (const auto &pair : labels) {
        if (pair.first == field) {
            QString text = pair.second->text();
            while (text.endsWith(QChar(0xFF1A)) || text.endsWith(QLatin1Char(':')))
                text.chop(1);
            return text;
        }
    }
    return QString();
}

void ChannelConfigBatch::initWidgets(Collection *collection)
{
    driver = collection;
    if (driver) {
        // The types of channel 101 stand for every channel. Filling the empty box selects its
        // first entry and so fills the function and wiring lists.
        ui->comboBox_Type->addItems(translateList(driver->typeList(101)));
        ui->comboBox_Unit->addItems(driver->unitList(QStringLiteral("All")));
    }
    const QRegExp number(QStringLiteral("[-0-9.]+$"));
    for (QLineEdit *field : numberFields())
        field->setValidator(new QRegExpValidator(number, field));
    ui->lineEdit_MX_B_M->setMaxLength(6);
    ui->lineEdit_MX_B_B->setMaxLength(6);
    ui->lineEdit_MX_B_M->setText(QStringLiteral("1"));
    ui->lineEdit_MX_B_B->setText(QStringLiteral("0"));
    for (QLineEdit *field : {ui->lineEdit_A_C0, ui->lineEdit_B_C1, ui->lineEdit_C_C2,
                             ui->lineEdit_D_C3, ui->lineEdit_R0_C4, ui->lineEdit_A4_C5,
                             ui->lineEdit_B4_C6, ui->lineEdit_Low})
        field->setText(QStringLiteral("0"));
    ui->lineEdit_Hight->setText(QStringLiteral("100"));
}

void ChannelConfigBatch::cb_Type_clicked(const QString &type)
{
    ui->comboBox_Range->clear();
    ui->comboBox_Wire->clear();
    if (!driver)
        return;
    const QString stored = untranslateTerm(type);
    ui->comboBox_Range->addItems(translateList(driver->functionList(stored)));
    ui->comboBox_Wire->addItems(translateList(driver->wiringList(stored)));
}

void ChannelConfigBatch::cb_Range_clicked(const QString &function)
{
    if (!driver)
        return;
    const QList<bool> mask = driver->coefficientMask(untranslateTerm(function));
    if (mask.size() < 9)
        return;
    const QList<QLineEdit *> fields = {ui->lineEdit_A_C0,  ui->lineEdit_B_C1,  ui->lineEdit_C_C2,
                                       ui->lineEdit_D_C3,  ui->lineEdit_R0_C4, ui->lineEdit_A4_C5,
                                       ui->lineEdit_B4_C6, ui->lineEdit_MX_B_M, ui->lineEdit_MX_B_B};
    for (int i = 0; i < fields.size(); ++i)
        fields.at(i)->setEnabled(mask.at(i));
}

void ChannelConfigBatch::pt_OK_clicked()
{
    // A number field holding "-", "." or "1.2.3" would be written as that text into every
    // checked row, and a gain that is no number reaches the instrument as 0.
    for (QLineEdit *field : numberFields()) {
        const bool correction = field == ui->lineEdit_MX_B_M || field == ui->lineEdit_MX_B_B;
        const bool valid = correction ? isCorrectionText(field->text())
                                      : isNumberText(field->text());
        if (!valid) {
            QMessageBox::information(this, titleWarning,
                                     tr("%1：请输入有效的数字！").arg(fieldName(field)),
                                     QMessageBox::Ok);
            return;
        }
    }
    values.clear();
    values << ui->comboBox_Type->currentText() << ui->comboBox_Range->currentText()
           << ui->comboBox_Wire->currentText() << ui->lineEdit_MX_B_M->text()
           << ui->lineEdit_MX_B_B->text() << ui->comboBox_Unit->currentText()
           << ui->lineEdit_A_C0->text() << ui->lineEdit_B_C1->text() << ui->lineEdit_C_C2->text()
           << ui->lineEdit_D_C3->text() << ui->lineEdit_R0_C4->text()
           << ui->lineEdit_A4_C5->text() << ui->lineEdit_B4_C6->text()
           << (ui->checkBox_LowState->isChecked() ? QStringLiteral("true") : QStringLiteral("false"))
           << ui->lineEdit_Low->text()
           << (ui->checkBox_HightState->isChecked() ? QStringLiteral("true") : QStringLiteral("false"))
           << ui->lineEdit_Hight->text();
    accept();
}

void ChannelConfigBatch::pt_Cancel_clicked()
{
    reject();
}
