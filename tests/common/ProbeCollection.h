#pragma once
// A minimal text driver for exercising the instrument framework itself: its link operations are
// the shared text exchange of Collection exactly as the text drivers bind them (open 12 polls of
// 100 ms, close 40 polls of 100 ms, 200 ms settle per command, replies in 300 polls of 10 ms,
// identity by "*IDN?"). Every other operation refuses (StubCollection). Not registered with
// the model registry.

#include "StubCollection.h"

class ProbeCollection : public StubCollection
{
    Q_OBJECT
public:
    explicit ProbeCollection(QObject *parent = nullptr);

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool close() override;
    bool readReply(QString &reply) override;
    bool sendCommand(QString command) override;
    bool readSerialNumber(QString &serial) override;

    // One question: the command and its reply under the exchange lock.
    bool ask(const QString &command, QString &reply);
    // The identity query alone (vendor word check).
    bool identity(QString &reply) { return queryIdentity(reply); }
    // Hands bytes to the driver as the transport would (queued to the driver's thread when
    // called from another thread).
    void deliver(const QByteArray &bytes);
    // The connected flag as the transport would set it.
    void deliverState(bool state);
    // Keeps the transport's thread busy for `ms` from now, as a slow connect attempt would.
    void holdTransport(int ms);
};
