#include "sim/deviceoption.h"

#include <charconv>
#include <vector>

#include <QString>

#include "base/cp1251.h"
#include "sim/panelkinds.h"
#include "sim/simbus.h"
#include "sim/travodevice.h"

namespace zeva::sim {

namespace {

std::vector<std::string_view> split(std::string_view s, char sep)
{
    std::vector<std::string_view> out;
    size_t from = 0;
    for (;;) {
        const size_t at = s.find(sep, from);
        out.push_back(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
        if (at == std::string_view::npos)
            return out;
        from = at + 1;
    }
}

std::optional<uint64_t> number(std::string_view s, bool allowK = false)
{
    uint64_t mul = 1;
    if (allowK && !s.empty() && (s.back() == 'K' || s.back() == 'k')) {
        mul = 1024;
        s.remove_suffix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    uint64_t v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || v > (uint64_t(1) << 40))
        return std::nullopt;
    return v * mul;
}

std::string cp1251(std::string_view utf8)
{
    const QByteArray b = Cp1251::fromUnicode(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    return std::string(b.constData(), size_t(b.size()));
}

bool setError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
    return false;
}

bool applyKey(FirmwareConfig& c, std::string_view key, std::string_view value, std::string* error)
{
    const bool isText =
        key == "name" || key == "bootname" || key == "marker" || key == "start" || key == "voltage" || key == "temp";
    const auto n = isText ? std::nullopt : number(value, key == "ext" || key == "rom" || key == "offset");
    auto bad = [&] { return setError(error, "bad value for " + std::string(key) + ": " + std::string(value)); };
    if (!isText && !n)
        return bad();
    const uint64_t v = n.value_or(0);

    if (key == "ext") {
        if (v > 0xFFFFFF)
            return bad();
        c.extSize = uint32_t(v);
    } else if (key == "block") {
        if (v == 0 || v > 0x4000)
            return bad();
        c.extBlock = uint16_t(v);
    } else if (key == "at45") {
        if (v != 0 && v != 4096 && v != 8192)
            return bad();
        c.at45Pages = uint32_t(v);
    } else if (key == "marker") {
        c.at45Marker = value == "none" ? std::string() : std::string(value);
    } else if (key == "mcu") {
        if (v > 255)
            return bad();
        c.mcu = uint8_t(v);
    } else if (key == "rom") {
        if (v < FirmwareDevice::kFlashBlock || v > 0x1000000)
            return bad();
        c.rom = uint32_t(v);
    } else if (key == "offset") {
        if (v > 0x1000000)
            return bad();
        c.appOffset = uint32_t(v);
    } else if (key == "name") {
        c.appName = cp1251(value);
    } else if (key == "bootname") {
        c.bootName = cp1251(value);
    } else if (key == "aver" || key == "bver") {
        if (v > 255)
            return bad();
        (key == "aver" ? c.appVersion : c.bootVersion) = uint8_t(v);
    } else if (key == "build" || key == "bbuild") {
        if (v > 0xFFFF)
            return bad();
        (key == "build" ? c.appBuild : c.bootBuild) = uint16_t(v);
    } else if (key == "start") {
        if (value != "boot" && value != "app")
            return bad();
        c.startInApplication = value == "app";
    } else if (key == "blank") {
        c.blank = v != 0;
    } else if (key == "temp") {
        int t = 0;
        const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), t);
        if (value.empty() || ec != std::errc() || p != value.data() + value.size() || t < -128 || t > 127)
            return bad();
        c.temperature = int8_t(t);
    } else if (key == "voltage") {
        // Volts with one decimal, e.g. 12.4.
        const auto parts = split(value, '.');
        const auto whole = parts.empty() ? std::nullopt : number(parts[0]);
        std::optional<uint64_t> tenth = 0;
        if (parts.size() == 2)
            tenth = parts[1].size() == 1 ? number(parts[1]) : std::nullopt;
        if (!whole || !tenth || parts.size() > 2 || *whole * 10 + *tenth > 0xFFFF)
            return bad();
        c.voltageDecivolts = uint16_t(*whole * 10 + *tenth);
    } else {
        return setError(error, "unknown key: " + std::string(key));
    }
    return true;
}

}  // namespace

std::optional<FirmwareConfig> kindConfig(std::string_view kind)
{
    FirmwareConfig c;
    if (kind == "boot50" || kind == "boot51") {
        c.bootGeneration = c.appGeneration = Generation::First;
        c.bootVersion = kind == "boot50" ? 0x50 : 0x51;
        c.appName = "Unit A5";
    } else if (kind == "boot60") {
        c.bootGeneration = c.appGeneration = Generation::Second;
        c.bootVersion = 0x60;
        c.appVersion = 0x61;
        c.appName = "Unit B6";
    } else if (kind == "app5") {
        c.bootGeneration = c.appGeneration = Generation::First;
        c.startInApplication = true;
        c.extSize = 0x8000;
        c.appName = "Unit A5";
    } else if (kind == "travo") {
        // A route-guidance unit: first-generation application with a formatted 32-Mbit DataFlash.
        // It reports external memory as a real unit does, which is what enables its route buttons.
        c.bootGeneration = c.appGeneration = Generation::First;
        c.startInApplication = true;
        c.extSize = 0x8000;
        c.at45Pages = 8192;
        c.at45Marker = "*FDA*";
        c.appName = "TRAVO";
    } else if (kind == "app6") {
        c.bootGeneration = c.appGeneration = Generation::Second;
        c.bootVersion = 0x60;
        c.appVersion = 0x61;
        c.startInApplication = true;
        c.extSize = 0x8000;
        c.appName = "Unit B6";
    } else {
        return std::nullopt;
    }
    return c;
}

std::unique_ptr<FirmwareDevice> makeDevice(std::string_view option, std::string* error)
{
    const size_t c1 = option.find(':');
    if (c1 == std::string_view::npos) {
        setError(error, "expected ADDR:KIND[:key=value,...]: " + std::string(option));
        return nullptr;
    }
    const auto addr = number(option.substr(0, c1));
    if (!addr || *addr > 0x7FFF) {
        setError(error, "bad address: " + std::string(option.substr(0, c1)));
        return nullptr;
    }
    const std::string_view rest = option.substr(c1 + 1);
    const size_t c2 = rest.find(':');
    const std::string_view kind = rest.substr(0, c2);
    auto config = kindConfig(kind);
    if (!config) {
        OptionKeys keys;
        if (c2 != std::string_view::npos) {
            for (std::string_view kv : split(rest.substr(c2 + 1), ',')) {
                const size_t eq = kv.find('=');
                if (eq == std::string_view::npos) {
                    setError(error, "expected key=value: " + std::string(kv));
                    return nullptr;
                }
                keys.emplace_back(kv.substr(0, eq), kv.substr(eq + 1));
            }
        }
        bool known = false;
        auto dev = makePanelDevice(uint16_t(*addr), kind, keys, &known, error);
        if (!known)
            setError(error, "unknown device kind: " + std::string(kind));
        return dev;
    }
    uint32_t master = TravoDevice::kDefaultMasterPassword;
    if (c2 != std::string_view::npos) {
        for (std::string_view kv : split(rest.substr(c2 + 1), ',')) {
            const size_t eq = kv.find('=');
            if (eq == std::string_view::npos) {
                setError(error, "expected key=value: " + std::string(kv));
                return nullptr;
            }
            if (kind == "travo" && kv.substr(0, eq) == "password") {
                const auto v = number(kv.substr(eq + 1));
                if (!v || *v == 0 || *v > 999999) {
                    setError(error, "bad value for password: " + std::string(kv.substr(eq + 1)));
                    return nullptr;
                }
                master = uint32_t(*v);
                continue;
            }
            if (!applyKey(*config, kv.substr(0, eq), kv.substr(eq + 1), error))
                return nullptr;
        }
    }
    if (kind == "travo")
        return std::make_unique<TravoDevice>(uint16_t(*addr), std::move(*config), master);
    return std::make_unique<FirmwareDevice>(uint16_t(*addr), std::move(*config));
}

void addDefaultDevices(SimBus& bus)
{
    for (const char* option : {"1:boot50", "2:boot51", "3:boot60", "4:app5:at45=8192", "5:app6:at45=4096"})
        bus.addDevice(makeDevice(option));
}

std::optional<uint64_t> optionNumber(std::string_view text)
{
    return number(text);
}

std::string deviceOptionHelp()
{
    return "  --device АДРЕС:ВИД[:ключ=значение,...]   добавить устройство (можно повторять)\n"
           "      ВИД: boot50, boot51 (загрузчик первого поколения, версия 5.0 / 5.1),\n"
           "            boot60 (загрузчик второго поколения),\n"
           "            app5, app6 (рабочая программа первого / второго поколения),\n"
           "            travo (блок маршрутов: DataFlash *FDA* на 8192 страницы, команда 153)\n"
           "      ключи: ext=РАЗМЕР    байт внешней памяти (можно с K; у app: 32K)\n"
           "            block=РАЗМЕР   блок внешней памяти команд 17/18 (256)\n"
           "            at45=СТРАНИЦ   DataFlash AT45, 4096 или 8192 страниц по 528 байт\n"
           "            marker=ТЕКСТ   метка формата на странице 0 (по умолчанию *16M* / *32M*; none)\n"
           "            mcu=КОД        код микроконтроллера (3); rom=РАЗМЕР, offset=АДРЕС заменяют его\n"
           "            name=ТЕКСТ     имя программы; bootname=ТЕКСТ имя загрузчика\n"
           "            aver=V, bver=V версии программы и загрузчика (0x52, 0x51); build=N, bbuild=N\n"
           "            start=boot|app начальный режим; blank=1 программы в FLASH нет\n"
           "            temp=C, voltage=V.V  текущие значения в опознании\n"
           "            password=N     главный пароль блока travo (123456)\n" +
           panelDeviceHelp();
}

}  // namespace zeva::sim
