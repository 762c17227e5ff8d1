#include "link/zeva16.h"

#include <bit>
#include <chrono>
#include <thread>

#include "link/payloadreader.h"
#include "link/zevaframe.h"

std::atomic<uint64_t> SendPackets{0};
std::atomic<uint64_t> BadPackets{0};

TZEVA16::TZEVA16(uint8_t number, uint32_t rate, uint16_t timeOut, uint16_t bufSize)
    : TCOMPort(number, rate, db8, prNone, sbOne, timeOut)
{
    InitCRC();
    FBufZEVA.assign(bufSize, 0);
    Save.Buf.assign(bufSize, 0);
    SendPackets = 0;
    BadPackets = 0;
}

void TZEVA16::StartZEVA(uint16_t addr, uint8_t cmd)
{
    FAddrZEVA = addr;
    FCmdZEVA = cmd;
    FCntZEVA = 0;
    BufPos = 0;
}

void TZEVA16::AddByte(uint8_t b)
{
    if (FCntZEVA < FBufZEVA.size())
        FBufZEVA[FCntZEVA++] = b;
}

void TZEVA16::AddWord(uint16_t w)
{
    AddByte(uint8_t(w >> 8));
    AddByte(uint8_t(w));
}

void TZEVA16::AddInt24(uint32_t i)
{
    AddByte(uint8_t(i >> 16));
    AddWord(uint16_t(i));
}

void TZEVA16::AddDWord(uint32_t dw)
{
    AddWord(uint16_t(dw >> 16));
    AddWord(uint16_t(dw));
}

void TZEVA16::AddFloat(float f)
{
    AddDWord(std::bit_cast<uint32_t>(f));
}

void TZEVA16::AddString(const std::string& s)
{
    for (char c : s)
        AddByte(uint8_t(c));
}

void TZEVA16::PutZEVAPack()
{
    if (FCntZEVA > FBufZEVA.size())
        return;
    RawBuf.clear();
    zeva::encodeFrame(RawBuf, FAddrZEVA, FCmdZEVA, std::span<const uint8_t>(FBufZEVA.data(), FCntZEVA));
    // Whatever is left from earlier traffic must not be taken for the answer.
    PurgeCOM();
    TxData(RawBuf.data(), uint32_t(RawBuf.size()));
}

bool TZEVA16::GetZEVAPack()
{
    ClearErrors();
    const size_t n = FBufZEVA.size();
    size_t hunted = 0;
    for (;;) {
        const uint8_t b = GetUART();
        if (Error() != errNoError)
            return false;
        if (++hunted >= n)
            return false;
        if (b == zeva::FEND)
            break;
    }

    zeva::FrameDecoder dec(FBufZEVA.data(), n);
    auto status = dec.push(zeva::FEND);
    // After a time-out GetUART returns 0 at once, so a cut-off frame runs quickly to the CRC check.
    while (status == zeva::FrameDecoder::Status::NeedMore)
        status = dec.push(GetUART());
    FAddrZEVA = dec.addr();
    FCmdZEVA = dec.cmd();
    FCntZEVA = dec.count();
    switch (status) {
    case zeva::FrameDecoder::Status::Frame: return true;
    case zeva::FrameDecoder::Status::BadCrc: SetError(errNoError); return false;
    default: return false;
    }
}

bool TZEVA16::PutCMD()
{
    SetError(errTimeOut);
    Save.Addr = FAddrZEVA;
    Save.Cmd = FCmdZEVA;
    Save.Cnt = FCntZEVA;
    std::copy_n(FBufZEVA.begin(), FCntZEVA, Save.Buf.begin());

    for (int attempt = 0; attempt < RepCount; ++attempt) {
        const auto sent = std::chrono::steady_clock::now();
        PutZEVAPack();
        ++SendPackets;
        ++LinkSendPackets;
        const bool got = GetZEVAPack();
        if (OnFrame) {
            TFrameEvent e;
            e.Sent = sent;
            e.Done = std::chrono::steady_clock::now();
            e.Addr = Save.Addr;
            e.Cmd = uint8_t(Save.Cmd);
            e.Payload.assign(Save.Buf.begin(), Save.Buf.begin() + Save.Cnt);
            if (got && FCmdZEVA == zeva::kAnswerAccepted) {
                e.Outcome = TFrameOutcome::Accepted;
                e.Answer.assign(FBufZEVA.begin(), FBufZEVA.begin() + FCntZEVA);
            } else if (got && FCmdZEVA == zeva::kAnswerRefused) {
                e.Outcome = TFrameOutcome::Refused;
            } else if (HungUp()) {
                e.Outcome = TFrameOutcome::HungUp;
            } else {
                e.Outcome = got || Error() != errTimeOut ? TFrameOutcome::BadFrame : TFrameOutcome::NoAnswer;
            }
            OnFrame(e);
        }
        if (got) {
            if (FCmdZEVA == zeva::kAnswerAccepted) {
                SetError(errNoError);
                BufPos = 0;
                return true;
            }
            if (FCmdZEVA == zeva::kAnswerRefused) {
                SetError(errAnswerError);
                BufPos = 0;
                return false;
            }
        }
        StartZEVA(Save.Addr, uint8_t(Save.Cmd));
        for (uint16_t i = 0; i < Save.Cnt; ++i)
            AddByte(Save.Buf[i]);
        // A vanished device will not come back within the pause; do not make the caller wait.
        if (!HungUp() && (PauseAfterLastAttempt || attempt + 1 < RepCount))
            std::this_thread::sleep_for(std::chrono::milliseconds(kRetryPauseMs));
        ++BadPackets;
        ++LinkBadPackets;
    }
    return false;
}

uint8_t TZEVA16::ReadByte()
{
    return PayloadReader{FBufZEVA.data(), FCntZEVA, BufPos}.ReadByte();
}

uint16_t TZEVA16::ReadWord()
{
    return PayloadReader{FBufZEVA.data(), FCntZEVA, BufPos}.ReadWord();
}

uint32_t TZEVA16::ReadInt24()
{
    return PayloadReader{FBufZEVA.data(), FCntZEVA, BufPos}.ReadInt24();
}

uint32_t TZEVA16::ReadDWord()
{
    return PayloadReader{FBufZEVA.data(), FCntZEVA, BufPos}.ReadDWord();
}

float TZEVA16::ReadFloat()
{
    return std::bit_cast<float>(ReadDWord());
}

std::string TZEVA16::ReadString()
{
    return PayloadReader{FBufZEVA.data(), FCntZEVA, BufPos}.ReadString();
}

void TZEVA16::SkipByte(uint16_t n)
{
    PayloadReader{FBufZEVA.data(), FCntZEVA, BufPos}.SkipByte(n);
}

bool TZEVA16::GetDeviceInfo(uint16_t addr)
{
    StartZEVA(addr, 113);
    const bool ok = PutCMD() && FCntZEVA > 0;
    TDeviceInfo info;
    TParams params;
    if (ok)
        DecodeDeviceInfo(FBufZEVA.data(), FCntZEVA, MCUs, info, params);
    std::lock_guard lock(FInfoLock);
    Info = std::move(info);
    Params = std::move(params);
    return ok;
}

bool TZEVA16::GetDeviceInfo(uint16_t addr, TDeviceInfo& infodevice)
{
    const bool ok = GetDeviceInfo(addr);
    infodevice = InfoCopy();
    return ok;
}

TDeviceInfo TZEVA16::InfoCopy() const
{
    std::lock_guard lock(FInfoLock);
    return Info;
}

TParams TZEVA16::ParamsCopy() const
{
    std::lock_guard lock(FInfoLock);
    return Params;
}
