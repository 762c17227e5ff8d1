#pragma once
#include <optional>

#include <QString>
#include <QStringList>

#include "base/settingssection.h"

// The files last opened on one tab, newest first, as its "Последние файлы" submenu lists them.
// Paths are kept absolute, so one file reached two ways is listed once.
class TRecentFiles {
public:
    static constexpr int kMax = 8;

    // `key` names the tab's list in the settings ("FLASH" gives "FLASH 1" … "FLASH 8").
    explicit TRecentFiles(const QString& key) : FKey(key) {}

    const QStringList& Files() const { return FFiles; }
    // A file that loaded: to the front, an older entry of it dropped, the oldest beyond kMax too.
    void Add(const QString& path);
    // The file of entry `index` to open again. A file that is gone leaves the list, and `message`
    // gets the text to show; nothing at all for an index out of range.
    std::optional<QString> Take(int index, QString* message);

    // "&1 fw.hex  (/home/user/fw)": numbered for the keyboard, a '&' of the name kept as text,
    // a long folder shortened in the middle.
    static QString MenuText(int index, const QString& path);

    void Read(const TSettingsSection& section);
    // Every slot is written, empty past the list's end, so a shorter list leaves no stale entry.
    void Write(TSettingsSection& section) const;

private:
    QString SlotName(int slot) const;

    QString FKey;
    QStringList FFiles;
};
