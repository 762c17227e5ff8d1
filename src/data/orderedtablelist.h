#pragma once
#include <QString>

class TDatabase;
class TTable;

// A table of named addresses that the user edits one row at a time through a dialog, shown in
// the table's order (the device list, the GALTE slave list). Add and edit open a transaction and
// leave the row in edit state for the dialog, which ends them with Save or Cancel; delete runs in
// a transaction of its own. Main thread only.
class TOrderedTableList {
public:
    enum class SaveResult { Saved, InvalidAddr, AddrTaken, Failed };
    static constexpr int kMaxAddr = 0x7FFF;

    virtual ~TOrderedTableList() = default;
    TOrderedTableList(const TOrderedTableList&) = delete;
    TOrderedTableList& operator=(const TOrderedTableList&) = delete;

    TTable& Table() const { return FTable; }
    TDatabase& Database() const;
    bool IsEmpty() const;
    QString LastError() const { return FLastError; }

    // Edit on an empty list adds. A new row gets Addr 1, or in a list of unique addresses the
    // smallest one from 1 up that no row has.
    bool BeginAdd();
    bool BeginEdit();
    bool Editing() const;
    QString EditName() const;
    int EditAddr() const;
    // An address text that is none by the list's rule, or outside 0 … kMaxAddr, or (in a list of
    // unique addresses) the address of another row, leaves the row in edit state.
    SaveResult Save(const QString& name, const QString& addrText);
    // True when a row other than the one being edited has `addr`.
    bool AddrListed(int addr) const;
    void Cancel();
    bool DeleteCurrent();

protected:
    // `what` names the list in error texts; names are cut to `maxName` characters.
    TOrderedTableList(TTable& table, const QString& what, int maxName);
    // The dialog's address text as a number; −1 (or anything out of range) is no address.
    virtual int AddrOf(const QString& text) const = 0;
    // What a new row gets besides its Addr (in the add's transaction).
    virtual bool InitNewRow() { return true; }
    // A list whose rows each name a different address.
    virtual bool UniqueAddrs() const { return false; }
    bool Fail(const QString& error);

    TTable& FTable;

private:
    QString FWhat;
    int FMaxName;
    bool FInTrans = false;
    QString FLastError;
};
