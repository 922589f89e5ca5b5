#include "FakeInstrument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

FakeInstrument::FakeInstrument(const QString &script) : scriptName(script) {}

FakeInstrument::~FakeInstrument()
{
    stop();
}

QString FakeInstrument::simDir()
{
    return QStringLiteral(VAZUV_SOURCE_DIR "/tests/sim");
}

QString FakeInstrument::logPath() const
{
    return QDir(logDir.path()).filePath(QStringLiteral("requests.jsonl"));
}

bool FakeInstrument::startWith(const QStringList &args, const QByteArray &readyWord,
                               int timeoutMs)
{
    const bool program = QDir::isAbsolutePath(scriptName);
    QStringList all;
    if (!program)
        all << QDir(simDir()).filePath(scriptName);
    all << args << QStringLiteral("--log") << logPath();
    process.setProgram(program ? scriptName : QStringLiteral("/usr/bin/python3"));
    process.setArguments(all);
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setReadChannel(QProcess::StandardOutput);
    process.start();
    if (!process.waitForStarted(timeoutMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    QByteArray seen;
    while (clock.elapsed() < timeoutMs) {
        if (!process.canReadLine())
            process.waitForReadyRead(50);
        while (process.canReadLine()) {
            const QByteArray line = process.readLine().trimmed();
            seen += line + '\n';
            if (line.startsWith(readyWord)) {
                if (readyWord == "PORT")
                    tcpPort = static_cast<quint16>(line.mid(5).toUInt());
                return true;
            }
        }
        if (process.state() != QProcess::Running) {
            qWarning("fake instrument ended: %s %s", seen.constData(),
                     process.readAllStandardError().constData());
            return false;
        }
    }
    return false;
}

bool FakeInstrument::startTcp(const QStringList &args, int timeoutMs)
{
    return startWith(QStringList{QStringLiteral("--tcp")} + args, "PORT", timeoutMs);
}

bool FakeInstrument::startPty(const QString &path, const QStringList &args, int timeoutMs)
{
    return startWith(QStringList{QStringLiteral("--pty"), path} + args, "READY", timeoutMs);
}

void FakeInstrument::stop()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
}

bool FakeInstrument::command(const QString &statement)
{
    process.write(statement.toUtf8() + '\n');
    QElapsedTimer clock;
    clock.start();
    while (!process.canReadLine() && clock.elapsed() < 5000)
        process.waitForReadyRead(100);
    return process.readLine().trimmed() == "OK";
}

QStringList FakeInstrument::logValues(const QString &key) const
{
    QStringList values;
    QFile file(logPath());
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        if (entry.contains(key))
            values << entry.value(key).toString();
    }
    return values;
}

QStringList FakeInstrument::requests() const
{
    return logValues(QStringLiteral("raw"));
}

QStringList FakeInstrument::events() const
{
    return logValues(QStringLiteral("event"));
}

bool FakeInstrument::waitForRequests(int count, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (requests().size() < count) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

bool FakeInstrument::waitForEvent(const QString &event, int count, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (events().count(event) < count) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}
