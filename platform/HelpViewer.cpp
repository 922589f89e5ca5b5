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

QProcess *openHelp(QObject *owner, std::function<void(const QString &)> onFailure)
{
    auto *process = new QProcess(owner);
    const QString guide = helpFilePath();
    // Reaps the viewer (or the launcher that hands over to it) when it ends.
    QObject::connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), process,
                     [process, guide, onFailure](int code, QProcess::ExitStatus status) {
                         if (onFailure && (status != QProcess::NormalExit || code != 0))
                             onFailure(QStringLiteral("%1 (%2 %3)").arg(guide, helpViewerProgram())
                                           .arg(code));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, guide, onFailure](QProcess::ProcessError e) {
                         if (e != QProcess::FailedToStart)
                             return;
                         if (onFailure)
                             onFailure(QStringLiteral("%1 (%2: %3)").arg(guide, helpViewerProgram(),
                                                                          process->errorString()));
                         process->deleteLater();
                     });
    process->start(helpViewerProgram(), helpViewerArguments(), QIODevice::ReadWrite);
    return process;
}
