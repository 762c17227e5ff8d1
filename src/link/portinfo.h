#pragma once
#include <string>
#include <vector>

// What the host knows about one serial port: its COMn number, the device path behind it and,
// for a USB adapter, the strings the USB device reports about itself.
struct TPortDescription {
    int Number = 0;    // COMn
    std::string Path;  // "/dev/ttyUSB0", or the path of an alias
    bool Usb = false;  // the port sits on a USB device
    // Initialised, so that a port known only by number and path can be written {n, path}.
    std::string VendorId{}, ProductId{};       // four hexadecimal digits each
    std::string Maker{}, Product{}, Serial{};  // empty when the device reports none

    // "/dev/ttyUSB0, FTDI FT232R USB UART, s/n A50285BI" (USB ids when it names nothing).
    std::string Text() const;
};

// Every serial port of the host by ascending number: the tty devices with a driver found under
// sysRoot ("/sys" on the machine; a fake tree in tests), then the aliases whose path exists.
// ttyS nodes the kernel made without hardware are left out.
std::vector<TPortDescription> DescribeHostPorts(const std::string& sysRoot = "/sys");
// The description of the port with this number; only Number and Path when the host has no such
// device (yet).
TPortDescription DescribePort(int nCOM, const std::string& sysRoot = "/sys");

// The stable path of a device under byIdDir (/dev/serial/by-id/usb-…): the link there that leads to
// devicePath; empty when there is none.
std::string StableSerialPath(const std::string& devicePath, const std::string& byIdDir = "/dev/serial/by-id");
// The port a user names: "COM5" → 5, a device path (also a /dev/serial/by-id link) → its fixed
// number, any other path → an alias, a bare name that is no file → the USB adapter with that serial
// number; 0 when it names none.
int PortNumberForName(const std::string& name, const std::string& sysRoot = "/sys");
// The COMn number of the USB adapter with this serial number; 0 when no port has it, -1 when
// several have it (the name would be ambiguous).
int PortNumberForSerial(const std::string& serial, const std::string& sysRoot = "/sys");
