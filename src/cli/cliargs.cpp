#include "cli/cliargs.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <iterator>
#include <string_view>

#include <QCommandLineParser>
#include <QStringList>

#include "link/comport.h"
#include "link/portinfo.h"

namespace {

bool parseNumber(std::string_view s, unsigned long max, unsigned& out)
{
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    unsigned long v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || p != s.data() + s.size() || s.empty() || v > max)
        return false;
    out = unsigned(v);
    return true;
}

// Every option of the program, once: its names, its value and its line in the help.
struct OptionDef {
    const char* name;  // long name
    const char* shortName;
    const char* value;  // nullptr: a switch
    const char* help;
};
const OptionDef kOptions[] = {
    {"port", "p", "PORT", "COMn, a device path, a /dev/serial/by-id path or a USB serial number;\n"
                          "repeat it or give A,B,C to serve several buses at once, each by its own thread"},
    {"addr", "a", "ADDR", "device address 0..32767 (default 32767); lists and ranges 3,5,7-9"},
    {"baud", "b", "N", "line rate (default 115200)"},
    {"timeout", nullptr, "MS", "time-out per byte in ms (default 120; scan: 30)"},
    {"retries", nullptr, "N", "attempts per command (default 3; scan: 1)"},
    {"block-size", nullptr, "N", "external-memory block: 4, 8, 16, 32, 64, 128, 256 (default), 512, 528, 1056"},
    {"verify", nullptr, nullptr, "read back and compare after the write"},
    {"no-verify", nullptr, nullptr, "do not compare after the write"},
    {"run", nullptr, nullptr, "start the program (command 1) after a verified write"},
    {"old-reset", nullptr, nullptr, "reset with command 0, for bootloaders of version 5.1 and lower"},
    {"db", nullptr, "FILE", "the database file"},
    {"card", nullptr, "NAME", "the memory card by name"},
    {"route", nullptr, "N", "the route's position in its card (from 1)"},
    {"sheet", nullptr, "N", "the sheet of the spreadsheet (from 1, default 1)"},
    {"catalog", nullptr, "FILE", "the controller catalogue (default: mcu.xml beside the program, then in\n"
                                 "the installed data folder, then in the user's data folder)"},
    {"trace", nullptr, "FILE", "write every frame with its time, direction and outcome to FILE"},
    {"quiet", "q", nullptr, "print errors only"},
    {"verbose", "v", nullptr, "print every frame as the console tab shows it"},
    {"json", nullptr, nullptr, "one JSON object per line on stdout: progress and results"},
    {"help", "h", nullptr, "this help; after a command, the command's own"},
    {"version", nullptr, nullptr, "the program's version"},
};

// Options every command takes.
const std::vector<std::string_view> kCommon = {"help", "version", "quiet", "json"};
// Options of every command that talks to a device.
const std::vector<std::string_view> kLink = {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog"};

struct CommandDef {
    const char* name;
    const char* usage;  // lines after "zevanta-cli "
    const char* about;
    std::vector<std::string_view> options;  // besides kCommon
    const char* examples;
};
const CommandDef kCommands[] = {
    {"ports", "ports", "List the serial ports: COMn, device path and, for USB adapters, vendor:product id,\n"
                       "maker, product, serial number and the stable /dev/serial/by-id path.",
     {}, "zevanta-cli ports\nzevanta-cli ports --json"},
    {"identify", "identify -p PORT [-a ADDR]", "Identify the device (command 113) and print what it reports.", kLink,
     "zevanta-cli identify -p COM33 -a 5"},
    {"scan", "scan -p PORT [-a 1-254]",
     "Ask each address once with a short time-out and print a table of the devices that answered\n"
     "(address, mode, version, controller, name line).",
     kLink, "zevanta-cli scan -p /dev/ttyUSB0 -a 1-32"},
    {"send", "send CMD [BYTE...] -p PORT [-a ADDR]",
     "Send one command with a payload, every byte one or two hexadecimal digits.", kLink,
     "zevanta-cli send 06 47 -p COM33 -a 2"},
    {"mode", "mode boot|app|reset -p PORT [-a ADDRS] [--old-reset]",
     "Start the bootloader (command 2), the program (command 1) or reset the device (command 8;\n"
     "command 0 with --old-reset), then check the mode the device reports.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "old-reset", "db"},
     "zevanta-cli mode boot -p COM33 -a 3,5"},
    {"flash",
     "flash write FILE.hex -p PORT [-a ADDRS] [--no-verify] [--run]\n"
     "flash verify FILE.hex -p PORT [-a ADDRS]\n"
     "flash read FILE.hex -p PORT [-a ADDR]",
     "Write, compare or read the program memory through the bootloader. A write is compared\n"
     "afterwards unless --no-verify; --run then starts the program. Several addresses (3,5,7-9, or\n"
     "all: the device list of --db) and several ports are written in one run, each device with its\n"
     "own result line, then a summary; the exit code is 1 when any failed.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "verify", "no-verify", "run", "db"},
     "zevanta-cli flash write fw.hex -p COM33 -a 3,5,7-9 --run\n"
     "zevanta-cli flash write fw.hex -p COM33,COM34 -a all --db Zevanta.db"},
    {"extmem",
     "extmem write FILE -p PORT [-a ADDRS] [--verify]\n"
     "extmem verify FILE -p PORT [-a ADDRS]\n"
     "extmem read FILE -p PORT [-a ADDR]",
     "Write, compare or read the external memory (FILE.hex: Intel HEX, else binary). A file writes\n"
     "and compares only its own bytes, from address 0.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "verify", "no-verify", "block-size",
      "db"},
     "zevanta-cli extmem verify data.bin -p COM33 -a 5"},
    {"routes",
     "routes write --db FILE --card NAME -p PORT [-a ADDR]\n"
     "routes read --db FILE --card NAME -p PORT [-a ADDR]\n"
     "routes import FILE --db FILE --card NAME --route N [--sheet N]",
     "Pack a card and write it into the route-guidance unit, read the unit's routes into a card, or\n"
     "append a spreadsheet's turns (.xls, .xlsx, .ods, .csv) to a route.",
     {"port", "addr", "baud", "timeout", "retries", "trace", "verbose", "catalog", "db", "card", "route", "sheet"},
     "zevanta-cli routes write --db depot.db --card \"Депо Южное\" -p COM33 -a 6"},
};

const OptionDef* findOption(std::string_view name)
{
    for (const OptionDef& o : kOptions)
        if (name == o.name)
            return &o;
    return nullptr;
}

const CommandDef* findCommand(std::string_view name)
{
    for (const CommandDef& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

bool takes(const CommandDef& c, std::string_view option)
{
    return std::find(kCommon.begin(), kCommon.end(), option) != kCommon.end() ||
           std::find(c.options.begin(), c.options.end(), option) != c.options.end();
}

std::string indent(std::string_view text, const std::string& prefix)
{
    std::string out = prefix;
    for (char ch : text) {
        out += ch;
        if (ch == '\n')
            out += prefix;
    }
    return out;
}

std::string optionLines(const std::vector<std::string_view>& names)
{
    std::string out;
    for (std::string_view n : names) {
        const OptionDef* o = findOption(n);
        std::string head = o->shortName ? std::string("-") + o->shortName + ", --" + o->name : std::string("    --") + o->name;
        if (o->value)
            head += std::string(" ") + o->value;
        head.resize(std::max<size_t>(head.size() + 2, 24), ' ');
        out += "  " + head + indent(o->help, std::string(26, ' ')).substr(26) + "\n";
    }
    return out;
}

}  // namespace

std::string CliHelp(const std::string& command)
{
    if (command.empty()) {
        std::string out = "usage: zevanta-cli COMMAND [ARGS] [OPTIONS]\n\ncommands:\n";
        for (const CommandDef& c : kCommands)
            out += indent(c.usage, "  ") + "\n";
        std::vector<std::string_view> all;
        for (const OptionDef& o : kOptions)
            all.push_back(o.name);
        out += "\noptions (each command takes those its --help lists):\n" + optionLines(all);
        out += "\nOptions may stand anywhere, as --opt value or --opt=value.\n"
               "Exit codes: 0 done, 1 a device, a port or a file failed, 2 bad arguments; Ctrl+C cancels.\n"
               "zevanta-cli COMMAND --help shows the command's own help.\n";
        return out;
    }
    const CommandDef* c = findCommand(command);
    if (!c)
        return {};
    std::vector<std::string_view> names = c->options;
    names.insert(names.end(), kCommon.begin(), kCommon.end());
    std::string lines = indent(c->usage, "zevanta-cli ");
    for (size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 1))
        lines.insert(at + 1, "       ");
    return "usage: " + lines + "\n\n" + c->about + "\n\noptions:\n" +
           optionLines(names) + "\nexample:\n" + indent(c->examples, "  ") + "\n";
}

std::optional<std::vector<unsigned>> ParseAddrList(const std::string& text, std::string& error)
{
    std::vector<unsigned> out;
    std::string_view rest = text;
    while (true) {
        const size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        const size_t dash = item.find('-');
        unsigned lo = 0, hi = 0;
        const bool ok = dash == std::string_view::npos
                            ? parseNumber(item, 0x7FFF, lo) && (hi = lo, true)
                            : parseNumber(item.substr(0, dash), 0x7FFF, lo) &&
                                  parseNumber(item.substr(dash + 1), 0x7FFF, hi) && lo <= hi;
        if (!ok) {
            error = "--addr takes addresses 0..32767, ranges and lists (3,5,7-9) or all, not \"" + text + "\"";
            return std::nullopt;
        }
        for (unsigned a = lo; a <= hi; ++a)
            if (std::find(out.begin(), out.end(), a) == out.end())
                out.push_back(a);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return out;
}

std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& argv, std::string& error)
{
    CliArgs a;
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    p.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    std::vector<QCommandLineOption> options;
    for (const OptionDef& o : kOptions) {
        QStringList names{QString::fromLatin1(o.name)};
        if (o.shortName)
            names.prepend(QString::fromLatin1(o.shortName));
        options.emplace_back(names, QString(), o.value ? QString::fromLatin1(o.value) : QString());
        p.addOption(options.back());
    }
    auto opt = [&](std::string_view name) -> const QCommandLineOption& {
        return options[size_t(findOption(name) - kOptions)];
    };
    auto text = [&](std::string_view name) { return p.value(opt(name)).toLocal8Bit().toStdString(); };

    QStringList args{QStringLiteral("zevanta-cli")};
    for (const std::string& s : argv)
        args << QString::fromLocal8Bit(s.c_str());
    if (!p.parse(args)) {
        error = p.errorText().toStdString();
        return std::nullopt;
    }
    a.help = p.isSet(opt("help"));
    a.version = p.isSet(opt("version"));
    for (const QString& s : p.positionalArguments())
        a.positional.push_back(s.toLocal8Bit().toStdString());
    if (a.help || a.version)
        return a;

    // Options the command does not take would otherwise be ignored without a word.
    if (!a.positional.empty()) {
        if (const CommandDef* c = findCommand(a.positional[0])) {
            for (const OptionDef& o : kOptions)
                if (p.isSet(opt(o.name)) && !takes(*c, o.name)) {
                    error = std::string("--") + o.name + " does not belong to " + c->name;
                    return std::nullopt;
                }
        }
    }
    // One value each: a second one would silently win otherwise. Only --port may repeat.
    for (const OptionDef& o : kOptions) {
        if (o.value && std::string_view(o.name) != "port" && p.values(opt(o.name)).size() > 1) {
            error = std::string("--") + o.name + " is given more than once";
            return std::nullopt;
        }
    }
    for (const QString& v : p.values(opt("port"))) {
        for (const QString& one : v.split(QLatin1Char(','))) {
            if (one.isEmpty()) {
                error = "--port needs a port name, not an empty one";
                return std::nullopt;
            }
            const std::string name = one.toLocal8Bit().toStdString();
            if (std::find(a.ports.begin(), a.ports.end(), name) != a.ports.end()) {
                error = "--port " + name + " is given twice";
                return std::nullopt;
            }
            a.ports.push_back(name);
        }
    }
    if (!a.ports.empty())
        a.port = a.ports.front();

    if (p.isSet(opt("addr"))) {
        a.addrSet = true;
        const std::string v = text("addr");
        if (v == "all") {
            a.addrAll = true;
        } else {
            const auto list = ParseAddrList(v, error);
            if (!list)
                return std::nullopt;
            a.addrs = *list;
            a.addr = list->front();
        }
    }
    if (a.addrs.empty())
        a.addrs = {a.addr};

    if (p.isSet(opt("verify")) && p.isSet(opt("no-verify"))) {
        error = "--verify and --no-verify exclude each other";
        return std::nullopt;
    }
    if (p.isSet(opt("verify")) || p.isSet(opt("no-verify")))
        a.verify = p.isSet(opt("verify"));
    a.run = p.isSet(opt("run"));
    a.oldReset = p.isSet(opt("old-reset"));
    a.quiet = p.isSet(opt("quiet"));
    a.verbose = p.isSet(opt("verbose"));
    a.json = p.isSet(opt("json"));
    if (a.quiet && a.verbose) {
        error = "--quiet and --verbose exclude each other";
        return std::nullopt;
    }
    a.db = text("db");
    a.card = text("card");
    a.trace = text("trace");
    a.catalog = text("catalog");
    for (const char* name : {"db", "card", "trace", "catalog"}) {
        if (p.isSet(opt(name)) && p.value(opt(name)).isEmpty()) {
            error = std::string("--") + name + " needs a value";
            return std::nullopt;
        }
    }

    struct NumOpt {
        const char* name;
        unsigned* target;
        unsigned long min, max;
        const char* rule;
    };
    const NumOpt numeric[] = {{"baud", &a.baud, 1, 4000000, "must be a rate from 1 to 4000000"},
                              // 0 would mean waiting for ever, and never asking.
                              {"timeout", &a.timeoutMs, 1, 65535, "must be 1 ms or more (at most 65535)"},
                              {"retries", &a.retries, 1, 255, "must be 1 or more (at most 255)"},
                              {"block-size", &a.blockSize, 4, 1056, "must be one of 4, 8, 16, 32, 64, 128, 256, 512, 528, 1056"},
                              {"route", &a.route, 1, 65535, "needs a number from 1"},
                              {"sheet", &a.sheet, 1, 65535, "needs a number from 1"}};
    for (const NumOpt& n : numeric) {
        if (!p.isSet(opt(n.name)))
            continue;
        unsigned v = 0;
        if (!parseNumber(text(n.name), n.max, v) || v < n.min) {
            error = std::string("--") + n.name + " " + n.rule;
            return std::nullopt;
        }
        *n.target = v;
    }
    a.timeoutSet = p.isSet(opt("timeout"));
    a.retriesSet = p.isSet(opt("retries"));
    // The sizes the options dialog offers.
    static constexpr unsigned kBlockSizes[] = {4, 8, 16, 32, 64, 128, 256, 512, 528, 1056};
    if (std::find(std::begin(kBlockSizes), std::end(kBlockSizes), a.blockSize) == std::end(kBlockSizes)) {
        error = "--block-size must be one of 4, 8, 16, 32, 64, 128, 256, 512, 528, 1056";
        return std::nullopt;
    }
    return a;
}

int ResolvePort(const std::string& port, const std::string& sysRoot)
{
    if (port.size() > 3 && port.rfind("COM", 0) == 0) {
        unsigned n = 0;
        if (parseNumber(port.substr(3), PortMap::kLastAlias, n) && n >= 1)
            return int(n);
        return 0;
    }
    if (const int n = PortMap::NumberFor(port))
        return n;
    if (port.find('/') == std::string::npos) {
        // No path: the serial number of a USB adapter, which stays with the adapter on any socket.
        const int n = PortNumberForSerial(port, sysRoot);
        return n > 0 ? n : 0;
    }
    // A stable link (/dev/serial/by-id/…) names a fixed port; the low-latency handling needs to know it.
    std::error_code ec;
    const auto target = std::filesystem::canonical(port, ec);
    if (!ec)
        if (const int n = PortMap::NumberFor(target.string()))
            return n;
    return PortMap::AliasFor(port);
}
