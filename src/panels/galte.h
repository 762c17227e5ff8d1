#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include <QHash>
#include <QString>

#include "data/orderedtablelist.h"

// The GALTE master and its slave units: command payloads, answers, and the slave list.
namespace panels {

// One command to the master (zcmd::galte::kSlave) carries the slave's address, an operation
// letter and its data.
constexpr char kSlaveQuery = 'S';
constexpr char kSlaveOn = '1';
constexpr char kSlaveOff = '0';
constexpr char kSlaveReset = 'R';
constexpr char kSlaveChangeAddr = 'A';

// Relay state of a slave as the grid shows it.
enum SlaveStatus : uint8_t {
    kSlaveUnknown = 0,  // not asked, no answer, or an unexpected answer
    kSlaveRelayOn = 1,
    kSlaveRelayOff = 2,
};

std::vector<uint8_t> SlavePayload(uint16_t slaveAddr, char op, std::span<const uint8_t> data = {});
std::vector<uint8_t> SlaveAddrPayload(uint16_t slaveAddr, uint16_t newAddr);
// Status from a query answer: 'S' then '1' (on) or '0' (off); anything else is unknown.
SlaveStatus SlaveStatusOf(bool succeeded, std::span<const uint8_t> answer);
// The address change is done only when the master echoes 'A' and the new address.
bool AddrChangeDone(bool succeeded, std::span<const uint8_t> answer, uint16_t newAddr);
// A toggle switches an "on" relay off and anything else on.
char ToggleOp(SlaveStatus current);
SlaveStatus StatusAfter(char op);
// The address dialog's text: not a number counts as 0 (too big comes back as −1).
int ParseNewSlaveAddr(const QString& text);

// The slave table `Ведомый` (ID, Name, Addr) in its natural order, with the relay status of every
// row kept beside it in memory. Statuses belong to the row (by ID), so adding, editing and
// deleting rows never shifts one slave's status onto another. Main thread only.
class SlaveList : public TOrderedTableList {
public:
    static constexpr int kMaxName = 30;

    explicit SlaveList(TTable& table);

    int Count() const;
    // Deletes the current row in a transaction of its own; its status goes with it.
    bool DeleteCurrent();

    // Row (0-based, grid order) data; rows that do not exist read as unknown / 0.
    uint16_t AddrAt(int row) const;
    SlaveStatus StatusAt(int row) const;
    void SetStatusAt(int row, SlaveStatus status);
    int CurrentRow() const;  // −1 when empty
    void ForgetStatuses();

private:
    // The panel number rule: not a number is no address.
    int AddrOf(const QString& text) const override;
    qint64 IdAt(int row) const;

    QHash<qint64, SlaveStatus> FStatus;
};

}  // namespace panels
