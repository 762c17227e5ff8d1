#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include <QHash>
#include <QString>

class TTable;
class TDatabase;

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
class SlaveList {
public:
    enum class SaveResult { Saved, InvalidAddr, Failed };
    static constexpr int kMaxName = 30;
    static constexpr int kMaxAddr = 0x7FFF;

    explicit SlaveList(TTable& table);

    TTable& Table() const { return FTable; }
    bool IsEmpty() const;
    int Count() const;
    QString LastError() const { return FLastError; }

    // Add and edit open a transaction and leave the row in edit state for the dialog, which
    // ends them with Save or Cancel. Edit on an empty list adds (with Addr 1).
    bool BeginAdd();
    bool BeginEdit();
    bool Editing() const;
    QString EditName() const;
    int EditAddr() const;
    // Address text (the panel number rule): not a number is invalid; outside 0 … 0x7FFF the row stays in edit state.
    SaveResult Save(const QString& name, const QString& addrText);
    void Cancel();
    // Deletes the current row in a transaction of its own; its status goes with it.
    bool DeleteCurrent();

    // Row (0-based, grid order) data; rows that do not exist read as unknown / 0.
    uint16_t AddrAt(int row) const;
    SlaveStatus StatusAt(int row) const;
    void SetStatusAt(int row, SlaveStatus status);
    int CurrentRow() const;  // −1 when empty
    void ForgetStatuses();

private:
    qint64 IdAt(int row) const;
    bool Fail(const QString& error);

    TTable& FTable;
    bool FInTrans = false;
    QString FLastError;
    QHash<qint64, SlaveStatus> FStatus;
};

}  // namespace panels
