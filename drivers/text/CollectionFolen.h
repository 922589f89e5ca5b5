#pragma once
// CollectionFolen: the driver of the Folen, a 21-channel instrument for platinum resistance
// thermometers, thermistors and thermocouples, in "℃", "Ω" or "mV", over a serial port or TCP.
// It speaks the "SET OK" dialect (OrvexCommandSet) and shares the Orvex family's link handling,
// clock, record files and settings; its own are its option lists, the set-up commands sent for
// all channels at once (sensor kind, output kind, cold junction), its one-channel curve types
// and value collection without unit conversion.

#include "OrvexCommandSet.h"

class CollectionFolen : public OrvexCommandSet
{
    Q_OBJECT
public:
    explicit CollectionFolen(QObject *parent = nullptr);
    ~CollectionFolen() override;

    QStringList scanRateList() override;
    QStringList compensationList() override;
    // "热电偶": "℃", "mV"; "热敏电阻" or "铂电阻": "℃", "Ω"; any other type all three.
    QStringList unitList(QString type) override;
    QList<bool> coefficientMask(QString function) override;
    QStringList wiringList(QString type) override;
    QStringList typeList(int channelNumber) override;
    QStringList functionList(QString type) override;
    QStringList channelNumberList(int count) override;
    int channelCount() override;
    bool checkChannels(QList<ChannelRecord> rows, QString &error) override;

    bool readValues(QStringList &values) override;
    bool fetchValues(QStringList &values) override;

    // "TEMP:TYPE": "铂电阻" 0, "热敏电阻" 1, "热电偶" 2, any other 0; every row.
    bool setSensorTypes(const QList<ChannelRecord> &rows);
    // "TEMP:VOLT": "℃" 0, any other unit 1; every row.
    bool setOutputUnits(const QList<ChannelRecord> &rows);
    // "TEMP:TC:COLDTYPE" for the rows with external or fixed compensation, a setting wait, then
    // "TEMP:TC:COLD" with the fixed rows' cold-junction texts; true with nothing sent when
    // no row asks for it.
    bool setColdJunction(const QList<ChannelRecord> &rows);
    // One channel's curve type: "TEMP:NTC:TYPE" ("R(T)" 2, "T(R)" 1, other 0), "TEMP:RTD:TYPE"
    // ("PT" 0, "CVD" 1, "ITS90" 2) and "TEMP:TC:TYPE" ("B" 0 .. "Au-Pt" 8).
    bool setNtcType(const ChannelRecord &row);
    bool setRtdType(const ChannelRecord &row);
    bool setTcType(const ChannelRecord &row);
    // "DATA:OFFS?": one sample, no unit conversion.
    bool queryValues(QStringList &values);

protected:
    bool sendChannelSetup(const QList<ChannelRecord> &rows) override;
    bool selectCurve(const ChannelRecord &row) override;
    // The curve coefficients, and a fixed cold junction's temperature.
    bool checkSetupTexts(const ChannelRecord &row, QString &error) override;

private:
    const QStringList scanRates{"快速", "中速", "慢速"};
    const QStringList units{"℃", "Ω", "mV"};
    const QStringList channelTypes{"铂电阻", "热敏电阻", "热电偶"};
    const QStringList compensationModes{"外部补偿", "固定补偿"};
    const QStringList wireModes{"二线制", "三线制", "四线制"};
    const QStringList otherFunctions{"自动"};
    const QStringList thermocoupleFunctions{"B", "E", "J", "K", "N", "R", "S", "T", "Au-Pt"};
    const QStringList platinumFunctions{"ITS90", "PT", "CVD"};
    const QStringList thermistorFunctions{"R(T)", "T(R)", "Other"};
};
