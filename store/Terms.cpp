#include "Terms.h"

#include <QElapsedTimer>
#include <QThread>

void delayMs(qint64 ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    for (qint64 left = ms - timer.elapsed(); left > 0; left = ms - timer.elapsed())
        QThread::usleep(static_cast<unsigned long>(qMin<qint64>(left, 1) * 1000));
}
