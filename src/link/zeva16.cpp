#include "link/zeva16.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <optional>
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
    FHeard = false;
    const size_t n = FBufZEVA.size();
    size_t hunted = 0;
    for (;;) {
        const uint8_t b = GetUART();
        if (Error() != errNoError)
            return false;
        FHeard = true;
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

int TZEVA16::GuardMs() const
{
    // Over a network a late answer is later still by the connection's round trip.
    return std::max<int>(kRetryPauseMs, TimeOut()) + int(RoundTripMs());
}

bool TZEVA16::Settle(int quietMs, bool* heard)
{
    // Bound the wait by the longest frame the buffer can take (every byte stuffed), so a line
    // that never falls quiet ends the exchange instead of holding it.
    const uint32_t rate = std::max<uint32_t>(Rate(), 300);
    const uint64_t longest = (uint64_t(FBufZEVA.size()) * 2 + 16) * 10 * 1000 / rate;
    return WaitQuiet(quietMs, int(std::min<uint64_t>(longest + uint64_t(quietMs), 60000)), heard);
}

bool TZEVA16::PutCMD()
{
    using Clock = std::chrono::steady_clock;
    SetError(errTimeOut);
    Save.Addr = FAddrZEVA;
    Save.Cmd = FCmdZEVA;
    Save.Cnt = FCntZEVA;
    std::copy_n(FBufZEVA.begin(), FCntZEVA, Save.Buf.begin());

    // Sending time of the first attempt whose answer was never heard, not even while the line
    // settled: its answer may still be on the way, and may be the one a later attempt receives.
    std::optional<Clock::time_point> unheardSince;
    for (int attempt = 0; attempt < RepCount; ++attempt) {
        const auto sent = Clock::now();
        PutZEVAPack();
        ++SendPackets;
        ++LinkSendPackets;
        const bool got = GetZEVAPack();
        if (OnFrame) {
            TFrameEvent e;
            e.Sent = sent;
            e.Done = Clock::now();
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
        if (got && (FCmdZEVA == zeva::kAnswerAccepted || FCmdZEVA == zeva::kAnswerRefused)) {
            if (unheardSince && !HungUp()) {
                // This answer may be the late one of an earlier attempt; the answers to the attempts
                // after it would then follow as late. Let them come and go before anything else is
                // sent. The payload is this request's either way.
                const auto late = std::chrono::ceil<std::chrono::milliseconds>(Clock::now() - *unheardSince);
                Settle(int(std::min<int64_t>(late.count(), 60000)) + GuardMs());
            }
            BufPos = 0;
            if (FCmdZEVA == zeva::kAnswerAccepted) {
                SetError(errNoError);
                return true;
            }
            SetError(errAnswerError);
            return false;
        }
        const bool unanswered = !got && Error() == errTimeOut;
        const bool heardAny = FHeard;
        const TError error = Error();
        StartZEVA(Save.Addr, uint8_t(Save.Cmd));
        for (uint16_t i = 0; i < Save.Cnt; ++i)
            AddByte(Save.Buf[i]);
        ++BadPackets;
        ++LinkBadPackets;
        // A vanished device will not come back within the pause; do not make the caller wait.
        if (HungUp() || (!PauseAfterLastAttempt && attempt + 1 == RepCount))
            continue;
        bool heardLate = false;
        const bool quiet = Settle(unanswered ? GuardMs() : kRetryPauseMs, &heardLate);
        SetError(error);
        if (!quiet)
            return false;  // nothing on this line can be told apart from the answer
        if (unanswered && !heardAny && !heardLate && !unheardSince)
            unheardSince = sent;
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
