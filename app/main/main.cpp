// The program: installs the log-file message handler, keeps the machine awake, and runs the
// main window until the user closes it. A file-size limit makes writes fail, not the program end.
#include <QApplication>
#include <QDebug>

#include <csignal>

#include "Halvoran.h"
#include "KeepAwake.h"
#include "MessageHandler.h"
#include "SystemSettings.h"

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // A write past a file-size limit fails with an error that the database and the log files
    // report, instead of ending the program in the middle of a run.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication a(argc, argv);
    qInstallMessageHandler(qtMessageHandler);
    keepSystemAwake();

    int code = 0;
    {
        Halvoran w;
        w.show();
        qDebug().noquote() << QStringLiteral("程序启动：") + (w.settings() ? w.settings()->version : QString());
        code = a.exec();
    }
    releaseSystemAwake();
    return code;
}
