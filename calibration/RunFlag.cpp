#include "RunFlag.h"

#include <chrono>

void RunFlag::set(bool run)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        flag = run;
    }
    if (!run)
        changed.notify_all();
}

bool RunFlag::isSet() const
{
    return flag.load();
}

bool RunFlag::sleep(qint64 ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    const unsigned seen = wakes;
    if (ms > 0)
        changed.wait_for(lock, std::chrono::milliseconds(ms),
                         [&] { return !flag.load() || wakes != seen; });
    return flag.load();
}

void RunFlag::wake()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++wakes;
    }
    changed.notify_all();
}
