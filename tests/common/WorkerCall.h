#pragma once
// Runs a driver operation on a worker thread while the calling (test) thread keeps its event
// loop running, the way pages use drivers: the driver object lives on the test's main thread,
// where its transport's replies and link reports are delivered, and its busy waits run on the
// worker.
//
//     Collection *d = ...;                          // created on the main thread
//     bool ok = runOnWorker([&] { return d->open("网络", "127.0.0.1", port); });
//
//     WorkerCall call([&] { d->readValues(values); });   // several at once
//     ...; QVERIFY(call.wait(10000));

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <type_traits>

class WorkerCall
{
public:
    explicit WorkerCall(std::function<void()> body)
        : state(std::make_shared<State>())
    {
        auto s = state;
        QObject *app = QCoreApplication::instance();
        worker = std::thread([s, body, app] {
            body();
            s->done = true;
            // Wakes the waiting thread's event loop.
            QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
        });
    }
    WorkerCall(const WorkerCall &) = delete;
    WorkerCall &operator=(const WorkerCall &) = delete;
    ~WorkerCall()
    {
        // A call that is still waiting on replies needs the event loop to finish.
        while (!wait(60000)) {
        }
    }

    // Processes events until the call has finished or `timeoutMs` passed; true when finished.
    bool wait(int timeoutMs = 120000)
    {
        QElapsedTimer clock;
        clock.start();
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, [] {});
        limit.start(timeoutMs);
        while (!state->done && clock.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (state->done && worker.joinable())
            worker.join();
        return state->done;
    }

    bool finished() const { return state->done; }

private:
    struct State
    {
        std::atomic<bool> done{false};
    };
    std::shared_ptr<State> state;
    std::thread worker;
};

// Runs `f` on a worker thread, keeping this thread's events flowing, and returns its result.
template <typename F>
auto runOnWorker(F &&f) -> std::invoke_result_t<F>
{
    using R = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<R>) {
        WorkerCall call([&] { f(); });
        call.wait();
    } else {
        R result{};
        {
            WorkerCall call([&] { result = f(); });
            call.wait();
        }
        return result;
    }
}

// As runOnWorker, and stores in `elapsedMs` how long `f` itself ran on the worker (thread
// start and event delivery to this thread not counted).
template <typename F>
auto runOnWorkerTimed(F &&f, qint64 &elapsedMs) -> std::invoke_result_t<F>
{
    return runOnWorker([&] {
        QElapsedTimer clock;
        clock.start();
        if constexpr (std::is_void_v<std::invoke_result_t<F>>) {
            f();
            elapsedMs = clock.elapsed();
        } else {
            auto result = f();
            elapsedMs = clock.elapsed();
            return result;
        }
    });
}
