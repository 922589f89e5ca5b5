#include "ServerSettings.h"

#include <QDir>
#include <QSettings>

QString serverConfigFile()
{
    return QDir::current().absoluteFilePath(QStringLiteral("config.ini"));
}

QVariant serverSetting(const QString &key, const QVariant &placeholder)
{
    QSettings ini(serverConfigFile(), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    if (!ini.contains(key)) {
        ini.setValue(key, placeholder);
        return placeholder;
    }
    return ini.value(key);
}

QString updateServerHost()
{
    // ".invalid" never resolves: an unset site cannot reach anybody's server by accident.
    return serverSetting(QStringLiteral("Update/Host"), QStringLiteral("update.vazuv.invalid")).toString();
}

int updateServerPort()
{
    bool ok = false;
    const int port = serverSetting(QStringLiteral("Update/Port"), 8200).toInt(&ok);
    return ok && port > 0 && port < 65536 ? port : 8200;
}
