#pragma once
#include <cstdint>
#include <optional>

namespace zeva::sim {

// Program memory of the controllers the simulator can play. It mirrors resources/mcu.xml so that
// the program sees the same FLASH window it computes from its catalogue.
struct McuMemory {
    uint8_t id;
    uint32_t rom;     // program memory size in bytes
    uint32_t offset;  // where the application starts; the bootloader sits below it
};

std::optional<McuMemory> findMcu(uint8_t id);

}  // namespace zeva::sim
