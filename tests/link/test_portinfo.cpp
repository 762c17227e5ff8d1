#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include <QTemporaryDir>

#include "link/comport.h"
#include "link/portinfo.h"
#include "link/usblatency.h"

namespace fs = std::filesystem;

namespace {

void writeAttr(const fs::path& file, const std::string& value)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << value << '\n';
}

// A /sys with the links laid out as the kernel does: class/tty/NAME points into devices/, and
// NAME/device points at the driver's device, below the USB interface and the USB device.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& [n, p] : PortMap::Aliases())
            PortMap::SetAlias(n, {});
        root = fs::path(dir.path().toStdString());
        fs::create_directories(root / "class/tty");
        const fs::path usb = "devices/pci0000:00/0000:00:14.0/usb1";

        // FTDI adapter: a usb-serial port folder between the interface and the tty.
        usbDevice(usb / "1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
        tty("ttyUSB0", usb / "1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0", "../../../ttyUSB0");
        // CDC-ACM device that reports ids only.
        usbDevice(usb / "1-3", "2341", "0043", "", "", "");
        tty("ttyACM0", usb / "1-3/1-3:1.0/tty/ttyACM0", "../../../1-3:1.0");
        // A motherboard port (type 4) and a node without hardware (type 0).
        tty("ttyS0", "devices/platform/serial8250/tty/ttyS0", "../../../serial8250");
        writeAttr(root / "devices/platform/serial8250/tty/ttyS0/type", "4");
        tty("ttyS1", "devices/platform/serial8250/tty/ttyS1", "../../../serial8250");
        writeAttr(root / "devices/platform/serial8250/tty/ttyS1/type", "0");
        // A USB tty whose driver has gone, and a console.
        tty("ttyUSB1", "devices/virtual/tty/ttyUSB1", "");
        tty("tty0", "devices/virtual/tty/tty0", "");
    }
    void TearDown() override
    {
        for (const auto& [n, p] : PortMap::Aliases())
            PortMap::SetAlias(n, {});
    }

    void usbDevice(const fs::path& rel, const std::string& vid, const std::string& pid, const std::string& maker,
                   const std::string& product, const std::string& serial)
    {
        writeAttr(root / rel / "idVendor", vid);
        writeAttr(root / rel / "idProduct", pid);
        if (!maker.empty())
            writeAttr(root / rel / "manufacturer", maker);
        if (!product.empty())
            writeAttr(root / rel / "product", product);
        if (!serial.empty())
            writeAttr(root / rel / "serial", serial);
    }
    void tty(const std::string& name, const fs::path& rel, const std::string& deviceLink)
    {
        fs::create_directories(root / rel);
        fs::create_directory_symlink("../.." / rel, root / "class/tty" / name);
        if (!deviceLink.empty())
            fs::create_directory_symlink(deviceLink, root / rel / "device");
    }

    QTemporaryDir dir;
    fs::path root;
};

}  // namespace

TEST_F(FakeSysfs, ListsPortsWithTheirUsbDevice)
{
    const std::string alias = (root / "sim-link").string();
    writeAttr(alias, "");
    PortMap::SetAlias(100, alias);
    PortMap::SetAlias(101, (root / "gone").string());

    struct Expected {
        int number;
        bool usb;
        std::string text;
    };
    const std::vector<Expected> expected = {
        {1, false, "/dev/ttyS0"},
        {33, true, "/dev/ttyUSB0, FTDI FT232R USB UART, s/n A50285BI"},
        {65, true, "/dev/ttyACM0, USB 2341:0043"},
        {100, false, alias},
    };
    const auto ports = DescribeHostPorts(root.string());
    ASSERT_EQ(ports.size(), expected.size());
    for (size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(ports[i].Number, expected[i].number);
        EXPECT_EQ(ports[i].Usb, expected[i].usb);
        EXPECT_EQ(ports[i].Text(), expected[i].text);
    }
    EXPECT_EQ(ports[1].VendorId, "0403");
    EXPECT_EQ(ports[1].ProductId, "6001");
    EXPECT_EQ(ports[1].Serial, "A50285BI");
}

TEST_F(FakeSysfs, DescribesOnePortEvenWhenItIsAbsent)
{
    const TPortDescription ftdi = DescribePort(33, root.string());
    EXPECT_TRUE(ftdi.Usb);
    EXPECT_EQ(ftdi.Maker, "FTDI");
    // Unplugged adapter and a driverless node: the path the number stands for, nothing more.
    for (int n : {34, 3}) {
        const TPortDescription gone = DescribePort(n, root.string());
        EXPECT_EQ(gone.Number, n);
        EXPECT_EQ(gone.Path, PortMap::PathFor(n));
        EXPECT_FALSE(gone.Usb);
    }
}

// A port named the way that survives a replug: its serial number (unique, else refused) or its
// /dev/serial/by-id link.
TEST_F(FakeSysfs, FindsAdaptersBySerialAndStableLink)
{
    EXPECT_EQ(PortNumberForSerial("A50285BI", root.string()), 33);
    EXPECT_EQ(PortNumberForSerial("NOSUCH", root.string()), 0);
    EXPECT_EQ(PortNumberForSerial("", root.string()), 0);
    // A second adapter with the same serial number makes the name ambiguous.
    usbDevice("devices/pci0000:00/0000:00:14.0/usb1/1-4", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
    tty("ttyUSB2", "devices/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0/ttyUSB2/tty/ttyUSB2", "../../../ttyUSB2");
    EXPECT_EQ(PortNumberForSerial("A50285BI", root.string()), -1);

    const fs::path dev = root / "dev";
    writeAttr(dev / "ttyUSB0", "");
    writeAttr(dev / "ttyUSB1", "");
    const fs::path byId = dev / "serial/by-id";
    fs::create_directories(byId);
    fs::create_symlink("../../ttyUSB0", byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    fs::create_symlink("../../ttyUSB9", byId / "usb-gone-if00-port0");
    EXPECT_EQ(StableSerialPath((dev / "ttyUSB0").string(), byId.string()),
              (byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string());
    EXPECT_EQ(StableSerialPath((dev / "ttyUSB1").string(), byId.string()), "");
    EXPECT_EQ(StableSerialPath((dev / "ttyUSB0").string(), (dev / "none").string()), "");
}

// Every way a user names a port.
TEST_F(FakeSysfs, PortNamesOfEveryKind)
{
    const std::string plain = (root / "sim-link").string();
    writeAttr(plain, "");
    const std::string stable = (root / "usb-stable-link").string();
    std::error_code ec;
    const bool haveTtyS0 = fs::exists("/dev/ttyS0", ec);
    if (haveTtyS0)
        fs::create_symlink("/dev/ttyS0", stable);
    struct Case {
        std::string name;
        int number;  // -1: an alias
    };
    const std::vector<Case> cases = {
        {"COM5", 5},          {"COM127", 127},      {"COM0", 0},      {"COM128", 0}, {"COMx", 0}, {"COM5x", 0},
        {"/dev/ttyUSB0", 33}, {"/dev/ttyACM2", 67}, {"A50285BI", 33}, {"NOSUCH", 0}, {"", 0},     {plain, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = PortNumberForName(c.name, root.string());
        if (c.number < 0) {
            EXPECT_GE(n, PortMap::kFirstAlias);
            EXPECT_EQ(PortMap::PathFor(n), c.name);
        } else {
            EXPECT_EQ(n, c.number);
        }
    }
    if (haveTtyS0) {
        EXPECT_EQ(PortNumberForName(stable, root.string()), 1) << "a link to a fixed port is that port";
    }
}

// The adapter's latency timer: read from sysfs, lowered to 1 ms where the file lets us, and a
// warning with the command only when it stays high.
TEST_F(FakeSysfs, LatencyTimerIsLoweredOrNamed)
{
    const fs::path file = root / "devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/latency_timer";
    struct Case {
        const char* name;
        std::string content;  // empty: no such file
        std::optional<int> read;
    };
    const std::vector<Case> cases = {
        {"already 1 ms", "1", 1},
        {"16 ms, lowered", "16", 16},
        {"no timer (not an FTDI)", "", std::nullopt},
        {"garbage", "fast", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(file);
        if (!c.content.empty())
            writeAttr(file, c.content);
        EXPECT_EQ(ReadUsbLatencyTimer("/dev/ttyUSB0", root.string()), c.read);
        EXPECT_EQ(CheckUsbLatencyTimer("/dev/ttyUSB0", root.string()), "");
        if (c.read) {
            EXPECT_EQ(ReadUsbLatencyTimer("/dev/ttyUSB0", root.string()), 1);
        }
    }
    // A timer nobody may lower, root included: a read-only number of the kernel stands in for it.
    fs::remove(file);
    fs::create_symlink("/proc/sys/fs/file-nr", file);
    const auto high = ReadUsbLatencyTimer("/dev/ttyUSB0", root.string());
    ASSERT_TRUE(high && *high > 1);
    const std::string warning = CheckUsbLatencyTimer("/dev/ttyUSB0", root.string());
    EXPECT_NE(warning.find("/dev/ttyUSB0: the adapter's latency timer is "), std::string::npos) << warning;
    EXPECT_NE(warning.find("echo 1 | sudo tee " + (root / "class/tty/ttyUSB0/device/latency_timer").string()),
              std::string::npos)
        << warning;

    // Ports that are no USB serial port have no timer at all.
    EXPECT_EQ(ReadUsbLatencyTimer("/dev/ttyS0", root.string()), std::nullopt);
    EXPECT_EQ(CheckUsbLatencyTimer("/dev/ttyACM0", root.string()), "");
}
