#include "panels/galte.h"

#include "data/database.h"
#include "data/dataset.h"
#include "panels/panelint.h"

namespace panels {

namespace {
const QString kID = QStringLiteral("ID");
const QString kAddr = QStringLiteral("Addr");
}  // namespace

std::vector<uint8_t> SlavePayload(uint16_t slaveAddr, char op, std::span<const uint8_t> data)
{
    std::vector<uint8_t> out;
    out.reserve(3 + data.size());
    out.push_back(uint8_t(slaveAddr >> 8));
    out.push_back(uint8_t(slaveAddr));
    out.push_back(uint8_t(op));
    for (uint8_t b : data)
        out.push_back(b);
    return out;
}

std::vector<uint8_t> SlaveAddrPayload(uint16_t slaveAddr, uint16_t newAddr)
{
    const uint8_t data[] = {uint8_t(newAddr >> 8), uint8_t(newAddr)};
    return SlavePayload(slaveAddr, kSlaveChangeAddr, data);
}

SlaveStatus SlaveStatusOf(bool succeeded, std::span<const uint8_t> answer)
{
    if (!succeeded || answer.size() < 2 || answer[0] != uint8_t(kSlaveQuery))
        return kSlaveUnknown;
    if (answer[1] == '1')
        return kSlaveRelayOn;
    if (answer[1] == '0')
        return kSlaveRelayOff;
    return kSlaveUnknown;
}

bool AddrChangeDone(bool succeeded, std::span<const uint8_t> answer, uint16_t newAddr)
{
    return succeeded && answer.size() >= 3 && answer[0] == uint8_t(kSlaveChangeAddr) &&
           (uint16_t(answer[1] << 8 | answer[2]) == newAddr);
}

char ToggleOp(SlaveStatus current)
{
    return current == kSlaveRelayOn ? kSlaveOff : kSlaveOn;
}

SlaveStatus StatusAfter(char op)
{
    return op == kSlaveOn ? kSlaveRelayOn : op == kSlaveOff ? kSlaveRelayOff : kSlaveUnknown;
}

int ParseNewSlaveAddr(const QString& text)
{
    const int64_t v = PanelInt(text, 0);
    return v > 0x7FFFFFFF ? -1 : int(v);  // too big is refused like any other bad address
}

SlaveList::SlaveList(TTable& table) : TOrderedTableList(table, QStringLiteral("slave list"), kMaxName) {}

int SlaveList::Count() const
{
    return FTable.Active() ? FTable.RecordCount() : 0;
}

int SlaveList::AddrOf(const QString& text) const
{
    const int64_t addr = PanelInt(text, -1);
    return addr < 0 || addr > kMaxAddr ? -1 : int(addr);
}

bool SlaveList::DeleteCurrent()
{
    const qint64 id = IdAt(CurrentRow());
    if (!TOrderedTableList::DeleteCurrent())
        return false;
    FStatus.remove(id);
    return true;
}

qint64 SlaveList::IdAt(int row) const
{
    if (!FTable.Active() || row < 0 || row >= FTable.RecordCount())
        return -1;
    return FTable.RowValue(row, kID).toLongLong();
}

uint16_t SlaveList::AddrAt(int row) const
{
    if (!FTable.Active() || row < 0 || row >= FTable.RecordCount())
        return 0;
    return uint16_t(FTable.RowValue(row, kAddr).toInt() & 0x7FFF);
}

SlaveStatus SlaveList::StatusAt(int row) const
{
    return FStatus.value(IdAt(row), kSlaveUnknown);
}

void SlaveList::SetStatusAt(int row, SlaveStatus status)
{
    const qint64 id = IdAt(row);
    if (id >= 0)
        FStatus.insert(id, status);
}

int SlaveList::CurrentRow() const
{
    return IsEmpty() ? -1 : FTable.RecNo() - 1;
}

void SlaveList::ForgetStatuses()
{
    FStatus.clear();
}

}  // namespace panels
