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
    std::optional<bool> verify;  // --verify / --no-verify; unset: the command's default
    unsigned blockSize = 256;  // external-memory block of commands 17 and 18
    std::string db;            // route commands: the database file
    std::string card;          // route commands: the memory card by name
    unsigned route = 0;        // routes import: the route's position in its card (from 1)
    unsigned sheet = 1;        // routes import: the sheet (from 1)
    std::vector<std::string> positional;
};

// Returns the parsed line, or nothing with a reason in error.
std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& argv, std::string& error);
// "COM5" → 5, a path → its fixed or alias number; 0 when it cannot be mapped.
int ResolvePort(const std::string& port);
