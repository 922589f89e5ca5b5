#pragma once
// The channel confirmation dialog: after a good instrument test it lists each channel's label
// with the value just read, in the configured unit, blue below an enabled lower limit and red
// above an enabled upper limit.

#include <QDialog>
#include <QStringList>

#include "Records.h"

namespace Ui {
class ParametersTemp;
}

class ParametersTemp : public QDialog
{
    Q_OBJECT
public:
    explicit ParametersTemp(QWidget *parent = nullptr);
    ~ParametersTemp() override;

    // One row per channel of `config`: its label, and values[i] with `accuracy` decimals
    // followed by its unit.
    void setValues(int accuracy, const ChannelConfigData &config, const QStringList &values);

public slots:
    void pt_OK_clicked();
    void pt_Cancel_clicked();

private:
    Ui::ParametersTemp *ui;
};
