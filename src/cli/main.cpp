// zevanta-cli: command-line access to the link layer of Zevanta.
#include <cstdio>
#include <string>

#include <QCoreApplication>

#include "base/messages.h"
#include "cli/bus.h"
#include "cli/cliargs.h"
#include "cli/commands.h"
#include "cli/devicerun.h"
#include "cli/output.h"
#include "link/comport.h"
#include "link/frametrace.h"
#include "link/portinfo.h"
#include "versiondefs.h"

using namespace zcli;

namespace {

// Which ports a command needs.
enum class Bus {
    None,      // works on the computer alone
    Needed,    // one --port at least
    ForDevice  // none for `routes import`, which works on the database alone
};

// Every command of the program: its name, its help (kept beside the options it takes) and what runs it.
struct Command {
    const char* Name;
    Bus Ports;
    int (*Run)(const CliArgs&);
};

const Command kCommandTable[] = {
    {"ports", Bus::None, CmdPorts},     {"identify", Bus::Needed, CmdIdentify}, {"scan", Bus::Needed, CmdScan},
    {"send", Bus::Needed, CmdSend},     {"mode", Bus::Needed, CmdMode},         {"flash", Bus::Needed, CmdFlash},
    {"extmem", Bus::Needed, CmdExtMem}, {"routes", Bus::ForDevice, CmdRoutes},
};

const Command* findCommand(const std::string& name)
{
    for (const Command& c : kCommandTable)
        if (name == c.Name)
            return &c;
    return nullptr;
}

// The command's name in the result objects: with its subcommand where it has one.
std::string commandName(const CliArgs& a)
{
    const std::string& first = a.positional[0];
    const bool sub = first == "flash" || first == "extmem" || first == "routes" || first == "mode";
    return sub && a.positional.size() > 1 ? first + " " + a.positional[1] : first;
}

// The command of the line, after the options that need no command were taken.
int runCommand(const CliArgs& a)
{
    const Command* c = findCommand(a.positional[0]);
    if (!c)
        return usage("неизвестная команда \"" + a.positional[0] + "\"");
    const bool offline =
        c->Ports == Bus::None || (c->Ports == Bus::ForDevice && a.positional.size() > 1 && a.positional[1] == "import");
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
    int code = c->Run(a);
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

    const int code = runCommand(a);
    g_out.finalJson(commandName(a), code);
    return code;
}
