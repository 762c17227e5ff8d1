#include "link/busscan.h"

#include "link/zeva16.h"

std::vector<TFoundDevice> ScanBus(TZEVA16& link, const std::vector<unsigned>& addrs, const std::atomic<bool>* cancel,
                                  const std::function<void(size_t, const TFoundDevice*)>& onStep)
{
    std::vector<TFoundDevice> found;
    size_t asked = 0;
    for (unsigned addr : addrs) {
        if (cancel && cancel->load())
            break;
        ++asked;
        // Without the guard after each silent address, a late answer from the address before
        // could pass for this one's: only an answer that names the address asked counts.
        const bool answered = link.GetDeviceInfo(uint16_t(addr)) && (link.AddrZEVA() == 0 || link.AddrZEVA() == addr);
        if (answered)
            found.push_back({uint16_t(addr), link.InfoCopy()});
        if (onStep)
            onStep(asked, answered ? &found.back() : nullptr);
    }
    return found;
}

TScanLinkSetup::TScanLinkSetup(TZEVA16& link, uint16_t timeoutMs, uint8_t retries)
    : FLink(link), FTimeOut(link.TimeOut()), FRepCount(link.RepCount), FPauseAfterLast(link.PauseAfterLastAttempt)
{
    FLink.SetTimeOut(timeoutMs);
    FLink.RepCount = retries;
    FLink.PauseAfterLastAttempt = false;
}

TScanLinkSetup::~TScanLinkSetup()
{
    FLink.SetTimeOut(FTimeOut);
    FLink.RepCount = FRepCount;
    FLink.PauseAfterLastAttempt = FPauseAfterLast;
}
