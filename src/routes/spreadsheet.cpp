#include "routes/spreadsheet.h"

#include <charconv>
#include <cmath>
#include <vector>

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
#include "base/fileio.h"
#include "base/messages.h"

using namespace SpreadsheetLimits;

namespace {

using Clock = std::chrono::steady_clock;

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Stops a read once the user cancelled or the time of the import is up; the reason stays.
class TBudget {
public:
    explicit TBudget(const TSpreadsheetBudget& b) : FCancel(b.Cancel), FTime(b.Time), FDeadline(Clock::now() + b.Time)
    {
    }

    bool Ok()
    {
        if (FWhy.isEmpty()) {
            if (FCancel && FCancel->load(std::memory_order_relaxed))
                FWhy = Msg::SheetCancelled;
            else if (Clock::now() >= FDeadline)
                FWhy = Msg::SheetTooSlow.arg(QString::number(double(FTime.count()) / 1000.0));
        }
        return FWhy.isEmpty();
    }
    // For the inner loops of the parsers: the clock is read every 256th call only.
    bool Tick() { return (++FTicks & 255) != 0 ? FWhy.isEmpty() : Ok(); }
    const QString& Why() const { return FWhy; }

private:
    const std::atomic<bool>* FCancel;
    std::chrono::milliseconds FTime;
    Clock::time_point FDeadline;
    unsigned FTicks = 0;
    QString FWhy;
};

qint64 cellKey(int row, int column)
{
    return qint64(row) * MaxColumns + column;
}

// The non-empty cells of one sheet. The caps count this sheet alone, so a big sheet elsewhere in
// the workbook never takes room from the one being imported.
struct TSheetCells {
    QString Name;
    bool Loaded = false;
    bool Ok = false;
    QString Error;
    QHash<qint64, QString> Cells;
    QString Cap;

    // Stores a cell; false once a cap says reading must stop (and Cap says where).
    bool Put(int row, int column, const QString& text)
    {
        if (row < 0 || column < 0 || column >= MaxColumns)
            return true;
        const QString t = text.trimmed();
        if (t.isEmpty())
            return true;
        if (row >= MaxRows) {
            Cap = Msg::SheetRowCap.arg(Name).arg(MaxRows);
            return false;
        }
        if (Cells.size() >= MaxCells && !Cells.contains(cellKey(row, column))) {
            Cap = Msg::SheetCellCap.arg(Name).arg(MaxCells).arg(row + 1);
            return false;
        }
        Cells.insert(cellKey(row, column), t);
        return true;
    }
};

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
    // The unpacked part; false (with the reason) when it is missing, encrypted, damaged, too
    // large, or the budget ran out while unpacking.
    bool Read(const QString& name, QByteArray& out, TBudget& budget, QString* why) const
    {
        out.clear();
        const QByteArray n = name.toUtf8();
        zip_stat_t st;
        zip_stat_init(&st);
        if (!FZip || zip_stat(FZip, n.constData(), 0, &st) != 0)
            return fail(why, Msg::SheetPartDamaged.arg(name));
        const QString tooBig = Msg::SheetPartTooBig.arg(name).arg(MaxPartBytes >> 20);
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(MaxPartBytes))
            return fail(why, tooBig);
        zip_file_t* f = zip_fopen(FZip, n.constData(), 0);
        if (!f)
            return fail(why, Msg::SheetPartDamaged.arg(name));
        char buf[65536];
        bool ok = true;
        for (;;) {
            if (!budget.Ok()) {
                ok = fail(why, budget.Why());
                break;
            }
            const zip_int64_t got = zip_fread(f, buf, sizeof buf);
            if (got < 0) {
                ok = fail(why, Msg::SheetPartDamaged.arg(name));
                break;
            }
            if (got == 0)
                break;
            // The size in the directory may lie; the cap holds for what is really unpacked.
            if (out.size() + got > MaxPartBytes) {
                ok = fail(why, tooBig);
                break;
            }
            out.append(buf, qsizetype(got));
        }
        zip_fclose(f);
        if (!ok)
            out.clear();
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

bool isOdsTable(const QXmlStreamReader& xml)
{
    return xml.name() == u"table" && xml.namespaceUri().endsWith(u":table:1.0");
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

struct TFreeXl {
    const void* Handle = nullptr;
    ~TFreeXl()
    {
        if (Handle)
            freexl_close(Handle);
    }
};

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

// Field counts of the first records when split at `sep` (quotes respected).
std::vector<int> csvFieldCounts(const QString& text, QChar sep, int records)
{
    std::vector<int> counts;
    int fields = 1;
    bool quoted = false;
    bool any = false;
    for (QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == u'\n' || c == u'\r')) {
            if (any)
                counts.push_back(fields);
            if (int(counts.size()) >= records)
                return counts;
            fields = 1;
            any = false;
        } else if (!quoted && c == sep) {
            ++fields;
            any = true;
        } else if (!c.isSpace()) {
            any = true;
        }
    }
    if (any)
        counts.push_back(fields);
    return counts;
}

// The separator is the one that splits the first records into the same number of columns
// (more than one): "55,75;37,61" splits evenly at both, and ";" wins the tie because a decimal
// comma is common here. When neither is even, the one more frequent in the first record wins.
QChar guessSeparator(const QString& text)
{
    constexpr int kSample = 20;
    auto even = [&](QChar sep) {
        const std::vector<int> counts = csvFieldCounts(text, sep, kSample);
        if (counts.empty() || counts.front() < 2)
            return false;
        for (int n : counts)
            if (n != counts.front())
                return false;
        return true;
    };
    if (even(u';'))
        return u';';
    if (even(u','))
        return u',';
    const std::vector<int> semicolons = csvFieldCounts(text, u';', 1);
    const std::vector<int> commas = csvFieldCounts(text, u',', 1);
    const int s = semicolons.empty() ? 0 : semicolons.front();
    const int c = commas.empty() ? 0 : commas.front();
    return c > s ? QChar(u',') : QChar(u';');
}

// ---------------------------------------------------------------- the workbook

enum class TKind { Xlsx, Ods, Xls, Csv };

class TWorkbook : public SpreadsheetReader {
public:
    TWorkbook(TKind kind, const QByteArray& data, const TSpreadsheetBudget& budget, const QString& csvName)
        : FKind(kind), FData(data), FBudget(budget), FCsvName(csvName)
    {
    }

    // Reads the list of sheets and nothing else.
    bool Open(QString* error)
    {
        bool ok = false;
        switch (FKind) {
        case TKind::Xlsx: ok = openXlsx(error); break;
        case TKind::Ods: ok = openOds(error); break;
        case TKind::Xls: ok = openXls(error); break;
        case TKind::Csv:
            if (FData.contains('\0'))
                return fail(error, Msg::SheetBinaryCsv);
            FSheets.push_back({});
            FSheets.back().Name = FCsvName;
            ok = true;
            break;
        }
        if (ok && FSheets.empty())
            ok = fail(error, Msg::SheetNoSheets);
        return ok;
    }

    QStringList SheetNames() const override
    {
        QStringList names;
        for (const TSheetCells& s : FSheets)
            names << s.Name;
        return names;
    }

    bool LoadSheet(int sheet, QString* error) override
    {
        if (sheet < 0 || sheet >= int(FSheets.size()))
            return fail(error, Msg::SheetNoSuchSheet.arg(sheet + 1));
        TSheetCells& s = FSheets[size_t(sheet)];
        if (!s.Loaded) {
            s.Loaded = true;
            QString why;
            switch (FKind) {
            case TKind::Xlsx: s.Ok = loadXlsx(sheet, s, &why); break;
            case TKind::Ods: s.Ok = loadOds(sheet, s, &why); break;
            case TKind::Xls: s.Ok = loadXls(sheet, s, &why); break;
            case TKind::Csv: s.Ok = loadCsv(s, &why); break;
            }
            if (!s.Ok) {
                s.Error = why;
                s.Cells.clear();
                s.Cap.clear();
            }
        }
        return s.Ok || fail(error, s.Error);
    }

    QString Cell(int sheet, int row, int column) const override
    {
        const TSheetCells* s = loaded(sheet);
        if (!s || row < 0 || column < 0 || column >= MaxColumns)
            return {};
        return s->Cells.value(cellKey(row, column));
    }

    bool HasCells(int sheet) const override
    {
        const TSheetCells* s = loaded(sheet);
        return s && !s->Cells.isEmpty();
    }

    QString CapNote(int sheet) const override
    {
        const TSheetCells* s = loaded(sheet);
        return s ? s->Cap : QString();
    }

private:
    const TSheetCells* loaded(int sheet) const
    {
        if (sheet < 0 || sheet >= int(FSheets.size()) || !FSheets[size_t(sheet)].Ok)
            return nullptr;
        return &FSheets[size_t(sheet)];
    }

    bool xmlFailed(const QXmlStreamReader& xml, const QString& part, QString* error)
    {
        if (!FBudget.Ok())
            return fail(error, FBudget.Why());
        return fail(error, Msg::SheetXmlDamaged.arg(part, xml.errorString()));
    }

    bool openXlsx(QString* error);
    bool loadXlsxCommon(QString* error);
    bool loadXlsx(int sheet, TSheetCells& s, QString* error);
    bool openOds(QString* error);
    bool loadOds(int sheet, TSheetCells& s, QString* error);
    bool openXls(QString* error);
    bool loadXls(int sheet, TSheetCells& s, QString* error);
    bool loadCsv(TSheetCells& s, QString* error);

    TKind FKind;
    QByteArray FData;
    TBudget FBudget;
    QString FCsvName;
    std::vector<TSheetCells> FSheets;
    std::unique_ptr<TZip> FZip;
    QStringList FParts;  // the part of each sheet of an .xlsx
    bool FCommonRead = false;
    QString FCommonError;
    QStringList FShared;
    QList<bool> FDateStyle;
    QByteArray FContent;  // content.xml of an .ods
    std::unique_ptr<QTemporaryFile> FXlsFile;
};

bool TWorkbook::openXlsx(QString* error)
{
    FZip = std::make_unique<TZip>(FData);
    QByteArray bytes;
    const QString workbook = QStringLiteral("xl/workbook.xml");
    if (!FZip->Read(workbook, bytes, FBudget, error))
        return false;
    struct TSheetRef {
        QString name, rid;
    };
    QList<TSheetRef> refs;
    {
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd() && FBudget.Tick()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"sheet")
                continue;
            QString rid;
            for (const auto& a : xml.attributes())
                if (a.name() == u"id")  // r:id, whatever the prefix
                    rid = a.value().toString();
            if (refs.size() < 4096)
                refs.push_back({xml.attributes().value(QStringLiteral("name")).toString(), rid});
        }
        if (xml.hasError() || !FBudget.Ok())
            return xmlFailed(xml, workbook, error);
    }

    QHash<QString, QString> targets;
    const QString rels = QStringLiteral("xl/_rels/workbook.xml.rels");
    // Without the relations the parts have their usual names.
    if (FZip->Has(rels) && FZip->Read(rels, bytes, FBudget, error)) {
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd() && FBudget.Tick()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Relationship")
                targets.insert(xml.attributes().value(QStringLiteral("Id")).toString(),
                               resolveTarget(xml.attributes().value(QStringLiteral("Target")).toString()));
        }
    }
    if (!FBudget.Ok())
        return fail(error, FBudget.Why());

    for (int i = 0; i < refs.size(); ++i) {
        FSheets.push_back({});
        FSheets.back().Name = refs[i].name;
        QString part = targets.value(refs[i].rid);
        if (part.isEmpty())
            part = QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1);
        FParts << part;
    }
    return true;
}

// The shared strings and the date styles, read once for whichever sheet is loaded.
bool TWorkbook::loadXlsxCommon(QString* error)
{
    if (FCommonRead)
        return FCommonError.isEmpty() || fail(error, FCommonError);
    FCommonRead = true;
    QByteArray bytes;
    const QString sharedPart = QStringLiteral("xl/sharedStrings.xml");
    if (FZip->Has(sharedPart)) {
        if (!FZip->Read(sharedPart, bytes, FBudget, &FCommonError))
            return fail(error, FCommonError);
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd() && FBudget.Tick()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si") {
                if (FShared.size() >= MaxCells)
                    break;
                FShared << readRichText(xml);
            }
        }
        if (xml.hasError() || !FBudget.Ok()) {
            xmlFailed(xml, sharedPart, &FCommonError);
            return fail(error, FCommonError);
        }
    }

    if (FZip->Read(QStringLiteral("xl/styles.xml"), bytes, FBudget, nullptr)) {
        QHash<int, bool> customDate;
        QXmlStreamReader xml(bytes);
        bool inCellXfs = false;
        while (!xml.atEnd() && FBudget.Tick()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (xml.name() == u"numFmt")
                    customDate.insert(
                        xml.attributes().value(QStringLiteral("numFmtId")).toInt(),
                        isDateFormatCode(xml.attributes().value(QStringLiteral("formatCode")).toString()));
                else if (xml.name() == u"cellXfs")
                    inCellXfs = true;
                else if (inCellXfs && xml.name() == u"xf" && FDateStyle.size() < 65536) {
                    const int id = xml.attributes().value(QStringLiteral("numFmtId")).toInt();
                    FDateStyle << (customDate.contains(id) ? customDate.value(id) : isBuiltinDateFormat(id));
                }
            } else if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") {
                inCellXfs = false;
            }
        }
    }
    if (!FBudget.Ok()) {
        FCommonError = FBudget.Why();
        return fail(error, FCommonError);
    }
    return true;
}

bool TWorkbook::loadXlsx(int sheet, TSheetCells& s, QString* error)
{
    if (!loadXlsxCommon(error))
        return false;
    const QString part = FParts[sheet];
    QByteArray bytes;
    if (!FZip->Read(part, bytes, FBudget, error))
        return false;
    QXmlStreamReader xml(bytes);
    int row = -1;
    int column = -1;
    while (!xml.atEnd() && FBudget.Tick()) {
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
            text = ok && index >= 0 && index < FShared.size() ? FShared[index] : QString();
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
            else if (style >= 0 && style < FDateStyle.size() && FDateStyle[style])
                text = SpreadsheetDateText(d);
            else
                text = SpreadsheetNumberText(d);
        }
        if (!s.Put(row, column, text))
            return true;
    }
    if (xml.hasError() || !FBudget.Ok())
        return xmlFailed(xml, part, error);
    return true;
}

bool TWorkbook::openOds(QString* error)
{
    FZip = std::make_unique<TZip>(FData);
    const QString content = QStringLiteral("content.xml");
    if (!FZip->Read(content, FContent, FBudget, error))
        return false;
    QXmlStreamReader xml(FContent);
    while (!xml.atEnd() && FBudget.Tick()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && isOdsTable(xml) && FSheets.size() < 4096) {
            FSheets.push_back({});
            FSheets.back().Name = xml.attributes().value(QStringLiteral("table:name")).toString();
        }
    }
    if (xml.hasError() || !FBudget.Ok())
        return xmlFailed(xml, content, error);
    return true;
}

bool TWorkbook::loadOds(int sheet, TSheetCells& s, QString* error)
{
    QXmlStreamReader xml(FContent);
    int table = -1;
    bool inSheet = false;
    int row = 0;
    while (!xml.atEnd() && FBudget.Tick()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && inSheet && isOdsTable(xml))
            return true;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (isOdsTable(xml)) {
            inSheet = ++table == sheet;
            row = 0;
            continue;
        }
        if (!inSheet || xml.name() != u"table-row")
            continue;
        const int rows = repeatCount(xml.attributes(), QStringLiteral("table:number-rows-repeated"));
        // The cells of a repeated row are read once and copied to the other rows.
        QList<std::pair<int, QString>> cells;
        int column = 0;
        while (!xml.atEnd() && FBudget.Tick()) {
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
            QString text = readOdsCellText(xml);
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
            for (int r = 0; r < rows; ++r) {
                if (!FBudget.Tick())
                    break;
                for (const auto& [c, text] : cells)
                    if (!s.Put(row + r, c, text))
                        return true;
            }
        row = int(std::min<qint64>(qint64(row) + rows, MaxRows));
    }
    if (xml.hasError() || !FBudget.Ok())
        return xmlFailed(xml, QStringLiteral("content.xml"), error);
    return true;
}

bool TWorkbook::openXls(QString* error)
{
    QString why;
    if (!CheckCompoundFile(FData, &why))
        return fail(error, Msg::SheetXlsDamaged.arg(why));
    // The BIFF reader wants a file: a copy of the bytes just checked, never the user's file,
    // which may have changed since.
    FXlsFile = std::make_unique<QTemporaryFile>();
    if (!FXlsFile->open() || FXlsFile->write(FData) != FData.size() || !FXlsFile->flush())
        return fail(error, Msg::SheetNoTempFile);
    FData.clear();
    TFreeXl x;
    if (freexl_open_info(QFile::encodeName(FXlsFile->fileName()).constData(), &x.Handle) != FREEXL_OK)
        return fail(error, Msg::SheetXlsUnreadable);
    unsigned int info = 0;
    if (freexl_get_info(x.Handle, FREEXL_BIFF_PASSWORD, &info) != FREEXL_OK || info == FREEXL_BIFF_OBFUSCATED)
        return fail(error, Msg::SheetXlsPassword);
    unsigned int sheets = 0;
    if (freexl_get_info(x.Handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
        return fail(error, Msg::SheetXlsUnreadable);
    for (unsigned short i = 0; i < sheets && i < 4096; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(x.Handle, i, &name) != FREEXL_OK)
            return fail(error, Msg::SheetXlsSheetDamaged.arg(i + 1));
        FSheets.push_back({});
        FSheets.back().Name = QString::fromUtf8(name ? name : "");
    }
    return true;
}

bool TWorkbook::loadXls(int sheet, TSheetCells& s, QString* error)
{
    if (!FBudget.Ok())
        return fail(error, FBudget.Why());
    TFreeXl x;
    if (freexl_open(QFile::encodeName(FXlsFile->fileName()).constData(), &x.Handle) != FREEXL_OK)
        return fail(error, Msg::SheetXlsUnreadable);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(x.Handle, static_cast<unsigned short>(sheet)) != FREEXL_OK ||
        freexl_worksheet_dimensions(x.Handle, &rows, &columns) != FREEXL_OK)
        return fail(error, Msg::SheetXlsSheetDamaged.arg(sheet + 1));
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns && c < MaxColumns; ++c) {
            if (!FBudget.Tick())
                return fail(error, FBudget.Why());
            FreeXL_CellValue v;
            if (freexl_get_cell_value(x.Handle, r, c, &v) != FREEXL_OK)
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
            if (!s.Put(int(r), c, text))
                return true;
        }
    }
    return true;
}

bool TWorkbook::loadCsv(TSheetCells& s, QString* error)
{
    if (FData.contains('\0'))
        return fail(error, Msg::SheetBinaryCsv);
    const QString text = decodeCsv(FData);
    const QChar sep = guessSeparator(text);
    int row = 0;
    int column = 0;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    bool full = false;
    auto endField = [&] {
        full = full || !s.Put(row, column, field);
        field.clear();
        wasQuoted = false;
        ++column;
    };
    for (qsizetype i = 0; i < text.size() && !full; ++i) {
        if (!FBudget.Tick())
            return fail(error, FBudget.Why());
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
        } else {
            field += c;
        }
    }
    if (!full && (!field.isEmpty() || column > 0))
        endField();
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

std::unique_ptr<SpreadsheetReader> openData(const QByteArray& data, bool asCsv, const QString& csvName, QString* error,
                                            const TSpreadsheetBudget& budget)
{
    TKind kind = TKind::Csv;
    switch (formatOf(data.left(8))) {
    case TFormat::Zip: {
        const TZip zip(data);
        if (!zip.IsOpen())
            return fail(error, Msg::SheetZipDamaged), nullptr;
        if (zip.Has(QStringLiteral("xl/workbook.xml")))
            kind = TKind::Xlsx;
        else if (zip.Has(QStringLiteral("content.xml")))
            kind = TKind::Ods;
        else
            return fail(error, Msg::SheetZipNoWorkbook), nullptr;
        break;
    }
    case TFormat::Xls: kind = TKind::Xls; break;
    case TFormat::Other:
        if (!asCsv)
            return fail(error, Msg::SheetNotSpreadsheet), nullptr;
        break;
    }
    auto book = std::make_unique<TWorkbook>(kind, data, budget, csvName);
    if (!book->Open(error))
        return nullptr;
    return book;
}

// ---------------------------------------------------------------- compound document check

// Little-endian fields of a compound document; every offset is checked by the caller.
quint32 le32(const QByteArray& d, qint64 at)
{
    return quint32(uchar(d[at])) | quint32(uchar(d[at + 1])) << 8 | quint32(uchar(d[at + 2])) << 16 |
           quint32(uchar(d[at + 3])) << 24;
}

quint16 le16(const QByteArray& d, qint64 at)
{
    return quint16(uchar(d[at]) | uchar(d[at + 1]) << 8);
}

}  // namespace

bool CheckCompoundFile(const QByteArray& data, QString* error)
{
    constexpr quint32 kEnd = 0xFFFFFFFE;
    constexpr quint32 kNone = 0xFFFFFFFF;
    if (data.size() < 512 || formatOf(data.left(8)) != TFormat::Xls || le16(data, 28) != 0xFFFE)
        return fail(error, Msg::CfbHeader);
    const quint16 major = le16(data, 26);
    const quint16 shift = le16(data, 30);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)) || le16(data, 32) != 6 || le32(data, 56) != 4096)
        return fail(error, Msg::CfbSectorSize);
    const qint64 ss = qint64(1) << shift;
    // Only whole sectors after the header count: a chain into a cut sector is damage.
    const qint64 sectors = data.size() < ss ? 0 : (data.size() - ss) / ss;
    auto at = [&](quint32 sector) { return ss + qint64(sector) * ss; };
    const quint32 numFat = le32(data, 44);
    const quint32 numDifat = le32(data, 72);
    if (numFat == 0 || numFat > sectors || numDifat > sectors)
        return fail(error, Msg::CfbChain.arg(QStringLiteral("FAT")));

    // The sectors of the FAT: 109 named in the header, the rest in the DIFAT chain.
    std::vector<quint32> fatSectors;
    for (int i = 0; i < 109 && fatSectors.size() < numFat; ++i)
        fatSectors.push_back(le32(data, 76 + 4 * i));
    quint32 difat = le32(data, 68);
    quint32 difatSeen = 0;
    while (fatSectors.size() < numFat) {
        if (difat >= sectors || ++difatSeen > numDifat)
            return fail(error, Msg::CfbChain.arg(QStringLiteral("DIFAT")));
        for (qint64 i = 0; i < ss / 4 - 1 && fatSectors.size() < numFat; ++i)
            fatSectors.push_back(le32(data, at(difat) + 4 * i));
        difat = le32(data, at(difat) + ss - 4);
    }
    std::vector<quint32> fat;
    for (quint32 s : fatSectors) {
        if (s >= sectors)
            return fail(error, Msg::CfbChain.arg(QStringLiteral("FAT")));
        for (qint64 i = 0; i < ss / 4; ++i)
            fat.push_back(le32(data, at(s) + 4 * i));
    }

    // A chain is good when every link is a sector of the file and it ends; a chain longer than
    // the sectors there are has a loop.
    auto chain = [](const std::vector<quint32>& table, quint32 start, qint64 count, std::vector<quint32>& out) {
        out.clear();
        for (quint32 s = start; s != kEnd; s = table[s]) {
            if (s >= count || s >= table.size() || qint64(out.size()) >= count)
                return false;
            out.push_back(s);
        }
        return true;
    };

    std::vector<quint32> dir;
    if (!chain(fat, le32(data, 48), sectors, dir) || dir.empty())
        return fail(error, Msg::CfbChain.arg(QStringLiteral("каталог")));
    std::vector<quint32> miniFatSectors;
    const quint32 firstMiniFat = le32(data, 60);
    if (firstMiniFat != kEnd && !chain(fat, firstMiniFat, sectors, miniFatSectors))
        return fail(error, Msg::CfbChain.arg(QStringLiteral("MiniFAT")));
    std::vector<quint32> miniFat;
    for (quint32 s : miniFatSectors)
        for (qint64 i = 0; i < ss / 4; ++i)
            miniFat.push_back(le32(data, at(s) + 4 * i));

    const qint64 perSector = ss / 128;
    const qint64 entries = qint64(dir.size()) * perSector;
    auto entryAt = [&](qint64 i) { return at(dir[size_t(i / perSector)]) + (i % perSector) * 128; };
    auto sizeOf = [&](qint64 e) {
        // Version 3 files may carry junk in the high half.
        return major == 3 ? quint64(le32(data, e + 120))
                          : quint64(le32(data, e + 120)) | quint64(le32(data, e + 124)) << 32;
    };
    const qint64 root = entryAt(0);
    if (data[root + 66] != 5)
        return fail(error, Msg::CfbDirectory);
    const quint64 miniStreamSize = sizeOf(root);
    bool workbook = false;
    std::vector<quint32> links;
    std::vector<quint32> bookLinks;
    quint64 bookSize = 0;
    bool bookInMini = false;
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 e = entryAt(i);
        const int type = data[e + 66];
        if (type == 0)
            continue;
        const quint16 nameBytes = le16(data, e + 64);
        if ((type != 1 && type != 2 && type != 5) || (type == 5) != (i == 0) || nameBytes > 64 || nameBytes % 2)
            return fail(error, Msg::CfbDirectory);
        for (int link : {68, 72, 76}) {
            const quint32 id = le32(data, e + link);
            if (id != kNone && qint64(id) >= entries)
                return fail(error, Msg::CfbDirectory);
        }
        QString name;
        for (int k = 0; k + 2 < nameBytes; k += 2)
            name += QChar(le16(data, e + k));
        if (type == 1)
            continue;
        const quint64 size = sizeOf(e);
        if (size == 0)
            continue;
        const quint32 start = le32(data, e + 116);
        if (type == 5 || size >= 4096) {
            if (!chain(fat, start, sectors, links) || quint64(links.size()) * quint64(ss) < size)
                return fail(error, Msg::CfbStreamShort.arg(name));
        } else {
            if (!chain(miniFat, start, qint64(miniStreamSize / 64), links) || quint64(links.size()) * 64 < size)
                return fail(error, Msg::CfbStreamShort.arg(name));
        }
        if (name == u"Workbook" || name == u"Book") {
            workbook = true;
            bookLinks = links;
            bookSize = size;
            bookInMini = type != 5 && size < 4096;
        }
    }
    // The mini stream must really hold what the small streams claim.
    if (miniStreamSize > 0 &&
        (!chain(fat, le32(data, root + 116), sectors, links) || quint64(links.size()) * quint64(ss) < miniStreamSize))
        return fail(error, Msg::CfbStreamShort.arg(QStringLiteral("Root Entry")));

    // The directory is a tree: walking it from the root must meet no entry twice.
    std::vector<char> seen(size_t(entries), 0);
    std::vector<quint32> stack{le32(data, root + 76)};
    while (!stack.empty()) {
        const quint32 id = stack.back();
        stack.pop_back();
        if (id == kNone)
            continue;
        if (qint64(id) >= entries || seen[id])
            return fail(error, Msg::CfbDirectory);
        seen[id] = 1;
        const qint64 e = entryAt(id);
        stack.push_back(le32(data, e + 68));
        stack.push_back(le32(data, e + 72));
        stack.push_back(le32(data, e + 76));
    }
    if (!workbook)
        return fail(error, Msg::CfbNoWorkbook);

    // The workbook's records must lie inside their stream, and the string table come once: the
    // BIFF library copies past its buffer otherwise (found by fuzzing).
    QByteArray book;
    if (bookInMini) {
        QByteArray mini;
        if (!chain(fat, le32(data, root + 116), sectors, links))
            return fail(error, Msg::CfbStreamShort.arg(QStringLiteral("Root Entry")));
        for (quint32 s : links)
            mini += data.mid(at(s), ss);
        for (quint32 m : bookLinks)
            book += mini.mid(qint64(m) * 64, 64);
    } else {
        for (quint32 s : bookLinks)
            book += data.mid(at(s), ss);
    }
    book.truncate(qsizetype(bookSize));
    int stringTables = 0;
    for (qint64 pos = 0; pos + 4 <= book.size();) {
        const quint16 type = le16(book, pos);
        const quint16 length = le16(book, pos + 2);
        if (type == 0 && length == 0)
            break;  // padding after the last record
        if (length > 8224 || pos + 4 + length > book.size() || (type == 0x00FC && ++stringTables > 1))
            return fail(error, Msg::CfbRecords);
        pos += 4 + length;
    }
    return true;
}

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

std::unique_ptr<SpreadsheetReader> OpenSpreadsheetData(const QByteArray& data, bool asCsv, QString* error,
                                                       const TSpreadsheetBudget& budget)
{
    return openData(data, asCsv, QStringLiteral("CSV"), error, budget);
}

std::unique_ptr<SpreadsheetReader> OpenSpreadsheet(const QString& path, QString* error,
                                                   const TSpreadsheetBudget& budget)
{
    // A FIFO or a device is refused before anything is opened: reading one would hang or never end.
    QString why;
    QByteArray data;
    if (!fileio::ReadWholeFile(path, data, why)) {
        fail(error, why);
        return nullptr;
    }
    const QFileInfo info(path);
    const QString suffix = info.suffix().toLower();
    const bool textName = suffix == u"csv" || suffix == u"txt";
    return openData(data, textName, info.completeBaseName(), error, budget);
}
