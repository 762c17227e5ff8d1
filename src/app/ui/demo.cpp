#include "app/ui/demo.h"

#include <cstdlib>

#include "base/messages.h"
#include "data/database.h"
#include "link/comport.h"
#include "routes/demoroutes.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"

DemoBus::DemoBus() : FBus(std::make_unique<zeva::sim::SimBus>()) {}

DemoBus::~DemoBus()
{
    if (FPort)
        PortMap::SetAlias(FPort, std::string());
    FBus->stop();
}

namespace {

// One simulated device of the demo bus: its simulator option (address first), its name in the
// device list and the tab it suits (screenshots select it before drawing that tab).
struct Kind {
    const char* option;
    const QString* name;
    const char* sheet;
    int addr() const { return std::atoi(option); }
};

const Kind kKinds[] = {
    {"1:boot50", &Msg::DemoDeviceBoot50, nullptr},
    {"2:boot51", &Msg::DemoDeviceBoot51, nullptr},
    {"3:boot60", &Msg::DemoDeviceBoot60, nullptr},
    {"4:app5:at45=8192", &Msg::DemoDeviceApp5, nullptr},
    {"5:app6:at45=4096", &Msg::DemoDeviceApp6, nullptr},
    {"6:travo", &Msg::DemoDeviceTravo, "tsTRAVO"},
    {"7:travo:marker=none", &Msg::DemoDeviceTravoBlank, nullptr},
    {"20:usbrelay5", &Msg::DemoDeviceUsbRelay5, nullptr},
    {"21:usbrelay8:lockhigh=1", &Msg::DemoDeviceUsbRelay8, "tsUSBRelay"},
    {"22:miran", &Msg::DemoDeviceMiran, "tsFentor"},
    {"23:sarvel", &Msg::DemoDeviceSarvel, "tsSARVEL"},
    {"24:kesta:fault=3,fob=1A2B3C,fobkeys=1", &Msg::DemoDeviceKesta, "tsKESTA"},
    {"25:galte", &Msg::DemoDeviceGalte, "tsGALTE"},
    {"30:pleva", &Msg::DemoDevicePLEVA, "tsPLEVA"},
    {"31:vida", &Msg::DemoDeviceVIDA, "tsVIDA"},
    {"32:dorna", &Msg::DemoDeviceDORNA, "tsDORNA"},
    {"33:tarvik", &Msg::DemoDeviceTARVIK, "tsTARVIK"},
    {"34:pelnik", &Msg::DemoDevicePELNIK, "tsPELNIK"},
    {"35:lcd", &Msg::DemoDeviceLCD, "tsImage"},
};

}  // namespace

int DemoBus::DeviceForSheet(const QString& sheet)
{
    for (const Kind& k : kKinds) {
        if (k.sheet && sheet == QLatin1String(k.sheet))
            return k.addr();
    }
    return 0;
}

bool DemoBus::Start(QString* error)
{
    for (const Kind& k : kKinds) {
        std::string why;
        auto dev = zeva::sim::makeDevice(k.option, &why);
        if (!dev) {
            if (error)
                *error = QString::fromStdString(why);
            return false;
        }
        FDevices.push_back({int(dev->address()), *k.name});
        FBus->addDevice(std::move(dev));
    }
    // Paced like a real line, so the demo feels like the hardware.
    FBus->setBaud(115200);
    std::string why;
    if (!FBus->start(&why)) {
        if (error)
            *error = QString::fromStdString(why);
        return false;
    }
    FPort = PortMap::AliasFor(FBus->slavePath());
    if (!FPort) {
        if (error)
            *error = QStringLiteral("no free COM alias for the simulator");
        return false;
    }
    return true;
}

bool DemoBus::FillDeviceList(TDatabase& db, QString* error) const
{
    auto fail = [&] {
        if (error)
            *error = db.LastError();
        db.RollbackTrans();
        return false;
    };
    if (!db.BeginTrans())
        return fail();
    if (!db.Exec(QStringLiteral("delete from Устройство")))
        return fail();
    int num = 1;
    for (const Device& d : FDevices) {
        if (!db.Exec(QStringLiteral("insert into Устройство (Num, Addr, Name) values (?, ?, ?)"),
                     {num++, d.addr, d.name}))
            return fail();
    }
    // The slaves behind the demo GALTE master; address 3 never answers.
    if (!db.Exec(QStringLiteral("delete from Ведомый")))
        return fail();
    for (const auto& [name, addr] : {std::pair{&Msg::DemoSlavePump, 1}, std::pair{&Msg::DemoSlaveFan, 2},
                                     std::pair{&Msg::DemoSlaveSilent, 3}, std::pair{&Msg::DemoSlaveLight, 4}}) {
        if (!db.Exec(QStringLiteral("insert into Ведомый (Name, Addr) values (?, ?)"), {*name, addr}))
            return fail();
    }
    if (!db.CommitTrans())
        return fail();
    return FillDemoRoutes(db, error);
}

bool DemoBus::HasDevice(int addr) const
{
    for (const Device& d : FDevices)
        if (d.addr == addr)
            return true;
    return false;
}
