#include "panels/galte.h"

#include "data/database.h"
#include "data/dataset.h"
#include "panels/panelint.h"

namespace panels {

namespace {
const QString kID = QStringLiteral("ID");
const QString kAddr = QStringLiteral("Addr");
const QString kName = QStringLiteral("Name");
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

SlaveList::SlaveList(TTable& table) : FTable(table) {}

bool SlaveList::IsEmpty() const
{
    return !FTable.Active() || FTable.IsEmpty();
}

int SlaveList::Count() const
{
    return FTable.Active() ? FTable.RecordCount() : 0;
}

bool SlaveList::Fail(const QString& error)
{
    FLastError = error;
    return false;
}

bool SlaveList::BeginAdd()
{
    if (Editing() || !FTable.Active())
        return Fail(QStringLiteral("The slave list is not open"));
    TDatabase& db = FTable.Database();
    if (!db.BeginTrans())
        return Fail(db.LastError());
    FInTrans = true;
    if (!FTable.Append() || !FTable.SetValue(kAddr, 1)) {
        const QString error = FTable.LastError();
        Cancel();
        return Fail(error);
    }
    return true;
}

bool SlaveList::BeginEdit()
{
    if (IsEmpty())
        return BeginAdd();
    if (Editing())
        return Fail(QStringLiteral("The slave list is already being edited"));
    TDatabase& db = FTable.Database();
    if (!db.BeginTrans())
        return Fail(db.LastError());
    FInTrans = true;
    if (!FTable.Edit()) {
        const QString error = FTable.LastError();
        Cancel();
        return Fail(error);
    }
    return true;
}

bool SlaveList::Editing() const
{
    return FTable.State() == TDataSet::dsEdit || FTable.State() == TDataSet::dsInsert;
}

QString SlaveList::EditName() const
{
    return FTable.AsString(kName);
}

int SlaveList::EditAddr() const
{
    return FTable.AsInteger(kAddr);
}

SlaveList::SaveResult SlaveList::Save(const QString& name, const QString& addrText)
{
    if (!Editing()) {
        Fail(QStringLiteral("No row is being edited"));
        return SaveResult::Failed;
    }
    const int64_t addr = PanelInt(addrText, -1);
    if (addr < 0 || addr > kMaxAddr)
        return SaveResult::InvalidAddr;
    if (!FTable.SetValue(kName, name.left(kMaxName)) || !FTable.SetValue(kAddr, int(addr)) || !FTable.Post()) {
        Fail(FTable.LastError());
        return SaveResult::Failed;
    }
    FInTrans = false;
    TDatabase& db = FTable.Database();
    if (!db.CommitTrans()) {
        Fail(db.LastError());
        db.RollbackTrans();
        FTable.Refresh();
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

void SlaveList::Cancel()
{
    FTable.Cancel();
    if (FInTrans) {
        FInTrans = false;
        FTable.Database().RollbackTrans();
    }
    if (FTable.Active())
        FTable.Refresh();
}

bool SlaveList::DeleteCurrent()
{
    if (IsEmpty() || Editing())
        return false;
    const qint64 id = IdAt(CurrentRow());
    TDatabase& db = FTable.Database();
    if (!db.BeginTrans())
        return Fail(db.LastError());
    if (!FTable.Delete()) {
        const QString error = FTable.LastError();
        db.RollbackTrans();
        FTable.Refresh();
        return Fail(error);
    }
    if (!db.CommitTrans()) {
        const QString error = db.LastError();
        db.RollbackTrans();
        FTable.Refresh();
        return Fail(error);
    }
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
