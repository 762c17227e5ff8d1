#include "app/version.h"

#include <QStringList>

#include "versiondefs.h"

namespace {

QString orUnknown(const QString& s)
{
    return s.isEmpty() ? QStringLiteral("???") : s;
}

}  // namespace

TVersionInfo::TVersionInfo()
    : TVersionInfo(QStringLiteral(ZEVANTA_PRODUCT_NAME), QStringLiteral(ZEVANTA_VERSION_STRING))
{
}

TVersionInfo::TVersionInfo(const QString& productName, const QString& fileVersion)
    : ProductName(orUnknown(productName)), FileVersion(orUnknown(fileVersion))
{
    // Missing or non-numeric parts count as 0.
    const QStringList parts = FileVersion.split(u'.');
    int* fields[] = {&Version.Major, &Version.Minor, &Version.Release, &Version.Build};
    for (qsizetype i = 0; i < 4 && i < parts.size(); ++i)
        *fields[i] = parts[i].trimmed().toInt();
    Version.Str = QStringLiteral("%1.%2").arg(Version.Major).arg(Version.Minor);
}
