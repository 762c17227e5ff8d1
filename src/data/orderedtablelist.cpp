#include "data/orderedtablelist.h"

#include "data/database.h"
#include "data/dataset.h"

namespace {
const QString kAddr = QStringLiteral("Addr");
const QString kName = QStringLiteral("Name");
}  // namespace

TOrderedTableList::TOrderedTableList(TTable& table, const QString& what, int maxName)
    : FTable(table), FWhat(what), FMaxName(maxName)
{
}

TDatabase& TOrderedTableList::Database() const
{
    return FTable.Database();
}

bool TOrderedTableList::IsEmpty() const
{
    return !FTable.Active() || FTable.IsEmpty();
}

bool TOrderedTableList::Fail(const QString& error)
{
    FLastError = error;
    return false;
}

bool TOrderedTableList::BeginAdd()
{
    if (Editing() || !FTable.Active())
        return Fail(QStringLiteral("The %1 is not open").arg(FWhat));
    if (!Database().BeginTrans())
        return Fail(Database().LastError());
    FInTrans = true;
    int addr = 1;
    while (UniqueAddrs() && addr < kMaxAddr && AddrListed(addr))
        ++addr;
    if (!FTable.Append() || !FTable.SetValue(kAddr, addr) || !InitNewRow()) {
        const QString error = FTable.LastError();
        Cancel();
        return Fail(error);
    }
    return true;
}

bool TOrderedTableList::BeginEdit()
{
    if (IsEmpty())
        return BeginAdd();
    if (Editing())
        return Fail(QStringLiteral("The %1 is already being edited").arg(FWhat));
    if (!Database().BeginTrans())
        return Fail(Database().LastError());
    FInTrans = true;
    if (!FTable.Edit()) {
        const QString error = FTable.LastError();
        Cancel();
        return Fail(error);
    }
    return true;
}

bool TOrderedTableList::Editing() const
{
    return FTable.State() == TDataSet::dsEdit || FTable.State() == TDataSet::dsInsert;
}

QString TOrderedTableList::EditName() const
{
    return FTable.AsString(kName);
}

int TOrderedTableList::EditAddr() const
{
    return FTable.AsInteger(kAddr);
}

TOrderedTableList::SaveResult TOrderedTableList::Save(const QString& name, const QString& addrText)
{
    if (!Editing()) {
        Fail(QStringLiteral("No row is being edited"));
        return SaveResult::Failed;
    }
    const int addr = AddrOf(addrText);
    if (addr < 0 || addr > kMaxAddr)
        return SaveResult::InvalidAddr;
    // A row that keeps its address is saved even where older lists hold it twice.
    const bool kept = FTable.State() == TDataSet::dsEdit && FTable.RowValue(FTable.RecNo() - 1, kAddr).toInt() == addr;
    if (UniqueAddrs() && !kept && AddrListed(addr))
        return SaveResult::AddrTaken;
    if (!FTable.SetValue(kName, name.left(FMaxName)) || !FTable.SetValue(kAddr, addr) || !FTable.Post()) {
        Fail(FTable.LastError());
        return SaveResult::Failed;
    }
    FInTrans = false;
    if (!Database().CommitTrans()) {
        Fail(Database().LastError());
        Database().RollbackTrans();
        FTable.Refresh();
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

bool TOrderedTableList::AddrListed(int addr) const
{
    if (!FTable.Active())
        return false;
    // While a row is edited, its stored values are still the current row's.
    const int own = FTable.State() == TDataSet::dsEdit ? FTable.RecNo() - 1 : -1;
    for (int row = 0; row < FTable.RecordCount(); ++row)
        if (row != own && FTable.RowValue(row, kAddr).toInt() == addr)
            return true;
    return false;
}

void TOrderedTableList::Cancel()
{
    FTable.Cancel();
    if (FInTrans) {
        FInTrans = false;
        Database().RollbackTrans();
    }
    if (FTable.Active())
        FTable.Refresh();
}

bool TOrderedTableList::DeleteCurrent()
{
    if (IsEmpty() || Editing())
        return false;
    TDatabase& db = Database();
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
    return true;
}
