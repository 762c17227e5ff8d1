#include "data/devicelist.h"

#include "base/messages.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/schema.h"

namespace {
const QString kNum = QStringLiteral("Num");
const QString kID = QStringLiteral("ID");
const QString kAddr = QStringLiteral("Addr");
}  // namespace

DeviceList::DeviceList(TTable& table) : TOrderedTableList(table, QStringLiteral("device list"), kMaxName) {}

bool DeviceList::Select(uint16_t& devAddr)
{
    if (IsEmpty() || FTable.State() != TDataSet::dsBrowse)
        return false;
    devAddr = uint16_t(FTable.AsInteger(kAddr) & 0x7FFF);
    FTable.Recalc();
    return true;
}

bool DeviceList::InitNewRow()
{
    const int maxNum = Database().Scalar(QStringLiteral("select MAX(Num) as RESULT from ") + DbTables::Device).toInt();
    return FTable.SetValue(kNum, maxNum + 1);
}

int DeviceList::ParseAddr(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : -1;
}

bool DeviceList::Listed(int addr, QString* name) const
{
    for (int row = 0; FTable.Active() && row < FTable.RecordCount(); ++row) {
        if (FTable.RowValue(row, kAddr).toInt() == addr) {
            if (name)
                *name = FTable.RowValue(row, QStringLiteral("Name")).toString();
            return true;
        }
    }
    return false;
}

bool DeviceList::AddFound(const std::vector<TFound>& devices)
{
    if (!FTable.Active() || Editing())
        return Fail(QStringLiteral("The device list is not open for changes"));
    TDatabase& db = Database();
    if (!db.BeginTrans())
        return Fail(db.LastError());
    const QString table = DbTables::Device;
    bool ok = true;
    for (const TFound& d : devices) {
        if (d.Addr < 0 || d.Addr > kMaxAddr) {
            db.SetLastError(QStringLiteral("Address %1 is out of range").arg(d.Addr));
            ok = false;
            break;
        }
        const QString name = d.Name.trimmed().left(kMaxName);
        // The row shown first, should an older list hold the address twice.
        const QVariant id =
            db.Scalar(QStringLiteral("select ID from %1 where Addr = ? order by Num, ID").arg(table), {d.Addr});
        if (id.isValid() && !id.isNull()) {
            // A device that tells no name keeps the one the user gave it.
            if (!name.isEmpty())
                ok = db.Exec(QStringLiteral("update %1 set Name = ? where ID = ?").arg(table), {name, id});
        } else {
            const int maxNum = db.Scalar(QStringLiteral("select MAX(Num) from %1").arg(table)).toInt();
            ok = db.Exec(QStringLiteral("insert into %1 (Num, Addr, Name) values (?, ?, ?)").arg(table),
                         {maxNum + 1, d.Addr, name.isEmpty() ? Msg::ScanNewName.arg(d.Addr) : name});
        }
        if (!ok)
            break;
    }
    if (!ok || !db.CommitTrans()) {
        const QString error = db.LastError();
        db.RollbackTrans();
        return Fail(error);
    }
    FTable.Refresh();
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
