#include "cli/cliargs.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "link/comport.h"

namespace {

bool parseNumber(const std::string& text, unsigned long max, unsigned& out)
{
    int base = 10;
    std::string_view s = text;
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

}  // namespace

std::optional<CliArgs> ParseCliArgs(const std::vector<std::string>& argv, std::string& error)
{
    CliArgs a;
    struct NumOpt {
        const char* name;
        unsigned* target;
        unsigned long max;
    };
    const NumOpt numeric[] = {{"--addr", &a.addr, 0x7FFF},
                              {"--baud", &a.baud, 4000000},
                              {"--timeout", &a.timeoutMs, 65535},
                              {"--retries", &a.retries, 255},
                              {"--block-size", &a.blockSize, 1056},
                              {"--route", &a.route, 65535},
                              {"--sheet", &a.sheet, 65535}};
    const std::pair<const char*, std::string*> text[] = {{"--port", &a.port}, {"--db", &a.db}, {"--card", &a.card}};
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (arg == "--verify" || arg == "--no-verify") {
            const bool v = arg == "--verify";
            if (a.verify && *a.verify != v) {
                error = "--verify and --no-verify exclude each other";
                return std::nullopt;
            }
            a.verify = v;
            continue;
        }
        const auto named = std::find_if(std::begin(text), std::end(text), [&](const auto& t) { return arg == t.first; });
        if (named != std::end(text)) {
            if (i + 1 >= argv.size()) {
                error = std::string(named->first) + " needs a value";
                return std::nullopt;
            }
            *named->second = argv[++i];
            continue;
        }
        const NumOpt* opt = nullptr;
        for (const auto& o : numeric)
            if (arg == o.name)
                opt = &o;
        if (opt) {
            if (i + 1 >= argv.size() || !parseNumber(argv[i + 1], opt->max, *opt->target)) {
                error = std::string(opt->name) + " needs a number from 0 to " + std::to_string(opt->max);
                return std::nullopt;
            }
            ++i;
            continue;
        }
        if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        a.positional.push_back(arg);
    }
    // The sizes the options dialog offers.
    static constexpr unsigned kBlockSizes[] = {4, 8, 16, 32, 64, 128, 256, 512, 528, 1056};
    if (std::find(std::begin(kBlockSizes), std::end(kBlockSizes), a.blockSize) == std::end(kBlockSizes)) {
        error = "--block-size must be one of 4, 8, 16, 32, 64, 128, 256, 512, 528, 1056";
        return std::nullopt;
    }
    if (a.baud == 0) {
        error = "--baud must not be 0";
        return std::nullopt;
    }
    // 0 would mean waiting for ever, and never asking.
    if (a.timeoutMs == 0) {
        error = "--timeout must be 1 ms or more";
        return std::nullopt;
    }
    if (a.retries == 0) {
        error = "--retries must be 1 or more";
        return std::nullopt;
    }
    return a;
}

int ResolvePort(const std::string& port)
{
    if (port.size() > 3 && port.rfind("COM", 0) == 0) {
        unsigned n = 0;
        if (parseNumber(port.substr(3), PortMap::kLastAlias, n) && n >= 1)
            return int(n);
        return 0;
    }
    if (const int n = PortMap::NumberFor(port))
        return n;
    return PortMap::AliasFor(port);
}
