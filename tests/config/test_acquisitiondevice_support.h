#pragma once
// Shared pieces of the instrument page and parameter dialog tests:
//  - Workspace: a temporary working folder with a copy of the shipped database open on the
//    default connection and a "config.ini" that enables the models a test needs;
//  - InstrumentDouble: a scripted acquisition driver put into the model registry in place of
//    the driver class of one model, for what a real instrument stand-in cannot show (baud rates,
//    refused writes, link types, blocking operations);
//  - DialogWatcher: answers the modal message boxes and dialogs that a button opens (never the
//    waiting box) and records what they said.

#include <QDialog>
#include <QList>
#include <QMap>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <functional>

#include "Records.h"
#include "StubCollection.h"

// The child widget of that object name; the test stops when there is none.
template <typename T>
T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

// ---- working folder ------------------------------------------------------------------------

class Workspace
{
public:
    // Makes the folder current, copies the shipped database there and opens it; `models` are
    // written as the enabled models, `aliases` under "/Name/<model>".
    bool open(const QStringList &models, const QMap<QString, QString> &aliases = {});
    ~Workspace();

    QString path() const { return dir.path(); }
    QString database() const { return databasePath; }
    // Rows of a select through the sqlite3 tool.
    QList<QStringList> rows(const QString &sql) const;
    // A statement through the sqlite3 tool; false when it failed.
    bool exec(const QString &sql) const;

private:
    QTemporaryDir dir;
    QString previousDir;
    QString databasePath;
    bool opened = false;
};

// A stored channel configuration of `count` thermocouple channels (101 upward, "K",
// "二线制", "℃") for `model`, labels "T1", "T2", ...
ChannelConfigData thermocoupleConfig(const QString &name, const QString &model, int count);

// ---- scripted driver -----------------------------------------------------------------------

struct DoubleScript
{
    QStringList scanRates{QStringLiteral("快速")};
    QStringList signalModes{QStringLiteral("串口"), QStringLiteral("网络"), QStringLiteral("蓝牙")};
    double minInterval = 0.5;
    // Link: open succeeds unless openResult is false; it first waits openDelayMs.
    bool openResult = true;
    int openDelayMs = 0;
    QString serial = QStringLiteral("DBL-1");
    QStringList values;                  // what readValues gives
    QString failAt;                      // the instrument operation that fails (by name);
                                         // "checkChannels": the set-up fails and the channel
                                         // check names channel 101
    // Instrument settings.
    QStringList bauds;
    QStringList filters;
    QList<bool> mask;
    QString answerBaud;                  // readDeviceSettings answers only at this rate (empty: any)
    QStringList settings;                // the eight texts readDeviceSettings gives
    bool writeResult = true;
    QString writeMessage;                // replaces the caller's message when not empty

    // What happened, for the checks.
    QStringList openedBauds;             // portBaudRate of every open, in order
    QStringList calls;                   // operation names, in order
    QStringList written;                 // the six texts of the last write
    std::atomic<int> closes{0};
    std::atomic<int> busy{0};            // operations running now
    std::atomic<int> destroyedWhileBusy{0};
    std::atomic<int> instances{0};
};

class InstrumentDouble : public StubCollection
{
public:
    // The script every double reads; reset by installDouble.
    static DoubleScript *script;

    InstrumentDouble();
    ~InstrumentDouble() override;

    bool open(QString signalMode, QString ipCom, QString portBaudRate) override;
    bool close() override;
    bool readSerialNumber(QString &serial) override;

    QStringList scanRateList() override { return script->scanRates; }
    QStringList signalModeList() override { return script->signalModes; }
    int channelCount() override { return 64; }
    bool checkChannels(QList<ChannelRecord>, QString &error) override
    {
        if (script->failAt != QStringLiteral("checkChannels"))
            return true;
        error = QStringLiteral("101:系数不是数字！");
        return false;
    }
    double minScanInterval(QString, QList<ChannelRecord>) override { return script->minInterval; }
    bool setDeviceTime(QDateTime) override;
    bool setScanInterval(double, int) override;
    bool readValues(QStringList &values) override;
    bool configureChannels(QString, QList<ChannelRecord>) override;
    QStringList baudRateList() override { return script->bauds; }
    QStringList filterList() override { return script->filters; }
    QList<bool> settingMask() override { return script->mask; }
    bool readDeviceSettings(QString &serial, QString &version, QString &address,
                            QString &baudRate, QString &ip, QString &mask, QString &port,
                            QString &filter) override;
    bool writeDeviceSettings(QString address, QString baudRate, QString ip, QString mask,
                             QString port, QString filter, QString &message) override;

private:
    // An instrument operation answers only on an open link and when the script lets it.
    bool succeeds(const QString &operation) const;
    QString lastBaud;
};

// The model whose driver class the double replaces ("Zenk").
QString doubleModel();
// Puts the double into the registry for doubleModel() with a fresh script, which it returns.
DoubleScript *installDouble();

// ---- modal dialogs -------------------------------------------------------------------------

class DialogWatcher : public QObject
{
public:
    DialogWatcher();

    struct Box
    {
        QString title;
        QString text;
    };
    QList<Box> boxes;                                // every message box, in order
    QList<QMessageBox::StandardButton> answers;      // for the next boxes (else OK / escape)
    // Called with any other modal dialog (except the waiting box); the dialog is rejected
    // when it is still shown afterwards.
    std::function<void(QDialog *)> onDialog;
    QStringList dialogs;                             // class names of those dialogs

    QStringList texts() const;
    // Processes events until `count` message boxes were seen; false on time-out.
    bool waitForBoxes(int count, int timeoutMs = 20000);

private:
    void poll();
    QTimer timer;
    QList<QPointer<QWidget>> handled;
};
