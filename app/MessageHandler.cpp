#include "MessageHandler.h"

#include <atomic>
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

namespace {

QBasicMutex logMutex;                       // one lock around each whole write, for all threads
thread_local bool writingOnThisThread = false;
std::atomic<void (*)()> writeHook{nullptr};

QString levelText(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return QStringLiteral("Debug:");
    case QtWarningMsg:
        return QStringLiteral("Warning:");
    case QtCriticalMsg:
        return QStringLiteral("Critical:");
    case QtFatalMsg:
        return QStringLiteral("Fatal:");
    case QtInfoMsg:
        break;
    }
    return QString();
}

} // namespace

QString formatLogLine(QtMsgType type, const QMessageLogContext &context, const QString &message,
                      const QDateTime &now)
{
    const QString where = QStringLiteral("File:(%1) Line:(%2)")
                              .arg(QString::fromUtf8(context.file ? context.file : ""))
                              .arg(context.line);
    const QString when = QStringLiteral("(%1)").arg(
        now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss ddd")));
    // One multi-argument fill, so a "%1" inside the message stays as it is.
    return QStringLiteral("%1 %2   %3 %4").arg(levelText(type), when, where, message);
}

QString logFileName(const QDate &day)
{
    return QStringLiteral("log_") + day.toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral(".log");
}

void qtMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (writingOnThisThread) {
        // A message raised while this thread writes (by the file layer, say) cannot take the
        // lock again; it goes to the standard error stream instead of deadlocking.
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        return;
    }
    QMutexLocker lock(&logMutex);
    writingOnThisThread = true;
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = formatLogLine(type, context, message, now).toUtf8() + '\n';
    QFile file(logFileName(now.date()));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (auto hook = writeHook.load())
            hook();
        file.write(line);
        file.close();
    }
    writingOnThisThread = false;
}

void removeOldLogFiles(const QDate &today, const QString &directory)
{
    QDir dir(directory);
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*.log")},
                                                    QDir::Files | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString base = entry.completeBaseName();
        if (!base.startsWith(QLatin1String("log_")))
            continue;
        const QDate day = QDate::fromString(base.mid(4), QStringLiteral("yyyy-MM-dd"));
        if (!day.isValid())
            continue;
        if (day.daysTo(today) > 31)
            dir.remove(entry.fileName());
    }
}

void setMessageHandlerWriteHook(void (*hook)())
{
    writeHook.store(hook);
}
