#pragma once
// CollectionEmpty: the driver of the model word "空". It offers up to 64 channels whose type,
// function and wiring are "空" and whose unit is "℃", so a channel configuration can be edited
// and checked without an instrument, and it refuses every operation that needs one.

#include "Collection.h"

class CollectionEmpty : public Collection
{
    Q_OBJECT
public:
    explicit CollectionEmpty(QObject *parent = nullptr);

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool close() override;
    bool readReply(QString &reply) override;
    bool sendCommand(QString command) override;
    bool readSerialNumber(QString &serial) override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList compensationList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    bool setDeviceTime(QDateTime time) override;
    bool setScanInterval(double seconds, int count) override;
    bool readValues(QStringList &values) override;
    bool requestValues() override;
    bool fetchValues(QStringList &values) override;
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;

    bool openRecordFile(QString path, QList<ChannelRecord> rows) override;
    bool readRecordAt(QDateTime time, QStringList &values) override;
    bool closeRecordFile() override;

    QStringList baudRateList() override;
    QStringList filterList() override;
    QList<bool> settingMask() override;
    bool readDeviceSettings(QString &serial, QString &version, QString &address,
                            QString &baudRate, QString &ip, QString &mask, QString &port,
                            QString &filter) override;
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

private:
    QStringList signalModes;
    QStringList scanRates;
    QStringList units;
    QStringList compensationModes;
};
