#pragma once
// Picker of a stored channel configuration: every configuration by name and time; a
// double-click picks one.

#include <QDialog>
#include <QString>

namespace Ui {
class ChannelConfigOpen;
}

class ChannelConfigOpen : public QDialog
{
    Q_OBJECT
public:
    explicit ChannelConfigOpen(QWidget *parent = nullptr);
    ~ChannelConfigOpen() override;

    // The picked configuration's name, set when the dialog is accepted.
    QString configName;

private slots:
    void pt_TableWidget_clicked(int row, int column);

private:
    void loadList();

    Ui::ChannelConfigOpen *ui;
};
