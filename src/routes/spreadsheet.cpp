#include "routes/spreadsheet.h"

#include <charconv>
#include <cmath>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <freexl.h>
#include <zip.h>

#include "base/cp1251.h"

using namespace SpreadsheetLimits;

namespace {

// Every reader keeps the cells it found; only the non-empty ones are stored.
struct TSheet {
    QString Name;
    QHash<qint64, QString> Cells;
};

qint64 cellKey(int row, int column)
{
    return qint64(row) * MaxColumns + column;
}

class TStoredWorkbook : public SpreadsheetReader {
public:
    QStringList SheetNames() const override
    {
        QStringList names;
        for (const TSheet& s : Sheets)
            names << s.Name;
        return names;
    }

    QString Cell(int sheet, int row, int column) const override
    {
        if (sheet < 0 || sheet >= Sheets.size() || row < 0 || column < 0 || column >= MaxColumns)
            return {};
        return Sheets[sheet].Cells.value(cellKey(row, column));
    }

    // Stores a cell unless it lies beyond the caps; false once the cell budget is spent.
    bool Put(TSheet& sheet, int row, int column, const QString& text)
    {
        if (row < 0 || row >= MaxRows || column < 0 || column >= MaxColumns)
            return true;
        const QString t = text.trimmed();
        if (t.isEmpty())
            return true;
        if (FCells >= MaxCells)
            return false;
        ++FCells;
        sheet.Cells.insert(cellKey(row, column), t);
        return true;
    }

    QList<TSheet> Sheets;

private:
    qint64 FCells = 0;
};

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// ---------------------------------------------------------------- zipped XML workbooks

class TZip {
public:
    explicit TZip(const QByteArray& data) : FData(data)
    {
        zip_error_t err;
        zip_error_init(&err);
        zip_source_t* src = zip_source_buffer_create(FData.constData(), zip_uint64_t(FData.size()), 0, &err);
        if (src) {
            FZip = zip_open_from_source(src, ZIP_RDONLY, &err);
            if (!FZip)
                zip_source_free(src);
        }
        zip_error_fini(&err);
    }
    ~TZip()
    {
        if (FZip)
            zip_discard(FZip);
    }
    TZip(const TZip&) = delete;
    TZip& operator=(const TZip&) = delete;

    bool IsOpen() const { return FZip != nullptr; }
    bool Has(const QString& name) const { return FZip && zip_name_locate(FZip, name.toUtf8().constData(), 0) >= 0; }
    // The unpacked part; false when it is missing, encrypted, damaged or too large.
    bool Read(const QString& name, QByteArray& out) const
    {
        out.clear();
        if (!FZip)
            return false;
        const QByteArray n = name.toUtf8();
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat(FZip, n.constData(), 0, &st) != 0)
            return false;
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(MaxPartBytes))
            return false;
        zip_file_t* f = zip_fopen(FZip, n.constData(), 0);
        if (!f)
            return false;
        char buf[65536];
        bool ok = true;
        for (;;) {
            const zip_int64_t got = zip_fread(f, buf, sizeof buf);
            if (got < 0) {
                ok = false;
                break;
            }
            if (got == 0)
                break;
            // The size in the directory may lie; the cap holds for what is really unpacked.
            if (out.size() + got > MaxPartBytes) {
                ok = false;
                break;
            }
            out.append(buf, qsizetype(got));
        }
        zip_fclose(f);
        return ok;
    }

private:
    QByteArray FData;
    zip_t* FZip = nullptr;
};

// "A12" → row 11, column 0. False for an address without letters or digits.
bool parseCellRef(QStringView ref, int& row, int& column)
{
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter())
        ++i;
    const int col = SpreadsheetColumn(ref.left(i));
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (col < 0 || !ok || r < 1)
        return false;
    row = r - 1;
    column = col;
    return true;
}

// Does a number format show a date or a time? Text in quotes, escapes and [..] sections
// (colours, locales) do not count.
bool isDateFormatCode(const QString& code)
{
    bool quoted = false;
    int bracket = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\\') {
            ++i;
        } else if (c == u'[') {
            ++bracket;
        } else if (c == u']') {
            bracket = std::max(0, bracket - 1);
        } else if (bracket == 0) {
            const QChar l = c.toLower();
            if (l == u'd' || l == u'm' || l == u'y' || l == u'h' || l == u's')
                return true;
        }
    }
    return false;
}

bool isBuiltinDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 45 && id <= 47);
}

// Text of a <si> or <is> element: every <t> inside it, phonetic runs left out.
QString readRichText(QXmlStreamReader& xml)
{
    const QString end = xml.name().toString();
    QString text;
    int phonetic = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0)
                text += xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == u"rPh")
                --phonetic;
            else if (xml.name() == end)
                break;
        }
    }
    return text;
}

QString resolveTarget(const QString& target)
{
    if (target.startsWith(u'/'))
        return target.mid(1);
    return QStringLiteral("xl/") + target;
}

bool readXlsx(const TZip& zip, TStoredWorkbook& book, QString* error)
{
    QByteArray bytes;
    if (!zip.Read(QStringLiteral("xl/workbook.xml"), bytes))
        return fail(error, QStringLiteral("xl/workbook.xml is missing or damaged"));
    struct TSheetRef {
        QString name, rid;
    };
    QList<TSheetRef> refs;
    {
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"sheet")
                continue;
            QString rid;
            for (const auto& a : xml.attributes())
                if (a.name() == u"id")  // r:id, whatever the prefix
                    rid = a.value().toString();
            refs.push_back({xml.attributes().value(QStringLiteral("name")).toString(), rid});
        }
        if (xml.hasError())
            return fail(error, xml.errorString());
    }

    QHash<QString, QString> targets;
    if (zip.Read(QStringLiteral("xl/_rels/workbook.xml.rels"), bytes)) {
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship")
                targets.insert(xml.attributes().value(QStringLiteral("Id")).toString(),
                               resolveTarget(xml.attributes().value(QStringLiteral("Target")).toString()));
        }
    }

    QStringList shared;
    if (zip.Has(QStringLiteral("xl/sharedStrings.xml"))) {
        if (!zip.Read(QStringLiteral("xl/sharedStrings.xml"), bytes))
            return fail(error, QStringLiteral("xl/sharedStrings.xml is damaged"));
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si") {
                if (shared.size() >= MaxCells)
                    break;
                shared << readRichText(xml);
            }
        }
        if (xml.hasError())
            return fail(error, xml.errorString());
    }

    // Which cell styles show dates.
    QList<bool> dateStyle;
    if (zip.Read(QStringLiteral("xl/styles.xml"), bytes)) {
        QHash<int, bool> customDate;
        QXmlStreamReader xml(bytes);
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (xml.name() == u"numFmt")
                    customDate.insert(
                        xml.attributes().value(QStringLiteral("numFmtId")).toInt(),
                        isDateFormatCode(xml.attributes().value(QStringLiteral("formatCode")).toString()));
                else if (xml.name() == u"cellXfs")
                    inCellXfs = true;
                else if (inCellXfs && xml.name() == u"xf" && dateStyle.size() < 65536) {
                    const int id = xml.attributes().value(QStringLiteral("numFmtId")).toInt();
                    dateStyle << (customDate.contains(id) ? customDate.value(id) : isBuiltinDateFormat(id));
                }
            } else if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
                inCellXfs = false;
            }
        }
    }

    for (int i = 0; i < refs.size(); ++i) {
        TSheet sheet;
        sheet.Name = refs[i].name;
        QString part = targets.value(refs[i].rid);
        if (part.isEmpty())
            part = QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1);
        if (!zip.Read(part, bytes))
            return fail(error, QStringLiteral("%1 is missing or damaged").arg(part));
        QXmlStreamReader xml(bytes);
        int row = -1;
        int column = -1;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"row") {
                const auto r = xml.attributes().value(QStringLiteral("r"));
                row = r.isEmpty() ? row + 1 : r.toInt() - 1;
                column = -1;
                continue;
            }
            if (xml.name() != u"c")
                continue;
            const auto attrs = xml.attributes();
            const QString ref = attrs.value(QStringLiteral("r")).toString();
            if (ref.isEmpty() || !parseCellRef(ref, row, column))
                ++column;
            const QString type = attrs.value(QStringLiteral("t")).toString();
            const int style = attrs.value(QStringLiteral("s")).toInt();
            QString value;
            QString inlineText;
            while (!xml.atEnd()) {
                const auto token = xml.readNext();
                if (token == QXmlStreamReader::StartElement) {
                    if (xml.name() == u"v")
                        value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    else if (xml.name() == u"is")
                        inlineText = readRichText(xml);
                    else
                        xml.skipCurrentElement();
                } else if (token == QXmlStreamReader::EndElement && xml.name() == u"c") {
                    break;
                }
            }
            QString text;
            if (type == u"s") {
                bool ok = false;
                const int index = value.toInt(&ok);
                text = ok && index >= 0 && index < shared.size() ? shared[index] : QString();
            } else if (type == u"inlineStr") {
                text = inlineText;
            } else if (type == u"str" || type == u"e" || type == u"d") {
                text = value;
            } else if (type == u"b") {
                text = value.trimmed() == u"1" ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            } else {
                bool ok = false;
                const double d = value.toDouble(&ok);
                if (!ok)
                    text = value;
                else if (style >= 0 && style < dateStyle.size() && dateStyle[style])
                    text = SpreadsheetDateText(d);
                else
                    text = SpreadsheetNumberText(d);
            }
            if (!book.Put(sheet, row, column, text))
                break;
        }
        if (xml.hasError())
            return fail(error, xml.errorString());
        book.Sheets << sheet;
    }
    return true;
}

// Text inside an ODS cell: paragraphs joined by line breaks, <text:s> as its blanks.
QString readOdsCellText(QXmlStreamReader& xml)
{
    QString text;
    int paragraphs = 0;
    int depth = 1;
    while (!xml.atEnd() && depth > 0) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (xml.name() == u"p") {
                if (paragraphs++ > 0)
                    text += u'\n';
            } else if (xml.name() == u"s") {
                const int n = xml.attributes().value(QStringLiteral("text:c")).toInt();
                text += QString(std::clamp(n, 1, 1000), u' ');
            } else if (xml.name() == u"tab") {
                text += u'\t';
            } else if (xml.name() == u"line-break") {
                text += u'\n';
            } else if (xml.name() == u"annotation") {
                xml.skipCurrentElement();
                --depth;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        } else if (token == QXmlStreamReader::Characters) {
            text += xml.text();
        }
    }
    return text;
}

QString odsDateText(const QString& iso)
{
    const QDateTime dt = QDateTime::fromString(iso.left(19), Qt::ISODate);
    if (dt.isValid() && iso.size() > 10)
        return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("dd.MM.yyyy"))
                                        : dt.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    const QDate d = QDate::fromString(iso.left(10), Qt::ISODate);
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : iso;
}

int repeatCount(const QXmlStreamAttributes& attrs, const QString& name)
{
    const auto v = attrs.value(name);
    if (v.isEmpty())
        return 1;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    return ok && n > 0 ? int(std::min<qint64>(n, MaxRows)) : 1;
}

bool readOds(const TZip& zip, TStoredWorkbook& book, QString* error)
{
    QByteArray bytes;
    if (!zip.Read(QStringLiteral("content.xml"), bytes))
        return fail(error, QStringLiteral("content.xml is missing or damaged"));
    QXmlStreamReader xml(bytes);
    TSheet* sheet = nullptr;
    int row = 0;
    int column = 0;
    bool full = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"table" && sheet) {
            sheet = nullptr;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"table" && xml.namespaceUri().endsWith(u":table:1.0")) {
            book.Sheets.push_back({xml.attributes().value(QStringLiteral("table:name")).toString(), {}});
            sheet = &book.Sheets.back();
            row = 0;
            continue;
        }
        if (!sheet)
            continue;
        if (xml.name() == u"table-row") {
            const int rows = repeatCount(xml.attributes(), QStringLiteral("table:number-rows-repeated"));
            // The cells of a repeated row are read once and copied to the other rows.
            QList<std::pair<int, QString>> cells;
            column = 0;
            while (!xml.atEnd()) {
                const auto t = xml.readNext();
                if (t == QXmlStreamReader::EndElement && xml.name() == u"table-row")
                    break;
                if (t != QXmlStreamReader::StartElement)
                    continue;
                if (xml.name() != u"table-cell" && xml.name() != u"covered-table-cell") {
                    xml.skipCurrentElement();
                    continue;
                }
                const auto attrs = xml.attributes();
                const int cols = repeatCount(attrs, QStringLiteral("table:number-columns-repeated"));
                const QString type = attrs.value(QStringLiteral("office:value-type")).toString();
                const QString shown = readOdsCellText(xml);
                QString text = shown;
                if (type == u"float" || type == u"percentage" || type == u"currency") {
                    bool ok = false;
                    const double d = attrs.value(QStringLiteral("office:value")).toDouble(&ok);
                    if (ok)
                        text = SpreadsheetNumberText(d);
                } else if (type == u"date") {
                    text = odsDateText(attrs.value(QStringLiteral("office:date-value")).toString());
                }
                if (!text.trimmed().isEmpty())
                    for (int c = 0; c < cols && column + c < MaxColumns; ++c)
                        cells.push_back({column + c, text});
                column = int(std::min<qint64>(qint64(column) + cols, MaxColumns));
            }
            if (!cells.isEmpty())
                for (int r = 0; r < rows && row + r < MaxRows && !full; ++r)
                    for (const auto& [c, text] : cells)
                        if (!book.Put(*sheet, row + r, c, text)) {
                            full = true;
                            break;
                        }
            row = int(std::min<qint64>(qint64(row) + rows, MaxRows));
        }
    }
    if (xml.hasError())
        return fail(error, xml.errorString());
    return true;
}

// ---------------------------------------------------------------- BIFF (.xls)

QString freexlDateText(const char* text, int type)
{
    const QString s = QString::fromUtf8(text);
    if (type == FREEXL_CELL_DATE) {
        const QDate d = QDate::fromString(s, QStringLiteral("yyyy-MM-dd"));
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : s;
    }
    if (type == FREEXL_CELL_DATETIME) {
        const QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        return dt.isValid() ? dt.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")) : s;
    }
    return s;
}

bool readXls(const QString& path, TStoredWorkbook& book, QString* error)
{
    const void* handle = nullptr;
    const QByteArray native = QFile::encodeName(path);
    if (freexl_open(native.constData(), &handle) != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        return fail(error, QStringLiteral("not a readable BIFF workbook"));
    }
    struct TCloser {
        const void* h;
        ~TCloser() { freexl_close(h); }
    } closer{handle};
    unsigned int info = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_PASSWORD, &info) != FREEXL_OK || info == FREEXL_BIFF_OBFUSCATED)
        return fail(error, QStringLiteral("the workbook is protected by a password"));
    unsigned int sheets = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
        return fail(error, QStringLiteral("no sheet list"));
    for (unsigned short i = 0; i < sheets && i < 4096; ++i) {
        TSheet sheet;
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle, i, &name) != FREEXL_OK ||
            freexl_select_active_worksheet(handle, i) != FREEXL_OK)
            return fail(error, QStringLiteral("sheet %1 is damaged").arg(i + 1));
        sheet.Name = QString::fromUtf8(name ? name : "");
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK)
            return fail(error, QStringLiteral("sheet %1 is damaged").arg(i + 1));
        bool full = false;
        for (unsigned int r = 0; r < rows && r < unsigned(MaxRows) && !full; ++r) {
            for (unsigned short c = 0; c < columns && c < MaxColumns; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(handle, r, c, &v) != FREEXL_OK)
                    continue;
                QString text;
                switch (v.type) {
                case FREEXL_CELL_INT: text = QString::number(v.value.int_value); break;
                case FREEXL_CELL_DOUBLE: text = SpreadsheetNumberText(v.value.double_value); break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT: text = QString::fromUtf8(v.value.text_value); break;
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME: text = freexlDateText(v.value.text_value, v.type); break;
                default: break;
                }
                if (!book.Put(sheet, int(r), c, text)) {
                    full = true;
                    break;
                }
            }
        }
        book.Sheets << sheet;
    }
    return true;
}

// ---------------------------------------------------------------- CSV

QString decodeCsv(const QByteArray& data)
{
    QByteArrayView bytes(data);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.sliced(3));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return Cp1251::toUnicode(bytes);
}

// The separator of the first record: the one of ";" and "," that occurs more often there outside
// quotes (a comma on a tie, so that a one-column file still reads).
QChar guessSeparator(const QString& text)
{
    int commas = 0;
    int semicolons = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted && c == u',')
            ++commas;
        else if (!quoted && c == u';')
            ++semicolons;
    }
    return semicolons > commas ? QChar(u';') : QChar(u',');
}

bool readCsv(const QByteArray& data, const QString& name, TStoredWorkbook& book, QString* error)
{
    if (data.contains('\0'))
        return fail(error, QStringLiteral("binary data is not CSV"));
    const QString text = decodeCsv(data);
    const QChar sep = guessSeparator(text);
    TSheet sheet;
    sheet.Name = name;
    int row = 0;
    int column = 0;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    auto endField = [&] {
        book.Put(sheet, row, column, field);
        field.clear();
        wasQuoted = false;
        ++column;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"' && (field.trimmed().isEmpty() && !wasQuoted)) {
            field.clear();
            quoted = wasQuoted = true;
        } else if (c == sep) {
            endField();
        } else if (c == u'\r' || c == u'\n') {
            endField();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            ++row;
            column = 0;
            if (row >= MaxRows)
                break;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || column > 0)
        endField();
    book.Sheets << sheet;
    return true;
}

enum class TFormat { Xls, Zip, Other };

TFormat formatOf(const QByteArray& head)
{
    if (head.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")))
        return TFormat::Xls;
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return TFormat::Zip;
    return TFormat::Other;
}

std::unique_ptr<SpreadsheetReader> finish(std::unique_ptr<TStoredWorkbook> book, bool ok, QString* error)
{
    if (!ok)
        return nullptr;
    if (book->Sheets.isEmpty()) {
        fail(error, QStringLiteral("the workbook has no sheet"));
        return nullptr;
    }
    return book;
}

std::unique_ptr<SpreadsheetReader> openZipped(const QByteArray& data, QString* error)
{
    auto book = std::make_unique<TStoredWorkbook>();
    const TZip zip(data);
    if (!zip.IsOpen()) {
        fail(error, QStringLiteral("damaged ZIP container"));
        return nullptr;
    }
    bool ok;
    if (zip.Has(QStringLiteral("xl/workbook.xml")))
        ok = readXlsx(zip, *book, error);
    else if (zip.Has(QStringLiteral("content.xml")))
        ok = readOds(zip, *book, error);
    else
        ok = fail(error, QStringLiteral("a ZIP file that is not a workbook"));
    return finish(std::move(book), ok, error);
}

}  // namespace

int SpreadsheetColumn(QStringView letters)
{
    if (letters.isEmpty() || letters.size() > 3)
        return -1;
    int column = 0;
    for (QChar c : letters) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            return -1;
        column = column * 26 + (u - u'A' + 1);
    }
    return column - 1;
}

QString SpreadsheetNumberText(double value)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0)
        return QStringLiteral("0");  // also for -0
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return QString::fromLatin1(buf, r.ptr - buf);
}

QString SpreadsheetDateText(double serial)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466)  // up to 31.12.9999
        return SpreadsheetNumberText(serial);
    const qint64 days = qint64(std::floor(serial));
    const QDate date = QDate(1899, 12, 30).addDays(days);
    const int seconds = int(std::llround((serial - double(days)) * 86400.0));
    if (seconds == 0)
        return date.toString(QStringLiteral("dd.MM.yyyy"));
    if (seconds >= 86400)
        return date.addDays(1).toString(QStringLiteral("dd.MM.yyyy"));
    return date.toString(QStringLiteral("dd.MM.yyyy ")) +
           QTime(0, 0).addSecs(seconds).toString(QStringLiteral("hh:mm:ss"));
}

std::unique_ptr<SpreadsheetReader> OpenSpreadsheetData(const QByteArray& data, bool asCsv, QString* error)
{
    switch (formatOf(data.left(8))) {
    case TFormat::Zip: return openZipped(data, error);
    case TFormat::Xls: {
        // The BIFF reader wants a file.
        QTemporaryFile file;
        if (!file.open() || file.write(data) != data.size() || !file.flush()) {
            fail(error, QStringLiteral("no room for a temporary file"));
            return nullptr;
        }
        auto book = std::make_unique<TStoredWorkbook>();
        const bool ok = readXls(file.fileName(), *book, error);
        return finish(std::move(book), ok, error);
    }
    case TFormat::Other: break;
    }
    if (!asCsv) {
        fail(error, QStringLiteral("not a spreadsheet"));
        return nullptr;
    }
    auto book = std::make_unique<TStoredWorkbook>();
    const bool ok = readCsv(data, QStringLiteral("CSV"), *book, error);
    return finish(std::move(book), ok, error);
}

std::unique_ptr<SpreadsheetReader> OpenSpreadsheet(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return nullptr;
    }
    const QByteArray head = file.peek(8);
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    const bool textName = suffix == u"csv" || suffix == u"txt";
    if (formatOf(head) == TFormat::Xls) {
        file.close();
        auto book = std::make_unique<TStoredWorkbook>();
        const bool ok = readXls(path, *book, error);
        return finish(std::move(book), ok, error);
    }
    if (file.size() > MaxPartBytes) {
        fail(error, QStringLiteral("the file is too large"));
        return nullptr;
    }
    const QByteArray data = file.readAll();
    if (formatOf(head) == TFormat::Other && textName) {
        auto book = std::make_unique<TStoredWorkbook>();
        const bool ok = readCsv(data, info.completeBaseName(), *book, error);
        return finish(std::move(book), ok, error);
    }
    return OpenSpreadsheetData(data, false, error);
}
