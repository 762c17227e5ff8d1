#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "sim/simdevice.h"

namespace zeva::sim {

struct FaultOption {
    uint16_t address = 0;
    Fault fault;
};

// "ADDR:KIND[:key=value,...]" with KIND silent, refuse, bad-crc, drop or delay and the keys after
// (requests that pass first), count (requests hit; 0 or none: all), cmd (only this command) and
// arg (delay: milliseconds, default 500; drop: bytes, default 1). Nothing, with a reason in
// `error`, when the text is wrong.
std::optional<FaultOption> parseFaultOption(std::string_view text, std::string* error = nullptr);

// Help text for the --fault option.
std::string faultOptionHelp();

}  // namespace zeva::sim
