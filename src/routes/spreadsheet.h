#pragma once
#include <atomic>
#include <chrono>
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Caps that keep a crafted file from eating the memory or the time: cells beyond them are not
// read, and the reader says so.
namespace SpreadsheetLimits {
inline constexpr int MaxRows = 1 << 20;
inline constexpr int MaxColumns = 256;
inline constexpr qint64 MaxCells = 300'000;                  // non-empty cells of the one sheet being read
inline constexpr qint64 MaxPartBytes = 64 << 20;             // the file, and one unpacked part of a zipped workbook
inline constexpr std::chrono::milliseconds MaxTime{30'000};  // opening plus reading one sheet
}  // namespace SpreadsheetLimits

// What stops a long read early: the time limit, counted from opening the file, and a flag the
// user's "Отмена" sets from another thread.
struct TSpreadsheetBudget {
    std::chrono::milliseconds Time = SpreadsheetLimits::MaxTime;
    const std::atomic<bool>* Cancel = nullptr;
};

// A workbook opened for the turn import. Opening reads only the list of sheets; a sheet's cells
// are read when it is loaded, once, so a workbook whose sheet entries all name one big part
// costs one read of that part, and only when that sheet is imported.
class SpreadsheetReader {
public:
    virtual ~SpreadsheetReader() = default;

    virtual QStringList SheetNames() const = 0;
    // Reads one sheet's cells. A later call returns the first outcome at once. False, with the
    // reason in *error, for a damaged sheet, a read that was cancelled or ran out of time.
    virtual bool LoadSheet(int sheet, QString* error = nullptr) = 0;
    // Text of a cell of a loaded sheet with blanks around it removed; row and column count from
    // 0 (A1 is 0, 0). Empty for an empty cell, a sheet not loaded and a cell beyond the sheet.
    // Numbers come as their shortest text ("2040", "55.5"), dates as text ("31.12.2024").
    virtual QString Cell(int sheet, int row, int column) const = 0;
    // Whether a loaded sheet holds any non-empty cell.
    virtual bool HasCells(int sheet) const = 0;
    // Why a loaded sheet was not read to its end (a cap stopped it); empty when it was.
    virtual QString CapNote(int sheet) const = 0;
};

// Opens .xls (BIFF), .xlsx, .ods and .csv (UTF-8 or CP1251, comma or semicolon). The path must
// name a readable regular file (a FIFO or a device is refused before anything is read). The
// format is told by the file's first bytes; a file that is neither of the binary formats is read
// as CSV only when its name ends in .csv or .txt. Null (with the reason, in Russian, in *error)
// for a file that cannot be read, is damaged, is protected by a password or is not a spreadsheet.
std::unique_ptr<SpreadsheetReader> OpenSpreadsheet(const QString& path, QString* error = nullptr,
                                                   const TSpreadsheetBudget& budget = {});

// The same from bytes in memory (the fuzz targets and tests use it). `asCsv` reads bytes that are
// not a zipped or BIFF workbook as CSV.
std::unique_ptr<SpreadsheetReader> OpenSpreadsheetData(const QByteArray& data, bool asCsv, QString* error = nullptr,
                                                       const TSpreadsheetBudget& budget = {});

// Checks the compound-document structure of a BIFF file (header, sector size, FAT, directory and
// stream chains inside the file and free of loops) before any library reads it; false with the
// reason in *error for a malformed file.
bool CheckCompoundFile(const QByteArray& data, QString* error = nullptr);

// Column letters of a cell address ("A" is 0, "Z" 25, "AA" 26); -1 when there are none.
int SpreadsheetColumn(QStringView letters);
// The shortest text that reads back as the same number ("0.1", "2040", "1e+21").
QString SpreadsheetNumberText(double value);
// A date serial of the 1900 date system (days since 30.12.1899) as "dd.MM.yyyy", with
// " hh:mm:ss" when it has a time part.
QString SpreadsheetDateText(double serial);
