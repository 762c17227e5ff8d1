#include "memory/transferblocks.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/commands.h"

uint16_t ExtBlockSizeFromIndex(int index)
{
    if (index >= 0 && index <= 7)
        return uint16_t(4u << index);
    if (index == 8)
        return 528;
    if (index == 9)
        return 1056;
    return 256;
}

namespace {

// Request buffer: a 16-bit number and the largest block.
using TRequest = std::array<uint8_t, 2 + kMaxExtBlockSize>;

size_t putWord(TRequest& req, uint16_t w)
{
    req[0] = uint8_t(w >> 8);
    req[1] = uint8_t(w);
    return 2;
}

TBlockResult readBlock(TTransferLink& link, uint8_t cmd, std::span<const uint8_t> request, uint8_t* out, size_t size)
{
    std::span<const uint8_t> answer;
    const TBlockResult r = link.Exchange(cmd, request, answer);
    if (r != brOk)
        return r;
    // An answer of another length is not retried: the device understood us and said something else.
    if (answer.size() != size)
        return brBadLength;
    std::memcpy(out, answer.data(), size);
    return brOk;
}

TBlockResult send(TTransferLink& link, uint8_t cmd, std::span<const uint8_t> request)
{
    std::span<const uint8_t> answer;
    return link.Exchange(cmd, request, answer);
}

}  // namespace

TBlockResult ReadFLASHBlock(TTransferLink& link, uint16_t addr, uint8_t* block)
{
    TRequest req;
    size_t n = putWord(req, addr);
    req[n++] = uint8_t(kFlashBlockSize);
    return readBlock(link, zcmd::kReadFLASH, {req.data(), n}, block, kFlashBlockSize);
}

TBlockResult WriteFLASHBlock(TTransferLink& link, uint16_t addr, const uint8_t* block)
{
    TRequest req;
    size_t n = putWord(req, addr);
    const bool erased = std::all_of(block, block + kFlashBlockSize, [](uint8_t b) { return b == 0xFF; });
    if (!erased) {
        std::memcpy(req.data() + n, block, kFlashBlockSize);
        n += kFlashBlockSize;
    }
    return send(link, zcmd::kWriteFLASH, {req.data(), n});
}

TBlockResult ReadExtMemBlock(TTransferLink& link, uint16_t number, uint16_t blockSize, uint8_t* block)
{
    if (blockSize == 0 || blockSize > kMaxExtBlockSize)
        return brOutside;
    TRequest req;
    const size_t n = putWord(req, number);
    return readBlock(link, zcmd::kReadExtMem, {req.data(), n}, block, blockSize);
}

TBlockResult WriteExtMemPart(TTransferLink& link, uint16_t number, const uint8_t* block, uint16_t from, uint16_t to,
                             uint16_t blockSize)
{
    if (blockSize == 0 || blockSize > kMaxExtBlockSize || from > to || to > blockSize)
        return brOutside;
    TRequest req;
    const size_t n = putWord(req, number);
    uint8_t* data = req.data() + n;
    if (from > 0 || to < blockSize) {
        // Read-modify-write: the bytes we do not own come from the device as it is now.
        const TBlockResult r = ReadExtMemBlock(link, number, blockSize, data);
        if (r != brOk)
            return r;
    }
    std::memcpy(data + from, block + from, size_t(to - from));
    return send(link, zcmd::kWriteExtMem, {req.data(), n + blockSize});
}

TBlockResult WriteExtMemBlock(TTransferLink& link, uint16_t number, const uint8_t* block, uint16_t valid,
                              uint16_t blockSize)
{
    return WriteExtMemPart(link, number, block, 0, std::min(valid, blockSize), blockSize);
}

TBlockResult ReadAT45Page(TTransferLink& link, uint16_t page, uint8_t* data)
{
    TRequest req;
    const size_t n = putWord(req, page);
    return readBlock(link, zcmd::kReadAT45, {req.data(), n}, data, kAT45PageSize);
}

TBlockResult WriteAT45Page(TTransferLink& link, uint16_t page, const uint8_t* data)
{
    TRequest req;
    size_t n = putWord(req, page);
    std::memcpy(req.data() + n, data, kAT45PageSize);
    n += kAT45PageSize;
    return send(link, zcmd::kWriteAT45, {req.data(), n});
}
