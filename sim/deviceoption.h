#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

class SimBus;

// Configuration of a named device kind: boot50, boot51, boot60 (start in the bootloader of the
// first generation at version 5.0 or 5.1, or of the second generation), app5, app6 (start in the
// application of the first or second generation, with 32 KiB of external memory).
std::optional<FirmwareConfig> kindConfig(std::string_view kind);

// Builds a device from "ADDR:KIND[:key=value,...]". Keys: ext, block, at45, marker, mcu, rom,
// offset, name, bootname, aver, bver, build, bbuild, start (boot|app), blank, temp, voltage.
// Numbers are decimal or 0x-hexadecimal; ext, rom and offset also take a K suffix. Texts are
// UTF-8 and go on the line in CP1251. Null with a reason in `error` when the text is wrong.
std::unique_ptr<FirmwareDevice> makeDevice(std::string_view option, std::string* error = nullptr);

// One device of each kind at addresses 1 … 5 (boot50, boot51, boot60, app5 with an 8192-page
// AT45, app6 with a 4096-page AT45).
void addDefaultDevices(SimBus& bus);

// A number of an option value: decimal or 0x-hexadecimal, at most 2^40.
std::optional<uint64_t> optionNumber(std::string_view text);

// Help text for the --device option.
std::string deviceOptionHelp();

}  // namespace zeva::sim
