#include "sim/panelkinds.h"

#include "sim/deviceoption.h"
#include "sim/galtedevice.h"
#include "sim/kestadevice.h"
#include "sim/relaydevices.h"
#include "sim/sensordevices.h"

namespace zeva::sim {

namespace {

// "A/B/C" as numbers (decimal or 0x-hexadecimal, or plain hexadecimal when `hex`), each ≤ max.
std::optional<std::vector<uint64_t>> numberList(std::string_view s, uint64_t max, bool hex = false)
{
    std::vector<uint64_t> out;
    if (s.empty() || s == "none")
        return out;
    size_t from = 0;
    for (;;) {
        const size_t at = s.find('/', from);
        std::string item(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (hex && item.rfind("0x", 0) != 0)
            item = "0x" + item;
        const auto v = optionNumber(item);
        if (!v || *v > max)
            return std::nullopt;
        out.push_back(*v);
        if (at == std::string_view::npos)
            return out;
        from = at + 1;
    }
}

}  // namespace

FirmwareConfig familyConfig(std::string appName)
{
    FirmwareConfig c = *kindConfig("app6");
    c.extSize = 0;
    c.appName = std::move(appName);
    return c;
}

std::unique_ptr<FirmwareDevice> makePanelDevice(uint16_t address, std::string_view kind, const OptionKeys& keys,
                                                bool* known, std::string* error)
{
    if (auto dev = makeSensorDevice(address, kind, keys, known, error); *known)
        return dev;
    const bool relay = kind == "usbrelay5" || kind == "usbrelay8";
    *known = relay || kind == "miran" || kind == "sarvel" || kind == "kesta" || kind == "galte";
    if (!*known)
        return nullptr;

    std::string bad;
    auto num = [&](std::string_view key, std::string_view value, uint64_t min, uint64_t max) -> uint64_t {
        const auto v = optionNumber(value);
        if (!v || *v < min || *v > max) {
            if (bad.empty())
                bad = "bad value for " + std::string(key) + ": " + std::string(value);
            return min;
        }
        return *v;
    };
    auto list = [&](std::string_view key, std::string_view value, uint64_t max, bool hex = false) {
        auto v = numberList(value, max, hex);
        if (!v && bad.empty())
            bad = "bad value for " + std::string(key) + ": " + std::string(value);
        return v.value_or(std::vector<uint64_t>{});
    };
    auto unknownKey = [&](std::string_view key) {
        if (bad.empty())
            bad = "unknown key for " + std::string(kind) + ": " + std::string(key);
    };

    std::unique_ptr<FirmwareDevice> dev;
    if (relay) {
        UsbRelayDevice::Options o;
        o.withReset = kind == "usbrelay8";
        o.relays = o.withReset ? 8 : 4;
        o.inputs = o.withReset ? 4 : 2;
        o.inputBits = 0x05;
        for (const auto& [k, v] : keys) {
            if (k == "relays")
                o.relays = int(num(k, v, 1, 8));
            else if (k == "inputs")
                o.inputs = int(num(k, v, 0, 4));
            else if (k == "in")
                o.inputBits = uint8_t(num(k, v, 0, 15));
            else if (k == "lockhigh" && o.withReset)
                o.lockHigh = num(k, v, 0, 1) != 0;
            else if (k == "locklow" && o.withReset)
                o.lockLow = num(k, v, 0, 1) != 0;
            else
                unknownKey(k);
        }
        dev = std::make_unique<UsbRelayDevice>(address, o);
    } else if (kind == "miran") {
        uint8_t in = 0x05;
        for (const auto& [k, v] : keys) {
            if (k == "in")
                in = uint8_t(num(k, v, 0, 255));
            else
                unknownKey(k);
        }
        dev = std::make_unique<MiranDevice>(address, in);
    } else if (kind == "sarvel") {
        std::vector<uint8_t> units{0x10, 0x12, 0x14, 0x16, 0x18, 0x1A, 0x1C, 0x1E, 0x7A, 0x90};
        uint8_t silent = 0x14;
        for (const auto& [k, v] : keys) {
            if (k == "units") {
                units.clear();
                for (uint64_t u : list(k, v, 255))
                    units.push_back(uint8_t(u));
            } else if (k == "silent") {
                silent = v == "none" ? 0 : uint8_t(num(k, v, 0, 255));
            } else {
                unknownKey(k);
            }
        }
        dev = std::make_unique<SarvelMaster>(address, units, silent);
    } else if (kind == "kesta") {
        KestaDevice::Options o;
        o.fobs = {0x1A2B3C, 0xABCDEF};
        for (const auto& [k, v] : keys) {
            if (k == "fobs") {
                o.fobs.clear();
                for (uint64_t c : list(k, v, 0xFFFFFFFF, true))
                    o.fobs.push_back(uint32_t(c));
                if (o.fobs.size() > KestaDevice::kMaxFobs && bad.empty())
                    bad = "at most 16 key-fob codes";
            } else if (k == "timeout") {
                o.timeout = uint16_t(num(k, v, 0, 0xFFFF));
            } else if (k == "fault") {
                o.faultyColumn = int(num(k, v, 0, 3));
            } else if (k == "fob") {
                const auto c = numberList(v, 0xFFFFFFFF, true);
                if (!c || c->size() != 1) {
                    if (bad.empty())
                        bad = "bad value for fob: " + std::string(v);
                } else {
                    o.heldFob = uint32_t(c->front());
                }
            } else if (k == "fobkeys") {
                o.heldButtons = uint8_t(num(k, v, 0, 255));
            } else if (k == "in") {
                o.extraInputs = uint16_t(num(k, v, 0, 0x1FF));
            } else {
                unknownKey(k);
            }
        }
        dev = std::make_unique<KestaDevice>(address, std::move(o));
    } else {
        std::vector<uint16_t> slaves{1, 2, 3, 4};
        uint16_t silent = 3;
        for (const auto& [k, v] : keys) {
            if (k == "slaves") {
                slaves.clear();
                for (uint64_t s : list(k, v, 0x7FFF))
                    slaves.push_back(uint16_t(s));
            } else if (k == "silent") {
                silent = v == "none" ? 0xFFFF : uint16_t(num(k, v, 0, 0x7FFF));
            } else {
                unknownKey(k);
            }
        }
        dev = std::make_unique<GalteMaster>(address, slaves, silent);
    }
    if (!bad.empty()) {
        if (error)
            *error = bad;
        return nullptr;
    }
    return dev;
}

std::string panelDeviceHelp()
{
    return "      семейства устройств (эти виды берут только свои ключи):\n"
           "            usbrelay5, usbrelay8 (модуль USB-реле, 5 / 8 параметров; ключи relays=N,\n"
           "            inputs=N, in=БИТЫ; у usbrelay8 ещё lockhigh=0|1, locklow=0|1),\n"
           "            miran (8 выходов, 8 входов; in=БИТЫ),\n"
           "            sarvel (ведущий блоков выходов; units=A/B/..., silent=АДРЕС|none, 0x14),\n"
           "            kesta (три привода; fobs=HEX/HEX/..., timeout=С, fault=СТОЛБЕЦ,\n"
           "            fob=HEX брелок нажат с кнопками fobkeys=N, in=БИТЫ входов 7-9),\n"
           "            galte (ведущий релейных ведомых; slaves=A/B/..., silent=АДРЕС|none, 3),\n" +
           sensorDeviceHelp();
}

}  // namespace zeva::sim
