// The built program started as a user would, in an empty working folder under the offscreen
// platform: it places its database, writes the day's log and keeps running its window.
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>

#include "ShellTestSupport.h"


namespace {
// The screen of an X server started with -fbdir: a window dump (XWD) file kept up to date.
struct FrameBuffer
{
    QByteArray bytes;
    quint32 width = 0, height = 0, bytesPerLine = 0, dataOffset = 0;

    bool read(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        bytes = f.readAll();
        if (bytes.size() < 100)
            return false;
        auto field = [this](int i) { return qFromBigEndian<quint32>(bytes.constData() + 4 * i); };
        if (field(11) != 32)  // bits per pixel
            return false;
        width = field(4);
        height = field(5);
        bytesPerLine = field(12);
        dataOffset = field(0) + field(19) * 12;  // header, then the colour table
        return quint64(dataOffset) + quint64(bytesPerLine) * height <= quint64(bytes.size());
    }
    QRgb pixel(int x, int y) const
    {
        const auto *p = reinterpret_cast<const uchar *>(bytes.constData()) + dataOffset + y * bytesPerLine + 4 * x;
        return qRgb(p[2], p[1], p[0]);
    }
};

// The share of sample points of `image`, placed with its top left corner at `origin`, that
// the screen shows in the image's colours; the middle of the screen (the pointer) is left out.
double shownShare(const FrameBuffer &screen, const QImage &image, QPoint origin)
{
    int points = 0, matching = 0;
    const QPoint middle(int(screen.width) / 2, int(screen.height) / 2);
    for (int i = 1; i < 16; ++i) {
        for (int j = 1; j < 10; ++j) {
            const QPoint at(image.width() * i / 16, image.height() * j / 10);
            const QPoint onScreen = origin + at;
            if ((onScreen - middle).manhattanLength() < 40)
                continue;
            ++points;
            const QRgb want = image.pixel(at);
            const QRgb got = screen.pixel(onScreen.x(), onScreen.y());
            if (qAbs(qRed(want) - qRed(got)) + qAbs(qGreen(want) - qGreen(got)) + qAbs(qBlue(want) - qBlue(got)) < 24)
                ++matching;
        }
    }
    return points ? double(matching) / points : 0.0;
}
}

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

    // The day's log already past a file-size limit: its writes fail and the program goes on.
    void keepsRunningPastAFileSizeLimit()
    {
        WorkingFolder folder;
        QFile log(folder.file("log_" + QDate::currentDate().toString("yyyy-MM-dd") + ".log"));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write(QByteArray(2 << 20, 'x')) == 2 << 20);
        log.close();
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.setEnvironment(QProcess::systemEnvironment() << "QT_QPA_PLATFORM=offscreen");
        // 1024 blocks of 1 KiB: the empty database fits, the log does not.
        program.start("/bin/bash", {"-c", "ulimit -f 1024 && exec \"$0\"", binDir() + "/VAZUV"});
        QVERIFY(program.waitForStarted());
        const QString db = folder.file("DAQ-Vemka.db3");
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(db) || program.state() != QProcess::Running, 30000);
        QTest::qWait(4000);   // past the two seconds of the splash, the start is logged
        QVERIFY2(program.state() == QProcess::Running, qPrintable(QString::number(program.exitCode())));
        QCOMPARE(sqlite(db, "select count(*) from SystemSet"), QStringLiteral("9"));
        QCOMPARE(log.size(), qint64(2 << 20));
        program.kill();
        program.waitForFinished();
    }

    // On a real display server (a virtual X server), the splash image is on the screen during
    // the two seconds the start-up waits without processing events.
    void splashIsOnTheScreenDuringTheWait()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            QSKIP("no Xvfb (scripts/deps.sh --test installs it)");
        const QImage splash(QString::fromLocal8Bit(qgetenv("VAZUV_SOURCE_DIR")) + QStringLiteral("/resources/images/Open.png"));
        QVERIFY(!splash.isNull());
        WorkingFolder folder;
        QTemporaryDir screenDir;
        QVERIFY(screenDir.isValid());

        // The server picks a free display and writes its number to descriptor 3.
        QProcess server;
        server.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -fbdir \"$0\" 3>\"$0/display\""),
                      screenDir.path()});
        QVERIFY(server.waitForStarted());
        auto displayNumber = [&] {
            QFile f(screenDir.filePath(QStringLiteral("display")));
            return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(!displayNumber().isEmpty(), 10000);
        const QString screenFile = screenDir.filePath(QStringLiteral("Xvfb_screen0"));

        QProcess program;
        program.setWorkingDirectory(folder.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + displayNumber());
        program.setProcessEnvironment(env);
        program.start(binDir() + QStringLiteral("/VAZUV"), QStringList());
        QVERIFY(program.waitForStarted());

        // Centred on the screen as the splash screen places itself.
        const QPoint origin = QRect(0, 0, 1024, 768).center() - splash.rect().center();
        QElapsedTimer clock;
        clock.start();
        qint64 firstSeen = -1, lastSeen = -1;
        FrameBuffer screen;
        while (clock.elapsed() < 15000 && program.state() == QProcess::Running) {
            if (screen.read(screenFile) && screen.width == 1024 && shownShare(screen, splash, origin) > 0.9) {
                if (firstSeen < 0)
                    firstSeen = clock.elapsed();
                lastSeen = clock.elapsed();
            } else if (firstSeen >= 0) {
                break;  // gone: the wait is over
            }
            QTest::qWait(25);
        }
        program.kill();
        program.waitForFinished();
        server.kill();
        server.waitForFinished();
        QVERIFY2(firstSeen >= 0, "the splash image never reached the screen");
        // Shown for (nearly) the whole wait, not only after it.
        QVERIFY2(lastSeen - firstSeen >= 1500, qPrintable(QStringLiteral("shown for %1 ms").arg(lastSeen - firstSeen)));
    }
};

QTEST_MAIN(TestProgram)
#include "test_program.moc"
