#include "cli/bus.h"

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "base/messages.h"
#include "cli/output.h"
#include "link/comport.h"
#include "link/frametrace.h"
#include "link/portdoctor.h"
#include "link/portinfo.h"
#include "link/usblatency.h"
#include "memory/console.h"
#include "memory/transferrun.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace zcli {

std::atomic<TProgressThread*> g_transfers[kMaxBuses];
std::atomic<bool> g_interrupted{false};
std::vector<TItemMCU> g_catalog;

namespace {

std::string g_tracePath;
TTraceWriter g_traceWriter;
std::atomic<TTraceWriter*> g_trace{nullptr};

}  // namespace

namespace {

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

}  // namespace

#ifdef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGBREAK};
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif

InterruptScope::InterruptScope()
{
    for (size_t i = 0; i < std::size(kSignals); ++i)
        FPrevious[i] = std::signal(kSignals[i], onInterrupt);
}

InterruptScope::~InterruptScope()
{
    for (size_t i = 0; i < std::size(kSignals); ++i)
        std::signal(kSignals[i], FPrevious[i]);
}

void setTracePath(const std::string& path)
{
    g_tracePath = path;
}

bool startTrace()
{
    if (g_tracePath.empty() || g_trace)
        return true;
    std::string error;
    if (!g_traceWriter.Open(g_tracePath, error)) {
        err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(g_tracePath.c_str()),
                                         Msg::FileWriteFailed.arg(QString::fromLocal8Bit(error.c_str()))));
        return false;
    }
    g_trace = &g_traceWriter;
    return true;
}

bool finishTrace()
{
    if (!g_trace)
        return true;
    g_trace = nullptr;
    std::string error;
    if (!g_traceWriter.Close(error)) {
        err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(g_tracePath.c_str()),
                                         Msg::FileWriteFailed.arg(QString::fromLocal8Bit(error.c_str()))));
        return false;
    }
    return true;
}

void TransferEnded()
{
#ifndef _WIN32
    // The cancel took effect: no need to cut the program short, unless another bus still hangs.
    if (std::none_of(std::begin(g_transfers), std::end(g_transfers),
                     [](const auto& running) { return running.load() != nullptr; }))
        ::alarm(0);
#endif
}

QString portLabel(int n)
{
    return QStringLiteral("COM%1").arg(n);
}

QString resolvedPath(const std::string& port)
{
    const std::string path = PortMap::PathFor(PortNumberForName(port));
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    return QString::fromStdString(ec ? path : target.string());
}

std::unique_ptr<TZEVA16> openLink(const CliArgs& a, const std::string& port)
{
    const int n = PortNumberForName(port);
    auto link = std::make_unique<TZEVA16>(uint8_t(n), a.baud, uint16_t(a.timeoutMs), 16384);
    if (link->Error() == errNotOpenPort) {
        const std::string path = PortMap::PathFor(n);
        QString why = PortOpenFailureReport(uint8_t(n), path, link->OpenFailure(), link->OpenErrno());
        // The port as the user named it: COMn only where COMn was written.
        const QString given = QString::fromStdString(port), shown = QString::fromStdString(path);
        if (given != portLabel(n))
            why.replace(QStringLiteral("%1 (%2)").arg(portLabel(n), shown),
                        given == shown ? given : QStringLiteral("%1 (%2)").arg(given, shown));
        err(why);
        return nullptr;
    }
    if (link->IsNetwork())
        g_out.frame(QStringLiteral("%1: время оборота %2 мс (добавлено к тайм-ауту)")
                        .arg(QString::fromStdString(PortMap::PathFor(n)))
                        .arg(link->RoundTripMs()));
    link->RepCount = uint8_t(a.retries);
    link->SetMCUs(g_catalog);
    const std::string slow = CheckUsbLatencyTimer(PortMap::PathFor(n));
    if (!slow.empty())
        g_out.warning(QString::fromStdString(slow));
    if (g_out.Verbose || g_trace) {
        // The trace names the bus as COMn, a word without spaces its replay can pick a jig by.
        const std::string label = portLabel(n).toStdString();
        const QString shown = QString::fromStdString(port) + QLatin1Char(' ');
        const bool several = a.ports.size() > 1;
        link->OnFrame = [label, shown, several](const TFrameEvent& e) {
            if (TTraceWriter* trace = g_trace.load())
                trace->Write(e, label);
            g_out.frame(several ? shown + frameText(e) : frameText(e));
        };
    }
    return link;
}

std::unique_ptr<TZEVA16> openFirstLink(const CliArgs& a)
{
    return openLink(a, a.port);
}

void loadCatalog(const CliArgs& a)
{
    const QString path = a.catalog.empty() ? DefaultMCUCatalogPath() : QString::fromLocal8Bit(a.catalog.c_str());
    try {
        g_catalog = LoadMCUCatalog(path);
    } catch (const McuCatalogError& e) {
        err(e.Russian() + QStringLiteral(" (сведений о микроконтроллере не будет)"));
    }
}

QString failureText(const TZEVA16& link)
{
    if (link.Error() == errAnswerError)
        return QStringLiteral("устройство отказалось выполнить команду (0x22)");
    if (link.HungUp() && link.IsNetwork())
        return PortLostText(link.PortNumber(), PortMap::PathFor(link.PortNumber()));
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

QString versionText(const TDeviceInfo& i)
{
    return QStringLiteral("%1.%2.%3").arg(i.Version >> 4).arg(i.Version & 15).arg(i.Build);
}

bool identifyDevice(TZEVA16& link, unsigned addr)
{
    if (!link.GetDeviceInfo(uint16_t(addr))) {
        err(QStringLiteral("устройство %1: %2").arg(addr).arg(failureText(link)));
        return false;
    }
    return true;
}

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

}  // namespace zcli
