#pragma once
// A main window on a simulated device bus for the memory tab tests: the real serial stack on a
// pty, presence running, message boxes recorded and file dialogs answered from the test.
#include <QtTest>

#include <deque>

#include "app/ui/frmmain.h"
#include "link/comport.h"
#include "memory/hexfile.h"
#include "memory/ui/filedialogs.h"
#include "sim/firmwaredevice.h"
#include "sim/simbus.h"
#include "support/shellfixture.h"

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

struct MemSim {
    static constexpr uint16_t kAddr = 0x21;

    zeva::sim::SimBus bus;
    zeva::sim::FirmwareDevice* dev = nullptr;
    int number = 0;
    MessageRecorder boxes;  // before the window: every box of the test is recorded
    ShellFixture shell;
    ScriptedFileDialogs dialogs;

    explicit MemSim(bool application = false, uint32_t extSize = 0x8000)
    {
        zeva::sim::FirmwareConfig cfg;
        cfg.mcu = 3;
        cfg.extSize = extSize;
        cfg.startInApplication = application;
        dev = &bus.emplace<zeva::sim::FirmwareDevice>(kAddr, cfg);
        std::string error;
        if (!bus.start(&error))
            qFatal("simulator: %s", error.c_str());
        number = PortMap::AliasFor(bus.slavePath());
    }
    ~MemSim()
    {
        shell.Close();
        PortMap::SetAlias(number, {});
        bus.stop();
    }
    // The window with the port open, the device selected and presence running.
    TfrmMain& Open()
    {
        TfrmMain& frm = shell.Open();
        shell.session.DevAddr = kAddr;
        frm.Port().Number = number;
        frm.Port().TimeOut = 40;
        frm.FirstActivation();
        return frm;
    }
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
    int RequestsOf(uint8_t cmd) const
    {
        int n = 0;
        for (const auto& r : dev->requestLog())
            n += r.cmd == cmd;
        return n;
    }
};
