// Feeds arbitrary text to the Intel HEX reader in a 16-bit and in a wide window. A file it accepts
// must lie inside the window, and what it loaded must write out and read back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <QByteArrayView>

#include "memory/hexfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    const QByteArrayView text(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::pair<uint32_t, uint32_t> windows[] = {{0x2000, 0xFFFF}, {0, 0x3FFFF}};
    for (const auto& [beg, end] : windows) {
        THEXFile hex(beg, end);
        if (!hex.Parse(text))
            continue;
        if (hex.Buffer.size() != size_t(end - beg + 1) || hex.DataFirst < beg || hex.DataLast > end ||
            hex.DataFirst > hex.DataLast)
            std::abort();
        if (std::all_of(hex.Buffer.begin(), hex.Buffer.end(), [](uint8_t b) { return b == 0xFF; }))
            continue;  // erased data writes no records, and a file without records is refused
        THEXFile back(beg, end);
        if (!back.Parse(hex.Format()) || back.Buffer != hex.Buffer)
            std::abort();
    }
    return 0;
}
