#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/simclock.h"
#include "sim/simdevice.h"

namespace zeva::sim {

// Identification answer generation: the first starts with 0x00/0x01 and carries tagged fields,
// the second starts with 0x10/0x11 and carries typed parameter records.
enum class Generation { First, Second };

// Wire type codes of the parameter records of second-generation answers.
enum class ParamType : uint8_t { Str = 1, DateTime = 2, Mode = 3, Int = 4, Long = 5, Hex16 = 6, Hex32 = 7 };

// One parameter record: type, name (ended by 0 on the line), length byte, value.
struct ParamRecord {
    uint8_t type = 0;
    std::string name;  // single-byte (CP1251) text
    std::vector<uint8_t> value;

    static ParamRecord str(std::string name, const std::string& text);  // value: text and its 0
    static ParamRecord dateTime(std::string name, const ClockBytes& clock);
    static ParamRecord mode(std::string name, uint8_t v);
    static ParamRecord int16(std::string name, int16_t v);
    static ParamRecord int32(std::string name, int32_t v);
    static ParamRecord hex16(std::string name, uint16_t v);
    static ParamRecord hex32(std::string name, uint32_t v);
    // Appends type, name, 0, length and value.
    void appendTo(std::vector<uint8_t>& out) const;
};

struct FirmwareConfig {
    static constexpr uint32_t kFromTable = 0xFFFFFFFF;

    Generation bootGeneration = Generation::First;
    uint8_t bootVersion = 0x51;  // first generation: 0x50 and below is the old preparation protocol
    uint16_t bootBuild = 12;
    std::string bootName;  // empty: first generation sends no name, second an empty one
    Generation appGeneration = Generation::First;
    uint8_t appVersion = 0x52;
    uint16_t appBuild = 345;
    std::string appName = "ZEVA unit";
    bool startInApplication = false;
    bool blank = false;  // program memory holds no application (command 1 is refused)

    uint8_t mcu = 3;                  // controller code; memory sizes from mcutable unless given
    uint32_t rom = kFromTable;        // program memory size
    uint32_t appOffset = kFromTable;  // application start; the bootloader below it is write-protected

    uint32_t extSize = 0;                   // external memory in bytes (at most 0xFFFFFF)
    uint16_t extBlock = 256;                // block of commands 17 and 18
    uint32_t at45Pages = 0;                 // 0 (none), 4096 or 8192 pages of 528 bytes
    std::optional<std::string> at45Marker;  // bytes at the start of page 0; default by size, "" unformatted

    int8_t temperature = 23;
    uint16_t voltageDecivolts = 124;
    uint8_t varMode = 1;
};

// A controller with a bootloader and an application: both identification generations, program
// memory, external memory, AT45 DataFlash and a clock. Memory commands follow the mode: FLASH
// blocks and preparation only in the bootloader, external and AT45 memory and the clock only in
// the application, address change only in the bootloader. A device family derives from it and
// overrides extraCommand() (reached in application mode only) and applicationParameters().
class FirmwareDevice : public SimDevice {
public:
    enum class Mode { Bootloader, Application };
    static constexpr uint32_t kFlashBlock = 64;
    static constexpr uint32_t kAt45PageSize = 528;

    FirmwareDevice(uint16_t address, FirmwareConfig config);

    FirmwareConfig config() const;
    Mode mode() const;
    void setMode(Mode mode);
    bool applicationPresent() const;

    uint32_t flashSize() const { return uint32_t(m_flash.size()); }
    uint32_t appOffset() const { return m_appOffset; }
    std::vector<uint8_t> readFlash(uint32_t addr, uint32_t count) const;
    void writeFlash(uint32_t addr, const std::vector<uint8_t>& bytes);

    uint32_t extSize() const { return uint32_t(m_ext.size()); }
    uint16_t extBlock() const;
    void setExtBlock(uint16_t size);
    std::vector<uint8_t> readExt(uint32_t addr, uint32_t count) const;
    void writeExt(uint32_t addr, const std::vector<uint8_t>& bytes);

    uint32_t at45Pages() const { return uint32_t(m_at45.size() / kAt45PageSize); }
    std::vector<uint8_t> at45Page(uint32_t page) const;
    void writeAt45Page(uint32_t page, const std::vector<uint8_t>& bytes);

    ClockBytes clock() const;
    bool setClock(const ClockBytes& bytes);
    void setTemperature(int8_t celsius);
    void setVoltageDecivolts(uint16_t dv);
    void setVarMode(uint8_t mode);

    // How often the bootloader erased the application (command 6 before a write) and how often
    // a write was completed (command 7, or 6 with 'G').
    uint32_t eraseCount() const;
    uint32_t finishCount() const;

protected:
    std::vector<uint8_t> identify() override;
    Reply command(uint8_t cmd, std::span<const uint8_t> payload) override;

    // Records of a second-generation answer; families override these. Called with the lock held.
    virtual std::vector<ParamRecord> applicationParameters();
    virtual std::vector<ParamRecord> bootloaderParameters() { return {}; }
    // Tagged fields of a first-generation application answer, ending with tag 0.
    virtual void appendTags(std::vector<uint8_t>& out);

    // State for subclasses (lock held).
    FirmwareConfig m_config;
    Mode m_mode;
    SimClock m_clock;

private:
    Reply flashCommand(uint8_t cmd, std::span<const uint8_t> payload);
    Reply memoryCommand(uint8_t cmd, std::span<const uint8_t> payload);
    bool appPresentLocked() const;
    uint32_t flashWindow() const;

    uint32_t m_appOffset = 0;
    std::vector<uint8_t> m_flash;
    std::vector<uint8_t> m_ext;
    std::vector<uint8_t> m_at45;
    uint32_t m_erases = 0;
    uint32_t m_finishes = 0;
    std::chrono::steady_clock::time_point m_started;
};

}  // namespace zeva::sim
