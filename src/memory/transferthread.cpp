#include "memory/transferthread.h"

#include "link/zeva16.h"

TProgressThread::TProgressThread(TTransferLink& link, TTransferJob job) : FLink(link), FJob(std::move(job)) {}

TProgressThread::~TProgressThread()
{
    Cancel();
    Wait();
}

void TProgressThread::Start()
{
    if (Started())
        return;
    FShared.Reset();
    SendPackets = 0;
    BadPackets = 0;
    FStartTime = std::chrono::steady_clock::now();
    // Not lowered in priority: the loop mostly sleeps in poll(), and a low priority only adds
    // wake-up latency to every frame on a busy machine.
    FThread = std::thread([this] { Execute(); });
}

void TProgressThread::Execute()
{
    TTransferResult result;
    try {
        TTransferEngine engine(FLink, FShared, OnProgress);
        result = engine.Run(FJob);
    } catch (...) {
        // Run catches what the loop throws; this is the progress callback's or an allocation's.
        result.Outcome = TTransferOutcome::Failed;
        result.Reason = brError;
        result.FailAddr = std::max(FShared.FailAddr.load(), 0);
        result.ErrorText = QStringLiteral("unknown exception");
        FShared.FailAddr = result.FailAddr;
    }
    FResult = result;
    // Whatever happened, the transfer ends in state 1 so that the window closes.
    FShared.State.store(TTransferShared::kFinished);
    {
        std::lock_guard lock(FDoneLock);
        FDone = true;
    }
    FDoneCv.notify_all();
}

bool TProgressThread::Wait(int timeoutMs)
{
    if (!FThread.joinable())
        return true;
    std::unique_lock lock(FDoneLock);
    if (timeoutMs < 0)
        FDoneCv.wait(lock, [this] { return FDone; });
    else if (!FDoneCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return FDone; }))
        return false;
    lock.unlock();
    FThread.join();
    FJoined = true;
    return true;
}

int64_t TProgressThread::ElapsedMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - FStartTime).count();
}

TProgressView TProgressThread::View() const
{
    return MakeProgressView(FShared, ElapsedMs(), SendPackets.load(), BadPackets.load());
}
