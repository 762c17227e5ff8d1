#pragma once
#include <atomic>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include <QString>

#include "cli/cliargs.h"
#include "link/zeva16.h"

class TProgressThread;
class TTraceWriter;
struct TTransferSetup;

namespace zcli {

// --- the transfers running now, for Ctrl+C ---

// One slot per bus thread; the handler cancels what runs in them.
constexpr int kMaxBuses = 32;
extern std::atomic<TProgressThread*> g_transfers[kMaxBuses];
extern std::atomic<bool> g_interrupted;

// While it lives, Ctrl+C, SIGTERM and SIGHUP cancel the transfers at their next block instead of
// killing the program: the results, the JSON stream and the trace are ended properly.
class InterruptScope {
public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    void (*FPrevious[3])(int);
};

// Called when a transfer thread has ended: the program need not be cut short any more.
void TransferEnded();

// --- one bus: a port, its link, its frames ---

extern std::vector<TItemMCU> g_catalog;

// The trace of --trace: named before the command runs, opened only when the first port is about
// to be opened, so the command's inputs are read by then. False (said) when it cannot be opened.
void setTracePath(const std::string& path);
bool startTrace();
// Closes the trace, when one was opened; false (said) when its end could not be written.
bool finishTrace();

QString portLabel(int n);
// The device a port name (COMn, a path, a stable link, a serial number) leads to, links followed.
QString resolvedPath(const std::string& port);
// Opens the link on one port; reports why when it cannot.
std::unique_ptr<TZEVA16> openLink(const CliArgs& a, const std::string& port);
std::unique_ptr<TZEVA16> openFirstLink(const CliArgs& a);
// The catalogue of --catalog, or the first found in the usual places; a bad one is reported,
// not fatal (only controller details are missing then).
void loadCatalog(const CliArgs& a);

QString failureText(const TZEVA16& link);
bool isBootloader(TMode m);
bool isApplication(TMode m);
const char* modeName(TMode m);
QString versionText(const TDeviceInfo& i);

bool identifyDevice(TZEVA16& link, unsigned addr);
// Identifies the device and takes its memory layout, as the presence display would.
bool identifyForTransfer(TZEVA16& link, unsigned addr, unsigned blockSize, TTransferSetup& setup);

}  // namespace zcli
