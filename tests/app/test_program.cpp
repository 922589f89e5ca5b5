// The built program started as a user would, in an empty working folder under the offscreen
// platform: it places its database, writes the day's log and keeps running its window.
#include <QDate>
#include <QRegularExpression>

#include "ShellTestSupport.h"

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void startsInAnEmptyFolder()
    {
        WorkingFolder folder;
        QProcess program;
        program.setWorkingDirectory(folder.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(binDir() + QStringLiteral("/VAZUV"), QStringList());
        QVERIFY(program.waitForStarted());

        const QString log = folder.file(QStringLiteral("log_") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))
                                        + QStringLiteral(".log"));
        auto logText = [&] {
            QFile f(log);
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
        };
        // The splash stays two seconds; then the window runs its event loop.
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains(QStringLiteral("程序启动：V1.2.13")), 30000);
        QCOMPARE(program.state(), QProcess::Running);

        const QString db = folder.file(QStringLiteral("DAQ-Vemka.db3"));
        QCOMPARE(sqlite(db, QStringLiteral("select count(*) from sqlite_master where type='table' and name in "
                                           "('SystemSet','AcquisitionDevice','ChannelConfig','Parameters','ParametersData','AuditLog')")),
                 QStringLiteral("6"));
        QCOMPARE(sqlite(db, QStringLiteral("select count(*) from SystemSet")), QStringLiteral("9"));

        // Every line: level, time with day name, source file and line, message.
        const QRegularExpression line(QStringLiteral(
            "^(Debug:|Warning:|Critical:|Fatal:|) \\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\S+\\)   File:\\(.*\\) Line:\\(\\d+\\) .*$"));
        const QStringList lines = logText().split('\n', Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        for (const QString &l : lines)
            QVERIFY2(line.match(l).hasMatch(), qPrintable(l));
        QVERIFY(logText().contains(QStringLiteral("已创建数据库：")));

        program.kill();
        program.waitForFinished();

        // A second start finds its database and does not replace it.
        sqlite(db, QStringLiteral("insert into AuditLog values('2026-01-01 00:00:00','t','kept')"));
        QFile::remove(log);
        program.start(binDir() + QStringLiteral("/VAZUV"), QStringList());
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(logText().contains(QStringLiteral("程序启动：V1.2.13")), 30000);
        QVERIFY(!logText().contains(QStringLiteral("已创建数据库：")));
        QCOMPARE(sqlite(db, QStringLiteral("select Details from AuditLog")), QStringLiteral("kept"));
        program.kill();
        program.waitForFinished();
    }
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
