#pragma once
// Opens the user guide in the system's help viewer.

#include <QString>
#include <QStringList>

#include <functional>

class QObject;
class QProcess;

// The program and arguments that show the help: "hh.exe ./help.chm" on Windows; elsewhere
// "xdg-open" with the guide's start page (help/index.html in the working folder, else beside
// the program, else ./help.chm).
QString helpViewerProgram();
QStringList helpViewerArguments();

// The guide that helpViewerArguments names.
QString helpFilePath();

// Starts the help viewer in a process owned by `owner` without waiting for it. When the viewer
// does not start, or the opener ends with an error (no viewer for the guide, guide missing),
// `onFailure` (when given) is called once, on the owner's thread, with the reason. Returns the
// process.
QProcess *openHelp(QObject *owner, std::function<void(const QString &)> onFailure = {});
