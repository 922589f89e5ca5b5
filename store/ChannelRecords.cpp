#include "ChannelRecords.h"

#include <QCoreApplication>
#include <QDebug>
#include <cmath>

QString channelEntry(const QStringList &list, int index)
{
    return list.value(index);
}

bool channelFlag(const QList<bool> &list, int index)
{
    return list.value(index, false);
}

namespace {
float correctionValue(const QString &text)
{
    // C-locale parse with surrounding blanks allowed; no number gives 0.
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok ? value : 0.0f;
}
}

QStringList shortChannelLists(const ChannelConfigData &config, bool driverListsOnly)
{
    const int count = config.ChannelCount;
    QStringList names;
    auto check = [&](const char *name, int size, bool driverList) {
        if ((driverList || !driverListsOnly) && size < count)
            names << QString::fromLatin1(name);
    };
    check("ChannelNumber", config.ChannelNumber.size(), true);
    check("ChannelLabel", config.ChannelLabel.size(), false);
    check("ChannelType", config.ChannelType.size(), true);
    check("ChannelFunction", config.ChannelFunction.size(), true);
    check("WireMode", config.WireMode.size(), true);
    check("MX+B_M", config.MX_B_M.size(), true);
    check("MX+B_B", config.MX_B_B.size(), true);
    check("A_C0", config.A_C0.size(), true);
    check("B_C1", config.B_C1.size(), true);
    check("C_C2", config.C_C2.size(), true);
    check("D_C3", config.D_C3.size(), true);
    check("R0_C4", config.R0_C4.size(), true);
    check("A4_C5", config.A4_C5.size(), true);
    check("B4_C6", config.B4_C6.size(), true);
    check("Unit", config.Unit.size(), true);
    check("LowerAlarmEnable", config.LowerAlarmEnable.size(), false);
    check("LowerAlarm", config.LowerAlarm.size(), false);
    check("UpperAlarmEnable", config.UpperAlarmEnable.size(), false);
    check("UpperAlarm", config.UpperAlarm.size(), false);
    return names;
}

bool buildChannelRecords(const ChannelConfigData &config, QList<ChannelRecord> &out)
{
    out.clear();
    if (config.ChannelCount == 0)
        return false;
    const QStringList missing = shortChannelLists(config, true);
    if (!missing.isEmpty()) {
        qDebug() << "通道配置" << config.Name << "的通道列表不足" << config.ChannelCount
                 << "项：" << missing.join(QLatin1Char(','));
        return false;
    }
    for (int i = 0; i < config.ChannelCount; ++i) {
        ChannelRecord record;
        record.channelNumber = config.ChannelNumber.at(i);
        record.type = config.ChannelType.at(i);
        record.function = config.ChannelFunction.at(i);
        record.wireMode = config.WireMode.at(i);
        record.unit = config.Unit.at(i);
        record.compensation = config.Compensation;
        record.coldJunction = config.ColdJunction;
        record.a_c0 = config.A_C0.at(i);
        record.b_c1 = config.B_C1.at(i);
        record.c_c2 = config.C_C2.at(i);
        record.d_c3 = config.D_C3.at(i);
        record.r0_c4 = config.R0_C4.at(i);
        record.a4_c5 = config.A4_C5.at(i);
        record.b4_c6 = config.B4_C6.at(i);
        record.mxbM = correctionValue(config.MX_B_M.at(i));
        record.mxbB = correctionValue(config.MX_B_B.at(i));
        out.append(record);
    }
    return true;
}

bool checkChannelCount(const ChannelConfigData &config, const QString &model, int modelChannels,
                       QString &error)
{
    auto text = [](const char *source) {
        return QCoreApplication::translate("ChannelRecords", source);
    };
    if (config.ChannelCount < 0) {
        error = text("通道配置“%1”的通道数%2无效！").arg(config.Name).arg(config.ChannelCount);
        return false;
    }
    if (modelChannels > 0 && config.ChannelCount > modelChannels) {
        error = text("通道配置“%1”的通道数%2超出设备型号%3的通道数%4！")
                    .arg(config.Name).arg(config.ChannelCount).arg(model).arg(modelChannels);
        return false;
    }
    const QStringList shortLists = shortChannelLists(config);
    if (!shortLists.isEmpty()) {
        error = text("通道配置“%1”的通道数%2超出其通道列表：%3")
                    .arg(config.Name).arg(config.ChannelCount)
                    .arg(shortLists.join(QLatin1Char(',')));
        return false;
    }
    return true;
}

bool isNumberText(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);   // C locale, no group separators
    return ok && std::isfinite(value);
}

bool isCorrectionText(const QString &text)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    return ok && std::isfinite(value);
}
