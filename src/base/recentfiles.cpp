#include "base/recentfiles.h"

#include <QDir>
#include <QFileInfo>

#include "base/messages.h"

namespace {

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool samePath(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

constexpr int kFolderChars = 60;

}  // namespace

void TRecentFiles::Add(const QString& path)
{
    if (path.trimmed().isEmpty())
        return;
    const QString file = absolute(path);
    FFiles.removeIf([&](const QString& f) { return samePath(f, file); });
    FFiles.prepend(file);
    while (FFiles.size() > kMax)
        FFiles.removeLast();
}

std::optional<QString> TRecentFiles::Take(int index, QString* message)
{
    if (index < 0 || index >= FFiles.size())
        return std::nullopt;
    const QString file = FFiles[index];
    if (QFileInfo(file).isFile())
        return file;
    FFiles.removeAt(index);
    if (message)
        *message = Msg::RecentFileMissing.arg(QDir::toNativeSeparators(file));
    return std::nullopt;
}

QString TRecentFiles::MenuText(int index, const QString& path)
{
    const QFileInfo info(path);
    QString folder = QDir::toNativeSeparators(info.path());
    if (folder.size() > kFolderChars) {
        const int keep = (kFolderChars - 1) / 2;
        folder = folder.left(keep) + QChar(0x2026) + folder.right(kFolderChars - 1 - keep);
    }
    QString name = info.fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    folder.replace(QLatin1Char('&'), QStringLiteral("&&"));
    // Entries past 9 keep their number but get no key.
    const QString number = index < 9 ? QStringLiteral("&%1").arg(index + 1) : QString::number(index + 1);
    return QStringLiteral("%1 %2  (%3)").arg(number, name, folder);
}

QString TRecentFiles::SlotName(int slot) const
{
    return QStringLiteral("%1 %2").arg(FKey).arg(slot + 1);
}

void TRecentFiles::Read(const TSettingsSection& section)
{
    FFiles.clear();
    // Read oldest first so that Add keeps the order and drops blanks and doubles typed by hand.
    for (int slot = kMax - 1; slot >= 0; --slot)
        Add(section.Str(SlotName(slot)));
}

void TRecentFiles::Write(TSettingsSection& section) const
{
    for (int slot = 0; slot < kMax; ++slot)
        section.SetStr(SlotName(slot), FFiles.value(slot));
}
