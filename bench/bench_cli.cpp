// zevanta-cli as a production line runs it, on buses paced at 115200 Bd: eight 32 KiB controllers
// (ATmega32: 30 KiB of program after the bootloader) written (and compared) in one run against the time their frames
// need on the wire, and four such buses on four ports at once against one bus alone. Prints figures only.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "link/frametrace.h"
#include "link/zevaframe.h"
#include "sim/deviceoption.h"
#include "sim/simbus.h"

namespace {

using namespace zeva::sim;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBaud = 115200;
constexpr int kDevices = 8;
constexpr int kBuses = 4;
constexpr uint32_t kProgStart = 0x800;  // ATmega32 of the catalogue
constexpr uint32_t kMemSize = 0x8000;

std::unique_ptr<SimBus> makeBus()
{
    auto bus = std::make_unique<SimBus>();
    for (int a = 1; a <= kDevices; ++a)
        bus->addDevice(makeDevice(std::to_string(a) + ":boot60:mcu=3"));
    bus->setBaud(kBaud);
    std::string why;
    if (!bus->start(&why)) {
        std::fprintf(stderr, "simulator: %s\n", why.c_str());
        std::exit(1);
    }
    return bus;
}

// The whole program region, none of it erased (0xFF) so every block carries its data.
void writeHex(const std::string& path)
{
    std::ofstream out(path);
    char line[64];
    for (uint32_t addr = kProgStart; addr < kMemSize; addr += 16) {
        unsigned sum = 16 + (addr >> 8) + (addr & 0xFF);
        std::string data;
        for (uint32_t i = 0; i < 16; ++i) {
            const unsigned b = (addr + i) * 7 % 251;
            std::snprintf(line, sizeof line, "%02X", b);
            data += line;
            sum += b;
        }
        std::snprintf(line, sizeof line, ":10%04X00", unsigned(addr));
        out << line << data;
        std::snprintf(line, sizeof line, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        out << line;
    }
    out << ":00000001FF\r\n";
}

// Seconds the frames of a trace need on the line: every byte of every request and answer, ten
// bits each, nothing in between.
double wireSeconds(const std::string& tracePath, size_t& frames)
{
    std::ifstream in(tracePath);
    std::string line, why;
    uint64_t bytes = 0;
    frames = 0;
    while (std::getline(in, line)) {
        const auto r = ParseTraceLine(line, why);
        if (!r)
            continue;
        if (r->Request) {
            bytes += zeva::encodeFrame(r->Addr, r->Cmd, r->Bytes).size();
            ++frames;
        } else if (r->Outcome == TFrameOutcome::Accepted) {
            bytes += zeva::encodeFrame(r->Addr, zeva::kAnswerAccepted, r->Bytes).size();
        } else if (r->Outcome == TFrameOutcome::Refused) {
            bytes += zeva::encodeFrame(r->Addr, zeva::kAnswerRefused, {}).size();
        }
    }
    return double(bytes) * 10.0 / kBaud;
}

struct Run {
    int code = -1;
    double wall = 0;     // the process, start to end
    double devices = 0;  // the summary's seconds: first device to last
    int done = 0;
};

Run runCli(const QStringList& args)
{
    const QString cli = QString::fromStdString(
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zevanta-cli").string());
    QProcess p;
    const auto t0 = Clock::now();
    p.start(cli, args);
    p.waitForFinished(600000);
    Run r;
    r.wall = std::chrono::duration<double>(Clock::now() - t0).count();
    r.code = p.exitCode();
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (o.value(QStringLiteral("type")).toString() == QLatin1String("summary")) {
            r.devices = o.value(QStringLiteral("seconds")).toDouble();
            r.done = o.value(QStringLiteral("done")).toInt();
        }
    }
    const QByteArray err = p.readAllStandardError();
    if (r.code != 0)
        std::fprintf(stderr, "zevanta-cli exit %d: %s\n", r.code, err.constData());
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string fw = dir.filePath(QStringLiteral("fw.hex")).toStdString();
    writeHex(fw);

    std::vector<std::unique_ptr<SimBus>> buses;
    for (int i = 0; i < kBuses; ++i)
        buses.push_back(makeBus());
    const QString addrs = QStringLiteral("1-%1").arg(kDevices);

    // One bus: eight devices one after another.
    const std::string trace = dir.filePath(QStringLiteral("one.trace")).toStdString();
    const Run one = runCli({QStringLiteral("flash"), QStringLiteral("write"), QString::fromStdString(fw),
                            QStringLiteral("-p"), QString::fromStdString(buses[0]->slavePath()), QStringLiteral("-a"),
                            addrs, QStringLiteral("--json"), QStringLiteral("--trace"), QString::fromStdString(trace)});
    size_t frames = 0;
    const double wire = wireSeconds(trace, frames);
    std::printf("flash write (with compare) of %u KiB into %d devices on one bus at %u Bd: exit %d, %d done\n",
                (kMemSize - kProgStart) / 1024, kDevices, kBaud, one.code, one.done);
    std::printf("  frames on the wire: %zu requests, %.3f s of line time (%.3f s per device)\n", frames, wire,
                wire / kDevices);
    std::printf("  run, first device to last: %.3f s -> %.1f %% of the wire limit (goal >= 95 %%)\n", one.devices,
                100.0 * wire / one.devices);
    std::printf("  process, start to end:     %.3f s -> %.1f %%\n", one.wall, 100.0 * wire / one.wall);

    // Four buses on four ports at once: each its own thread.
    QStringList args{
        QStringLiteral("flash"), QStringLiteral("write"), QString::fromStdString(fw), QStringLiteral("-a"), addrs,
        QStringLiteral("--json")};
    for (const auto& bus : buses)
        args << QStringLiteral("-p") << QString::fromStdString(bus->slavePath());
    const Run four = runCli(args);
    std::printf("the same on %d buses at once: exit %d, %d done\n", kBuses, four.code, four.done);
    std::printf("  run: %.3f s against %.3f s for one bus -> %.3fx (goal <= 1.1x)\n", four.devices, one.devices,
                four.devices / one.devices);
    std::printf("  process: %.3f s against %.3f s -> %.3fx\n", four.wall, one.wall, four.wall / one.wall);
    for (auto& bus : buses)
        bus->stop();
    return one.code == 0 && four.code == 0 ? 0 : 1;
}
