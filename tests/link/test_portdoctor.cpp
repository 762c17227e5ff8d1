// The port doctor's advice over a fake /proc and /sys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QTemporaryDir>

#include "link/portdoctor.h"

namespace fs = std::filesystem;

namespace {

class PortDoctor : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& [n, p] : PortMap::Aliases())
            PortMap::SetAlias(n, {});
        root = fs::path(dir.path().toStdString());
        fs::create_directories(root / "proc/self");
        fs::create_directories(root / "sys/class/tty");
    }
    void process(int pid, const std::string& name, const std::vector<std::string>& open)
    {
        const fs::path p = root / "proc" / std::to_string(pid);
        fs::create_directories(p / "fd");
        std::ofstream(p / "comm") << name << '\n';
        int fd = 3;
        for (const std::string& target : open)
            fs::create_symlink(target, p / "fd" / std::to_string(fd++));
    }
    // A CDC-ACM adapter as the kernel lays it out, reporting its USB ids.
    void acmPort()
    {
        const fs::path usb = root / "sys/devices/pci0000:00/usb1/1-3";
        fs::create_directories(usb / "1-3:1.0/tty/ttyACM0");
        std::ofstream(usb / "idVendor") << "2341\n";
        std::ofstream(usb / "idProduct") << "0043\n";
        fs::create_directory_symlink("../../devices/pci0000:00/usb1/1-3/1-3:1.0/tty/ttyACM0",
                                     root / "sys/class/tty/ttyACM0");
        fs::create_directory_symlink("../../../1-3:1.0", usb / "1-3:1.0/tty/ttyACM0/device");
    }
    QString advice(const std::string& path, TPortOpenFailure f, const std::string& group = "dialout")
    {
        return PortDoctorAdvice(path, f, group, root.string());
    }

    QTemporaryDir dir;
    fs::path root;
};

}  // namespace

TEST_F(PortDoctor, NamesWhoHoldsABusyPortAndTheCure)
{
    process(812, "ModemManager", {"/dev/null", "/dev/ttyUSB0"});
    process(1200, "brltty", {"/dev/ttyUSB0"});
    process(1300, "minicom", {"/dev/ttyUSB1"});
    process(1400, "screen", {"/dev/ttyUSB10"});  // a longer name with the same beginning is another port
    struct Case {
        const char* path;
        std::vector<const char*> wanted;
        std::vector<const char*> unwanted;
    };
    const Case cases[] = {
        {"/dev/ttyUSB0",
         {"ModemManager (PID 812)", "systemctl stop ModemManager", "brltty (PID 1200)", "apt remove brltty"},
         {"minicom", "screen"}},
        {"/dev/ttyUSB1", {"minicom (PID 1300)", "kill 1300"}, {"ModemManager"}},
        {"/dev/ttyS0", {"sudo fuser -v /dev/ttyS0"}, {"PID"}},  // nobody we can see
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const QString text = advice(c.path, TPortOpenFailure::Busy);
        for (const char* w : c.wanted)
            EXPECT_TRUE(text.contains(QString::fromUtf8(w))) << text.toStdString();
        for (const char* u : c.unwanted)
            EXPECT_FALSE(text.contains(QString::fromUtf8(u))) << text.toStdString();
    }
}

TEST_F(PortDoctor, PermissionGivesTheGroupCommandAndAbsentListsThePortsThatExist)
{
    EXPECT_EQ(advice("/dev/ttyUSB0", TPortOpenFailure::Permission, "uucp"),
              "Добавьте пользователя в группу \"uucp\": sudo usermod -aG uucp $USER, затем выйдите из системы и "
              "войдите снова");
    EXPECT_TRUE(advice("/dev/ttyUSB0", TPortOpenFailure::Permission, "").contains("usermod -aG dialout $USER"));

    EXPECT_EQ(advice("/dev/ttyUSB3", TPortOpenFailure::Absent),
              "Последовательных портов в системе нет: подключите адаптер");
    acmPort();
    EXPECT_EQ(advice("/dev/ttyUSB3", TPortOpenFailure::Absent), "Имеющиеся порты: COM65 (/dev/ttyACM0, USB 2341:0043)");

    // Nothing to add where the doctor has no cure, nor for a network port.
    EXPECT_TRUE(advice("/dev/null", TPortOpenFailure::NotSerial).isEmpty());
    EXPECT_TRUE(advice("tcp://127.0.0.1:7000", TPortOpenFailure::Busy).isEmpty());
}
