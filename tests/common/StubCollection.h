#pragma once
// A test driver base: a Collection with no instrument behind it. Every link and instrument
// operation refuses (false), except close, which succeeds; option lists and masks are empty,
// channelCount and minScanInterval give 0; out-parameters are never touched. A scripted test
// driver derives from it and overrides only what its test looks at:
//
//     class Scripted : public StubCollection
//     {
//     public:
//         int channelCount() override { return 8; }
//         bool readValues(QStringList &values) override { values = {"1.0"}; return true; }
//     };
//
// The transport and its thread are the real ones of Collection, idle until a test opens them.

#include "Collection.h"

class StubCollection : public Collection
{
public:
    explicit StubCollection(QObject *parent = nullptr) : Collection(parent) {}

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
