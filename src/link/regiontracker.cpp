#include "link/regiontracker.h"

#include <chrono>

RegionTracker::RegionTracker(Clock clock) : FClock(std::move(clock))
{
    if (!FClock)
        FClock = [] {
            using namespace std::chrono;
            return int64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
        };
}

RegionTracker::Change RegionTracker::Update(int64_t memSize, int64_t progStart, int64_t ext)
{
    Change change;
    const int64_t t = FClock();
    if (t - FLastCheck < kHoldMs && memSize <= FLastMemSize && progStart <= FLastProgStart && ext <= FLastExt)
        return change;
    FLastCheck = t;
    if (memSize != FLastMemSize || progStart != FLastProgStart) {
        FLastMemSize = memSize;
        FLastProgStart = progStart;
        FMemSize = memSize;
        FProgStart = progStart;
        change.flash = true;
    }
    if (ext != FLastExt) {
        FLastExt = ext;
        FExt = ext;
        change.ext = true;
    }
    if (change.flash && UpdateFLASHView)
        UpdateFLASHView(true);
    if (change.ext && UpdateExtMemView)
        UpdateExtMemView(true);
    return change;
}
