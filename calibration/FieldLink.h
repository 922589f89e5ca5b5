#pragma once
// FieldLink: the text-line link that a temperature source owns, shared by the dry well and the
// bath: a serial port, or (dry well) a TCP socket. The link objects live on the thread that owns
// the source (the GUI thread) and are driven there through Open_signals / Write_signals /
// Close_signals; the protocol operations run on worker threads and busy-wait for the reply
// lines that the link collects.
//
// Replies: received bytes are cut into lines at "\n"; each complete line is queued (newest
// first), except a blank one (nothing but blanks and line ends), which is no reply of either
// source. Every command sent drops the lines (and the unfinished rest) still queued from
// before, and a reply is the newest complete line, so a late answer to an earlier command is
// never joined to or taken for the answer to this one.

#include "Field.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QVector>

#include <atomic>

class QSerialPort;
class QTcpSocket;

class FieldLink : public Field
{
    Q_OBJECT
public:
    FieldLink();
    ~FieldLink() override;

    // False when not connected; otherwise asks for the link to be closed and returns true.
    bool close() override;
    // False when not connected; otherwise drops stale reply lines, sends the command, waits
    // 200 ms and returns true.
    bool sendCommand(QString command) override;
    // The newest complete reply line, looked for 300 ms after the call and then every 100 ms
    // (60 looks); false without a link or when no line came.
    bool readReply(QString &reply) override;

    // The models, the link types offered, and each model's stability band and range as the
    // tables below hold them; a model not listed has the band `otherBand` and the range 0 to 0.
    QStringList modelList() override;
    QStringList signalModeList() override;
    void stabilityBand(QString model, QString &band) override;
    void temperatureRange(QString model, QString &low, QString &high) override;

    // The budgets: checks of 100 ms while opening (120) and looks of 100 ms for a reply (60).
    // Tests shorten them.
    void setWaits(int openChecks, int replyLooks);

    // Link kinds of `transport`.
    enum Transport { NoLink = 0, SerialLink = 1, TcpLink = 2 };

signals:
    void Open_signals(QString signalMode, QString address, int number);
    void Write_signals(QString command);
    void Close_signals();

private slots:
    void NetReadData_slots();
    void SerialReadData_slots();
    void Open_slots(QString signalMode, QString address, int number);
    void Write_slots(QString command);
    void Close_slots();

protected:
    // Opens the link of the given type on the object's own thread.
    virtual void openLink(const QString &signalMode, const QString &address, int number) = 0;
    void openSerial(const QString &address, int baudRate);
    // Starts connecting and returns at once; the attempt is abandoned after the open budget.
    void openTcp(const QString &address, int port);
    // Asks for the link and waits up to the open budget; a link that did not come up in time
    // is abandoned (a pending TCP connect is aborted). False when already connected.
    bool openAndWait(const QString &signalMode, const QString &ipCom, const QString &portBaudRate);

    QStringList signalModes;
    QStringList models;
    QStringList bands;                          // per model
    QList<QPair<QString, QString>> ranges;      // per model: low, high
    QString otherBand;

    // Bath: a reply loses its "\r" and "\n".
    bool stripLineEnds = false;

private:
    void received(const QByteArray &bytes);
    bool takeNewestLine(QString &reply);
    void dropStaleLines();
    // Closes and disposes of the port or socket, whatever its state; `connected` false.
    void releaseLink();
    // The peer closed the TCP link, or the connect failed or ran out of time.
    void tcpLinkLost();

    QMutex lock;                    // guards receiveBuffer and replyQueue
    QByteArray receiveBuffer;       // received bytes after the last "\n"
    QVector<QString> replyQueue;    // complete lines, the newest at the front
    QSerialPort *serialPort = nullptr;
    QTcpSocket *tcpSocket = nullptr;
    int transport = NoLink;
    std::atomic<int> openChecks{120};
    std::atomic<int> replyLooks{60};
};

// A reply text as a number: the ordinary decimal conversion, finite values only.
bool replyNumber(const QString &text, double &value);
// A reply with every blank, "\r" and "\n" removed.
QString cleanedReply(QString reply);
