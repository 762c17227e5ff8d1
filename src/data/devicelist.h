#pragma once
#include <array>
#include <cstdint>

#include <QDateTime>
#include <QString>

class TDatabase;
class TTable;

// The user's device list (table `Устройство`, shown ordered by `Num`): the operations of the
// device tab. Main thread only. The table object is the data module's tblDevice; its `Flag`
// field compares each row with the selected address, so Select recomputes it.
class DeviceList {
public:
    enum class SaveResult { Saved, InvalidAddr, Failed };
    static constexpr int kMaxName = 38;
    static constexpr int kMaxAddr = 0x7FFF;

    explicit DeviceList(TTable& table);

    TTable& Table() const { return FTable; }
    TDatabase& Database() const;
    bool IsEmpty() const;
    QString LastError() const { return FLastError; }

    // Makes the current row's address the selected one. False on an empty list.
    bool Select(uint16_t& devAddr);

    // Add and edit open a transaction and leave the row in edit state for the dialog, which
    // ends them with Save or Cancel. Edit on an empty list adds.
    bool BeginAdd();
    bool BeginEdit();
    bool Editing() const;
    QString EditName() const;
    int EditAddr() const;
    // Address text: not a number counts as 0; outside 0 … 0x7FFF the row stays in edit state.
    SaveResult Save(const QString& name, const QString& addrText);
    void Cancel();

    // Deletes the current row in a transaction of its own; the others keep their Num.
    bool DeleteCurrent();

    // Swap Num with the neighbour in list order; nothing (false) at the end of the list.
    bool MoveUp() { return Move(-1); }
    bool MoveDown() { return Move(+1); }

    // Address text of the edit dialog as a number: not a number is 0.
    static int ParseAddr(const QString& text);

private:
    bool Move(int direction);
    bool Fail(const QString& error);

    TTable& FTable;
    bool FInTrans = false;
    QString FLastError;
};

// Payload of the clock command: day, month, year − 2000, hour, minute, second.
std::array<uint8_t, 6> ClockPayload(const QDateTime& local);
