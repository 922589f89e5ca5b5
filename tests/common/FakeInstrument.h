#pragma once
// Starts a fake instrument of tests/sim as a child process and reads what it was asked.
//
//     FakeInstrument fake;                                   // tests/sim/fake_instrument.py
//     QVERIFY(fake.startTcp({"--reply", "*IDN?=FLUKE,1586A,1,1"}));
//     driver->open("网络", "127.0.0.1", QString::number(fake.port()));
//
//     PtyPair pty(dir.path()); QVERIFY(pty.start());
//     QVERIFY(fake.startPty(pty.instrumentEnd(), {"--split", "3"}));
//     driver->open("串口", pty.driverEnd(), "9600");
//
// A dialect fake of its own (FakeInstrument("fake_1586a.py")) works the same way when it
// takes --tcp/--port (printing "PORT <n>"), --pty PATH (printing "READY") and --log FILE
// (one JSON object per line, {"raw": request} and, over TCP, {"event": "connected"/"closed"}).
// A program given by its absolute path (the libmodbus instrument of tests/peers) is run
// directly instead of through Python; one that reads statements on its standard input answers
// each with a line "OK" (command). The process is killed when the object goes.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class FakeInstrument
{
public:
    explicit FakeInstrument(const QString &script = QStringLiteral("fake_instrument.py"));
    ~FakeInstrument();

    // Serves TCP on 127.0.0.1, any free port; false when it did not report its port in time.
    bool startTcp(const QStringList &args = {}, int timeoutMs = 10000);
    // Talks on the pty at `path`; false when it did not report ready in time.
    bool startPty(const QString &path, const QStringList &args = {}, int timeoutMs = 10000);
    void stop();
    // Writes one statement line to the fake's standard input; true when it answered "OK".
    bool command(const QString &statement);

    quint16 port() const { return tcpPort; }
    QString portText() const { return QString::number(tcpPort); }
    QString logPath() const;
    // The request lines received so far, line ends included, in order.
    QStringList requests() const;
    // The connection events so far ("connected", "closed").
    QStringList events() const;
    // Waits (processing events) until `count` requests were logged; false on time-out.
    bool waitForRequests(int count, int timeoutMs = 5000) const;
    bool waitForEvent(const QString &event, int count = 1, int timeoutMs = 5000) const;
    // The values of one key of the log entries, in order.
    QStringList logValues(const QString &key) const;

    static QString simDir();

private:
    bool startWith(const QStringList &args, const QByteArray &readyWord, int timeoutMs);

    QString scriptName;
    QProcess process;
    QTemporaryDir logDir;
    quint16 tcpPort = 0;
};
