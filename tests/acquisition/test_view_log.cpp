// The alarm log page and the notification settings dialog against a copy of the shipped
// database (read back with sqlite3), a loopback aiosmtpd server, and pdftotext/pdfinfo.
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTableWidget>
#include <QtTest>

#include "ShellTestSupport.h"
#include "SmtpTestServer.h"
#include "SystemSettings.h"
#include "TestDb.h"
#include "ViewLog.h"
#include "ViewLogSet.h"

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Answers the next file dialog with `path` typed into its name field.
void answerFileDialog(QTimer &timer, const QString &path)
{
    QObject::connect(&timer, &QTimer::timeout, [path] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (dialog && dialog->isVisible()) {
                dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        }
    });
    timer.start(20);
}

QStringList column(const ViewLog &page, int c)
{
    QStringList texts;
    for (const AuditLogRecord &e : page.listedEntries())
        texts << (c == 0 ? e.time : c == 1 ? e.type : e.details);
    return texts;
}

} // namespace

class TestViewLog : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString db;
    TestDb::Sqlite3File sqlite;

    void entries(const QString &values)
    {
        QVERIFY(sqlite.exec(QStringLiteral("delete from AuditLog; insert into AuditLog values ")
                            + values + QLatin1Char(';')));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(QDir::setCurrent(dir.path()));
        db = TestDb::openFreshDefault(dir.path());
        QVERIFY(!db.isEmpty());
        sqlite.path = db;
    }
    void cleanupTestCase() { TestDb::closeDefault(); }

    // The page lists every entry, the last one returned first; a search matches the type by
    // containment; deleting removes exactly the listed entries (not others of the same time)
    // and lists all that remain.
    void searchAndDelete()
    {
        entries("('2024-03-01 08:00:00','上限报警','1-S1-1-T1高于上限:31.00'),"
                "('2024-03-01 08:00:00','通讯异常','数据获取失败。'),"
                "('2024-03-01 09:30:00','下限报警','1-S1-1-T2低于下限:9.50'),"
                "('2024-03-02 10:00:00','上限报警','1-S1-1-T1高于上限:40.00')");
        ViewLog page;
        QCOMPARE(column(page, 1), (QStringList{"上限报警", "下限报警", "通讯异常", "上限报警"}));
        page.findChild<QDateTimeEdit *>("dateTimeEdit_Start")
            ->setDateTime(QDateTime(QDate(2024, 3, 1), QTime(7, 0)));
        page.findChild<QDateTimeEdit *>("dateTimeEdit_End")
            ->setDateTime(QDateTime(QDate(2024, 3, 1), QTime(23, 59, 59)));
        page.findChild<QLineEdit *>("lineEdit_Type")->setText(QStringLiteral("报警"));
        page.pt_Search_clicked();
        QCOMPARE(column(page, 2), (QStringList{"1-S1-1-T2低于下限:9.50", "1-S1-1-T1高于上限:31.00"}));

        MessageBoxAnswerer answerer;
        answerer.answers << QStringLiteral("&Yes");
        page.deleteShown();
        QCOMPARE(answerer.texts(), QStringList{"确认删除通知？"});
        QCOMPARE(sqlite.rows("select Time, Type from AuditLog order by rowid"),
                 (QList<QStringList>{{"2024-03-01 08:00:00", "通讯异常"},
                                     {"2024-03-02 10:00:00", "上限报警"}}));
        QCOMPARE(column(page, 1), (QStringList{"上限报警", "通讯异常"}));
    }

    // 100,000 entries are laid out in one pass, not row by row.
    void largeLogInOnePass()
    {
        QVERIFY(sqlite.exec(
            "delete from AuditLog; with recursive n(i) as (select 0 union all select i + 1 from n "
            "where i < 99999) insert into AuditLog select datetime('2024-01-01', i || ' seconds'), "
            "'上限报警', 'T' || i from n;"));
        ViewLog page;
        auto *table = page.findChild<QTableWidget *>("tableWidget_List");
        int insertions = 0;
        connect(table->model(), &QAbstractItemModel::rowsInserted, [&insertions] { ++insertions; });
        page.pt_Search_clicked();
        QCOMPARE(table->rowCount(), 100000);
        QCOMPARE(insertions, 1);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("T99999"));
    }

    // The PDF: pages of 24 rows (at 300 dpi an A4 page less 30 pt margins is 3257 units high;
    // rows start at 300 and take 120 each while they end before it), the heads on every page,
    // Chinese text extractable; an empty log gives one page; a file that cannot be written is
    // a failure, never "保存成功！".
    void pdfExport_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("chosen");           // the name typed in the file dialog
        QTest::addColumn<QList<int>>("rowsPerPage");   // empty: the export fails
        QTest::newRow("50 entries") << 50 << "" << "log.pdf" << QList<int>{24, 24, 2};
        QTest::newRow("empty log") << 0 << "" << "log.pdf" << QList<int>{0};
        QTest::newRow("missing folder") << 3 << "missing/" << "log.pdf" << QList<int>{};
        QTest::newRow("name without suffix") << 3 << "" << "log" << QList<int>{3};
        QTest::newRow("20 long entries: texts wrap, rows grow") << 20 << "" << "log.pdf" << QList<int>{16, 4};
    }
    void pdfExport()
    {
        QFETCH(int, count);
        QFETCH(QString, folder);
        QFETCH(QString, chosen);
        QFETCH(QList<int>, rowsPerPage);
        QVERIFY(sqlite.exec(QStringLiteral(
            "delete from AuditLog; with recursive n(i) as (select 1 union all select i + 1 from n "
            "where i < %1) insert into AuditLog select datetime('2024-01-01', i || ' minutes'), "
            "iif(%1 = 20, 'Communication abnormal', '上限报警'), iif(%1 = 20, "
            "'S,SN20240506,V2.03-2-CH103 Above upper limit ', '') || '7-S9-1-T' || i || "
            "'高于上限:31.00' from n where %1 > 0;").arg(count)));
        ViewLog page;
        const QString pdf = dir.filePath(folder + QStringLiteral("log.pdf"));
        QFile::remove(pdf);
        QTimer chooser;
        answerFileDialog(chooser, dir.filePath(folder + chosen));
        MessageBoxAnswerer answerer;
        page.exportPdf();
        if (rowsPerPage.isEmpty()) {
            QCOMPARE(answerer.texts(), QStringList{"保存失败！"});
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QCOMPARE(answerer.texts(), QStringList{"保存成功！"});
        QFile::remove(artifactDir() + QStringLiteral("/alarm-log-%1.pdf").arg(count));
        QFile::copy(pdf, artifactDir() + QStringLiteral("/alarm-log-%1.pdf").arg(count));
        QVERIFY(run("pdfinfo", {pdf}).contains(
            QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(rowsPerPage.size()))));
        int row = 0;
        for (int p = 1; p <= rowsPerPage.size(); ++p) {
            const QString text = run("pdftotext", {"-f", QString::number(p), "-l",
                                                   QString::number(p), pdf, "-"});
            for (const char *head : {"警告信息", "操作时间", "操作类型", "操作说明"})
                QVERIFY2(text.contains(QString::fromUtf8(head)), qPrintable(text));
            QCOMPARE(text.count(QStringLiteral("高于上限:31.00")), rowsPerPage.at(p - 1));
            row += rowsPerPage.at(p - 1);
            if (row > 0)   // the page ends with the entry listed at its last row
                QVERIFY(text.contains(QStringLiteral("7-S9-1-T%1高于").arg(count + 1 - row)));
        }
        QString types, details;   // the type and details columns (points) hold their texts whole
        for (const AuditLogRecord &e : page.listedEntries())
            types += e.type, details += e.details;
        auto column = [&pdf](const char *x, const char *width) {   // below the heads
            return run("pdftotext", {"-x", x, "-y", "93", "-W", width, "-H", "719", pdf, "-"})
                .remove(QRegularExpression("\\s"));
        };
        QCOMPARE(column("185", "110"), types.remove(' '));
        QCOMPARE(column("295", "265"), details.remove(' '));
    }

    // Settings: the addresses up to the first empty one, the interval and the trigger are
    // stored when the dialog goes; an interval under 10 s or an invalid address keeps it open.
    void notificationSettings()
    {
        SystemSettings settings;
        settings.emailInterval = 0;
        MessageBoxAnswerer answerer;
        {
            ViewLogSet dialog;
            dialog.setSettings(&settings, {});
            dialog.show();
            QCOMPARE(dialog.findChild<QLineEdit *>("lineEdit_Trigger")->text(), QStringLiteral("0"));
            dialog.findChild<QLineEdit *>("lineEdit_Email1")->setText("lab@example.com");
            dialog.findChild<QLineEdit *>("lineEdit_Email3")->setText("boss@example.com");
            dialog.findChild<QCheckBox *>("checkBox_Trigger")->setChecked(true);
            auto *interval = dialog.findChild<QLineEdit *>("lineEdit_Trigger");
            interval->setText("5");
            QVERIFY(!dialog.close());
            dialog.findChild<QLineEdit *>("lineEdit_Email2")->setText("a b@example.com");
            interval->setText("60");
            dialog.reject();
            QVERIFY(dialog.isVisible());
            dialog.findChild<QLineEdit *>("lineEdit_Email2")->clear();
            QVERIFY(dialog.close());
        }
        QCOMPARE(answerer.texts(), (QStringList{"触发间隔不能小于10秒！", "输入的邮件地址不合法！"}));
        QCOMPARE(settings.emailAddresses, QStringList{"lab@example.com"});
        QCOMPARE(settings.emailInterval, 60);
        QVERIFY(settings.emailAutoTrigger);
        QCOMPARE(sqlite.rows("select Name, Data from SystemSet where Name like 'Email%' order by Name"),
                 (QList<QStringList>{{"EmailAddress", "lab@example.com"},
                                     {"EmailAutoTrigger", "true"},
                                     {"EmailInterval", "60"}}));
    }

    // Sending the listed entries: one mail per address up to the first empty one, each line
    // time;type;details; nothing is sent without entries or without an address.
    void sendListedEntries_data()
    {
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<int>("entryCount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("recipients");
        QTest::newRow("two entries to one address")
            << QStringList{"lab@example.com", "", "late@example.com"} << 2 << "邮件发送成功！"
            << QStringList{"lab@example.com"};
        QTest::newRow("no entries") << QStringList{"lab@example.com"} << 0 << "当前无报警信息！"
                                    << QStringList{};
        QTest::newRow("no address") << QStringList{} << 2 << "未设置邮箱地址！" << QStringList{};
        QTest::newRow("invalid address")
            << QStringList{"lab@example.com\n"} << 2 << "输入的邮件地址不合法！" << QStringList{};
    }
    void sendListedEntries()
    {
        QFETCH(QStringList, addresses);
        QFETCH(int, entryCount);
        QFETCH(QString, message);
        QFETCH(QStringList, recipients);
        SmtpTestServer smtp;
        QVERIFY(smtp.start());
        QSettings ini(dir.filePath(QStringLiteral("config.ini")), QSettings::IniFormat);
        ini.setValue(QStringLiteral("Mail/Host"), QStringLiteral("127.0.0.1"));
        ini.setValue(QStringLiteral("Mail/Port"), smtp.port);
        ini.setValue(QStringLiteral("Mail/User"), QStringLiteral("alarm@example.com"));
        ini.setValue(QStringLiteral("Mail/AuthCode"), QStringLiteral("abcdefghijklmnop"));
        ini.sync();

        const QVector<AuditLogRecord> listed{
            {"2024-03-01 09:30:00", "下限报警", "1-S1-1-T2低于下限:9.50"},
            {"2024-03-01 08:00:00", "上限报警", "1-S1-1-T1高于上限:31.00"}};
        SystemSettings settings;
        settings.emailInterval = 600;
        ViewLogSet dialog;
        dialog.setSettings(&settings, listed.mid(0, entryCount));
        for (int i = 0; i < addresses.size(); ++i)
            dialog.findChild<QLineEdit *>(QStringLiteral("lineEdit_Email%1").arg(i + 1))
                ->setText(addresses.at(i));
        MessageBoxAnswerer answerer;
        dialog.pt_Send_clicked();
        QCOMPARE(answerer.texts(), QStringList{message});
        QCOMPARE(smtp.mailCount(), recipients.size());
        if (recipients.isEmpty()) {
            QVERIFY(smtp.wire().isEmpty());   // no connection was made
            return;
        }
        QVERIFY(smtp.wire().contains("rcpt to:<lab@example.com>"));
        const QString mail = QString::fromUtf8(smtp.mail(0));
        QVERIFY2(mail.contains(QStringLiteral("subject:采集器报警")), qPrintable(mail));
        QVERIFY2(mail.endsWith(QStringLiteral("\r\n\r\n2024-03-01 09:30:00;下限报警;1-S1-1-T2低于下限:9.50\r\n"
                                              "2024-03-01 08:00:00;上限报警;1-S1-1-T1高于上限:31.00\r\n\r\n")),
                 qPrintable(mail));
    }
};

QTEST_MAIN(TestViewLog)
#include "test_view_log.moc"
