// The program: installs the log-file message handler, keeps the machine awake, and runs the
// main window until the user closes it.
#include <QApplication>
#include <QDebug>

#include "Halvoran.h"
#include "KeepAwake.h"
#include "MessageHandler.h"
#include "SystemSettings.h"

int main(int argc, char *argv[])
{
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
