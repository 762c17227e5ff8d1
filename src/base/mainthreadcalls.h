#pragma once
#include <functional>

// Lets a worker thread run a function on the main thread and wait for it (the worker never
// touches a widget itself). The main thread serves these calls from its event loop and, while
// it waits for a worker to end, from waitServing() — never by re-entering the event loop.
class MainThreadCalls {
public:
    // From any thread: runs fn on the main thread and returns once it has run.
    // On the main thread itself fn runs at once.
    static void run(const std::function<void()>& fn);
    // Main thread: runs every queued call.
    static void drain();
    // Main thread: waits until done() is true, serving queued calls meanwhile (checking at least
    // every 100 ms and whenever a call or notify() arrives). False when timeoutMs ran out first
    // (timeoutMs < 0: no limit).
    static bool waitServing(const std::function<bool()>& done, int timeoutMs = -1);
    // Any thread: runs change (if given) and wakes a main thread inside waitServing() to re-check
    // its condition, in one step under the queue's lock. A worker that ends by setting its flag
    // here has finished with the queue once waitServing() has seen the flag.
    static void notify(const std::function<void()>& change = {});
    static bool isMainThread();
};
