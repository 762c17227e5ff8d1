// zevanta-cli: command-line access to the link layer of Zevanta.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include "base/fileio.h"
#include "base/messages.h"
#include "cli/cliargs.h"
#include "cli/routescmd.h"
#include "data/database.h"
#include "link/commands.h"
#include "link/comport.h"
#include "link/frametrace.h"
#include "link/portinfo.h"
#include "link/usblatency.h"
#include "link/zeva16.h"
#include "memory/console.h"
#include "memory/flashpanel.h"
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

using Clock = std::chrono::steady_clock;

// Where every line goes: -q keeps errors only, --json makes stdout JSON lines only, -v adds the
// frames. Several bus threads print through it, a line at a time.
class Output {
public:
    bool Quiet = false;
    bool Verbose = false;
    bool Json = false;

    void info(const QString& s)
    {
        if (Quiet || Json)
            return;
        line(stdout, s);
    }
    void error(const QString& s)
    {
        {
            std::lock_guard lock(FLock);
            FLastError = s;
        }
        line(stderr, QStringLiteral("zevanta-cli: ") + s);
    }
    // A hint after an error: not the error itself.
    void hint(const QString& s) { line(stderr, QStringLiteral("zevanta-cli: ") + s); }
    void warning(const QString& s)
    {
        if (!Quiet)
            line(stderr, QStringLiteral("zevanta-cli: ") + s);
    }
    void frame(const QString& s)
    {
        if (Verbose && !Json)
            line(stdout, s);
    }
    void json(const QJsonObject& o)
    {
        if (!Json)
            return;
        const QString type = o.value(QStringLiteral("type")).toString();
        if (type == QLatin1String("result") || type == QLatin1String("summary")) {
            std::lock_guard lock(FLock);
            FFinalSent = true;
        }
        line(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
    }
    // Every run ends with a result object for the program that reads the lines, also one that
    // failed before any device was asked, or a command without figures of its own.
    void finalJson(const std::string& command, int code)
    {
        QString why;
        {
            std::lock_guard lock(FLock);
            if (!Json || FFinalSent)
                return;
            why = FLastError;
        }
        QJsonObject o{{QStringLiteral("type"), QStringLiteral("result")},
                      {QStringLiteral("command"), QString::fromStdString(command)},
                      {QStringLiteral("outcome"), code == 0   ? QStringLiteral("ok")
                                                  : code == 2 ? QStringLiteral("usage")
                                                              : QStringLiteral("failed")}};
        if (code != 0)
            o.insert(QStringLiteral("detail"), why);
        json(o);
    }
    // The progress bar shares stderr with the errors.
    std::unique_lock<std::mutex> lockStderr() { return std::unique_lock<std::mutex>(FLock); }

private:
    void line(FILE* to, const QString& s)
    {
        std::lock_guard lock(FLock);
        std::fputs(s.toLocal8Bit().constData(), to);
        std::fputc('\n', to);
        std::fflush(to);
    }
    std::mutex FLock;
    QString FLastError;
    bool FFinalSent = false;
};

Output g_out;

void out(const QString& s)
{
    g_out.info(s);
}

void err(const QString& s)
{
    g_out.error(s);
}

int usage(const std::string& why)
{
    if (!why.empty())
        err(QString::fromStdString(why));
    g_out.hint(QStringLiteral("справка: zevanta-cli --help"));
    return kExitUsage;
}

QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

// --- the transfers running now, for Ctrl+C --------------------------------------------------

// One slot per bus thread; RequestCancel is a lock-free atomic exchange.
constexpr int kMaxBuses = 32;
std::atomic<TProgressThread*> g_transfers[kMaxBuses];
std::atomic<bool> g_interrupted{false};

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
    g_interrupted = true;
    for (auto& slot : g_transfers)
        if (TProgressThread* t = slot.load())
            t->Cancel();
#ifndef _WIN32
    // The cancel takes effect after the exchange in hand, which with long time-outs and many
    // retries can take a while: Ctrl+C still ends the program within a second.
    std::signal(SIGALRM, onCancelTimeout);
    ::alarm(1);
#endif
}

// --- one bus: a port, its link, its frames ------------------------------------------------------

std::vector<TItemMCU> g_catalog;
TTraceWriter* g_trace = nullptr;

QString portLabel(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

QString frameText(const TFrameEvent& e)
{
    const QString head = QStringLiteral("[%1] ").arg(e.Addr);
    QString text = head + console::RequestLine(e.Cmd, e.Payload) + QLatin1Char('\n') + head;
    switch (e.Outcome) {
    case TFrameOutcome::Accepted: return text + console::AnswerLine(true, e.Answer.data(), e.Answer.size());
    case TFrameOutcome::Refused: return text + console::AnswerLine(false, nullptr, 0);
    case TFrameOutcome::BadFrame: return text + QStringLiteral("--> искажённый кадр");
    case TFrameOutcome::NoAnswer: return text + QStringLiteral("--> нет ответа");
    case TFrameOutcome::HungUp: return text + QStringLiteral("--> порт закрыт");
    }
    return text;
}

// Opens the link on one port; reports why when it cannot.
std::unique_ptr<TZEVA16> openLink(const CliArgs& a, const std::string& port)
{
    const int n = PortNumberForName(port);
    auto link = std::make_unique<TZEVA16>(uint8_t(n), a.baud, uint16_t(a.timeoutMs), 16384);
    if (link->Error() == errNotOpenPort) {
        err(PortOpenFailureText(uint8_t(n), PortMap::PathFor(n), link->OpenFailure(), link->OpenErrno()));
        return nullptr;
    }
    link->RepCount = uint8_t(a.retries);
    link->SetMCUs(g_catalog);
    const std::string slow = CheckUsbLatencyTimer(PortMap::PathFor(n));
    if (!slow.empty())
        g_out.warning(QString::fromStdString(slow));
    if (g_out.Verbose || g_trace) {
        const std::string label = portLabel(n).toStdString();
        const bool several = a.ports.size() > 1;
        link->OnFrame = [label, several](const TFrameEvent& e) {
            if (g_trace)
                g_trace->Write(e, label);
            g_out.frame(several ? QString::fromStdString(label) + QLatin1Char(' ') + frameText(e) : frameText(e));
        };
    }
    return link;
}

std::unique_ptr<TZEVA16> openFirstLink(const CliArgs& a)
{
    return openLink(a, a.port);
}

QString failureText(const TZEVA16& link)
{
    if (link.Error() == errAnswerError)
        return QStringLiteral("устройство отказалось выполнить команду (0x22)");
    if (link.HungUp())
        return QStringLiteral("порт закрыт другой стороной (устройство отключено)");
    return QStringLiteral("нет верного ответа (попыток: %1)").arg(link.RepCount);
}

bool isBootloader(TMode m)
{
    return m == mBootloader50 || m == mBootloader51 || m == mBootloader60;
}

bool isApplication(TMode m)
{
    return m == mDevice5 || m == mDevice6;
}

const char* modeName(TMode m)
{
    switch (m) {
    case mBootloader50: return "загрузчик (первое поколение, версия 5.0 и ниже)";
    case mBootloader51: return "загрузчик (первое поколение, версия выше 5.0)";
    case mBootloader60: return "загрузчик (второе поколение)";
    case mDevice5: return "рабочая программа (первое поколение)";
    case mDevice6: return "рабочая программа (второе поколение)";
    case mNone: break;
    }
    return "неизвестен";
}

const char* shortMode(TMode m)
{
    switch (m) {
    case mBootloader50: return "boot5.0";
    case mBootloader51: return "boot5.1";
    case mBootloader60: return "boot6";
    case mDevice5: return "app5";
    case mDevice6: return "app6";
    case mNone: break;
    }
    return "none";
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
    const QString date =
        i.DateRTC != 0 ? RtcDateToQDate(i.DateRTC).toString(QStringLiteral("dd.MM.yyyy")) : QStringLiteral("- - -");
    return date + QLatin1Char(' ') + RtcTimeToQTime(i.TimeRTC).toString(QStringLiteral("HH:mm:ss"));
}

QString versionText(const TDeviceInfo& i)
{
    return QStringLiteral("%1.%2.%3").arg(i.Version >> 4).arg(i.Version & 15).arg(i.Build);
}

// The catalogue of --catalog, or the first found in the usual places; a bad one is reported,
// not fatal (only controller details are missing then).
void loadCatalog(const CliArgs& a)
{
    const QString path = a.catalog.empty() ? DefaultMCUCatalogPath() : QString::fromLocal8Bit(a.catalog.c_str());
    try {
        g_catalog = LoadMCUCatalog(path);
    } catch (const McuCatalogError& e) {
        err(e.Russian() + QStringLiteral(" (сведений о микроконтроллере не будет)"));
    }
}

bool identifyDevice(TZEVA16& link, unsigned addr)
{
    if (!link.GetDeviceInfo(uint16_t(addr))) {
        err(QStringLiteral("устройство %1: %2").arg(addr).arg(failureText(link)));
        return false;
    }
    return true;
}

// --- several devices on several buses -------------------------------------------------------

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
};

QJsonObject resultJson(const std::string& command, const DeviceResult& r)
{
    QJsonObject o{{QStringLiteral("type"), QStringLiteral("result")},
                  {QStringLiteral("command"), QString::fromStdString(command)},
                  {QStringLiteral("port"), r.Port},
                  {QStringLiteral("address"), int(r.Addr)},
                  {QStringLiteral("bytes"), qint64(r.Bytes)},
                  {QStringLiteral("seconds"), r.Seconds},
                  {QStringLiteral("speed"), r.Seconds > 0 ? double(r.Bytes) / r.Seconds : 0.0},
                  {QStringLiteral("frames"), qint64(r.Frames)},
                  {QStringLiteral("badFrames"), qint64(r.BadFrames)},
                  {QStringLiteral("outcome"), r.Outcome},
                  {QStringLiteral("failAddress"), r.FailAddr >= 0 ? QJsonValue(r.FailAddr) : QJsonValue()}};
    if (!r.Detail.isEmpty())
        o.insert(QStringLiteral("detail"), r.Detail);
    return o;
}

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
int runOnDevices(const CliArgs& a, const std::string& command, const std::vector<unsigned>& addrs, const DeviceJob& job)
{
    const bool several = a.ports.size() * addrs.size() > 1;
    std::vector<std::vector<DeviceResult>> results(a.ports.size());
    const auto started = Clock::now();
    auto serveBus = [&](size_t bus) {
        const std::string& portName = a.ports[bus];
        const QString label = portLabel(PortNumberForName(portName));
        auto link = openLink(a, portName);
        for (unsigned addr : addrs) {
            DeviceResult r;
            if (!link) {
                r.Outcome = QStringLiteral("port-failed");
            } else if (g_interrupted) {
                r.Outcome = QStringLiteral("cancelled");
            } else {
                DeviceContext ctx{*link, label, addr, int(bus), !several};
                const uint64_t frames = link->LinkSendPackets, bad = link->LinkBadPackets;
                r = job(ctx);
                r.Frames = link->LinkSendPackets - frames;
                r.BadFrames = link->LinkBadPackets - bad;
            }
            r.Port = label;
            r.Addr = addr;
            if (several) {
                const QString line = QStringLiteral("%1 устройство %2: %3")
                                         .arg(label)
                                         .arg(addr)
                                         .arg(r.Ok ? QStringLiteral("готово") : QStringLiteral("ОШИБКА"));
                const QString detail = r.Detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(r.Detail);
                out(line +
                    (r.Bytes ? QStringLiteral(", %1 байт за %2 с").arg(r.Bytes).arg(r.Seconds, 0, 'f', 2) : QString()) +
                    detail);
            }
            g_out.json(resultJson(command, r));
            results[bus].push_back(r);
        }
    };
    const auto previous = std::signal(SIGINT, onInterrupt);
    if (a.ports.size() == 1) {
        serveBus(0);
    } else {
        std::vector<std::thread> threads;
        for (size_t bus = 0; bus < a.ports.size(); ++bus)
            threads.emplace_back(serveBus, bus);
        for (auto& t : threads)
            t.join();
    }
    std::signal(SIGINT, previous);
    size_t done = 0, total = 0;
    for (const auto& bus : results)
        for (const DeviceResult& r : bus) {
            ++total;
            done += r.Ok ? 1 : 0;
        }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (several) {
        out(QStringLiteral("готово устройств: %1 из %2 за %3 с").arg(done).arg(total).arg(seconds, 0, 'f', 2));
        g_out.json({{QStringLiteral("type"), QStringLiteral("summary")},
                    {QStringLiteral("command"), QString::fromStdString(command)},
                    {QStringLiteral("devices"), qint64(total)},
                    {QStringLiteral("done"), qint64(done)},
                    {QStringLiteral("failed"), qint64(total - done)},
                    {QStringLiteral("seconds"), seconds},
                    {QStringLiteral("outcome"), done == total ? QStringLiteral("ok") : QStringLiteral("failed")}});
    }
    return done == total ? kExitOk : kExitFailed;
}

// The addresses of --addr, or with --addr all every device of the device list, in list order.
std::optional<std::vector<unsigned>> targetAddresses(const CliArgs& a)
{
    if (!a.addrAll)
        return a.addrs;
    TDatabase db;
    if (!db.Open(QString::fromLocal8Bit(a.db.c_str()), TDatabase::OpenMode::ExistingOnly)) {
        err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(a.db.c_str()), db.OpenFailureText()));
        return std::nullopt;
    }
    QSqlQuery q(db.Connection());
    std::vector<unsigned> addrs;
    if (!q.exec(QStringLiteral("select Addr from Устройство order by Num, ID"))) {
        err(q.lastError().text());
        return std::nullopt;
    }
    while (q.next()) {
        const unsigned addr = q.value(0).toUInt();
        if (std::find(addrs.begin(), addrs.end(), addr) == addrs.end())
            addrs.push_back(addr);
    }
    if (addrs.empty())
        err(QStringLiteral("список устройств в %1 пуст").arg(QString::fromLocal8Bit(a.db.c_str())));
    return addrs.empty() ? std::nullopt : std::optional(addrs);
}

// --- transfers --------------------------------------------------------------------------------

// A text progress bar on a terminal; nothing when stderr goes to a file or a pipe. With --json,
// progress objects on stdout instead, a few a second.
class Progress {
public:
    // `link` (when given) counts the frames; the progress calls run on the thread that uses it.
    Progress(QString caption, QString port, unsigned addr, bool alone, std::string command,
             const TZEVA16* link = nullptr)
        : FCaption(std::move(caption)),
          FPort(std::move(port)),
          FAddr(addr),
          FCommand(std::move(command)),
          FBar(alone && !g_out.Quiet && !g_out.Json && ZV_ISATTY(stderr)),
          FLink(link),
          FFrames(link ? link->LinkSendPackets : 0),
          FBad(link ? link->LinkBadPackets : 0)
    {
    }

    void attach(TProgressThread& t)
    {
        if (!FBar && !g_out.Json)
            return;
        // Runs on the transfer thread; a terminal line needs no main thread.
        t.OnProgress = [this, &t](int32_t pos) {
            const auto now = Clock::now();
            if (pos != t.Shared().BarMax.load() && now - FLast < std::chrono::milliseconds(FBar ? 100 : 250))
                return;
            FLast = now;
            if (FBar)
                draw(t.View());
            if (g_out.Json) {
                const double s = double(t.ElapsedMs()) / 1000.0;
                const uint64_t bytes = t.Shared().BytesDone.load();
                g_out.json(
                    {{QStringLiteral("type"), QStringLiteral("progress")},
                     {QStringLiteral("command"), QString::fromStdString(FCommand)},
                     {QStringLiteral("step"), FCaption},
                     {QStringLiteral("port"), FPort},
                     {QStringLiteral("address"), int(FAddr)},
                     {QStringLiteral("percent"), t.View().Percent},
                     {QStringLiteral("bytes"), qint64(bytes)},
                     {QStringLiteral("seconds"), s},
                     {QStringLiteral("speed"), s > 0 ? double(bytes) / s : 0.0},
                     {QStringLiteral("frames"), FLink ? qint64(FLink->LinkSendPackets - FFrames) : QJsonValue()},
                     {QStringLiteral("badFrames"), FLink ? qint64(FLink->LinkBadPackets - FBad) : QJsonValue()}});
            }
        };
    }
    void finish()
    {
        if (FBar && FLast != Clock::time_point{})
            std::fputc('\n', stderr);
    }

private:
    void draw(const TProgressView& v)
    {
        constexpr int kWidth = 40;
        const int filled = v.Percent * kWidth / 100;
        const QString line =
            QStringLiteral("\r%1 [%2%3] %4 %5  кадров %6, ошибочных %7 ")
                .arg(FCaption, QString(filled, QLatin1Char('#')), QString(kWidth - filled, QLatin1Char('.')))
                .arg(v.PercentText, 4)
                .arg(v.RateText, v.SendPackets, v.BadPackets);
        auto lock = g_out.lockStderr();
        std::fputs(line.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
    }

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
void runProgress(TProgressThread& t, Progress& bar, int slot, uint64_t& bytes, int64_t& ms)
{
    bar.attach(t);
    g_transfers[slot] = &t;
    if (g_interrupted)
        t.Cancel();
    t.Start();
    t.Wait();
    g_transfers[slot] = nullptr;
#ifndef _WIN32
    // The cancel took effect: no need to cut the program short, unless another bus still hangs.
    if (std::none_of(std::begin(g_transfers), std::end(g_transfers),
                     [](const auto& running) { return running.load() != nullptr; }))
        ::alarm(0);
#endif
    bytes = t.Shared().BytesDone.load();
    ms = t.ElapsedMs();
}

// One transfer as the program runs it, without questions: presence does not run here. Adds its
// bytes and time to the device's result and says what failed.
bool runTransfer(DeviceContext& ctx, const TTransferSetup& setup, TTransferKind kind, const std::string& command,
                 DeviceResult& result, uint32_t addr = 0, uint32_t count = 0)
{
    Progress bar(TransferCaption(kind), ctx.Port, ctx.Addr, ctx.Alone, command, &ctx.Link);
    TTransferHooks hooks;
    uint64_t bytes = 0;
    int64_t ms = 0;
    hooks.RunProgress = [&](TProgressThread& t) { runProgress(t, bar, ctx.Slot, bytes, ms); };
    TZevaTransferLink tl(ctx.Link, uint16_t(ctx.Addr));
    const uint64_t frames = ctx.Link.LinkSendPackets, badFrames = ctx.Link.LinkBadPackets;
    const TTransferReport rep = StartTransfer(tl, setup, kind, false, addr, count, hooks);
    bar.finish();
    result.Bytes += bytes;
    result.Seconds += double(ms) / 1000.0;
    const TTransferResult& t = rep.Transfer;
    const QString who = ctx.Alone ? QString() : QStringLiteral("%1 устройство %2: ").arg(ctx.Port).arg(ctx.Addr);
    if (rep.Ok) {
        if (!rep.Message.isEmpty())
            out(who + oneLine(rep.Message));
        out(who + QStringLiteral("%1: готово, %2 байт за %3 мс, кадров %4, ошибочных %5")
                      .arg(TransferCaption(kind))
                      .arg(bytes)
                      .arg(ms)
                      .arg(ctx.Link.LinkSendPackets - frames)
                      .arg(ctx.Link.LinkBadPackets - badFrames));
        return true;
    }
    result.FailAddr = t.FailAddr;
    result.Outcome = QStringLiteral("failed");
    if (rep.PrepareRefused) {
        result.Detail = QStringLiteral("%1 (команда 5: %2; устройство в режиме загрузчика?)")
                            .arg(oneLine(rep.Message), QString::fromUtf8(BlockResultText(rep.PrepareReason)));
    } else if (rep.PreWriteFailed || rep.PostWriteFailed) {
        result.Detail =
            QStringLiteral("%1 (%2)").arg(oneLine(rep.Message), QString::fromUtf8(BlockResultText(rep.ModeReason)));
    } else if (t.Outcome == TTransferOutcome::Cancelled) {
        result.Outcome = QStringLiteral("cancelled");
        result.Detail = QStringLiteral("отменено");
    } else {
        if (t.Outcome == TTransferOutcome::Different)
            result.Outcome = QStringLiteral("different");
        QString why = t.Outcome == TTransferOutcome::Different ? QStringLiteral("данные различаются")
                                                               : QString::fromUtf8(BlockResultText(t.Reason));
        if (!t.ErrorText.isEmpty())
            why += QStringLiteral(": ") + t.ErrorText;
        result.Detail = QStringLiteral("%1 (%2)").arg(oneLine(rep.Message), why);
    }
    err(who + TransferCaption(kind) + QStringLiteral(": ") + result.Detail);
    return false;
}

// Identifies the device and takes its memory layout, as the presence display would.
bool identifyForTransfer(TZEVA16& link, unsigned addr, unsigned blockSize, TTransferSetup& setup)
{
    if (!identifyDevice(link, addr))
        return false;
    const TDeviceInfo i = link.InfoCopy();
    setup.ProgStart = i.ProgStart;
    setup.MemSize = i.MemSize;
    setup.Ext = i.Ext;
    setup.DeviceMode = i.Mode;
    setup.ExtBlockSize = uint16_t(blockSize);
    return true;
}

// A file named on the command line, checked before the port is opened: for reading it must be a
// readable regular file, for writing a place a whole file can be put.
bool checkFile(const QString& file, bool forWriting)
{
    QString why;
    const bool ok = forWriting ? fileio::CheckOutputFile(file, why) : fileio::CheckInputFile(file, why);
    if (!ok)
        err(QStringLiteral("%1: %2").arg(file,
                                         forWriting ? Msg::FileWriteFailed.arg(why) : Msg::FileReadFailed.arg(why)));
    return ok;
}

// --- modes --------------------------------------------------------------------------------------

// Asks the device until its mode satisfies `wanted` or the time is up; returns the last mode seen.
TMode waitMode(TZEVA16& link, unsigned addr, const std::function<bool(TMode)>& wanted)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(memorypanel::kWriteAllModeWaitMs);
    TMode last = mNone;
    do {
        if (link.GetDeviceInfo(uint16_t(addr))) {
            last = link.InfoCopy().Mode;
            if (wanted(last))
                return last;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (Clock::now() < deadline && !g_interrupted);
    return last;
}

// Sends a mode command (2 bootloader, 1 program, 8 or 0 reset) and waits until the device reports
// the mode asked for: a command the device took is not yet a device in that mode.
bool switchMode(DeviceContext& ctx, uint8_t cmd, DeviceResult& r)
{
    ctx.Link.StartZEVA(uint16_t(ctx.Addr), cmd);
    if (!ctx.Link.PutCMD()) {
        const bool refused = ctx.Link.Error() == errAnswerError;
        // The window's own words: a refused start means there is no program to start.
        r.Detail = QStringLiteral("команда %1: %2")
                       .arg(cmd)
                       .arg(refused ? (cmd == zcmd::kRunProgram ? Msg::NoMainProgram : Msg::CommandNotAccepted)
                                    : failureText(ctx.Link));
        r.Outcome = refused ? QStringLiteral("refused") : QStringLiteral("no-answer");
        err(QStringLiteral("%1 устройство %2: %3").arg(ctx.Port).arg(ctx.Addr).arg(r.Detail));
        return false;
    }
    const std::function<bool(TMode)> wanted = cmd == zcmd::kRunBootloader ? isBootloader
                                              : cmd == zcmd::kRunProgram
                                                  ? isApplication
                                                  : std::function<bool(TMode)>([](TMode m) { return m != mNone; });
    const TMode last = waitMode(ctx.Link, ctx.Addr, wanted);
    if (!wanted(last)) {
        r.Outcome = QStringLiteral("wrong-mode");
        r.Detail = QStringLiteral("%1 через %2 мс (%3)")
                       .arg(last == mNone ? QStringLiteral("нет ответа")
                                          : QStringLiteral("по-прежнему ") + QString::fromUtf8(modeName(last)))
                       .arg(memorypanel::kWriteAllModeWaitMs)
                       .arg(cmd == zcmd::kRunBootloader ? QStringLiteral("ожидался загрузчик")
                            : cmd == zcmd::kRunProgram ? QStringLiteral("ожидалась рабочая программа")
                                                       : QStringLiteral("после сброса"));
        err(QStringLiteral("%1 устройство %2: %3").arg(ctx.Port).arg(ctx.Addr).arg(r.Detail));
        return false;
    }
    r.Detail = QString::fromLatin1(shortMode(last));
    // With several devices the result line says it.
    if (ctx.Alone)
        out(QStringLiteral("устройство %1: %2").arg(ctx.Addr).arg(QString::fromUtf8(modeName(last))));
    return true;
}

// --- commands ------------------------------------------------------------------------------------

int cmdPorts(const CliArgs& a)
{
    if (a.positional.size() != 1)
        return usage("ports не принимает аргументов");
    const std::vector<TPortDescription> ports = DescribeHostPorts();
    if (ports.empty() && !g_out.Json)
        out(QStringLiteral("последовательных портов нет"));
    for (const TPortDescription& d : ports) {
        const QString byId = QString::fromStdString(StableSerialPath(d.Path));
        QJsonObject o{{QStringLiteral("type"), QStringLiteral("port")},
                      {QStringLiteral("port"), portLabel(d.Number)},
                      {QStringLiteral("path"), QString::fromStdString(d.Path)}};
        QStringList line{portLabel(d.Number), QString::fromStdString(d.Path)};
        if (d.Usb) {
            const QString id = QString::fromStdString(d.VendorId + ":" + d.ProductId);
            line << id << QString::fromStdString(d.Maker) << QString::fromStdString(d.Product)
                 << QString::fromStdString(d.Serial) << byId;
            o.insert(QStringLiteral("usb"), id);
            o.insert(QStringLiteral("maker"), QString::fromStdString(d.Maker));
            o.insert(QStringLiteral("product"), QString::fromStdString(d.Product));
            o.insert(QStringLiteral("serial"), QString::fromStdString(d.Serial));
            o.insert(QStringLiteral("byId"), byId);
        }
        out(line.join(QLatin1Char('\t')));
        g_out.json(o);
    }
    return kExitOk;
}

int cmdIdentify(const CliArgs& a)
{
    if (a.positional.size() != 1)
        return usage("identify не принимает аргументов, кроме ключей");
    if (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1)
        return usage("identify опрашивает одно устройство; несколько опрашивает scan");
    auto link = openFirstLink(a);
    if (!link || !identifyDevice(*link, a.addr))
        return kExitFailed;
    const TDeviceInfo i = link->InfoCopy();
    const TParams p = link->ParamsCopy();
    QJsonArray params;
    for (const auto& item : p.Items)
        params.append(QJsonObject{{QStringLiteral("name"), item.Name},
                                  {QStringLiteral("type"), QString::fromLatin1(typeName(item.typ))},
                                  {QStringLiteral("value"), item.Value}});
    g_out.json({{QStringLiteral("type"), QStringLiteral("result")},
                {QStringLiteral("command"), QStringLiteral("identify")},
                {QStringLiteral("port"), portLabel(link->PortNumber())},
                {QStringLiteral("address"), int(a.addr)},
                {QStringLiteral("outcome"), QStringLiteral("ok")},
                {QStringLiteral("name"), i.Name.trimmed()},
                {QStringLiteral("mode"), QString::fromLatin1(shortMode(i.Mode))},
                {QStringLiteral("version"), versionText(i)},
                {QStringLiteral("controller"), oneLine(i.MCU)},
                {QStringLiteral("progStart"), qint64(i.ProgStart)},
                {QStringLiteral("memSize"), qint64(i.MemSize)},
                {QStringLiteral("ext"), qint64(i.Ext)},
                {QStringLiteral("params"), params}});
    out(QStringLiteral("Имя:               %1").arg(i.Name.trimmed()));
    out(QStringLiteral("Режим:             %1").arg(QString::fromUtf8(modeName(i.Mode))));
    out(QStringLiteral("Микроконтроллер:   %1")
            .arg(QString(i.MCU).replace(QStringLiteral("\r\n"), QStringLiteral("\n                   "))));
    out(QStringLiteral("FLASH:             %1 .. %2")
            .arg(i.ProgStart, 4, 16, QLatin1Char('0'))
            .arg(i.MemSize, 4, 16, QLatin1Char('0'))
            .toUpper());
    out(QStringLiteral("Внешняя память:    %1 байт").arg(i.Ext));
    if (i.Mode == mDevice5) {
        out(QStringLiteral("Температура:       %1 °C").arg(i.Temp));
        out(QStringLiteral("Напряжение:        %1 В").arg(double(i.Voltage), 0, 'f', 1));
        out(QStringLiteral("Байт режима:       %1").arg(i.VarMode));
        out(QStringLiteral("Часы:              %1").arg(clockText(i)));
    }
    for (const auto& item : p.Items)
        out(QStringLiteral("  %1 [%2] = %3").arg(item.Name, QString::fromLatin1(typeName(item.typ)), item.Value));
    return kExitOk;
}

// One quick question to each address: who is on the bus.
int cmdScan(const CliArgs& a)
{
    if (a.positional.size() != 1)
        return usage("scan не принимает аргументов, кроме ключей");
    if (a.addrAll)
        return usage("scan принимает адреса, а не all");
    CliArgs quick = a;
    if (!a.timeoutSet)
        quick.timeoutMs = 30;
    if (!a.retriesSet)
        quick.retries = 1;
    std::vector<unsigned> addrs = a.addrs;
    if (!a.addrSet) {
        addrs.clear();
        for (unsigned n = 1; n <= 254; ++n)
            addrs.push_back(n);
    }
    std::mutex lock;
    std::vector<QStringList> rows;
    bool anyPortFailed = false;
    auto serveBus = [&](size_t bus) {
        auto link = openLink(quick, a.ports[bus]);
        if (!link) {
            std::lock_guard g(lock);
            anyPortFailed = true;
            return;
        }
        const QString label = portLabel(link->PortNumber());
        link->PauseAfterLastAttempt = false;
        for (unsigned addr : addrs) {
            if (g_interrupted)
                break;
            if (!link->GetDeviceInfo(uint16_t(addr)))
                continue;
            // Without the pause a late answer from the address before could pass for this one's.
            if (link->AddrZEVA() != 0 && link->AddrZEVA() != addr)
                continue;
            const TDeviceInfo i = link->InfoCopy();
            const QString mcu = i.MCU.section(QStringLiteral("\r\n"), 0, 0).trimmed();
            g_out.json({{QStringLiteral("type"), QStringLiteral("device")},
                        {QStringLiteral("command"), QStringLiteral("scan")},
                        {QStringLiteral("port"), label},
                        {QStringLiteral("address"), int(addr)},
                        {QStringLiteral("mode"), QString::fromLatin1(shortMode(i.Mode))},
                        {QStringLiteral("version"), versionText(i)},
                        {QStringLiteral("controller"), mcu},
                        {QStringLiteral("name"), i.Name.trimmed()}});
            std::lock_guard g(lock);
            rows.push_back({label, QString::number(addr), QString::fromLatin1(shortMode(i.Mode)), versionText(i), mcu,
                            i.Name.trimmed()});
        }
    };
    const auto previous = std::signal(SIGINT, onInterrupt);
    std::vector<std::thread> threads;
    for (size_t bus = 0; bus < a.ports.size(); ++bus)
        threads.emplace_back(serveBus, bus);
    for (auto& t : threads)
        t.join();
    std::signal(SIGINT, previous);
    // Threads finish in any order; the table goes by port, then address.
    std::stable_sort(rows.begin(), rows.end(), [&](const QStringList& x, const QStringList& y) {
        const auto portIndex = [&](const QString& label) {
            for (size_t i = 0; i < a.ports.size(); ++i)
                if (portLabel(PortNumberForName(a.ports[i])) == label)
                    return i;
            return a.ports.size();
        };
        return std::pair(portIndex(x[0]), x[1].toUInt()) < std::pair(portIndex(y[0]), y[1].toUInt());
    });
    const bool severalPorts = a.ports.size() > 1;
    out(QStringLiteral("%1%2  %3  %4  %5  %6")
            .arg(severalPorts ? QStringLiteral("порт   ") : QString())
            .arg(QStringLiteral("адрес"), 5)
            .arg(QStringLiteral("режим"), -7)
            .arg(QStringLiteral("версия"), -9)
            .arg(QStringLiteral("микроконтроллер"), -16)
            .arg(QStringLiteral("имя")));
    for (const QStringList& r : rows)
        out(QStringLiteral("%1%2  %3  %4  %5  %6")
                .arg(severalPorts ? r[0].leftJustified(7) : QString())
                .arg(r[1], 5)
                .arg(r[2], -7)
                .arg(r[3], -9)
                .arg(r[4], -16)
                .arg(r[5]));
    const size_t asked = addrs.size() * a.ports.size();
    out(QStringLiteral("ответили адресов: %1 из %2").arg(rows.size()).arg(asked));
    g_out.json({{QStringLiteral("type"), QStringLiteral("summary")},
                {QStringLiteral("command"), QStringLiteral("scan")},
                {QStringLiteral("asked"), qint64(asked)},
                {QStringLiteral("answered"), qint64(rows.size())},
                {QStringLiteral("outcome"), anyPortFailed ? QStringLiteral("failed") : QStringLiteral("ok")}});
    return anyPortFailed || g_interrupted ? kExitFailed : kExitOk;
}

int cmdSend(const CliArgs& a)
{
    if (a.positional.size() < 2)
        return usage("send требует код команды");
    if (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1)
        return usage("send обращается к одному устройству");
    // Every token is one byte in hexadecimal; anything else would send a different command.
    std::vector<uint8_t> bytes;
    for (size_t k = 1; k < a.positional.size(); ++k) {
        const auto b = console::ParseByte(QString::fromStdString(a.positional[k]));
        if (!b)
            return usage("\"" + a.positional[k] + "\" — не байт в шестнадцатеричном виде (1 или 2 цифры, 00..FF)");
        bytes.push_back(*b);
    }
    const uint8_t cmd = bytes.front();
    const std::vector<uint8_t> payload(bytes.begin() + 1, bytes.end());
    auto link = openFirstLink(a);
    if (!link)
        return kExitFailed;
    out(console::RequestLine(cmd, payload));
    link->StartZEVA(uint16_t(a.addr), cmd);
    for (uint8_t b : payload)
        link->AddByte(b);
    const bool ok = link->PutCMD();
    out(console::AnswerLine(ok, link->BufZEVA().data(), ok ? link->CntZEVA() : 0));
    std::vector<uint8_t> answer(link->BufZEVA().begin(), link->BufZEVA().begin() + (ok ? link->CntZEVA() : 0));
    QJsonArray answerBytes;
    for (uint8_t b : answer)
        answerBytes.append(int(b));
    g_out.json({{QStringLiteral("type"), QStringLiteral("result")},
                {QStringLiteral("command"), QStringLiteral("send")},
                {QStringLiteral("port"), portLabel(link->PortNumber())},
                {QStringLiteral("address"), int(a.addr)},
                {QStringLiteral("outcome"), ok                                ? QStringLiteral("ok")
                                            : link->Error() == errAnswerError ? QStringLiteral("refused")
                                                                              : QStringLiteral("no-answer")},
                {QStringLiteral("answer"), answerBytes},
                {QStringLiteral("frames"), qint64(link->LinkSendPackets)},
                {QStringLiteral("badFrames"), qint64(link->LinkBadPackets)}});
    if (!ok) {
        err(QStringLiteral("устройство %1: %2").arg(a.addr).arg(failureText(*link)));
        return kExitFailed;
    }
    return kExitOk;
}

int cmdMode(const CliArgs& a)
{
    if (a.positional.size() != 2)
        return usage("mode требует boot, app или reset");
    const std::string& m = a.positional[1];
    // The bottom panel's buttons: "Загрузчик" sends 2, "Работа" 1, "Сброс" 8 (0 for the older reset system).
    const int cmd = m == "boot"    ? zcmd::kRunBootloader
                    : m == "app"   ? zcmd::kRunProgram
                    : m == "reset" ? (a.oldReset ? zcmd::kResetSystem : zcmd::kReset)
                                   : -1;
    if (cmd < 0)
        return usage("неизвестный режим \"" + m + "\" (boot, app или reset)");
    if (a.oldReset && m != "reset")
        return usage("--old-reset относится к mode reset");
    const auto addrs = targetAddresses(a);
    if (!addrs)
        return kExitFailed;
    return runOnDevices(a, "mode " + m, *addrs, [cmd](DeviceContext& ctx) {
        DeviceResult r;
        const auto t0 = Clock::now();
        r.Ok = switchMode(ctx, uint8_t(cmd), r);
        if (r.Ok)
            r.Outcome = QStringLiteral("ok");
        r.Seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        return r;
    });
}

DeviceResult flashOne(DeviceContext& ctx, const CliArgs& a, TTransferKind kind, const QString& file,
                      const std::string& command)
{
    DeviceResult r;
    if (!identifyDevice(ctx.Link, ctx.Addr)) {
        r.Outcome = QStringLiteral("no-answer");
        r.Detail = failureText(ctx.Link);
        return r;
    }
    // As the window's "write every device": a device running its program goes to its bootloader first.
    if (kind == tkWriteFLASH && isApplication(ctx.Link.InfoCopy().Mode) && !switchMode(ctx, zcmd::kRunBootloader, r))
        return r;
    TTransferSetup setup;
    if (!identifyForTransfer(ctx.Link, ctx.Addr, a.blockSize, setup))
        return r;
    // An application may start at 0; only a missing or empty region means the catalogue failed us.
    if (setup.MemSize == 0 || setup.ProgStart >= setup.MemSize) {
        r.Detail = QStringLiteral("устройство не сообщает области программы (микроконтроллера нет в каталоге?)");
        err(r.Detail);
        return r;
    }
    QString why;
    TMemoryImage flashBuf;
    setup.FlashBuf = flashBuf.Span();
    if (kind != tkReadFLASH && !LoadHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
        r.Outcome = QStringLiteral("bad-file");
        r.Detail = oneLine(why);
        err(QStringLiteral("%1: %2").arg(file, r.Detail));
        return r;
    }
    if (!runTransfer(ctx, setup, kind, command, r))
        return r;
    // Verified unless told otherwise: a write the device acknowledged is not yet a write that took.
    if (kind == tkWriteFLASH && a.verify.value_or(true) && !runTransfer(ctx, setup, tkCompareFLASH, command, r))
        return r;
    if (kind == tkReadFLASH && !SaveHexImage(flashBuf, file, setup.ProgStart, setup.MemSize, why)) {
        r.Detail = oneLine(why);
        err(QStringLiteral("%1: %2").arg(file, r.Detail));
        return r;
    }
    if (kind == tkWriteFLASH && a.run && !switchMode(ctx, zcmd::kRunProgram, r))
        return r;
    r.Ok = true;
    r.Outcome = QStringLiteral("ok");
    return r;
}

int cmdFlash(const CliArgs& a)
{
    if (a.positional.size() != 3)
        return usage("flash требует read, write или verify и имя файла");
    const std::string& sub = a.positional[1];
    const TTransferKind kind = sub == "read"     ? tkReadFLASH
                               : sub == "write"  ? tkWriteFLASH
                               : sub == "verify" ? tkCompareFLASH
                                                 : TTransferKind(0);
    if (!kind)
        return usage("неизвестная команда flash \"" + sub + "\"");
    if (a.run && kind != tkWriteFLASH)
        return usage("--run относится к flash write");
    if (a.verify && kind != tkWriteFLASH)
        return usage("--verify и --no-verify относятся к flash write");
    if (kind == tkReadFLASH && (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1))
        return usage("flash read читает одно устройство: иначе все записали бы один и тот же файл");
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    if (!checkFile(file, kind == tkReadFLASH))
        return kExitFailed;
    // A damaged or empty file is refused before the port is even opened; where its data lies
    // against the device's region is known only after identification.
    QString why;
    TMemoryImage probe;
    if (kind != tkReadFLASH && !LoadHexImage(probe, file, 0, 0x10000, why)) {
        err(QStringLiteral("%1: %2").arg(file, oneLine(why)));
        return kExitFailed;
    }
    const auto addrs = targetAddresses(a);
    if (!addrs)
        return kExitFailed;
    const std::string command = "flash " + sub;
    return runOnDevices(a, command, *addrs, [&](DeviceContext& ctx) { return flashOne(ctx, a, kind, file, command); });
}

DeviceResult extMemOne(DeviceContext& ctx, const CliArgs& a, TTransferKind kind, const QString& file,
                       const std::string& command)
{
    DeviceResult r;
    const bool hex = file.endsWith(QStringLiteral(".hex"), Qt::CaseInsensitive);
    TTransferSetup setup;
    if (!identifyForTransfer(ctx.Link, ctx.Addr, a.blockSize, setup)) {
        r.Outcome = QStringLiteral("no-answer");
        r.Detail = failureText(ctx.Link);
        return r;
    }
    if (setup.Ext == 0) {
        r.Detail = QStringLiteral("устройство не сообщает о внешней памяти (работает ли его программа?)");
        err(r.Detail);
        return r;
    }
    TMemoryImage extBuf;
    setup.ExtMemBuf = extBuf.Span();
    QString why;
    TImageExtent extent;
    if (kind != tkReadExtMem && !(hex ? LoadHexImage(extBuf, file, 0, setup.Ext, why, &extent)
                                      : LoadBinImage(extBuf, file, setup.Ext, why, &extent))) {
        r.Outcome = QStringLiteral("bad-file");
        r.Detail = oneLine(why);
        err(QStringLiteral("%1: %2").arg(file, r.Detail));
        return r;
    }
    // Only the file's own bytes: the rest of the memory keeps what the device holds.
    const uint32_t count = extent.End - extent.First;
    if (kind == tkCompareExtMemPart) {
        r.Ok = runTransfer(ctx, setup, kind, command, r, extent.First, count);
    } else if (kind == tkWriteExtMemPart) {
        r.Ok = runTransfer(ctx, setup, kind, command, r, extent.First, count) &&
               (!a.verify.value_or(false) ||
                runTransfer(ctx, setup, tkCompareExtMemPart, command, r, extent.First, count));
    } else {
        r.Ok = runTransfer(ctx, setup, kind, command, r);
        if (r.Ok &&
            !(hex ? SaveHexImage(extBuf, file, 0, setup.Ext, why) : SaveBinImage(extBuf, file, setup.Ext, why))) {
            r.Ok = false;
            r.Detail = oneLine(why);
            err(QStringLiteral("%1: %2").arg(file, r.Detail));
        }
    }
    if (r.Ok)
        r.Outcome = QStringLiteral("ok");
    return r;
}

int cmdExtMem(const CliArgs& a)
{
    if (a.positional.size() != 3)
        return usage("extmem требует read, write или verify и имя файла");
    const std::string& sub = a.positional[1];
    const TTransferKind kind = sub == "read"     ? tkReadExtMem
                               : sub == "write"  ? tkWriteExtMemPart
                               : sub == "verify" ? tkCompareExtMemPart
                                                 : TTransferKind(0);
    if (!kind)
        return usage("неизвестная команда extmem \"" + sub + "\"");
    if (a.verify && kind != tkWriteExtMemPart)
        return usage("--verify и --no-verify относятся к extmem write");
    if (kind == tkReadExtMem && (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1))
        return usage("extmem read читает одно устройство: иначе все записали бы один и тот же файл");
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    if (!checkFile(file, kind == tkReadExtMem))
        return kExitFailed;
    const auto addrs = targetAddresses(a);
    if (!addrs)
        return kExitFailed;
    const std::string command = "extmem " + sub;
    return runOnDevices(a, command, *addrs, [&](DeviceContext& ctx) { return extMemOne(ctx, a, kind, file, command); });
}

int cmdRoutes(const CliArgs& a)
{
    if (a.ports.size() > 1 || a.addrs.size() > 1 || a.addrAll)
        return usage("routes обращается к одному блоку");
    TCliRouteContext ctx;
    ctx.OpenLink = [&] { return openFirstLink(a); };
    ctx.Identify = [&](TZEVA16& link, TTransferSetup& setup) {
        return identifyForTransfer(link, a.addr, a.blockSize, setup);
    };
    ctx.Out = out;
    ctx.Err = err;
    ctx.RunProgress = [&a](TProgressThread& t) {
        Progress bar(TransferCaption(t.Kind()), QString::fromStdString(a.port), a.addr, true,
                     "routes " + a.positional[1]);
        uint64_t bytes = 0;
        int64_t ms = 0;
        const auto previous = std::signal(SIGINT, onInterrupt);
        runProgress(t, bar, 0, bytes, ms);
        std::signal(SIGINT, previous);
        bar.finish();
    };
    return CmdRoutes(a, ctx);
}

// The command of the line, after the options that need no command were taken.
int runCommand(const CliArgs& a)
{
    const std::map<std::string, std::function<int(const CliArgs&)>> commands = {
        {"ports", cmdPorts}, {"identify", cmdIdentify}, {"scan", cmdScan},     {"send", cmdSend},
        {"mode", cmdMode},   {"flash", cmdFlash},       {"extmem", cmdExtMem}, {"routes", cmdRoutes},
    };
    const auto it = commands.find(a.positional[0]);
    if (it == commands.end())
        return usage("неизвестная команда \"" + a.positional[0] + "\"");
    const bool offline =
        it->first == "ports" || (it->first == "routes" && a.positional.size() > 1 && a.positional[1] == "import");
    if (!offline && a.ports.empty())
        return usage("для этой команды нужен --port");
    if (a.ports.size() > size_t(kMaxBuses))
        return usage("не более " + std::to_string(kMaxBuses) + " портов сразу");
    for (const std::string& port : a.ports)
        if (PortNumberForName(port) <= 0)
            return usage("--port " + port + ": не COM1..COM" + std::to_string(PortMap::kLastAlias) +
                         ", не путь последовательного устройства (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*,"
                         " /dev/serial/by-id/* или псевдоним) и не серийный номер одного USB-адаптера");
    if (a.addrAll && a.db.empty())
        return usage("--addr all берёт список устройств из --db ФАЙЛ");

    TTraceWriter trace;
    if (!a.trace.empty()) {
        const QString file = QString::fromLocal8Bit(a.trace.c_str());
        if (!checkFile(file, true))
            return kExitFailed;
        std::string error;
        if (!trace.Open(a.trace, error)) {
            err(QStringLiteral("%1: %2").arg(file, Msg::FileWriteFailed.arg(QString::fromLocal8Bit(error.c_str()))));
            return kExitFailed;
        }
        g_trace = &trace;
    }
    if (!offline)
        loadCatalog(a);
    int code = it->second(a);
    if (g_trace) {
        g_trace = nullptr;
        std::string error;
        if (!trace.Close(error)) {
            err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(a.trace.c_str()),
                                             Msg::FileWriteFailed.arg(QString::fromLocal8Bit(error.c_str()))));
            code = code == kExitOk ? kExitFailed : code;
        }
    }
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zevanta"));
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(CliHelp().c_str(), stderr);
        return kExitUsage;
    }
    std::string why;
    const auto parsed = ParseCliArgs(args, why);
    if (!parsed)
        return usage(why);
    const CliArgs& a = *parsed;
    if (a.version) {
        std::printf("zevanta-cli %s\n", ZEVANTA_VERSION_STRING);
        return kExitOk;
    }
    if (a.help) {
        const std::string text = CliHelp(a.positional.empty() ? std::string() : a.positional[0]);
        if (text.empty())
            return usage("неизвестная команда \"" + a.positional[0] + "\"");
        std::fputs(text.c_str(), stdout);
        return kExitOk;
    }
    if (a.positional.empty())
        return usage("не задана команда");
    g_out.Quiet = a.quiet;
    g_out.Verbose = a.verbose;
    g_out.Json = a.json;

    const std::string command = a.positional.size() > 1 && (a.positional[0] == "flash" || a.positional[0] == "extmem" ||
                                                            a.positional[0] == "routes" || a.positional[0] == "mode")
                                    ? a.positional[0] + " " + a.positional[1]
                                    : a.positional[0];
    const int code = runCommand(a);
    g_out.finalJson(command, code);
    return code;
}
