#include "link/usblatency.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

fs::path timerFile(const std::string& devicePath, const std::string& sysRoot)
{
    const std::string name = fs::path(devicePath).filename().string();
    if (name.rfind("ttyUSB", 0) != 0)
        return {};
    return fs::path(sysRoot) / "class" / "tty" / name / "device" / "latency_timer";
}

}  // namespace

std::optional<int> ReadUsbLatencyTimer(const std::string& devicePath, const std::string& sysRoot)
{
    const fs::path file = timerFile(devicePath, sysRoot);
    if (file.empty())
        return std::nullopt;
    std::ifstream in(file);
    std::string text;
    if (!std::getline(in, text))
        return std::nullopt;
    int ms = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), ms);
    if (ec != std::errc() || p == text.data() || ms < 0)
        return std::nullopt;
    return ms;
}

std::string CheckUsbLatencyTimer(const std::string& devicePath, const std::string& sysRoot)
{
    const auto ms = ReadUsbLatencyTimer(devicePath, sysRoot);
    if (!ms || *ms <= 1)
        return {};
    const fs::path file = timerFile(devicePath, sysRoot);
    {
        // Writable for root, or for everyone after a udev rule says so.
        std::ofstream out(file);
        out << "1\n";
    }
    const auto now = ReadUsbLatencyTimer(devicePath, sysRoot);
    if (now && *now <= 1)
        return {};
    return devicePath + ": the adapter's latency timer is " + std::to_string(now.value_or(*ms)) +
           " ms, which slows every answer; lower it with: echo 1 | sudo tee " + file.string();
}
