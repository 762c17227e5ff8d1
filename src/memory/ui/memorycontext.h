#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include <QSet>

#include "memory/images.h"
#include "memory/transfer.h"
#include "memory/transferrun.h"

class DeviceSession;
class QWidget;
class RegionTracker;
class TDM;

// The options of the options dialog that transfers and the reset button follow.
struct TBootOptions {
    bool AutoDetectBL = true;  // "Auto detect BL"
    bool VersionBL = true;     // "Version BL": true for "5.1 и выше"
    bool ResetSystem = false;  // "ResetSystem"
};

// What the memory tabs share: the images, the region the device reports and the transfer
// options. The window owns everything here; the tabs keep the context by reference for their
// whole life.
struct TMemoryContext {
    DeviceSession* Session = nullptr;
    std::function<TBootOptions()> Options;
    TMemoryImage* FlashBuf = nullptr;
    TMemoryImage* ExtMemBuf = nullptr;
    const RegionTracker* Region = nullptr;  // ProgStart, MemSize, Ext as the presence display keeps them
    std::function<uint16_t()> ExtBlockSize;
    QWidget* Window = nullptr;  // parent of the progress window
    TDM* Dm = nullptr;          // the device list, for "Записать все..."

    // Views of the images; the tabs fill these in when they are built.
    std::function<void(bool)> UpdateFLASHView;
    std::function<void(bool)> UpdateExtMemView;
    // Redraws the LCD picture from ExtMemBuf after a whole read of the external memory.
    std::function<void()> AfterExtMemRead;

    uint32_t ProgStart() const;
    uint32_t MemSize() const;
    uint32_t Ext() const;
    uint16_t BlockSize() const { return ExtBlockSize ? ExtBlockSize() : 256; }
};

// The pieces of the window's StartTransfer, for transfers that fill in more (the route pages):
// the setup from the window's mirrors and options, the hooks (presence bracket, boxes, the
// progress window), and the link to the selected device (one that never answers without a port).
TTransferSetup MakeTransferSetup(const TMemoryContext& ctx);
TTransferHooks MakeTransferHooks(TMemoryContext& ctx);
TTransferLink& TransferLink(const TMemoryContext& ctx);

// The main window's StartTransfer: pauses presence, asks, prepares the bootloader, shows the
// progress window while the transfer thread runs, reports the first failing address. Without a
// link every exchange fails, as on a port that could not be opened.
bool StartTransfer(TMemoryContext& ctx, TTransferKind kind, bool confirm, uint32_t addr, uint32_t count);
