#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/comport.h"
#include "link/crc16.h"
#include "link/deviceinfo.h"

using TZEVA16Buf = std::vector<uint8_t>;

// Frames sent by PutCMD (one per attempt) and attempts that ended in neither acceptance nor refusal.
extern std::atomic<uint64_t> SendPackets;
extern std::atomic<uint64_t> BadPackets;

// How one attempt of PutCMD ended on the line.
enum class TFrameOutcome : uint8_t { Accepted, Refused, BadFrame, NoAnswer, HungUp };

// One attempt of PutCMD as the line saw it: for traces and the verbose console of scripts.
struct TFrameEvent {
    std::chrono::steady_clock::time_point Sent;  // the request went out
    std::chrono::steady_clock::time_point Done;  // the answer ended, or the wait for it
    uint16_t Addr = 0;
    uint8_t Cmd = 0;
    std::vector<uint8_t> Payload;
    TFrameOutcome Outcome = TFrameOutcome::NoAnswer;
    std::vector<uint8_t> Answer;  // payload of an accepted answer
};

// The ZEVA protocol on one serial port: request builder, frame codec, exchange with retries,
// answer readers, and the identification state of the device last asked.
class TZEVA16 : public TCOMPort {
public:
    struct TSave {
        uint16_t Addr = 0;
        uint16_t Cmd = 0;
        uint16_t Cnt = 0;
        TZEVA16Buf Buf;
    };

    TZEVA16(uint8_t nCOM, uint32_t rate, uint16_t timeOut, uint16_t bufSize);

    void InitCRC() { CRC.Init(0xFFFF, 0x8408); }

    void StartZEVA(uint16_t addr, uint8_t cmd);
    void AddByte(uint8_t b);
    void AddWord(uint16_t w);
    void AddInt24(uint32_t i);
    void AddDWord(uint32_t dw);
    void AddFloat(float f);
    void AddString(const std::string& s);
    void AddByteToRawBuf(uint8_t b) { RawBuf.push_back(b); }

    void PutZEVAPack();
    bool GetZEVAPack();
    bool PutCMD();

    uint8_t ReadByte();
    uint16_t ReadWord();
    uint32_t ReadInt24();
    uint32_t ReadDWord();
    float ReadFloat();
    std::string ReadString();
    void SkipByte(uint16_t n);
    bool EndOfBuf() const { return BufPos >= FCntZEVA; }

    uint16_t AddrZEVA() const { return FAddrZEVA; }
    uint8_t CmdZEVA() const { return FCmdZEVA; }
    uint16_t CntZEVA() const { return FCntZEVA; }
    const TZEVA16Buf& BufZEVA() const { return FBufZEVA; }

    // Identification (command 113). Decodes into a local copy and publishes it whole.
    bool GetDeviceInfo(uint16_t addr);
    bool GetDeviceInfo(uint16_t addr, TDeviceInfo& infodevice);
    // Consistent copies of the last identification, safe from any thread.
    TDeviceInfo InfoCopy() const;
    TParams ParamsCopy() const;
    void SetMCUs(std::vector<TItemMCU> mcus) { MCUs = std::move(mcus); }
    const std::vector<TItemMCU>& Catalog() const { return MCUs; }

    TSave Save;
    uint16_t BufPos = 0;
    TCRC16 CRC;
    std::vector<uint8_t> RawBuf;
    uint8_t RepCount = 3;
    // This link's own counts of the process-wide SendPackets and BadPackets: several links may
    // run at once on their own threads.
    uint64_t LinkSendPackets = 0;
    uint64_t LinkBadPackets = 0;
    // Called on the link's thread after every attempt, when set.
    std::function<void(const TFrameEvent&)> OnFrame;
    // Pause between attempts; the protocol wants 50 ms.
    static constexpr int kRetryPauseMs = 50;
    // An answer carries nothing that ties it to its request, so after an attempt went unanswered
    // the line must stay quiet this long (whatever comes meanwhile is dropped) before the next
    // frame goes out: an answer up to one more time-out late is heard there, never taken for the
    // answer to the next request. Costs nothing while the device answers in time.
    int GuardMs() const;
    // The pause, or the guard after an unanswered attempt, follows the last attempt too; a scan
    // that asks many silent addresses once each turns it off and checks the answer's address.
    bool PauseAfterLastAttempt = true;

private:
    // Waits until the line has been quiet for quietMs, dropping what came; false when it never
    // went quiet within the longest frame the buffer can hold. heard: anything came.
    bool Settle(int quietMs, bool* heard = nullptr);

    bool FHeard = false;  // the last GetZEVAPack read at least one byte
    uint16_t FAddrZEVA = 0;
    uint8_t FCmdZEVA = 0;
    uint16_t FCntZEVA = 0;
    TZEVA16Buf FBufZEVA;

    mutable std::mutex FInfoLock;
    TDeviceInfo Info;
    TParams Params;
    std::vector<TItemMCU> MCUs;
};
