#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "link/deviceinfo.h"

class TDatabase;

// What a device last said of itself and when: the inventory report and `zevanta-cli scan --json`
// give these fields under the same names, written by IdentityJson.
struct TIdentity {
    int Address = 0;
    QString Name;  // the device's own name line
    TMode Mode = mNone;
    uint8_t Version = 0;
    uint16_t Build = 0;
    QString Part;      // the controller, first line of its catalogue entry
    uint32_t Ext = 0;  // external memory, bytes
    QDateTime Seen;

    bool operator==(const TIdentity& o) const
    {
        return Address == o.Address && Name == o.Name && Mode == o.Mode && Version == o.Version && Build == o.Build &&
               Part == o.Part && Ext == o.Ext;
    }
};

// "boot5.0", "boot5.1", "boot6", "app5", "app6"; "none" without an answer.
const char* ShortModeName(TMode m);
TMode ModeOfShortName(const QString& name);

TIdentity IdentityOf(int address, const TDeviceInfo& info, const QDateTime& seen);

// The field names, in the order of the report's columns.
QStringList IdentityFields();
QJsonObject IdentityJson(const TIdentity& id);

// The last identification of every address, in the database (table Опознание). Main thread only.
class TIdentityStore {
public:
    explicit TIdentityStore(TDatabase& db) : FDb(db) {}

    // Keeps an answer. Presence asks several times a second: an answer like the last one kept for
    // the address is written again only once its time is a minute old.
    bool Record(const TIdentity& id);
    std::optional<TIdentity> Last(int address, QString* why = nullptr) const;

    static constexpr int kRefreshSeconds = 60;

private:
    TDatabase& FDb;
    QHash<int, TIdentity> FWritten;
};

// One row of the inventory: a device of the list and its last identification, if it was ever seen.
struct TInventoryRow {
    int Address = 0;
    QString ListName;
    std::optional<TIdentity> Identity;
};

enum class TInventoryFormat { Csv, Json };
std::optional<TInventoryFormat> InventoryFormatOfFile(const QString& path);

// The device list in its order.
bool LoadInventory(TDatabase& db, std::vector<TInventoryRow>& rows, QString& why);
// CSV: a header row of the field names, "," between fields, quoted where needed, UTF-8 with a BOM
// so a spreadsheet reads the Cyrillic names. JSON: an array of objects, a device never seen with
// its address and list name only.
QByteArray InventoryCsv(const std::vector<TInventoryRow>& rows);
QByteArray InventoryJson(const std::vector<TInventoryRow>& rows);
// Loads the list and replaces the file with the report at once.
bool WriteInventory(TDatabase& db, const QString& path, TInventoryFormat format, int& devices, QString& why);
