#include "sim/simdevice.h"

#include <algorithm>

namespace zeva::sim {

namespace {
constexpr size_t kLogLimit = 100000;
constexpr uint8_t kIdentify = 113;
}  // namespace

Reply SimDevice::handle(uint8_t cmd, std::span<const uint8_t> payload)
{
    auto guard = lock();
    if (cmd == kIdentify)
        return Reply::accept(identify());
    return command(cmd, payload);
}

Outcome SimDevice::serve(uint8_t cmd, std::span<const uint8_t> payload)
{
    Outcome out;
    bool silent = false;
    bool refuse = false;
    size_t cut = 0;
    {
        auto guard = lock();
        ++m_requests;
        m_log.push_back({cmd, {payload.begin(), payload.end()}});
        if (m_log.size() > kLogLimit)
            m_log.pop_front();

        for (auto& a : m_faults) {
            if (a.fault.command >= 0 && a.fault.command != cmd)
                continue;
            const uint64_t index = a.seen++;
            if (index < a.fault.after || (a.fault.count && index >= a.fault.after + a.fault.count))
                continue;
            switch (a.fault.kind) {
            case FaultKind::Silent: silent = true; break;
            case FaultKind::Refuse: refuse = true; break;
            case FaultKind::CorruptCrc: out.corruptCrc = true; break;
            case FaultKind::DropBytes: out.dropBytes = std::max(out.dropBytes, std::max(1, a.fault.dropBytes)); break;
            case FaultKind::Delay: out.delayMs = std::max(out.delayMs, a.fault.delayMs); break;
            case FaultKind::ShortAnswer: cut = std::max(cut, size_t(std::max(1, a.fault.dropBytes))); break;
            }
        }
        // Spent faults go, so that a long run does not pile them up.
        std::erase_if(m_faults,
                      [](const ActiveFault& a) { return a.fault.count && a.seen >= a.fault.after + a.fault.count; });
    }
    if (silent) {
        out.reply = Reply::none();
        return out;
    }
    out.reply = refuse ? Reply::refuse() : handle(cmd, payload);
    if (cut > 0 && out.reply.kind == Reply::Kind::Accept)
        out.reply.payload.resize(out.reply.payload.size() - std::min(cut, out.reply.payload.size()));
    return out;
}

void SimDevice::addFault(const Fault& fault)
{
    auto guard = lock();
    m_faults.push_back({fault, 0});
}

void SimDevice::clearFaults()
{
    auto guard = lock();
    m_faults.clear();
}

uint64_t SimDevice::requestCount() const
{
    auto guard = lock();
    return m_requests;
}

std::vector<LoggedRequest> SimDevice::requestLog() const
{
    auto guard = lock();
    return {m_log.begin(), m_log.end()};
}

void SimDevice::clearRequestLog()
{
    auto guard = lock();
    m_log.clear();
}

Reply SimDevice::extraCommand(uint8_t, std::span<const uint8_t>)
{
    return Reply::refuse();
}

}  // namespace zeva::sim
