#pragma once
// The system settings page: language, data accuracy, automatic and manual database backup,
// restore of the database from a backup file, and the choice of offered instrument models.

#include <QStringList>
#include <QWidget>

struct SystemSettings;
namespace Ui { class SystemSet; }

class SystemSet : public QWidget
{
    Q_OBJECT
public:
    explicit SystemSet(QWidget *parent = nullptr);
    ~SystemSet() override;

    void setSettings(SystemSettings *settings);
    void retranslate();

    // The parts of the "选择" and "恢复" buttons that follow the file choosers.
    void selectBackupFolder(const QString &folder);
    void recoverFrom(QString fileName);

signals:
    void SQListOpen_signals();
    void SQListClose_signals();
    void Language_signals(QString language);

public slots:
    void pt_Set_clicked();
    void pt_Device_clicked();
    void pt_Backups_clicked();
    void pt_Recovery_clicked();
    void pt_Select1_clicked();
    void pt_AutoBackup_clicked();

private:
    void inform(const QString &title, const QString &text);
    void showSettings();

    Ui::SystemSet *ui;
    QString informationTitle;
    QString warningTitle;
    QStringList languageList;
    QStringList accuracyList;
    SystemSettings *settings = nullptr;
};
