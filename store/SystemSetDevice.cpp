#include "SystemSetDevice.h"
#include "ui_SystemSetDevice.h"

#include <QSettings>

#include "HalvoranImages.h"
#include "Terms.h"

SystemSetDevice::SystemSetDevice(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SystemSetDeviceClass)
{
    initHalvoranImages();
    ui->setupUi(this);

    modelList = supportedAcquisitionModels();
    for (int n = 1; n <= 34; ++n) {
        const QString name = n == 1 ? QStringLiteral("checkBox") : QStringLiteral("checkBox_%1").arg(n);
        QCheckBox *box = findChild<QCheckBox *>(name);
        Q_ASSERT(box);
        boxList.append(box);
        if (n - 1 < modelList.size())
            box->setText(modelList.at(n - 1));
    }

    QStringList enabled;
    {
        QSettings ini(acquisitionModelsFile(), QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        enabled = ini.value(acquisitionModelsKey()).toStringList();
    }
    for (const QString &name : qAsConst(enabled)) {
        const int index = modelList.indexOf(name);
        if (index >= 0 && index < boxList.size())
            boxList.at(index)->setChecked(true);
    }
}

SystemSetDevice::~SystemSetDevice()
{
    QStringList chosen;
    for (int i = 0; i < boxList.size() && i < modelList.size(); ++i) {
        if (boxList.at(i)->isChecked())
            chosen << modelList.at(i);
    }
    QSettings ini(acquisitionModelsFile(), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.setValue(acquisitionModelsKey(), chosen);
    delete ui;
}
