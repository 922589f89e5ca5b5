#include "SystemSettings.h"

#include "Database.h"

int loadSystemSettings(SystemSettings *settings)
{
    if (!settings)
        return -1;
    QString text;
    bool flag = false;

    if (!getSystemSetText(QStringLiteral("DataAccuracy"), text))
        return 1;
    settings->dataAccuracy = qBound(0, text.toInt(), 6);

    if (!getSystemSetText(QStringLiteral("SystemLanguage"), text))
        return 2;
    settings->systemLanguage = text;

    if (!getSystemSetFlag(QStringLiteral("AutoBackup"), flag))
        return 3;
    settings->autoBackup = flag;

    if (!getSystemSetText(QStringLiteral("BackupCycle"), text))
        return 4;
    settings->backupCycle = qMax(0, text.toInt());

    if (!getSystemSetText(QStringLiteral("BackupPath"), text))
        return 5;
    settings->backupPath = text;

    if (!getSystemSetText(QStringLiteral("BackupTime"), text))
        return 6;
    settings->backupTime = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd hh:mm:ss"));

    if (!getSystemSetText(QStringLiteral("EmailInterval"), text))
        return 7;
    settings->emailInterval = qMax(0, text.toInt());

    if (!getSystemSetFlag(QStringLiteral("EmailAutoTrigger"), flag))
        return 8;
    settings->emailAutoTrigger = flag;

    if (!getSystemSetText(QStringLiteral("EmailAddress"), text))
        return 9;
    settings->emailAddresses = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    return 0;
}
