#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/crc16.h"

// Wire format of one ZEVA frame, shared by the link, the simulator and the fuzzers.
namespace zeva {

constexpr uint8_t kPreamble = 0xFF;
constexpr uint8_t FEND = 0xC0;
constexpr uint8_t FESC = 0xDB;
constexpr uint8_t TFEND = 0xDC;
constexpr uint8_t TFESC = 0xDD;
constexpr uint8_t kAnswerAccepted = 0x33;
constexpr uint8_t kAnswerRefused = 0x22;

// Appends FF C0 and the stuffed address (when non-zero), command, length, payload and CRC.
void encodeFrame(std::vector<uint8_t>& out, uint16_t addr, uint8_t cmd, std::span<const uint8_t> payload);
std::vector<uint8_t> encodeFrame(uint16_t addr, uint8_t cmd, std::span<const uint8_t> payload);

// Byte-at-a-time decoder. It hunts for FEND, then reads one frame; a 0xC0 inside a frame
// is data (the protocol has no resynchronisation). The payload goes straight into the
// caller's buffer so that a cut-off frame leaves what was read, as the link expects.
class FrameDecoder {
public:
    enum class Status {
        NeedMore,  // frame not complete yet (or still hunting)
        Frame,     // complete frame with a matching CRC
        BadCrc,    // complete frame, CRC differs
        TooLong,   // announced length exceeds the buffer; the rest is not read
    };

    FrameDecoder(uint8_t* buf, size_t capacity) : m_buf(buf), m_cap(capacity) {}

    void reset();  // back to hunting for FEND
    bool hunting() const { return m_state == State::Hunt; }
    Status push(uint8_t b);

    uint16_t addr() const { return m_addr; }
    uint8_t cmd() const { return m_cmd; }
    uint16_t count() const { return m_cnt; }
    uint16_t receivedCrc() const { return m_rxCrc; }

private:
    enum class State { Hunt, First, AddrLow, Cmd, LenHi, LenLo, Payload, CrcHi, CrcLo };
    Status accept(uint8_t b);  // one unstuffed byte

    uint8_t* m_buf;
    size_t m_cap;
    State m_state = State::Hunt;
    bool m_escape = false;
    TCRC16 m_crc;
    uint8_t m_first = 0;
    uint16_t m_addr = 0;
    uint8_t m_cmd = 0;
    uint16_t m_cnt = 0;
    uint16_t m_pos = 0;
    uint16_t m_rxCrc = 0;
};

}  // namespace zeva
