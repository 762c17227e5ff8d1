#include "sim/firmwaredevice.h"

#include <algorithm>

#include "sim/mcutable.h"

namespace zeva::sim {

namespace {

constexpr uint32_t kDefaultRom = 32768;
constexpr uint32_t kDefaultOffset = 0x0800;
constexpr uint32_t kMaxExt = 0xFFFFFF;
constexpr uint32_t kPreloadedProgram = 1024;

// Deterministic filler so that preloaded memories are not uniform and offsets show in tests.
void fillPattern(std::vector<uint8_t>& mem, size_t from, size_t to, uint32_t seed)
{
    uint32_t x = seed;
    for (size_t i = from; i < to && i < mem.size(); ++i) {
        x = x * 1103515245u + 12345u;
        mem[i] = uint8_t(x >> 16);
    }
}

void putWord(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void putDWord(std::vector<uint8_t>& out, uint32_t v)
{
    putWord(out, uint16_t(v >> 16));
    putWord(out, uint16_t(v));
}

uint16_t word(std::span<const uint8_t> p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

}  // namespace

// --- parameter records -------------------------------------------------------------------

ParamRecord ParamRecord::str(std::string name, const std::string& text)
{
    // The length byte must cover the text and its terminator.
    std::vector<uint8_t> v(text.begin(), text.begin() + std::min<size_t>(text.size(), 254));
    v.push_back(0);
    return {uint8_t(ParamType::Str), std::move(name), std::move(v)};
}

ParamRecord ParamRecord::dateTime(std::string name, const ClockBytes& clock)
{
    return {uint8_t(ParamType::DateTime), std::move(name), {clock.begin(), clock.end()}};
}

ParamRecord ParamRecord::mode(std::string name, uint8_t v)
{
    return {uint8_t(ParamType::Mode), std::move(name), {v}};
}

ParamRecord ParamRecord::int16(std::string name, int16_t v)
{
    std::vector<uint8_t> b;
    putWord(b, uint16_t(v));
    return {uint8_t(ParamType::Int), std::move(name), std::move(b)};
}

ParamRecord ParamRecord::int32(std::string name, int32_t v)
{
    std::vector<uint8_t> b;
    putDWord(b, uint32_t(v));
    return {uint8_t(ParamType::Long), std::move(name), std::move(b)};
}

ParamRecord ParamRecord::hex16(std::string name, uint16_t v)
{
    std::vector<uint8_t> b;
    putWord(b, v);
    return {uint8_t(ParamType::Hex16), std::move(name), std::move(b)};
}

ParamRecord ParamRecord::hex32(std::string name, uint32_t v)
{
    std::vector<uint8_t> b;
    putDWord(b, v);
    return {uint8_t(ParamType::Hex32), std::move(name), std::move(b)};
}

void ParamRecord::appendTo(std::vector<uint8_t>& out) const
{
    out.push_back(type);
    out.insert(out.end(), name.begin(), name.end());
    out.push_back(0);
    const size_t n = std::min<size_t>(value.size(), 255);
    out.push_back(uint8_t(n));
    out.insert(out.end(), value.begin(), value.begin() + n);
}

// --- device ------------------------------------------------------------------------------

FirmwareDevice::FirmwareDevice(uint16_t address, FirmwareConfig config)
    : SimDevice(address), m_config(std::move(config)), m_started(std::chrono::steady_clock::now())
{
    const auto mcu = findMcu(m_config.mcu);
    uint32_t rom = m_config.rom != FirmwareConfig::kFromTable ? m_config.rom : mcu ? mcu->rom : kDefaultRom;
    uint32_t offset = m_config.appOffset != FirmwareConfig::kFromTable ? m_config.appOffset
                      : mcu                                            ? mcu->offset
                                                                       : kDefaultOffset;
    rom = std::clamp<uint32_t>(rom, kFlashBlock, 0x1000000);
    m_appOffset = std::min(offset, rom);
    m_flash.assign(rom, 0xFF);
    fillPattern(m_flash, 0, m_appOffset, 0xB007);
    if (!m_config.blank)
        fillPattern(m_flash, m_appOffset, std::min<size_t>(rom, size_t(m_appOffset) + kPreloadedProgram), 0xA11);

    m_config.extSize = std::min(m_config.extSize, kMaxExt);
    m_ext.assign(m_config.extSize, 0xFF);
    fillPattern(m_ext, 0, m_ext.size(), 0xE87);
    if (m_config.extBlock == 0)
        m_config.extBlock = 256;

    if (m_config.at45Pages) {
        m_at45.assign(size_t(m_config.at45Pages) * kAt45PageSize, 0xFF);
        const std::string marker =
            m_config.at45Marker ? *m_config.at45Marker : (m_config.at45Pages >= 8192 ? "*32M*" : "*16M*");
        std::copy_n(marker.begin(), std::min(marker.size(), size_t(kAt45PageSize)), m_at45.begin());
    }
    m_mode = m_config.startInApplication && appPresentLocked() ? Mode::Application : Mode::Bootloader;
}

FirmwareConfig FirmwareDevice::config() const
{
    auto g = lock();
    return m_config;
}

FirmwareDevice::Mode FirmwareDevice::mode() const
{
    auto g = lock();
    return m_mode;
}

void FirmwareDevice::setMode(Mode mode)
{
    auto g = lock();
    m_mode = mode;
}

bool FirmwareDevice::applicationPresent() const
{
    auto g = lock();
    return appPresentLocked();
}

bool FirmwareDevice::appPresentLocked() const
{
    return std::any_of(m_flash.begin() + m_appOffset, m_flash.end(), [](uint8_t b) { return b != 0xFF; });
}

std::vector<uint8_t> FirmwareDevice::readFlash(uint32_t addr, uint32_t count) const
{
    auto g = lock();
    if (addr >= m_flash.size())
        return {};
    count = std::min<uint32_t>(count, uint32_t(m_flash.size()) - addr);
    return {m_flash.begin() + addr, m_flash.begin() + addr + count};
}

void FirmwareDevice::writeFlash(uint32_t addr, const std::vector<uint8_t>& bytes)
{
    auto g = lock();
    for (size_t i = 0; i < bytes.size() && addr + i < m_flash.size(); ++i)
        m_flash[addr + i] = bytes[i];
}

uint16_t FirmwareDevice::extBlock() const
{
    auto g = lock();
    return m_config.extBlock;
}

void FirmwareDevice::setExtBlock(uint16_t size)
{
    auto g = lock();
    m_config.extBlock = size ? size : 256;
}

std::vector<uint8_t> FirmwareDevice::readExt(uint32_t addr, uint32_t count) const
{
    auto g = lock();
    if (addr >= m_ext.size())
        return {};
    count = std::min<uint32_t>(count, uint32_t(m_ext.size()) - addr);
    return {m_ext.begin() + addr, m_ext.begin() + addr + count};
}

void FirmwareDevice::writeExt(uint32_t addr, const std::vector<uint8_t>& bytes)
{
    auto g = lock();
    for (size_t i = 0; i < bytes.size() && addr + i < m_ext.size(); ++i)
        m_ext[addr + i] = bytes[i];
}

std::vector<uint8_t> FirmwareDevice::at45Page(uint32_t page) const
{
    auto g = lock();
    const size_t at = size_t(page) * kAt45PageSize;
    if (at >= m_at45.size())
        return {};
    return {m_at45.begin() + at, m_at45.begin() + at + kAt45PageSize};
}

void FirmwareDevice::writeAt45Page(uint32_t page, const std::vector<uint8_t>& bytes)
{
    auto g = lock();
    const size_t at = size_t(page) * kAt45PageSize;
    if (at >= m_at45.size())
        return;
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), kAt45PageSize), m_at45.begin() + at);
}

ClockBytes FirmwareDevice::clock() const
{
    auto g = lock();
    return m_clock.now();
}

bool FirmwareDevice::setClock(const ClockBytes& bytes)
{
    auto g = lock();
    return m_clock.set(bytes);
}

void FirmwareDevice::setTemperature(int8_t celsius)
{
    auto g = lock();
    m_config.temperature = celsius;
}

void FirmwareDevice::setVoltageDecivolts(uint16_t dv)
{
    auto g = lock();
    m_config.voltageDecivolts = dv;
}

void FirmwareDevice::setVarMode(uint8_t mode)
{
    auto g = lock();
    m_config.varMode = mode;
}

uint32_t FirmwareDevice::eraseCount() const
{
    auto g = lock();
    return m_erases;
}

uint32_t FirmwareDevice::finishCount() const
{
    auto g = lock();
    return m_finishes;
}

// --- identification ----------------------------------------------------------------------

std::vector<ParamRecord> FirmwareDevice::applicationParameters()
{
    const auto uptime =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - m_started).count();
    return {
        ParamRecord::str("Serial", "ZV-" + std::to_string(address())),
        ParamRecord::dateTime("Clock", m_clock.now()),
        ParamRecord::mode("Mode", m_config.varMode),
        ParamRecord::int16("Temperature", m_config.temperature),
        ParamRecord::int32("Uptime", int32_t(uptime)),
        ParamRecord::hex16("Status", 0x00A5),
        ParamRecord::hex32("Chip ID", 0x1E950F00u | m_config.mcu),
    };
}

void FirmwareDevice::appendTags(std::vector<uint8_t>& out)
{
    out.push_back(1);
    out.push_back(uint8_t(m_config.temperature));
    out.push_back(2);
    putWord(out, m_config.voltageDecivolts);
    out.push_back(7);
    out.push_back(m_config.varMode);
    const ClockBytes c = m_clock.now();
    out.insert(out.end(), c.begin(), c.end());
    out.push_back(0);
}

std::vector<uint8_t> FirmwareDevice::identify()
{
    const bool app = m_mode == Mode::Application;
    const Generation gen = app ? m_config.appGeneration : m_config.bootGeneration;
    const uint8_t version = app ? m_config.appVersion : m_config.bootVersion;
    const uint16_t build = app ? m_config.appBuild : m_config.bootBuild;
    const std::string& name = app ? m_config.appName : m_config.bootName;
    const uint32_t ext = uint32_t(m_ext.size());

    std::vector<uint8_t> out;
    if (gen == Generation::First) {
        out.push_back(app ? 0x01 : 0x00);
        out.push_back(version);
        putWord(out, build);
        if (name.empty()) {
            out.push_back(0);
        } else {
            out.push_back(1);
            out.insert(out.end(), name.begin(), name.end());
            out.push_back(0);
        }
        out.push_back(m_config.mcu);
        if (app) {
            out.push_back(uint8_t(ext >> 16));
            putWord(out, uint16_t(ext));
            appendTags(out);
        }
    } else {
        out.push_back(app ? 0x11 : 0x10);
        out.push_back(version);
        putWord(out, build);
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        out.push_back(m_config.mcu);
        out.push_back(uint8_t(ext >> 16));
        putWord(out, uint16_t(ext));
        for (const auto& r : app ? applicationParameters() : bootloaderParameters())
            r.appendTo(out);
    }
    return out;
}

// --- commands ----------------------------------------------------------------------------

Reply FirmwareDevice::command(uint8_t cmd, std::span<const uint8_t> payload)
{
    const bool boot = m_mode == Mode::Bootloader;
    switch (cmd) {
    case 0:  // reset, older reset system
    case 8:  // reset
        // After a reset the bootloader hands over to an application if there is one.
        m_mode = appPresentLocked() ? Mode::Application : Mode::Bootloader;
        return Reply::accept();
    case 1:  // start the application
        if (!boot)
            return Reply::accept();
        if (!appPresentLocked())
            return Reply::refuse();
        m_mode = Mode::Application;
        return Reply::accept();
    case 2:  // start the bootloader
        m_mode = Mode::Bootloader;
        return Reply::accept();
    case 3:
    case 4:
    case 5:
    case 6:
    case 7: return boot ? flashCommand(cmd, payload) : Reply::refuse();
    case 17:
    case 18:
    case 19:
    case 20: return boot ? Reply::refuse() : memoryCommand(cmd, payload);
    case 33:  // set the clock
        if (boot || !m_clock.set(payload))
            return Reply::refuse();
        return Reply::accept();
    case 122: {  // change the bus address
        if (!boot || payload.size() != 2 || word(payload) > 0x7FFF)
            return Reply::refuse();
        setAddress(word(payload));
        return Reply::accept();
    }
    default:
        // Family commands belong to the application; a bootloader knows none of them.
        return boot ? Reply::refuse() : extraCommand(cmd, payload);
    }
}

uint32_t FirmwareDevice::flashWindow() const
{
    // Block addresses are 16-bit on the line.
    return std::min<uint32_t>(uint32_t(m_flash.size()), 0x10000);
}

Reply FirmwareDevice::flashCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    switch (cmd) {
    case 3: {  // read: address, byte count
        if (payload.size() != 3 || payload[2] == 0)
            return Reply::refuse();
        const uint32_t addr = word(payload);
        const uint32_t n = payload[2];
        if (addr + n > flashWindow())
            return Reply::refuse();
        return Reply::accept({m_flash.begin() + addr, m_flash.begin() + addr + n});
    }
    case 4: {  // write: address and 64 bytes, or the address alone for an erased block
        if (payload.size() != 2 && payload.size() != 2 + kFlashBlock)
            return Reply::refuse();
        const uint32_t addr = word(payload);
        if (addr < m_appOffset || addr + kFlashBlock > flashWindow())
            return Reply::refuse();  // the bootloader does not overwrite itself
        if (payload.size() == 2)
            std::fill_n(m_flash.begin() + addr, kFlashBlock, 0xFF);
        else
            std::copy(payload.begin() + 2, payload.end(), m_flash.begin() + addr);
        return Reply::accept();
    }
    case 5:  // prepare for a FLASH transfer
        return payload.empty() ? Reply::accept() : Reply::refuse();
    case 6:
        if (payload.empty() || (payload.size() == 1 && payload[0] == 0xFF)) {
            std::fill(m_flash.begin() + m_appOffset, m_flash.end(), 0xFF);
            ++m_erases;
            return Reply::accept();
        }
        if (payload.size() == 1 && payload[0] == 0x47) {
            ++m_finishes;
            return Reply::accept();
        }
        return Reply::refuse();
    case 7:
        if (!payload.empty())
            return Reply::refuse();
        ++m_finishes;
        return Reply::accept();
    }
    return Reply::refuse();
}

Reply FirmwareDevice::memoryCommand(uint8_t cmd, std::span<const uint8_t> payload)
{
    switch (cmd) {
    case 17:
    case 18: {
        const uint32_t block = m_config.extBlock;
        if (payload.size() != (cmd == 17 ? 2 : 2 + block))
            return Reply::refuse();
        const uint32_t start = uint32_t(word(payload)) * block;
        if (start >= m_ext.size())
            return Reply::refuse();
        const uint32_t inside = std::min<uint32_t>(block, uint32_t(m_ext.size()) - start);
        if (cmd == 17) {
            // The last block may run past the end; the missing bytes read as erased.
            std::vector<uint8_t> out(block, 0xFF);
            std::copy_n(m_ext.begin() + start, inside, out.begin());
            return Reply::accept(std::move(out));
        }
        std::copy_n(payload.begin() + 2, inside, m_ext.begin() + start);
        return Reply::accept();
    }
    case 19:
    case 20: {
        if (payload.size() != (cmd == 19 ? 2 : 2 + kAt45PageSize))
            return Reply::refuse();
        const size_t at = size_t(word(payload)) * kAt45PageSize;
        if (at >= m_at45.size())
            return Reply::refuse();
        if (cmd == 19)
            return Reply::accept({m_at45.begin() + at, m_at45.begin() + at + kAt45PageSize});
        std::copy(payload.begin() + 2, payload.end(), m_at45.begin() + at);
        return Reply::accept();
    }
    }
    return Reply::refuse();
}

}  // namespace zeva::sim
