#pragma once
#include <optional>
#include <string>
#include <vector>

// Command line of zevanta-cli: options may stand anywhere; everything else is positional.
struct CliArgs {
    std::string port;  // "COM5" or a device path
    unsigned addr = 0x7FFF;
    unsigned baud = 115200;
    unsigned timeoutMs = 120;
    unsigned retries = 3;
    bool verify = false;
    unsigned blockSize = 256;  // external-memory block of commands 17 and 18
    std::vector<std::string> positional;
};

// Returns the parsed line, or nothing with a reason in error.
std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& argv, std::string& error);
// "COM5" → 5, a path → its fixed or alias number; 0 when it cannot be mapped.
int ResolvePort(const std::string& port);
