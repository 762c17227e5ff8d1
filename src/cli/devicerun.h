#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "cli/cliargs.h"
#include "cli/output.h"
#include "memory/transferrun.h"

class TZEVA16;

namespace zcli {

// What one device's part of a command came to: one result line, one JSON object.
struct DeviceResult {
    QString Port;
    unsigned Addr = 0;
    bool Ok = false;
    QString Outcome = QStringLiteral("failed");  // ok, failed, different, cancelled, no-answer
    QString Detail;                              // "boot6", a reason, …
    uint64_t Bytes = 0;
    double Seconds = 0;
    uint64_t Frames = 0;
    uint64_t BadFrames = 0;
    int32_t FailAddr = -1;

    // The file could not be read, written or taken: says so and keeps the reason.
    void fileFailed(const QString& file, const QString& why, const QString& outcome = QStringLiteral("failed"));
};

// What a device job gets: its bus and its place in the run.
struct DeviceContext {
    TZEVA16& Link;
    QString Port;
    unsigned Addr;
    int Slot;    // the bus's index: its Ctrl+C slot
    bool Alone;  // the only device of the run: the progress bar may show
};
using DeviceJob = std::function<DeviceResult(DeviceContext&)>;

// Runs the job for every address on every port: each port on its own thread, the devices of one
// bus one after another. One result line each (when there are several), then a summary.
int runOnDevices(const CliArgs& a, const std::string& command, const std::vector<unsigned>& addrs,
                 const DeviceJob& job);

// The addresses of --addr, or with --addr all every device of the device list, in list order.
std::optional<std::vector<unsigned>> targetAddresses(const CliArgs& a);

// A text progress bar on a terminal; nothing when stderr goes to a file or a pipe. With --json,
// progress objects on stdout instead, a few a second.
class Progress {
public:
    // `link` (when given) counts the frames; the progress calls run on the thread that uses it.
    Progress(QString caption, QString port, unsigned addr, bool alone, std::string command,
             const TZEVA16* link = nullptr);
    void attach(TProgressThread& t);
    void finish();

private:
    void draw(const TProgressView& v);

    QString FCaption;
    QString FPort;
    unsigned FAddr;
    std::string FCommand;
    bool FBar;
    const TZEVA16* FLink;
    uint64_t FFrames;
    uint64_t FBad;
    Clock::time_point FLast{};
};

// Runs one transfer thread to its end with the progress shown and Ctrl+C wired.
void runProgress(TProgressThread& t, Progress& bar, int slot, uint64_t& bytes, int64_t& ms);

// One transfer as the program runs it, without questions: presence does not run here. Adds its
// bytes and time to the device's result and says what failed.
bool runTransfer(DeviceContext& ctx, const TTransferSetup& setup, TTransferKind kind, const std::string& command,
                 DeviceResult& result, uint32_t addr = 0, uint32_t count = 0);

// A file named on the command line, checked before the port is opened: for reading it must be a
// readable regular file, for writing a place a whole file can be put.
bool checkFile(const QString& file, bool forWriting);

// Sends a mode command (2 bootloader, 1 program, 8 or 0 reset) and waits until the device reports
// the mode asked for: a command the device took is not yet a device in that mode.
bool switchMode(DeviceContext& ctx, uint8_t cmd, DeviceResult& r);

}  // namespace zcli
