#include "SystemSet.h"
#include "ui_SystemSet.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "Database.h"
#include "SystemSetBackup.h"
#include "SystemSetDevice.h"
#include "SystemSettings.h"

SystemSet::SystemSet(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::SystemSet)
    , informationTitle(tr("提示"))
    , warningTitle(tr("警告"))
    , languageList{QStringLiteral("中文"), QStringLiteral("English")}
    , accuracyList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                   QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}
{
    ui->setupUi(this);

    ui->comboBox_Language->clear();
    ui->comboBox_DataNumber->clear();
    ui->comboBox_Language->addItems(languageList);
    ui->comboBox_DataNumber->addItems(accuracyList);

    ui->lineEdit_BackupsCycle->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]+$")), this));

    connect(ui->pushButton_Set, &QPushButton::clicked, this, &SystemSet::pt_Set_clicked);
    connect(ui->pushButton, &QPushButton::clicked, this, &SystemSet::pt_Device_clicked);
    connect(ui->pushButton_Backups, &QPushButton::clicked, this, &SystemSet::pt_Backups_clicked);
    connect(ui->pushButton_Recovery, &QPushButton::clicked, this, &SystemSet::pt_Recovery_clicked);
    connect(ui->pushButton_Select1, &QPushButton::clicked, this, &SystemSet::pt_Select1_clicked);
    connect(ui->checkBox_AutoBackup, &QCheckBox::clicked, this, &SystemSet::pt_AutoBackup_clicked);
}

SystemSet::~SystemSet()
{
    delete ui;
}

void SystemSet::setSettings(SystemSettings *record)
{
    settings = record;
    showSettings();
}

void SystemSet::showSettings()
{
    if (!settings)
        return;
    ui->checkBox_AutoBackup->setChecked(settings->autoBackup);
    ui->lineEdit_BackupsCycle->setText(QString::number(settings->backupCycle));
    ui->lineEdit_BackupPath->setText(settings->backupPath);
    // The program runs in English for every stored language but "中文" (an empty one on a
    // fresh database too): the chooser shows that language, so that pressing "设置" to change
    // the accuracy alone does not switch the program to Chinese.
    int language = languageList.indexOf(settings->systemLanguage);
    if (language < 0)
        language = languageList.indexOf(QStringLiteral("English"));
    if (language >= 0)
        ui->comboBox_Language->setCurrentIndex(language);
    // A stored accuracy outside 0..6 shows the nearest entry of the list.
    ui->comboBox_DataNumber->setCurrentIndex(qBound(0, settings->dataAccuracy, accuracyList.size() - 1));
    ui->lineEdit_BackupPath->setEnabled(settings->autoBackup);
}

void SystemSet::retranslate()
{
    ui->retranslateUi(this);
    // The form's texts leave the cycle field empty: show the record's cycle again.
    if (settings)
        ui->lineEdit_BackupsCycle->setText(QString::number(settings->backupCycle));
}

void SystemSet::inform(const QString &title, const QString &text)
{
    QMessageBox::information(this, title, text, QMessageBox::Ok);
}

void SystemSet::pt_Set_clicked()
{
    if (!settings)
        return;
    const QString language = ui->comboBox_Language->currentText();
    const int accuracy = ui->comboBox_DataNumber->currentText().toInt();

    // Both keys are written before the language changes, so a failed write leaves the page,
    // the window's language and the record as they were.
    const bool stored = setSystemSetText(QStringLiteral("DataAccuracy"), QString::number(accuracy))
                        && setSystemSetText(QStringLiteral("SystemLanguage"), language);
    if (!stored) {
        showSettings();
        inform(warningTitle, tr("设置失败！"));
        return;
    }
    if (language != settings->systemLanguage)
        emit Language_signals(language);
    settings->systemLanguage = language;
    settings->dataAccuracy = accuracy;
    inform(warningTitle, tr("设置成功！"));
}

void SystemSet::pt_Device_clicked()
{
    SystemSetDevice dialog(nullptr);
    dialog.exec();
}

void SystemSet::pt_AutoBackup_clicked()
{
    if (!settings)
        return;
    const bool checked = ui->checkBox_AutoBackup->isChecked();
    const int cycle = ui->lineEdit_BackupsCycle->text().toInt();

    if (cycle == 0) {
        ui->checkBox_AutoBackup->setChecked(!checked);
        inform(warningTitle, tr("备份周期不能为0！"));
        return;
    }
    if (checked && !QFileInfo(settings->backupPath).isDir()) {
        ui->checkBox_AutoBackup->setChecked(false);
        inform(informationTitle, tr("备份路径不存在！"));
        return;
    }
    ui->lineEdit_BackupPath->setEnabled(checked);

    if (setSystemSetFlag(QStringLiteral("AutoBackup"), checked)
        && setSystemSetText(QStringLiteral("BackupCycle"), QString::number(cycle))) {
        settings->autoBackup = checked;
        settings->backupCycle = cycle;
        return;
    }
    // The box must not show a state that is not stored.
    ui->checkBox_AutoBackup->setChecked(settings->autoBackup);
    ui->lineEdit_BackupPath->setEnabled(settings->autoBackup);
    inform(warningTitle, tr("设置失败！"));
}

void SystemSet::pt_Select1_clicked()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("选择目录"),
                                                             QStringLiteral("./"),
                                                             QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    selectBackupFolder(folder);
}

void SystemSet::selectBackupFolder(const QString &folder)
{
    if (!settings)
        return;
    ui->lineEdit_BackupPath->setText(folder);
    if (setSystemSetText(QStringLiteral("BackupPath"), folder)) {
        settings->backupPath = folder;
        return;
    }
    ui->lineEdit_BackupPath->setText(settings->backupPath);
    inform(warningTitle, tr("设置失败！"));
}

void SystemSet::pt_Backups_clicked()
{
    const QString folder = ui->lineEdit_BackupPath->text();
    if (folder.isEmpty()) {
        inform(warningTitle, tr("请选择备份路径！"));
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        inform(informationTitle, tr("备份失败：路径不存在！"));
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QString target = backupTargetName(folder, now);
    qDebug().noquote() << QDir::toNativeSeparators(target);

    if (!backupDatabase(target, databaseFileName())) {
        inform(informationTitle, tr("备份失败！"));
        return;
    }
    if (setSystemSetText(QStringLiteral("BackupTime"), now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
        && settings)
        settings->backupTime = now;
    inform(informationTitle, tr("备份成功！"));
}

void SystemSet::pt_Recovery_clicked()
{
    const QString fileName = QFileDialog::getOpenFileName(this, tr("选择文件"), QStringLiteral("/"),
                                                          QStringLiteral("Config Files (*.db3)"));
    if (fileName.isEmpty())
        return;
    recoverFrom(fileName);
}

void SystemSet::recoverFrom(QString fileName)
{
    if (fileName.isEmpty())
        return;
    emit SQListClose_signals();
    fileName.replace(QLatin1Char('\\'), QLatin1Char('/'));

    // The chosen file is verified before it replaces the database; the database is reopened
    // whatever the outcome, on the restored file or on the one that stayed.
    QString reason;
    const bool restored = restoreDatabaseFile(fileName, databaseFileName(), &reason);
    if (restored)
        inform(informationTitle, tr("恢复成功！"));
    else
        inform(informationTitle, reason.isEmpty() ? tr("恢复失败！")
                                                  : tr("恢复失败！") + QLatin1Char('\n') + reason);
    emit SQListOpen_signals();
    // The main window has loaded the settings of the database now open.
    showSettings();
}
