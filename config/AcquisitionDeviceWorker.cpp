#include "AcquisitionDeviceWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

AcquisitionDeviceWorker::~AcquisitionDeviceWorker()
{
    requestStop();
    join();
}

bool AcquisitionDeviceWorker::start(std::function<void()> job)
{
    if (m_running.load())
        return false;
    join(); // reap the previous, finished thread
    m_stop.store(false);
    m_running.store(true);
    m_thread = std::thread([this, job = std::move(job)]() {
        job();
        m_running.store(false);
    });
    return true;
}

bool AcquisitionDeviceWorker::isRunning() const
{
    return m_running.load();
}

void AcquisitionDeviceWorker::requestStop()
{
    m_stop.store(true);
}

bool AcquisitionDeviceWorker::stopRequested() const
{
    return m_stop.load();
}

void AcquisitionDeviceWorker::join()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void AcquisitionDeviceWorker::stopAndFinish()
{
    requestStop();
    while (m_running.load()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(2);
    }
    join();
}
