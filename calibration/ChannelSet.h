#pragma once
// The channel choice dialog of a new calibration: the sensor type to calibrate and the channels
// of the chosen instruments that take part.

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include "Records.h"

class QCheckBox;

namespace Ui {
class ChannelSetClass;
}

class ChannelSet : public QDialog
{
    Q_OBJECT
public:
    explicit ChannelSet(QWidget *parent = nullptr);
    ~ChannelSet() override;

    // Call once before the dialog runs. The lists are indexed by instrument slot: whether the
    // slot takes part, its instrument, the channels of its configuration.
    void fillTable(QList<bool> slotUsed, QList<AcquisitionDeviceRecord> devices,
                   QList<QList<ChannelRecord>> channels);
    // After an accepted run: the chosen channel numbers per slot, and the chosen type (stored).
    QList<QStringList> selectedChannels();
    QString channelType();

private slots:
    void OK_Clicked();
    void pt_All_clicked();
    void pt_Quit_clicked();
    void Mode_Changed(QString type);

private:
    Ui::ChannelSetClass *ui;
    QString chosenType;
    QList<int> rowCounts;
    QList<bool> slotUsed;
    QList<QCheckBox *> rowChecks;
    QList<QStringList> chosenChannels;
};
