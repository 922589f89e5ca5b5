#pragma once
// The main window: tabs of tool buttons over a page area that shows one page at a time, the
// status bar with its clock, the timed database backup, the close guard and the language switch.

#include <functional>

#include <QMainWindow>
#include <QSqlDatabase>
#include <QTranslator>

struct SystemSettings;
class QLabel;
class QTimer;
class SystemSet;
namespace Ui { class HalvoranClass; }

class Halvoran : public QMainWindow
{
    Q_OBJECT
public:
    explicit Halvoran(QWidget *parent = nullptr);
    ~Halvoran() override;

    void switchPage(int index);
    int loadSystemSettings();
    void removeOldLogFiles();
    void initStatusBar();
    void setupUi();
    void retranslateUi();

    // Whether the program may end now: false, after "正在校准中！", while the shown page runs a
    // calibration. Closing the window and starting a downloaded installer both ask it.
    bool mayClose();

    SystemSettings *settings() const { return systemSettings; }
    int currentPageIndex() const { return currentPage; }
    QWidget *currentPageWidget() const { return page; }
    const QSqlDatabase &databaseHandle() const { return database; }
    QLabel *pageTitle() const { return pageTitleLabel; }
    QLabel *clock() const { return clockLabel; }
    // What the status bar says of the last timed backup that failed; empty after a success.
    QString backupFailureText() const;

    // The builders of the pages 1, 2, 3, 5 and 6 and the acquisition chain; the program uses
    // those of PageFactory.h.
    using PageBuilder = std::function<QWidget *(SystemSettings *, QWidget *)>;
    void setPageBuilder(int index, PageBuilder builder);
    void setAcquisitionChain(std::function<void(SystemSettings *, QWidget *)> chain);

    // How long the splash image stays before the database opens (2000 ms).
    static int splashMilliseconds;

protected:
    void closeEvent(QCloseEvent *event) override;

public slots:
    void pt_Help_clicked();
    void pt_SetLog_clicked();
    void pt_ViewLog_clicked();
    void pt_Message_clicked();
    void pt_AboutUs_clicked();
    void pt_DeleteLog_clicked();
    void pt_SystemSet_clicked();
    void pt_Parameters_clicked();
    void pt_DownloadLog_clicked();
    void pt_ChannelConfig_clicked();
    void pt_AcquisitionDevice_clicked();
    void pt_ChannelCalibration_clicked();
    void pt_VerificationReport_clicked();
    void TimeUpdate_slots();
    void SQListOpen_slots();
    void SQListClose_slots();
    void BackupTimer_slots();
    void Language_slots(QString language);

private:
    bool busyPageRefuses();
    // Opens the default connection on the database file (putting back a database that a cut-short
    // restore left as ".previous", or placing the shipped empty one) and checks its tables; on
    // false `error` says why when it is known.
    bool openDatabase(QString &error);
    void warnOpenFailure(const QString &reason);
    // Shows a timed backup's failure in the status bar and the log; an empty text clears it.
    void reportBackupFailure(const QString &text);
    void loadTranslator(const QString &language);
    void warn(const QString &text);
    void disableRecordActions();
    QString pageTitleText(int index) const;

    Ui::HalvoranClass *ui;
    QString messageTitle;
    int currentPage = 100;
    SystemSettings *systemSettings = nullptr;
    QSqlDatabase database;
    QTranslator translator;
    QTranslator qtTranslator;       // Qt's own texts
    QTimer *clockTimer = nullptr;
    QTimer *backupTimer = nullptr;
    QLabel *clockLabel = nullptr;
    QLabel *pageTitleLabel = nullptr;
    QLabel *versionLabel = nullptr;
    QLabel *backupStateLabel = nullptr;
    // The page shown in the page area (none when currentPage is 100), and the settings page
    // when that is the one shown.
    QWidget *page = nullptr;
    SystemSet *systemSetPage = nullptr;
    PageBuilder builders[7];
    std::function<void(SystemSettings *, QWidget *)> acquisitionChain;
};

// True when no main window objects to the program ending now (see Halvoran::mayClose).
bool applicationMayQuit();
