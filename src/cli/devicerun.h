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

// The file of a command as the result names it: the name given and the SHA-256 of its bytes.
struct FileStamp {
    QString Name;
    QString Sha256;          // hexadecimal; empty when there is no file (yet)
    uint64_t DataBytes = 0;  // the data the file holds: what a write puts, what a compare checks
};
FileStamp stampFile(const QString& file, uint64_t dataBytes);

// What one device's part of a command came to: one result line, one JSON object.
struct DeviceResult {
    QString Port;  // as the user gave it
    QString Path;  // the device it leads to
    unsigned Addr = 0;
    int Code = kExitFailed;  // the exit class (kExitOk …)
    QString Reason;          // a finer word for scripts: no-answer, refused, wrong-mode, bad-file, …
    QString Detail;          // "boot6", a reason in words, …
    // The device as it identified itself.
    bool Identified = false;
    QString Name, Version, Part;
    int Build = 0;
    FileStamp File;
    uint64_t Bytes = 0;  // the file's data bytes written, compared or read
    double Seconds = 0;
    uint64_t LineBytes = 0;  // what crossed the line for it: the speed
    uint64_t VerifyBytes = 0;
    double VerifySeconds = 0;
    bool Verified = false;
    uint64_t Frames = 0;
    uint64_t BadFrames = 0;
    int32_t FailAddr = -1;
    int64_t RoundTripMs = -1;  // a network port's, measured when it opened

    bool ok() const { return Code == kExitOk; }
    void done() { Code = kExitOk; }
    void fail(int code, const QString& reason, const QString& detail = {})
    {
        Code = code;
        Reason = reason;
        if (!detail.isEmpty())
            Detail = detail;
    }
    // The file could not be read, written or taken: says so and keeps the reason.
    void fileFailed(const QString& file, const QString& why, const QString& reason);
    // Takes the identification the link holds for the device just asked.
    void identity(const TZEVA16& link);
};

// What a device job gets: its bus and its place in the run.
struct DeviceContext {
    TZEVA16& Link;
    QString Port;  // as given
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
// time to the device's result (to the verify's figures for a compare after a write) and says
// what failed.
bool runTransfer(DeviceContext& ctx, const TTransferSetup& setup, TTransferKind kind, const std::string& command,
                 DeviceResult& result, uint32_t addr = 0, uint32_t count = 0, bool verifyStep = false);

// A file named on the command line, checked before the port is opened: for reading it must be a
// readable regular file, for writing a place a whole file can be put.
bool checkFile(const QString& file, bool forWriting);

// Says which address a command that reads or writes a device uses when --addr was not given.
void noteDefaultAddress(const CliArgs& a);

// Sends a mode command (2 bootloader, 1 program, 8 or 0 reset) and waits until the device reports
// the mode asked for: a command the device took is not yet a device in that mode.
bool switchMode(DeviceContext& ctx, uint8_t cmd, DeviceResult& r);

}  // namespace zcli
