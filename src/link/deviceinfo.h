#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

enum TMode : uint8_t {
    mNone = 0,
    mBootloader50 = 1,
    mBootloader51 = 2,
    mBootloader60 = 3,
    mDevice5 = 4,
    mDevice6 = 5,
};

struct TDeviceInfo {
    uint8_t Version = 0;
    uint16_t Build = 0;
    QString Name;
    uint32_t Ext = 0;
    int8_t Temp = 0;
    float Voltage = 0;
    uint8_t VarMode = 0;
    double DateRTC = 0;  // days since 1899-12-30, date part only; 0 = not set
    double TimeRTC = 0;  // fraction of a day; 0 = not set
    QString MCU = QStringLiteral("---");
    TMode Mode = mNone;
    uint32_t MemSize = 0;
    uint32_t ProgStart = 0;

    void Clear() { *this = TDeviceInfo(); }
};

enum TDeviceParamTyp : uint8_t {
    pkgNone = 0,
    pkgStr = 1,
    pkgDateTime = 2,
    pkgMode = 3,
    pkgInt = 4,
    pkgLong = 5,
    pkgHex16 = 6,
    PkgHex32 = 7,
};

struct TDeviceParam {
    TDeviceParamTyp typ = pkgNone;
    QString Name;
    QString Value;
};

struct TParams {
    std::vector<TDeviceParam> Items;

    void Clear() { Items.clear(); }
    void Add(TDeviceParamTyp typ, const QString& name, const QString& val) { Items.push_back({typ, name, val}); }
    int Count() const { return int(Items.size()); }
    TDeviceParam GetParam(int n) const { return (n >= 0 && n < Count()) ? Items[size_t(n)] : TDeviceParam{}; }
};

struct TItemMCU {
    uint8_t ID = 0;
    QString Name;  // at most 30 characters
    uint32_t ROM = 0;
    uint32_t Offset = 0;
    QString Firma;  // at most 30 characters
};

// Device clock in the legacy day-count form: date part and time part, each 0 when invalid.
double EncodeRtcDate(int year, int month, int day);
double EncodeRtcTime(int hour, int minute, int second);
QDate RtcDateToQDate(double dateRtc);
QTime RtcTimeToQTime(double timeRtc);

// Decodes the payload of an identification answer into info and params, then looks the
// controller up in the catalogue. info and params are cleared first.
void DecodeDeviceInfo(const uint8_t* payload, uint16_t count, const std::vector<TItemMCU>& mcus, TDeviceInfo& info,
                      TParams& params);

// Reads the controller catalogue. Throws McuCatalogError naming the file and the fault.
std::vector<TItemMCU> LoadMCUCatalog(const QString& path);
// Where the catalogue is looked for, in order: mcu.xml beside the executable (a build folder), in
// the installed data folder of its prefix, in the user's data folder.
QStringList MCUCatalogPlaces();
// The first of those places that exists; the first place when none does.
QString DefaultMCUCatalogPath();

// what() is English for the command line; Russian() is the same fault for the window.
class McuCatalogError : public std::runtime_error {
public:
    McuCatalogError(const QString& english, const QString& russian)
        : std::runtime_error(english.toStdString()), FRussian(russian)
    {
    }
    const QString& Russian() const { return FRussian; }

private:
    QString FRussian;
};
