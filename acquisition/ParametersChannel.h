#pragma once
#include <QDialog>
#include <QList>
#include <QStringList>

#include "Records.h"

namespace Ui {
class ParametersChannel;
}
class QComboBox;
struct SystemSettings;

// The second dialog of an acquisition: every channel of every chosen instrument, each given
// to one of the run's projects. On OK it checks that every project has channels of at most
// two unit kinds and writes the chosen channels into the plan (planChannels).
class ParametersChannel : public QDialog
{
    Q_OBJECT
public:
    explicit ParametersChannel(QWidget *parent = nullptr);
    ~ParametersChannel() override;

    // Fills the table from the plan's instruments and their channel configurations.
    void setSettings(SystemSettings *settings);

    // The project box of a table row (for the operator's choice).
    QComboBox *projectBox(int row) const;

public slots:
    void pt_OK_clicked();

private:
    void addChannelRow(int row, int deviceIndex, int projectIndex);
    void warn(const QString &text);

    Ui::ParametersChannel *ui;
    SystemSettings *settings = nullptr;
    QString titleInfo;
    QString titleWarning;
    int deviceCount = 0;
    QList<AcquisitionDeviceRecord> devices;
    QList<ChannelConfigData> configs;
    QStringList projectNames;
    // One entry per table row.
    QStringList channelNumbers;
    QStringList channelLabels;
    QStringList units;
    QList<bool> lowerAlarmEnables;
    QStringList lowerAlarms;
    QList<bool> upperAlarmEnables;
    QStringList upperAlarms;
    QList<int> rowDevices;
    QList<QComboBox *> projectBoxes;
};
