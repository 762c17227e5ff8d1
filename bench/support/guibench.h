#pragma once
// What the GUI benches start from: an offscreen application whose questions are all answered Yes,
// one firmware device on the simulated bus with a session to it, and a FLASH image of random bytes
// with the memory context the window's transfer path takes.
#include <cstdio>
#include <random>
#include <string>

#include "base/messageservice.h"
#include "link/comport.h"
#include "link/devicesession.h"
#include "link/regiontracker.h"
#include "memory/images.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"

#ifdef ZEVANTA_BENCH_GUI
#include <QApplication>
#include <QWidget>

#include "memory/ui/memorycontext.h"
#endif

namespace benchsupport {

// A bench built without the GUI library says so and measures nothing.
inline int WithoutGui(const char* bench)
{
    std::printf("%s: built without the GUI library, nothing to measure\n", bench);
    return 0;
}

// Answers every question with Yes and keeps the last message: the bench has no one to ask.
class YesService : public MessageService {
public:
    void show(MsgKind, const QString& text) override { last = text; }
    bool askYesNo(const QString&, AskIcon) override { return true; }
    QString last;
};

// One firmware device on the simulated bus and a session to it; taken down in order at the end.
class TSimFirmware {
public:
    TSimFirmware(uint16_t addr, int mcu)
    {
        zeva::sim::FirmwareConfig cfg;
        cfg.mcu = mcu;
        Dev = &Bus.emplace<zeva::sim::FirmwareDevice>(addr, cfg);
        Session.DevAddr = addr;
        Port.TimeOut = 120;
    }
    ~TSimFirmware() { Stop(); }
    TSimFirmware(const TSimFirmware&) = delete;
    TSimFirmware& operator=(const TSimFirmware&) = delete;

    bool Start()
    {
        std::string why;
        if (!Bus.start(&why)) {
            std::fprintf(stderr, "simulator: %s\n", why.c_str());
            return false;
        }
        Port.Number = PortMap::AliasFor(Bus.slavePath());
        FStarted = true;
        return true;
    }
    // (Re)opens the link at `baud`, the simulator pacing its line to match.
    bool Open(uint32_t baud)
    {
        Port.BaudRate = int(baud);
        if (!Session.OpenLink(Port).opened) {
            std::fprintf(stderr, "cannot open the simulator's port\n");
            return false;
        }
        Bus.setBaud(baud);
        return true;
    }
    void Stop()
    {
        if (!FStarted)
            return;
        FStarted = false;
        Session.PausePresence();
        Session.CloseLink();
        PortMap::SetAlias(Port.Number, {});
        Bus.stop();
    }

    zeva::sim::SimBus Bus;
    zeva::sim::FirmwareDevice* Dev = nullptr;
    DeviceSession Session;
    PortSettings Port;

private:
    bool FStarted = false;
};

#ifdef ZEVANTA_BENCH_GUI
// The application, offscreen unless the caller chose a platform, with the Yes answers installed
// for its life.
class TGuiBench {
public:
    TGuiBench(int& argc, char** argv) : FApp(OffscreenFirst(argc), argv) { MessageService::install(&answers); }
    ~TGuiBench() { MessageService::install(nullptr); }
    TGuiBench(const TGuiBench&) = delete;
    TGuiBench& operator=(const TGuiBench&) = delete;

    YesService answers;

private:
    static int& OffscreenFirst(int& argc)
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return argc;
    }
    QApplication FApp;
};

// `size` random bytes of firmware from `start` and the context that writes them to `session`'s
// device (no presence display has run: the options of "5.1 и выше").
struct TFlashBench {
    TFlashBench(DeviceSession& session, uint32_t start, uint32_t size)
    {
        Region.Update(start + size, start, 0);
        std::mt19937 rng(7);
        for (uint32_t i = 0; i < size; ++i)
            Flash[i] = uint8_t(rng());
        Ctx.Session = &session;
        Ctx.Options = [] { return TBootOptions{false, true, false}; };
        Ctx.FlashBuf = &Flash;
        Ctx.ExtMemBuf = &Ext;
        Ctx.Region = &Region;
        Ctx.Window = &Window;
    }

    RegionTracker Region;
    TMemoryImage Flash, Ext;
    QWidget Window;
    TMemoryContext Ctx;
};
#endif

}  // namespace benchsupport
