#pragma once
// CollectionZenk: the Zenk one-channel thermometer readout ("101": a platinum resistance
// thermometer with ITS-90 coefficients or a thermistor with R(T) coefficients, both kept in the
// instrument), Modbus RTU over a serial line. Created by the model registry for "Zenk". Replies
// are handed on whole, CRC included, in lower case.
//
// Registers: temperature (double) at 0x0019, resistance at 0x0059; coefficients at 0x0099:
// four doubles A, B, C, D (thermistor) or six R0, A, B, C, A4, B4 (platinum).

#include "RegisterCollection.h"

class CollectionZenk : public RegisterCollection
{
    Q_OBJECT
public:
    explicit CollectionZenk(QObject *parent = nullptr);
    ~CollectionZenk() override;

    // The probe must teach the station address: without one the link is closed again.
    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;

    QStringList scanRateList() override;
    QStringList signalModeList() override;
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    // Every row must be channel "101"; the first row's type, function and unit are checked.
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;
    double minScanInterval(QString scanRate, QList<ChannelRecord> rows) override;

    // Keeps the first row (its unit chooses the value register) and writes its coefficients
    // unless the tested one (R0 platinum, A thermistor) is 0; the write's result.
    bool configureChannels(QString scanRate, QList<ChannelRecord> rows) override;
    bool writeChannelCoefficients(ChannelRecord channel) override;
    bool readChannelCoefficients(ChannelRecord &channel) override;
    // The one value (fetchValues too); a failed read leaves `values` as it was.
    bool readValues(QStringList &values) override;

    QStringList baudRateList() override;    // up to "57600"
    QList<bool> settingMask() override;     // address, baud rate and filter

private:
    static constexpr int coefficientBlock = 0x0099;
};
