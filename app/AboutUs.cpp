#include "AboutUs.h"
#include "ui_AboutUs.h"

#include <QPointer>

#include "HalvoranImages.h"
#include "Update.h"

AboutUs::AboutUs(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutUs)
{
    initHalvoranImages();
    ui->setupUi(this);
    connect(ui->pushButton_OK, &QPushButton::clicked, this, &AboutUs::pt_OK_clicked);
    connect(ui->pushButton_UpData, &QPushButton::clicked, this, &AboutUs::pt_UpData_clicked);
}

AboutUs::~AboutUs()
{
    delete ui;
}

void AboutUs::setVersion(QString text)
{
    ui->label_2->setText(tr("版本：") + text);
    version = text.mid(1);
}

void AboutUs::setUpdateEnabled(bool enabled)
{
    updateAllowed = enabled;
    ui->pushButton_UpData->setEnabled(enabled);
}

void AboutUs::pt_OK_clicked()
{
    close();
}

void AboutUs::pt_UpData_clicked()
{
    if (!updateAllowed)
        return;
    // One check at a time: the button stays off while the query runs.
    ui->pushButton_UpData->setEnabled(false);
    QPointer<AboutUs> self(this);
    auto *update = new Update(this);
    update->checkForUpdate(QStringLiteral("VAZUV"), QStringLiteral("version=") + version);
    if (self)
        ui->pushButton_UpData->setEnabled(updateAllowed);
}
