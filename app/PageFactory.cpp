#include "PageFactory.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

#include "AcquisitionDevice.h"
#include "ChannelCalibration.h"
#include "ChannelConfig.h"
#include "ParametersChannel.h"
#include "ParametersImport.h"
#include "ParametersMode.h"
#include "ParametersOnLine.h"
#include "SystemSettings.h"
#include "VerificationReport.h"
#include "ViewLog.h"

QWidget *createChannelConfigPage(SystemSettings *settings, QWidget *parent)
{
    auto *page = new ChannelConfig(parent);
    page->setSettings(settings);
    return page;
}

QWidget *createAcquisitionDevicePage(SystemSettings *settings, QWidget *parent)
{
    auto *page = new AcquisitionDevice(parent);
    page->setSettings(settings);
    return page;
}

QWidget *createViewLogPage(SystemSettings *settings, QWidget *parent)
{
    auto *page = new ViewLog(parent);
    page->setSettings(settings);
    return page;
}

QWidget *createVerificationReportPage(SystemSettings *settings, QWidget *parent)
{
    auto *page = new VerificationReport(parent);
    page->setSettings(settings);
    return page;
}

QWidget *createChannelCalibrationPage(SystemSettings *settings, QWidget *parent)
{
    auto *page = new ChannelCalibration(parent);
    page->setSettings(settings);
    return page;
}

void runAcquisitionChain(SystemSettings *settings, QWidget *parent)
{
    // Each dialog runs only after the one before it was accepted; all end with the chain.
    // Like the run window, the dialogs stand alone, without a parent.
    Q_UNUSED(parent)
    ParametersMode mode;
    mode.setSettings(settings);
    if (mode.exec() != QDialog::Accepted)
        return;
    ParametersChannel channel;
    channel.setSettings(settings);
    if (channel.exec() != QDialog::Accepted)
        return;
    // The plan dialog stores its mode as shown, translated in its own context (whose
    // translation file lists the text; named through a constant so it is listed only there).
    static const char planDialogContext[] = "ParametersMode";
    if (settings->acquisitionMode == QCoreApplication::translate(planDialogContext, "在线")) {
        ParametersOnLine online;   // no parent: the run window stands alone
        online.start(settings);
        online.exec();
    } else if (settings->acquisitionMode
               == QCoreApplication::translate(planDialogContext, "导入")) {
        ParametersImport importDialog;   // no parent, as the other dialogs of the chain
        importDialog.setSettings(settings);
        importDialog.exec();
    }
}

void viewLogDeleteShown(QWidget *page)
{
    if (auto *log = qobject_cast<ViewLog *>(page))
        log->deleteShown();
}

void viewLogExportPdf(QWidget *page)
{
    if (auto *log = qobject_cast<ViewLog *>(page))
        log->exportPdf();
}

void viewLogOpenNotifySettings(QWidget *page)
{
    if (auto *log = qobject_cast<ViewLog *>(page))
        log->openNotifySettings();
}

bool pageIsNotRunning(QWidget *page)
{
    if (!page)
        return true;
    const QMetaObject *meta = page->metaObject();
    if (meta->indexOfMethod("isNotRunning()") < 0)
        return true;
    bool notRunning = true;
    QMetaObject::invokeMethod(page, "isNotRunning", Qt::DirectConnection,
                              Q_RETURN_ARG(bool, notRunning));
    return notRunning;
}
