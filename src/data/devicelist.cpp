#include "data/devicelist.h"

#include "data/database.h"
#include "data/dataset.h"
#include "data/schema.h"

namespace {
const QString kNum = QStringLiteral("Num");
const QString kID = QStringLiteral("ID");
const QString kAddr = QStringLiteral("Addr");
const QString kName = QStringLiteral("Name");
}  // namespace

DeviceList::DeviceList(TTable& table) : FTable(table) {}

TDatabase& DeviceList::Database() const
{
    return FTable.Database();
}

bool DeviceList::IsEmpty() const
{
    return !FTable.Active() || FTable.IsEmpty();
}

bool DeviceList::Fail(const QString& error)
{
    FLastError = error;
    return false;
}

bool DeviceList::Select(uint16_t& devAddr)
{
    if (IsEmpty() || FTable.State() != TDataSet::dsBrowse)
        return false;
    devAddr = uint16_t(FTable.AsInteger(kAddr) & 0x7FFF);
    FTable.Recalc();
    return true;
}

bool DeviceList::BeginAdd()
{
    if (Editing() || !FTable.Active())
        return Fail(QStringLiteral("The device list is not open"));
    const int maxNum = Database().Scalar(QStringLiteral("select MAX(Num) as RESULT from ") + DbTables::Device).toInt();
    if (!Database().BeginTrans())
        return Fail(Database().LastError());
    FInTrans = true;
    if (!FTable.Append() || !FTable.SetValue(kAddr, 1) || !FTable.SetValue(kNum, maxNum + 1)) {
        const QString error = FTable.LastError();
        Cancel();
        return Fail(error);
    }
    return true;
}

bool DeviceList::BeginEdit()
{
    if (IsEmpty())
        return BeginAdd();
    if (Editing())
        return Fail(QStringLiteral("The device list is already being edited"));
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

bool DeviceList::Editing() const
{
    return FTable.State() == TDataSet::dsEdit || FTable.State() == TDataSet::dsInsert;
}

QString DeviceList::EditName() const
{
    return FTable.AsString(kName);
}

int DeviceList::EditAddr() const
{
    return FTable.AsInteger(kAddr);
}

int DeviceList::ParseAddr(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

DeviceList::SaveResult DeviceList::Save(const QString& name, const QString& addrText)
{
    if (!Editing()) {
        Fail(QStringLiteral("No row is being edited"));
        return SaveResult::Failed;
    }
    const int addr = ParseAddr(addrText);
    if (addr < 0 || addr > kMaxAddr)
        return SaveResult::InvalidAddr;
    if (!FTable.SetValue(kName, name.left(kMaxName)) || !FTable.SetValue(kAddr, addr) || !FTable.Post()) {
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

void DeviceList::Cancel()
{
    FTable.Cancel();
    if (FInTrans) {
        FInTrans = false;
        Database().RollbackTrans();
    }
    if (FTable.Active())
        FTable.Refresh();
}

bool DeviceList::DeleteCurrent()
{
    if (IsEmpty() || Editing())
        return false;
    if (!Database().BeginTrans())
        return Fail(Database().LastError());
    if (!FTable.Delete()) {
        const QString error = FTable.LastError();
        Database().RollbackTrans();
        return Fail(error);
    }
    if (!Database().CommitTrans()) {
        const QString error = Database().LastError();
        Database().RollbackTrans();
        FTable.Refresh();
        return Fail(error);
    }
    return true;
}

bool DeviceList::Move(int direction)
{
    if (IsEmpty() || Editing())
        return false;
    const int recNo = FTable.RecNo();
    if ((direction < 0 && recNo <= 1) || (direction > 0 && recNo >= FTable.RecordCount()))
        return false;
    const QVariant id = FTable.Value(kID);
    const int num = FTable.AsInteger(kNum);

    // The neighbour in list order: Num may have gaps (deleted rows), so it is found by value.
    TQuery query(Database());
    const QString sql = direction < 0
                            ? QStringLiteral("select ID, Num from %1 where Num < ? order by Num desc, ID desc")
                            : QStringLiteral("select ID, Num from %1 where Num > ? order by Num, ID");
    if (!RunSql(query, sql.arg(DbTables::Device), false, {num}))
        return Fail(query.LastError());
    if (query.IsEmpty())
        return false;
    const QVariant otherId = query.Value(kID);
    const int otherNum = query.AsInteger(kNum);

    // Both updates in one transaction, so a failure never leaves two rows with one Num.
    const QString update = QStringLiteral("update %1 set Num = ? where (ID = ?)").arg(DbTables::Device);
    TDatabase& db = Database();
    if (!db.BeginTrans())
        return Fail(db.LastError());
    if (!RunSql(query, update, false, {otherNum, id}) || !RunSql(query, update, false, {num, otherId})) {
        const QString error = query.LastError();
        db.RollbackTrans();
        return Fail(error);
    }
    if (!db.CommitTrans()) {
        const QString error = db.LastError();
        db.RollbackTrans();
        return Fail(error);
    }
    FTable.DisableControls();
    ReopenKeepingRecNo(FTable);
    FTable.Locate(kID, id);
    FTable.EnableControls();
    return true;
}

std::array<uint8_t, 6> ClockPayload(const QDateTime& local)
{
    const QDate d = local.date();
    const QTime t = local.time();
    return {uint8_t(d.day()),  uint8_t(d.month()),  uint8_t(d.year() - 2000),
            uint8_t(t.hour()), uint8_t(t.minute()), uint8_t(t.second())};
}
