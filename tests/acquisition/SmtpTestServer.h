#pragma once
// Starts tests/acquisition/smtp_server.py (aiosmtpd under the system python3) on 127.0.0.1
// with a free port, in a folder of its own, and reads back what it received.

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class SmtpTestServer
{
public:
    static QString script()
    {
        QString source = QString::fromUtf8(qgetenv("VAZUV_SOURCE_DIR"));
#ifdef VAZUV_TEST_SOURCE_DIR
        if (source.isEmpty())
            source = QStringLiteral(VAZUV_TEST_SOURCE_DIR);
#endif
        return source + QStringLiteral("/tests/acquisition/smtp_server.py");
    }

    // Extra arguments as smtp_server.py takes them ("--greeting-delay", "3", ...).
    bool start(const QStringList &arguments = {})
    {
        if (!dir.isValid())
            return false;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral("/usr/bin/python3"),
                      QStringList{script(), QStringLiteral("--dir"), dir.path()} + arguments);
        if (!process.waitForStarted(10000))
            return false;
        QElapsedTimer timer;
        timer.start();
        QFile portFile(dir.filePath(QStringLiteral("port")));
        while (timer.elapsed() < 15000) {
            if (portFile.open(QIODevice::ReadOnly)) {
                port = quint16(portFile.readAll().trimmed().toUInt());
                return port != 0;
            }
            if (process.waitForFinished(20) || process.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }

    ~SmtpTestServer()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    // Every byte the client sent, in order.
    QByteArray wire() const { return readFile(QStringLiteral("wire.bin")); }
    QByteArray file(const QString &name) const { return readFile(name); }
    // The stored text of accepted mail number `n` (from 0), empty when there is none.
    QByteArray mail(int n) const { return readFile(QStringLiteral("mail-%1.eml").arg(n)); }
    int mailCount() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("mail-*.eml")}, QDir::Files).size();
    }

    quint16 port = 0;

private:
    QByteArray readFile(const QString &name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QProcess process;
};
