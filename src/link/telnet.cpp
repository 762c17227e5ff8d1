#include "link/telnet.h"

#include <charconv>

namespace {

struct TScheme {
    const char* Prefix;
    TNetAddress::TKind Kind;
};
constexpr TScheme kSchemes[] = {{"tcp://", TNetAddress::nkTcp}, {"rfc2217://", TNetAddress::nkRfc2217}};

bool IsWanted(uint8_t option)
{
    return option == telnet::optBinary || option == telnet::optSGA || option == telnet::optComPort;
}

}  // namespace

bool IsNetPortName(const std::string& name)
{
    for (const TScheme& s : kSchemes)
        if (name.rfind(s.Prefix, 0) == 0)
            return true;
    return false;
}

std::optional<TNetAddress> ParseNetAddress(const std::string& name)
{
    for (const TScheme& s : kSchemes) {
        if (name.rfind(s.Prefix, 0) != 0)
            continue;
        const std::string rest = name.substr(std::char_traits<char>::length(s.Prefix));
        TNetAddress a;
        a.Kind = s.Kind;
        size_t colon = 0;
        if (!rest.empty() && rest[0] == '[') {
            const size_t close = rest.find(']');
            if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
                return std::nullopt;
            a.Host = rest.substr(1, close - 1);
            colon = close + 1;
        } else {
            colon = rest.rfind(':');
            if (colon == std::string::npos)
                return std::nullopt;
            a.Host = rest.substr(0, colon);
            // A bare IPv6 literal would be ambiguous with the port.
            if (a.Host.find(':') != std::string::npos)
                return std::nullopt;
        }
        if (a.Host.empty() || a.Host.find_first_of("/ \t@?#") != std::string::npos)
            return std::nullopt;
        const std::string port = rest.substr(colon + 1);
        unsigned value = 0;
        const auto [p, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (port.empty() || ec != std::errc() || p != port.data() + port.size() || value == 0 || value > 65535)
            return std::nullopt;
        a.Port = uint16_t(value);
        return a;
    }
    return std::nullopt;
}

namespace telnet {

void AppendEscaped(std::vector<uint8_t>& out, std::span<const uint8_t> data)
{
    for (uint8_t b : data) {
        out.push_back(b);
        if (b == IAC)
            out.push_back(IAC);
    }
}

std::vector<uint8_t> ComPortCommand(uint8_t cmd, std::span<const uint8_t> value)
{
    std::vector<uint8_t> out{IAC, SB, optComPort, cmd};
    AppendEscaped(out, value);
    out.push_back(IAC);
    out.push_back(SE);
    return out;
}

std::vector<uint8_t> OpeningNegotiation()
{
    return {IAC, WILL, optComPort, IAC, WILL, optBinary, IAC, DO, optBinary, IAC, WILL, optSGA, IAC, DO, optSGA};
}

void TTelnetDecoder::Push(std::span<const uint8_t> chunk, std::vector<uint8_t>& data)
{
    if (!FStarted) {
        FStarted = true;
        // What OpeningNegotiation asked for counts as said, so the server's agreement is not answered again.
        FLocal[optComPort] = FLocal[optBinary] = FLocal[optSGA] = WILL;
        FRemote[optBinary] = FRemote[optSGA] = DO;
    }
    for (uint8_t b : chunk) {
        switch (FState) {
        case tsData:
            if (b == IAC)
                FState = tsIac;
            else
                data.push_back(b);
            break;
        case tsIac:
            if (b == IAC) {
                data.push_back(IAC);
                FState = tsData;
            } else if (b == SB) {
                FSb.clear();
                FState = tsSbData;
            } else if (b == WILL || b == WONT || b == DO || b == DONT) {
                FVerb = b;
                FState = tsVerb;
            } else {
                FState = tsData;  // NOP, GA and the like carry nothing for us
            }
            break;
        case tsVerb:
            Negotiate(FVerb, b);
            FState = tsData;
            break;
        case tsSbData:
            if (b == IAC)
                FState = tsSbIac;
            else
                FSb.push_back(b);
            break;
        case tsSbIac:
            if (b == IAC) {
                FSb.push_back(IAC);
                FState = tsSbData;
            } else if (b == SE) {
                EndSubnegotiation();
                FState = tsData;
            } else {
                // A broken subnegotiation: drop it and take the byte as a command.
                FState = tsIac;
                Push(std::span<const uint8_t>(&b, 1), data);
            }
            break;
        }
    }
}

void TTelnetDecoder::Negotiate(uint8_t verb, uint8_t option)
{
    auto send = [this](uint8_t v, uint8_t o) { Reply.insert(Reply.end(), {IAC, v, o}); };
    // An option we are in already is not confirmed again, or two sides could agree for ever; a
    // refusal is always answered.
    switch (verb) {
    case DO:
        if (!IsWanted(option)) {
            send(WONT, option);
        } else if (FLocal[option] != WILL) {
            FLocal[option] = WILL;
            send(WILL, option);
        }
        break;
    case DONT:
        if (option == optComPort)
            ComPortRefused = true;
        if (FLocal[option] == WILL) {
            FLocal[option] = WONT;
            send(WONT, option);
        }
        break;
    case WILL:
        // The server's echo would send our own requests back as answers.
        if (option == optEcho || option == optComPort || !IsWanted(option)) {
            send(DONT, option);
        } else if (FRemote[option] != DO) {
            FRemote[option] = DO;
            send(DO, option);
        }
        break;
    case WONT:
        if (FRemote[option] == DO) {
            FRemote[option] = DONT;
            send(DONT, option);
        }
        break;
    default: break;
    }
}

void TTelnetDecoder::EndSubnegotiation()
{
    if (FSb.size() < 2 || FSb[0] != optComPort || FSb[1] < kServerOffset)
        return;
    Answers.push_back({FSb[1], std::vector<uint8_t>(FSb.begin() + 2, FSb.end())});
}

}  // namespace telnet
