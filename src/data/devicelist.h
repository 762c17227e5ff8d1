#pragma once
#include <array>
#include <cstdint>

#include <QDateTime>
#include <QString>

#include "data/orderedtablelist.h"

// The user's device list (table `Устройство`, shown ordered by `Num`): the operations of the
// device tab. Main thread only. The table object is the data module's tblDevice; its `Flag`
// field compares each row with the selected address, so Select recomputes it.
class DeviceList : public TOrderedTableList {
public:
    static constexpr int kMaxName = 38;

    explicit DeviceList(TTable& table);

    // Makes the current row's address the selected one. False on an empty list.
    bool Select(uint16_t& devAddr);

    // Swap Num with the neighbour in list order; nothing (false) at the end of the list.
    bool MoveUp() { return Move(-1); }
    bool MoveDown() { return Move(+1); }

    // Address text of the edit dialog as a number: not a number is 0.
    static int ParseAddr(const QString& text);

private:
    int AddrOf(const QString& text) const override { return ParseAddr(text); }
    // A new row goes to the end of the list.
    bool InitNewRow() override;
    bool Move(int direction);
};

// Payload of the clock command: day, month, year − 2000, hour, minute, second.
std::array<uint8_t, 6> ClockPayload(const QDateTime& local);
