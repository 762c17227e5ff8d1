#pragma once
// The simulated bus on a pty and the main window on it: the real serial stack, presence running,
// message boxes recorded and file dialogs answered from the test.
#include <QtTest>

#include <deque>

#include "app/ui/frmmain.h"
#include "memory/hexfile.h"
#include "memory/ui/filedialogs.h"
#include "sim/firmwaredevice.h"
#include "support/shellfixture.h"
#include "support/simport.h"

// n bytes that differ from their neighbours, so that a shifted or partial copy shows.
inline std::vector<uint8_t> BytePattern(size_t n, uint8_t seed)
{
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = uint8_t(i * 7 + seed + (i >> 8));
    return b;
}

// A HEX file holding `bytes` from `first` on, written by the program's own writer.
inline QString WriteHexFile(const QTemporaryDir& dir, const QString& name, uint32_t first,
                            const std::vector<uint8_t>& bytes)
{
    THEXFile hex(first, first + uint32_t(bytes.size()) - 1);
    std::copy(bytes.begin(), bytes.end(), hex.Buffer.begin());
    const QString path = dir.filePath(name);
    if (!hex.Write(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Answers the open/save dialogs from a script (Cancel once it is used up).
class ScriptedFileDialogs : public FileDialogs {
public:
    struct Answer {
        QString path;
        int filterIndex = 1;
    };
    ScriptedFileDialogs() { FPrevious = FileDialogs::install(this); }
    ~ScriptedFileDialogs() override { FileDialogs::install(FPrevious); }
    void push(const QString& path, int filterIndex = 1) { FAnswers.push_back({path, filterIndex}); }
    bool open(QWidget*, const QString& filter, QString& path, int& filterIndex) override
    {
        return next(filter, path, filterIndex);
    }
    bool save(QWidget*, const QString& filter, QString& path, int& filterIndex) override
    {
        return next(filter, path, filterIndex);
    }
    QStringList filters;  // filter strings the tabs offered, in order

private:
    bool next(const QString& filter, QString& path, int& filterIndex)
    {
        filters << filter;
        if (FAnswers.empty())
            return false;
        path = FAnswers.front().path;
        filterIndex = FAnswers.front().filterIndex;
        FAnswers.pop_front();
        return true;
    }
    FileDialogs* FPrevious = nullptr;
    std::deque<Answer> FAnswers;
};

// The main window on a SimPort: the store, log and database of a ShellFixture, every box of the
// test recorded (the recorder is made before the window).
struct SimWindow : SimPort {
    MessageRecorder boxes;
    ShellFixture shell;
    ScriptedFileDialogs dialogs;

    ~SimWindow() { shell.Close(); }  // before the bus goes
    // The window with the port open, the device at `addr` selected and presence running.
    TfrmMain& Open(uint16_t addr)
    {
        TfrmMain& frm = shell.Open();
        shell.session.DevAddr = addr;
        frm.Port().Number = number;
        frm.Port().TimeOut = 40;
        frm.FirstActivation();
        return frm;
    }
    // Waits (serving the presence display) until a control of the device's groups is usable.
    static bool WaitEnabled(QWidget* button, int ms = 8000)
    {
        return QTest::qWaitFor([&] { return button->isEnabled(); }, ms);
    }
};

// The device is identified and its controls are usable.
inline bool Ready(SimWindow& sim, TfrmMain& frm)
{
    return sim.WaitEnabled(frm.btnReset);
}

// One device of a family on the bus, the window selecting it.
template <class Device>
struct PanelSim : SimWindow {
    static constexpr uint16_t kAddr = 0x2A;
    Device* dev = nullptr;

    template <class... Args>
    explicit PanelSim(Args&&... args)
    {
        dev = &bus.emplace<Device>(kAddr, std::forward<Args>(args)...);
        Start();
    }
    TfrmMain& Open() { return SimWindow::Open(kAddr); }
    std::vector<zeva::sim::LoggedRequest> Requests(uint8_t cmd) const { return SimPort::Requests(kAddr, cmd); }
};

// A controller with a bootloader and an application for the memory tabs.
struct MemSim : PanelSim<zeva::sim::FirmwareDevice> {
    explicit MemSim(bool application = false, uint32_t extSize = 0x8000) : PanelSim(config(application, extSize)) {}
    TMode Mode() const
    {
        const TZEVA16* link = shell.session.ZevaLink();
        return link ? link->InfoCopy().Mode : mNone;
    }
    // Waits (serving the presence display) until the window shows the device in its bootloader
    // (FLASH buttons usable) or its application (the bootloader button usable).
    bool WaitBootloader(TfrmMain& frm, int ms = 8000)
    {
        return QTest::qWaitFor([&] { return isBoot(Mode()) && frm.btnRunProgram->isEnabled(); }, ms);
    }
    bool WaitApplication(TfrmMain& frm, int ms = 8000)
    {
        return QTest::qWaitFor(
            [&] { return (Mode() == mDevice5 || Mode() == mDevice6) && frm.btnRunBootloader->isEnabled(); }, ms);
    }
    static bool isBoot(TMode m) { return m == mBootloader50 || m == mBootloader51 || m == mBootloader60; }
    int RequestsOf(uint8_t cmd) const { return int(Requests(cmd).size()); }

private:
    static zeva::sim::FirmwareConfig config(bool application, uint32_t extSize)
    {
        zeva::sim::FirmwareConfig cfg;
        cfg.mcu = 3;
        cfg.extSize = extSize;
        cfg.startInApplication = application;
        return cfg;
    }
};
