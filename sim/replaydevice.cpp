#include "sim/replaydevice.h"

#include <QFile>

#include "base/fileio.h"
#include "link/commands.h"
#include "link/frametrace.h"
#include "sim/simbus.h"

namespace zeva::sim {

void ReplayDevice::addAnswer(uint8_t cmd, std::vector<uint8_t> payload)
{
    auto guard = lock();
    m_answers[cmd].push_back(std::move(payload));
}

std::vector<uint8_t> ReplayDevice::identify()
{
    auto& queue = m_answers[zcmd::kIdentify];
    if (queue.empty())
        return {};
    std::vector<uint8_t> answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

Reply ReplayDevice::command(uint8_t cmd, std::span<const uint8_t>)
{
    auto& queue = m_answers[cmd];
    if (queue.empty())
        return Reply::none();
    Reply r = Reply::accept(std::move(queue.front()));
    queue.pop_front();
    return r;
}

bool addReplayDevices(SimBus& bus, const std::string& path, const std::string& onlyPort, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = path + ": " + why;
        return false;
    };
    // The same checks as every input file of the program: a FIFO or a device is refused before
    // anything is read from it, with the system's reason.
    QByteArray text;
    QString why;
    if (!fileio::ReadWholeFile(QFile::decodeName(QByteArray::fromStdString(path)), text, why))
        return fail(why.toStdString());
    // An editor may have saved the trace with a UTF-8 byte order mark.
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    std::string port = onlyPort;
    std::map<uint16_t, ReplayDevice*> devices;
    std::map<std::pair<uint16_t, uint8_t>, uint64_t> seen;  // requests per address and command so far
    std::string lineError;
    size_t answers = 0;
    for (const QByteArray& bytes : text.split('\n')) {
        const auto r = ParseTraceLine(bytes.toStdString(), lineError);
        if (!r) {
            if (!lineError.empty())
                return fail(lineError);
            continue;
        }
        if (port.empty())
            port = r->Port;
        if (r->Port != port || r->Request)
            continue;
        ReplayDevice*& dev = devices[r->Addr];
        if (!dev) {
            if (bus.device(r->Addr))
                return fail("address " + std::to_string(r->Addr) + " is used twice");
            dev = &bus.emplace<ReplayDevice>(r->Addr);
        }
        const uint64_t index = seen[{r->Addr, r->Cmd}]++;
        ++answers;
        auto fault = [&](FaultKind kind) { dev->addFault(Fault{kind, r->Cmd, index, 1}); };
        switch (r->Outcome) {
        case TFrameOutcome::Accepted: dev->addAnswer(r->Cmd, r->Bytes); break;
        case TFrameOutcome::Refused: fault(FaultKind::Refuse); break;
        case TFrameOutcome::BadFrame:
            // The device ran the request; its answer came back spoiled.
            fault(FaultKind::CorruptCrc);
            dev->addAnswer(r->Cmd, {});
            break;
        case TFrameOutcome::NoAnswer:
        case TFrameOutcome::HungUp: fault(FaultKind::Silent); break;
        }
    }
    if (answers == 0)
        return fail(onlyPort.empty() ? std::string("no answers to play back")
                                     : "no answers of " + onlyPort + " to play back");
    return true;
}

}  // namespace zeva::sim
