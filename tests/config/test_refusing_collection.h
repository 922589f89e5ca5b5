#pragma once
// An acquisition driver that has no instrument behind it: every instrument operation refuses,
// every option list is empty, closing succeeds. The scripted drivers of the configuration and
// instrument tests derive from it and override only what their tests look at.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "Collection.h"

class RefusingCollection : public Collection
{
public:
    bool open(QString, QString, QString) override { return false; }
    bool close() override { return true; }
    bool readReply(QString &) override { return false; }
    bool sendCommand(QString) override { return false; }
    bool readSerialNumber(QString &) override { return false; }

    QStringList scanRateList() override { return {}; }
    QStringList signalModeList() override { return {}; }
    QStringList compensationList() override { return {}; }
    QStringList unitList(QString) override { return {}; }
    QList<bool> coefficientMask(QString) override { return {}; }
    QStringList wiringList(QString) override { return {}; }
    QStringList typeList(int) override { return {}; }
    QStringList functionList(QString) override { return {}; }
    QStringList channelNumberList(int) override { return {}; }
    int channelCount() override { return 0; }
    bool checkChannels(QList<ChannelRecord>, QString &) override { return false; }
    double minScanInterval(QString, QList<ChannelRecord>) override { return 0.0; }

    bool setDeviceTime(QDateTime) override { return false; }
    bool setScanInterval(double, int) override { return false; }
    bool readValues(QStringList &) override { return false; }
    bool requestValues() override { return false; }
    bool fetchValues(QStringList &) override { return false; }
    bool configureChannels(QString, QList<ChannelRecord>) override { return false; }
    bool writeChannelCoefficients(ChannelRecord) override { return false; }
    bool readChannelCoefficients(ChannelRecord &) override { return false; }
    bool openRecordFile(QString, QList<ChannelRecord>) override { return false; }
    bool readRecordAt(QDateTime, QStringList &) override { return false; }
    bool closeRecordFile() override { return false; }
    QStringList baudRateList() override { return {}; }
    QStringList filterList() override { return {}; }
    QList<bool> settingMask() override { return {}; }
    bool readDeviceSettings(QString &, QString &, QString &, QString &, QString &, QString &,
                            QString &, QString &) override
    {
        return false;
    }
    bool writeDeviceSettings(QString, QString, QString, QString, QString, QString,
                             QString &) override
    {
        return false;
    }
};
