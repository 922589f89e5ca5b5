#pragma once
// Channel-configuration page: shows one stored channel configuration, creates new ones,
// exports a configuration's coefficients to an exchange file and deletes configurations.

#include <QString>
#include <QWidget>

struct SystemSettings;

namespace Ui {
class ChannelConfig;
}

class ChannelConfig : public QWidget
{
    Q_OBJECT
public:
    explicit ChannelConfig(QWidget *parent = nullptr);
    ~ChannelConfig() override;

    // Keeps the main window's settings record.
    void setSettings(SystemSettings *settings);
    // Shows the stored configuration of that name (the last one when several share it); a
    // name that is not stored changes nothing.
    void loadConfig(const QString &name);

private slots:
    void pt_Open_clicked();
    void pt_New_clicked();
    void pt_Export_clicked();
    void pt_Delete_clicked();

private:
    void initTable();

    Ui::ChannelConfig *ui;
    SystemSettings *settings = nullptr;
    QString titleInformation;
    QString titleWarning;
};
