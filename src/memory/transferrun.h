#pragma once
#include <functional>

#include <QString>

#include "base/messageservice.h"
#include "memory/transferthread.h"

// What the main window knows when a transfer starts.
struct TTransferSetup {
    uint32_t ProgStart = 0xC00;  // mirrors of the identification, as the window keeps them
    uint32_t MemSize = 0x8000;
    uint32_t Ext = 0x8000;
    TMode DeviceMode = mNone;
    bool AutoDetectBL = true;  // options "Auto detect BL" and "Version BL"
    bool VersionBL51 = true;
    uint16_t ExtBlockSize = 256;
    std::span<uint8_t> FlashBuf;
    std::span<uint8_t> ExtMemBuf;
    std::span<uint8_t> RouteImage;
    std::vector<uint16_t> PageList;
};

// How StartTransfer reaches the rest of the program. Every hook is optional; the engine itself
// shows nothing, so a script or a test can run a transfer without a single box.
struct TTransferHooks {
    // PausePresence plus EnableDeviceControls with the empty set; ResumePresence.
    std::function<void()> PausePresence;
    std::function<void()> ResumePresence;
    // Yes/No question; missing means Yes.
    std::function<bool(const QString&)> Confirm;
    // A message box (AskYesNo/ShowMessage in the program).
    std::function<void(MsgKind, const QString&)> Message;
    // Runs the thread to its end: the window shows itself modally, calls Start() on its first
    // activation, Cancel() from its button and closes once Finished(). It must not return before
    // Finished(): StartTransfer then joins the thread, and a progress call still waiting for the
    // main thread would never be served. Missing: Start and Wait.
    std::function<void(TProgressThread&)> RunProgress;
};

struct TTransferReport {
    bool Ok = false;              // ran to its end without error or difference, not cancelled
    bool Declined = false;        // the user answered No
    bool PrepareRefused = false;  // zcmd::kPrepareFLASH was not accepted; nothing else was sent
    TBlockResult PrepareReason = brOk;
    TTransferResult Transfer;  // of the block loop, when it ran
    QString Message;           // the box shown at the end (or for the refused preparation), if any
    MsgKind MessageKind = MsgKind::Information;
    // The command before a FLASH write (no block is sent then) or after it was refused or not
    // answered: the write has failed, whatever the blocks did.
    bool PreWriteFailed = false;
    bool PostWriteFailed = false;
    TBlockResult ModeReason = brOk;  // why the pre- or post-write command failed
};

// The one entry point of every block transfer. addr and count are for the partial external-memory kinds only; confirm
// is false only when all devices are written in turn. Presence stays paused for the whole call.
TTransferReport StartTransfer(TTransferLink& link, const TTransferSetup& setup, TTransferKind kind, bool confirm,
                              uint32_t addr, uint32_t count, const TTransferHooks& hooks);
// The message for a mode command that failed: refused and unanswered are told apart.
QString ModeCommandFailText(const TModeCommand& c, TBlockResult reason, bool beforeWrite);

// The job StartTransfer runs, for callers that drive the thread themselves.
TTransferJob MakeTransferJob(const TTransferSetup& setup, TTransferKind kind, uint32_t addr, uint32_t count);
