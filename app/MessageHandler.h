#pragma once
// The program's message handler: every debug trace and Qt warning, from any thread, becomes one
// UTF-8 line of the day's log file "log_yyyy-MM-dd.log" in the working directory.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtGlobal>

// Installed with qInstallMessageHandler right after the application object exists.
void qtMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// The line the handler writes for one message at `now` (without the ending "\n"):
// level text, " ", "(yyyy-MM-dd hh:mm:ss ddd)", "   ", "File:(f) Line:(n)", " ", message.
QString formatLogLine(QtMsgType type, const QMessageLogContext &context, const QString &message,
                      const QDateTime &now);

// "log_" + day as "yyyy-MM-dd" + ".log".
QString logFileName(const QDate &day);

// Deletes the log files of `directory` whose name carries a date more than 31 days before
// `today` ("log_yyyy-MM-dd.log"; other names, directories and symbolic links stay).
void removeOldLogFiles(const QDate &today = QDate::currentDate(),
                       const QString &directory = QStringLiteral("."));

// For tests: a function the handler calls while it holds its lock and writes a line.
void setMessageHandlerWriteHook(void (*hook)());
