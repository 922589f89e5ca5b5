#include "ViewLogSet.h"
#include "ui_ViewLogSet.h"

#include <QCloseEvent>
#include <QDebug>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "Database.h"
#include "SmtpClient.h"
#include "SystemSettings.h"

ViewLogSet::ViewLogSet(QWidget *parent)
    : QDialog(parent), ui(new Ui::ViewLogSet)
{
    ui->setupUi(this);
    setModal(true);
    titleInfo = tr("提示");
    addressEdits[0] = ui->lineEdit_Email1;
    addressEdits[1] = ui->lineEdit_Email2;
    addressEdits[2] = ui->lineEdit_Email3;
    ui->lineEdit_Trigger->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[1-9][0-9]+$")), ui->lineEdit_Trigger));
}

ViewLogSet::~ViewLogSet()
{
    saveSettings();
    delete ui;
}

void ViewLogSet::setSettings(SystemSettings *record, const QVector<AuditLogRecord> &listed)
{
    settings = record;
    entries = listed;
    if (!settings)
        return;
    shownInterval = QString::number(settings->emailInterval);
    ui->lineEdit_Trigger->setText(shownInterval);
    ui->checkBox_Trigger->setChecked(settings->emailAutoTrigger);
    for (int i = 0; i < settings->emailAddresses.size() && i < 3; ++i)
        addressEdits[i]->setText(settings->emailAddresses.at(i));
}

QStringList ViewLogSet::addressTexts() const
{
    QStringList texts;
    for (QLineEdit *edit : addressEdits)
        texts.append(edit->text());
    return texts;
}

bool ViewLogSet::intervalIsValid(int *seconds) const
{
    bool ok = false;
    const int value = ui->lineEdit_Trigger->text().toInt(&ok);
    if (seconds)
        *seconds = value;
    return ok && value >= 10;
}

bool ViewLogSet::checkEntries()
{
    for (const QString &text : addressTexts()) {
        if (!text.isEmpty() && !isMailAddress(text)) {
            QMessageBox::information(this, titleInfo, tr("输入的邮件地址不合法！"));
            return false;
        }
    }
    // An interval under 10 s is refused; one the operator did not touch is left as stored.
    if (!intervalIsValid() && ui->lineEdit_Trigger->text() != shownInterval) {
        QMessageBox::information(this, titleInfo, tr("触发间隔不能小于10秒！"));
        return false;
    }
    return true;
}

void ViewLogSet::closeEvent(QCloseEvent *event)
{
    if (!checkEntries()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ViewLogSet::reject()
{
    if (checkEntries())
        QDialog::reject();
}

void ViewLogSet::saveSettings()
{
    if (!settings)
        return;
    int seconds = 0;
    if (intervalIsValid(&seconds)) {
        if (!setSystemSetText(QStringLiteral("EmailInterval"), ui->lineEdit_Trigger->text()))
            return;
        settings->emailInterval = seconds;
    }
    const bool trigger = ui->checkBox_Trigger->isChecked();
    if (!setSystemSetFlag(QStringLiteral("EmailAutoTrigger"), trigger))
        return;
    settings->emailAutoTrigger = trigger;
    const QStringList addresses = mailRecipients(addressTexts());
    if (setSystemSetText(QStringLiteral("EmailAddress"), addresses.join(QLatin1Char(','))))
        settings->emailAddresses = addresses;
}

void ViewLogSet::pt_Send_clicked()
{
    const QStringList texts = addressTexts();
    for (const QString &text : texts) {
        if (!text.isEmpty() && !isMailAddress(text)) {
            QMessageBox::information(this, titleInfo, tr("输入的邮件地址不合法！"));
            return;
        }
    }
    const QStringList recipients = mailRecipients(texts);
    QString text;
    for (const AuditLogRecord &entry : qAsConst(entries))
        text += entry.time + QLatin1Char(';') + entry.type + QLatin1Char(';') + entry.details
            + QLatin1Char('\n');
    if (entries.isEmpty()) {
        QMessageBox::information(this, titleInfo, tr("当前无报警信息！"));
        return;
    }
    // No address: nothing can be sent, which must not read as a sent mail.
    if (recipients.isEmpty()) {
        QMessageBox::information(this, titleInfo, tr("未设置邮箱地址！"));
        return;
    }
    bool sent = false;
    {
        SmtpClient client;   // connects and logs in; says goodbye when it goes
        sent = sendAlarmMail(&client, recipients, tr("采集器报警"), text);
    }
    QMessageBox::information(this, titleInfo,
                             sent ? tr("邮件发送成功！") : tr("当前无网络，邮件发送失败！"));
}
