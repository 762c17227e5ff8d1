#pragma once
#include <optional>
#include <string>

// USB serial adapters hold a short answer back until their latency timer runs out (FTDI: 16 ms
// by default), which costs a stop-and-wait protocol much of its throughput. The driver shows the
// timer in sysfs as latency_timer (milliseconds) beside the tty's device.

// The timer of a port (/dev/ttyUSB0) under sysRoot; nothing when its driver has none.
std::optional<int> ReadUsbLatencyTimer(const std::string& devicePath, const std::string& sysRoot = "/sys");
// Reads the timer and, when it is above 1 ms, tries to set it to 1 ms. Returns the warning to give
// (naming the command that lowers it) when it stays above 1 ms; empty when all is well or there
// is no timer.
std::string CheckUsbLatencyTimer(const std::string& devicePath, const std::string& sysRoot = "/sys");
