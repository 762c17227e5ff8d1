#pragma once
#include <cstdint>
#include <span>

#include "link/exchange.h"

// Block sizes on the line. The external-memory block comes from the options; its buffers are
// sized for the largest entry of the list (an AT45 double page).
constexpr uint32_t kFlashBlockSize = 64;
constexpr uint32_t kAT45PageSize = 528;
constexpr uint32_t kMaxExtBlockSize = 1056;

// "BlockSize" option index → ExtBlockSize. Indices 0..7 are 4·2^index; 8 and 9 are the AT45 page
// sizes 528 and 1056, since a device that answers with such blocks uses exactly those. Out-of-range
// indices fall back to the default 256.
uint16_t ExtBlockSizeFromIndex(int index);

// Block operations. Each sends one request (the link retries) and is brOk only when the device
// accepted it and, for a read, answered with exactly one block.
// Command 3: 16-bit byte address and the count 64; `block` gets 64 bytes.
TBlockResult ReadFLASHBlock(TTransferLink& link, uint16_t addr, uint8_t* block);
// Command 4: address and 64 bytes; an erased block (all 0xFF) goes as its address alone.
TBlockResult WriteFLASHBlock(TTransferLink& link, uint16_t addr, const uint8_t* block);
// Command 17: block number; `block` gets blockSize bytes.
TBlockResult ReadExtMemBlock(TTransferLink& link, uint16_t number, uint16_t blockSize, uint8_t* block);
// Command 18 with the first `valid` bytes from `block`. A partial block is read first (command 17)
// and its remaining bytes are taken from the device, so nothing behind `valid` is overwritten.
TBlockResult WriteExtMemBlock(TTransferLink& link, uint16_t number, const uint8_t* block, uint16_t valid,
                              uint16_t blockSize);
// Like WriteExtMemBlock, but the caller's bytes are block[from .. to-1]; the rest comes from the
// device. Covers a range that neither starts nor ends on a block boundary.
TBlockResult WriteExtMemPart(TTransferLink& link, uint16_t number, const uint8_t* block, uint16_t from, uint16_t to,
                             uint16_t blockSize);
// Commands 19 and 20: page number; 528 bytes.
TBlockResult ReadAT45Page(TTransferLink& link, uint16_t page, uint8_t* data);
TBlockResult WriteAT45Page(TTransferLink& link, uint16_t page, const uint8_t* data);
