#pragma once
#include <optional>
#include <string>
#include <vector>

// Command line of zevanta-cli: options may stand anywhere, as --opt value or --opt=value, with the
// short forms -p, -a, -b, -q, -v; everything else is positional (the command first). An option the
// command does not take is a usage error, like an unknown one.
struct CliArgs {
    std::vector<std::string> ports;  // every --port, lists split at commas
    std::string port;                // the first of them
    std::vector<unsigned> addrs;     // --addr 5, 1-254, 3,5,7-9; {addr} when not given
    unsigned addr = 0x7FFF;          // the first of addrs
    bool addrSet = false;
    bool addrAll = false;  // --addr all: every device of the device list in --db
    unsigned baud = 115200;
    unsigned timeoutMs = 120;
    bool timeoutSet = false;
    unsigned retries = 3;
    bool retriesSet = false;
    std::optional<bool> verify;  // --verify / --no-verify; unset: the command's default
    bool run = false;            // flash write --run
    bool oldReset = false;       // mode reset --old-reset: command 0 instead of 8
    unsigned blockSize = 256;    // external-memory block of commands 17 and 18
    std::string db;              // route commands and --addr all: the database file
    std::string card;            // route commands: the memory card by name
    unsigned route = 0;          // routes import: the route's position in its card (from 1)
    unsigned sheet = 1;          // routes import: the sheet (from 1)
    std::string format;          // routes export: gpx or kml (empty: by the file's suffix)
    bool quiet = false;          // -q: errors only
    bool verbose = false;        // -v: every frame
    bool json = false;           // --json: one JSON object per line on stdout
    std::string trace;           // --trace FILE
    std::string catalog;         // --catalog FILE
    bool help = false;
    bool version = false;
    std::vector<std::string> positional;
};

// Returns the parsed line, or nothing with a reason in error.
std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& argv, std::string& error);
// "5", "1-254", "3,5,7-9" → the addresses in order, each once.
std::optional<std::vector<unsigned>> ParseAddrList(const std::string& text, std::string& error);
// The help of the program (command empty) or of one command; empty for an unknown command.
std::string CliHelp(const std::string& command = {});
