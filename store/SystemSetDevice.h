#pragma once
// The model-selection dialog: one check box per supported instrument model; the checked models
// are stored in "config.ini" under "/Acquisition/Mode" when the dialog is destroyed.

#include <QCheckBox>
#include <QDialog>
#include <QList>
#include <QStringList>

namespace Ui { class SystemSetDeviceClass; }

class SystemSetDevice : public QDialog
{
    Q_OBJECT
public:
    explicit SystemSetDevice(QWidget *parent = nullptr);
    ~SystemSetDevice() override;

    // Box N carries model N of the supported list.
    const QList<QCheckBox *> &boxes() const { return boxList; }

private:
    Ui::SystemSetDeviceClass *ui;
    QStringList modelList;
    QList<QCheckBox *> boxList;
};
