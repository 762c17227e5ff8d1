// zevanta-cli: command-line access to the link layer of Zevanta.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/portaliases.h"
#include "app/settings.h"
#include "cli/bus.h"
#include "cli/cliargs.h"
#include "cli/commands.h"
#include "cli/devicerun.h"
#include "cli/output.h"
#include "link/comport.h"
#include "link/portinfo.h"
#include "versiondefs.h"

using namespace zcli;

namespace {

// Which ports a command needs.
enum class Bus {
    None,      // works on the computer alone
    Needed,    // one --port at least
    ForDevice  // none for `routes import` and `routes export`, which work on the database alone
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

// Where a path leads: links followed (also one whose target is not there yet), "." and ".."
// resolved, so two spellings of one place compare equal.
std::filesystem::path whereItLeads(const std::string& name)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(name), ec);
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        const fs::path target = fs::read_symlink(p, ec);
        if (ec)
            break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return fs::weakly_canonical(p, ec);
}

bool sameFile(const std::string& x, const std::string& y)
{
    std::error_code ec;
    // Hard links too: one file under two names.
    if (std::filesystem::equivalent(x, y, ec) && !ec)
        return true;
    return whereItLeads(x) == whereItLeads(y);
}

// The file of the command (input or output) that --trace names too, if any: the trace is
// written from its first line, so it would destroy it.
std::optional<std::string> sameFileAsTrace(const CliArgs& a, const Command* c)
{
    std::vector<std::string> files;
    if (c->Run == CmdFlash || c->Run == CmdExtMem || c->Run == CmdRoutes)
        for (size_t i = 2; i < a.positional.size(); ++i)
            files.push_back(a.positional[i]);
    for (const std::string* named : {&a.db, &a.catalog})
        if (!named->empty())
            files.push_back(*named);
    for (const std::string& file : files)
        if (sameFile(a.trace, file))
            return file;
    return std::nullopt;
}

// The command of the line, after the options that need no command were taken.
int runCommand(const CliArgs& a)
{
    const Command* c = findCommand(a.positional[0]);
    if (!c)
        return usage("неизвестная команда \"" + a.positional[0] + "\"");
    const bool offline = c->Ports == Bus::None || (c->Ports == Bus::ForDevice && a.positional.size() > 1 &&
                                                   (a.positional[1] == "import" || a.positional[1] == "export"));
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

    if (!a.trace.empty()) {
        if (const auto same = sameFileAsTrace(a, c))
            return usage("--trace " + a.trace + ": тот же файл, что и " + *same + "; запись кадров уничтожила бы его");
        if (!checkFile(QString::fromLocal8Bit(a.trace.c_str()), true))
            return kExitFile;
        setTracePath(a.trace);
    }
    if (!offline)
        loadCatalog(a);
    InterruptScope interrupts;
    int code = c->Run(a);
    if (!finishTrace())
        code = worseCode(code, kExitFile);
    if (g_interrupted)
        code = kExitInterrupted;
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
    if (!parsed) {
        // A script that asked for JSON gets it also when its line is wrong.
        g_out.Json = std::find(args.begin(), args.end(), "--json") != args.end();
        const int code = usage(why);
        g_out.finalJson({}, code);
        return code;
    }
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
    g_out.Quiet = a.quiet;
    g_out.Verbose = a.verbose;
    g_out.Json = a.json;
#ifndef Q_OS_WIN
    // The window's alias table, so a COMn stored there (a remote bus among them) is the same bus here.
    const QString windowIni =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zevanta.ini");
    if (QFileInfo::exists(windowIni))
        PortAliases::LoadFromSettings(*OpenSettingsStore(windowIni));
#endif
    if (a.positional.empty()) {
        const int code = usage("не задана команда");
        g_out.finalJson({}, code);
        return code;
    }

    const int code = runCommand(a);
    g_out.finalJson(commandName(a), code);
    return code;
}
