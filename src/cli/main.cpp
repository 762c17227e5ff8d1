// zevanta-cli: command-line access to the link layer of Zevanta.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QStringList>

#include "cli/cliargs.h"
#include "cli/routescmd.h"
#include "link/comport.h"
#include "link/fileio.h"
#include "link/zeva16.h"
#include "memory/console.h"
#include "memory/images.h"
#include "memory/transferrun.h"
#include "versiondefs.h"

#ifdef _WIN32
#include <io.h>
#define ZV_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define ZV_ISATTY(f) isatty(fileno(f))
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char* kUsage =
    "usage: zevanta-cli COMMAND [ARGS] [--port COMn|PATH] [--addr N] [--baud N] [--timeout MS] [--retries N]\n"
    "commands:\n"
    "  ports                 list the serial ports (COMn and the device behind each)\n"
    "  identify              identify the device at --addr (command 113)\n"
    "  send CMD [BYTE...]    send one command with a payload, all in hexadecimal\n"
    "  flash write FILE.hex [--no-verify]  write the program memory (bootloader), then compare\n"
    "  flash read FILE.hex               read the program memory into a HEX file\n"
    "  flash verify FILE.hex             compare the program memory with a HEX file\n"
    "  extmem read FILE                  read the external memory (FILE.hex: Intel HEX, else binary)\n"
    "  extmem write FILE [--verify]      write FILE's bytes into the external memory (from 0)\n"
    "  routes write --db FILE --card NAME   pack the card and write it into the route-guidance unit\n"
    "  routes read --db FILE --card NAME    read the unit's routes and save them as that card\n"
    "  routes import FILE --db FILE --card NAME --route N [--sheet N]\n"
    "                                    append a spreadsheet's turns (.xls, .xlsx, .ods, .csv) to route N\n"
    "defaults: --addr 32767 --baud 115200 --timeout 120 (ms per byte) --retries 3 --block-size 256\n"
    "a failed transfer exits with 1 and names the failing address; Ctrl+C cancels it\n"
    "a file with data outside the device's memory, or none, is refused before anything is written\n";

void out(const QString& s)
{
    std::fputs(s.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void err(const QString& s)
{
    std::fputs(("zevanta-cli: " + s).toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
}

int usage(const std::string& why)
{
    if (!why.empty())
        err(QString::fromStdString(why));
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Opens the link named on the command line; reports why when it cannot.
std::unique_ptr<TZEVA16> openLink(const CliArgs& a)
{
    if (a.port.empty()) {
        usage("--port is required for this command");
        return nullptr;
    }
    const int n = ResolvePort(a.port);
    auto link = std::make_unique<TZEVA16>(uint8_t(n), a.baud, uint16_t(a.timeoutMs), 16384);
    if (link->Error() == errNotOpenPort) {
        err(PortOpenFailureText(uint8_t(n), PortMap::PathFor(n), link->OpenFailure(), link->OpenErrno()));
        return nullptr;
    }
    link->RepCount = uint8_t(a.retries);
    return link;
}

QString failureText(const TZEVA16& link)
{
    if (link.Error() == errAnswerError)
        return QStringLiteral("the device refused the command (0x22)");
    if (link.HungUp())
        return QStringLiteral("the port was closed by the other side (device gone)");
    return QStringLiteral("no valid answer after %1 attempt(s)").arg(link.RepCount);
}

int cmdPorts(const CliArgs&)
{
    QStringList ports;
    TCOMPort::COMPortsList(ports);
    if (ports.isEmpty()) {
        out(QStringLiteral("no serial ports found"));
        return kExitOk;
    }
    for (const QString& name : ports) {
        const int n = name.mid(3).toInt();
        out(QStringLiteral("%1\t%2").arg(name, QString::fromStdString(PortMap::PathFor(n))));
    }
    return kExitOk;
}

const char* modeName(TMode m)
{
    switch (m) {
    case mBootloader50: return "bootloader (first generation, v5.0 or lower)";
    case mBootloader51: return "bootloader (first generation, above v5.0)";
    case mBootloader60: return "bootloader (second generation)";
    case mDevice5: return "application (first generation)";
    case mDevice6: return "application (second generation)";
    case mNone: break;
    }
    return "unknown";
}

const char* typeName(TDeviceParamTyp t)
{
    switch (t) {
    case pkgStr: return "text";
    case pkgDateTime: return "clock";
    case pkgMode: return "mode";
    case pkgInt: return "int16";
    case pkgLong: return "int32";
    case pkgHex16: return "hex16";
    case PkgHex32: return "hex32";
    case pkgNone: break;
    }
    return "?";
}

QString clockText(const TDeviceInfo& i)
{
    const QString date = i.DateRTC != 0 ? RtcDateToQDate(i.DateRTC).toString(QStringLiteral("dd.MM.yyyy"))
                                        : QStringLiteral("- - -");
    return date + QLatin1Char(' ') + RtcTimeToQTime(i.TimeRTC).toString(QStringLiteral("HH:mm:ss"));
}

// Loads the catalogue (a bad one is reported, not fatal) and identifies the device at --addr.
bool identifyDevice(TZEVA16& link, const CliArgs& a)
{
    try {
        link.SetMCUs(LoadMCUCatalog(DefaultMCUCatalogPath()));
    } catch (const McuCatalogError& e) {
        err(QString::fromStdString(e.what()) + QStringLiteral(" (controller details will be missing)"));
    }
    if (!link.GetDeviceInfo(uint16_t(a.addr))) {
        err(QStringLiteral("device %1: %2").arg(a.addr).arg(failureText(link)));
        return false;
    }
    return true;
}

int cmdIdentify(const CliArgs& a)
{
    auto link = openLink(a);
    if (!link || !identifyDevice(*link, a))
        return kExitFailed;
    const TDeviceInfo i = link->InfoCopy();
    const TParams p = link->ParamsCopy();
    out(QStringLiteral("Name:       %1").arg(i.Name.trimmed()));
    out(QStringLiteral("Mode:       %1").arg(QString::fromLatin1(modeName(i.Mode))));
    out(QStringLiteral("Controller: %1").arg(QString(i.MCU).replace(QStringLiteral("\r\n"), QStringLiteral("\n            "))));
    out(QStringLiteral("FLASH:      %1 .. %2").arg(i.ProgStart, 4, 16, QLatin1Char('0')).arg(i.MemSize, 4, 16, QLatin1Char('0')).toUpper());
    out(QStringLiteral("Ext Mem:    %1 bytes").arg(i.Ext));
    if (i.Mode == mDevice5) {
        out(QStringLiteral("Temp:       %1 °C").arg(i.Temp));
        out(QStringLiteral("Voltage:    %1 V").arg(double(i.Voltage), 0, 'f', 1));
        out(QStringLiteral("Mode byte:  %1").arg(i.VarMode));
        out(QStringLiteral("Clock:      %1").arg(clockText(i)));
    }
    for (const auto& item : p.Items)
        out(QStringLiteral("  %1 [%2] = %3").arg(item.Name, QString::fromLatin1(typeName(item.typ)), item.Value));
    return kExitOk;
}

int cmdSend(const CliArgs& a)
{
    if (a.positional.size() < 2)
        return usage("send needs a command code");
    // Every token is one byte in hexadecimal; anything else would send a different command.
    std::vector<uint8_t> bytes;
    for (size_t k = 1; k < a.positional.size(); ++k) {
        const auto b = console::ParseByte(QString::fromStdString(a.positional[k]));
        if (!b)
            return usage("\"" + a.positional[k] + "\" is not a byte in hexadecimal (1 or 2 digits, 00..FF)");
        bytes.push_back(*b);
    }
    const uint8_t cmd = bytes.front();
    const std::vector<uint8_t> payload(bytes.begin() + 1, bytes.end());
    auto link = openLink(a);
    if (!link)
        return kExitFailed;
    out(console::RequestLine(cmd, payload));
    link->StartZEVA(uint16_t(a.addr), cmd);
    for (uint8_t b : payload)
        link->AddByte(b);
    const bool ok = link->PutCMD();
    out(console::AnswerLine(ok, link->BufZEVA().data(), ok ? link->CntZEVA() : 0));
    if (!ok) {
        err(QStringLiteral("device %1: %2").arg(a.addr).arg(failureText(*link)));
        return kExitFailed;
    }
    return kExitOk;
}

// The transfer running now, for Ctrl+C; RequestCancel is a lock-free atomic exchange.
std::atomic<TProgressThread*> g_transfer{nullptr};

#ifndef _WIN32
extern "C" void onCancelTimeout(int)
{
    static const char kText[] = "zevanta-cli: cancelled\n";
    (void)!::write(STDERR_FILENO, kText, sizeof kText - 1);
    ::_exit(130);
}
#endif

extern "C" void onInterrupt(int)
{
    if (TProgressThread* t = g_transfer.load())
        t->Cancel();
#ifndef _WIN32
    // The cancel takes effect after the exchange in hand, which with long time-outs and many
    // retries can take a while: Ctrl+C still ends the program within a second.
    std::signal(SIGALRM, onCancelTimeout);
    ::alarm(1);
#endif
}

QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

// A text progress bar on a terminal; nothing when stderr goes to a file or a pipe.
class ProgressBar {
public:
    explicit ProgressBar(QString caption) : FCaption(std::move(caption)), FTty(ZV_ISATTY(stderr)) {}

    void attach(TProgressThread& t)
    {
        if (!FTty)
            return;
        // Runs on the transfer thread; a terminal line needs no main thread.
        t.OnProgress = [this, &t](int32_t pos) {
            const auto now = std::chrono::steady_clock::now();
            if (pos != t.Shared().BarMax.load() && now - FLast < std::chrono::milliseconds(100))
                return;
            FLast = now;
            draw(t.View());
        };
    }
    void finish()
    {
        if (FTty && FLast != std::chrono::steady_clock::time_point{})
            std::fputc('\n', stderr);
    }

private:
    void draw(const TProgressView& v)
    {
        constexpr int kWidth = 40;
        const int filled = v.Percent * kWidth / 100;
        const QString line = QStringLiteral("\r%1 [%2%3] %4 %5  frames %6, bad %7 ")
                                 .arg(FCaption, QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char('.')))
                                 .arg(v.PercentText, 4)
                                 .arg(v.RateText, v.SendPackets, v.BadPackets);
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    }

    QString FCaption;
    bool FTty;
    std::chrono::steady_clock::time_point FLast{};
};

// One transfer as the program runs it, without questions: presence does not run here.
bool runTransfer(TTransferLink& link, const TTransferSetup& setup, TTransferKind kind, uint32_t addr = 0,
                 uint32_t count = 0)
{
    ProgressBar bar(TransferCaption(kind));
    TTransferHooks hooks;
    uint64_t bytes = 0;
    int64_t ms = 0;
    hooks.RunProgress = [&](TProgressThread& t) {
        bar.attach(t);
        g_transfer = &t;
        t.Start();
        t.Wait();
        g_transfer = nullptr;
#ifndef _WIN32
        ::alarm(0);
#endif
        bytes = t.Shared().BytesDone.load();
        ms = t.ElapsedMs();
    };
    const auto previous = std::signal(SIGINT, onInterrupt);
    const TTransferReport rep = StartTransfer(link, setup, kind, false, addr, count, hooks);
    std::signal(SIGINT, previous);
    bar.finish();
    const TTransferResult& t = rep.Transfer;
    if (rep.Ok) {
        if (!rep.Message.isEmpty())
            out(oneLine(rep.Message));
        out(QStringLiteral("%1: done, %2 bytes in %3 ms, %4 frames, %5 bad")
                .arg(TransferCaption(kind))
                .arg(bytes)
                .arg(ms)
                .arg(SendPackets.load())
                .arg(BadPackets.load()));
        return true;
    }
    if (rep.PrepareRefused) {
        err(QStringLiteral("%1: %2 (command 5: %3; is the device in its bootloader?)")
                .arg(TransferCaption(kind), oneLine(rep.Message), QString::fromLatin1(BlockResultText(rep.PrepareReason))));
    } else if (rep.PreWriteFailed || rep.PostWriteFailed) {
        err(QStringLiteral("%1: %2 (%3)")
                .arg(TransferCaption(kind), oneLine(rep.Message), QString::fromLatin1(BlockResultText(rep.ModeReason))));
    } else if (t.Outcome == TTransferOutcome::Cancelled) {
        err(QStringLiteral("%1: cancelled").arg(TransferCaption(kind)));
    } else {
        QString why = t.Outcome == TTransferOutcome::Different ? QStringLiteral("data differ")
                                                                : QString::fromLatin1(BlockResultText(t.Reason));
        if (!t.ErrorText.isEmpty())
            why += QStringLiteral(": ") + t.ErrorText;
        err(QStringLiteral("%1 (%2)").arg(oneLine(rep.Message), why));
    }
    return false;
}

// Identifies the device and takes its memory layout, as the presence display would.
bool identifyForTransfer(TZEVA16& link, const CliArgs& a, TTransferSetup& setup)
{
    if (!identifyDevice(link, a))
        return false;
    const TDeviceInfo i = link.InfoCopy();
    setup.ProgStart = i.ProgStart;
    setup.MemSize = i.MemSize;
    setup.Ext = i.Ext;
    setup.DeviceMode = i.Mode;
    setup.ExtBlockSize = uint16_t(a.blockSize);
    return true;
}

// A file named on the command line, checked before the port is opened: for reading it must be a
// readable regular file, for writing a place a whole file can be put.
bool checkFile(const QString& file, bool forWriting)
{
    QString why;
    const bool ok = forWriting ? fileio::CheckOutputFile(file, why) : fileio::CheckInputFile(file, why);
    if (!ok)
        err(QStringLiteral("%1: %2").arg(file, forWriting ? Msg::FileWriteFailed.arg(why) : Msg::FileReadFailed.arg(why)));
    return ok;
}

int cmdFlash(const CliArgs& a)
{
    if (a.positional.size() != 3)
        return usage("flash needs read, write or verify and a file name");
    const std::string& sub = a.positional[1];
    const TTransferKind kind = sub == "read" ? tkReadFLASH : sub == "write" ? tkWriteFLASH : sub == "verify" ? tkCompareFLASH : TTransferKind(0);
    if (!kind)
        return usage("unknown flash command \"" + sub + "\"");
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    if (!checkFile(file, kind == tkReadFLASH))
        return kExitFailed;
    QString why;
    TMemoryImage flashBuf;
    // A damaged or empty file is refused before the port is even opened; where its data lies
    // against the device's region is known only after identification.
    if (kind != tkReadFLASH && !LoadHexImage(flashBuf, file, 0, 0x10000, why)) {
        err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
        return kExitFailed;
    }
    auto link = openLink(a);
    if (!link)
        return kExitFailed;
    TTransferSetup setup;
    if (!identifyForTransfer(*link, a, setup))
        return kExitFailed;
    // An application may start at 0; only a missing or empty region means the catalogue failed us.
    if (setup.MemSize == 0 || setup.ProgStart >= setup.MemSize) {
        err(QStringLiteral("the device reports no program region (controller unknown to the catalogue?)"));
        return kExitFailed;
    }
    setup.FlashBuf = flashBuf.Span();
    if (kind != tkReadFLASH && !LoadHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
        err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
        return kExitFailed;
    }
    TZevaTransferLink tl(*link, uint16_t(a.addr));
    if (!runTransfer(tl, setup, kind))
        return kExitFailed;
    // Verified unless told otherwise: a write the device acknowledged is not yet a write that took.
    if (kind == tkWriteFLASH && a.verify.value_or(true) && !runTransfer(tl, setup, tkCompareFLASH))
        return kExitFailed;
    if (kind == tkReadFLASH && !SaveHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
        err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
        return kExitFailed;
    }
    return kExitOk;
}

int cmdExtMem(const CliArgs& a)
{
    if (a.positional.size() != 3)
        return usage("extmem needs read or write and a file name");
    const std::string& sub = a.positional[1];
    const TTransferKind kind = sub == "read" ? tkReadExtMem : sub == "write" ? tkWriteExtMemPart : TTransferKind(0);
    if (!kind)
        return usage("unknown extmem command \"" + sub + "\"");
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    const bool hex = file.endsWith(QStringLiteral(".hex"), Qt::CaseInsensitive);
    if (!checkFile(file, kind == tkReadExtMem))
        return kExitFailed;
    auto link = openLink(a);
    if (!link)
        return kExitFailed;
    TTransferSetup setup;
    if (!identifyForTransfer(*link, a, setup))
        return kExitFailed;
    if (setup.Ext == 0) {
        err(QStringLiteral("the device reports no external memory (is its program running?)"));
        return kExitFailed;
    }
    TMemoryImage extBuf;
    setup.ExtMemBuf = extBuf.Span();
    QString why;
    TImageExtent extent;
    if (kind == tkWriteExtMemPart &&
        !(hex ? LoadHexImage(extBuf, file, 0, setup.Ext, why, &extent) : LoadBinImage(extBuf, file, setup.Ext, why, &extent))) {
        err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
        return kExitFailed;
    }
    TZevaTransferLink tl(*link, uint16_t(a.addr));
    if (kind == tkWriteExtMemPart) {
        // Only the file's own bytes: the rest of the memory keeps what the device holds.
        const uint32_t count = extent.End - extent.First;
        if (!runTransfer(tl, setup, kind, extent.First, count))
            return kExitFailed;
        if (a.verify.value_or(false) && !runTransfer(tl, setup, tkCompareExtMemPart, extent.First, count))
            return kExitFailed;
        return kExitOk;
    }
    if (!runTransfer(tl, setup, kind))
        return kExitFailed;
    if (!(hex ? SaveHexImage(extBuf, file, 0, setup.Ext, why) : SaveBinImage(extBuf, file, setup.Ext, why))) {
        err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
        return kExitFailed;
    }
    return kExitOk;
}

int cmdRoutes(const CliArgs& a)
{
    TCliRouteContext ctx;
    ctx.OpenLink = [&] { return openLink(a); };
    ctx.Identify = [&](TZEVA16& link, TTransferSetup& setup) { return identifyForTransfer(link, a, setup); };
    ctx.Out = out;
    ctx.Err = err;
    ctx.RunProgress = [](TProgressThread& t) {
        ProgressBar bar(TransferCaption(t.Kind()));
        bar.attach(t);
        g_transfer = &t;
        const auto previous = std::signal(SIGINT, onInterrupt);
        t.Start();
        t.Wait();
        std::signal(SIGINT, previous);
        g_transfer = nullptr;
        bar.finish();
    };
    return CmdRoutes(a, ctx);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : kExitOk;
    }
    if (args[0] == "--version") {
        std::printf("zevanta-cli %s\n", ZEVANTA_VERSION_STRING);
        return kExitOk;
    }
    std::string why;
    const auto parsed = ParseCliArgs(args, why);
    if (!parsed)
        return usage(why);
    if (parsed->positional.empty())
        return usage("no command given");

    const std::map<std::string, std::function<int(const CliArgs&)>> commands = {
        {"ports", cmdPorts},
        {"identify", cmdIdentify},
        {"send", cmdSend},
        {"flash", cmdFlash},
        {"extmem", cmdExtMem},
        {"routes", cmdRoutes},
    };
    const auto it = commands.find(parsed->positional[0]);
    if (it == commands.end())
        return usage("unknown command \"" + parsed->positional[0] + "\"");
    const bool offline = it->first == "ports" || (it->first == "routes" && parsed->positional.size() > 1 &&
                                                  parsed->positional[1] == "import");
    if (!offline && parsed->port.empty())
        return usage("--port is required for this command");
    if (!parsed->port.empty() && ResolvePort(parsed->port) <= 0)
        return usage("--port " + parsed->port + " is neither COM1..COM" + std::to_string(PortMap::kLastAlias) +
                     " nor a serial device path (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* or an alias)");
    return it->second(*parsed);
}
