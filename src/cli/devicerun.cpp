#include "cli/devicerun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <thread>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QStringList>

#include "base/fileio.h"
#include "base/messages.h"
#include "cli/bus.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/identity.h"
#include "link/commands.h"
#include "link/comport.h"
#include "link/portinfo.h"
#include "link/zeva16.h"
#include "memory/flashpanel.h"

#ifdef _WIN32
#include <io.h>
#define ZV_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define ZV_ISATTY(f) isatty(fileno(f))
#endif

namespace zcli {

namespace {

// Seconds as every figure shows them: with milliseconds.
double ms3(double seconds)
{
    return std::round(seconds * 1000.0) / 1000.0;
}

QJsonObject resultJson(const std::string& command, const DeviceResult& r)
{
    QJsonObject o{{QStringLiteral("type"), QStringLiteral("result")},
                  {QStringLiteral("command"), QString::fromStdString(command)},
                  {QStringLiteral("port"), r.Port},
                  {QStringLiteral("path"), r.Path},
                  {QStringLiteral("address"), int(r.Addr)},
                  {QStringLiteral("bytes"), qint64(r.Bytes)},
                  {QStringLiteral("seconds"), ms3(r.Seconds)},
                  {QStringLiteral("speed"), r.Seconds > 0 ? std::round(double(r.LineBytes) / r.Seconds) : 0.0},
                  {QStringLiteral("frames"), qint64(r.Frames)},
                  {QStringLiteral("badFrames"), qint64(r.BadFrames)},
                  {QStringLiteral("outcome"), outcomeWord(r.Code)},
                  {QStringLiteral("failAddress"), r.FailAddr >= 0 ? QJsonValue(r.FailAddr) : QJsonValue()}};
    if (!r.Reason.isEmpty())
        o.insert(QStringLiteral("reason"), r.Reason);
    if (!r.Detail.isEmpty())
        o.insert(QStringLiteral("detail"), r.Detail);
    if (r.RoundTripMs >= 0)
        o.insert(QStringLiteral("roundTripMs"), qint64(r.RoundTripMs));
    if (r.Verified) {
        o.insert(QStringLiteral("verifyBytes"), qint64(r.VerifyBytes));
        o.insert(QStringLiteral("verifySeconds"), ms3(r.VerifySeconds));
    }
    if (!r.File.Name.isEmpty()) {
        o.insert(QStringLiteral("file"), r.File.Name);
        o.insert(QStringLiteral("sha256"), r.File.Sha256.isEmpty() ? QJsonValue() : QJsonValue(r.File.Sha256));
    }
    if (r.Identified) {
        o.insert(QStringLiteral("name"), r.Name);
        o.insert(QStringLiteral("version"), r.Version);
        o.insert(QStringLiteral("build"), r.Build);
        o.insert(QStringLiteral("part"), r.Part);
    }
    return o;
}

// The result line of one device: enough to tell, from a log alone, which image went into which board.
QString resultLine(const DeviceResult& r)
{
    QString line = QStringLiteral("%1 устройство %2: %3")
                       .arg(r.Port)
                       .arg(r.Addr)
                       .arg(r.ok() ? QStringLiteral("готово") : QStringLiteral("ОШИБКА"));
    if (!r.File.Name.isEmpty())
        line += QStringLiteral(", %1").arg(r.File.Name) +
                (r.File.Sha256.isEmpty() ? QString() : QStringLiteral(" (SHA-256 %1)").arg(r.File.Sha256));
    if (r.Bytes)
        line += QStringLiteral(", %1 байт за %2 с").arg(r.Bytes).arg(r.Seconds, 0, 'f', 3);
    if (r.Verified)
        line += QStringLiteral(", проверено %1 байт за %2 с").arg(r.VerifyBytes).arg(r.VerifySeconds, 0, 'f', 3);
    if (r.Identified)
        line += QStringLiteral("; %1 v. %2.%3%4")
                    .arg(r.Name, r.Version)
                    .arg(r.Build)
                    .arg(r.Part.isEmpty() ? QString() : QStringLiteral(", ") + r.Part);
    if (!r.Detail.isEmpty())
        line += QStringLiteral(" (%1)").arg(r.Detail);
    return line;
}

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

}  // namespace

FileStamp stampFile(const QString& file, uint64_t dataBytes)
{
    FileStamp s{QFileInfo(file).fileName(), {}, dataBytes};
    QFile f(file);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (f.open(QIODevice::ReadOnly) && hash.addData(&f))
        s.Sha256 = QString::fromLatin1(hash.result().toHex());
    return s;
}

void DeviceResult::fileFailed(const QString& file, const QString& why, const QString& reason)
{
    fail(kExitFile, reason, oneLine(why));
    err(QStringLiteral("%1: %2").arg(file, Detail));
}

void DeviceResult::identity(const TZEVA16& link)
{
    const TDeviceInfo i = link.InfoCopy();
    Identified = true;
    Name = i.Name.trimmed();
    Version = QStringLiteral("%1.%2").arg(i.Version >> 4).arg(i.Version & 15);
    Build = i.Build;
    Part = i.MCU.section(QStringLiteral("\r\n"), 0, 0).trimmed();
}

int runOnDevices(const CliArgs& a, const std::string& command, const std::vector<unsigned>& addrs, const DeviceJob& job)
{
    if (!startTrace())
        return kExitFile;
    const bool several = a.ports.size() * addrs.size() > 1;
    std::vector<std::vector<DeviceResult>> results(a.ports.size());
    const auto started = Clock::now();
    auto serveBus = [&](size_t bus) {
        const std::string& portName = a.ports[bus];
        const QString label = QString::fromStdString(portName);
        auto link = openLink(a, portName);
        for (unsigned addr : addrs) {
            DeviceResult r;
            if (!link) {
                r.fail(kExitFailed, QStringLiteral("port-failed"));
            } else if (g_interrupted) {
                r.fail(kExitInterrupted, QStringLiteral("not-started"), QStringLiteral("не начато"));
            } else {
                DeviceContext ctx{*link, label, addr, int(bus), !several};
                const uint64_t frames = link->LinkSendPackets, bad = link->LinkBadPackets;
                r = job(ctx);
                r.Frames = link->LinkSendPackets - frames;
                r.BadFrames = link->LinkBadPackets - bad;
            }
            r.Port = label;
            r.Path = resolvedPath(portName);
            r.Addr = addr;
            if (link && link->IsNetwork())
                r.RoundTripMs = link->RoundTripMs();
            out(resultLine(r));
            g_out.json(resultJson(command, r));
            results[bus].push_back(r);
        }
    };
    if (a.ports.size() == 1) {
        serveBus(0);
    } else {
        std::vector<std::thread> threads;
        for (size_t bus = 0; bus < a.ports.size(); ++bus)
            threads.emplace_back(serveBus, bus);
        for (auto& t : threads)
            t.join();
    }
    std::map<int, size_t> count;
    size_t total = 0;
    int code = kExitOk;
    for (const auto& bus : results)
        for (const DeviceResult& r : bus) {
            ++total;
            ++count[r.Code];
            code = worseCode(code, r.Code);
        }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (several) {
        QStringList classes;
        const std::pair<int, const char*> words[] = {{kExitFailed, "устройство или линия"},
                                                     {kExitDifferent, "различия"},
                                                     {kExitFile, "файл"},
                                                     {kExitInterrupted, "прервано"}};
        for (const auto& [c, word] : words)
            if (count[c])
                classes << QStringLiteral("%1: %2").arg(QString::fromUtf8(word)).arg(count[c]);
        out(QStringLiteral("готово устройств: %1 из %2 за %3 с")
                .arg(count[kExitOk])
                .arg(total)
                .arg(seconds, 0, 'f', 3) +
            (classes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(classes.join(QStringLiteral(", ")))));
        g_out.json({{QStringLiteral("type"), QStringLiteral("summary")},
                    {QStringLiteral("command"), QString::fromStdString(command)},
                    {QStringLiteral("devices"), qint64(total)},
                    {QStringLiteral("done"), qint64(count[kExitOk])},
                    {QStringLiteral("failed"), qint64(count[kExitFailed])},
                    {QStringLiteral("different"), qint64(count[kExitDifferent])},
                    {QStringLiteral("file"), qint64(count[kExitFile])},
                    {QStringLiteral("interrupted"), qint64(count[kExitInterrupted])},
                    {QStringLiteral("seconds"), ms3(seconds)},
                    {QStringLiteral("outcome"), outcomeWord(code)}});
    }
    return code;
}

std::optional<std::vector<unsigned>> targetAddresses(const CliArgs& a)
{
    if (!a.addrAll)
        return a.addrs;
    TDatabase db;
    if (!db.Open(QString::fromLocal8Bit(a.db.c_str()), TDatabase::OpenMode::ExistingOnly)) {
        err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(a.db.c_str()), db.OpenFailureText()));
        return std::nullopt;
    }
    std::vector<unsigned> addrs;
    QString why;
    const bool listed =
        ForEachRow(db, QStringLiteral("select Addr from Устройство order by Num, ID"), {}, why, [&](const TQuery& q) {
            const unsigned addr = q.Value(QStringLiteral("Addr")).toUInt();
            if (std::find(addrs.begin(), addrs.end(), addr) == addrs.end())
                addrs.push_back(addr);
        });
    if (!listed) {
        err(why);
        return std::nullopt;
    }
    if (addrs.empty())
        err(QStringLiteral("список устройств в %1 пуст").arg(QString::fromLocal8Bit(a.db.c_str())));
    return addrs.empty() ? std::nullopt : std::optional(addrs);
}

Progress::Progress(QString caption, QString port, unsigned addr, bool alone, std::string command, const TZEVA16* link)
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

void Progress::attach(TProgressThread& t)
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
            g_out.json({{QStringLiteral("type"), QStringLiteral("progress")},
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
void Progress::finish()
{
    if (FBar && FLast != Clock::time_point{})
        std::fputc('\n', stderr);
}

void Progress::draw(const TProgressView& v)
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

void runProgress(TProgressThread& t, Progress& bar, int slot, uint64_t& bytes, int64_t& ms)
{
    bar.attach(t);
    g_transfers[slot] = &t;
    if (g_interrupted)
        t.Cancel();
    t.Start();
    t.Wait();
    g_transfers[slot] = nullptr;
    TransferEnded();
    bytes = t.Shared().BytesDone.load();
    ms = t.ElapsedMs();
}

namespace {

// The word scripts get for why an exchange failed.
QString reasonWord(TBlockResult r)
{
    switch (r) {
    case brRefused: return QStringLiteral("refused");
    case brNoAnswer: return QStringLiteral("no-answer");
    case brBadLength: return QStringLiteral("bad-length");
    case brGone: return QStringLiteral("link-lost");
    case brOutside: return QStringLiteral("outside");
    case brError: return QStringLiteral("error");
    case brOk: break;
    }
    return {};
}

bool writes(TTransferKind kind)
{
    return kind == tkWriteFLASH || kind == tkWriteExtMem || kind == tkWriteExtMemPart || kind == tkWriteAT45;
}

}  // namespace

bool runTransfer(DeviceContext& ctx, const TTransferSetup& setup, TTransferKind kind, const std::string& command,
                 DeviceResult& result, uint32_t addr, uint32_t count, bool verifyStep)
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
    if (verifyStep) {
        result.Verified = true;
        result.VerifySeconds += double(ms) / 1000.0;
    } else {
        result.LineBytes += bytes;
        result.Seconds += double(ms) / 1000.0;
    }
    const TTransferResult& t = rep.Transfer;
    const QString who = ctx.Alone ? QString() : QStringLiteral("%1 устройство %2: ").arg(ctx.Port).arg(ctx.Addr);
    if (rep.Ok) {
        if (!rep.Message.isEmpty())
            out(who + oneLine(rep.Message));
        out(who + QStringLiteral("%1: готово, %2 байт за %3 с, кадров %4, ошибочных %5")
                      .arg(TransferCaption(kind))
                      .arg(bytes)
                      .arg(double(ms) / 1000.0, 0, 'f', 3)
                      .arg(ctx.Link.LinkSendPackets - frames)
                      .arg(ctx.Link.LinkBadPackets - badFrames));
        return true;
    }
    result.FailAddr = t.FailAddr;
    if (rep.PrepareRefused) {
        result.fail(kExitFailed, reasonWord(rep.PrepareReason),
                    QStringLiteral("%1 (команда 5: %2; устройство в режиме загрузчика?)")
                        .arg(oneLine(rep.Message), QString::fromUtf8(BlockResultText(rep.PrepareReason))));
    } else if (rep.PreWriteFailed || rep.PostWriteFailed) {
        result.fail(
            kExitFailed, reasonWord(rep.ModeReason),
            QStringLiteral("%1 (%2)").arg(oneLine(rep.Message), QString::fromUtf8(BlockResultText(rep.ModeReason))));
    } else if (t.Outcome == TTransferOutcome::Cancelled) {
        result.FailAddr = t.StopAddr;
        const QString at = t.StopAddr >= 0 ? QStringLiteral(" на адресе 0x%1")
                                                 .arg(QString::number(t.StopAddr, 16).toUpper().rightJustified(4, u'0'))
                                           : QString();
        result.fail(
            kExitInterrupted, {},
            QStringLiteral("прервано%1").arg(at) +
                (writes(kind) ? QStringLiteral("; память устройства может быть записана частично") : QString()));
        // Always with the device: a script's log must say which board holds a partial image.
        err(QStringLiteral("%1 устройство %2: %3: %4")
                .arg(ctx.Port)
                .arg(ctx.Addr)
                .arg(TransferCaption(kind), result.Detail));
        return false;
    } else if (t.Outcome == TTransferOutcome::Different) {
        result.fail(kExitDifferent, {}, QStringLiteral("%1 (данные различаются)").arg(oneLine(rep.Message)));
    } else {
        QString why = t.Reason == brGone && ctx.Link.IsNetwork()
                          ? PortLostText(ctx.Link.PortNumber(), PortMap::PathFor(ctx.Link.PortNumber()))
                          : QString::fromUtf8(BlockResultText(t.Reason));
        if (!t.ErrorText.isEmpty())
            why += QStringLiteral(": ") + t.ErrorText;
        result.fail(kExitFailed, reasonWord(t.Reason), QStringLiteral("%1 (%2)").arg(oneLine(rep.Message), why));
    }
    err(who + TransferCaption(kind) + QStringLiteral(": ") + result.Detail);
    return false;
}

void noteDefaultAddress(const CliArgs& a)
{
    if (!a.addrSet && !a.addrAll)
        g_out.warning(QStringLiteral("--addr не задан: устройство %1 (адрес по умолчанию)").arg(a.addr));
}

bool checkFile(const QString& file, bool forWriting)
{
    QString why;
    const bool ok = forWriting ? fileio::CheckOutputFile(file, why) : fileio::CheckInputFile(file, why);
    if (!ok)
        err(QStringLiteral("%1: %2").arg(file,
                                         forWriting ? Msg::FileWriteFailed.arg(why) : Msg::FileReadFailed.arg(why)));
    return ok;
}

bool switchMode(DeviceContext& ctx, uint8_t cmd, DeviceResult& r)
{
    ctx.Link.StartZEVA(uint16_t(ctx.Addr), cmd);
    if (!ctx.Link.PutCMD()) {
        const bool refused = ctx.Link.Error() == errAnswerError;
        // The window's own words: a refused start means there is no program to start.
        r.fail(kExitFailed, refused ? QStringLiteral("refused") : QStringLiteral("no-answer"),
               QStringLiteral("команда %1: %2")
                   .arg(cmd)
                   .arg(refused ? (cmd == zcmd::kRunProgram ? Msg::NoMainProgram : Msg::CommandNotAccepted)
                                : failureText(ctx.Link)));
        err(QStringLiteral("%1 устройство %2: %3").arg(ctx.Port).arg(ctx.Addr).arg(r.Detail));
        return false;
    }
    const std::function<bool(TMode)> wanted = cmd == zcmd::kRunBootloader ? isBootloader
                                              : cmd == zcmd::kRunProgram
                                                  ? isApplication
                                                  : std::function<bool(TMode)>([](TMode m) { return m != mNone; });
    const TMode last = waitMode(ctx.Link, ctx.Addr, wanted);
    if (!wanted(last) && g_interrupted) {
        r.fail(kExitInterrupted, {}, QStringLiteral("прервано в ожидании режима"));
        err(QStringLiteral("%1 устройство %2: %3").arg(ctx.Port).arg(ctx.Addr).arg(r.Detail));
        return false;
    }
    if (last != mNone)
        r.identity(ctx.Link);
    if (!wanted(last)) {
        r.fail(kExitFailed, QStringLiteral("wrong-mode"));
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
    r.Detail = QString::fromLatin1(ShortModeName(last));
    // With several devices the result line says it.
    if (ctx.Alone)
        out(QStringLiteral("устройство %1: %2").arg(ctx.Addr).arg(QString::fromUtf8(modeName(last))));
    return true;
}

}  // namespace zcli
