#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

#include "link/devicesession.h"

// The program's persisted settings: read once at start, written once at exit (the database
// path also as soon as the user changes it). Same subkeys, value names and defaults on every
// platform; Booleans are stored as 0/1.
struct TAppSettings {
    // (the key itself)
    QString DataBase;  // empty when absent: the default file in the application-data folder

    // "Form" (the values of the tabs' own controls are read and written by the tabs themselves)
    bool AllControls = false;
    QString ActiveTab;
    std::map<QString, bool> TabVisible;  // every optional tab, by component name
    // The main window's client rectangle when not maximised ("Left", "Top", "Width", "Height");
    // not valid when any of them is missing: the window then opens at its minimum size, centred.
    QRect WindowRect;
    bool WindowMaximized = false;  // "Maximized"

    // "Form\Options"
    bool AutoDetectBL = true;
    bool VersionBL = true;  // true: "5.1 и выше"
    int BlockSize = 6;      // index into the block-size list
    bool ResetSystem = false;

    // "Hardware" and "COM-port"
    uint16_t DevAddr = 0x7FFF;
    PortSettings Port;  // TimeOut comes from "Hardware/Time Out" and is never written back

    // "Map": where the map view's background tiles come from: a server address with {z}, {x} and
    // {y}, a folder of z/x/y.png or an MBTiles file (empty: no background); and the credit the
    // tiles' makers ask to be shown.
    QString MapTileUrl = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
    QString MapTileAttribution = QStringLiteral("© OpenStreetMap contributors");
    // Megabytes of server tiles kept on disk for use without a network.
    int MapTileCacheMB = 200;

    TAppSettings();
};

// Component names of the optional tabs (shown only when their "Form" value is true), in the
// order the main window owns them.
const QStringList& OptionalTabNames();

// The 12 line rates the port dialog offers, in order.
const std::vector<int>& BaudRateList();
constexpr int kBlockSizeCount = 10;

// Value corrections applied when reading.
int CorrectPortNumber(qlonglong stored);
int CorrectBaudRate(qlonglong stored);
uint16_t CorrectRepCount(qlonglong stored);
uint16_t CorrectDevAddr(qlonglong stored);

// Reads every value; missing or unreadable values give their defaults.
TAppSettings LoadSettings(QSettings& store);
// Writes every value except "Hardware/Time Out". False when the store could not be written (the
// file then keeps what it held), with the cause in `failure`.
bool SaveSettings(QSettings& store, const TAppSettings& s, QString* failure = nullptr);
// Written at once by the database dialog.
bool SaveDataBasePath(QSettings& store, const QString& path, QString* failure = nullptr);
// Writes what the store holds. A file that could not be read at start is no failure once it has
// been replaced; a real one gives its cause in `failure`.
bool SyncSettings(QSettings& store, QString* failure = nullptr);

// The program's settings store. The INI file is replaced only once the new one is wholly on disk.
// On Windows the registry key HKCU\Software\<program name>; elsewhere
// an INI file "<program name>.ini" in the user's config folder, or `iniPath` when given (demo mode
// and tests keep theirs apart from the user's).
std::unique_ptr<QSettings> OpenSettingsStore(const QString& iniPath = QString());
