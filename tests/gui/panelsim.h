#pragma once
// A main window on a simulated bus with one device of a family, reached over a pty: the real
// serial stack, presence running, boxes recorded, file dialogs answered from the test.
#include <QtTest>

#include "memsim.h"

template <class Device>
struct PanelSim {
    static constexpr uint16_t kAddr = 0x2A;

    zeva::sim::SimBus bus;
    Device* dev = nullptr;
    int number = 0;
    MessageRecorder boxes;
    ShellFixture shell;
    ScriptedFileDialogs dialogs;

    template <class... Args>
    explicit PanelSim(Args&&... args)
    {
        dev = &bus.emplace<Device>(kAddr, std::forward<Args>(args)...);
        std::string error;
        if (!bus.start(&error))
            qFatal("simulator: %s", error.c_str());
        number = PortMap::AliasFor(bus.slavePath());
    }
    ~PanelSim()
    {
        shell.Close();
        PortMap::SetAlias(number, {});
        bus.stop();
    }
    TfrmMain& Open()
    {
        TfrmMain& frm = shell.Open();
        shell.session.DevAddr = kAddr;
        frm.Port().Number = number;
        frm.Port().TimeOut = 40;
        frm.FirstActivation();
        return frm;
    }
    // Waits until the window shows the device's application with its controls of `button` on.
    bool WaitEnabled(QWidget* button, int ms = 8000)
    {
        return QTest::qWaitFor([&] { return button->isEnabled(); }, ms);
    }
    std::vector<zeva::sim::LoggedRequest> Requests(uint8_t cmd) const
    {
        std::vector<zeva::sim::LoggedRequest> out;
        for (const auto& r : dev->requestLog())
            if (r.cmd == cmd)
                out.push_back(r);
        return out;
    }
};
