#include <gtest/gtest.h>

#include "panels/kesta.h"
#include "panels/relaypanels.h"
#include "sim/deviceoption.h"
#include "sim/galtedevice.h"
#include "sim/kestadevice.h"
#include "sim/relaydevices.h"

using namespace zeva::sim;
using Bytes = std::vector<uint8_t>;

namespace {

// The parameter list the program decodes from the device's identification answer.
TParams paramsOf(SimDevice& d)
{
    const Reply r = d.handle(113, {});
    TDeviceInfo info;
    TParams params;
    DecodeDeviceInfo(r.payload.data(), uint16_t(r.payload.size()), {}, info, params);
    EXPECT_EQ(info.Mode, mDevice6);
    return params;
}

Reply send(SimDevice& d, uint8_t cmd, Bytes payload = {})
{
    return d.handle(cmd, payload);
}

template <class T>
std::unique_ptr<T> make(const char* option)
{
    std::string error;
    auto base = makeDevice(option, &error);
    EXPECT_TRUE(base) << option << ": " << error;
    auto* t = dynamic_cast<T*>(base.get());
    EXPECT_TRUE(t) << option;
    base.release();
    return std::unique_ptr<T>(t);
}

}  // namespace

TEST(SimPanelKinds, UsbRelayModules)
{
    auto r5 = make<UsbRelayDevice>("6:usbrelay5:relays=3,inputs=2,in=2");
    EXPECT_EQ(send(*r5, 81, {0xFF}).kind, Reply::Kind::Accept);
    EXPECT_EQ(r5->relayBits(), 0x07);                         // only the three relays there are
    EXPECT_EQ(send(*r5, 83, {1}).kind, Reply::Kind::Refuse);  // no reset relay
    TParams p = paramsOf(*r5);
    ASSERT_EQ(p.Count(), 5);
    panels::UsbRelayView v = panels::UsbRelayViewOf(p);
    EXPECT_EQ(v.relayLit, (std::array<bool, 8>{true, true, true}));
    EXPECT_EQ(v.inputLit, (std::array<bool, 4>{false, true, false, false}));
    EXPECT_FALSE(v.resetVisible);

    auto r8 = make<UsbRelayDevice>("7:usbrelay8:locklow=1");
    EXPECT_EQ(send(*r8, 81, {0xFF}).kind, Reply::Kind::Accept);
    EXPECT_EQ(r8->relayBits(), 0xE0);  // relays 1–5 are locked
    EXPECT_EQ(send(*r8, 83, {1}).kind, Reply::Kind::Accept);
    p = paramsOf(*r8);
    ASSERT_EQ(p.Count(), 8);
    v = panels::UsbRelayViewOf(p);
    EXPECT_TRUE(v.resetVisible && v.resetLit);
    EXPECT_EQ(v.relayEnabled, (std::array<bool, 8>{false, false, false, false, false, true, true, true}));
    EXPECT_EQ(v.relayLit, (std::array<bool, 8>{false, false, false, false, false, true, true, true}));

    EXPECT_EQ(send(*r8, 81, {}).kind, Reply::Kind::Refuse);
    EXPECT_EQ(send(*r8, 0x55, {1}).kind, Reply::Kind::Refuse);
}

TEST(SimPanelKinds, Miran)
{
    auto m = make<MiranDevice>("8:miran:in=0x81");
    EXPECT_EQ(send(*m, 81, {0x42}).kind, Reply::Kind::Accept);
    const panels::MiranView v = panels::MiranViewOf(paramsOf(*m));
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.outputLit, (std::array<bool, 8>{false, true, false, false, false, false, true, false}));
    EXPECT_EQ(v.inputLit, (std::array<bool, 8>{true, false, false, false, false, false, false, true}));
}

TEST(SimPanelKinds, SarvelUnits)
{
    auto s = make<SarvelMaster>("9:sarvel:units=0x10/0x12/0x7A,silent=0x12");
    EXPECT_EQ(send(*s, 106, {0x7A, 0x80, 0, 0, 1}).kind, Reply::Kind::Accept);
    const Reply r = send(*s, 107, {0x7A});
    EXPECT_EQ(r.kind, Reply::Kind::Accept);
    EXPECT_EQ(r.payload, (Bytes{SarvelMaster::kUnitVersion, 0x80, 0, 0, 1}));
    // The silent unit, a missing one and 0x78 never answer.
    for (uint8_t unit : {0x12, 0x14, 0x78})
        EXPECT_EQ(send(*s, 107, {unit}).kind, Reply::Kind::None) << int(unit);
    EXPECT_EQ(send(*s, 107, {0x10, 0}).kind, Reply::Kind::Refuse);
}

TEST(SimPanelKinds, KestaDrivesStopAtTheirLimits)
{
    KestaDevice::Options o;
    o.faultyColumn = 3;
    KestaDevice k(10, o);
    auto t = KestaDevice::Clock::now();
    k.setTimeSource([&t] { return t; });

    panels::KestaView v = panels::KestaViewOf(paramsOf(k));
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.drive, (std::array<unsigned, 3>{0, 0, 3}));
    EXPECT_EQ(v.lowerLimit, (std::array<bool, 3>{true, true, true}));

    EXPECT_EQ(send(k, 99, {0}).kind, Reply::Kind::Accept);
    t += std::chrono::seconds(2);
    v = panels::KestaViewOf(paramsOf(k));
    EXPECT_EQ(v.drive, (std::array<unsigned, 3>{1, 1, 3}));  // raising; the faulty drive does not move
    EXPECT_EQ(v.upperLimit, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(v.lowerLimit, (std::array<bool, 3>{false, false, true}));

    t += std::chrono::seconds(10);
    v = panels::KestaViewOf(paramsOf(k));
    EXPECT_EQ(v.drive, (std::array<unsigned, 3>{4, 4, 3}));
    EXPECT_EQ(v.upperLimit, (std::array<bool, 3>{true, true, false}));

    EXPECT_EQ(send(k, 100, {0}).kind, Reply::Kind::Accept);
    t += std::chrono::seconds(1);
    EXPECT_EQ(send(k, 101, {0}).kind, Reply::Kind::Accept);
    t += std::chrono::seconds(10);
    v = panels::KestaViewOf(paramsOf(k));
    EXPECT_EQ(v.drive, (std::array<unsigned, 3>{0, 0, 3}));  // stopped halfway: no limit lit
    EXPECT_EQ(v.upperLimit, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(v.lowerLimit, (std::array<bool, 3>{false, false, true}));
}

TEST(SimPanelKinds, KestaKeyFobListTimeoutAndOutputs)
{
    auto k = make<KestaDevice>("10:kesta:fobs=1A2B3C,timeout=20");
    Reply r = send(*k, 106);
    EXPECT_EQ(r.payload, (Bytes{1, 0x00, 0x1A, 0x2B, 0x3C}));
    EXPECT_EQ(send(*k, 107, {2, 0, 0, 0, 1, 0x00, 0xAB, 0xCD, 0xEF}).kind, Reply::Kind::Accept);
    EXPECT_EQ(k->fobs(), (std::vector<uint32_t>{1, 0xABCDEF}));
    EXPECT_EQ(send(*k, 107, {2, 0, 0, 0, 1}).kind, Reply::Kind::Refuse);  // count and codes disagree
    EXPECT_EQ(k->fobs().size(), 2u);

    EXPECT_EQ(send(*k, 108).payload, (Bytes{0, 20}));
    EXPECT_EQ(send(*k, 109, {0x01, 0x2C}).kind, Reply::Kind::Accept);
    EXPECT_EQ(k->timeout(), 300);
    EXPECT_EQ(send(*k, 109, {3}).kind, Reply::Kind::Refuse);

    EXPECT_EQ(send(*k, 97, {0xFF}).kind, Reply::Kind::Accept);
    EXPECT_EQ(k->outputs(), 0x7F);

    k->pressFob(0xABCDEF, 2);
    panels::KestaView v = panels::KestaViewOf(paramsOf(*k));
    EXPECT_EQ(v.codeText, QStringLiteral("0ABCDEF"));
    EXPECT_TRUE(v.fobOpen && v.fobLamp && !v.fobClose);
    EXPECT_EQ(v.outputLit, (std::array<bool, 7>{true, true, true, true, true, true, true}));
    k->releaseFob();
    v = panels::KestaViewOf(paramsOf(*k));
    EXPECT_FALSE(v.fobLamp);
    EXPECT_EQ(v.codeText, QStringLiteral("0ABCDEF"));  // the last code heard stays
}

TEST(SimPanelKinds, GalteSlaves)
{
    auto g = make<GalteMaster>("11:galte:slaves=1/2/3,silent=3");
    EXPECT_EQ(send(*g, 161, {0, 1, 'S'}).payload, (Bytes{'S', '0'}));
    EXPECT_EQ(send(*g, 161, {0, 1, '1'}).kind, Reply::Kind::Accept);
    EXPECT_TRUE(g->slaveRelay(1));
    EXPECT_EQ(send(*g, 161, {0, 1, 'S'}).payload, (Bytes{'S', '1'}));
    EXPECT_EQ(send(*g, 161, {0, 1, 'R'}).kind, Reply::Kind::Accept);
    EXPECT_FALSE(g->slaveRelay(1));
    EXPECT_EQ(g->resets(1), 1u);

    EXPECT_EQ(send(*g, 161, {0, 2, 'A', 0x01, 0x00}).payload, (Bytes{'A', 0x01, 0x00}));
    EXPECT_EQ(g->slaves(), (std::vector<uint16_t>{1, 3, 0x100}));
    EXPECT_EQ(send(*g, 161, {0, 1, 'A', 0x01, 0x00}).kind, Reply::Kind::Refuse);  // taken

    EXPECT_EQ(send(*g, 161, {0, 3, 'S'}).kind, Reply::Kind::None);  // the silent slave
    EXPECT_EQ(send(*g, 161, {0, 2, 'S'}).kind, Reply::Kind::None);  // moved away
    EXPECT_EQ(send(*g, 161, {0, 1, 'x'}).kind, Reply::Kind::Refuse);
    EXPECT_EQ(send(*g, 160, {0, 1, 'S'}).kind, Reply::Kind::Refuse);
}

TEST(SimPanelKinds, RejectsBadOptions)
{
    for (const char* option :
         {"1:usbrelay5:lockhigh=1", "1:usbrelay8:relays=9", "1:miran:in=256", "1:sarvel:units=0x10/x",
          "1:kesta:fault=4", "1:kesta:fob=G", "1:kesta:colour=red", "1:galte:slaves=1/40000", "1:galte:silent"}) {
        std::string error;
        EXPECT_FALSE(makeDevice(option, &error)) << option;
        EXPECT_FALSE(error.empty()) << option;
    }
}
