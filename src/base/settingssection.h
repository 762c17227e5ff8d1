#pragma once
#include <optional>

#include <QString>

class QSettings;

// One subkey of the program's settings store ("Form", "Form\ControlExtMem", …), as a tab reads it
// at start and writes it at exit. Without a store every read gives its default and writes go
// nowhere. Booleans are stored as 0/1 (true/false typed into an INI by hand also reads); a value that does
// not read as a whole number gives the default.
class TSettingsSection {
public:
    TSettingsSection(QSettings* store, const QString& group) : FStore(store), FGroup(group) {}

    // A stored whole number (surrounding blanks allowed), or nothing.
    std::optional<qlonglong> Number(const QString& name) const;
    int Int(const QString& name, int fallback = 0) const;
    bool Bool(const QString& name, bool fallback = false) const;
    QString Str(const QString& name, const QString& fallback = QString()) const;

    void SetInt(const QString& name, int value);
    void SetBool(const QString& name, bool value);
    void SetStr(const QString& name, const QString& value);

    const QString& Group() const { return FGroup; }
    // A subkey of this one, in the same store.
    TSettingsSection Sub(const QString& name) const { return TSettingsSection(FStore, Key(name)); }

private:
    QString Key(const QString& name) const;

    QSettings* FStore;
    QString FGroup;
};
