#include "PtyPair.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

PtyPair::PtyPair(const QString &dir, const QString &name)
    : driverPath(QDir(dir).filePath(name + QStringLiteral("-driver"))),
      instrumentPath(QDir(dir).filePath(name + QStringLiteral("-instrument")))
{
}

PtyPair::~PtyPair()
{
    stop();
}

bool PtyPair::start(int timeoutMs)
{
    socat.setProgram(QStringLiteral("socat"));
    socat.setArguments({QStringLiteral("pty,raw,echo=0,link=") + driverPath,
                        QStringLiteral("pty,raw,echo=0,link=") + instrumentPath});
    socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    socat.start();
    if (!socat.waitForStarted(timeoutMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (QFileInfo::exists(driverPath) && QFileInfo::exists(instrumentPath))
            return true;
        if (socat.state() != QProcess::Running)
            return false;
        QThread::msleep(10);
    }
    return false;
}

void PtyPair::stop()
{
    if (socat.state() != QProcess::NotRunning) {
        socat.terminate();
        if (!socat.waitForFinished(3000)) {
            socat.kill();
            socat.waitForFinished(3000);
        }
    }
}
