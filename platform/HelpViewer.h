#pragma once
// Opens the user guide in the system's help viewer.

#include <QString>
#include <QStringList>

class QObject;
class QProcess;

// The program and arguments that show the help: "hh.exe ./help.chm" on Windows; elsewhere
// "xdg-open" with the guide's start page (help/index.html in the working folder, else beside
// the program, else ./help.chm).
QString helpViewerProgram();
QStringList helpViewerArguments();

// The guide that helpViewerArguments names.
QString helpFilePath();

// Starts the help viewer in a process owned by `owner`; it neither waits for the viewer nor
// reports a viewer that does not start. Returns the process.
QProcess *openHelp(QObject *owner);
