#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QThread>
#include <QtTest>

#include "MessageHandler.h"

namespace {
void logFromInsideTheHandler()
{
    qDebug() << "raised while the handler writes";
}
} // namespace

class TestMessageHandler : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString oldCwd;

    static QStringList logLines()
    {
        QFile f(logFileName(QDate::currentDate()));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(f.readAll());
        QStringList lines = text.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    static bool touch(const QString &name)
    {
        QFile f(name);
        return f.open(QIODevice::WriteOnly);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        oldCwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(tmp.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(oldCwd); }
    void init() { QFile::remove(logFileName(QDate::currentDate())); }
    void cleanup()
    {
        qInstallMessageHandler(nullptr);
        setMessageHandlerWriteHook(nullptr);
    }

    void lineFormat_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("expected");
        const QString when = "(2024-03-05 06:07:08 "
            + QLocale::system().dayName(2, QLocale::ShortFormat) + ")";
        QTest::newRow("debug") << int(QtDebugMsg) << "a/b.cpp" << 12 << "hello"
                               << "Debug: " + when + "   File:(a/b.cpp) Line:(12) hello";
        QTest::newRow("info begins with a blank")
            << int(QtInfoMsg) << "x.cpp" << 1 << "i" << " " + when + "   File:(x.cpp) Line:(1) i";
        QTest::newRow("warning") << int(QtWarningMsg) << "" << 0 << "w"
                                 << "Warning: " + when + "   File:() Line:(0) w";
        QTest::newRow("critical") << int(QtCriticalMsg) << "c.cpp" << 3 << "c"
                                  << "Critical: " + when + "   File:(c.cpp) Line:(3) c";
        QTest::newRow("fatal") << int(QtFatalMsg) << "f.cpp" << 4 << "f"
                               << "Fatal: " + when + "   File:(f.cpp) Line:(4) f";
        QTest::newRow("placeholders unchanged")
            << int(QtDebugMsg) << "p.cpp" << 5 << "%1 and %2 %%3"
            << "Debug: " + when + "   File:(p.cpp) Line:(5) %1 and %2 %%3";
        QTest::newRow("chinese") << int(QtDebugMsg) << "d.cpp" << 6 << "查询Parameters失败！"
                                 << "Debug: " + when + "   File:(d.cpp) Line:(6) 查询Parameters失败！";
    }
    void lineFormat()
    {
        QFETCH(int, type);
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, message);
        QFETCH(QString, expected);
        const QByteArray fileName = file.toUtf8();
        const QMessageLogContext context(file.isEmpty() ? nullptr : fileName.constData(), line,
                                         nullptr, nullptr);
        const QDateTime now(QDate(2024, 3, 5), QTime(6, 7, 8));  // a Tuesday
        QCOMPARE(formatLogLine(QtMsgType(type), context, message, now), expected);
    }

    void writesUtf8LinesToTheDaysFile()
    {
        qInstallMessageHandler(qtMessageHandler);
        qDebug().noquote() << "第一行 first";
        qWarning().noquote() << "second %1";
        qInstallMessageHandler(nullptr);
        QFile f(logFileName(QDate::currentDate()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(!bytes.contains('\r'));
        QVERIFY(bytes.endsWith('\n'));
        QVERIFY(bytes.contains(QStringLiteral("第一行 first").toUtf8()));
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.at(0).startsWith("Debug: ("));
        QVERIFY(lines.at(0).contains("test_message_handler.cpp) Line:("));
        QVERIFY(lines.at(0).endsWith(" 第一行 first"));
        QVERIFY(lines.at(1).startsWith("Warning: ("));
        QVERIFY(lines.at(1).endsWith(" second %1"));
        QCOMPARE(logFileName(QDate(2024, 3, 5)), QStringLiteral("log_2024-03-05.log"));
    }

    // Eight threads at once: every line whole, none lost.
    void eightThreadsLoseNoLine()
    {
        qInstallMessageHandler(qtMessageHandler);
        const int threads = 8, perThread = 250;
        QList<QThread *> workers;
        for (int t = 0; t < threads; ++t) {
            workers << QThread::create([t] {
                for (int i = 0; i < perThread; ++i)
                    qDebug().noquote() << QStringLiteral("thread %1 message %2 温度 end")
                                              .arg(t)
                                              .arg(i);
            });
        }
        for (QThread *w : workers)
            w->start();
        for (QThread *w : workers) {
            QVERIFY(w->wait(60000));
            delete w;
        }
        qInstallMessageHandler(nullptr);
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), threads * perThread);
        const QRegularExpression whole(
            "^Debug: \\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d [^)]+\\)   File:\\([^)]*\\) "
            "Line:\\(\\d+\\) thread (\\d) message (\\d+) 温度 end$");
        QSet<QString> seen;
        for (const QString &l : lines) {
            const auto m = whole.match(l);
            QVERIFY2(m.hasMatch(), qPrintable(l));
            seen.insert(m.captured(1) + "/" + m.captured(2));
        }
        QCOMPARE(seen.size(), threads * perThread);
    }

    // A message raised on the same thread while the handler writes must not deadlock it.
    void messageWhileWritingDoesNotDeadlock()
    {
        qInstallMessageHandler(qtMessageHandler);
        setMessageHandlerWriteHook(&logFromInsideTheHandler);
        QThread *t = QThread::create([] { qDebug() << "outer"; });
        t->start();
        const bool finished = t->wait(10000);
        setMessageHandlerWriteHook(nullptr);
        qInstallMessageHandler(nullptr);
        QVERIFY2(finished, "the handler deadlocked");
        delete t;
        const QStringList lines = logLines();
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines.first().endsWith(" outer"));
    }

    void removeOldLogFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("removed");
        QTest::newRow("32 days") << "log_2024-01-01.log" << QDate(2024, 2, 2) << true;
        QTest::newRow("31 days") << "log_2024-01-01.log" << QDate(2024, 2, 1) << false;
        QTest::newRow("a year") << "log_2023-01-01.log" << QDate(2024, 2, 1) << true;
        QTest::newRow("future") << "log_2030-01-01.log" << QDate(2024, 2, 1) << false;
        QTest::newRow("no date") << "log_old.log" << QDate(2024, 2, 1) << false;
        QTest::newRow("other name") << "audit.log" << QDate(2024, 2, 1) << false;
        QTest::newRow("capitals") << "LOG_2020-01-01.log" << QDate(2024, 2, 1) << false;
        QTest::newRow("other suffix") << "log_2020-01-01.txt" << QDate(2024, 2, 1) << false;
        QTest::newRow("double suffix") << "log_2020-01-01.log.log" << QDate(2024, 2, 1) << false;
    }
    void removeOldLogFiles()
    {
        QFETCH(QString, name);
        QFETCH(QDate, today);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(name);
        QVERIFY(touch(path));
        ::removeOldLogFiles(today, dir.path());
        QCOMPARE(QFile::exists(path), !removed);
    }

    void directoriesAndLinksStay()
    {
        QTemporaryDir dir;
        QDir d(dir.path());
        QVERIFY(d.mkdir("log_2020-01-01.log"));
        QVERIFY(touch(d.filePath("target.txt")));
        QVERIFY(QFile::link(d.filePath("target.txt"), d.filePath("log_2020-02-02.log")));
        QVERIFY(touch(d.filePath("log_2020-03-03.log")));
        ::removeOldLogFiles(QDate(2024, 1, 1), dir.path());
        QVERIFY(QFileInfo(d.filePath("log_2020-01-01.log")).isDir());
        QVERIFY(QFileInfo(d.filePath("log_2020-02-02.log")).isSymLink());
        QVERIFY(QFile::exists(d.filePath("target.txt")));
        QVERIFY(!QFile::exists(d.filePath("log_2020-03-03.log")));
    }

    // The working directory is the default place.
    void defaultsToTheWorkingDirectory()
    {
        QVERIFY(touch("log_2001-01-01.log"));
        QVERIFY(touch(logFileName(QDate::currentDate())));
        ::removeOldLogFiles();
        QVERIFY(!QFile::exists("log_2001-01-01.log"));
        QVERIFY(QFile::exists(logFileName(QDate::currentDate())));
    }
};

QTEST_GUILESS_MAIN(TestMessageHandler)
#include "test_message_handler.moc"
