#include "ChannelCoefficientFile.h"

#include <QDebug>
#include <QSettings>
#include <QVariant>

#include <memory>

namespace {

const char *const groupName = "Standardizer";

// The value of a key as a list; an empty value or "@Invalid()" has no entries.
QStringList listValue(QSettings &settings, const QString &key)
{
    if (key.isEmpty())
        return {};
    const QVariant value = settings.value(key);
    QStringList list = value.toStringList();
    if (list.size() == 1 && list.first().isEmpty())
        list.clear();
    return list;
}

// The name under which `wanted` is stored among `names`, compared without letter case.
QString findName(const QStringList &names, const QString &wanted)
{
    for (const QString &name : names) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

} // namespace

bool writeChannelCoefficientFile(const QString &path, const ChannelConfigData &config)
{
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    const QString group = QString::fromLatin1(groupName) + QLatin1Char('/');
    settings->setValue(group + QStringLiteral("A_C0"), config.A_C0);
    settings->setValue(group + QStringLiteral("B_C1"), config.B_C1);
    settings->setValue(group + QStringLiteral("C_C2"), config.C_C2);
    settings->setValue(group + QStringLiteral("D_C3"), config.D_C3);
    settings->setValue(group + QStringLiteral("R0_C4"), config.R0_C4);
    settings->setValue(group + QStringLiteral("A4_C5"), config.A4_C5);
    settings->setValue(group + QStringLiteral("B4_C6"), config.B4_C6);
    settings->setValue(group + QStringLiteral("MX_B_M"), config.MX_B_M);
    settings->setValue(group + QStringLiteral("MX_B_B"), config.MX_B_B);
    settings->sync();
    const bool written = settings->status() == QSettings::NoError;
    if (!written)
        qDebug() << "导出系数文件失败：" << path;
    return written;
}

ChannelConfigData readChannelCoefficientFile(const QString &path)
{
    ChannelConfigData lists;
    auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    settings->setIniCodec("UTF-8");
    const QString group = findName(settings->childGroups(), QString::fromLatin1(groupName));
    if (group.isEmpty())
        return lists;
    settings->beginGroup(group);
    const QStringList keys = settings->childKeys();
    auto read = [&](const char *name) {
        return listValue(*settings, findName(keys, QString::fromLatin1(name)));
    };
    lists.A_C0 = read("A_C0");
    lists.B_C1 = read("B_C1");
    lists.C_C2 = read("C_C2");
    lists.D_C3 = read("D_C3");
    lists.R0_C4 = read("R0_C4");
    lists.A4_C5 = read("A4_C5");
    lists.B4_C6 = read("B4_C6");
    lists.MX_B_M = read("MX_B_M");
    lists.MX_B_B = read("MX_B_B");
    if (lists.A_C0.isEmpty())
        lists.A_C0 = read("B0");
    if (lists.B_C1.isEmpty())
        lists.B_C1 = read("B1");
    if (lists.C_C2.isEmpty())
        lists.C_C2 = read("B2");
    if (lists.D_C3.isEmpty())
        lists.D_C3 = read("B3");
    settings->endGroup();
    return lists;
}
