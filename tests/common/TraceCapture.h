#pragma once
// Collects the messages (qDebug and the rest) raised while it lives, from any thread.

#include <QMutex>
#include <QStringList>
#include <QtGlobal>

class TraceCapture
{
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture &) = delete;
    TraceCapture &operator=(const TraceCapture &) = delete;

    QStringList messages() const;
    void clear();

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &message);
    static TraceCapture *s_current;
    mutable QMutex m_mutex;
    QStringList m_messages;
    QtMessageHandler m_previous = nullptr;
};
