#include "FakeLink.h"

FakeLink::FakeLink(const QString &script) : instrument(script) {}

bool FakeLink::start(const QString &mode, const QStringList &args, const QString &baudRate)
{
    linkMode = mode;
    if (mode == QStringLiteral("串口")) {
        pty = std::make_unique<PtyPair>(dir.path());
        if (!pty->start() || !instrument.startPty(pty->instrumentEnd(), args))
            return false;
        linkAddress = pty->driverEnd();
        linkPort = baudRate;
        return true;
    }
    if (!instrument.startTcp(args))
        return false;
    linkAddress = QStringLiteral("127.0.0.1");
    linkPort = instrument.portText();
    return true;
}
