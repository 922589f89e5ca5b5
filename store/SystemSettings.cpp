#include "SystemSettings.h"

#include "Database.h"

#include <algorithm>

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

int reloadSystemSettings(SystemSettings *settings)
{
    if (!settings)
        return -1;
    const SystemSettings defaults;
    settings->backupCycle = defaults.backupCycle;
    settings->autoBackup = defaults.autoBackup;
    settings->backupPath = defaults.backupPath;
    settings->backupTime = defaults.backupTime;
    settings->dataAccuracy = defaults.dataAccuracy;
    settings->systemLanguage = defaults.systemLanguage;
    settings->emailInterval = defaults.emailInterval;
    settings->emailAutoTrigger = defaults.emailAutoTrigger;
    settings->emailAddresses = defaults.emailAddresses;
    const int result = loadSystemSettings(settings);

    QList<AcquisitionDeviceRecord> stored;
    if (!selectAcquisitionDevice(stored, QString()))
        stored.clear();
    // A row stores the scan interval with six significant digits.
    auto sameRow = [](AcquisitionDeviceRecord a, AcquisitionDeviceRecord b) {
        const bool sameInterval = QString::number(a.scanInterval, 'g', 6)
                                  == QString::number(b.scanInterval, 'g', 6);
        a.scanInterval = b.scanInterval = 0.0;
        return sameInterval && a == b;
    };
    QList<AcquisitionDeviceRecord> kept;
    for (const AcquisitionDeviceRecord &device : settings->devices) {
        if (std::any_of(stored.cbegin(), stored.cend(),
                        [&](const AcquisitionDeviceRecord &row) { return sameRow(device, row); }))
            kept.append(device);
    }
    settings->devices = kept;
    return result;
}
