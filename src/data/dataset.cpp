#include "dataset.h"

#include "database.h"
#include "sqldialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

// ---------------------------------------------------------------- TDataSet

TDataSet::TDataSet(TDatabase& db, QObject* parent) : QObject(parent), FDb(db) {}

TDataSet::~TDataSet() = default;

void TDataSet::Close()
{
    const bool wasActive = Active();
    FState = dsInactive;
    FRows.clear();
    FFields.clear();
    FStoredCount = 0;
    FCur = -1;
    FEof = FBof = true;
    if (wasActive) {
        NotifyData();
        NotifyScroll();
    }
}

bool TDataSet::Execute(QSqlQuery& q, const QString& sql, const QVariantList& params)
{
    if (!FDb.IsOpen()) {
        SetError(QStringLiteral("The database is not open"));
        return false;
    }
    q.setForwardOnly(true);
    if (!q.prepare(AdaptSql(sql))) {
        SetError(q.lastError().text());
        return false;
    }
    for (const QVariant& v : params)
        q.addBindValue(v);
    if (!q.exec()) {
        SetError(q.lastError().text());
        return false;
    }
    return true;
}

bool TDataSet::Load(const QString& sql, const QVariantList& params)
{
    QSqlQuery q(FDb.Connection());
    return Execute(q, sql, params) && Fetch(q);
}

bool TDataSet::Fetch(QSqlQuery& q)
{
    if (!q.isSelect()) {
        SetError(QStringLiteral("The statement returns no rows"));
        return false;
    }
    const QSqlRecord rec = q.record();
    QStringList fields;
    for (int i = 0; i < rec.count(); ++i)
        fields << rec.fieldName(i);
    const int stored = fields.size();
    std::vector<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        row.reserve(stored + FCalcNames.size());
        for (int i = 0; i < stored; ++i)
            row << q.value(i);
        for (int i = 0; i < FCalcNames.size(); ++i)
            row << QVariant();
        rows.push_back(std::move(row));
    }
    if (q.lastError().isValid()) {
        SetError(q.lastError().text());
        return false;
    }
    FFields = fields + FCalcNames;
    FStoredCount = stored;
    FRows = std::move(rows);
    FState = dsBrowse;
    FLastError.clear();
    for (int r = 0; r < RecordCount(); ++r)
        CalcRow(r);
    FCur = FRows.empty() ? -1 : 0;
    FEof = FBof = FRows.empty();
    return true;
}

void TDataSet::CalcRow(int row)
{
    if (!FCalc || FCalcNames.isEmpty())
        return;
    QVariantList calc;
    for (int i = 0; i < FCalcNames.size(); ++i)
        calc << QVariant();
    FCalc(*this, row, calc);
    QVariantList& r = FRows[row];
    for (int i = 0; i < FCalcNames.size() && i < calc.size(); ++i)
        r[FStoredCount + i] = calc[i];
}

void TDataSet::SetCalcFields(const QStringList& names, TCalcHandler handler)
{
    FCalcNames = names;
    FCalc = std::move(handler);
}

void TDataSet::Recalc()
{
    for (int r = 0; r < RecordCount(); ++r)
        CalcRow(r);
    NotifyData();
}

void TDataSet::SetCurrent(int index)
{
    if (FState != dsBrowse || FRows.empty())
        return;
    const int prev = FCur;
    FCur = std::clamp(index, 0, RecordCount() - 1);
    if (FCur != prev)
        NotifyScroll();
}

void TDataSet::First()
{
    FBof = true;
    FEof = FRows.empty();
    SetCurrent(0);
}

void TDataSet::Last()
{
    FEof = true;
    FBof = FRows.empty();
    SetCurrent(RecordCount() - 1);
}

void TDataSet::Next()
{
    if (FState != dsBrowse)
        return;
    if (FCur + 1 >= RecordCount()) {
        FEof = true;
        return;
    }
    FBof = false;
    SetCurrent(FCur + 1);
}

void TDataSet::Prior()
{
    if (FState != dsBrowse)
        return;
    if (FCur <= 0) {
        FBof = true;
        return;
    }
    FEof = false;
    SetCurrent(FCur - 1);
}

void TDataSet::SetRecNo(int recNo)
{
    if (FRows.empty())
        return;
    FEof = FBof = false;
    SetCurrent(recNo - 1);
}

bool TDataSet::Locate(const QString& field, const QVariant& value)
{
    const int col = FieldIndex(field);
    if (col < 0 || FState != dsBrowse)
        return false;
    for (int r = 0; r < RecordCount(); ++r) {
        const QVariant& v = FRows[r][col];
        // Integers come back from SQLite as qlonglong; compare by value, not by type.
        const bool same = (v.isNull() || value.isNull()) ? (v.isNull() && value.isNull())
                                                         : (v == value || v.toString() == value.toString());
        if (same) {
            FEof = FBof = false;
            SetCurrent(r);
            return true;
        }
    }
    return false;
}

int TDataSet::FieldIndex(const QString& name) const
{
    for (int i = 0; i < FFields.size(); ++i)
        if (FFields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant TDataSet::ValueAt(int row, int column) const
{
    if (row < 0 || row >= RecordCount() || column < 0 || column >= FFields.size())
        return {};
    return FRows[row][column];
}

QVariant TDataSet::RowValue(int row, const QString& name) const
{
    return ValueAt(row, FieldIndex(name));
}

QVariant TDataSet::Value(const QString& name) const
{
    const int col = FieldIndex(name);
    if (col < 0)
        return {};
    if ((FState == dsEdit || FState == dsInsert) && col < FStoredCount)
        return FBuffer.value(col);
    return ValueAt(FCur, col);
}

int TDataSet::AsInteger(const QString& name) const
{
    const QVariant v = Value(name);
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    return ok ? static_cast<int>(n) : 0;
}

QString TDataSet::AsString(const QString& name) const
{
    const QVariant v = Value(name);
    return v.isNull() ? QString() : v.toString();
}

void TDataSet::DisableControls()
{
    ++FDisabled;
}

void TDataSet::EnableControls()
{
    if (FDisabled == 0 || --FDisabled > 0)
        return;
    if (FPendingData) {
        FPendingData = false;
        emit dataChanged();
    }
    if (FPendingScroll) {
        FPendingScroll = false;
        emit afterScroll();
    }
}

void TDataSet::NotifyScroll()
{
    if (FDisabled > 0)
        FPendingScroll = true;
    else
        emit afterScroll();
}

void TDataSet::NotifyData()
{
    if (FDisabled > 0)
        FPendingData = true;
    else
        emit dataChanged();
}

// ---------------------------------------------------------------- TQuery

TQuery::TQuery(TDatabase& db, QObject* parent) : TDataSet(db, parent) {}

void TQuery::SetSql(const QString& sql, const QVariantList& params)
{
    Close();
    FSql = sql;
    FParams = params;
}

bool TQuery::Open()
{
    Close();
    if (!Load(FSql, FParams))
        return false;
    NotifyData();
    NotifyScroll();
    return true;
}

bool TQuery::ExecSQL()
{
    Close();
    FRowsAffected = 0;
    QSqlQuery q(FDb.Connection());
    if (!Execute(q, FSql, FParams))
        return false;
    if (q.isSelect()) {
        if (!Fetch(q))
            return false;
        NotifyData();
        NotifyScroll();
        return true;
    }
    FRowsAffected = q.numRowsAffected();
    FLastError.clear();
    return true;
}

bool ForEachRow(TDatabase& db, const QString& sql, const QVariantList& params, QString& error,
                const std::function<void(const TQuery&)>& row)
{
    TQuery q(db);
    q.SetSql(sql, params);
    if (!q.Open()) {
        error = q.LastError();
        return false;
    }
    for (q.First(); !q.Eof(); q.Next())
        row(q);
    error.clear();
    return true;
}

bool RunSql(TQuery& query, const QString& sql, bool ownTransaction, const QVariantList& params)
{
    query.SetSql(sql, params);
    TDatabase& db = query.Database();
    if (ownTransaction && !db.BeginTrans()) {
        query.SetError(db.LastError());
        return false;
    }
    // Whether it returns rows is decided by the engine, not by looking for SELECT in the
    // text: an update with a subquery contains that word too.
    const bool ok = query.ExecSQL();
    if (ownTransaction) {
        if (ok && db.CommitTrans())
            return true;
        if (ok)
            query.SetError(db.LastError());
        db.RollbackTrans();
        return false;
    }
    return ok;
}

bool ReopenKeepingRecNo(TDataSet& ds)
{
    if (ds.State() != TDataSet::dsBrowse)
        return false;
    const int recNo = ds.RecNo();
    ds.DisableControls();
    const bool ok = ds.Open();
    if (ok && recNo > 0 && !ds.IsEmpty())
        ds.SetRecNo(std::min(recNo, ds.RecordCount()));
    ds.EnableControls();
    return ok;
}

// ---------------------------------------------------------------- TTable

TTable::TTable(TDatabase& db, const QString& tableName, QObject* parent) : TDataSet(db, parent), FTable(tableName) {}

void TTable::SetMaster(TDataSet* master, const QString& detailField, const QString& masterField)
{
    if (FMaster)
        disconnect(FMaster, nullptr, this, nullptr);
    FMaster = master;
    FDetailField = detailField;
    FMasterField = masterField;
    if (FMaster)
        connect(FMaster, &TDataSet::afterScroll, this, &TTable::MasterScrolled);
}

void TTable::MasterScrolled()
{
    // Follows the master only while open; an edit in progress is not thrown away.
    if (FState == dsBrowse)
        Open();
}

bool TTable::Open()
{
    return Reload(QVariant(), 0);
}

bool TTable::Refresh()
{
    if (FState != dsBrowse)
        return false;
    return Reload(Value(QStringLiteral("ID")), RecNo());
}

bool TTable::Reload(const QVariant& keepId, int keepRecNo)
{
    QString sql = QStringLiteral("select * from ") + FTable;
    QVariantList params;
    if (FMaster) {
        // A master that is closed or empty has no current row: the detail shows nothing.
        sql += QStringLiteral(" where ") + FDetailField + QStringLiteral(" = ?");
        params << (FMaster->Active() && !FMaster->IsEmpty() ? FMaster->Value(FMasterField) : QVariant());
    }
    const QStringList order = FIndex.split(u';', Qt::SkipEmptyParts);
    sql += QStringLiteral(" order by ") + (order.isEmpty() ? QStringLiteral("ID") : order.join(QStringLiteral(", ")));
    if (!order.isEmpty() && !order.contains(QStringLiteral("ID"), Qt::CaseInsensitive))
        sql += QStringLiteral(", ID");  // equal keys keep a stable order

    FState = dsInactive;
    FBuffer.clear();
    FModified.clear();
    if (!Load(sql, params)) {
        Close();
        return false;
    }
    bool placed = false;
    if (!keepId.isNull())
        placed = Locate(QStringLiteral("ID"), keepId);
    if (!placed && keepRecNo > 0 && !IsEmpty()) {
        FCur = std::min(keepRecNo, RecordCount()) - 1;
        FEof = FBof = false;
    }
    NotifyData();
    NotifyScroll();
    return true;
}

bool TTable::Append()
{
    if (FState != dsBrowse) {
        SetError(QStringLiteral("The table %1 is not open for browsing").arg(FTable));
        return false;
    }
    FBuffer.clear();
    for (int i = 0; i < FStoredCount; ++i)
        FBuffer << QVariant();
    FModified.assign(FStoredCount, false);
    if (FMaster) {
        const int col = FieldIndex(FDetailField);
        if (col >= 0 && FMaster->Active() && !FMaster->IsEmpty()) {
            FBuffer[col] = FMaster->Value(FMasterField);
            FModified[col] = true;
        }
    }
    FState = dsInsert;
    return true;
}

bool TTable::Edit()
{
    if (FState != dsBrowse || IsEmpty()) {
        SetError(QStringLiteral("No row of %1 to edit").arg(FTable));
        return false;
    }
    FBuffer = FRows[FCur].mid(0, FStoredCount);
    FModified.assign(FStoredCount, false);
    FState = dsEdit;
    return true;
}

bool TTable::SetValue(const QString& name, const QVariant& value)
{
    const int col = FieldIndex(name);
    if ((FState != dsEdit && FState != dsInsert) || col < 0 || col >= FStoredCount) {
        SetError(QStringLiteral("Cannot set the field %1 of %2").arg(name, FTable));
        return false;
    }
    FBuffer[col] = value;
    FModified[col] = true;
    return true;
}

bool TTable::Post()
{
    if (FState != dsEdit && FState != dsInsert)
        return true;
    const int idCol = FieldIndex(QStringLiteral("ID"));
    QStringList cols;
    QVariantList params;
    for (int i = 0; i < FStoredCount; ++i) {
        if (i != idCol && FModified[i]) {
            cols << FFields[i];
            params << FBuffer[i];
        }
    }
    QString sql;
    if (FState == dsInsert) {
        if (cols.isEmpty()) {
            sql = QStringLiteral("insert into %1 default values").arg(FTable);
        } else {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("insert into %1 (%2) values (%3)")
                      .arg(FTable, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
    } else {
        if (cols.isEmpty()) {
            Cancel();
            return true;
        }
        QStringList sets;
        for (const QString& c : cols)
            sets << c + QStringLiteral(" = ?");
        sql = QStringLiteral("update %1 set %2 where ID = ?").arg(FTable, sets.join(QStringLiteral(", ")));
        params << FBuffer.value(idCol);
    }

    QSqlQuery q(FDb.Connection());
    if (!Execute(q, sql, params))
        return false;  // the buffer stays, so the caller can correct it or cancel
    const QVariant id = FState == dsInsert ? q.lastInsertId() : FBuffer.value(idCol);
    q = QSqlQuery();
    FState = dsBrowse;
    return Reload(id, RecNo());
}

void TTable::Cancel()
{
    if (FState == dsEdit || FState == dsInsert) {
        FState = dsBrowse;
        FBuffer.clear();
        FModified.clear();
    }
}

bool TTable::Delete()
{
    if (FState == dsInsert) {
        Cancel();
        return true;
    }
    if (FState != dsBrowse || IsEmpty()) {
        SetError(QStringLiteral("No row of %1 to delete").arg(FTable));
        return false;
    }
    const int recNo = RecNo();
    if (!FDb.Exec(QStringLiteral("delete from %1 where ID = ?").arg(FTable), {Value(QStringLiteral("ID"))})) {
        SetError(FDb.LastError());
        return false;
    }
    return Reload(QVariant(), recNo);
}
