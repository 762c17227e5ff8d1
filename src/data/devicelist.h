#pragma once
#include <array>
#include <cstdint>
#include <vector>

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

    // Devices found on the bus, each as its address and the name it reports. A device whose
    // address is listed renames that row (unless it reports no name); the others go to the end
    // of the list in the order given. One transaction: on failure (false) the list is as before.
    struct TFound {
        int Addr;
        QString Name;
    };
    bool AddFound(const std::vector<TFound>& devices);
    // Whether a row has `addr`, and the name of the first such row in list order.
    bool Listed(int addr, QString* name = nullptr) const;

    // Address text of the edit dialog as a number: −1 when it is not a decimal number.
    static int ParseAddr(const QString& text);

private:
    int AddrOf(const QString& text) const override { return ParseAddr(text); }
    // Every exchange goes to an address: two rows with one address are one device.
    bool UniqueAddrs() const override { return true; }
    // A new row goes to the end of the list.
    bool InitNewRow() override;
    bool Move(int direction);
};

// Payload of the clock command: day, month, year − 2000, hour, minute, second.
std::array<uint8_t, 6> ClockPayload(const QDateTime& local);
