#pragma once
// The about dialog: the program's name and version, and the update check.

#include <QDialog>

namespace Ui { class AboutUs; }

class AboutUs : public QDialog
{
    Q_OBJECT
public:
    explicit AboutUs(QWidget *parent = nullptr);
    ~AboutUs() override;

    void setVersion(QString version);
    // The update check needs the database; without it the button is off.
    void setUpdateEnabled(bool enabled);

public slots:
    void pt_OK_clicked();
    void pt_UpData_clicked();

private:
    Ui::AboutUs *ui;
    QString version;
    bool updateAllowed = true;
};
