#include "HelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

QString helpFilePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("./help.chm");
#else
    const QStringList candidates = {
        QDir::current().absoluteFilePath(QStringLiteral("help/index.html")),
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("help/index.html")),
        QDir::current().absoluteFilePath(QStringLiteral("help.chm")),
    };
    for (const QString &c : candidates) {
        if (QFileInfo(c).isFile())
            return c;
    }
    return candidates.first();
#endif
}

QString helpViewerProgram()
{
#ifdef Q_OS_WIN
    return QStringLiteral("hh.exe");
#else
    return QStringLiteral("xdg-open");
#endif
}

QStringList helpViewerArguments()
{
    return {helpFilePath()};
}

QProcess *openHelp(QObject *owner)
{
    auto *process = new QProcess(owner);
    // Reaps the viewer (or the launcher that hands over to it) when it ends.
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished),
                     process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->start(helpViewerProgram(), helpViewerArguments(), QIODevice::ReadWrite);
    return process;
}
