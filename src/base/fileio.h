#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

// Whole-file reads and writes that say why they failed, in the user's language. Shared by the
// HEX and binary images, the settings file and every command that reads or writes a file.
namespace fileio {

// The reason for a system error number: "нет такого файла или папки", "отказано в доступе", …
QString SystemErrorText(int err);

// Files larger than this are not images of any memory we know: refused before reading.
constexpr qint64 kMaxInputSize = 64 * 1024 * 1024;

// A readable regular file (not a folder, a FIFO or a device), checked without opening anything
// that could block; why gets the reason otherwise.
bool CheckInputFile(const QString& path, QString& why);
// A path a whole file can be written to: the folder exists and is writable, and an existing entry
// is a regular, writable file. Checked before a device is read for it.
bool CheckOutputFile(const QString& path, QString& why);

// Reads the whole regular file.
bool ReadWholeFile(const QString& path, QByteArray& data, QString& why);
// Replaces path with data atomically: every write and the flush are checked and the data is synced
// before the new file takes the old one's place, so a failure (a full disk) keeps the old file.
bool WriteWholeFile(const QString& path, const QByteArray& data, QString& why);

// The one local file a drop carries, when its suffix is one of `suffixes` (lower case, no dot;
// any case in the name); empty for several files, a remote address or another kind of file.
QString DroppedFile(const QList<QUrl>& urls, const QStringList& suffixes);

}  // namespace fileio
