#pragma once
#include <QtTest>

#include "link/comport.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"

// A simulated bus on a pty, reached as a COMn alias. Devices go on the bus before Start().
struct SimPort {
    zeva::sim::SimBus bus;
    int number = 0;

    SimPort() = default;
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;
    ~SimPort()
    {
        if (number)
            PortMap::SetAlias(number, {});
        bus.stop();
    }
    // Devices given as the simulator's command line names them ("7:usbrelay8", "1:boot51").
    void Add(std::initializer_list<const char*> options)
    {
        for (const char* option : options) {
            std::string error;
            auto dev = zeva::sim::makeDevice(option, &error);
            if (!dev)
                qFatal("simulator: %s: %s", option, error.c_str());
            bus.addDevice(std::move(dev));
        }
    }
    void Start()
    {
        std::string error;
        if (!bus.start(&error))
            qFatal("simulator: %s", error.c_str());
        number = PortMap::AliasFor(bus.slavePath());
    }
    QString Name() const { return QStringLiteral("COM%1").arg(number); }
    // Requests of one command that reached the device at `addr`.
    std::vector<zeva::sim::LoggedRequest> Requests(uint16_t addr, uint8_t cmd) const
    {
        std::vector<zeva::sim::LoggedRequest> out;
        for (const auto& r : bus.device(addr)->requestLog())
            if (r.cmd == cmd)
                out.push_back(r);
        return out;
    }
};
