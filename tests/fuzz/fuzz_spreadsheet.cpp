// Feeds arbitrary bytes to the spreadsheet readers (BIFF, zipped XML, CSV) and walks what they
// found the way the turn import does. A reader may refuse a file, never crash or run away.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "routes/routeset.h"
#include "routes/spreadsheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // A short time limit: an input that runs into it is refused, which is the behaviour wanted.
    const auto book = OpenSpreadsheetData(bytes, true, nullptr, {std::chrono::milliseconds(5000), nullptr});
    if (!book)
        return 0;
    const QStringList sheets = book->SheetNames();
    if (sheets.isEmpty())
        std::abort();  // an opened workbook always has a sheet
    for (int s = 0; s < sheets.size() && s < 8; ++s) {
        const TImportRows rows = ReadImportRows(*book, s, 2040);
        if (rows.Rows.size() > 2040)
            std::abort();
        if (!rows.Error.isEmpty() && !rows.Rows.empty())
            std::abort();  // a refused sheet hands over no rows to store
        for (const TImportRow& r : rows.Rows)
            if (r.BegLat != r.BegLat.trimmed() || r.Turn != r.Turn.trimmed())
                std::abort();  // cells come trimmed
    }
    return 0;
}
