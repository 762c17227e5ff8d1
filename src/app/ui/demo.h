#pragma once
#include <memory>
#include <vector>

#include <QString>

class TDatabase;
namespace zeva::sim {
class SimBus;
}

// Demo mode: a bus of simulated devices on a pseudo-terminal inside this process, reached
// through a COMn alias like any serial adapter, with a device list of one device of each kind.
class DemoBus {
public:
    struct Device {
        int addr;
        QString name;
    };

    DemoBus();
    ~DemoBus();  // stops the bus (the program must have closed its port first)

    // Starts the bus and registers its alias. False with *error when the pty cannot be made.
    bool Start(QString* error);
    int PortNumber() const { return FPort; }
    const std::vector<Device>& Devices() const { return FDevices; }
    // The address the demo selects unless the demo settings chose one of its devices.
    static constexpr int kDefaultAddr = 4;
    // The formatted route-guidance unit of the demo bus.
    static constexpr int kTravoAddr = 6;
    // The demo device that suits a tab, or 0 when none does.
    static int DeviceForSheet(const QString& sheet);

    // Replaces the device list with the demo devices and the slave list with the slaves of the
    // demo GALTE master, in one transaction; gives an empty card table the demo cards, routes and
    // turns.
    bool FillDeviceList(TDatabase& db, QString* error) const;
    // Whether a device of the demo answers at this address.
    bool HasDevice(int addr) const;

private:
    std::unique_ptr<zeva::sim::SimBus> FBus;
    std::vector<Device> FDevices;
    int FPort = 0;
};
