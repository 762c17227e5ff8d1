#include "link/portinfo.h"

#include "link/telnet.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "link/comport.h"

namespace fs = std::filesystem;

namespace {

// One line of a sysfs attribute, without its line end; empty when it is missing.
std::string readAttribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool isSerialName(const std::string& name)
{
    return name.rfind("ttyS", 0) == 0 || name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
}

// The USB device a tty hangs from: the nearest folder above its driver's device that has idVendor
// (the interface folder in between has none).
void fillUsb(TPortDescription& d, const fs::path& ttyDir)
{
    std::error_code ec;
    fs::path dir = fs::canonical(ttyDir / "device", ec);
    if (ec)
        return;
    for (int depth = 0; depth < 4 && !dir.empty() && dir != dir.root_path(); ++depth, dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor", ec))
            continue;
        d.Usb = true;
        d.VendorId = readAttribute(dir / "idVendor");
        d.ProductId = readAttribute(dir / "idProduct");
        d.Maker = readAttribute(dir / "manufacturer");
        d.Product = readAttribute(dir / "product");
        d.Serial = readAttribute(dir / "serial");
        return;
    }
}

// The description of /dev/<name> when it is a port with a driver; Number 0 otherwise.
TPortDescription describeTty(const fs::path& ttyDir)
{
    TPortDescription d;
    const std::string name = ttyDir.filename().string();
    std::error_code ec;
    if (!isSerialName(name) || !fs::exists(ttyDir / "device", ec))
        return d;  // no driver behind it
    // The kernel creates ttyS nodes without hardware; those report port type 0 (unknown).
    if (name.rfind("ttyS", 0) == 0 && readAttribute(ttyDir / "type") == "0")
        return d;
    d.Path = "/dev/" + name;
    d.Number = PortMap::NumberFor(d.Path);
    if (d.Number > 0)
        fillUsb(d, ttyDir);
    return d;
}

}  // namespace

std::string TPortDescription::Text() const
{
    std::string out = Path;
    if (!Usb)
        return out;
    std::string who = Maker;
    if (!Product.empty())
        who += (who.empty() ? "" : " ") + Product;
    if (who.empty())
        who = "USB " + VendorId + ":" + ProductId;
    out += ", " + who;
    if (!Serial.empty())
        out += ", s/n " + Serial;
    return out;
}

std::vector<TPortDescription> DescribeHostPorts(const std::string& sysRoot)
{
    std::vector<TPortDescription> ports;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(sysRoot) / "class" / "tty", ec), end; !ec && it != end; it.increment(ec)) {
        TPortDescription d = describeTty(it->path());
        if (d.Number > 0)
            ports.push_back(std::move(d));
    }
    for (const auto& [n, path] : PortMap::Aliases()) {
        std::error_code e2;
        // A network address is listed as it is: whether its server answers is learnt by connecting.
        if (IsNetPortName(path) || fs::exists(path, e2))
            ports.push_back(TPortDescription{n, path});
    }
    std::sort(ports.begin(), ports.end(),
              [](const TPortDescription& a, const TPortDescription& b) { return a.Number < b.Number; });
    return ports;
}

TPortDescription DescribePort(int nCOM, const std::string& sysRoot)
{
    TPortDescription d;
    d.Number = nCOM;
    d.Path = PortMap::PathFor(nCOM);
    const std::string prefix = "/dev/";
    if (d.Path.compare(0, prefix.size(), prefix) == 0) {
        const TPortDescription found = describeTty(fs::path(sysRoot) / "class" / "tty" / d.Path.substr(prefix.size()));
        if (found.Number == nCOM)
            return found;
    }
    return d;
}

std::string StableSerialPath(const std::string& devicePath, const std::string& byIdDir)
{
    std::error_code ec;
    const fs::path target = fs::canonical(devicePath, ec);
    if (ec)
        return {};
    std::vector<std::string> found;
    for (fs::directory_iterator it(byIdDir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code e2;
        if (fs::canonical(it->path(), e2) == target && !e2)
            found.push_back(it->path().string());
    }
    // An adapter with several interfaces has a link each; the first by name is as stable as any.
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

int PortNumberForName(const std::string& name, const std::string& sysRoot)
{
    if (name.size() > 3 && name.rfind("COM", 0) == 0) {
        int n = 0;
        const char* end = name.data() + name.size();
        const auto [p, ec] = std::from_chars(name.data() + 3, end, n);
        return ec == std::errc() && p == end && n >= 1 && n <= PortMap::kLastAlias ? n : 0;
    }
    if (const int n = PortMap::NumberFor(name))
        return n;
    std::error_code ec;
    if (name.find('/') == std::string::npos && !fs::exists(name, ec)) {
        // No path: the serial number of a USB adapter, which stays with the adapter on any socket.
        const int n = PortNumberForSerial(name, sysRoot);
        return n > 0 ? n : 0;
    }
    // A stable link (/dev/serial/by-id/…) names a fixed port; the low-latency handling needs to know it.
    const fs::path target = fs::canonical(name, ec);
    if (!ec)
        if (const int n = PortMap::NumberFor(target.string()))
            return n;
    return name.empty() ? 0 : PortMap::AliasFor(name);
}

int PortNumberForSerial(const std::string& serial, const std::string& sysRoot)
{
    int number = 0;
    if (serial.empty())
        return 0;
    for (const TPortDescription& d : DescribeHostPorts(sysRoot)) {
        if (!d.Usb || d.Serial != serial)
            continue;
        if (number != 0)
            return -1;
        number = d.Number;
    }
    return number;
}
