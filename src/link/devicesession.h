#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

#include <QString>

#include "link/exchange.h"
#include "link/framemonitor.h"
#include "link/zeva16.h"

class QThread;

// Port configuration kept by the main window for the whole run.
struct PortSettings {
    int Number = -1;  // 1 for COM1; -1 for no port
    int BaudRate = 115200;
    bool RTS = false;
    bool DTR = false;
    uint16_t RepCount = 3;
    uint16_t TimeOut = 120;  // ms per byte
};

// The selected device and the one link to it: ZevaLink, DevAddr, the presence thread and the
// pause/resume bracket every foreground exchange uses. Lives on the main thread; only the
// presence thread body runs elsewhere, and it hands its display step to the main thread.
// As a TTransferLink it is the device-exchange seam: every foreground command goes to DevAddr
// through Exchange, over the real link or over a scripted device a test put in its place.
class DeviceSession : public TTransferLink {
public:
    struct OpenResult {
        bool opened = false;   // port open; start presence afterwards
        QString portError;     // "Порт COM%d недоступен!" when the port could not be opened
        QString catalogError;  // mcu.xml could not be loaded or lists nothing (the link stays, with an empty catalogue)
        // Without a catalogue no device can be placed in memory: presence stays off then.
        bool startPresence() const { return opened && catalogError.isEmpty(); }
    };

    // Pause between presence cycles while the port is gone (hung up or never opened): the
    // exchange then fails at once and would otherwise spin.
    static constexpr int kDeadLinkPauseMs = 200;
    // Cycle pace while no link exists at all.
    static constexpr int kNoLinkPauseMs = 100;
    // Payload buffer of every link.
    static constexpr uint16_t kLinkBufSize = 16384;

    DeviceSession();
    ~DeviceSession() override;  // stops presence, destroys the link
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // The port object itself, for the port dialog and the tests; panels use Send instead.
    TZEVA16* ZevaLink() const { return FLink.get(); }
    uint16_t DevAddr = 0x7FFF;
    // The address whose answer the display step shows: the one asked, which DevAddr no longer is
    // when another device was selected while the question was on the line. Main thread.
    uint16_t ShownAddr() const { return FShownAddr; }

    // A port (or a scripted device) to talk to.
    bool HasLink() const { return FScripted || FLink; }
    // The device's state as the last identification left it (mNone without a link).
    TMode DeviceMode() const;

    // One command to DevAddr; presence must be paused (TPresencePause). Without a link every
    // exchange goes unanswered, as on a port that could not be opened.
    TBlockResult Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer) override;
    TError LinkError() const override;
    // The same as a value: outcome, the answer's payload and the port's error.
    TExchangeResult Send(uint8_t cmd, std::span<const uint8_t> payload = {})
    {
        return ExchangeWith(*this, cmd, payload);
    }
    // Puts a scripted device in place of the port (not owned; nullptr gives the port back).
    void UseScriptedLink(TTransferLink* link) { FScripted = link; }

    // Replaces the link (presence must be paused). Number -1 removes it.
    OpenResult OpenLink(const PortSettings& settings);
    void CloseLink();
    // After a hang-up or a failed open: opens the port again once its device path is back (an
    // adapter plugged in again). True when it did and the catalogue loaded: start presence then.
    // Shows nothing, and does nothing while a TPresencePause is alive.
    bool ReopenIfBack(const PortSettings& settings);

    // Stops the presence thread and waits for it, serving its display requests meanwhile.
    // On return no background exchange is in progress. Does nothing when none runs.
    void PausePresence();
    // Starts a presence thread (lowest priority). Does nothing when one already runs.
    void ResumePresence();
    bool PresenceRunning() const { return FThread != nullptr; }
    // Cycles completed by presence threads since the session was made (for tests and benchmarks).
    uint64_t PresenceCycles() const { return FCycles.load(); }

    // One exchange with DevAddr. Without a link: false, nothing shown. With presencePaused false
    // the session pauses presence (calling onControlsDisabled) and resumes it on every path.
    // A failure shows "Команда не принята!" through the message service unless silent.
    bool SendToDevice(uint8_t cmd, std::span<const uint8_t> data, bool presencePaused, bool silent);

    // Every frame of every link this session opens, for the bus monitor: off until it is enabled.
    TFrameFeed& Frames() { return FFrames; }

    // Depth of the TPresencePause guards alive now.
    int PauseDepth() const { return FPauseDepth; }

    // Display step after each identification; runs on the main thread while the presence
    // thread waits. Gets the finished copies of the identification.
    std::function<void(const TDeviceInfo&, const TParams&)> onDisplay;
    // Called when a foreground exchange starts (EnableDeviceControls with the empty set).
    std::function<void()> onControlsDisabled;
    // Path of the controller catalogue; mcu.xml beside the program by default.
    QString catalogPath;

private:
    friend class TPresencePause;
    void presenceBody();
    // Sleeps up to ms, woken early by PausePresence.
    void idle(int ms);

    // Before FLink: a link's frame observer points here until the link is gone.
    TFrameFeed FFrames;
    std::unique_ptr<TZEVA16> FLink;
    TTransferLink* FScripted = nullptr;
    int FPauseDepth = 0;
    std::unique_ptr<QThread> FThread;
    std::atomic<bool> FRun{false};
    std::atomic<bool> FEnded{false};
    std::atomic<uint64_t> FCycles{0};
    // DevAddr as the presence thread sees it: copied on the main thread at start and at every
    // display step, so the thread never reads DevAddr while the main thread writes it.
    std::atomic<uint16_t> FPolledAddr{0x7FFF};
    uint16_t FShownAddr = 0x7FFF;
    std::mutex FIdleLock;
    std::condition_variable FIdleWake;
};

// The bracket of every foreground exchange: presence paused and the device controls disabled for
// the guard's life, presence running again when the outermost guard ends (the controls come back
// with its next display step). Guards nest, so a routine that pauses may call one that pauses.
class TPresencePause {
public:
    explicit TPresencePause(DeviceSession& session);
    ~TPresencePause();
    TPresencePause(const TPresencePause&) = delete;
    TPresencePause& operator=(const TPresencePause&) = delete;

private:
    DeviceSession& FSession;
};
