// Frame codec throughput: encode + decode of frames with a 64-byte payload.
#include <chrono>
#include <cstdio>
#include <vector>

#include "link/zevaframe.h"

int main()
{
    std::vector<uint8_t> payload(64);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = uint8_t(i * 29 + 7);  // includes C0/DB now and then
    std::vector<uint8_t> wire;
    std::vector<uint8_t> buf(16384);
    const int rounds = 2'000'000;
    uint64_t frames = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        payload[0] = uint8_t(r);
        wire.clear();
        zeva::encodeFrame(wire, uint16_t(1 + (r & 0x7FF)), 4, payload);
        zeva::FrameDecoder dec(buf.data(), buf.size());
        for (uint8_t b : wire)
            if (dec.push(b) == zeva::FrameDecoder::Status::Frame)
                ++frames;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double mb = double(rounds) * double(payload.size()) / 1e6;
    std::printf("codec: %d frames of 64-byte payload encoded+decoded in %.3f s\n", rounds, s);
    std::printf("codec: %.1f MB/s payload, %.2f M frames/s (%llu decoded ok)\n", mb / s, rounds / s / 1e6,
                (unsigned long long)frames);
    return frames == uint64_t(rounds) ? 0 : 1;
}
