#include "TraceCapture.h"

TraceCapture *TraceCapture::s_current = nullptr;

TraceCapture::TraceCapture()
{
    s_current = this;
    m_previous = qInstallMessageHandler(&TraceCapture::handler);
}

TraceCapture::~TraceCapture()
{
    qInstallMessageHandler(m_previous);
    s_current = nullptr;
}

QStringList TraceCapture::messages() const
{
    QMutexLocker lock(&m_mutex);
    return m_messages;
}

void TraceCapture::clear()
{
    QMutexLocker lock(&m_mutex);
    m_messages.clear();
}

void TraceCapture::handler(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (TraceCapture *c = s_current) {
        QMutexLocker lock(&c->m_mutex);
        c->m_messages << message;
    }
}
