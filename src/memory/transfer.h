#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include <QString>

#include "link/deviceinfo.h"
#include "memory/transferblocks.h"

// The transfers a panel passes to StartTransfer.
enum TTransferKind : uint8_t {
    tkReadFLASH = 1,
    tkWriteFLASH = 2,
    tkCompareFLASH = 3,
    tkReadExtMem = 4,      // whole memory 0 .. Ext-1
    tkReadExtMemPart = 5,  // PartStart, PartCount
    tkWriteExtMem = 6,
    tkWriteExtMemPart = 7,
    tkCompareExtMem = 8,
    tkReadAT45 = 9,  // pages of the page list
    tkWriteAT45 = 10,
    tkCompareExtMemPart = 11,  // PartStart, PartCount: what a file of that length put there
};
bool IsFlashKind(TTransferKind kind);
// Window caption of a kind ("Запись FLASH", …).
QString TransferCaption(TTransferKind kind);

// Everything one run of the block loop needs, copied when the transfer starts.
struct TTransferJob {
    TTransferKind Kind = tkReadFLASH;
    uint32_t RegionStart = 0;  // ProgStart
    uint32_t RegionEnd = 0;    // MemSize (exclusive)
    uint32_t PartStart = 0;
    uint32_t PartCount = 0;
    uint32_t Ext = 0;
    uint16_t ExtBlockSize = 256;
    // The images; FlashBuf[i] holds program address RegionStart + i, ExtMemBuf[i] external address i,
    // RouteImage page p at 528·p. The engine never reaches outside them.
    std::span<uint8_t> FlashBuf;
    std::span<uint8_t> ExtMemBuf;
    std::span<uint8_t> RouteImage;
    std::vector<uint16_t> Pages;
};

// State shared by the transfer thread and the window that shows it. The thread writes the
// progress fields before each progress call and FailAddr before State becomes 1.
struct TTransferShared {
    static constexpr uint8_t kRunning = 0;
    static constexpr uint8_t kFinished = 1;
    static constexpr uint8_t kCancelRequested = 2;

    std::atomic<uint8_t> State{kRunning};
    std::atomic<bool> Cancelled{false};
    std::atomic<int32_t> Position{0};   // index of the block or page last done
    std::atomic<int32_t> FailAddr{-1};  // failing or first differing address; -1 when none
    std::atomic<int32_t> BarMin{0};
    std::atomic<int32_t> BarMax{0};
    std::atomic<uint32_t> BytesPerStep{0};
    std::atomic<uint64_t> BytesDone{0};

    void Reset();
    // Main thread: asks the loop to stop after the current exchange. Ignored once finished.
    bool RequestCancel();
};

enum class TTransferOutcome : uint8_t {
    Done,       // ran to its end (or had nothing to do)
    Failed,     // an exchange failed at FailAddr
    Different,  // compare found a difference at FailAddr
    Cancelled,
};

struct TTransferResult {
    TTransferOutcome Outcome = TTransferOutcome::Done;
    int32_t FailAddr = -1;
    int32_t StopAddr = -1;  // a cancel: the block in hand, neither stored nor counted
    TBlockResult Reason = brOk;
    QString ErrorText;  // what an exception said, when one ended the loop
    bool Ok() const { return Outcome == TTransferOutcome::Done; }
};

// The block loops of every kind. Runs synchronously in the calling thread (the transfer thread,
// or a test); progress goes out through the callback after each block that was stored or sent.
class TTransferEngine {
public:
    using ProgressFn = std::function<void(int32_t position)>;

    TTransferEngine(TTransferLink& link, TTransferShared& shared, ProgressFn onProgress = {})
        : FLink(link), FShared(shared), FProgress(std::move(onProgress))
    {
    }

    // Runs the job's kind. Sets FailAddr in the shared state but not State (the thread does).
    TTransferResult Run(const TTransferJob& job);

private:
    TTransferResult ReadFLASH(const TTransferJob& job);
    TTransferResult WriteFLASH(const TTransferJob& job);
    TTransferResult CompareFLASH(const TTransferJob& job);
    TTransferResult ReadExtMem(const TTransferJob& job, uint32_t addr, uint32_t num);
    TTransferResult WriteExtMem(const TTransferJob& job, uint32_t addr, uint32_t num);
    TTransferResult CompareExtMem(const TTransferJob& job);
    TTransferResult ReadAT45(const TTransferJob& job);
    TTransferResult WriteAT45(const TTransferJob& job);
    TTransferResult FlashLoop(const TTransferJob& job);
    TTransferResult ExtLoop(const TTransferJob& job, uint32_t addr, uint32_t num, bool compare);
    TTransferResult AT45Loop(const TTransferJob& job);

    TTransferResult NoRegion(uint32_t addr);
    void Bar(int32_t min, int32_t max, uint32_t bytesPerStep);
    // After an exchange: stops for a cancel (nothing recorded) or a failure (FailAddr recorded).
    bool Check(TBlockResult r, uint32_t addr, TTransferResult& result);
    void Stepped(int32_t position, uint32_t bytes);
    // Bytes lo..hi of a block read at a: stored into img (which holds lo), or compared with it.
    bool TakeBlock(const uint8_t* blk, uint32_t a, uint32_t lo, uint32_t hi, uint8_t* img, bool compare,
                   TTransferResult& result);
    void Fail(TTransferResult& result, TTransferOutcome outcome, uint32_t addr, TBlockResult reason);

    TTransferLink& FLink;
    TTransferShared& FShared;
    ProgressFn FProgress;
    int32_t FCurrent = 0;  // address of the block in hand, for a failure that is not an exchange's
};

// The engine's message for a result that has a fail address: the kind's text (for a compare, a
// difference or a block that could not be read) and the address in upper-case hexadecimal
// (4 digits for FLASH and external memory, 6 for AT45).
QString TransferFailText(TTransferKind kind, TTransferOutcome outcome, int32_t failAddr);

// Commands the bootloader wants around a FLASH write.
struct TModeCommand {
    uint8_t Cmd = 0;
    std::vector<uint8_t> Payload;
    bool operator==(const TModeCommand&) const = default;
};
// The mode a FLASH transfer talks to: the device's own when auto-detect is on, else the option.
TMode TransferMode(bool autoDetect, bool version51, TMode deviceMode);
std::optional<TModeCommand> PreWriteCommand(TMode mode);
std::optional<TModeCommand> PostWriteCommand(TMode mode);

// What a progress window shows (computed on the main thread from the shared state).
struct TProgressView {
    int Position = 0;
    int Min = 0;
    int Max = 0;
    int Percent = 0;
    QString PercentText;  // "%d%%"
    QString RateText;     // "%0.2f KB/s"
    QString SendPackets;
    QString BadPackets;
};
TProgressView MakeProgressView(const TTransferShared& shared, int64_t elapsedMs, uint64_t sendPackets,
                               uint64_t badPackets);
