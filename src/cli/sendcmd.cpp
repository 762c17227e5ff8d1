// zevanta-cli send and mode: one command by hand, the device's mode.
#include <QJsonArray>
#include <QJsonObject>

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/devicerun.h"
#include "cli/output.h"
#include "link/commands.h"
#include "link/comport.h"
#include "link/zeva16.h"
#include "memory/console.h"

namespace zcli {

int CmdSend(const CliArgs& a)
{
    if (a.positional.size() < 2)
        return usage("send требует код команды");
    if (a.addrs.size() > 1 || a.addrAll || a.ports.size() > 1)
        return usage("send обращается к одному устройству");
    // Every token is one byte in hexadecimal; anything else would send a different command.
    std::vector<uint8_t> bytes;
    for (size_t k = 1; k < a.positional.size(); ++k) {
        const auto b = console::ParseByte(QString::fromStdString(a.positional[k]));
        if (!b)
            return usage("\"" + a.positional[k] + "\" — не байт в шестнадцатеричном виде (1 или 2 цифры, 00..FF)");
        bytes.push_back(*b);
    }
    const uint8_t cmd = bytes.front();
    const std::vector<uint8_t> payload(bytes.begin() + 1, bytes.end());
    if (!startTrace())
        return kExitFile;
    auto link = openFirstLink(a);
    if (!link)
        return kExitFailed;
    // With -v every frame is shown as it goes: the console lines would show the last one again.
    if (!g_out.Verbose)
        out(console::RequestLine(cmd, payload));
    link->StartZEVA(uint16_t(a.addr), cmd);
    for (uint8_t b : payload)
        link->AddByte(b);
    const bool ok = link->PutCMD();
    if (!g_out.Verbose)
        out(console::AnswerLine(ok, link->BufZEVA().data(), ok ? link->CntZEVA() : 0));
    std::vector<uint8_t> answer(link->BufZEVA().begin(), link->BufZEVA().begin() + (ok ? link->CntZEVA() : 0));
    QJsonArray answerBytes;
    for (uint8_t b : answer)
        answerBytes.append(int(b));
    g_out.json({{QStringLiteral("type"), QStringLiteral("result")},
                {QStringLiteral("command"), QStringLiteral("send")},
                {QStringLiteral("port"), QString::fromStdString(a.port)},
                {QStringLiteral("path"), resolvedPath(a.port)},
                {QStringLiteral("address"), int(a.addr)},
                {QStringLiteral("outcome"), outcomeWord(ok ? kExitOk : kExitFailed)},
                {QStringLiteral("reason"), ok                                ? QJsonValue()
                                           : link->Error() == errAnswerError ? QJsonValue(QStringLiteral("refused"))
                                                                             : QJsonValue(QStringLiteral("no-answer"))},
                {QStringLiteral("answer"), answerBytes},
                {QStringLiteral("frames"), qint64(link->LinkSendPackets)},
                {QStringLiteral("badFrames"), qint64(link->LinkBadPackets)}});
    if (!ok) {
        err(QStringLiteral("устройство %1: %2").arg(a.addr).arg(failureText(*link)));
        return kExitFailed;
    }
    return kExitOk;
}

int CmdMode(const CliArgs& a)
{
    if (a.positional.size() != 2)
        return usage("mode требует boot, app или reset");
    const std::string& m = a.positional[1];
    // The bottom panel's buttons: "Загрузчик" sends 2, "Работа" 1, "Сброс" 8 (0 for the older reset system).
    const int cmd = m == "boot"    ? zcmd::kRunBootloader
                    : m == "app"   ? zcmd::kRunProgram
                    : m == "reset" ? (a.oldReset ? zcmd::kResetSystem : zcmd::kReset)
                                   : -1;
    if (cmd < 0)
        return usage("неизвестный режим \"" + m + "\" (boot, app или reset)");
    if (a.oldReset && m != "reset")
        return usage("--old-reset относится к mode reset");
    const auto addrs = targetAddresses(a);
    if (!addrs)
        return kExitFile;
    noteDefaultAddress(a);
    return runOnDevices(a, "mode " + m, *addrs, [cmd](DeviceContext& ctx) {
        DeviceResult r;
        const auto t0 = Clock::now();
        if (switchMode(ctx, uint8_t(cmd), r))
            r.done();
        r.Seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        return r;
    });
}

}  // namespace zcli
