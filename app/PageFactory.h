#pragma once
// The pages and dialog chain that the main window shows but does not build itself. Each page
// builder creates its page under `parent` (the window's page area) and hands it the settings
// record through the page's setSettings; the window then inserts it into its page area and
// deletes it at the next switch. Each builder's body is the only place that names its page class.

struct SystemSettings;
class QWidget;

// Page 1, "通道参数": the channel-configuration page (ChannelConfig).
QWidget *createChannelConfigPage(SystemSettings *settings, QWidget *parent);
// Page 2, "采集设备": the instrument list page (AcquisitionDevice).
QWidget *createAcquisitionDevicePage(SystemSettings *settings, QWidget *parent);
// Page 3, "查看警告信息": the alarm-log page (ViewLog).
QWidget *createViewLogPage(SystemSettings *settings, QWidget *parent);
// Page 5, "验证报告": the verification-report page (VerificationReport).
QWidget *createVerificationReportPage(SystemSettings *settings, QWidget *parent);
// Page 6, "通道校准": the channel calibration page (ChannelCalibration).
QWidget *createChannelCalibrationPage(SystemSettings *settings, QWidget *parent);

// The acquisition button's modal chain: ParametersMode, then ParametersChannel, then
// ParametersImport (mode tr("导入")) or ParametersOnLine (mode tr("在线")); each dialog runs only
// when the one before it ended accepted; all are destroyed when the chain returns.
void runAcquisitionChain(SystemSettings *settings, QWidget *parent);

// Operations of the alarm-log page behind the buttons "删除通知", "下载通知" and "高级设置";
// `page` is the page made by createViewLogPage.
void viewLogDeleteShown(QWidget *page);
void viewLogExportPdf(QWidget *page);
void viewLogOpenNotifySettings(QWidget *page);

// Whether the page may be left (and the program closed) now: false while the page runs work
// that must not be cut off, such as a calibration. A page answers through an invokable
// `bool isNotRunning()` (a public slot or Q_INVOKABLE, as ChannelCalibration declares it);
// a page without one may always be left.
bool pageIsNotRunning(QWidget *page);
