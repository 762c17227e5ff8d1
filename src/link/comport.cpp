#include "link/comport.h"

#include <algorithm>
#include <bitset>
#include <cctype>
#include <charconv>
#include <mutex>

#include "base/messages.h"

namespace {

// Decimal number filling the whole of s (an optional '+' allowed); false otherwise.
bool ParseDecimal(const std::string& s, uint64_t& value)
{
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last;
}

struct FixedRange {
    const char* prefix;
    int first;
};
constexpr FixedRange kFixed[] = {{"/dev/ttyS", 1}, {"/dev/ttyUSB", 33}, {"/dev/ttyACM", 65}};
constexpr int kPerRange = 32;

std::mutex gAliasMutex;
std::map<int, std::string> gAliases;

bool IsAliasNumber(int nCOM)
{
    return nCOM >= PortMap::kFirstAlias && nCOM <= PortMap::kLastAlias;
}

}  // namespace

TComSettings ParseComSettings(const std::string& params)
{
    std::string s;
    std::copy_if(params.begin(), params.end(), std::back_inserter(s), [](char c) { return c != ' '; });

    // At most four fields: the fourth keeps any further commas.
    std::vector<std::string> fields;
    size_t start = 0;
    while (fields.size() < 3) {
        const size_t comma = s.find(',', start);
        if (comma == std::string::npos)
            break;
        fields.push_back(s.substr(start, comma - start));
        start = comma + 1;
    }
    fields.push_back(s.substr(start));

    TComSettings r;
    if (fields.size() != 4)
        return r;

    uint64_t v = 0;
    // Rate 0 would hang up the line, so it counts as no number.
    if (ParseDecimal(fields[0], v) && v > 0 && v <= UINT32_MAX)
        r.Rate = uint32_t(v);
    if (ParseDecimal(fields[1], v) && v >= 5 && v <= 7)
        r.Bits = TComDataBits(v - 5);
    if (fields[2].size() == 1) {
        const char p = char(std::toupper(static_cast<unsigned char>(fields[2][0])));
        r.Parity = p == 'E' ? prEven : p == 'O' ? prOdd : prNone;
    }
    r.StopBits = fields[3] == "2" ? sbTwo : sbOne;
    return r;
}

namespace PortMap {

std::string PathFor(int nCOM)
{
    for (const FixedRange& r : kFixed)
        if (nCOM >= r.first && nCOM < r.first + kPerRange)
            return r.prefix + std::to_string(nCOM - r.first);
    if (IsAliasNumber(nCOM)) {
        std::lock_guard lock(gAliasMutex);
        const auto it = gAliases.find(nCOM);
        if (it != gAliases.end())
            return it->second;
    }
    return {};
}

int NumberFor(const std::string& path)
{
    if (path.empty())
        return 0;
    for (const FixedRange& r : kFixed) {
        const std::string prefix = r.prefix;
        if (path.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string rest = path.substr(prefix.size());
        // Device names carry no sign and no leading zero.
        uint64_t n = 0;
        if (!rest.empty() && std::isdigit(static_cast<unsigned char>(rest[0])) &&
            (rest.size() == 1 || rest[0] != '0') && ParseDecimal(rest, n) && n < uint64_t(kPerRange))
            return r.first + int(n);
    }
    std::lock_guard lock(gAliasMutex);
    for (const auto& [n, p] : gAliases)
        if (p == path)
            return n;
    return 0;
}

void SetAlias(int nCOM, const std::string& path)
{
    if (!IsAliasNumber(nCOM))
        return;
    std::lock_guard lock(gAliasMutex);
    if (path.empty())
        gAliases.erase(nCOM);
    else
        gAliases[nCOM] = path;
}

std::map<int, std::string> Aliases()
{
    std::lock_guard lock(gAliasMutex);
    return gAliases;
}

int AliasFor(const std::string& path)
{
    if (path.empty())
        return 0;
    std::lock_guard lock(gAliasMutex);
    for (const auto& [n, p] : gAliases)
        if (p == path)
            return n;
    for (int n = kFirstAlias; n <= kLastAlias; ++n)
        if (gAliases.emplace(n, path).second)
            return n;
    return 0;
}

}  // namespace PortMap

void TCOMPort::COMPortsList(QStringList& ports)
{
    COMPortsList(ports, HostSerialDevices());
}

void TCOMPort::COMPortsList(QStringList& ports, const std::vector<std::string>& hostDevicePaths)
{
    std::bitset<256> present;
    for (const std::string& path : hostDevicePaths) {
        const int n = PortMap::NumberFor(path);
        if (n > 0 && n < 256)
            present.set(size_t(n));
    }
    if (present.none())
        return;
    for (int n = 1; n <= 127; ++n)
        if (present.test(size_t(n)))
            ports.append(QStringLiteral("COM%1").arg(n));
}

namespace {

QString ComPortSettingName(int cmd)
{
    switch (cmd) {
    case telnet::cpSetBaudRate: return Msg::NetSettingRate;
    case telnet::cpSetDataSize: return Msg::NetSettingDataBits;
    case telnet::cpSetParity: return Msg::NetSettingParity;
    case telnet::cpSetStopSize: return Msg::NetSettingStopBits;
    case telnet::cpSetControl: return Msg::NetSettingFlow;
    case telnet::cpPurgeData: return Msg::NetSettingPurge;
    default: return QString::number(cmd);
    }
}

}  // namespace

QString PortLostText(uint8_t nCOM, const std::string& path)
{
    if (IsNetPortName(path))
        return Msg::NetClosed.arg(QString::fromStdString(path));
    return Msg::PortLost.arg(nCOM);
}

QString PortOpenFailureText(uint8_t nCOM, const std::string& path, TPortOpenFailure f, int err)
{
    if (IsNetPortName(path)) {
        const QString address = QString::fromStdString(path);
        switch (f) {
        case TPortOpenFailure::None: return {};
        case TPortOpenFailure::Unresolved: return Msg::NetUnresolved.arg(address);
        case TPortOpenFailure::Refused: return Msg::NetRefused.arg(address);
        case TPortOpenFailure::ConnectTimeOut: return Msg::NetConnectTimeOut.arg(address).arg(err);
        case TPortOpenFailure::SettingRefused:
            return err == 0 ? Msg::NetNoComPortOption.arg(address)
                            : Msg::NetSettingRefused.arg(address, ComPortSettingName(err));
        case TPortOpenFailure::ServerClosed: return Msg::NetClosed.arg(address);
        case TPortOpenFailure::BadAddress: return Msg::NetBadAddress.arg(address);
        default: return Msg::NetOtherError.arg(address).arg(err);
        }
    }
    const QString port = QStringLiteral("COM%1 (%2)").arg(nCOM).arg(QString::fromStdString(path));
    switch (f) {
    case TPortOpenFailure::None: return {};
    case TPortOpenFailure::Absent: return Msg::PortAbsent.arg(port);
    case TPortOpenFailure::Permission: {
        const std::string group = PortOwnerGroup(path);
        return Msg::PortPermission.arg(port, group.empty() ? QStringLiteral("?") : QString::fromStdString(group));
    }
    case TPortOpenFailure::Busy: return Msg::PortBusy.arg(port);
    case TPortOpenFailure::NotSerial: return Msg::PortNotSerial.arg(port);
    default: break;
    }
    return Msg::PortOtherError.arg(port).arg(err);
}
