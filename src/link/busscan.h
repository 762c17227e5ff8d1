#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/deviceinfo.h"

class TZEVA16;

// A scan asks each address once with a short wait: most addresses of a bus are silent.
constexpr uint16_t kScanTimeoutMs = 30;
constexpr uint8_t kScanRetries = 1;
// The addresses a scan asks unless told otherwise.
constexpr unsigned kScanFirstAddr = 1;
constexpr unsigned kScanLastAddr = 254;

// One device that answered a scan as itself.
struct TFoundDevice {
    uint16_t Addr = 0;
    TDeviceInfo Info;
};

// Identifies each address in turn on the calling thread. Stops before the next address once
// `cancel` is set; `onStep`, when set, runs on the same thread after each address with the
// count of addresses asked so far and the device found there (nullptr when none answered).
std::vector<TFoundDevice> ScanBus(TZEVA16& link, const std::vector<unsigned>& addrs,
                                  const std::atomic<bool>* cancel = nullptr,
                                  const std::function<void(size_t asked, const TFoundDevice* found)>& onStep = {});

// Gives a link the scan's wait and attempts for its life and its own back afterwards.
class TScanLinkSetup {
public:
    TScanLinkSetup(TZEVA16& link, uint16_t timeoutMs = kScanTimeoutMs, uint8_t retries = kScanRetries);
    ~TScanLinkSetup();
    TScanLinkSetup(const TScanLinkSetup&) = delete;
    TScanLinkSetup& operator=(const TScanLinkSetup&) = delete;

private:
    TZEVA16& FLink;
    uint16_t FTimeOut;
    uint8_t FRepCount;
    bool FPauseAfterLast;
};
