#pragma once
// New configuration dialog: name, instrument model, channel count and cold-junction
// compensation of a new channel configuration; Next checks the header and runs the channel
// table editor with a driver of the chosen model.

#include <QDialog>
#include <QString>

#include "Records.h"

class Collection;

namespace Ui {
class ChannelConfigNew;
}

class ChannelConfigNew : public QDialog
{
    Q_OBJECT
public:
    explicit ChannelConfigNew(QWidget *parent = nullptr);
    ~ChannelConfigNew() override;

    // Runs the header checks, showing the first failure; true when the header may be edited.
    bool validate(const ChannelConfigData &header);

    // The name of the configuration that was saved; set just before the dialog is accepted.
    QString configName;

private slots:
    void pt_Next_clicked();
    void pt_Cancel_clicked();
    void cb_Way_clicked(const QString &way);
    void cb_Mode_clicked(const QString &model);

private:
    void initWidgets();
    void warn(const QString &text);

    Ui::ChannelConfigNew *ui;
    // The driver of the model shown in comboBox_Mode; null when the registry does not know it.
    Collection *driver = nullptr;
    QString titleInformation;
    QString titleWarning;
};
