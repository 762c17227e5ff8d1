#pragma once
#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

// A workbook opened for the turn import: its sheet names in order, and the text of any cell.
// The whole workbook is read on opening, so a reader holds no file open and never fails later.
class SpreadsheetReader {
public:
    virtual ~SpreadsheetReader() = default;

    virtual QStringList SheetNames() const = 0;
    // Text of a cell with blanks around it removed; row and column count from 0 (A1 is 0, 0).
    // Empty for an empty cell and for a sheet, row or column that does not exist. Numbers come
    // as their shortest text ("2040", "55.5"), dates as text ("31.12.2024").
    virtual QString Cell(int sheet, int row, int column) const = 0;
};

// Caps that keep a crafted file from eating the memory: cells beyond them read as empty.
namespace SpreadsheetLimits {
inline constexpr int MaxRows = 1 << 20;
inline constexpr int MaxColumns = 256;
inline constexpr qint64 MaxCells = 300'000;
inline constexpr qint64 MaxPartBytes = 64 << 20;  // one unpacked part of a zipped workbook
}  // namespace SpreadsheetLimits

// Opens .xls (BIFF), .xlsx, .ods and .csv (UTF-8 or CP1251, comma or semicolon). The format is
// told by the file's first bytes; a file that is neither of the binary formats is read as CSV
// only when its name ends in .csv or .txt. Null (with a reason in *error) for a file that cannot
// be read, is damaged, is protected by a password or is not a spreadsheet.
std::unique_ptr<SpreadsheetReader> OpenSpreadsheet(const QString& path, QString* error = nullptr);

// The same from bytes in memory (the fuzz targets and tests use it). `asCsv` reads bytes that are
// not a zipped or BIFF workbook as CSV.
std::unique_ptr<SpreadsheetReader> OpenSpreadsheetData(const QByteArray& data, bool asCsv, QString* error = nullptr);

// Column letters of a cell address ("A" is 0, "Z" 25, "AA" 26); -1 when there are none.
int SpreadsheetColumn(QStringView letters);
// The shortest text that reads back as the same number ("0.1", "2040", "1e+21").
QString SpreadsheetNumberText(double value);
// A date serial of the 1900 date system (days since 30.12.1899) as "dd.MM.yyyy", with
// " hh:mm:ss" when it has a time part.
QString SpreadsheetDateText(double serial);
