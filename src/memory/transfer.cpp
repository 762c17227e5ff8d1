#include "memory/transfer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>

#include "base/messages.h"
#include "link/commands.h"

bool IsFlashKind(TTransferKind kind)
{
    return kind == tkReadFLASH || kind == tkWriteFLASH || kind == tkCompareFLASH;
}

QString TransferCaption(TTransferKind kind)
{
    switch (kind) {
    case tkReadFLASH: return Msg::CaptionReadFLASH;
    case tkWriteFLASH: return Msg::CaptionWriteFLASH;
    case tkCompareFLASH: return Msg::CaptionCompareFLASH;
    case tkReadExtMem:
    case tkReadExtMemPart: return Msg::CaptionReadExtMem;
    case tkWriteExtMem:
    case tkWriteExtMemPart: return Msg::CaptionWriteExtMem;
    case tkCompareExtMem:
    case tkCompareExtMemPart: return Msg::CaptionCompareExtMem;
    case tkReadAT45: return Msg::CaptionReadAT45;
    case tkWriteAT45: return Msg::CaptionWriteAT45;
    }
    return {};
}

void TTransferShared::Reset()
{
    State = kRunning;
    Cancelled = false;
    Position = 0;
    FailAddr = -1;
    BarMin = 0;
    BarMax = 0;
    BytesPerStep = 0;
    BytesDone = 0;
}

bool TTransferShared::RequestCancel()
{
    uint8_t running = kRunning;
    if (!State.compare_exchange_strong(running, kCancelRequested))
        return false;
    Cancelled = true;
    return true;
}

namespace {

// Blocks run only for a region the device has reported; a program may start at 0.
bool regionValid(const TTransferJob& job)
{
    return job.RegionStart < job.RegionEnd;
}

}  // namespace

TTransferResult TTransferEngine::Run(const TTransferJob& job)
{
    TTransferResult result;
    try {
        switch (job.Kind) {
        case tkReadFLASH: return ReadFLASH(job);
        case tkWriteFLASH: return WriteFLASH(job);
        case tkCompareFLASH: return CompareFLASH(job);
        case tkReadExtMem: return ReadExtMem(job, 0, job.Ext);
        case tkReadExtMemPart: return ReadExtMem(job, job.PartStart, job.PartCount);
        case tkWriteExtMem: return WriteExtMem(job, 0, job.Ext);
        case tkWriteExtMemPart: return WriteExtMem(job, job.PartStart, job.PartCount);
        case tkCompareExtMem: return CompareExtMem(job);
        case tkCompareExtMemPart: return ExtLoop(job, job.PartStart, job.PartCount, true);
        case tkReadAT45: return ReadAT45(job);
        case tkWriteAT45: return WriteAT45(job);
        }
    } catch (const std::exception& e) {
        result.ErrorText = QString::fromLocal8Bit(e.what());
    } catch (...) {
        result.ErrorText = QStringLiteral("unknown exception");
    }
    // An exception still ends as a failure with an address, so the caller reports it.
    Fail(result, TTransferOutcome::Failed, uint32_t(std::max(FCurrent, 0)), brError);
    return result;
}

TTransferResult TTransferEngine::ReadFLASH(const TTransferJob& job)
{
    return FlashLoop(job);
}
TTransferResult TTransferEngine::WriteFLASH(const TTransferJob& job)
{
    return FlashLoop(job);
}
TTransferResult TTransferEngine::CompareFLASH(const TTransferJob& job)
{
    return FlashLoop(job);
}

TTransferResult TTransferEngine::ReadExtMem(const TTransferJob& job, uint32_t addr, uint32_t num)
{
    if (!regionValid(job))
        return NoRegion(addr);
    return ExtLoop(job, addr, num, false);
}

TTransferResult TTransferEngine::WriteExtMem(const TTransferJob& job, uint32_t addr, uint32_t num)
{
    if (!regionValid(job))
        return NoRegion(addr);
    return ExtLoop(job, addr, num, false);
}

TTransferResult TTransferEngine::CompareExtMem(const TTransferJob& job)
{
    return ExtLoop(job, 0, job.Ext, true);
}

TTransferResult TTransferEngine::ReadAT45(const TTransferJob& job)
{
    return AT45Loop(job);
}
TTransferResult TTransferEngine::WriteAT45(const TTransferJob& job)
{
    return AT45Loop(job);
}

TTransferResult TTransferEngine::NoRegion(uint32_t addr)
{
    // Without an identified device nothing would move: that is a failure, never a "done".
    TTransferResult result;
    Fail(result, TTransferOutcome::Failed, addr, brOutside);
    return result;
}

void TTransferEngine::Bar(int32_t min, int32_t max, uint32_t bytesPerStep)
{
    FShared.BarMin = min;
    FShared.BarMax = max;
    FShared.BytesPerStep = bytesPerStep;
    FShared.Position = min;
}

bool TTransferEngine::Check(TBlockResult r, uint32_t addr, TTransferResult& result)
{
    // A block that arrived just before a cancel is neither stored nor counted.
    if (FShared.State.load() == TTransferShared::kCancelRequested) {
        result.Outcome = TTransferOutcome::Cancelled;
        result.StopAddr = int32_t(addr);
        return false;
    }
    if (r != brOk) {
        Fail(result, TTransferOutcome::Failed, addr, r);
        return false;
    }
    return true;
}

void TTransferEngine::Fail(TTransferResult& result, TTransferOutcome outcome, uint32_t addr, TBlockResult reason)
{
    result.Outcome = outcome;
    result.FailAddr = int32_t(addr);
    result.Reason = reason;
    FShared.FailAddr = int32_t(addr);
}

void TTransferEngine::Stepped(int32_t position, uint32_t bytes)
{
    FShared.Position = position;
    FShared.BytesDone += bytes;
    if (FProgress)
        FProgress(position);
}

bool TTransferEngine::TakeBlock(const uint8_t* blk, uint32_t a, uint32_t lo, uint32_t hi, uint8_t* img, bool compare,
                                TTransferResult& result)
{
    if (!compare) {
        std::memcpy(img, blk + (lo - a), hi - lo);
        return true;
    }
    for (uint32_t i = lo; i < hi; ++i)
        if (blk[i - a] != img[i - lo]) {
            Fail(result, TTransferOutcome::Different, i, brOk);
            return false;
        }
    return true;
}

TTransferResult TTransferEngine::FlashLoop(const TTransferJob& job)
{
    if (!regionValid(job))
        return NoRegion(job.RegionStart);
    TTransferResult result;
    const uint32_t start = job.RegionStart;
    // Block addresses are 16-bit on the line, and the image holds what it holds.
    const uint32_t end = uint32_t(std::min<uint64_t>({job.RegionEnd, 0x10000, uint64_t(start) + job.FlashBuf.size()}));
    if (start >= end) {
        Fail(result, TTransferOutcome::Failed, start, brOutside);
        return result;
    }
    // Whole blocks cover the region; bytes of an edge block outside it are neither stored nor
    // compared, and go as 0xFF (erased) in a write.
    const uint32_t first = start / kFlashBlockSize;
    const uint32_t last = (end - 1) / kFlashBlockSize;
    Bar(int32_t(first), int32_t(last), kFlashBlockSize);
    std::array<uint8_t, kFlashBlockSize> blk;
    for (uint32_t b = first; b <= last; ++b) {
        const uint32_t a = b * kFlashBlockSize;
        const uint32_t lo = std::max(a, start);
        const uint32_t hi = std::min(a + kFlashBlockSize, end);
        uint8_t* img = job.FlashBuf.data() + (lo - start);
        FCurrent = int32_t(a);
        if (job.Kind == tkWriteFLASH) {
            blk.fill(0xFF);
            std::memcpy(blk.data() + (lo - a), img, hi - lo);
            if (!Check(WriteFLASHBlock(FLink, uint16_t(a), blk.data()), a, result))
                return result;
        } else {
            if (!Check(ReadFLASHBlock(FLink, uint16_t(a), blk.data()), a, result))
                return result;
            if (!TakeBlock(blk.data(), a, lo, hi, img, job.Kind != tkReadFLASH, result))
                return result;
        }
        Stepped(int32_t(b), hi - lo);
    }
    // What lies beyond the image or the 16-bit addresses was not moved: say so, at its first address.
    if (end < job.RegionEnd)
        Fail(result, TTransferOutcome::Failed, end, brOutside);
    return result;
}

TTransferResult TTransferEngine::ExtLoop(const TTransferJob& job, uint32_t addr, uint32_t num, bool compare)
{
    TTransferResult result;
    const uint32_t bs = job.ExtBlockSize;
    if (bs == 0 || bs > kMaxExtBlockSize) {
        Fail(result, TTransferOutcome::Failed, addr, brOutside);
        return result;
    }
    // Never past the image, nor past what a 16-bit block number reaches.
    const uint32_t end =
        uint32_t(std::min<uint64_t>({uint64_t(addr) + num, job.ExtMemBuf.size(), uint64_t(bs) * 0x10000}));
    if (num == 0)
        return result;
    if (addr >= end) {
        Fail(result, TTransferOutcome::Failed, addr, brOutside);
        return result;
    }
    // Every byte of the range moves: an edge block that is only partly inside it is read whole
    // and stored in part, or written back around the device's own bytes (read-modify-write).
    const uint32_t first = addr / bs;
    const uint32_t last = (end - 1) / bs;
    Bar(int32_t(first), int32_t(last), bs);
    const bool write = job.Kind == tkWriteExtMem || job.Kind == tkWriteExtMemPart;
    std::array<uint8_t, kMaxExtBlockSize> blk;
    for (uint32_t b = first; b <= last; ++b) {
        const uint32_t a = b * bs;
        const uint32_t lo = std::max(a, addr);
        const uint32_t hi = std::min(a + bs, end);
        uint8_t* img = job.ExtMemBuf.data() + lo;
        FCurrent = int32_t(a);
        if (write) {
            const TBlockResult r = WriteExtMemPart(FLink, uint16_t(b), job.ExtMemBuf.data() + a, uint16_t(lo - a),
                                                   uint16_t(hi - a), uint16_t(bs));
            if (!Check(r, a, result))
                return result;
        } else {
            if (!Check(ReadExtMemBlock(FLink, uint16_t(b), uint16_t(bs), blk.data()), a, result))
                return result;
            if (!TakeBlock(blk.data(), a, lo, hi, img, compare, result))
                return result;
        }
        Stepped(int32_t(b), hi - lo);
    }
    if (end < uint64_t(addr) + num)
        Fail(result, TTransferOutcome::Failed, end, brOutside);
    return result;
}

TTransferResult TTransferEngine::AT45Loop(const TTransferJob& job)
{
    TTransferResult result;
    if (!regionValid(job))
        return NoRegion(0);
    if (job.Pages.empty())
        return result;
    const int32_t count = int32_t(job.Pages.size());
    Bar(0, count - 1, kAT45PageSize);
    for (int32_t k = 0; k < count; ++k) {
        const uint16_t p = job.Pages[size_t(k)];
        // The failure is reported at the page's position in the list, not at its address.
        const uint32_t at = uint32_t(k) * kAT45PageSize;
        const uint64_t off = uint64_t(p) * kAT45PageSize;
        FCurrent = int32_t(at);
        if (off + kAT45PageSize > job.RouteImage.size()) {
            Fail(result, TTransferOutcome::Failed, at, brOutside);
            return result;
        }
        uint8_t* page = job.RouteImage.data() + off;
        const TBlockResult r = job.Kind == tkWriteAT45 ? WriteAT45Page(FLink, p, page) : ReadAT45Page(FLink, p, page);
        if (!Check(r, at, result))
            return result;
        Stepped(k, kAT45PageSize);
    }
    return result;
}

QString TransferFailText(TTransferKind kind, TTransferOutcome outcome, int32_t failAddr)
{
    QString text;
    switch (kind) {
    case tkReadFLASH: text = Msg::ErrReadFLASH; break;
    case tkWriteFLASH: text = Msg::ErrWriteFLASH; break;
    // A compare reads the device: a block it could not read is a failure of the line, not a difference.
    case tkCompareFLASH:
        text = outcome == TTransferOutcome::Different ? Msg::ErrDataMismatch : Msg::ErrReadFLASH;
        break;
    case tkCompareExtMem:
    case tkCompareExtMemPart:
        text = outcome == TTransferOutcome::Different ? Msg::ErrDataMismatch : Msg::ErrReadExtMem;
        break;
    case tkReadExtMem:
    case tkReadExtMemPart: text = Msg::ErrReadExtMem; break;
    case tkWriteExtMem:
    case tkWriteExtMemPart: text = Msg::ErrWriteExtMem; break;
    case tkReadAT45: text = Msg::ErrReadAT45; break;
    case tkWriteAT45: text = Msg::ErrWriteAT45; break;
    }
    const int digits = (kind == tkReadAT45 || kind == tkWriteAT45) ? 6 : 4;
    return text + QStringLiteral("%1").arg(uint32_t(failAddr), digits, 16, QLatin1Char('0')).toUpper();
}

TMode TransferMode(bool autoDetect, bool version51, TMode deviceMode)
{
    if (autoDetect)
        return deviceMode;
    return version51 ? mBootloader51 : mBootloader50;
}

std::optional<TModeCommand> PreWriteCommand(TMode mode)
{
    switch (mode) {
    case mBootloader50: return TModeCommand{zcmd::kEraseFLASH, {}};
    case mBootloader51:
    case mBootloader60: return TModeCommand{zcmd::kEraseFLASH, {0xFF}};
    default: return std::nullopt;
    }
}

std::optional<TModeCommand> PostWriteCommand(TMode mode)
{
    switch (mode) {
    case mBootloader50: return TModeCommand{zcmd::kFinishFLASH, {}};
    case mBootloader51:
    case mBootloader60: return TModeCommand{zcmd::kEraseFLASH, {0x47}};
    default: return std::nullopt;
    }
}

TProgressView MakeProgressView(const TTransferShared& shared, int64_t elapsedMs, uint64_t sendPackets,
                               uint64_t badPackets)
{
    TProgressView v;
    v.Position = shared.Position.load();
    v.Min = shared.BarMin.load();
    v.Max = shared.BarMax.load();
    const int span = v.Max != v.Min ? v.Max - v.Min : 1;
    v.Percent = std::clamp(int((int64_t(v.Position) - v.Min) * 100 / span), 0, 100);
    v.PercentText = QString::asprintf("%d%%", v.Percent);
    // Bytes per millisecond are KB/s with KB = 1000 bytes.
    const double rate = double(shared.BytesDone.load()) / double(std::max<int64_t>(elapsedMs, 1));
    v.RateText = QString::asprintf("%0.2f KB/s", rate);
    v.SendPackets = QString::number(sendPackets);
    v.BadPackets = QString::number(badPackets);
    return v;
}
