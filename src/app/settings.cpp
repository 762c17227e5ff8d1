#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

const QString kDataBase = QStringLiteral("DataBase");
const QString kForm = QStringLiteral("Form");
const QString kExtMem = QStringLiteral("Form/ControlExtMem");
const QString kOptions = QStringLiteral("Form/Options");
const QString kHardware = QStringLiteral("Hardware");
const QString kPort = QStringLiteral("COM-port");
const QString kMap = QStringLiteral("Map");

// A stored number, or nothing when the value is missing or not a whole number.
std::optional<qlonglong> readNumber(QSettings& store, const QString& key)
{
    const QVariant v = store.value(key);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

int readInt(QSettings& store, const QString& key, int def)
{
    const auto n = readNumber(store, key);
    if (!n || *n < INT32_MIN || *n > INT32_MAX)
        return def;
    return int(*n);
}

bool readBool(QSettings& store, const QString& key, bool def)
{
    if (const auto n = readNumber(store, key))
        return *n != 0;
    // An INI edited by hand may say true/false.
    const QString text = store.value(key).toString().trimmed().toLower();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return def;
}

void writeBool(QSettings& store, const QString& key, bool value)
{
    store.setValue(key, value ? 1 : 0);
}

QString programName()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("Zevanta") : name;
}

// The INI text of Qt's own writer, made in a side file so that its format stays exactly Qt's.
bool iniText(const QSettings::SettingsMap& map, QByteArray& text)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        QSettings ini(path, QSettings::IniFormat);
        for (auto it = map.begin(); it != map.end(); ++it)
            ini.setValue(it.key(), it.value());
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    text = f.readAll();
    // The side file can itself have met a full disk unseen: its text then is empty.
    return f.error() == QFileDevice::NoError && (map.isEmpty() || !text.isEmpty());
}

bool readSafeIni(QIODevice& device, QSettings::SettingsMap& map)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    {
        QFile f(path);
        const QByteArray text = device.readAll();
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.flush())
            return false;
    }
    QSettings ini(path, QSettings::IniFormat);
    for (const QString& key : ini.allKeys())
        map.insert(key, ini.value(key));
    return ini.status() == QSettings::NoError;
}

// QSettings replaces the file only when this returns true. Qt's own INI writer leaves the last
// buffered bytes to commit(), which reports success on a full disk and leaves an empty file:
// here every byte is written, flushed and synced first, so a full disk fails the save instead.
bool writeSafeIni(QIODevice& device, const QSettings::SettingsMap& map)
{
    QByteArray text;
    if (!iniText(map, text) || device.write(text) != text.size())
        return false;
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (!file)
        return true;
    if (!file->flush())
        return false;
#ifdef _WIN32
    return ::_commit(file->handle()) == 0;
#else
    return ::fsync(file->handle()) == 0 || errno == EINVAL;
#endif
}

QSettings::Format safeIniFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("ini"), readSafeIni, writeSafeIni);
    return format;
}

}  // namespace

TAppSettings::TAppSettings()
{
    for (const QString& name : OptionalTabNames())
        TabVisible[name] = false;
}

const QStringList& OptionalTabNames()
{
    static const QStringList names = {
        QStringLiteral("tsDORNA"),   QStringLiteral("tsPLEVA"),    QStringLiteral("tsTARVIK"),
        QStringLiteral("tsVIDA"),    QStringLiteral("tsGALTE"),    QStringLiteral("tsTRAVO"),
        QStringLiteral("tsUSBRelay"), QStringLiteral("tsKESTA"),   QStringLiteral("tsFentor"),
        QStringLiteral("tsSARVEL"),  QStringLiteral("tsPELNIK"),   QStringLiteral("tsCtrlExtMem"),
        QStringLiteral("tsImage"),
    };
    return names;
}

const std::vector<int>& BaudRateList()
{
    static const std::vector<int> rates = {1200,  2400,  4800,   9600,   10400,  19200,
                                           38400, 57600, 115200, 230400, 460800, 921600};
    return rates;
}

int CorrectPortNumber(qlonglong stored)
{
    // 0 was written by old versions for "no port"; anything that is no port number means none.
    return stored >= 1 && stored <= 255 ? int(stored) : -1;
}

int CorrectBaudRate(qlonglong stored)
{
    const auto& rates = BaudRateList();
    return std::find(rates.begin(), rates.end(), stored) != rates.end() ? int(stored) : 115200;
}

uint16_t CorrectRepCount(qlonglong stored)
{
    return stored >= 1 && stored <= 25 ? uint16_t(stored) : 3;
}

uint16_t CorrectDevAddr(qlonglong stored)
{
    return stored >= 1 && stored <= 0x7FFF ? uint16_t(stored) : 0x7FFF;
}

TAppSettings LoadSettings(QSettings& store)
{
    TAppSettings s;
    s.DataBase = store.value(kDataBase).toString();

    store.beginGroup(kForm);
    s.RunAfterSave = readBool(store, QStringLiteral("Run after save"), false);
    s.ReloadFile = readBool(store, QStringLiteral("Reload file"), false);
    s.AllControls = readBool(store, QStringLiteral("All controls enabled"), false);
    s.ImageSize = readInt(store, QStringLiteral("Image size"), 0);
    s.Razvertka = readInt(store, QStringLiteral("Razvertka"), 0);
    s.ImageAddr = readInt(store, QStringLiteral("Image Addr"), 0);
    s.ActiveTab = store.value(QStringLiteral("Active Tab")).toString();
    for (const QString& name : OptionalTabNames())
        s.TabVisible[name] = readBool(store, name, false);
    store.endGroup();

    store.beginGroup(kExtMem);
    s.BeginAddr = readInt(store, QStringLiteral("Begin Addr"), 0);
    s.CountBytes = readInt(store, QStringLiteral("Count Bytes"), 0);
    s.AddrForWrite = readInt(store, QStringLiteral("Addr For Write"), 0);
    s.WriteValue = readInt(store, QStringLiteral("Write Value"), 0);
    s.TypeData = readInt(store, QStringLiteral("Type Data"), 0);
    store.endGroup();

    store.beginGroup(kOptions);
    s.AutoDetectBL = readBool(store, QStringLiteral("Auto detect BL"), true);
    s.VersionBL = readBool(store, QStringLiteral("Version BL"), true);
    s.BlockSize = readInt(store, QStringLiteral("BlockSize"), 6);
    if (s.BlockSize < 0 || s.BlockSize >= kBlockSizeCount)
        s.BlockSize = 6;
    s.ResetSystem = readBool(store, QStringLiteral("ResetSystem"), false);
    store.endGroup();

    store.beginGroup(kHardware);
    s.DevAddr = CorrectDevAddr(readNumber(store, QStringLiteral("Device addr")).value_or(0x7FFF));
    // A time-out of 0 would fail every read; keep what fits a 16-bit field and is usable.
    const qlonglong timeOut = readNumber(store, QStringLiteral("Time Out")).value_or(120);
    s.Port.TimeOut = timeOut >= 1 && timeOut <= 0xFFFF ? uint16_t(timeOut) : 120;
    store.endGroup();

    store.beginGroup(kPort);
    s.Port.Number = CorrectPortNumber(readNumber(store, QStringLiteral("Number")).value_or(-1));
    s.Port.BaudRate = CorrectBaudRate(readNumber(store, QStringLiteral("Baud rate")).value_or(115200));
    s.Port.RTS = readBool(store, QStringLiteral("RTS"), false);
    s.Port.DTR = readBool(store, QStringLiteral("DTR"), false);
    s.Port.RepCount = CorrectRepCount(readNumber(store, QStringLiteral("RepCount")).value_or(3));
    store.endGroup();

    store.beginGroup(kMap);
    s.MapTileUrl = store.value(QStringLiteral("Tile URL"), s.MapTileUrl).toString().trimmed();
    s.MapTileAttribution = store.value(QStringLiteral("Tile attribution"), s.MapTileAttribution).toString();
    store.endGroup();
    return s;
}

bool SaveSettings(QSettings& store, const TAppSettings& s)
{
    store.setValue(kDataBase, s.DataBase);

    store.beginGroup(kForm);
    writeBool(store, QStringLiteral("Run after save"), s.RunAfterSave);
    writeBool(store, QStringLiteral("Reload file"), s.ReloadFile);
    writeBool(store, QStringLiteral("All controls enabled"), s.AllControls);
    store.setValue(QStringLiteral("Image size"), s.ImageSize);
    store.setValue(QStringLiteral("Razvertka"), s.Razvertka);
    store.setValue(QStringLiteral("Image Addr"), s.ImageAddr);
    store.setValue(QStringLiteral("Active Tab"), s.ActiveTab);
    for (const QString& name : OptionalTabNames()) {
        const auto it = s.TabVisible.find(name);
        writeBool(store, name, it != s.TabVisible.end() && it->second);
    }
    store.endGroup();

    store.beginGroup(kExtMem);
    store.setValue(QStringLiteral("Begin Addr"), s.BeginAddr);
    store.setValue(QStringLiteral("Count Bytes"), s.CountBytes);
    store.setValue(QStringLiteral("Addr For Write"), s.AddrForWrite);
    store.setValue(QStringLiteral("Write Value"), s.WriteValue);
    store.setValue(QStringLiteral("Type Data"), s.TypeData);
    store.endGroup();

    store.beginGroup(kOptions);
    writeBool(store, QStringLiteral("Auto detect BL"), s.AutoDetectBL);
    writeBool(store, QStringLiteral("Version BL"), s.VersionBL);
    store.setValue(QStringLiteral("BlockSize"), s.BlockSize);
    writeBool(store, QStringLiteral("ResetSystem"), s.ResetSystem);
    store.endGroup();

    store.beginGroup(kHardware);
    store.setValue(QStringLiteral("Device addr"), int(s.DevAddr));
    store.endGroup();

    store.beginGroup(kPort);
    store.setValue(QStringLiteral("Number"), s.Port.Number);
    store.setValue(QStringLiteral("Baud rate"), s.Port.BaudRate);
    writeBool(store, QStringLiteral("RTS"), s.Port.RTS);
    writeBool(store, QStringLiteral("DTR"), s.Port.DTR);
    store.setValue(QStringLiteral("RepCount"), int(s.Port.RepCount));
    store.endGroup();

    store.beginGroup(kMap);
    store.setValue(QStringLiteral("Tile URL"), s.MapTileUrl);
    store.setValue(QStringLiteral("Tile attribution"), s.MapTileAttribution);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

bool SaveDataBasePath(QSettings& store, const QString& path)
{
    store.setValue(kDataBase, path);
    store.sync();
    return store.status() == QSettings::NoError;
}

std::unique_ptr<QSettings> OpenSettingsStore(const QString& iniPath)
{
    if (!iniPath.isEmpty())
        return std::make_unique<QSettings>(iniPath, safeIniFormat());
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + programName(),
                                       QSettings::NativeFormat);
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return std::make_unique<QSettings>(folder + QLatin1Char('/') + programName() + QStringLiteral(".ini"),
                                       safeIniFormat());
#endif
}
