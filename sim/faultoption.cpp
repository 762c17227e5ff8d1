#include "sim/faultoption.h"

#include "sim/deviceoption.h"

namespace zeva::sim {

std::optional<FaultOption> parseFaultOption(std::string_view text, std::string* error)
{
    auto fail = [&](const std::string& why) -> std::optional<FaultOption> {
        if (error)
            *error = "--fault " + std::string(text) + ": " + why;
        return std::nullopt;
    };
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return fail("expected ADDR:KIND[:after=N,count=N,cmd=N,arg=N]");
    const auto addr = optionNumber(text.substr(0, colon));
    if (!addr || *addr > 0x7FFF)
        return fail("the address must be 0..32767");
    FaultOption f;
    f.address = uint16_t(*addr);
    std::string_view rest = text.substr(colon + 1);
    const size_t colon2 = rest.find(':');
    const std::string_view kind = rest.substr(0, colon2);
    bool hasArg = false;
    uint64_t arg = 0;
    if (kind == "silent")
        f.fault.kind = FaultKind::Silent;
    else if (kind == "refuse")
        f.fault.kind = FaultKind::Refuse;
    else if (kind == "bad-crc")
        f.fault.kind = FaultKind::CorruptCrc;
    else if (kind == "drop")
        f.fault.kind = FaultKind::DropBytes;
    else if (kind == "delay")
        f.fault.kind = FaultKind::Delay;
    else if (kind == "short")
        f.fault.kind = FaultKind::ShortAnswer;
    else
        return fail("unknown kind \"" + std::string(kind) + "\" (silent, refuse, bad-crc, drop, delay, short)");
    std::string_view keys = colon2 == std::string_view::npos ? std::string_view() : rest.substr(colon2 + 1);
    while (!keys.empty()) {
        const size_t comma = keys.find(',');
        const std::string_view item = keys.substr(0, comma);
        keys = comma == std::string_view::npos ? std::string_view() : keys.substr(comma + 1);
        const size_t eq = item.find('=');
        const std::string_view key = item.substr(0, eq);
        const auto value = eq == std::string_view::npos ? std::nullopt : optionNumber(item.substr(eq + 1));
        if (!value)
            return fail("\"" + std::string(item) + "\" is not key=number");
        if (key == "after")
            f.fault.after = *value;
        else if (key == "count")
            f.fault.count = *value;
        else if (key == "cmd" && *value <= 255)
            f.fault.command = int(*value);
        else if (key == "arg" && *value <= 60000)
            hasArg = true, arg = *value;
        else
            return fail("unknown key or value out of range: \"" + std::string(item) + "\"");
    }
    if (f.fault.kind == FaultKind::Delay)
        f.fault.delayMs = hasArg ? int(arg) : 500;
    else if (f.fault.kind == FaultKind::DropBytes || f.fault.kind == FaultKind::ShortAnswer)
        f.fault.dropBytes = hasArg ? std::max(1, int(arg)) : 1;
    else if (hasArg)
        return fail("arg belongs to delay, drop and short");
    return f;
}

std::string faultOptionHelp()
{
    return "  --fault АДРЕС:ВИД[:after=N,count=N,cmd=N,arg=N]\n"
           "                   сбой устройства АДРЕС: silent (нет ответа), refuse (0x22), bad-crc, drop\n"
           "                   (в ответе не хватает arg байт, по умолчанию 1), delay (ответ через arg\n"
           "                   мс, по умолчанию 500), short (целый ответ без последних arg байт данных,\n"
           "                   по умолчанию 1); после N нормальных запросов, на count запросов\n"
           "                   (0: на все), только для команды cmd; можно повторять\n";
}

}  // namespace zeva::sim
