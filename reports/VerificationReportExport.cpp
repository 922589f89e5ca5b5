#include "VerificationReportExport.h"
#include "ui_VerificationReportExport.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QRegExpValidator>

#include "ReportExportRun.h"
#include "Terms.h"

VerificationReportExport::VerificationReportExport(QWidget *parent)
    : QDialog(parent),
      ui(new Ui::VerificationReportExport)
{
    ui->setupUi(this);
    setModal(true);
    ready = false;
    ui->checkBox_Data->setChecked(true);
    ui->checkBox_Data->setEnabled(false);
    startEdits = {ui->dateTimeEdit_StartTime1, ui->dateTimeEdit_StartTime2,
                  ui->dateTimeEdit_StartTime3, ui->dateTimeEdit_StartTime4,
                  ui->dateTimeEdit_StartTime5, ui->dateTimeEdit_StartTime6};
    endEdits = {ui->dateTimeEdit_EndTime1, ui->dateTimeEdit_EndTime2, ui->dateTimeEdit_EndTime3,
                ui->dateTimeEdit_EndTime4, ui->dateTimeEdit_EndTime5, ui->dateTimeEdit_EndTime6};
    remarkEdits = {ui->lineEdit_TimeRemarks1, ui->lineEdit_TimeRemarks2,
                   ui->lineEdit_TimeRemarks3, ui->lineEdit_TimeRemarks4,
                   ui->lineEdit_TimeRemarks5, ui->lineEdit_TimeRemarks6};
    ui->lineEdit_Interval->setValidator(
        new QRegExpValidator(QRegExp(QStringLiteral("[0-9.]+$")), ui->lineEdit_Interval));
}

VerificationReportExport::~VerificationReportExport()
{
    delete ui;
}

void VerificationReportExport::setOptions(ReportExportOptions *record)
{
    options = record;
    showOptions();
    setTableChoices();
}

void VerificationReportExport::showOptions()
{
    ui->lineEdit_Interval->setText(options->scanInterval);
    ui->comboBox_Segment->setCurrentText(options->segmentCount);
    const int n = ui->comboBox_Segment->currentIndex() + 1;
    for (int k = 0; k < 6; ++k) {
        const bool inUse = k < n;
        if (inUse && n > 1) {
            startEdits.at(k)->setDateTime(options->segmentStarts.value(k, options->rangeStart));
            endEdits.at(k)->setDateTime(options->segmentEnds.value(k, options->rangeEnd));
            remarkEdits.at(k)->setText(options->segmentRemarks.value(k));
        } else {
            startEdits.at(k)->setDateTime(options->rangeStart);
            endEdits.at(k)->setDateTime(options->rangeEnd);
        }
        startEdits.at(k)->setEnabled(inUse);
        endEdits.at(k)->setEnabled(inUse);
        remarkEdits.at(k)->setEnabled(inUse);
    }
    ready = true;
}

void VerificationReportExport::setTableChoices()
{
    struct Axis
    {
        QString unit;
        int channels;
        QCheckBox *horizontal;
        QCheckBox *vertical;
    };
    const Axis axes[] = {
        {options->leftUnit, options->leftChannelCount, ui->checkBox_Vertically1,
         ui->checkBox_Horizontally1},
        {options->rightUnit, options->rightChannelCount, ui->checkBox_Vertically2,
         ui->checkBox_Horizontally2},
    };
    for (const Axis &axis : axes) {
        // An axis without channels has no tables; a horizontal analysis compares channels.
        const bool shown = !axis.unit.isEmpty() && axis.channels > 0;
        const QString quantity = shown ? quantityOfUnit(axis.unit) : QString();
        axis.horizontal->setVisible(shown);
        axis.vertical->setVisible(shown);
        axis.horizontal->setEnabled(axis.channels >= 2);
        axis.horizontal->setChecked(false);
        axis.vertical->setChecked(false);
        axis.horizontal->setText(quantity + tr("横向分析表"));
        axis.vertical->setText(quantity + tr("竖向分析表"));
    }
}

void VerificationReportExport::followEnd(int row, const QDateTime &time)
{
    // A segment's end moves the start of the next one, once the dialog shows the options.
    if (ready && row + 1 < startEdits.size())
        startEdits.at(row + 1)->setDateTime(time);
}

void VerificationReportExport::dateTimeChanged1_clicked(const QDateTime &time)
{
    followEnd(0, time);
}

void VerificationReportExport::dateTimeChanged2_clicked(const QDateTime &time)
{
    followEnd(1, time);
}

void VerificationReportExport::dateTimeChanged3_clicked(const QDateTime &time)
{
    followEnd(2, time);
}

void VerificationReportExport::dateTimeChanged4_clicked(const QDateTime &time)
{
    followEnd(3, time);
}

void VerificationReportExport::dateTimeChanged5_clicked(const QDateTime &time)
{
    followEnd(4, time);
}

void VerificationReportExport::dateTimeChanged6_clicked(const QDateTime &time)
{
    Q_UNUSED(time)
}

void VerificationReportExport::pt_Segment_clicked(int index)
{
    const int n = index + 1;
    for (int k = 0; k < 6; ++k) {
        startEdits.at(k)->setEnabled(k < n);
        endEdits.at(k)->setEnabled(k < n);
        remarkEdits.at(k)->setEnabled(k < n);
    }
}

void VerificationReportExport::pt_Route_clicked()
{
    const bool pdf = ui->comboBox_Format->currentText() == QLatin1String("PDF");
    const QString suffix = pdf ? QStringLiteral(".pdf") : QStringLiteral(".xlsx");
    QString path = QFileDialog::getSaveFileName(
        this, tr("打开文件"), QString(),
        pdf ? QStringLiteral("Image Files (*.pdf)") : QStringLiteral("Image Files (*.xlsx)"));
    if (path.isEmpty())
        return;
    // The report is written only under its format's suffix: a name that does not end with it
    // ("run", "run 12.07") gets it, as "确定" would refuse the name otherwise.
    if (!path.endsWith(suffix))
        path += suffix;
    ui->lineEdit_Route->setText(path);
}

void VerificationReportExport::refuse(const QString &text)
{
    QMessageBox::information(this, tr("提示"), text, QMessageBox::Ok);
}

void VerificationReportExport::pt_OK_clicked()
{
    const QString format = ui->comboBox_Format->currentText();
    const QString path = ui->lineEdit_Route->text();
    if (!path.endsWith(format == QLatin1String("PDF") ? QStringLiteral(".pdf")
                                                       : QStringLiteral(".xlsx"))) {
        refuse(tr("路径设置错误!"));
        return;
    }
    const int n = ui->comboBox_Segment->currentIndex() + 1;
    QList<QDateTime> times;
    for (int k = 0; k < n; ++k) {
        times << startEdits.at(k)->dateTime() << endEdits.at(k)->dateTime();
        if (remarkEdits.at(k)->text().isEmpty()) {
            refuse(tr("备注信息不能为空!"));
            return;
        }
    }
    if (times.first().toSecsSinceEpoch() < options->rangeStart.toSecsSinceEpoch()) {
        refuse(tr("开始时间小于开始采集时间!"));
        return;
    }
    if (times.last().toSecsSinceEpoch() > options->rangeEnd.toSecsSinceEpoch()) {
        refuse(tr("结束时间大于结束采集时间!"));
        return;
    }
    for (int i = 1; i < times.size(); ++i) {
        if (times.at(i).toSecsSinceEpoch() < times.at(i - 1).toSecsSinceEpoch()) {
            refuse(tr("分段时间错误!"));
            return;
        }
    }
    const qint64 print = intervalMilliseconds(ui->lineEdit_Interval->text());
    const qint64 scan = intervalMilliseconds(options->scanInterval);
    if (scan < 1 || print < scan || print % scan != 0) {
        refuse(tr("采集间隔设置错误!"));
        return;
    }

    options->segmentCount = ui->comboBox_Segment->currentText();
    options->printInterval = ui->lineEdit_Interval->text();
    options->segmentStarts.clear();
    options->segmentEnds.clear();
    options->segmentRemarks.clear();
    for (int k = 0; k < n; ++k) {
        options->segmentStarts << startEdits.at(k)->dateTime();
        options->segmentEnds << endEdits.at(k)->dateTime();
        options->segmentRemarks << remarkEdits.at(k)->text();
    }
    const QCheckBox *boxes[] = {ui->checkBox_Data, ui->checkBox_Vertically1,
                                ui->checkBox_Horizontally1, ui->checkBox_Vertically2,
                                ui->checkBox_Horizontally2};
    for (int i = 0; i < 5; ++i)
        options->tableFlags[i] = boxes[i]->isChecked() && !boxes[i]->isHidden();
    options->format = format;
    options->outputPath = path;
    accept();
}
