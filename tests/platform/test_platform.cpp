// The platform layer: the keep-awake inhibitor against a stand-in login manager on a private
// D-Bus bus, the help viewer started through the system's opener, and the server values of
// "config.ini".
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "HelpViewer.h"
#include "KeepAwake.h"
#include "ServerSettings.h"

// Answers Inhibit as systemd-logind does: a descriptor that holds the lock while it is open.
class FakeLoginManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QStringList calls;
    int lockEnd = -1;  // our end of the pipe: EOF once every copy of the other end is closed

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why, const QString &mode)
    {
        calls << QStringList{what, who, why, mode}.join('|');
        int fds[2];
        if (pipe(fds) != 0)
            return QDBusUnixFileDescriptor();
        lockEnd = fds[0];
        QDBusUnixFileDescriptor handed(fds[1]);  // takes a copy
        close(fds[1]);
        return handed;
    }
};

namespace {
// True when the other end of the pipe has been closed everywhere.
bool lockReleased(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLIN));
}
}

class TestPlatform : public QObject
{
    Q_OBJECT
    QProcess daemon;
    QString address;

private slots:
    void initTestCase()
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                      QStringLiteral("--address=unix:tmpdir=/tmp")});
        if (!daemon.waitForStarted(10000))
            QSKIP("dbus-daemon is not installed");
        QTRY_VERIFY_WITH_TIMEOUT(daemon.canReadLine(), 10000);
        address = QString::fromUtf8(daemon.readLine().trimmed());
        QVERIFY(!address.isEmpty());
    }

    void cleanupTestCase()
    {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void inhibitorHeldUntilReleased()
    {
        // The manager answers on a thread of its own while the caller waits for it.
        QThread managerThread;
        managerThread.start();
        auto *manager = new FakeLoginManager;
        manager->moveToThread(&managerThread);
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("login-manager"));
        QVERIFY(service.isConnected());
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/login1"), manager, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.login1")));

        QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("program"));
        QVERIFY(keepSystemAwake(client));
        QVERIFY(systemAwakeHeld());
        QCOMPARE(manager->calls.size(), 1);
        const QStringList call = manager->calls.at(0).split('|');
        QCOMPARE(call.value(0), QStringLiteral("idle:sleep"));
        QCOMPARE(call.value(1), QStringLiteral("VAZUV"));
        QCOMPARE(call.value(3), QStringLiteral("block"));
        QVERIFY(manager->lockEnd >= 0);
        QTest::qWait(100);
        QVERIFY(!lockReleased(manager->lockEnd));  // the program holds it

        releaseSystemAwake();
        QVERIFY(!systemAwakeHeld());
        QTRY_VERIFY(lockReleased(manager->lockEnd));

        close(manager->lockEnd);
        service.unregisterService(QStringLiteral("org.freedesktop.login1"));
        service.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("login-manager"));
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        managerThread.quit();
        managerThread.wait();
        delete manager;
    }

    void noLoginManagerIsNoFault()
    {
        QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("lonely"));
        QVERIFY(client.isConnected());
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!keepSystemAwake(client));
        QVERIFY(!systemAwakeHeld());
        QVERIFY(timer.elapsed() < 5000);
        QDBusConnection::disconnectFromBus(QStringLiteral("lonely"));
        // No bus at all.
        QVERIFY(!keepSystemAwake(QDBusConnection(QStringLiteral("never-connected"))));
    }

    void helpOpensTheGuide()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("bin"));
        QDir().mkpath(QStringLiteral("help"));
        QFile page(dir.filePath(QStringLiteral("help/index.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html>guide</html>");
        page.close();
        // A stand-in for the system's opener that notes what it was asked to show.
        const QString opener = dir.filePath(QStringLiteral("bin/xdg-open"));
        QFile script(opener);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > '%1'\n").arg(dir.filePath(QStringLiteral("opened.txt"))).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", dir.filePath(QStringLiteral("bin")).toLocal8Bit() + ':' + path);

        QCOMPARE(helpFilePath(), dir.filePath(QStringLiteral("help/index.html")));
        QObject owner;
        QStringList failures;
        auto noteFailure = [&failures](const QString &reason) { failures << reason; };
        QPointer<QProcess> viewer = openHelp(&owner, noteFailure);
        QCOMPARE(viewer->parent(), &owner);
        auto opened = [&] {
            QFile f(dir.filePath(QStringLiteral("opened.txt")));
            return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
        };
        QTRY_COMPARE(opened(), dir.filePath(QStringLiteral("help/index.html")));
        QTRY_VERIFY(!viewer);
        QCOMPARE(failures, QStringList());

        // An opener that finds no viewer for the guide ends with an error: reported once.
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write("#!/bin/sh\nexit 3\n");
        script.close();
        QPointer<QProcess> refused = openHelp(&owner, noteFailure);
        QTRY_VERIFY(!refused);
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures.first().contains(dir.filePath(QStringLiteral("help/index.html"))));

        // No opener at all: reported once, no crash.
        qputenv("PATH", "/nonexistent");
        QPointer<QProcess> missing = openHelp(&owner, noteFailure);
        QTRY_VERIFY(!missing);
        QCOMPARE(failures.size(), 2);
        qputenv("PATH", path);
        QDir::setCurrent(previous);
    }

    void serverValues()
    {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        // Missing: the placeholder, written so the file shows what can be set.
        QCOMPARE(updateServerHost(), QStringLiteral("update.vazuv.invalid"));
        QCOMPARE(updateServerPort(), 8200);
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import configparser,sys; c=configparser.ConfigParser(); c.read(sys.argv[1]); "
                                 "print(c['Update']['Host'], c['Update']['Port'])"),
                  dir.filePath(QStringLiteral("config.ini"))});
        QVERIFY(py.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(py.readAllStandardOutput()).trimmed(), QStringLiteral("update.vazuv.invalid 8200"));
        // Set by the site.
        QFile ini(dir.filePath(QStringLiteral("config.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Update]\nHost=updates.example.org\nPort=not-a-port\n");
        ini.close();
        QCOMPARE(updateServerHost(), QStringLiteral("updates.example.org"));
        QCOMPARE(updateServerPort(), 8200);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Update]\nHost=127.0.0.1\nPort=44301\n");
        ini.close();
        QCOMPARE(updateServerPort(), 44301);
        QDir::setCurrent(previous);
    }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
