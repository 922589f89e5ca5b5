#pragma once
#include <atomic>
#include <functional>
#include <thread>

// One background job of the instrument pages, run on its own thread.
//
// The owner keeps the worker as a member: the thread is never detached, so it can never
// outlive the page or dialog whose driver it uses. Destroying the worker asks the job to stop
// and waits for it to end. A job polls stopRequested() between its steps.
class AcquisitionDeviceWorker
{
public:
    AcquisitionDeviceWorker() = default;
    ~AcquisitionDeviceWorker();
    AcquisitionDeviceWorker(const AcquisitionDeviceWorker&) = delete;
    AcquisitionDeviceWorker& operator=(const AcquisitionDeviceWorker&) = delete;

    // Starts the job on a new thread; false (and nothing started) while a job still runs.
    bool start(std::function<void()> job);
    // True from start() until the job has returned.
    bool isRunning() const;
    // Asks the running job to stop at its next check; cleared by the next start().
    void requestStop();
    bool stopRequested() const;
    // Waits until the job has returned (at once when none was started).
    void join();
    // For the owner's destructor: asks the job to stop and waits for it while this thread
    // keeps delivering events (other than user input), so that a driver living on this
    // thread still receives the replies and link reports the job is waiting for.
    void stopAndFinish();

private:
    std::thread m_thread;
    std::atomic_bool m_running{false};
    std::atomic_bool m_stop{false};
};
