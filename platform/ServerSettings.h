#pragma once
// Fixed server values (update server, mail server) kept in "config.ini" in the working folder,
// so that a site (or a test) can point them elsewhere. A key that is missing is written with its
// harmless placeholder on first read, so the file shows what can be set.

#include <QString>
#include <QVariant>

// "config.ini" in the working folder.
QString serverConfigFile();

// The value of `key` (for example "Update/Host") in "config.ini"; `placeholder` when missing,
// which is then written to the file.
QVariant serverSetting(const QString &key, const QVariant &placeholder);

// The update server: host (placeholder "update.vazuv.invalid") and port (8200).
QString updateServerHost();
int updateServerPort();
