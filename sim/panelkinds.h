#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/firmwaredevice.h"

namespace zeva::sim {

using OptionKeys = std::vector<std::pair<std::string_view, std::string_view>>;

// Configuration shared by the relay, KESTA and GALTE kinds: a second-generation application
// without external memory, whose parameter list is the device's interface to its tab.
FirmwareConfig familyConfig(std::string appName);

// Builds a device of the kinds usbrelay5, usbrelay8, miran, sarvel, kesta, galte from its
// option keys. `known` tells whether the kind is one of these; null with a reason in `error`
// when it is but a key is wrong.
std::unique_ptr<FirmwareDevice> makePanelDevice(uint16_t address, std::string_view kind, const OptionKeys& keys,
                                                bool* known, std::string* error);

// Help lines for these kinds.
std::string panelDeviceHelp();

}  // namespace zeva::sim
