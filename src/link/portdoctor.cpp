#include "link/portdoctor.h"

#include <charconv>
#include <filesystem>
#include <fstream>

#include <QCoreApplication>

#include "base/messages.h"
#include "link/portinfo.h"
#include "link/telnet.h"

namespace fs = std::filesystem;

namespace {

bool IsPid(const std::string& name, int& pid)
{
    const auto [p, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    return ec == std::errc() && p == name.data() + name.size() && pid > 0;
}

}  // namespace

std::vector<TPortHolder> PortHolders(const std::string& devicePath, const std::string& root)
{
    std::vector<TPortHolder> holders;
    const fs::path proc = fs::path(root) / "proc";
    const int self = int(QCoreApplication::applicationPid());
    std::error_code ec;
    for (fs::directory_iterator it(proc, ec), end; !ec && it != end; it.increment(ec)) {
        int pid = 0;
        if (!IsPid(it->path().filename().string(), pid) || (pid == self && root == "/"))
            continue;
        std::error_code fdEc;
        // Other users' descriptors are closed to us without root: such a holder stays unseen.
        for (fs::directory_iterator fd(it->path() / "fd", fdEc), fdEnd; !fdEc && fd != fdEnd; fd.increment(fdEc)) {
            std::error_code linkEc;
            if (fs::read_symlink(fd->path(), linkEc).string() != devicePath || linkEc)
                continue;
            std::ifstream comm(it->path() / "comm");
            std::string name;
            std::getline(comm, name);
            holders.push_back({pid, name.empty() ? "?" : name});
            break;
        }
    }
    return holders;
}

QString PortDoctorAdvice(const std::string& devicePath, TPortOpenFailure failure, const std::string& group,
                         const std::string& root)
{
    if (IsNetPortName(devicePath))
        return {};
    switch (failure) {
    case TPortOpenFailure::Permission:
        return Msg::DoctorPermission.arg(QString::fromStdString(group.empty() ? "dialout" : group));
    case TPortOpenFailure::Busy: {
        const std::vector<TPortHolder> holders = PortHolders(devicePath, root);
        if (holders.empty())
            return Msg::DoctorBusyUnknown.arg(QString::fromStdString(devicePath));
        QStringList lines;
        for (const TPortHolder& h : holders) {
            const QString name = QString::fromStdString(h.Name);
            QString line = Msg::DoctorBusy.arg(name).arg(h.Pid);
            if (name == QLatin1String("ModemManager"))
                line += QStringLiteral("\r\n") + Msg::DoctorModemManager;
            else if (name == QLatin1String("brltty"))
                line += QStringLiteral("\r\n") + Msg::DoctorBrltty;
            else
                line += QStringLiteral("\r\n") + Msg::DoctorCloseIt.arg(h.Pid);
            lines << line;
        }
        return lines.join(QStringLiteral("\r\n"));
    }
    case TPortOpenFailure::Absent: {
        QStringList ports;
        for (const TPortDescription& d : DescribeHostPorts((fs::path(root) / "sys").string()))
            ports << QStringLiteral("COM%1 (%2)").arg(d.Number).arg(QString::fromStdString(d.Text()));
        return ports.isEmpty() ? Msg::DoctorNoPorts : Msg::DoctorPortsThere.arg(ports.join(QStringLiteral(", ")));
    }
    default: return {};
    }
}

QString PortOpenFailureReport(uint8_t nCOM, const std::string& path, TPortOpenFailure f, int err)
{
    const QString text = PortOpenFailureText(nCOM, path, f, err);
    const QString advice = PortDoctorAdvice(path, f, f == TPortOpenFailure::Permission ? PortOwnerGroup(path) : "");
    return advice.isEmpty() ? text : text + QStringLiteral("\r\n") + advice;
}
