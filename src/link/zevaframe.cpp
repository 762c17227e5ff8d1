#include "link/zevaframe.h"

namespace zeva {

namespace {

struct StuffingWriter {
    std::vector<uint8_t>& out;
    TCRC16 crc;

    void put(uint8_t b)
    {
        if (b == FEND) {
            out.push_back(FESC);
            out.push_back(TFEND);
        } else if (b == FESC) {
            out.push_back(FESC);
            out.push_back(TFESC);
        } else {
            out.push_back(b);
        }
    }
    void putCrc(uint8_t b)
    {
        crc.UpdateCRC(b);
        put(b);
    }
};

}  // namespace

void encodeFrame(std::vector<uint8_t>& out, uint16_t addr, uint8_t cmd, std::span<const uint8_t> payload)
{
    out.reserve(out.size() + 9 + payload.size() * 2);
    out.push_back(kPreamble);
    out.push_back(FEND);
    StuffingWriter w{out, {}};
    w.crc.StartCRC();
    if (addr != 0) {
        w.putCrc(uint8_t((addr >> 8) | 0x80));
        w.putCrc(uint8_t(addr & 0xFF));
    }
    w.putCrc(cmd);
    const auto len = uint16_t(payload.size());
    w.putCrc(uint8_t(len >> 8));
    w.putCrc(uint8_t(len & 0xFF));
    for (uint8_t b : payload)
        w.putCrc(b);
    const uint16_t crc = w.crc.FCRC;
    w.put(uint8_t(crc >> 8));
    w.put(uint8_t(crc & 0xFF));
}

std::vector<uint8_t> encodeFrame(uint16_t addr, uint8_t cmd, std::span<const uint8_t> payload)
{
    std::vector<uint8_t> out;
    encodeFrame(out, addr, cmd, payload);
    return out;
}

void FrameDecoder::reset()
{
    m_state = State::Hunt;
    m_escape = false;
}

FrameDecoder::Status FrameDecoder::push(uint8_t b)
{
    if (m_state == State::Hunt) {
        if (b == FEND) {
            m_crc.StartCRC();
            m_escape = false;
            m_addr = 0;
            m_cmd = 0;
            m_cnt = 0;
            m_pos = 0;
            m_state = State::First;
        }
        return Status::NeedMore;
    }
    if (m_escape) {
        m_escape = false;
        if (b == TFEND)
            b = FEND;
        else if (b == TFESC)
            b = FESC;
        return accept(b);
    }
    if (b == FESC) {
        m_escape = true;
        return Status::NeedMore;
    }
    return accept(b);
}

FrameDecoder::Status FrameDecoder::accept(uint8_t b)
{
    switch (m_state) {
    case State::Hunt: break;
    case State::First:
        m_crc.UpdateCRC(b);
        if (b & 0x80) {
            m_first = b;
            m_state = State::AddrLow;
        } else {
            m_addr = 0;
            m_cmd = b;
            m_state = State::LenHi;
        }
        return Status::NeedMore;
    case State::AddrLow:
        m_crc.UpdateCRC(b);
        m_addr = uint16_t(((m_first & 0x7F) << 8) | b);
        m_state = State::Cmd;
        return Status::NeedMore;
    case State::Cmd:
        m_crc.UpdateCRC(b);
        m_cmd = b;
        m_state = State::LenHi;
        return Status::NeedMore;
    case State::LenHi:
        m_crc.UpdateCRC(b);
        m_cnt = uint16_t(b << 8);
        m_state = State::LenLo;
        return Status::NeedMore;
    case State::LenLo:
        m_crc.UpdateCRC(b);
        m_cnt = uint16_t(m_cnt | b);
        if (m_cnt > m_cap) {
            m_state = State::Hunt;
            return Status::TooLong;
        }
        m_state = m_cnt ? State::Payload : State::CrcHi;
        return Status::NeedMore;
    case State::Payload:
        m_crc.UpdateCRC(b);
        m_buf[m_pos++] = b;
        if (m_pos == m_cnt)
            m_state = State::CrcHi;
        return Status::NeedMore;
    case State::CrcHi:
        m_rxCrc = uint16_t(b << 8);
        m_state = State::CrcLo;
        return Status::NeedMore;
    case State::CrcLo:
        m_rxCrc = uint16_t(m_rxCrc | b);
        m_state = State::Hunt;
        return m_rxCrc == m_crc.FCRC ? Status::Frame : Status::BadCrc;
    }
    return Status::NeedMore;
}

}  // namespace zeva
