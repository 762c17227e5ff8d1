#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <functional>
#include <vector>

class TDatabase;
class QSqlQuery;

// A result set held whole in memory (a static cursor) with a current row, the way the grids
// and the start-up checks walk it. Stored columns come from the database, calculated columns
// are filled by a per-row handler each time rows are fetched. Field names are matched without
// regard to letter case. Main thread only.
class TDataSet : public QObject {
    Q_OBJECT
public:
    enum TState { dsInactive, dsBrowse, dsEdit, dsInsert };
    // Fills the calculated values (in the order given to SetCalcFields) of row `row` (0-based).
    using TCalcHandler = std::function<void(const TDataSet& ds, int row, QVariantList& calc)>;

    explicit TDataSet(TDatabase& db, QObject* parent = nullptr);
    ~TDataSet() override;

    virtual bool Open() = 0;
    void Close();
    bool Active() const { return FState != dsInactive; }
    TState State() const { return FState; }
    QString LastError() const { return FLastError; }
    void SetError(const QString& text) { FLastError = text; }
    TDatabase& Database() const { return FDb; }

    // Navigation. Eof is true on an empty set and after Next from the last row.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const { return FRows.empty(); }
    int RecordCount() const { return static_cast<int>(FRows.size()); }
    // 1-based position of the current row; 0 when there is none.
    int RecNo() const { return FCur + 1; }
    void SetRecNo(int recNo);
    // Makes the first row whose `field` equals `value` current; false (position kept) if none.
    bool Locate(const QString& field, const QVariant& value);

    // Fields: stored ones first, then calculated ones.
    QStringList FieldNames() const { return FFields; }
    int FieldIndex(const QString& name) const;
    int FieldCount() const { return FFields.size(); }
    bool IsCalcField(int index) const { return index >= FStoredCount; }
    // Value of the current row (or of the edit buffer while editing).
    QVariant Value(const QString& name) const;
    int AsInteger(const QString& name) const;     // null or text that is not a number: 0
    QString AsString(const QString& name) const;  // null: ""
    QVariant ValueAt(int row, int column) const;
    QVariant RowValue(int row, const QString& name) const;  // for calculated-field handlers

    void SetCalcFields(const QStringList& names, TCalcHandler handler);
    // Runs the calculated-field handler over every row again (after an outside value changed).
    void Recalc();

    // While disabled, scroll and data notifications are held back; the last enable sends one
    // of each that was held, so a loop over many rows does not redraw grids or reload details.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisabled > 0; }

signals:
    void afterScroll();  // the current row changed (also after every (re)load)
    void dataChanged();  // the rows were reloaded or edited

protected:
    // Runs `sql` with `params` and takes every row; the current row becomes the first one.
    bool Load(const QString& sql, const QVariantList& params);
    // Prepares the adapted SQL, binds the values and runs it; false with the error kept.
    bool Execute(QSqlQuery& q, const QString& sql, const QVariantList& params);
    bool Fetch(QSqlQuery& q);  // takes every row of an executed statement
    void NotifyScroll();
    void NotifyData();
    void CalcRow(int row);
    void SetCurrent(int index);

    TDatabase& FDb;
    TState FState = dsInactive;
    QStringList FFields;
    int FStoredCount = 0;
    std::vector<QVariantList> FRows;
    int FCur = -1;
    bool FEof = true;
    bool FBof = true;
    QString FLastError;
    QStringList FCalcNames;
    TCalcHandler FCalc;
    QVariantList FBuffer;  // stored values of the row being edited or appended
    int FDisabled = 0;
    bool FPendingScroll = false;
    bool FPendingData = false;
};

// A query object: one SQL text, opened when it returns rows, executed otherwise. Values a user
// typed go in as bound parameters (? markers), never into the text.
class TQuery : public TDataSet {
    Q_OBJECT
public:
    explicit TQuery(TDatabase& db, QObject* parent = nullptr);

    void SetSql(const QString& sql, const QVariantList& params = {});
    QString Sql() const { return FSql; }
    bool Open() override;  // fails when the statement returns no rows
    bool ExecSQL();        // runs it; rows it returns, if any, become readable
    int RowsAffected() const { return FRowsAffected; }

private:
    QString FSql;
    QVariantList FParams;
    int FRowsAffected = 0;
};

// A table object: every row of one table (or, as a detail, the rows that belong to the
// master's current row), ordered by index fields, editable in place.
class TTable : public TDataSet {
    Q_OBJECT
public:
    TTable(TDatabase& db, const QString& tableName, QObject* parent = nullptr);

    QString TableName() const { return FTable; }
    // "Num" or "ID_Route;Num"; empty keeps the stored order (by ID).
    void SetIndexFieldNames(const QString& fields) { FIndex = fields; }
    // The table shows only rows whose `detailField` equals the master's `masterField`, and
    // follows the master's current row.
    void SetMaster(TDataSet* master, const QString& detailField, const QString& masterField = QStringLiteral("ID"));
    bool Open() override;
    // Reloads and keeps the current row by its ID (or its position when that row is gone).
    bool Refresh();

    // Editing: Append/Edit start a buffer, SetValue changes it, Post writes it (insert or
    // update by ID, all values bound), Cancel drops it.
    bool Append();
    bool Edit();
    bool SetValue(const QString& name, const QVariant& value);
    bool Post();
    void Cancel();
    bool Delete();  // the current row; the row now at its place (or the last) becomes current

private:
    bool Reload(const QVariant& keepId, int keepRecNo);
    void MasterScrolled();

    QString FTable;
    QString FIndex;
    TDataSet* FMaster = nullptr;
    QString FDetailField;
    QString FMasterField;
    std::vector<bool> FModified;
};

// Closes the query, gives it the text and runs it: opened when it returns rows, executed
// otherwise; with ownTransaction the statement runs inside a begin/commit of its own (rolled
// back on failure). On failure the error is in query.LastError().
bool RunSql(TQuery& query, const QString& sql, bool ownTransaction, const QVariantList& params = {});

// Runs `sql` with `params` bound and hands every row to `row` (the query, standing on that row):
// how core code reads rows without a grid. False with the error in `error`.
bool ForEachRow(TDatabase& db, const QString& sql, const QVariantList& params, QString& error,
                const std::function<void(const TQuery&)>& row);

// Closes and reopens a data set and goes back to the same record number (or the last record
// when there are fewer now). Only for a data set that is open and not being edited.
bool ReopenKeepingRecNo(TDataSet& ds);
