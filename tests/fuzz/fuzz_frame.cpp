// Feeds arbitrary bytes to the frame decoder, in the chunks the first byte selects, and checks
// that a decoded frame encodes back to a frame that decodes the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/zevaframe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> buf(256);
    zeva::FrameDecoder dec(buf.data(), buf.size());
    for (size_t i = 0; i < size; ++i) {
        if (dec.push(data[i]) != zeva::FrameDecoder::Status::Frame)
            continue;
        const std::vector<uint8_t> payload(buf.begin(), buf.begin() + dec.count());
        const uint16_t addr = dec.addr();
        const uint8_t cmd = dec.cmd();
        if (addr == 0 && cmd >= 0x80)
            continue;  // not representable without an address
        const auto wire = zeva::encodeFrame(addr, cmd, payload);
        std::vector<uint8_t> buf2(256);
        zeva::FrameDecoder again(buf2.data(), buf2.size());
        zeva::FrameDecoder::Status s = zeva::FrameDecoder::Status::NeedMore;
        for (uint8_t b : wire)
            s = again.push(b);
        if (s != zeva::FrameDecoder::Status::Frame || again.addr() != addr || again.cmd() != cmd ||
            std::vector<uint8_t>(buf2.begin(), buf2.begin() + again.count()) != payload)
            std::abort();
    }
    return 0;
}
