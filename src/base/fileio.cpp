#include "base/fileio.h"

#include "base/messages.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fileio {

namespace {

std::filesystem::path fsPath(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The reason of the last failed call, or of Qt's error text when the system left none.
QString lastReason(int err, const QFileDevice& f)
{
    return err != 0 ? SystemErrorText(err) : f.errorString();
}

bool syncToDisk(QFileDevice& f)
{
#ifdef _WIN32
    return ::_commit(f.handle()) == 0;
#else
    int r;
    do {
        r = ::fsync(f.handle());
    } while (r != 0 && errno == EINTR);
    // A file system that cannot sync (EINVAL) has nothing to sync; the flush was checked.
    return r == 0 || errno == EINVAL || errno == EROFS;
#endif
}

// Only a regular file is read or replaced: a FIFO would block the read forever and a device never
// ends, neither is an image.
bool isRegular(std::filesystem::file_type type, QString& why)
{
    if (type == std::filesystem::file_type::directory) {
        why = SystemErrorText(EISDIR);
        return false;
    }
    if (type != std::filesystem::file_type::regular) {
        why = Msg::SysNotRegular;
        return false;
    }
    return true;
}

}  // namespace

QString SystemErrorText(int err)
{
    switch (err) {
    case ENOENT: return Msg::SysNoEntry;
    case EACCES:
    case EPERM: return Msg::SysAccess;
    case EISDIR: return Msg::SysIsFolder;
    case ENOTDIR: return Msg::SysNotFolder;
    case ENOSPC: return Msg::SysNoSpace;
#ifdef EDQUOT
    case EDQUOT: return Msg::SysQuota;
#endif
    case EROFS: return Msg::SysReadOnly;
    case EBUSY: return Msg::SysBusy;
    case EMFILE:
    case ENFILE: return Msg::SysTooManyFiles;
    case ENAMETOOLONG: return Msg::SysNameTooLong;
    case EIO: return Msg::SysIo;
    case ENODEV:
    case ENXIO: return Msg::SysNoDevice;
    case EFBIG: return Msg::SysTooBig;
    default: break;
    }
    return Msg::SysOther.arg(err).arg(QString::fromLocal8Bit(std::strerror(err)));
}

bool CheckInputFile(const QString& path, QString& why)
{
    std::error_code ec;
    const auto st = std::filesystem::status(fsPath(path), ec);
    if (ec) {
        why = SystemErrorText(ec.value());
        return false;
    }
    if (!isRegular(st.type(), why))
        return false;
    if (!QFileInfo(path).isReadable()) {
        why = SystemErrorText(EACCES);
        return false;
    }
    return true;
}

bool CheckOutputFile(const QString& path, QString& why)
{
    if (path.isEmpty()) {
        why = SystemErrorText(ENOENT);
        return false;
    }
    const QFileInfo info(path);
    std::error_code ec;
    const auto st = std::filesystem::status(fsPath(path), ec);
    if (!ec) {
        if (!isRegular(st.type(), why))
            return false;
    } else if (ec.value() != ENOENT) {
        why = SystemErrorText(ec.value());
        return false;
    }
    const QString folder = info.absolutePath();
    const auto dst = std::filesystem::status(fsPath(folder), ec);
    if (ec) {
        why = SystemErrorText(ec.value());
        return false;
    }
    if (dst.type() != std::filesystem::file_type::directory) {
        why = SystemErrorText(ENOTDIR);
        return false;
    }
    // The new file is made next to the old one and renamed over it: the folder must be writable.
    if (!QFileInfo(folder).isWritable() || (info.exists() && !info.isWritable())) {
        why = SystemErrorText(EACCES);
        return false;
    }
    return true;
}

bool ReadWholeFile(const QString& path, QByteArray& data, QString& why)
{
    if (!CheckInputFile(path, why))
        return false;
    QFile f(path);
    errno = 0;
    if (!f.open(QIODevice::ReadOnly)) {
        why = lastReason(errno, f);
        return false;
    }
    if (f.size() > kMaxInputSize) {
        why = SystemErrorText(EFBIG);
        return false;
    }
    errno = 0;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        why = lastReason(errno, f);
        return false;
    }
    data = std::move(bytes);
    return true;
}

bool WriteWholeFile(const QString& path, const QByteArray& data, QString& why)
{
    if (!CheckOutputFile(path, why))
        return false;
    QSaveFile f(path);
    // Never write in place: a failure must keep the old file.
    f.setDirectWriteFallback(false);
    errno = 0;
    if (!f.open(QIODevice::WriteOnly)) {
        why = lastReason(errno, f);
        return false;
    }
    // commit() alone can report success on a full disk (the buffered tail fails unseen):
    // every step is checked here, and the data synced before the rename.
    errno = 0;
    if (f.write(data) != data.size() || !f.flush() || !syncToDisk(f)) {
        why = lastReason(errno, f);
        f.cancelWriting();
        return false;
    }
    errno = 0;
    if (!f.commit()) {
        why = lastReason(errno, f);
        return false;
    }
    return true;
}

QString DroppedFile(const QList<QUrl>& urls, const QStringList& suffixes)
{
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return QString();
    const QString path = urls.front().toLocalFile();
    const QFileInfo info(path);
    return suffixes.contains(info.suffix().toLower()) ? path : QString();
}

}  // namespace fileio
