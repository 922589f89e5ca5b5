#pragma once
#include <QDialog>
#include <QList>
#include <QStringList>

#include "Records.h"

namespace Ui {
class ParametersMode;
}
class QComboBox;
struct SystemSettings;

// The first dialog of an acquisition: one to three project names, the mode (on-line or
// import), one to six instruments and the planned start and end. On OK it checks them and
// writes the plan members of the shared settings record; the later dialogs read them.
class ParametersMode : public QDialog
{
    Q_OBJECT
public:
    explicit ParametersMode(QWidget *parent = nullptr);
    ~ParametersMode() override;

    void setSettings(SystemSettings *settings);

public slots:
    void pt_OK_clicked();
    void cb_Device_clicked(const QString &text);
    void cb_Project_clicked(const QString &text);
    void cb_Mode_clicked(const QString &mode);

private:
    // 0 ok, 1 a box without instrument, 2 two boxes with the same instrument.
    int checkDevices(int count) const;
    // 0 ok, 10 empty name, 11 repeated name, 12 database failure, 13 name already stored.
    int checkProjects(int count) const;
    // Looks up the channel configuration of every chosen instrument; false (after telling
    // the user which instrument lacks one) when one cannot be found.
    bool findChannelConfigs(int deviceCount);
    void buildPlan(int deviceCount, int projectCount);
    void warn(const QString &text);

    Ui::ParametersMode *ui;
    SystemSettings *settings = nullptr;
    QString titleInfo;
    QString titleWarning;
    QStringList modes;
    QList<AcquisitionDeviceRecord> offeredDevices;
    QList<QComboBox *> deviceBoxes;
    QList<ChannelConfigData> foundConfigs;
};
