#pragma once
// The running flag of a calibration run and the waits of its workers: every wait is a bounded
// sleep that ends at once when the flag is cleared (a pause, "结束" or the page going), so a
// stop never waits out a stability poll or a delay.

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>

class RunFlag
{
public:
    // Clearing the flag wakes every sleeper.
    void set(bool run);
    bool isSet() const;
    // Sleeps up to `ms` (at least nothing), ending early when the flag is cleared or wake() is
    // called; returns whether the flag is still set.
    bool sleep(qint64 ms);
    // Ends the sleeps now running (a waited-for answer came); the flag stays.
    void wake();

private:
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::atomic<bool> flag{false};
    unsigned wakes = 0;   // guarded by mutex
};
