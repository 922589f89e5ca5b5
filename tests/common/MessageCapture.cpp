#include "MessageCapture.h"

#include <QMutexLocker>

#include <atomic>

namespace {
std::atomic<MessageCapture *> current{nullptr};
QtMessageHandler chained = nullptr;
} // namespace

MessageCapture::MessageCapture()
{
    current = this;
    previous = qInstallMessageHandler(&MessageCapture::handler);
    chained = previous;
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(previous);
    current = nullptr;
}

void MessageCapture::handler(QtMsgType type, const QMessageLogContext &context,
                             const QString &text)
{
    if (MessageCapture *capture = current.load()) {
        QMutexLocker lock(&capture->mutex);
        capture->collected << text;
    }
    if (chained)
        chained(type, context, text);
}

QStringList MessageCapture::messages() const
{
    QMutexLocker lock(&mutex);
    return collected;
}

bool MessageCapture::contains(const QString &part) const
{
    QMutexLocker lock(&mutex);
    for (const QString &m : collected) {
        if (m.contains(part))
            return true;
    }
    return false;
}

void MessageCapture::clear()
{
    QMutexLocker lock(&mutex);
    collected.clear();
}
