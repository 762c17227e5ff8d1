#pragma once
#include <deque>
#include <map>
#include <string>

#include "sim/simdevice.h"

namespace zeva::sim {

class SimBus;

// A device that answers as a recorded trace says: the n-th request with a command gets the n-th
// recorded answer to that command, whatever its payload; past the end it stays silent.
class ReplayDevice : public SimDevice {
public:
    explicit ReplayDevice(uint16_t address) : SimDevice(address) {}
    // Accepted answers in order; the others are faults at their place among the requests.
    void addAnswer(uint8_t cmd, std::vector<uint8_t> payload);

protected:
    std::vector<uint8_t> identify() override;
    Reply command(uint8_t cmd, std::span<const uint8_t> payload) override;

private:
    std::map<uint8_t, std::deque<std::vector<uint8_t>>> m_answers;
};

// Adds one replay device for every address of one port of the trace (empty: its first port). False
// with a reason when the file cannot be read, has a line that is not a trace line, or holds no
// answer on that port.
bool addReplayDevices(SimBus& bus, const std::string& path, const std::string& port, std::string* error);

}  // namespace zeva::sim
