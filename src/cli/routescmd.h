#pragma once
#include <functional>
#include <memory>

#include <QString>

#include "cli/cliargs.h"
#include "memory/transferrun.h"

class TZEVA16;

// What the route commands take from the rest of the command line program.
struct TCliRouteContext {
    std::function<std::unique_ptr<TZEVA16>()> OpenLink;
    // Identifies the device at --addr and copies its memory layout into the setup.
    std::function<bool(TZEVA16&, TTransferSetup&)> Identify;
    std::function<void(const QString&)> Out;
    std::function<void(const QString&)> Err;
    // Runs one transfer thread to its end (progress bar, Ctrl+C).
    std::function<void(TProgressThread&)> RunProgress;
};

// zevanta-cli routes write|read|import: exit 0 done, 1 the device, the file or the database
// failed, 2 bad arguments.
int CmdRoutes(const CliArgs& a, const TCliRouteContext& ctx);
