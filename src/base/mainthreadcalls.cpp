#include "base/mainthreadcalls.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include <QCoreApplication>
#include <QThread>

namespace {

struct Call {
    const std::function<void()>* fn;
    bool done = false;
};

std::mutex g_lock;
std::condition_variable g_changed;  // a call queued, a call done, or notify()
std::deque<Call*> g_queue;
unsigned g_generation = 0;

}  // namespace

bool MainThreadCalls::isMainThread()
{
    const auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void MainThreadCalls::run(const std::function<void()>& fn)
{
    if (isMainThread()) {
        fn();
        return;
    }
    Call call{&fn};
    std::unique_lock lock(g_lock);
    g_queue.push_back(&call);
    ++g_generation;
    g_changed.notify_all();
    lock.unlock();
    if (auto* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            app, [] { MainThreadCalls::drain(); }, Qt::QueuedConnection);
    lock.lock();
    g_changed.wait(lock, [&] { return call.done; });
}

void MainThreadCalls::drain()
{
    std::unique_lock lock(g_lock);
    while (!g_queue.empty()) {
        Call* call = g_queue.front();
        g_queue.pop_front();
        lock.unlock();
        (*call->fn)();
        lock.lock();
        call->done = true;
        g_changed.notify_all();
    }
}

bool MainThreadCalls::waitServing(const std::function<bool()>& done, int timeoutMs)
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        drain();
        if (done()) {
            // Should done() have turned true inside a worker's notify(), the worker still holds
            // the lock: taking it once orders its last touch of the queue before whatever the
            // caller does next (join the worker, end the process).
            std::lock_guard lock(g_lock);
            return true;
        }
        if (timeoutMs >= 0 && clock::now() >= deadline)
            return false;
        std::unique_lock lock(g_lock);
        const unsigned seen = g_generation;
        auto until = clock::now() + std::chrono::milliseconds(100);
        if (timeoutMs >= 0 && deadline < until)
            until = deadline;
        g_changed.wait_until(lock, until, [&] { return g_generation != seen || !g_queue.empty(); });
    }
}

void MainThreadCalls::notify(const std::function<void()>& change)
{
    std::lock_guard lock(g_lock);
    if (change)
        change();
    ++g_generation;
    g_changed.notify_all();
}
