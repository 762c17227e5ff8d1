// Decodes arbitrary identification answers; the decoder must never read outside the payload.
#include <cstdint>
#include <vector>

#include "link/deviceinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFF)
        return 0;
    static const std::vector<TItemMCU> catalog = {{5, QStringLiteral("M"), 131072, 0x1000, QStringLiteral("F")}};
    // Copy so that ASan sees the exact extent of the payload.
    std::vector<uint8_t> payload(data, data + size);
    TDeviceInfo info;
    TParams params;
    DecodeDeviceInfo(payload.data(), uint16_t(size), catalog, info, params);
    return 0;
}
