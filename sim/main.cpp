// zevanta-sim: a bus of simulated devices on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pthread.h>

#include "sim/deviceoption.h"
#include "sim/faultoption.h"
#include "sim/replaydevice.h"
#include "sim/simbus.h"
#include "versiondefs.h"

namespace {

void usage(FILE* to)
{
    std::fprintf(to,
                 "вызов: zevanta-sim [КЛЮЧИ]\n"
                 "Имитирует устройства на псевдотерминале и выводит путь его последовательной стороны.\n\n"
                 "  --link ПУТЬ      ещё и символическая ссылка ПУТЬ на последовательную сторону\n"
                 "                   (удаляется при выходе)\n"
                 "  --baud N         темп обоих направлений N бод (0: без темпа; по умолчанию 0)\n"
                 "%s"
                 "%s"
                 "  --replay ФАЙЛ    отвечать так, как записал след ФАЙЛ от zevanta-cli --trace:\n"
                 "                   n-й запрос команды получает n-й ответ на неё\n"
                 "  --replay-port COMn  порт следа для воспроизведения (по умолчанию первый)\n"
                 "  --version        версия\n"
                 "  --help           эта справка\n\n"
                 "Без --device: 1:boot50 2:boot51 3:boot60 4:app5:at45=8192 5:app6:at45=4096\n"
                 "Работает до SIGINT или SIGTERM.\n",
                 zeva::sim::deviceOptionHelp().c_str(), zeva::sim::faultOptionHelp().c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    zeva::sim::SimBus bus;
    bool anyDevice = false;
    std::vector<zeva::sim::FaultOption> faults;
    std::string replay, replayPort;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        // --opt=value as well as --opt value.
        std::string inlineValue;
        bool hasInline = false;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
            hasInline = true;
        }
        auto value = [&](const char* opt) -> const char* {
            if (hasInline)
                return inlineValue.c_str();
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zevanta-sim: %s needs a value\n", opt);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("zevanta-sim %s\n", ZEVANTA_VERSION_STRING);
            return 0;
        } else if (arg == "--link") {
            bus.setLinkPath(value("--link"));
        } else if (arg == "--baud") {
            const char* v = value("--baud");
            char* end = nullptr;
            const unsigned long baud = std::strtoul(v, &end, 10);
            if (!*v || *end || baud > 10000000) {
                std::fprintf(stderr, "zevanta-sim: bad baud rate: %s\n", v);
                return 2;
            }
            bus.setBaud(uint32_t(baud));
        } else if (arg == "--device") {
            std::string error;
            auto dev = zeva::sim::makeDevice(value("--device"), &error);
            if (!dev) {
                std::fprintf(stderr, "zevanta-sim: %s\n", error.c_str());
                return 2;
            }
            if (bus.device(dev->address())) {
                std::fprintf(stderr, "zevanta-sim: address %u is used twice\n", unsigned(dev->address()));
                return 2;
            }
            bus.addDevice(std::move(dev));
            anyDevice = true;
        } else if (arg == "--fault") {
            std::string error;
            auto f = zeva::sim::parseFaultOption(value("--fault"), &error);
            if (!f) {
                std::fprintf(stderr, "zevanta-sim: %s\n", error.c_str());
                return 2;
            }
            faults.push_back(*f);
        } else if (arg == "--replay") {
            replay = value("--replay");
            anyDevice = true;
        } else if (arg == "--replay-port") {
            replayPort = value("--replay-port");
        } else {
            std::fprintf(stderr, "zevanta-sim: unknown option %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (!replayPort.empty() && replay.empty()) {
        std::fprintf(stderr, "zevanta-sim: --replay-port belongs to --replay\n");
        return 2;
    }
    if (!replay.empty()) {
        std::string error;
        if (!zeva::sim::addReplayDevices(bus, replay, replayPort, &error)) {
            std::fprintf(stderr, "zevanta-sim: %s\n", error.c_str());
            return 2;
        }
    }
    if (!anyDevice)
        zeva::sim::addDefaultDevices(bus);
    for (const auto& f : faults) {
        zeva::sim::SimDevice* dev = bus.device(f.address);
        if (!dev) {
            std::fprintf(stderr, "zevanta-sim: --fault: no device at address %u\n", unsigned(f.address));
            return 2;
        }
        dev->addFault(f.fault);
    }

    // Signals are taken by sigwait below; the worker thread inherits the blocked mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    std::string error;
    if (!bus.start(&error)) {
        std::fprintf(stderr, "zevanta-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", bus.slavePath().c_str());
    std::fflush(stdout);

    int sig = 0;
    sigwait(&set, &sig);
    bus.stop();
    return 0;
}
