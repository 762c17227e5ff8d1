// zevanta-cli: command-line access to the link layer of Zevanta.
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QStringList>

#include "cli/cliargs.h"
#include "link/comport.h"
#include "link/zeva16.h"
#include "memory/console.h"

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
    "defaults: --addr 32767 --baud 115200 --timeout 120 (ms per byte) --retries 3\n";

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
    if (n <= 0) {
        err(QStringLiteral("cannot map \"%1\" to a port number").arg(QString::fromStdString(a.port)));
        return nullptr;
    }
    auto link = std::make_unique<TZEVA16>(uint8_t(n), a.baud, uint16_t(a.timeoutMs), 16384);
    if (link->Error() == errNotOpenPort) {
        err(QStringLiteral("port COM%1 (%2) is absent or busy").arg(n).arg(QString::fromStdString(PortMap::PathFor(n))));
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

int cmdIdentify(const CliArgs& a)
{
    auto link = openLink(a);
    if (!link)
        return kExitFailed;
    try {
        link->SetMCUs(LoadMCUCatalog(DefaultMCUCatalogPath()));
    } catch (const McuCatalogError& e) {
        err(QString::fromStdString(e.what()) + QStringLiteral(" (controller details will be missing)"));
    }
    if (!link->GetDeviceInfo(uint16_t(a.addr))) {
        err(QStringLiteral("device %1: %2").arg(a.addr).arg(failureText(*link)));
        return kExitFailed;
    }
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
    const auto cmd = console::ParseCommand(QString::fromStdString(a.positional[1]));
    QString data;
    for (size_t k = 2; k < a.positional.size(); ++k) {
        QString byte = QString::fromStdString(a.positional[k]);
        if (byte.size() == 1)
            byte.prepend(QLatin1Char('0'));  // "5" as a byte means 05
        data += byte;
    }
    const auto payload = console::ParseData(data);
    auto link = openLink(a);
    if (!link)
        return kExitFailed;
    out(console::RequestLine(cmd.cmd, payload.bytes));
    link->StartZEVA(uint16_t(a.addr), cmd.cmd);
    for (uint8_t b : payload.bytes)
        link->AddByte(b);
    const bool ok = link->PutCMD();
    out(console::AnswerLine(ok, link->BufZEVA().data(), ok ? link->CntZEVA() : 0));
    if (!ok) {
        err(QStringLiteral("device %1: %2").arg(a.addr).arg(failureText(*link)));
        return kExitFailed;
    }
    return kExitOk;
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
    };
    const auto it = commands.find(parsed->positional[0]);
    if (it == commands.end())
        return usage("unknown command \"" + parsed->positional[0] + "\"");
    return it->second(*parsed);
}
