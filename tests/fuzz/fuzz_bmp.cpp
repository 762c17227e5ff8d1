// Feeds arbitrary bytes to the LCD picture reader for every picture size. A file it accepts must
// pack and unpack to the same picture, and a refused one must leave the picture as it was.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "memory/lcdbitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const lcd::TSize s : lcd::kSizes) {
        lcd::TPicture picture(s);
        picture.Set(s.W - 1, s.H - 1, true);
        const lcd::TPicture before = picture;
        if (!lcd::ReadBitmap(bytes, s, picture)) {
            if (!(picture == before))
                std::abort();
            continue;
        }
        for (const lcd::TLayout layout : {lcd::lyRows, lcd::lyColumns})
            if (!(lcd::Unpack(s, layout, lcd::Pack(picture, layout)) == picture))
                std::abort();
    }
    return 0;
}
