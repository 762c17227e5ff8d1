#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "link/zevaframe.h"
#include "sim/simbus.h"

namespace simtest {

using Bytes = std::vector<uint8_t>;

// Byte list built from numbers and text pieces, so that expected answers read like the wire.
struct Wire {
    Bytes b;
    Wire& operator()(std::initializer_list<int> v)
    {
        for (int x : v)
            b.push_back(uint8_t(x));
        return *this;
    }
    Wire& operator()(const char* text)
    {
        for (const char* p = text; *p; ++p)
            b.push_back(uint8_t(*p));
        return *this;
    }
};

struct Answer {
    bool complete = false;  // a whole frame with a matching CRC
    bool badCrc = false;
    uint16_t addr = 0;
    uint8_t code = 0;
    Bytes payload;
};

inline Bytes request(uint16_t addr, uint8_t cmd, const Bytes& payload = {})
{
    return zeva::encodeFrame(addr, cmd, payload);
}

inline Answer decode(const Bytes& bytes)
{
    Answer a;
    std::vector<uint8_t> buf(0x10000);
    zeva::FrameDecoder dec(buf.data(), buf.size());
    for (uint8_t b : bytes) {
        const auto st = dec.push(b);
        if (st == zeva::FrameDecoder::Status::Frame || st == zeva::FrameDecoder::Status::BadCrc) {
            a.complete = st == zeva::FrameDecoder::Status::Frame;
            a.badCrc = !a.complete;
            a.addr = dec.addr();
            a.code = dec.cmd();
            a.payload.assign(buf.begin(), buf.begin() + dec.count());
            return a;
        }
    }
    return a;
}

// One request through the bus decoder, without a pty.
inline Answer ask(zeva::sim::SimBus& bus, uint16_t addr, uint8_t cmd, const Bytes& payload = {})
{
    const Bytes req = request(addr, cmd, payload);
    return decode(bus.exchange(req));
}

constexpr uint8_t kOk = 0x33;
constexpr uint8_t kNo = 0x22;

}  // namespace simtest
