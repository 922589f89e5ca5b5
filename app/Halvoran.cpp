#include "Halvoran.h"
#include "ui_Halvoran.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSplashScreen>
#include <QStatusBar>
#include <QTimer>

#include "AboutUs.h"
#include "Database.h"
#include "DatabaseSchema.h"
#include "HalvoranImages.h"
#include "HelpViewer.h"
#include "Message.h"
#include "MessageHandler.h"
#include "PageFactory.h"
#include "SystemSet.h"
#include "SystemSetBackup.h"
#include "SystemSettings.h"
#include "Terms.h"

static void initShippedDatabase()
{
    Q_INIT_RESOURCE(vazuv_database);
}

int Halvoran::splashMilliseconds = 2000;

namespace {
bool isPageIndex(int index)
{
    return index == 0 || index == 1 || index == 2 || index == 3 || index == 5 || index == 6;
}

// A missing database file is replaced by the shipped empty database, so that a fresh working
// folder starts with the six tables instead of an empty file SQLite would make. But when a
// restore was cut short between its two renames, the user's database is still there as
// ".previous": it is put back, never replaced by an empty one.
bool placeShippedDatabase(const QString &fileName, QString &error)
{
    if (QFileInfo(fileName).isFile())
        return true;
    const QString previous = fileName + QStringLiteral(".previous");
    if (QFileInfo(previous).isFile()) {
        if (QFile::rename(previous, fileName)) {
            qWarning().noquote() << QStringLiteral("数据库文件缺失，已放回恢复前的数据库：") + previous;
            return true;
        }
        error = Halvoran::tr("数据库文件缺失，原数据库保存在%1，无法放回，请手动改名为%2！")
                    .arg(QDir::current().absoluteFilePath(previous), fileName);
        qWarning().noquote() << error;
        return false;
    }
    initShippedDatabase();
    const QString shipped = QStringLiteral(":/Halvoran/Database/DAQ-Vemka.db3");
    const QString incoming = fileName + QStringLiteral(".new");
    QFile::remove(incoming);
    if (!QFile::copy(shipped, incoming)) {
        qDebug() << "shipped database not placed:" << fileName;
        return false;
    }
    // Files copied out of the resources are read-only.
    QFile::setPermissions(incoming, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                        | QFile::WriteGroup | QFile::ReadOther);
    if (!QFile::rename(incoming, fileName)) {
        QFile::remove(incoming);
        return false;
    }
    qDebug().noquote() << QStringLiteral("已创建数据库：") + QDir::current().absoluteFilePath(fileName);
    return true;
}
}

Halvoran::Halvoran(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::HalvoranClass)
    , messageTitle(tr("警告"))
{
    initHalvoranImages();
    setupUi();

    builders[1] = createChannelConfigPage;
    builders[2] = createAcquisitionDevicePage;
    builders[3] = createViewLogPage;
    builders[5] = createVerificationReportPage;
    builders[6] = createChannelCalibrationPage;
    acquisitionChain = runAcquisitionChain;

    // Start-up: the splash is painted before the wait, which processes no events.
    auto *splash = new QSplashScreen(QPixmap(QStringLiteral(":/Halvoran/Image/Open.png")));
    splash->show();
    splash->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    delayMs(splashMilliseconds);

    currentPage = 100;
    clockTimer = nullptr;
    backupTimer = nullptr;
    clockLabel = nullptr;
    pageTitleLabel = nullptr;
    page = nullptr;
    systemSetPage = nullptr;

    QString databaseError;
    if (!openDatabase(databaseError)) {
        warnOpenFailure(databaseError);
        // Without the settings record no page, acquisition or update check can run.
        disableRecordActions();
    } else {
        systemSettings = new SystemSettings;
        loadSystemSettings();
        loadTranslator(systemSettings->systemLanguage);
        retranslateUi();
        removeOldLogFiles();
        initStatusBar();
        backupTimer = new QTimer(this);
        connect(backupTimer, &QTimer::timeout, this, &Halvoran::BackupTimer_slots);
        backupTimer->start(300000);
        splash->hide();
        // A file or folder that cannot be written is said once, here, and not by every save.
        if (!checkDatabaseWritable(database, databaseError))
            warn(databaseError);
    }
    delete splash;
}

Halvoran::~Halvoran()
{
    // Pages may still use the record while they go.
    delete page;
    page = nullptr;
    systemSetPage = nullptr;
    delete systemSettings;
    systemSettings = nullptr;
    delete ui;
}

void Halvoran::setupUi()
{
    ui->setupUi(this);
    connect(ui->toolButton_SystemSet, &QToolButton::clicked, this, &Halvoran::pt_SystemSet_clicked);
    connect(ui->toolButton_ChannelConfig, &QToolButton::clicked, this, &Halvoran::pt_ChannelConfig_clicked);
    connect(ui->toolButton_AcquisitionDevice, &QToolButton::clicked, this, &Halvoran::pt_AcquisitionDevice_clicked);
    connect(ui->toolButton_ChannelCalibration, &QToolButton::clicked, this, &Halvoran::pt_ChannelCalibration_clicked);
    connect(ui->toolButton_Parameters, &QToolButton::clicked, this, &Halvoran::pt_Parameters_clicked);
    connect(ui->toolButton_VerificationReport, &QToolButton::clicked, this, &Halvoran::pt_VerificationReport_clicked);
    connect(ui->toolButton_ViewLog, &QToolButton::clicked, this, &Halvoran::pt_ViewLog_clicked);
    connect(ui->toolButton_DownloadLog, &QToolButton::clicked, this, &Halvoran::pt_DownloadLog_clicked);
    connect(ui->toolButton_DeleteLog, &QToolButton::clicked, this, &Halvoran::pt_DeleteLog_clicked);
    connect(ui->toolButton_SetLog, &QToolButton::clicked, this, &Halvoran::pt_SetLog_clicked);
    connect(ui->toolButton_Help, &QToolButton::clicked, this, &Halvoran::pt_Help_clicked);
    connect(ui->toolButton_Message, &QToolButton::clicked, this, &Halvoran::pt_Message_clicked);
    connect(ui->toolButton_AboutUs, &QToolButton::clicked, this, &Halvoran::pt_AboutUs_clicked);
    ui->tabWidget->setCurrentIndex(1);
}

void Halvoran::retranslateUi()
{
    ui->retranslateUi(this);
}

void Halvoran::disableRecordActions()
{
    for (QToolButton *button : {ui->toolButton_SystemSet, ui->toolButton_ChannelConfig,
                                ui->toolButton_AcquisitionDevice, ui->toolButton_ChannelCalibration,
                                ui->toolButton_Parameters, ui->toolButton_VerificationReport,
                                ui->toolButton_ViewLog, ui->toolButton_DownloadLog,
                                ui->toolButton_DeleteLog, ui->toolButton_SetLog})
        button->setEnabled(false);
}

bool Halvoran::openDatabase(QString &error)
{
    error.clear();
    const QString fileName = databaseFileName();
    if (!placeShippedDatabase(fileName, error))
        return false;
    // The default connection is registered once and reused by every reopen.
    if (!openDatabaseConnection(QString(), fileName))
        return false;
    database = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    // SQLite opens any file; one without the program's tables, column by column, is not its
    // database: its rows would be read as wrong values.
    if (!checkDatabaseTables(database, error)) {
        qWarning().noquote() << QStringLiteral("数据库不符：") + fileName << error;
        database.close();
        return false;
    }
    useWriteAheadLog();
    return true;
}

void Halvoran::warnOpenFailure(const QString &reason)
{
    warn(reason.isEmpty() ? tr("打开数据库失败！")
                          : tr("打开数据库失败！") + QLatin1Char('\n') + reason);
}

int Halvoran::loadSystemSettings()
{
    return ::loadSystemSettings(systemSettings);
}

void Halvoran::removeOldLogFiles()
{
    ::removeOldLogFiles(QDate::currentDate(), QStringLiteral("."));
}

void Halvoran::loadTranslator(const QString &language)
{
    const QString file = language == QStringLiteral("中文") ? QStringLiteral("halvoran_zh.qm")
                                                            : QStringLiteral("halvoran_en.qm");
    if (!translator.load(file))
        translator.load(file, QCoreApplication::applicationDirPath());
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::installTranslator(&translator);
    // Qt's own texts (standard buttons, file and folder dialogs) in the same language.
    QCoreApplication::removeTranslator(&qtTranslator);
    if (language == QStringLiteral("中文")
        && qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                             QStringLiteral("_"),
                             QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);
}

void Halvoran::initStatusBar()
{
    versionLabel = new QLabel(this);
    versionLabel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    versionLabel->setText(tr("保留所有权利  版本号：") + systemSettings->version);
    versionLabel->setTextFormat(Qt::RichText);
    versionLabel->setOpenExternalLinks(true);
    ui->statusBar->addPermanentWidget(versionLabel, 0);

    pageTitleLabel = new QLabel(this);
    pageTitleLabel->setMinimumSize(100, 20);
    ui->statusBar->addWidget(pageTitleLabel, 0);

    clockLabel = new QLabel(this);
    clockLabel->setMinimumSize(200, 20);
    ui->statusBar->addWidget(clockLabel, 0);

    clockTimer = new QTimer(this);
    connect(clockTimer, &QTimer::timeout, this, &Halvoran::TimeUpdate_slots);
    clockTimer->start(1000);
}

void Halvoran::warn(const QString &text)
{
    QMessageBox::information(this, messageTitle, text, QMessageBox::Ok);
}

QString Halvoran::pageTitleText(int index) const
{
    switch (index) {
    case 0: return tr("系统设置");
    case 1: return tr("通道参数");
    case 2: return tr("采集设备");
    case 3: return tr("查看警告信息");
    case 5: return tr("验证报告");
    case 6: return tr("通道校准");
    default: return QString();
    }
}

void Halvoran::setPageBuilder(int index, PageBuilder builder)
{
    if (index >= 1 && index <= 6 && index != 4)
        builders[index] = std::move(builder);
}

void Halvoran::setAcquisitionChain(std::function<void(SystemSettings *, QWidget *)> chain)
{
    acquisitionChain = std::move(chain);
}

void Halvoran::switchPage(int index)
{
    const QString title = pageTitleText(index);
    if (index == currentPage)
        return;
    if (!systemSettings)
        return;  // no record: no page can be shown

    if (isPageIndex(currentPage)) {
        if (currentPage == 6 && !pageIsNotRunning(page)) {
            warn(tr("正在校准中！"));
            return;
        }
        if (busyPageRefuses())
            return;
        ui->verticalLayout_Widget->removeWidget(page);
        delete page;
        page = nullptr;
        systemSetPage = nullptr;
    }
    if (currentPage != 100)
        ui->verticalSpacer->changeSize(20, 20, QSizePolicy::Expanding, QSizePolicy::Minimum);

    if (isPageIndex(index)) {
        if (index == 0) {
            auto *settingsPage = new SystemSet(nullptr);
            ui->verticalLayout_Widget->addWidget(settingsPage, 0);
            settingsPage->setSettings(systemSettings);
            connect(settingsPage, &SystemSet::SQListOpen_signals, this, &Halvoran::SQListOpen_slots);
            connect(settingsPage, &SystemSet::SQListClose_signals, this, &Halvoran::SQListClose_slots);
            connect(settingsPage, &SystemSet::Language_signals, this, &Halvoran::Language_slots);
            page = settingsPage;
            systemSetPage = settingsPage;
        } else {
            page = builders[index] ? builders[index](systemSettings, ui->centralWidget) : nullptr;
            if (page)
                ui->verticalLayout_Widget->addWidget(page, 0);
        }
        if (pageTitleLabel)
            pageTitleLabel->setText(title);
    }
    if (index != 100)
        ui->verticalSpacer->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    ui->verticalLayout_Widget->invalidate();
    currentPage = index;
}

bool Halvoran::mayClose()
{
    if (currentPage == 6 && !pageIsNotRunning(page)) {
        warn(tr("正在校准中！"));
        return false;
    }
    return !busyPageRefuses();
}

bool Halvoran::busyPageRefuses()
{
    // Any other page at work (an instrument test) stays; asked to close, it tells the user why.
    if (currentPage == 6 || !page || pageIsNotRunning(page))
        return false;
    page->close();
    return !pageIsNotRunning(page);
}

void Halvoran::closeEvent(QCloseEvent *event)
{
    if (!mayClose()) {
        event->ignore();
        return;
    }
    const auto answer = QMessageBox::question(this, tr("退出"), tr("确认退出程序?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}

void Halvoran::pt_Help_clicked()
{
    openHelp(this, [this](const QString &reason) {
        warn(tr("帮助文档打开失败：") + reason);
    });
}

void Halvoran::pt_SetLog_clicked()
{
    if (!systemSettings)
        return;
    if (currentPage == 3) {
        viewLogOpenNotifySettings(page);
        return;
    }
    warn(tr("请先选择需要设置的通知!"));
    switchPage(3);
}

void Halvoran::pt_ViewLog_clicked()
{
    switchPage(3);
}

void Halvoran::pt_Message_clicked()
{
    Message dialog(nullptr);
    dialog.exec();
}

void Halvoran::pt_AboutUs_clicked()
{
    AboutUs dialog(nullptr);
    if (systemSettings) {
        dialog.setVersion(systemSettings->version);
    } else {
        dialog.setVersion(SystemSettings().version);
        dialog.setUpdateEnabled(false);  // the check needs the database
    }
    dialog.exec();
}

void Halvoran::pt_DeleteLog_clicked()
{
    if (!systemSettings)
        return;
    if (currentPage == 3) {
        viewLogDeleteShown(page);
        return;
    }
    warn(tr("请先选择需要删除的通知!"));
    switchPage(3);
}

void Halvoran::pt_SystemSet_clicked()
{
    switchPage(0);
}

void Halvoran::pt_Parameters_clicked()
{
    if (!systemSettings)
        return;
    switchPage(100);
    if (currentPage != 100 && currentPage != 6)
        return;  // a page at work stayed: no run is planned over it
    if (acquisitionChain)
        acquisitionChain(systemSettings, this);
}

void Halvoran::pt_DownloadLog_clicked()
{
    if (!systemSettings)
        return;
    if (currentPage == 3) {
        viewLogExportPdf(page);
        return;
    }
    warn(tr("请先选择需要下载的通知!"));
    switchPage(3);
}

void Halvoran::pt_ChannelConfig_clicked()
{
    switchPage(1);
}

void Halvoran::pt_AcquisitionDevice_clicked()
{
    switchPage(2);
}

void Halvoran::pt_ChannelCalibration_clicked()
{
    switchPage(6);
}

void Halvoran::pt_VerificationReport_clicked()
{
    switchPage(5);
}

void Halvoran::TimeUpdate_slots()
{
    if (clockLabel)
        clockLabel->setText(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
}

void Halvoran::SQListOpen_slots()
{
    QString error;
    if (!openDatabase(error)) {
        warnOpenFailure(error);
        return;
    }
    // The database may have been replaced (a restore): the settings, the backup timer and the
    // instruments offered for a run follow the file now open.
    if (!systemSettings)
        return;
    const QString language = systemSettings->systemLanguage;
    reloadSystemSettings(systemSettings);
    if (systemSettings->systemLanguage != language)
        Language_slots(systemSettings->systemLanguage);
}

void Halvoran::SQListClose_slots()
{
    database.close();
}

void Halvoran::BackupTimer_slots()
{
    if (!systemSettings || !systemSettings->autoBackup)
        return;
    const QDateTime now = QDateTime::currentDateTime();
    if (systemSettings->backupTime.isValid()) {
        const QDateTime due = systemSettings->backupTime.addDays(systemSettings->backupCycle);
        if (due.secsTo(now) < 0)
            return;
    }
    if (!QFileInfo(systemSettings->backupPath).isDir()) {
        reportBackupFailure(tr("自动备份失败，备份路径不存在：%1").arg(systemSettings->backupPath));
        return;
    }

    const QDateTime copyTime = QDateTime::currentDateTime();
    const QString target = backupTargetName(systemSettings->backupPath, copyTime);
    if (!backupDatabase(target, databaseFileName())) {
        qDebug().noquote() << QStringLiteral("备份失败！");
        reportBackupFailure(tr("自动备份失败，无法写入：%1").arg(target));
        return;
    }
    qDebug().noquote() << QStringLiteral("路径为：") + target;
    reportBackupFailure(QString());
    systemSettings->backupTime = copyTime;
    if (!setSystemSetText(QStringLiteral("BackupTime"), copyTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))) {
        qDebug().noquote() << QStringLiteral("写入失败！");
        qWarning().noquote() << QStringLiteral("备份时间未能写入数据库：") + target;
    }
}

void Halvoran::reportBackupFailure(const QString &text)
{
    if (text.isEmpty()) {
        if (backupStateLabel)
            backupStateLabel->hide();
        return;
    }
    qWarning().noquote() << text;
    if (!backupStateLabel) {
        backupStateLabel = new QLabel(this);
        backupStateLabel->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
        ui->statusBar->addWidget(backupStateLabel, 0);
    }
    backupStateLabel->setText(text);
    backupStateLabel->show();
}

QString Halvoran::backupFailureText() const
{
    return backupStateLabel && !backupStateLabel->isHidden() ? backupStateLabel->text() : QString();
}

void Halvoran::Language_slots(QString language)
{
    loadTranslator(language);
    retranslateUi();
    if (systemSetPage)
        systemSetPage->retranslate();
}

bool applicationMayQuit()
{
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (auto *window = qobject_cast<Halvoran *>(widget)) {
            if (!window->mayClose())
                return false;
        }
    }
    return true;
}
