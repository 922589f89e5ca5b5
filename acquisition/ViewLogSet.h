#pragma once
// The notification settings dialog: up to three alarm-mail addresses, the least time between two
// automatic alarm mails, whether alarms send mail at all, and a button that mails the alarm
// entries the alarm log page lists. The settings are stored when the dialog is destroyed.

#include <QDialog>
#include <QString>
#include <QVector>

#include "Records.h"

class QLineEdit;
struct SystemSettings;

namespace Ui {
class ViewLogSet;
}

class ViewLogSet : public QDialog
{
    Q_OBJECT
public:
    explicit ViewLogSet(QWidget *parent = nullptr);
    // Stores the settings (saveSettings).
    ~ViewLogSet() override;

    // Keeps the settings record and the listed alarm entries (in the page's row order) and
    // shows the stored settings.
    void setSettings(SystemSettings *settings, const QVector<AuditLogRecord> &entries);

public slots:
    void pt_Send_clicked();
    // Escape and the close button: refused while an entry is invalid.
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Whether the dialog may close: every non-empty address is a mail address, and the interval
    // is 10 s or more unless it still shows what was stored. Shows why not.
    bool checkEntries();
    bool intervalIsValid(int *seconds = nullptr) const;
    QStringList addressTexts() const;
    void saveSettings();

    Ui::ViewLogSet *ui;
    SystemSettings *settings = nullptr;
    QString titleInfo;
    QLineEdit *addressEdits[3] = {};
    QString shownInterval;
    QVector<AuditLogRecord> entries;
};
