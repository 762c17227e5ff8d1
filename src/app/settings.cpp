#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "base/messages.h"
#include "base/settingssection.h"

namespace {

const QString kDataBase = QStringLiteral("DataBase");
const QString kForm = QStringLiteral("Form");
const QString kOptions = QStringLiteral("Form/Options");
const QString kHardware = QStringLiteral("Hardware");
const QString kPort = QStringLiteral("COM-port");
const QString kMap = QStringLiteral("Map");

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
// The system's words for the last failed write, for a cause the folder does not show.
QString gLastWriteError;

bool writeSafeIni(QIODevice& device, const QSettings::SettingsMap& map)
{
    QByteArray text;
    auto* file = qobject_cast<QFileDevice*>(&device);
    const auto failed = [&] {
        gLastWriteError = device.errorString();
        return false;
    };
    if (!iniText(map, text) || device.write(text) != text.size())
        return failed();
    if (!file)
        return true;
    if (!file->flush())
        return failed();
#ifdef _WIN32
    if (::_commit(file->handle()) != 0)
        return failed();
#else
    if (::fsync(file->handle()) != 0 && errno != EINVAL) {
        gLastWriteError = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
#endif
    return true;
}

// True when the file now holds every value of the store.
bool storedOnDisk(QSettings& store)
{
    QSettings disk(store.fileName(), store.format());
    const QStringList keys = store.allKeys();
    for (const QString& key : keys)
        if (!disk.contains(key) || disk.value(key).toString() != store.value(key).toString())
            return false;
    return disk.status() == QSettings::NoError;
}

// Why the file could not be written, as far as its place on disk tells.
QString writeFailureCause(const QString& path)
{
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    if (!QFileInfo(folder).isDir())
        return Msg::SettingsCauseNoFolder.arg(folder);
    if (file.isDir())
        return Msg::SettingsCauseIsFolder;
    if (file.exists() && !file.isWritable())
        return Msg::SettingsCauseReadOnly;
    QTemporaryFile probe(folder + QStringLiteral("/.zevanta-XXXXXX"));
    if (!probe.open())
        return Msg::SettingsCauseFolderReadOnly.arg(folder);
    const QStorageInfo disk(folder);
    if (disk.isValid() && disk.bytesAvailable() <= 0)
        return Msg::SettingsCauseDiskFull;
    return Msg::SettingsCauseOther.arg(gLastWriteError.isEmpty() ? Msg::SettingsCauseUnknown : gLastWriteError);
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
        QStringLiteral("tsDORNA"),    QStringLiteral("tsPLEVA"),  QStringLiteral("tsTARVIK"),
        QStringLiteral("tsVIDA"),     QStringLiteral("tsGALTE"),  QStringLiteral("tsTRAVO"),
        QStringLiteral("tsUSBRelay"), QStringLiteral("tsKESTA"),  QStringLiteral("tsFentor"),
        QStringLiteral("tsSARVEL"),   QStringLiteral("tsPELNIK"), QStringLiteral("tsCtrlExtMem"),
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

    const TSettingsSection form(&store, kForm);
    s.AllControls = form.Bool(QStringLiteral("All controls enabled"), false);
    s.ActiveTab = form.Str(QStringLiteral("Active Tab"));
    for (const QString& name : OptionalTabNames())
        s.TabVisible[name] = form.Bool(name, false);
    const auto left = form.Number(QStringLiteral("Left"));
    const auto top = form.Number(QStringLiteral("Top"));
    const auto width = form.Number(QStringLiteral("Width"));
    const auto height = form.Number(QStringLiteral("Height"));
    // Beyond any screen is a broken value, not a window: the window then opens as on a first run.
    const auto fits = [](const std::optional<qlonglong>& v, qlonglong low) { return v && *v >= low && *v <= 100000; };
    if (fits(left, -100000) && fits(top, -100000) && fits(width, 1) && fits(height, 1))
        s.WindowRect = QRect(int(*left), int(*top), int(*width), int(*height));
    s.WindowMaximized = form.Bool(QStringLiteral("Maximized"), false);

    const TSettingsSection options(&store, kOptions);
    s.AutoDetectBL = options.Bool(QStringLiteral("Auto detect BL"), true);
    s.VersionBL = options.Bool(QStringLiteral("Version BL"), true);
    s.BlockSize = options.Int(QStringLiteral("BlockSize"), 6);
    if (s.BlockSize < 0 || s.BlockSize >= kBlockSizeCount)
        s.BlockSize = 6;
    s.ResetSystem = options.Bool(QStringLiteral("ResetSystem"), false);

    const TSettingsSection hardware(&store, kHardware);
    s.DevAddr = CorrectDevAddr(hardware.Number(QStringLiteral("Device addr")).value_or(0x7FFF));
    // A time-out of 0 would fail every read; keep what fits a 16-bit field and is usable.
    const qlonglong timeOut = hardware.Number(QStringLiteral("Time Out")).value_or(120);
    s.Port.TimeOut = timeOut >= 1 && timeOut <= 0xFFFF ? uint16_t(timeOut) : 120;

    const TSettingsSection port(&store, kPort);
    s.Port.Number = CorrectPortNumber(port.Number(QStringLiteral("Number")).value_or(-1));
    s.Port.BaudRate = CorrectBaudRate(port.Number(QStringLiteral("Baud rate")).value_or(115200));
    s.Port.RTS = port.Bool(QStringLiteral("RTS"), false);
    s.Port.DTR = port.Bool(QStringLiteral("DTR"), false);
    s.Port.RepCount = CorrectRepCount(port.Number(QStringLiteral("RepCount")).value_or(3));

    const TSettingsSection map(&store, kMap);
    s.MapTileUrl = map.Str(QStringLiteral("Tile URL"), s.MapTileUrl).trimmed();
    s.MapTileAttribution = map.Str(QStringLiteral("Tile attribution"), s.MapTileAttribution);
    const qlonglong cacheMB = map.Number(QStringLiteral("Tile cache MB")).value_or(s.MapTileCacheMB);
    s.MapTileCacheMB = int(std::clamp<qlonglong>(cacheMB, 0, 1024 * 1024));
    return s;
}

bool SaveSettings(QSettings& store, const TAppSettings& s, QString* failure)
{
    store.setValue(kDataBase, s.DataBase);

    TSettingsSection form(&store, kForm);
    form.SetBool(QStringLiteral("All controls enabled"), s.AllControls);
    form.SetStr(QStringLiteral("Active Tab"), s.ActiveTab);
    for (const QString& name : OptionalTabNames()) {
        const auto it = s.TabVisible.find(name);
        form.SetBool(name, it != s.TabVisible.end() && it->second);
    }
    if (s.WindowRect.isValid()) {
        form.SetInt(QStringLiteral("Left"), s.WindowRect.left());
        form.SetInt(QStringLiteral("Top"), s.WindowRect.top());
        form.SetInt(QStringLiteral("Width"), s.WindowRect.width());
        form.SetInt(QStringLiteral("Height"), s.WindowRect.height());
    }
    form.SetBool(QStringLiteral("Maximized"), s.WindowMaximized);

    TSettingsSection options(&store, kOptions);
    options.SetBool(QStringLiteral("Auto detect BL"), s.AutoDetectBL);
    options.SetBool(QStringLiteral("Version BL"), s.VersionBL);
    options.SetInt(QStringLiteral("BlockSize"), s.BlockSize);
    options.SetBool(QStringLiteral("ResetSystem"), s.ResetSystem);

    TSettingsSection hardware(&store, kHardware);
    hardware.SetInt(QStringLiteral("Device addr"), int(s.DevAddr));

    TSettingsSection port(&store, kPort);
    port.SetInt(QStringLiteral("Number"), s.Port.Number);
    port.SetInt(QStringLiteral("Baud rate"), s.Port.BaudRate);
    port.SetBool(QStringLiteral("RTS"), s.Port.RTS);
    port.SetBool(QStringLiteral("DTR"), s.Port.DTR);
    port.SetInt(QStringLiteral("RepCount"), int(s.Port.RepCount));

    TSettingsSection map(&store, kMap);
    map.SetStr(QStringLiteral("Tile URL"), s.MapTileUrl);
    map.SetStr(QStringLiteral("Tile attribution"), s.MapTileAttribution);
    map.SetInt(QStringLiteral("Tile cache MB"), s.MapTileCacheMB);
    return SyncSettings(store, failure);
}

bool SaveDataBasePath(QSettings& store, const QString& path, QString* failure)
{
    store.setValue(kDataBase, path);
    return SyncSettings(store, failure);
}

bool SyncSettings(QSettings& store, QString* failure)
{
    gLastWriteError.clear();
    store.sync();
    switch (store.status()) {
    case QSettings::NoError: return true;
    // A file that could not be read at start keeps this status for good, although the write
    // that follows replaces it: what is on disk now decides.
    case QSettings::FormatError:
        if (storedOnDisk(store))
            return true;
        break;
    case QSettings::AccessError: break;
    }
    if (failure)
        *failure = writeFailureCause(store.fileName());
    return false;
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
