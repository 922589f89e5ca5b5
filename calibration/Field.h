#pragma once
// Field: a temperature source (dry well or bath) that a calibration run drives to each set
// point. Its operations are called on worker threads; replies reach the object on the thread
// that owns it.

#include "Device.h"

class Field : public Device
{
    Q_OBJECT
public:
    using Device::Device;

    // The source models.
    virtual QStringList modelList() = 0;
    // The link types offered (stored terms).
    virtual QStringList signalModeList() = 0;
    // Stability tolerance of a model, as text.
    virtual void stabilityBand(QString model, QString &band) = 0;
    // Temperature range of a model, as texts.
    virtual void temperatureRange(QString model, QString &low, QString &high) = 0;
    // Prepares the source for a run.
    virtual bool startOutput() = 0;
    // The source's present temperature.
    virtual bool readTemperature(double &t) = 0;
    // Sends a set point and confirms it.
    virtual bool setTemperature(double t) = 0;
    // Asks whether the source is stable.
    virtual bool isStable(bool &stable) = 0;
};
