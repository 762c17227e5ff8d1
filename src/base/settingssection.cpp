#include "base/settingssection.h"

#include <QSettings>

QString TSettingsSection::Key(const QString& name) const
{
    return FGroup.isEmpty() ? name : FGroup + QLatin1Char('/') + name;
}

std::optional<qlonglong> TSettingsSection::Number(const QString& name) const
{
    if (!FStore)
        return std::nullopt;
    const QVariant v = FStore->value(Key(name));
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = v.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

int TSettingsSection::Int(const QString& name, int fallback) const
{
    const auto n = Number(name);
    if (!n || *n < INT32_MIN || *n > INT32_MAX)
        return fallback;
    return int(*n);
}

bool TSettingsSection::Bool(const QString& name, bool fallback) const
{
    if (const auto n = Number(name))
        return *n != 0;
    const QString text = Str(name).trimmed().toLower();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return fallback;
}

QString TSettingsSection::Str(const QString& name, const QString& fallback) const
{
    if (!FStore)
        return fallback;
    const QVariant v = FStore->value(Key(name));
    return v.isValid() ? v.toString() : fallback;
}

void TSettingsSection::SetInt(const QString& name, int value)
{
    if (FStore)
        FStore->setValue(Key(name), value);
}

void TSettingsSection::SetBool(const QString& name, bool value)
{
    SetInt(name, value ? 1 : 0);
}

void TSettingsSection::SetStr(const QString& name, const QString& value)
{
    if (FStore)
        FStore->setValue(Key(name), value);
}
