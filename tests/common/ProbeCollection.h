#pragma once
// A minimal text driver for exercising the instrument framework itself: its link operations are
// the shared text exchange of Collection exactly as the text drivers bind them (open 12 polls of
// 100 ms, close 40 polls of 100 ms, 200 ms settle per command, replies in 300 polls of 10 ms,
// identity by "*IDN?"). Every other operation refuses. Not registered with the model registry.

#include "Collection.h"

class ProbeCollection : public Collection
{
    Q_OBJECT
public:
    explicit ProbeCollection(QObject *parent = nullptr);

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool close() override;
    bool readReply(QString &reply) override;
    bool sendCommand(QString command) override;
    bool readSerialNumber(QString &serial) override;

    // One question: the command and its reply under the exchange lock.
    bool ask(const QString &command, QString &reply);
    // The identity query alone (vendor word check).
    bool identity(QString &reply) { return queryIdentity(reply); }
    // Hands bytes to the driver as the transport would (queued to the driver's thread when
    // called from another thread).
    void deliver(const QByteArray &bytes);
    // The connected flag as the transport would set it.
    void deliverState(bool state);

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
