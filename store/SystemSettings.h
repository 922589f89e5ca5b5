#pragma once
// The one record of program-wide settings and of the plan of the current acquisition. The main
// window owns it; pages and dialogs hold the pointer. Written only on the GUI thread.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "Records.h"

struct SystemSettings
{
    // Settings, loaded from table SystemSet.
    QString version = QStringLiteral("V1.2.13");
    int backupCycle = 0;          // days between automatic backups
    bool autoBackup = false;
    QString backupPath;
    QDateTime backupTime;         // time of the last backup; invalid when none
    int dataAccuracy = 0;         // decimal places, 0 to 6
    QString systemLanguage;       // "中文" or "English"
    int emailInterval = 0;        // seconds between two alarm mails
    bool emailAutoTrigger = false;
    QStringList emailAddresses;

    // The plan of a run.
    QList<AcquisitionDeviceRecord> devices;  // at most one per instrument number
    QString acquisitionMode;                 // shown text of tr("在线") or tr("导入")
    QString planStart;                       // "yyyy-MM-dd hh:mm:ss"
    QString planEnd;
    QStringList projectNames;                // one to three
    QList<AcquisitionDeviceRecord> planDevices;
    QList<ChannelConfigData> planChannelConfigs;
    QList<ChannelRow> planChannels;
};

// Fills the settings members (backupCycle .. emailAddresses) of `settings` from table SystemSet
// on the default connection, keys in the order DataAccuracy, SystemLanguage, AutoBackup,
// BackupCycle, BackupPath, BackupTime, EmailInterval, EmailAutoTrigger, EmailAddress. A missing
// key is created empty (a flag "false") and counts as read. The first read that fails ends the
// loading; the members not yet read keep their values. dataAccuracy is kept within 0..6,
// backupCycle and emailInterval at 0 or more.
// Returns 0 when all nine keys were read, else the 1-based position of the key that failed.
int loadSystemSettings(SystemSettings *settings);

// After the database was replaced (a restore): the settings members are set back to their
// allocation values and loaded again as loadSystemSettings does, and the tested instruments
// (`devices`) keep only the entries that table AcquisitionDevice still holds unchanged, so
// that nothing tested against the replaced database is offered for a run. The plan members
// stay. Returns what loadSystemSettings returns.
int reloadSystemSettings(SystemSettings *settings);
