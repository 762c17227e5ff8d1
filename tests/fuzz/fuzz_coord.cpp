// Coordinate texts from anywhere (a spreadsheet, an old database) go into the unit as numbers:
// any text reads without a crash, and a number that has a text reads back as itself.
#include <cstdint>
#include <cstdlib>

#include <QString>

#include "routes/coords.h"
#include "routes/routestore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const int32_t value = CoordFromText(text);
    const QString back = CoordToText(value);
    if (value != 0 && !back.isEmpty() && CoordFromText(back) != value)
        std::abort();
    if (value == 0 && back != QStringLiteral("- - -"))
        std::abort();
    for (TCoordKind kind : {TCoordKind::BeginLatitude, TCoordKind::Latitude, TCoordKind::Longitude}) {
        if (!CoordTextValid(text, kind))
            continue;
        // A text the edit dialog accepts is one the unit can carry and show again.
        if (back.isEmpty() && value != 0)
            std::abort();
    }
    return 0;
}
