#pragma once
// Collects the messages of qDebug/qWarning/... while it lives (and still prints them), so a test
// can check a driver's traces, such as "读取失败：".
//
//     MessageCapture traces;
//     ... driver operation ...
//     QVERIFY(traces.contains("读取失败："));

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();

    QStringList messages() const;
    bool contains(const QString &part) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text);
    QtMessageHandler previous = nullptr;
    mutable QMutex mutex;
    QStringList collected;
};
