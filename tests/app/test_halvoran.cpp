// The main window: start-up in a folder of its own, the page switcher, the alarm-log buttons,
// the calibration guard, the language switch, database reopen and the timed backup.
#include <QComboBox>
#include <QElapsedTimer>
#include <QSplashScreen>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSqlDatabase>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

#include <sys/fsuid.h>
#include <unistd.h>

#include "Database.h"
#include "Halvoran.h"
#include "ShellTestSupport.h"
#include "SystemSet.h"
#include "SystemSetBackup.h"
#include "SystemSettings.h"

// A page that can pretend to run a calibration.
class FakeCalibrationPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    Q_INVOKABLE bool isNotRunning() const { return !running; }
    bool running = false;
};

// A page that can pretend to test an instrument: while busy it refuses to close, saying why.
class FakeBusyPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    Q_INVOKABLE bool isNotRunning() const { return !running; }
    bool running = false;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (running) {
            event->ignore();
            QMessageBox::warning(this, QStringLiteral("警告"), QStringLiteral("设备测试中，请稍候！"));
            return;
        }
        QWidget::closeEvent(event);
    }
};

namespace {
QStringList capturedWarnings;
QtMessageHandler previousHandler = nullptr;
void captureWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg)
        capturedWarnings << message;
    if (previousHandler)
        previousHandler(type, context, message);
}

QToolButton *button(Halvoran &w, const char *name)
{
    return w.findChild<QToolButton *>(QString::fromLatin1(name));
}

// A database whose stored language is Chinese: the window shows the source texts.
void prepareChineseDatabase(const WorkingFolder &folder)
{
    const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
    QVERIFY(copyEmptyDatabase(db));
    sqlite(db, QStringLiteral("insert into SystemSet values('SystemLanguage','中文')"));
}

void copyTranslations(const WorkingFolder &folder)
{
    for (const char *qm : {"halvoran_en.qm", "halvoran_zh.qm"})
        QFile::copy(binDir() + QLatin1Char('/') + QLatin1String(qm), folder.file(QLatin1String(qm)));
}
}

// Notes when a splash screen is painted, counted from the start of the window's construction.
class SplashPaintWatcher : public QObject
{
public:
    QElapsedTimer clock;
    qint64 paintedAt = -1;
    QPixmap shown;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && paintedAt < 0) {
            if (auto *splash = qobject_cast<QSplashScreen *>(watched)) {
                paintedAt = clock.elapsed();
                shown = splash->pixmap();
            }
        }
        return false;
    }
};

class TestHalvoran : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Halvoran::splashMilliseconds = 0;
    }

    void cleanup()
    {
        // Each test's window leaves the default connection registered; the next starts afresh.
        closeDatabaseConnection();
    }

    void imagesOfTheProgram_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"Halvoran.ico", "Open.png", "SystemSet.png", "ChannelConfig.png", "AcquisitionDevices.png",
                              "DataValidation.png", "Parameters.png", "ValidationReport.png", "AuditLog.png",
                              "DownloadLog.png", "LogDelete.png", "LogSet.png", "Help.png", "Message.png", "AboutUs.png",
                              "Checkbox_checked.png", "Checkbox_unchecked.png", "Import.png", "Logo.png", "wait.gif"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void imagesOfTheProgram()
    {
        QFETCH(QString, name);
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;  // registers the images
        const QImage image(QStringLiteral(":/Halvoran/Image/") + name);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 16 && image.height() >= 16);
    }

    void splashIsPaintedBeforeTheWait()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        SplashPaintWatcher watcher;
        qApp->installEventFilter(&watcher);
        Halvoran::splashMilliseconds = 400;
        watcher.clock.start();
        {
            Halvoran w;
            const qint64 built = watcher.clock.elapsed();
            Halvoran::splashMilliseconds = 0;
            qApp->removeEventFilter(&watcher);
            QVERIFY(built >= 400);
            QVERIFY2(watcher.paintedAt >= 0, "the splash was never painted");
            QVERIFY2(watcher.paintedAt < 400, qPrintable(QString::number(watcher.paintedAt)));
            QVERIFY(!watcher.shown.isNull());
            QCOMPARE(watcher.shown.size(), QImage(QStringLiteral(":/Halvoran/Image/Open.png")).size());
        }
        // The splash is gone once the window is built.
        for (QWidget *top : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<QSplashScreen *>(top));
    }

    void startsInAnEmptyFolder()
    {
        WorkingFolder folder;
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        const QString old = QDate::currentDate().addDays(-32).toString(QStringLiteral("'log_'yyyy-MM-dd'.log'"));
        const QString kept = QDate::currentDate().addDays(-31).toString(QStringLiteral("'log_'yyyy-MM-dd'.log'"));
        for (const QString &name : {old, kept}) {
            QFile f(folder.file(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        MessageBoxAnswerer answerer;
        Halvoran w;
        QVERIFY(answerer.seen.isEmpty());
        QVERIFY(w.settings());
        QCOMPARE(w.settings()->version, QStringLiteral("V1.2.13"));
        QCOMPARE(w.currentPageIndex(), 100);
        QVERIFY(w.databaseHandle().isOpen());

        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        QCOMPARE(sqlite(db, QStringLiteral("select name from sqlite_master where type='table' order by name")).split('\n'),
                 (QStringList{"AcquisitionDevice", "AuditLog", "ChannelConfig", "Parameters", "ParametersData", "SystemSet"}));
        // The settings were loaded: a fresh database gains its nine rows.
        QCOMPARE(sqlite(db, QStringLiteral("select count(*) from SystemSet")), QStringLiteral("9"));
        QVERIFY(QFileInfo(db).isWritable());
        QVERIFY(!QFile::exists(folder.file(old)));
        QVERIFY(QFile::exists(folder.file(kept)));

        // Status bar: the clock, and the tab of the devices shown first.
        QVERIFY(w.clock());
        w.TimeUpdate_slots();
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(w.clock()->text()).hasMatch());
        QCOMPARE(w.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->currentIndex(), 1);
        QCOMPARE(w.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->count(), 6);
        QVERIFY(w.statusBar()->findChildren<QLabel *>().size() >= 3);
        Q_UNUSED(today)
    }

    void refusesAFileThatIsNotItsDatabase_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file") << "text" << "无法读取数据表SystemSet：";  // and SQLite's words
        QTest::newRow("empty file") << "empty" << "数据库缺少数据表SystemSet！";
        QTest::newRow("other tables") << "other" << "数据库缺少数据表SystemSet！";
        // A stored upper alarm would be read from the wrong column: refused, never read.
        QTest::newRow("extra column") << "extra" << "数据表ChannelConfig第26列应为UpperAlarm，实为Extra！";
    }
    void refusesAFileThatIsNotItsDatabase()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        WorkingFolder folder;
        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        if (kind == QLatin1String("other")) {
            sqlite(db, QStringLiteral("create table Other(a); insert into Other values(1);"));
        } else if (kind == QLatin1String("extra")) {
            QVERIFY(copyEmptyDatabase(db));
            QCOMPARE(sqlite(db, QStringLiteral(
                "alter table ChannelConfig rename to Old;"
                "create table ChannelConfig(Name,Time,Mode,Remark,ChannelCount,ChannelNumber,ChannelLabel,"
                "ChannelType,ChannelFunction,WireMode,[MX+B_M],[MX+B_B],A_C0,B_C1,C_C2,D_C3,R0_C4,A4_C5,"
                "B4_C6,Unit,Compensation,ColdJunction,LowerAlarmEnable,LowerAlarm,UpperAlarmEnable,Extra,"
                "UpperAlarm); drop table Old;")), QString());
        } else {
            QFile f(db);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == QLatin1String("text"))
                f.write("these are the engineer's notes, not a database\n");
        }
        QFile before(db);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray bytes = before.readAll();
        before.close();

        MessageBoxAnswerer answerer;
        Halvoran w;
        QCOMPARE(answerer.seen.size(), 1);
        const QString said = answerer.seen.at(0).text;
        if (kind == QLatin1String("text"))
            QVERIFY2(said.startsWith(QStringLiteral("打开数据库失败！\n") + reason), qPrintable(said));
        else
            QCOMPARE(said, QStringLiteral("打开数据库失败！\n") + reason);
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("警告"));
        QVERIFY(!w.settings());
        QVERIFY(!w.clock());
        // Without a record nothing that needs it runs.
        for (const char *name : {"toolButton_SystemSet", "toolButton_ChannelConfig", "toolButton_Parameters",
                                 "toolButton_ViewLog", "toolButton_DeleteLog", "toolButton_ChannelCalibration"})
            QVERIFY2(!button(w, name)->isEnabled(), name);
        QVERIFY(button(w, "toolButton_Help")->isEnabled());
        QVERIFY(button(w, "toolButton_AboutUs")->isEnabled());
        bool chainRan = false;
        w.setAcquisitionChain([&](SystemSettings *, QWidget *) { chainRan = true; });
        w.pt_SystemSet_clicked();
        w.pt_Parameters_clicked();
        w.pt_DeleteLog_clicked();
        QCOMPARE(w.currentPageIndex(), 100);
        QVERIFY(!chainRan);
        QCOMPARE(answerer.seen.size(), 1);
        // The file is left as it was.
        QFile after(db);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }

    // A database that cannot be written is said once at start, not by every later save.
    void readOnlyDatabaseIsReportedOnce_data()
    {
        QTest::addColumn<bool>("folderToo");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }
    void readOnlyDatabaseIsReportedOnce()
    {
        QFETCH(bool, folderToo);
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto enter = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        const auto writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        QVERIFY(QFile::setPermissions(db, folderToo ? readable | writable : readable));
        QVERIFY(QFile::setPermissions(folder.path(), folderToo ? readable | enter
                                                               : readable | enter | QFile::WriteOwner));
        // Permissions bind root only under another file-system user id (this thread alone).
        const bool root = geteuid() == 0;
        if (root)
            setfsuid(65534);
        MessageBoxAnswerer answerer;
        auto w = std::make_unique<Halvoran>();
        if (root)
            setfsuid(0);
        QVERIFY(w->settings());
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY2(answerer.seen.at(0).text.startsWith(QStringLiteral("数据库文件或其所在文件夹不可写入")),
                 qPrintable(answerer.seen.at(0).text));
        QVERIFY(answerer.seen.at(0).text.contains(db));
        w.reset();
        QVERIFY(QFile::setPermissions(folder.path(), readable | enter | QFile::WriteOwner));
    }

    void pageSwitcher()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;
        QList<SystemSettings *> handed;
        int built = 0;
        for (int index : {1, 2, 3, 5, 6}) {
            w.setPageBuilder(index, [&, index](SystemSettings *record, QWidget *parent) {
                handed << record;
                ++built;
                auto *page = new QWidget(parent);
                page->setObjectName(QStringLiteral("page%1").arg(index));
                return page;
            });
        }
        w.show();

        w.pt_ChannelConfig_clicked();
        QCOMPARE(w.currentPageIndex(), 1);
        QCOMPARE(handed, QList<SystemSettings *>{w.settings()});
        QPointer<QWidget> first = w.currentPageWidget();
        QVERIFY(first);
        QCOMPARE(first->objectName(), QStringLiteral("page1"));
        QTRY_VERIFY(first->isVisible());
        QCOMPARE(w.pageTitle()->text(), QStringLiteral("通道参数"));

        // The page shown already is not rebuilt.
        w.pt_ChannelConfig_clicked();
        QCOMPARE(built, 1);
        QCOMPARE(w.currentPageWidget(), first.data());

        const struct { void (Halvoran::*slot)(); int index; const char *title; } steps[] = {
            {&Halvoran::pt_AcquisitionDevice_clicked, 2, "采集设备"},
            {&Halvoran::pt_ViewLog_clicked, 3, "查看警告信息"},
            {&Halvoran::pt_VerificationReport_clicked, 5, "验证报告"},
            {&Halvoran::pt_ChannelCalibration_clicked, 6, "通道校准"},
        };
        for (const auto &step : steps) {
            QPointer<QWidget> previous = w.currentPageWidget();
            (w.*step.slot)();
            QCOMPARE(w.currentPageIndex(), step.index);
            QVERIFY(!previous);  // the old page is gone
            QCOMPARE(w.currentPageWidget()->objectName(), QStringLiteral("page%1").arg(step.index));
            QCOMPARE(w.pageTitle()->text(), QString::fromUtf8(step.title));
        }
        QCOMPARE(built, 5);

        // The settings page is the window's own and gets the record.
        w.pt_SystemSet_clicked();
        auto *settingsPage = qobject_cast<SystemSet *>(w.currentPageWidget());
        QVERIFY(settingsPage);
        QCOMPARE(w.pageTitle()->text(), QStringLiteral("系统设置"));

        // The acquisition button empties the page area, keeps the title and runs the chain.
        QPointer<QWidget> shown = w.currentPageWidget();
        SystemSettings *chainRecord = nullptr;
        int pageDuringChain = -1;
        w.setAcquisitionChain([&](SystemSettings *record, QWidget *) {
            chainRecord = record;
            pageDuringChain = w.currentPageIndex();
        });
        QTest::mouseClick(button(w, "toolButton_Parameters"), Qt::LeftButton);
        QCOMPARE(chainRecord, w.settings());
        QCOMPARE(pageDuringChain, 100);
        QVERIFY(!shown);
        QVERIFY(!w.currentPageWidget());
        QCOMPARE(w.pageTitle()->text(), QStringLiteral("系统设置"));
    }

    void alarmLogButtons_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("opens");   // the window the page's operation opens
        QTest::newRow("delete") << "toolButton_DeleteLog" << "请先选择需要删除的通知!"
                                << "QMessageBox:确认删除通知？";
        QTest::newRow("download") << "toolButton_DownloadLog" << "请先选择需要下载的通知!"
                                  << "QFileDialog";
        QTest::newRow("settings") << "toolButton_SetLog" << "请先选择需要设置的通知!"
                                  << "ViewLogSet";
    }
    void alarmLogButtons()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, hint);
        QFETCH(QString, opens);
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;
        w.pt_ChannelConfig_clicked();
        MessageBoxAnswerer answerer;
        QTest::mouseClick(button(w, buttonName.toLatin1().constData()), Qt::LeftButton);
        QCOMPARE(answerer.texts(), QStringList{hint});
        QCOMPARE(w.currentPageIndex(), 3);
        // On the alarm-log page the button runs the page's operation, which opens its window.
        answerer.seen.clear();
        QStringList opened;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&opened] {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                auto *dialog = qobject_cast<QDialog *>(top);
                if (dialog && dialog->isVisible() && !qobject_cast<QMessageBox *>(dialog)) {
                    opened << QString::fromLatin1(dialog->metaObject()->className());
                    dialog->done(QDialog::Rejected);
                }
            }
        });
        closer.start(15);
        QTest::mouseClick(button(w, buttonName.toLatin1().constData()), Qt::LeftButton);
        for (const QString &text : answerer.texts())
            opened << QStringLiteral("QMessageBox:") + text;
        QCOMPARE(opened, QStringList{opens});
        QCOMPARE(w.currentPageIndex(), 3);
    }

    void busyPageStaysUntilItsWorkEnds()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;
        FakeBusyPage *busy = nullptr;
        w.setPageBuilder(2, [&](SystemSettings *, QWidget *parent) {
            busy = new FakeBusyPage(parent);
            return busy;
        });
        int chains = 0;
        w.setAcquisitionChain([&](SystemSettings *, QWidget *) { ++chains; });
        w.show();
        w.pt_AcquisitionDevice_clicked();
        QVERIFY(busy);
        QPointer<QWidget> page = busy;
        busy->running = true;

        MessageBoxAnswerer answerer;
        QTest::mouseClick(button(w, "toolButton_SystemSet"), Qt::LeftButton);
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设备测试中，请稍候！")});
        QCOMPARE(w.currentPageIndex(), 2);
        QVERIFY(page && page->isVisible());

        // No run is planned over a page at work.
        answerer.seen.clear();
        QTest::mouseClick(button(w, "toolButton_Parameters"), Qt::LeftButton);
        QCOMPARE(chains, 0);
        QVERIFY(page);

        answerer.seen.clear();
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设备测试中，请稍候！")});

        // Once the test is over the page goes as usual.
        busy->running = false;
        answerer.seen.clear();
        QTest::mouseClick(button(w, "toolButton_SystemSet"), Qt::LeftButton);
        QCOMPARE(w.currentPageIndex(), 0);
        QTRY_VERIFY(!page);
        QVERIFY(answerer.seen.isEmpty());
    }

    void calibrationGuard()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;
        FakeCalibrationPage *calibration = nullptr;
        w.setPageBuilder(6, [&](SystemSettings *, QWidget *parent) {
            calibration = new FakeCalibrationPage(parent);
            return calibration;
        });
        int chains = 0;
        w.setAcquisitionChain([&](SystemSettings *, QWidget *) { ++chains; });
        w.show();
        w.pt_ChannelCalibration_clicked();
        QVERIFY(calibration);
        calibration->running = true;
        QPointer<QWidget> page = calibration;

        MessageBoxAnswerer answerer;
        for (const char *name : {"toolButton_SystemSet", "toolButton_ChannelConfig", "toolButton_AcquisitionDevice",
                                 "toolButton_VerificationReport", "toolButton_ViewLog"}) {
            answerer.seen.clear();
            QTest::mouseClick(button(w, name), Qt::LeftButton);
            QCOMPARE(answerer.texts(), QStringList{QStringLiteral("正在校准中！")});
            QCOMPARE(w.currentPageIndex(), 6);
            QVERIFY(page);
        }
        // The alarm-log buttons give their hint first.
        answerer.seen.clear();
        QTest::mouseClick(button(w, "toolButton_DeleteLog"), Qt::LeftButton);
        QCOMPARE(answerer.texts(), (QStringList{QStringLiteral("请先选择需要删除的通知!"), QStringLiteral("正在校准中！")}));
        // The acquisition button shows the message but still runs its dialogs.
        answerer.seen.clear();
        QTest::mouseClick(button(w, "toolButton_Parameters"), Qt::LeftButton);
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("正在校准中！")});
        QCOMPARE(chains, 1);
        QVERIFY(page);

        // Closing is refused without the exit question; so is an installer start.
        answerer.seen.clear();
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("正在校准中！")});
        QVERIFY(!applicationMayQuit());

        // Once the run is over the question comes; No keeps the program, Yes ends it.
        calibration->running = false;
        QVERIFY(applicationMayQuit());
        answerer.seen.clear();
        // Qt's own buttons speak the program's language.
        answerer.answers = QStringList{QStringLiteral("否(N)")};
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("退出"));
        QCOMPARE(answerer.seen.at(0).text, QStringLiteral("确认退出程序?"));
        answerer.answers = QStringList{QStringLiteral("是(Y)")};
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
    }

    void languageSwitch()
    {
        WorkingFolder folder;
        copyTranslations(folder);
        Halvoran w;  // a fresh database has no language: English
        w.resize(1170, 777);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QCOMPARE(tabs->tabText(0), QStringLiteral("System Settings"));
        QCOMPARE(textOf(&w, "toolButton_AboutUs"), QStringLiteral("About"));

        w.settings()->backupCycle = 3;
        w.pt_SystemSet_clicked();
        auto *page = qobject_cast<SystemSet *>(w.currentPageWidget());
        QVERIFY(page);
        QCOMPARE(textOf(page, "pushButton_Set"), QStringLiteral("Set"));
        QCOMPARE(textOf(page, "lineEdit_BackupsCycle"), QStringLiteral("3"));

        MessageBoxAnswerer answerer;
        page->findChild<QComboBox *>(QStringLiteral("comboBox_Language"))->setCurrentText(QStringLiteral("中文"));
        QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("pushButton_Set")), Qt::LeftButton);
        // The box is shown after the switch, in the new language.
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设置成功！")});
        QCOMPARE(tabs->tabText(0), QStringLiteral("系统设置"));
        QCOMPARE(textOf(&w, "toolButton_AboutUs"), QStringLiteral("关于软件"));
        QCOMPARE(textOf(page, "pushButton_Set"), QStringLiteral("设置"));
        QCOMPARE(textOf(page, "lineEdit_BackupsCycle"), QStringLiteral("3"));
        QCOMPARE(w.settings()->systemLanguage, QStringLiteral("中文"));
        QCOMPARE(sqlite(folder.file(QStringLiteral("DAQ-Vemka.db3")),
                        QStringLiteral("select Data from SystemSet where Name='SystemLanguage'")),
                 QStringLiteral("中文"));
        w.hide();
    }

    // A started window also leaves pictures of what a user sees, for a person to look at:
    // the window and the settings page, in English and in Chinese.
    void startsInTheStoredLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shownLanguage");
        QTest::addColumn<QString>("pictures");
        QTest::newRow("Chinese") << "中文" << "系统设置" << "保留所有权利" << "中文" << "zh";
        QTest::newRow("English") << "English" << "System Settings" << "All rights reserved" << "English" << "en";
        QTest::newRow("anything else") << "Deutsch" << "System Settings" << "All rights reserved" << "English" << "";
    }
    void startsInTheStoredLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(QString, tab);
        QFETCH(QString, caption);
        QFETCH(QString, shownLanguage);
        QFETCH(QString, pictures);
        WorkingFolder folder;
        copyTranslations(folder);
        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        QVERIFY(copyEmptyDatabase(db));
        sqlite(db, QStringLiteral("insert into SystemSet values('SystemLanguage','%1')").arg(stored));
        sqlite(db, QStringLiteral("insert into SystemSet values('BackupCycle','7')"));
        Halvoran w;
        w.resize(1170, 777);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.TimeUpdate_slots();
        auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QCOMPARE(tabs->tabText(0), tab);
        bool captionShown = false;
        for (QLabel *label : w.findChild<QStatusBar *>(QStringLiteral("statusBar"))->findChildren<QLabel *>())
            captionShown = captionShown || label->text().startsWith(caption);
        QVERIFY(captionShown);
        if (!pictures.isEmpty())
            QVERIFY(saveScreenshot(&w, QStringLiteral("main-window-%1.png").arg(pictures)));

        tabs->setCurrentIndex(0);
        QTest::mouseClick(w.findChild<QToolButton *>(QStringLiteral("toolButton_SystemSet")), Qt::LeftButton);
        auto *page = qobject_cast<SystemSet *>(w.currentPageWidget());
        QVERIFY(page);
        QCOMPARE(textOf(page, "lineEdit_BackupsCycle"), QStringLiteral("7"));
        QCOMPARE(page->findChild<QComboBox *>(QStringLiteral("comboBox_Language"))->currentText(), shownLanguage);
        if (!pictures.isEmpty())
            QVERIFY(saveScreenshot(&w, QStringLiteral("settings-page-%1.png").arg(pictures)));
        w.hide();
    }

    void reopenReusesTheConnection()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;
        capturedWarnings.clear();
        previousHandler = qInstallMessageHandler(captureWarnings);
        for (int i = 0; i < 3; ++i) {
            w.SQListClose_slots();
            QVERIFY(!QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen());
            w.SQListOpen_slots();
            QVERIFY(w.databaseHandle().isOpen());
        }
        qInstallMessageHandler(previousHandler);
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList{QLatin1String(QSqlDatabase::defaultConnection)});
        for (const QString &warning : qAsConst(capturedWarnings))
            QVERIFY2(!warning.contains(QLatin1String("duplicate connection")), qPrintable(warning));
        QString read;
        QVERIFY(getSystemSetText(QStringLiteral("SystemLanguage"), read));
    }

    void restoreThroughTheSettingsPage()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        const QString backup = folder.file(QStringLiteral("backup.db3"));
        QVERIFY(copyEmptyDatabase(backup));
        sqlite(backup, QStringLiteral("insert into SystemSet values('BackupPath','from the backup');"
                                      "insert into SystemSet values('BackupCycle','9');"
                                      "insert into SystemSet values('AutoBackup','true');"
                                      "insert into SystemSet values('SystemLanguage','中文');"
                                      "insert into AcquisitionDevice values(2,'1586A','SN-B','1','快速','c',"
                                      "'网络','10.0.0.2','5000');"));
        const QString live = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        sqlite(live, QStringLiteral("insert into AcquisitionDevice values(1,'1586A','SN-A','1','快速','c',"
                                    "'网络','10.0.0.1','5000');"
                                    "insert into AcquisitionDevice values(2,'1586A','SN-B','1','快速','c',"
                                    "'网络','10.0.0.2','5000');"));
        Halvoran w;
        // Both instruments tested against the live database; only SN-B is in the backup.
        QList<AcquisitionDeviceRecord> stored;
        QVERIFY(selectAcquisitionDevice(stored, QString()));
        w.settings()->devices = stored;
        w.pt_SystemSet_clicked();
        auto *page = qobject_cast<SystemSet *>(w.currentPageWidget());
        QVERIFY(page);
        MessageBoxAnswerer answerer;
        page->recoverFrom(backup);
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("恢复成功！")});
        QVERIFY(w.databaseHandle().isOpen());
        QString read;
        QVERIFY(getSystemSetText(QStringLiteral("BackupPath"), read));
        QCOMPARE(read, QStringLiteral("from the backup"));
        // The record, the settings page and the instruments offered follow the restored file.
        QCOMPARE(w.settings()->backupPath, QStringLiteral("from the backup"));
        QCOMPARE(w.settings()->backupCycle, 9);
        QVERIFY(w.settings()->autoBackup);
        QCOMPARE(textOf(page, "lineEdit_BackupPath"), QStringLiteral("from the backup"));
        QCOMPARE(textOf(page, "lineEdit_BackupsCycle"), QStringLiteral("9"));
        QCOMPARE(w.settings()->devices.size(), 1);
        QCOMPARE(w.settings()->devices.first().serialNumber, QStringLiteral("SN-B"));
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
    }

    // A restore cut short between its two renames left the user's database as ".previous" and
    // no database file: it is put back, never replaced by the shipped empty database.
    void databaseLeftAsPreviousIsPutBack()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        const QString live = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        sqlite(live, QStringLiteral("insert into AuditLog values('2026-01-01 00:00:00','t','user data')"));
        QVERIFY(QFile::rename(live, live + QStringLiteral(".previous")));
        {
            MessageBoxAnswerer answerer;
            Halvoran w;
            QVERIFY(w.settings());
            QVERIFY(answerer.texts().isEmpty());
            QVERIFY(!QFile::exists(live + QStringLiteral(".previous")));
            QCOMPARE(sqlite(live, QStringLiteral("select Details from AuditLog")), QStringLiteral("user data"));
        }
        closeDatabaseConnection();
        // When it cannot be put back, the program says where it is and places nothing.
        QVERIFY(QFile::rename(live, live + QStringLiteral(".previous")));
        QVERIFY(QDir().mkpath(live));   // a folder in the way of the file
        MessageBoxAnswerer answerer;
        Halvoran w;
        QVERIFY(!w.settings());
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY2(answerer.seen.at(0).text.contains(QStringLiteral("DAQ-Vemka.db3.previous")),
                 qPrintable(answerer.seen.at(0).text));
        QVERIFY(QFile::exists(live + QStringLiteral(".previous")));
    }

    void timedBackup()
    {
        WorkingFolder folder;
        prepareChineseDatabase(folder);
        Halvoran w;
        const QString bak = folder.file(QStringLiteral("bak"));
        QVERIFY(QDir().mkpath(bak));
        SystemSettings *s = w.settings();
        auto copies = [&] { return QDir(bak).entryList(QDir::Files); };

        // Off: nothing. A folder that is gone: no copy, said in the status bar and the log.
        capturedWarnings.clear();
        previousHandler = qInstallMessageHandler(captureWarnings);
        s->autoBackup = false;
        s->backupPath = bak;
        w.BackupTimer_slots();
        QCOMPARE(w.backupFailureText(), QString());
        s->autoBackup = true;
        s->backupPath = folder.file(QStringLiteral("missing"));
        w.BackupTimer_slots();
        QVERIFY(copies().isEmpty());
        QVERIFY(!s->backupTime.isValid());
        const QString gone = QStringLiteral("自动备份失败，备份路径不存在：") + s->backupPath;
        QCOMPARE(w.backupFailureText(), gone);
        bool shown = false;
        for (QLabel *label : w.statusBar()->findChildren<QLabel *>())
            shown = shown || (label->text() == gone && !label->isHidden());
        QVERIFY(shown);
        QVERIFY(capturedWarnings.contains(gone));

        // Both names of this minute and the next taken: the copy fails and is tried again later.
        s->backupPath = bak;
        const QDateTime now = QDateTime::currentDateTime();
        for (const QDateTime &t : {now, now.addSecs(60)}) {
            QFile f(backupTargetName(bak, t));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        w.BackupTimer_slots();
        QVERIFY(!s->backupTime.isValid());
        QVERIFY(w.backupFailureText().startsWith(QStringLiteral("自动备份失败，无法写入：") + bak));
        QVERIFY(capturedWarnings.contains(w.backupFailureText()));
        qInstallMessageHandler(previousHandler);
        QCOMPARE(copies().size(), 2);
        for (const QString &name : copies())
            QCOMPARE(QFileInfo(bak + QLatin1Char('/') + name).size(), 0);
        for (const QString &name : copies())
            QFile::remove(bak + QLatin1Char('/') + name);

        // No backup yet: due at once. A success clears the failure.
        w.BackupTimer_slots();
        QCOMPARE(copies().size(), 1);
        QCOMPARE(w.backupFailureText(), QString());
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}_\\d\\d_\\d\\d_\\d\\d_\\d\\d_DAQ-Vemka\\.db3$")).match(copies().at(0)).hasMatch());
        QCOMPARE(sqlite(bak + QLatin1Char('/') + copies().at(0), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        QVERIFY(s->backupTime.isValid());
        QCOMPARE(sqlite(folder.file(QStringLiteral("DAQ-Vemka.db3")), QStringLiteral("select Data from SystemSet where Name='BackupTime'")),
                 s->backupTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));

        // A cycle of one day that has not run out: nothing.
        s->backupCycle = 1;
        s->backupTime = QDateTime::currentDateTime().addSecs(-23 * 3600);
        const QDateTime last = s->backupTime;
        w.BackupTimer_slots();
        QCOMPARE(copies().size(), 1);
        QCOMPARE(s->backupTime, last);
        // Run out: a copy.
        QFile::remove(bak + QLatin1Char('/') + copies().at(0));
        s->backupTime = QDateTime::currentDateTime().addSecs(-24 * 3600 - 5);
        w.BackupTimer_slots();
        QCOMPARE(copies().size(), 1);
        QVERIFY(s->backupTime > last);
    }
};

QTEST_MAIN(TestHalvoran)
#include "test_halvoran.moc"
