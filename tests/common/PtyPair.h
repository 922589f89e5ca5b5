#pragma once
// A serial link for tests: a socat pair of pseudo terminals,
//     socat pty,raw,echo=0,link=<dir>/driver pty,raw,echo=0,link=<dir>/instrument
// The driver opens driverEnd() as its serial port ("串口", the path as port name); a fake
// instrument (tests/sim, FakeInstrument::startPty) opens instrumentEnd(). Pseudo terminals take
// any baud rate but only 8N1 without DTR. socat is stopped when the object goes.
//
//     QTemporaryDir dir;
//     PtyPair pty(dir.path());
//     QVERIFY(pty.start());

#include <QProcess>
#include <QString>

class PtyPair
{
public:
    explicit PtyPair(const QString &dir, const QString &name = QStringLiteral("pty"));
    ~PtyPair();

    // Starts socat and waits until both links exist; false when that fails in `timeoutMs`.
    bool start(int timeoutMs = 5000);
    void stop();
    QString driverEnd() const { return driverPath; }
    QString instrumentEnd() const { return instrumentPath; }

private:
    QProcess socat;
    QString driverPath;
    QString instrumentPath;
};
