#include "app/ui/demo.h"

#include "app/messages.h"
#include "app/panelmessages.h"
#include "routes/routemessages.h"
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

bool DemoBus::Start(QString* error)
{
    struct Kind {
        const char* option;
        const QString* name;
    };
    const Kind kinds[] = {
        {"1:boot50", &Msg::DemoDeviceBoot50},
        {"2:boot51", &Msg::DemoDeviceBoot51},
        {"3:boot60", &Msg::DemoDeviceBoot60},
        {"4:app5:at45=8192", &Msg::DemoDeviceApp5},
        {"5:app6:at45=4096", &Msg::DemoDeviceApp6},
        {"6:travo", &Msg::DemoDeviceTravo},
        {"7:travo:marker=none", &Msg::DemoDeviceTravoBlank},
        {"20:usbrelay5", &Msg::DemoDeviceUsbRelay5},
        {"21:usbrelay8:lockhigh=1", &Msg::DemoDeviceUsbRelay8},
        {"22:miran", &Msg::DemoDeviceMiran},
        {"23:sarvel", &Msg::DemoDeviceSarvel},
        {"24:kesta:fault=3,fob=1A2B3C,fobkeys=1", &Msg::DemoDeviceKesta},
        {"25:galte", &Msg::DemoDeviceGalte},
        {"30:pleva", &Msg::DemoDevicePLEVA},
        {"31:vida", &Msg::DemoDeviceVIDA},
        {"32:dorna", &Msg::DemoDeviceDORNA},
        {"33:tarvik", &Msg::DemoDeviceTARVIK},
        {"34:pelnik", &Msg::DemoDevicePELNIK},
        {"35:lcd", &Msg::DemoDeviceLCD},
    };
    for (const Kind& k : kinds) {
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
    if (!db.CommitTrans())
        return fail();
    return FillDemoRoutes(db, error);
}
