// The settings page, the model-selection dialog, the waiting box, and backup and restore of the
// database file, against a real database file read back with the sqlite3 tool.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLineEdit>
#include <QMovie>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest/qtestspontaneevent.h>
#include <atomic>

#include "Database.h"
#include "QWaiting.h"
#include "ShellTestSupport.h"
#include "SystemSet.h"
#include "SystemSetBackup.h"
#include "SystemSetDevice.h"
#include "SystemSettings.h"
#include "Terms.h"

class TestSystemSet : public QObject
{
    Q_OBJECT

private:
    // A working folder with the empty database open on the default connection.
    struct Fixture
    {
        WorkingFolder folder;
        bool ok = false;
        Fixture()
        {
            ok = copyEmptyDatabase(folder.file(QStringLiteral("DAQ-Vemka.db3")))
                 && openDatabaseConnection(QString(), QStringLiteral("DAQ-Vemka.db3"));
            QString dummy;
            // The page only updates rows: create them as a start-up would.
            for (const char *key : {"DataAccuracy", "SystemLanguage", "BackupCycle", "BackupPath", "BackupTime"})
                ok = ok && getSystemSetText(QString::fromLatin1(key), dummy);
            bool flag;
            ok = ok && getSystemSetFlag(QStringLiteral("AutoBackup"), flag);
        }
        ~Fixture() { closeDatabaseConnection(); }
        QString db() const { return folder.file(QStringLiteral("DAQ-Vemka.db3")); }
        QString setting(const char *key) const
        {
            return sqlite(db(), QStringLiteral("select Data from SystemSet where Name='%1'").arg(QLatin1String(key)));
        }
    };

    template<typename T>
    static T *child(QWidget *page, const char *name)
    {
        return page->findChild<T *>(QString::fromLatin1(name));
    }

private slots:
    void setStoresLanguageAndAccuracy()
    {
        Fixture f;
        QVERIFY(f.ok);
        SystemSettings record;
        record.systemLanguage = QStringLiteral("中文");
        SystemSet page;
        page.setSettings(&record);
        QSignalSpy language(&page, &SystemSet::Language_signals);
        MessageBoxAnswerer answerer;

        child<QComboBox>(&page, "comboBox_Language")->setCurrentText(QStringLiteral("English"));
        child<QComboBox>(&page, "comboBox_DataNumber")->setCurrentIndex(3);
        QTest::mouseClick(child<QPushButton>(&page, "pushButton_Set"), Qt::LeftButton);

        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设置成功！")});
        QCOMPARE(language.count(), 1);
        QCOMPARE(language.at(0).at(0).toString(), QStringLiteral("English"));
        QCOMPARE(f.setting("DataAccuracy"), QStringLiteral("3"));
        QCOMPARE(f.setting("SystemLanguage"), QStringLiteral("English"));
        QCOMPARE(record.dataAccuracy, 3);
        QCOMPARE(record.systemLanguage, QStringLiteral("English"));

        // The same choice again writes again but switches nothing.
        QTest::mouseClick(child<QPushButton>(&page, "pushButton_Set"), Qt::LeftButton);
        QCOMPARE(language.count(), 1);
        QCOMPARE(answerer.texts().size(), 2);
    }

    void failedSetLeavesEverythingAsItWas()
    {
        Fixture f;
        QVERIFY(f.ok);
        SystemSettings record;
        record.systemLanguage = QStringLiteral("中文");
        record.dataAccuracy = 2;
        SystemSet page;
        page.setSettings(&record);
        QSignalSpy language(&page, &SystemSet::Language_signals);
        MessageBoxAnswerer answerer;

        QSqlDatabase::database().close();  // every write fails now
        child<QComboBox>(&page, "comboBox_Language")->setCurrentText(QStringLiteral("English"));
        child<QComboBox>(&page, "comboBox_DataNumber")->setCurrentIndex(5);
        QTest::mouseClick(child<QPushButton>(&page, "pushButton_Set"), Qt::LeftButton);

        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设置失败！")});
        QCOMPARE(language.count(), 0);
        QCOMPARE(record.systemLanguage, QStringLiteral("中文"));
        QCOMPARE(record.dataAccuracy, 2);
        QCOMPARE(child<QComboBox>(&page, "comboBox_Language")->currentText(), QStringLiteral("中文"));
        QCOMPARE(child<QComboBox>(&page, "comboBox_DataNumber")->currentText(), QStringLiteral("2"));
    }

    void languageChooserShowsTheRunningLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("Chinese") << "中文" << "中文";
        QTest::newRow("English") << "English" << "English";
        QTest::newRow("fresh database") << "" << "English";
        QTest::newRow("unknown") << "Deutsch" << "English";
    }
    void languageChooserShowsTheRunningLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        Fixture f;
        QVERIFY(f.ok);
        SystemSettings record;
        record.systemLanguage = stored;
        SystemSet page;
        page.setSettings(&record);
        QCOMPARE(child<QComboBox>(&page, "comboBox_Language")->currentText(), shown);

        // Changing the accuracy alone never switches the program to Chinese.
        QSignalSpy language(&page, &SystemSet::Language_signals);
        MessageBoxAnswerer answerer;
        child<QComboBox>(&page, "comboBox_DataNumber")->setCurrentIndex(2);
        QTest::mouseClick(child<QPushButton>(&page, "pushButton_Set"), Qt::LeftButton);
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设置成功！")});
        QCOMPARE(f.setting("SystemLanguage"), shown);
        QCOMPARE(record.systemLanguage, shown);
        for (const QList<QVariant> &emitted : qAsConst(language))
            QCOMPARE(emitted.at(0).toString(), shown);
    }

    void showsRecordAndClampsAccuracy_data()
    {
        QTest::addColumn<int>("accuracy");
        QTest::addColumn<QString>("shown");
        QTest::newRow("in range") << 4 << "4";
        QTest::newRow("above") << 9 << "6";
        QTest::newRow("below") << -3 << "0";
    }
    void showsRecordAndClampsAccuracy()
    {
        QFETCH(int, accuracy);
        QFETCH(QString, shown);
        SystemSettings record;
        record.dataAccuracy = accuracy;
        record.backupCycle = 7;
        record.backupPath = QStringLiteral("/some/where");
        record.autoBackup = false;
        SystemSet page;
        page.setSettings(&record);
        QCOMPARE(child<QComboBox>(&page, "comboBox_DataNumber")->currentText(), shown);
        QCOMPARE(child<QLineEdit>(&page, "lineEdit_BackupsCycle")->text(), QStringLiteral("7"));
        QCOMPARE(child<QLineEdit>(&page, "lineEdit_BackupPath")->text(), QStringLiteral("/some/where"));
        QVERIFY(!child<QLineEdit>(&page, "lineEdit_BackupPath")->isEnabled());
        // The form's texts empty the cycle field; the page shows the record's cycle again.
        page.retranslate();
        QCOMPARE(child<QLineEdit>(&page, "lineEdit_BackupsCycle")->text(), QStringLiteral("7"));
    }

    void autoBackupSwitch_data()
    {
        QTest::addColumn<bool>("wasOn");
        QTest::addColumn<QString>("cycle");
        QTest::addColumn<bool>("folderExists");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("onAfter");
        QTest::newRow("cycle 0 on") << false << "0" << true << true << "备份周期不能为0！" << false;
        QTest::newRow("cycle empty off") << true << "" << true << true << "备份周期不能为0！" << true;
        QTest::newRow("no folder") << false << "3" << false << true << "备份路径不存在！" << false;
        QTest::newRow("switch on") << false << "5" << true << true << "" << true;
        QTest::newRow("switch off, no folder") << true << "5" << false << true << "" << false;
        QTest::newRow("write fails") << false << "5" << true << false << "设置失败！" << false;
    }
    void autoBackupSwitch()
    {
        QFETCH(bool, wasOn);
        QFETCH(QString, cycle);
        QFETCH(bool, folderExists);
        QFETCH(bool, writable);
        QFETCH(QString, message);
        QFETCH(bool, onAfter);
        Fixture f;
        QVERIFY(f.ok);
        SystemSettings record;
        record.autoBackup = wasOn;
        record.backupCycle = 1;
        record.backupPath = folderExists ? f.folder.path() : f.folder.file(QStringLiteral("missing"));
        SystemSet page;
        page.setSettings(&record);
        child<QLineEdit>(&page, "lineEdit_BackupsCycle")->setText(cycle);
        if (!writable)
            QSqlDatabase::database().close();
        MessageBoxAnswerer answerer;

        QTest::mouseClick(child<QCheckBox>(&page, "checkBox_AutoBackup"), Qt::LeftButton);

        QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(child<QCheckBox>(&page, "checkBox_AutoBackup")->isChecked(), onAfter);
        QCOMPARE(record.autoBackup, onAfter);
        QCOMPARE(child<QLineEdit>(&page, "lineEdit_BackupPath")->isEnabled(), onAfter);
        if (message.isEmpty()) {
            QCOMPARE(f.setting("AutoBackup"), onAfter ? QStringLiteral("true") : QStringLiteral("false"));
            QCOMPARE(f.setting("BackupCycle"), cycle);
            QCOMPARE(record.backupCycle, cycle.toInt());
        } else {
            QSqlDatabase::database().open();
            QCOMPARE(f.setting("AutoBackup"), QStringLiteral("false"));
            QCOMPARE(record.backupCycle, 1);
        }
    }

    void chosenFolderIsStored()
    {
        Fixture f;
        QVERIFY(f.ok);
        SystemSettings record;
        SystemSet page;
        page.setSettings(&record);
        const QString folder = f.folder.file(QStringLiteral("it's here"));
        page.selectBackupFolder(folder);
        QCOMPARE(record.backupPath, folder);
        QCOMPARE(f.setting("BackupPath"), folder);

        // A write that fails shows it and puts the field back.
        MessageBoxAnswerer answerer;
        QSqlDatabase::database().close();
        page.selectBackupFolder(QStringLiteral("/elsewhere"));
        QCOMPARE(answerer.texts(), QStringList{QStringLiteral("设置失败！")});
        QCOMPARE(record.backupPath, folder);
        QCOMPARE(child<QLineEdit>(&page, "lineEdit_BackupPath")->text(), folder);
    }

    void manualBackup()
    {
        Fixture f;
        QVERIFY(f.ok);
        QVERIFY(setSystemSetText(QStringLiteral("DataAccuracy"), QStringLiteral("marker-4")));
        SystemSettings record;
        SystemSet page;
        page.setSettings(&record);
        MessageBoxAnswerer answerer;
        auto *field = child<QLineEdit>(&page, "lineEdit_BackupPath");
        auto *button = child<QPushButton>(&page, "pushButton_Backups");

        field->setText(QString());
        QTest::mouseClick(button, Qt::LeftButton);
        field->setText(f.folder.file(QStringLiteral("nowhere")));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(answerer.texts(), (QStringList{QStringLiteral("请选择备份路径！"), QStringLiteral("备份失败：路径不存在！")}));
        QCOMPARE(answerer.seen.at(0).title, QStringLiteral("警告"));
        QCOMPARE(answerer.seen.at(1).title, QStringLiteral("提示"));

        const QString folder = f.folder.file(QStringLiteral("bak"));
        QVERIFY(QDir().mkpath(folder));
        field->setText(folder);
        // Two backups in the same minute: the second finds its name taken.
        for (int attempt = 0; attempt < 2; ++attempt) {
            answerer.seen.clear();
            const QString minute = QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_hh_mm"));
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::mouseClick(button, Qt::LeftButton);
            if (QDateTime::currentDateTime().toString(QStringLiteral("yyyy_MM_dd_hh_mm")) != minute)
                continue;  // the minute turned between the two: try again
            QCOMPARE(answerer.texts(), (QStringList{QStringLiteral("备份成功！"), QStringLiteral("备份失败！")}));
            const QString copy = folder + QLatin1Char('/') + minute + QStringLiteral("_DAQ-Vemka.db3");
            QVERIFY(QFile::exists(copy));
            QCOMPARE(sqlite(copy, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
            QCOMPARE(sqlite(copy, QStringLiteral("select Data from SystemSet where Name='DataAccuracy'")),
                     QStringLiteral("marker-4"));
            QVERIFY(record.backupTime.isValid());
            QCOMPARE(f.setting("BackupTime"), record.backupTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            return;
        }
        QFAIL("the minute turned twice");
    }

    void backupNames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("forward") << "/data/bak" << "/data/bak/2026_03_06_14_05_DAQ-Vemka.db3";
        QTest::newRow("backslashes") << "D:\\bak\\daily" << "D:/bak/daily/2026_03_06_14_05_DAQ-Vemka.db3";
    }
    void backupNames()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        QCOMPARE(backupTargetName(folder, QDateTime(QDate(2026, 3, 6), QTime(14, 5, 59))), expected);
    }

    void backupWhileAnotherThreadWrites_data()
    {
        QTest::addColumn<bool>("writeAheadLog");
        QTest::newRow("write-ahead log, as the acquisition runs it") << true;
        QTest::newRow("rollback journal, locked for most of each commit") << false;
    }
    // Snapshots taken while another thread commits samples without a pause begin and are whole.
    void backupWhileAnotherThreadWrites()
    {
        QFETCH(bool, writeAheadLog);
        WorkingFolder folder;
        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        QVERIFY(copyEmptyDatabase(db));
        std::atomic<bool> stop{false};
        std::atomic<bool> inLog{false};
        std::atomic<int> written{0};
        QThread *writer = QThread::create([&] {
            {
                QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("DAQ"));
                c.setDatabaseName(db);
                c.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
                if (c.open()) {
                    if (writeAheadLog)
                        inLog = useWriteAheadLog(QStringLiteral("DAQ"));
                    QSqlQuery q(c);
                    const QString row = QStringLiteral("1.25,2.50,3.75,4.00,5.25,6.50,7.75,8.00");
                    while (!stop && written < 20000) {
                        c.transaction();
                        for (int i = 0; i < 20; ++i)
                            q.exec(QStringLiteral("insert into ParametersData values ( 'p','%1','%2')")
                                       .arg(written.fetch_add(1)).arg(row));
                        c.commit();
                    }
                }
            }
            QSqlDatabase::removeDatabase(QStringLiteral("DAQ"));
        });
        writer->start();
        const auto stopWriter = qScopeGuard([&] { stop = true; writer->wait(); delete writer; });   // also on a failure
        QTRY_VERIFY_WITH_TIMEOUT(written > 200, 10000);
        QCOMPARE(inLog.load(), writeAheadLog);
        QStringList copies;
        for (int i = 0; i < 5; ++i) {
            const QString copy = folder.file(QStringLiteral("copy%1.db3").arg(i));
            QVERIFY2(backupDatabase(copy, db), qPrintable(copy));
            copies << copy;
            QTest::qWait(20);
        }
        qlonglong previous = -1;
        for (const QString &copy : copies) {
            QCOMPARE(sqlite(copy, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
            QCOMPARE(sqlite(copy, QStringLiteral("PRAGMA journal_mode")), QStringLiteral("delete"));
            const qlonglong rows = sqlite(copy, QStringLiteral("select count(*) from ParametersData")).toLongLong();
            QCOMPARE(rows % 20, 0);  // whole transactions only
            QVERIFY(rows >= previous);
            previous = rows;
        }
        QVERIFY(previous > 0);
        // An existing target is never overwritten.
        QVERIFY(!backupDatabase(copies.first(), db));
        QCOMPARE(sqlite(copies.first(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        // A missing database gives no backup and no empty file.
        QVERIFY(!backupDatabase(folder.file(QStringLiteral("x.db3")), folder.file(QStringLiteral("none.db3"))));
        QVERIFY(!QFile::exists(folder.file(QStringLiteral("none.db3"))));
        QVERIFY(!QFile::exists(folder.file(QStringLiteral("x.db3"))));
    }

    // A backup killed in the middle of its copy leaves nothing under a backup's name; the next is whole.
    void backupKilledMidCopy()
    {
        WorkingFolder folder;
        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        QVERIFY(copyEmptyDatabase(db));
        QCOMPARE(sqlite(db, "create table Filler(b); insert into Filler select zeroblob(4000) from (with recursive "
                            "r(i) as (select 1 union all select i + 1 from r where i < 40000) select i from r);"),
                 QString());
        const QString backups = folder.file(QStringLiteral("bak"));
        QVERIFY(QDir().mkpath(backups));
        const QString target = backupTargetName(backups, QDateTime::currentDateTime());
        const QString partial = backupPartialName(target);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--backup-child", target, db});
        QVERIFY(child.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        while (QFileInfo(partial).size() < 8000000 && clock.elapsed() < 30000)
            QThread::msleep(1);
        child.kill();
        QVERIFY(child.waitForFinished());
        QVERIFY(QFileInfo(partial).size() > 0);   // killed in the middle of the copy
        QCOMPARE(QDir(backups).entryList({"*.db3"}, QDir::Files), QStringList());
        QVERIFY(backupDatabase(target, db));
        QCOMPARE(QDir(backups).entryList(QDir::Files), QStringList{QFileInfo(target).fileName()});
        QVERIFY(verifyDatabaseFile(target));
        QCOMPARE(sqlite(target, "select count(*) from Filler"), QStringLiteral("40000"));
    }

    void restore_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        const QString failed = QStringLiteral("恢复失败！");
        const QString done = QStringLiteral("恢复成功！");
        QTest::newRow("not a database") << "text" << failed;
        QTest::newRow("tables missing") << "partial" << failed + "\n数据库缺少数据表AcquisitionDevice！";
        // A table whose columns differ would be read as wrong values: refused, named.
        QTest::newRow("extra column") << "extra" << failed + "\n数据表ChannelConfig多出第27列Extra！";
        QTest::newRow("missing column") << "dropped" << failed + "\n数据表AuditLog缺少第3列Details！";
        QTest::newRow("the live file itself") << "live" << done;
        QTest::newRow("a good backup") << "backup" << done;
        QTest::newRow("a file that is gone") << "gone" << failed;
    }
    void restore()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        const bool restored = message == QStringLiteral("恢复成功！");
        Fixture f;
        QVERIFY(f.ok);
        QVERIFY(setSystemSetText(QStringLiteral("DataAccuracy"), QStringLiteral("live")));

        QString source = f.folder.file(QStringLiteral("chosen.db3"));
        if (kind == QLatin1String("text")) {
            QFile file(source);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(5000, 'x'));
        } else if (kind == QLatin1String("partial")) {
            sqlite(source, QStringLiteral("create table SystemSet(Name TEXT, Data TEXT); insert into SystemSet values('DataAccuracy','partial');"));
        } else if (kind == QLatin1String("live")) {
            source = f.db();
        } else if (kind == QLatin1String("backup")) {
            QVERIFY(copyEmptyDatabase(source));
            sqlite(source, QStringLiteral("insert into SystemSet values('DataAccuracy','restored');"));
        } else if (kind != QLatin1String("gone")) {
            QVERIFY(copyEmptyDatabase(source));
            const QString change = kind == QLatin1String("extra")
                ? QStringLiteral("alter table ChannelConfig add column Extra TEXT;")
                : QStringLiteral("alter table AuditLog drop column Details;");
            QCOMPARE(sqlite(source, change), QString());
        }

        SystemSettings record;
        SystemSet page;
        page.setSettings(&record);
        // The window's part: close and reopen the default connection.
        QStringList order;
        connect(&page, &SystemSet::SQListClose_signals, [&] { order << "close"; QSqlDatabase::database().close(); });
        connect(&page, &SystemSet::SQListOpen_signals, [&] { order << "open"; QSqlDatabase::database().open(); });
        MessageBoxAnswerer answerer;
        page.recoverFrom(source);

        QCOMPARE(order, (QStringList{"close", "open"}));
        QCOMPARE(answerer.texts(), QStringList{message});
        QCOMPARE(sqlite(f.db(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        const QString expected = kind == QLatin1String("backup") ? QStringLiteral("restored") : QStringLiteral("live");
        QCOMPARE(sqlite(f.db(), QStringLiteral("select Data from SystemSet where Name='DataAccuracy'")), expected);
        QString read;
        QVERIFY(getSystemSetText(QStringLiteral("DataAccuracy"), read));  // the reopened connection
        QCOMPARE(read, expected);
        const QStringList leftovers = QDir(f.folder.path()).entryList({QStringLiteral("DAQ-Vemka.db3.*")});
        QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(',')));
    }

    void modelDialog_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QString>("written");
        // An empty list, as the settings facility writes one; it reads back as no models.
        QTest::newRow("no key") << "" << QStringList() << "@Invalid()";
        QTest::newRow("order of the table") << "Zenk, Vosk" << QStringList{"Vosk", "Zenk"} << "Vosk, Zenk";
        QTest::newRow("older names dropped") << "159XA, Folen" << QStringList{"Folen"} << "Folen";
        QTest::newRow("twice") << "Gastu, Gastu, Mirat Plus" << QStringList{"Mirat Plus", "Gastu"} << "Mirat Plus, Gastu";
    }
    void modelDialog()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, checked);
        QFETCH(QString, written);
        WorkingFolder folder;
        if (!stored.isEmpty()) {
            QFile ini(folder.file(QStringLiteral("config.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Name]\nOrvex-NTC=Orvex-NTC-V1\n\n[Acquisition]\nMode=" + stored.toUtf8() + "\n");
        }
        {
            SystemSetDevice dialog;
            QCOMPARE(dialog.boxes().size(), 34);
            const QStringList models = supportedAcquisitionModels();
            auto *grid = dialog.findChild<QGridLayout *>();
            QVERIFY(grid);
            QStringList on;
            for (int n = 0; n < 34; ++n) {
                QCheckBox *box = dialog.boxes().at(n);
                QCOMPARE(box->text(), models.at(n));
                int row, column, rs, cs;
                grid->getItemPosition(grid->indexOf(box), &row, &column, &rs, &cs);
                QCOMPARE(row, n % 9);
                QCOMPARE(column, n / 9);
                if (box->isChecked())
                    on << box->text();
            }
            QCOMPARE(on, checked);
        }
        // Read back by another reader of ini files; the other keys stay.
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import configparser,sys; c=configparser.ConfigParser(); c.optionxform=str; "
                                 "c.read(sys.argv[1], encoding='utf-8'); "
                                 "print(c.get('Acquisition','Mode', fallback='<none>')); "
                                 "print(c.get('Name','Orvex-NTC', fallback='<none>'))"),
                  folder.file(QStringLiteral("config.ini"))});
        QVERIFY(py.waitForFinished(30000));
        const QStringList lines = QString::fromUtf8(py.readAllStandardOutput()).split('\n');
        QCOMPARE(lines.value(0).trimmed(), written);
        if (!stored.isEmpty())
            QCOMPARE(lines.value(1).trimmed(), QStringLiteral("Orvex-NTC-V1"));
    }

    void modelDialogUncheckedAllOffersAllAgain()
    {
        WorkingFolder folder;
        {
            QFile ini(folder.file(QStringLiteral("config.ini")));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Acquisition]\nMode=Folen\n");
        }
        {
            SystemSetDevice dialog;
            for (QCheckBox *box : dialog.boxes())
                box->setChecked(false);
        }
        QCOMPARE(enabledAcquisitionModels(), supportedAcquisitionModels());
    }

    void waitingBox()
    {
        QWidget owner;
        owner.show();
        auto *box = new QWaiting(&owner);
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QCOMPARE(box->size(), QSize(300, 80));
        QCOMPARE(box->minimumSize(), box->maximumSize());
        QVERIFY(box->isModal());
        const QList<QLabel *> labels = box->findChildren<QLabel *>();
        QLabel *text = nullptr;
        QLabel *image = nullptr;
        for (QLabel *l : labels)
            (l->movie() ? image : text) = l;
        QVERIFY(image && text);
        QVERIFY(image->movie()->isValid());
        QCOMPARE(image->movie()->state(), QMovie::Running);
        QVERIFY(image->movie()->frameCount() > 1);
        QCOMPARE(text->text(), QStringLiteral("参数设置中，请稍等..."));
        box->setText(QStringLiteral("数据导出中，请稍等..."));
        box->setText(QStringLiteral("最后一次"));
        QCOMPARE(text->text(), QStringLiteral("最后一次"));

        // The user cannot close it while the work runs ...
        QTest::keyClick(box, Qt::Key_Escape);
        QVERIFY(box->isVisible());
        QCloseEvent byUser;
        QSpontaneKeyEvent::setSpontaneous(&byUser);
        QApplication::instance()->notify(box, &byUser);  // as the window system delivers it
        QVERIFY(box->isVisible());
        // ... its owner can.
        QVERIFY(box->close());
        QVERIFY(!box->isVisible());
        delete box;
    }
};

int main(int argc, char *argv[])
{
    if (argc == 4 && qstrcmp(argv[1], "--backup-child") == 0) {
        QCoreApplication app(argc, argv);
        return backupDatabase(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    QTEST_MAIN_IMPL(TestSystemSet)
}
#include "test_systemset.moc"
