#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "memory/transfer.h"

// The transfer thread: runs one job's block loop on its own thread and shares its state with the
// window through atomics. Thread affinity: Start, Cancel, Finished, View and the destructor are
// for the owner's thread; OnProgress runs on the transfer thread.
//
// A window drives it like this: Start() on its first activation; OnProgress asks the main thread
// to redraw from View() (the window's own choice whether it waits for that); a 100 ms timer closes
// the window once Finished(); the cancel button calls Cancel(). Should an OnProgress wait for the
// main thread, the owner must not block in Wait() or the destructor before Finished() unless it
// serves those calls meanwhile (MainThreadCalls::waitServing).
class TProgressThread {
public:
    TProgressThread(TTransferLink& link, TTransferJob job);
    // Cancels and joins: no thread outlives its owner.
    ~TProgressThread();
    TProgressThread(const TProgressThread&) = delete;
    TProgressThread& operator=(const TProgressThread&) = delete;

    // Runs on the transfer thread after each block that was stored or sent; gets the position.
    std::function<void(int32_t)> OnProgress;

    // Zeroes the link's frame counters and starts the loop. Only once.
    void Start();
    bool Started() const { return FThread.joinable() || FJoined; }
    // Unless the transfer has finished: the loop stops after the exchange in hand.
    void Cancel() { FShared.RequestCancel(); }
    bool Finished() const { return FShared.State.load() == TTransferShared::kFinished; }
    // Waits until finished (timeoutMs < 0: no limit) and joins. False when the time ran out.
    bool Wait(int timeoutMs = -1);

    TTransferKind Kind() const { return FJob.Kind; }
    const TTransferShared& Shared() const { return FShared; }
    // Valid once Finished().
    const TTransferResult& Result() const { return FResult; }
    int64_t ElapsedMs() const;
    TProgressView View() const;

private:
    void Execute();

    TTransferLink& FLink;
    TTransferJob FJob;
    TTransferShared FShared;
    TTransferResult FResult;
    std::chrono::steady_clock::time_point FStartTime;
    std::thread FThread;
    bool FJoined = false;
    std::mutex FDoneLock;
    std::condition_variable FDoneCv;
    bool FDone = false;
};
