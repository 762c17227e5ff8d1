#pragma once
#include <QString>

// The program's own version record: product name and the four-part file version.
class TVersionInfo {
public:
    struct TVersion {
        int Major = 0;
        int Minor = 0;
        int Release = 0;
        int Build = 0;
        QString Str;  // "Major.Minor"
    };

    // From the version the build was configured with.
    TVersionInfo();
    // From a product name and a dotted file version; an empty value reads as "???".
    TVersionInfo(const QString& productName, const QString& fileVersion);

    TVersion Version;
    QString ProductName;
    QString FileVersion;
};
