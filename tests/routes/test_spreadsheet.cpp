#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>

#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include "base/cp1251.h"
#include "base/messages.h"
#include "data/dbfixture.h"
#include "routes/routeset.h"
#include "routes/spreadsheet.h"

namespace {

QString fixture(const char* name)
{
    return QStringLiteral(ZEVANTA_TESTDATA_DIR "/routes/") + QString::fromLatin1(name);
}

QString coord(const char* head, const char* rest)
{
    return QString::fromUtf8(head) + QChar(0x00B0) + QString::fromUtf8(rest);
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// A zipped workbook made of the given parts.
QByteArray makeZip(const std::vector<std::pair<const char*, QByteArray>>& parts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.zip"));
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    EXPECT_TRUE(z);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* src = zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        EXPECT_GE(zip_file_add(z, name, src, ZIP_FL_ENC_UTF_8), 0);
    }
    EXPECT_EQ(zip_close(z), 0);
    return fileBytes(path);
}

QByteArray xlsxWorkbook(const QStringList& sheets)
{
    QByteArray xml = "<workbook xmlns:r=\"r\"><sheets>";
    for (int i = 0; i < sheets.size(); ++i)
        xml += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>").arg(sheets[i]).arg(i + 1).toUtf8();
    return xml + "</sheets></workbook>";
}

QByteArray xlsxRels(const QStringList& targets)
{
    QByteArray xml = "<Relationships>";
    for (int i = 0; i < targets.size(); ++i)
        xml += QStringLiteral("<Relationship Id=\"rId%1\" Target=\"%2\"/>").arg(i + 1).arg(targets[i]).toUtf8();
    return xml + "</Relationships>";
}

QByteArray xlsxSheet(const std::vector<QStringList>& rows)
{
    QByteArray xml = "<worksheet><sheetData>";
    for (const QStringList& row : rows) {
        xml += "<row>";
        for (const QString& cell : row)
            xml += "<c t=\"inlineStr\"><is><t>" + cell.toUtf8() + "</t></is></c>";
        xml += "</row>";
    }
    return xml + "</sheetData></worksheet>";
}

// What every form of turns.csv must import: three rows, then the row with only B ends it.
const std::vector<std::vector<QString>> kTurns = {
    {coord("+55", "45'12.3\""), coord("+37", "37'00.0\""), coord("+55", "45'13.0\""), coord("+37", "37'01.0\""), "L"},
    {coord("+55", "30'00.0\""), coord("+37", "00'00.0\""), coord("+12", "00'00.0\""), coord("+13", "00'00.0\""),
     "R"},  // decimal degrees, converted
    {coord("+55", "46'00.0\""), coord("+37", "38'00.0\""), coord("+55", "46'01.0\""), coord("+37", "38'01.0\""), "B"},
};

// The same turns from CSV (as written), and from the files LibreOffice made of it.
TEST(Spreadsheet, EveryFormatReadsTheSameTurns)
{
    for (const char* name : {"turns.csv", "turns.xls", "turns.xlsx", "turns.ods"}) {
        SCOPED_TRACE(name);
        QString error;
        const auto book = OpenSpreadsheet(fixture(name), &error);
        ASSERT_TRUE(book) << error.toStdString();
        ASSERT_EQ(book->SheetNames(), QStringList{QStringLiteral("turns")});
        const TImportRows rows = ReadImportRows(*book, 0, 2040);
        EXPECT_FALSE(rows.LimitReached);
        ASSERT_EQ(rows.Rows.size(), kTurns.size());
        for (size_t i = 0; i < kTurns.size(); ++i) {
            const TImportRow& r = rows.Rows[i];
            EXPECT_EQ((std::vector<QString>{r.BegLat, r.BegLong, r.EndLat, r.EndLong, r.Turn}), kTurns[i]) << i;
        }
        // Beyond the import's columns: a date as text and numbers as their shortest text.
        if (QString::fromLatin1(name) != u"turns.csv") {
            EXPECT_EQ(book->Cell(0, 0, 5), QStringLiteral("31.12.2024"));
            EXPECT_EQ(book->Cell(0, 1, 5), QStringLiteral("0.1"));
            EXPECT_EQ(book->Cell(0, 2, 5), QStringLiteral("1234567.125"));
        }
        EXPECT_EQ(book->Cell(0, 3, 1), QStringLiteral("only B"));
        EXPECT_EQ(book->Cell(0, 4, 4), QStringLiteral("E"));
        EXPECT_EQ(book->Cell(1, 0, 0), QString());  // no such sheet
        EXPECT_EQ(book->Cell(0, 100000, 0), QString());
    }
}

TEST(Spreadsheet, CsvInEitherCodePageAndEitherSeparator)
{
    QTemporaryDir dir;
    const QString text = QStringLiteral("Широта,\"a;b\",\"с \"\"кавычками\"\"\"\r\n\"две\nстроки\",x\r\n");
    const struct {
        const char* file;
        QByteArray bytes;
    } cases[] = {
        {"utf8.csv", text.toUtf8()},
        {"bom.csv", QByteArray("\xEF\xBB\xBF") + text.toUtf8()},
        {"cp1251.csv", Cp1251::fromUnicode(text)},
        {"semicolon.txt", Cp1251::fromUnicode(QString(text).replace(u',', u';'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QFile f(dir.filePath(QString::fromLatin1(c.file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        const auto book = OpenSpreadsheet(f.fileName());
        ASSERT_TRUE(book);
        ASSERT_TRUE(book->LoadSheet(0));
        EXPECT_EQ(book->Cell(0, 0, 0), QStringLiteral("Широта"));
        EXPECT_EQ(book->Cell(0, 0, 1), QStringLiteral("a;b"));
        EXPECT_EQ(book->Cell(0, 0, 2), QStringLiteral("с \"кавычками\""));
        EXPECT_EQ(book->Cell(0, 1, 0), QStringLiteral("две\nстроки"));
        EXPECT_EQ(book->Cell(0, 1, 1), QStringLiteral("x"));
    }
}

TEST(Spreadsheet, FilesThatAreNoWorkbookAreRefused)
{
    QTemporaryDir dir;
    QFile good(fixture("turns.xlsx"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray xlsx = good.readAll();
    QFile goodXls(fixture("turns.xls"));
    ASSERT_TRUE(goodXls.open(QIODevice::ReadOnly));
    const QByteArray xls = goodXls.readAll();
    const struct {
        const char* file;
        QByteArray bytes;
    } cases[] = {
        {"cut.xlsx", xlsx.left(xlsx.size() / 2)},
        {"cut.xls", xls.left(1024)},
        {"text.xls", QByteArray("this is not a spreadsheet")},
        {"binary.csv", QByteArray("a,b\0c", 5)},
        {"zip.xlsx", QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')},  // an empty ZIP
        {"empty.xlsx", QByteArray()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QFile f(dir.filePath(QString::fromLatin1(c.file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        QString error;
        EXPECT_FALSE(OpenSpreadsheet(f.fileName(), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(OpenSpreadsheet(dir.filePath(QStringLiteral("missing.xlsx"))));
}

TEST(Spreadsheet, ShortestNumberAndDateTexts)
{
    EXPECT_EQ(SpreadsheetNumberText(2040), QStringLiteral("2040"));
    EXPECT_EQ(SpreadsheetNumberText(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    EXPECT_EQ(SpreadsheetNumberText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(SpreadsheetNumberText(-55.5), QStringLiteral("-55.5"));
    EXPECT_EQ(SpreadsheetDateText(45657), QStringLiteral("31.12.2024"));
    EXPECT_EQ(SpreadsheetDateText(45657.5), QStringLiteral("31.12.2024 12:00:00"));
    EXPECT_EQ(SpreadsheetColumn(u"A"), 0);
    EXPECT_EQ(SpreadsheetColumn(u"z"), 25);
    EXPECT_EQ(SpreadsheetColumn(u"AA"), 26);
    EXPECT_EQ(SpreadsheetColumn(u"1"), -1);
}

class Import : public DbFixture {};

TEST_F(Import, AFullSheetStopsAt2040TurnsAndFollowsEveryTurn)
{
    exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'A')"));
    exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Num) values (1, 'r', 1)"));
    exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Num) values (1, 'other', 2)"));
    exec(QStringLiteral("insert into Поворот (ID_Route, Turn, Num) values (2, 'L', 77)"));
    const auto book = OpenSpreadsheet(fixture("big.xlsx"));
    ASSERT_TRUE(book);
    const TImportRows rows = ReadImportRows(*book, 0, 2040);
    EXPECT_TRUE(rows.LimitReached);
    ASSERT_EQ(rows.Rows.size(), 2040u);
    const TImportResult stored = StoreImportedTurns(db, 1, rows);
    ASSERT_TRUE(stored.Ok) << stored.Error.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Поворот where ID_Route = 1")), 2040);
    EXPECT_EQ(scalar(QStringLiteral("select min(Num) from Поворот where ID_Route = 1")), 78);
    EXPECT_EQ(scalar(QStringLiteral("select max(Num) from Поворот where ID_Route = 1")), 78 + 2039);
    EXPECT_EQ(db.Scalar(QStringLiteral("select BegLat from Поворот where Num = 78")).toString(),
              coord("+55", "00'00.0\""));
    EXPECT_EQ(db.Scalar(QStringLiteral("select Turn from Поворот where Num = 81")).toString(), QStringLiteral("E"));

    // A route that already holds turns takes only what is left of the limit.
    EXPECT_EQ(ReadImportRows(*book, 0, 5).Rows.size(), 5u);
    EXPECT_TRUE(ReadImportRows(*book, 0, 0).LimitReached);
}

TEST_F(Import, AFailedStoreLeavesTheDatabaseAsItWas)
{
    exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'A')"));
    exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Num) values (1, 'r', 1)"));
    exec(
        QStringLiteral("create trigger refuse before insert on Поворот when new.Turn = 'X' "
                       "begin select raise(abort, 'refused'); end"));
    TImportRows rows;
    rows.Rows.assign(300, TImportRow{"a", "b", "c", "d", "L"});
    rows.Rows[250].Turn = QStringLiteral("X");
    const TImportResult r = StoreImportedTurns(db, 1, rows);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Error.contains(QStringLiteral("refused")));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Поворот")), 0);
    EXPECT_EQ(db.TransLevel(), 0);
}

// A FIFO would hang the import and a device would never end: both are refused before reading,
// with the system's reason, as the firmware files are.
TEST(Spreadsheet, OnlyRegularFilesAreRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.csv"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        QString path;
        QString why;
    } cases[] = {
        {fifo, Msg::SysNotRegular},
        {QStringLiteral("/dev/zero"), Msg::SysNotRegular},
        {dir.path(), Msg::SysIsFolder},
        {dir.filePath(QStringLiteral("missing.xlsx")), Msg::SysNoEntry},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString error;
        EXPECT_FALSE(OpenSpreadsheet(c.path, &error));
        EXPECT_EQ(error, c.why);
    }
}

// Opening reads the sheet list alone; a sheet's part is unpacked and parsed only when that sheet
// is loaded. Here every entry names one damaged part, and a good sheet sits beside a bad one.
TEST(Spreadsheet, OnlyTheSheetImportedIsRead)
{
    QStringList many;
    QStringList targets;
    for (int i = 1; i <= 200; ++i) {
        many << QStringLiteral("S%1").arg(i);
        targets << QStringLiteral("worksheets/one.xml");
    }
    const QByteArray damaged = "<worksheet><sheetData><row><c t=\"inlineStr\"><is><t>55.5";
    const auto book = OpenSpreadsheetData(makeZip({{"xl/workbook.xml", xlsxWorkbook(many)},
                                                   {"xl/_rels/workbook.xml.rels", xlsxRels(targets)},
                                                   {"xl/worksheets/one.xml", damaged}}),
                                          false);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->SheetNames().size(), 200);
    QString error;
    EXPECT_FALSE(book->LoadSheet(199, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("часть xl/worksheets/one.xml книги повреждена")))
        << error.toStdString();

    const auto mixed = OpenSpreadsheetData(
        makeZip({{"xl/workbook.xml", xlsxWorkbook({QStringLiteral("good"), QStringLiteral("bad")})},
                 {"xl/_rels/workbook.xml.rels",
                  xlsxRels({QStringLiteral("worksheets/good.xml"), QStringLiteral("worksheets/bad.xml")})},
                 {"xl/worksheets/good.xml", xlsxSheet({{"55.5", "37.5", "55.6", "37.6", "L"}})},
                 {"xl/worksheets/bad.xml", damaged}}),
        false);
    ASSERT_TRUE(mixed);
    const TImportRows rows = ReadImportRows(*mixed, 0, 2040);
    EXPECT_TRUE(rows.Error.isEmpty()) << rows.Error.toStdString();
    EXPECT_EQ(rows.Rows.size(), 1u);
    EXPECT_TRUE(ReadImportRows(*mixed, 1, 2040).Error.startsWith(QStringLiteral("Лист «bad»: часть")));
}

// The import is bounded by time from the opening of the file, and the user's cancel stops it.
TEST(Spreadsheet, TimeAndCancelStopTheRead)
{
    std::vector<QStringList> rows(20000, QStringList{QStringLiteral("55.5")});
    const QByteArray zip = makeZip(
        {{"xl/workbook.xml", xlsxWorkbook({QStringLiteral("big")})}, {"xl/worksheets/sheet1.xml", xlsxSheet(rows)}});
    QString error;
    EXPECT_FALSE(OpenSpreadsheetData(zip, false, &error, {std::chrono::milliseconds(0), nullptr}));
    EXPECT_EQ(error, Msg::SheetTooSlow.arg(0));

    std::atomic<bool> cancel{false};
    const auto book = OpenSpreadsheetData(zip, false, &error, {SpreadsheetLimits::MaxTime, &cancel});
    ASSERT_TRUE(book);
    cancel = true;
    EXPECT_FALSE(book->LoadSheet(0, &error));
    EXPECT_EQ(error, Msg::SheetCancelled);
    EXPECT_EQ(ReadImportRows(*book, 0, 2040).Error,
              Msg::ImportSheetFailed.arg(QStringLiteral("big"), Msg::SheetCancelled));
}

// The cell cap counts only the sheet being read: a long log on sheet 1 leaves sheet 2 whole, and
// the log's import says where the cap stopped it.
TEST(Spreadsheet, CellCapCountsOnlyTheSheetRead)
{
    const QByteArray cell = "<table:table-cell office:value-type=\"string\"><text:p>55.5</text:p></table:table-cell>";
    const QByteArray content =
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        "<table:table table:name=\"log\"><table:table-row table:number-rows-repeated=\"70000\">" +
        cell.repeated(5) +
        "</table:table-row></table:table>"
        "<table:table table:name=\"turns\"><table:table-row table:number-rows-repeated=\"3\">" +
        cell.repeated(5) +
        "</table:table-row></table:table></office:spreadsheet></office:body></office:document-content>";
    const auto book = OpenSpreadsheetData(makeZip({{"content.xml", content}}), false);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->SheetNames(), (QStringList{QStringLiteral("log"), QStringLiteral("turns")}));

    const TImportRows turns = ReadImportRows(*book, 1, 2040);
    EXPECT_EQ(turns.Rows.size(), 3u);
    EXPECT_TRUE(turns.Notes.isEmpty());

    const TImportRows log = ReadImportRows(*book, 0, 2040);
    EXPECT_TRUE(log.LimitReached);
    EXPECT_EQ(log.Notes, QStringList{Msg::SheetCellCap.arg(QStringLiteral("log")).arg(300000).arg(60001)});
}

// The separator is the one that gives every first row the same number of columns; ";" on a tie,
// which "55,75;37,61" is.
TEST(Spreadsheet, CsvSeparatorByEvenColumns)
{
    QTemporaryDir dir;
    const struct {
        const char* text;
        const char* firstCell;
        const char* fifthCell;
    } cases[] = {
        {"55,75;37,61;55,76;37,62;L\n55,77;37,63;55,78;37,64;R\n", "55,75", "L"},
        {"55.75,37.61,55.76,37.62,L\n55.77,37.63,55.78,37.64,R\n", "55.75", "L"},
        {"55.75,37.61,55.76,37.62,L;R\n55.77,37.63,55.78,37.64,R\n", "55.75", "L;R"},  // only "," is even
        {"a;b;c;d;e\n1,5;2;3;4;5\n", "a", "e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto book = OpenSpreadsheet(writeFile(dir, QStringLiteral("t.csv"), c.text));
        ASSERT_TRUE(book);
        ASSERT_TRUE(book->LoadSheet(0));
        EXPECT_EQ(book->Cell(0, 0, 0), QString::fromUtf8(c.firstCell));
        EXPECT_EQ(book->Cell(0, 0, 4), QString::fromUtf8(c.fifthCell));
    }
}

// Mutations of a good .xls that the BIFF library would open and read past what the file holds:
// the structure check refuses each before the library sees it.
TEST(Spreadsheet, MalformedCompoundDocumentsAreRefused)
{
    const QByteArray good = fileBytes(fixture("turns.xls"));
    EXPECT_TRUE(CheckCompoundFile(good));
    auto put32 = [](QByteArray b, int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char(v >> (8 * i));
        return b;
    };
    // turns.xls: 512-byte sectors, FAT in sector 0, mini FAT in 2, directory in 9 and 10.
    const int fat = 512, miniFat = 512 + 2 * 512, root = 512 + 9 * 512, workbook = root + 128;
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"stream longer than its chain", put32(good, workbook + 120, 4000)},
        {"mini stream longer than its chain", put32(good, root + 120, 8000)},
        {"directory chain loops", put32(good, fat + 10 * 4, 9)},
        {"mini chain leaves the mini stream", put32(good, miniFat + 10 * 4, 60)},
        {"mini chain loops", put32(good, miniFat + 10 * 4, 5)},
        {"FAT sector past the end", put32(good, 76, 200)},
        {"sector size", put32(good, 28, 0x0010FFFE)},
        {"directory tree loops", put32(good, workbook + 68, 1)},
        {"cut", good.left(4096)},
        // From fuzzing: the string table twice, the last record past the stream's end.
        {"records past the stream", fileBytes(fixture("records-past-stream.xls"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_FALSE(OpenSpreadsheetData(c.bytes, false, &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("файл Excel (.xls) повреждён: "))) << error.toStdString();
    }
}

// Every coordinate is checked before anything is stored: decimal degrees are converted, a header
// row is skipped with a note, and any other text stops the import naming sheet, row and column.
TEST_F(Import, CoordinatesAreCheckedBeforeAnythingIsStored)
{
    exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'A')"));
    exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Num) values (1, 'r', 1)"));
    QTemporaryDir files;
    QByteArray eleven;
    for (int i = 0; i < 11; ++i)
        eleven += "55.5;37.5;55.6;37.6;L\n";
    const QString d = QString(QChar(0x00B0));
    const struct {
        const char* name;
        QByteArray text;
        QStringList begLat;  // of the rows stored
        QString error;
        QStringList notes;
    } cases[] = {
        {"gps",
         "55.753215;37,6E;55,7533;-0.000125;L\n55.75 N;W 3.5;- - -;;B\n",
         {"+55" + d + "45'11.6\"", "+55" + d + "45'00.0\""},
         {},
         {}},
        {"header",
         "Нач. шир.;Нач. долг.;Кон. шир.;Кон. долг.;Тип\n55.5;37.5;55.6;37.6;L\n",
         {"+55" + d + "30'00.0\""},
         {},
         {QStringLiteral("Строка 1 листа «header» пропущена как заголовок: в ней нет ни одной координаты.")}},
        {"bad",
         eleven + "55.5;37.5;Нач. шир.;37.6;L\n",
         {},
         QStringLiteral("Строка 12, столбец C листа «bad»: неверная координата «Нач. шир.»"),
         {}},
        {"west",
         "55.5;-122.5;55.5;37.5;L\n",
         {},
         QStringLiteral("Строка 1, столбец B листа «west»: неверная координата «-122.5»"),
         {}},
        {"gap", "\n\n55.5;37.5;55.6;37.6;L\n", {}, Msg::ImportNoTurns.arg(QStringLiteral("gap")).arg(1), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto book = OpenSpreadsheet(writeFile(files, QString::fromLatin1(c.name) + ".csv", c.text));
        ASSERT_TRUE(book);
        const TImportRows rows = ReadImportRows(*book, 0, 2040);
        const int before = int(scalar(QStringLiteral("select count(*) from Поворот")));
        const TImportResult stored = StoreImportedTurns(db, 1, rows);
        EXPECT_EQ(stored.Ok, c.error.isEmpty());
        EXPECT_EQ(stored.Error, c.error);
        EXPECT_EQ(stored.Notes, c.notes);
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from Поворот")), before + c.begLat.size());
        QStringList begLat;
        for (const TImportRow& r : rows.Rows)
            begLat << r.BegLat;
        EXPECT_EQ(begLat, c.begLat);
    }
    // The first case in full: every column converted, a missing coordinate kept as it was.
    const auto book = OpenSpreadsheet(files.filePath(QStringLiteral("gps.csv")));
    const TImportRows gps = ReadImportRows(*book, 0, 2040);
    ASSERT_EQ(gps.Rows.size(), 2u);
    const TImportRow& r = gps.Rows[0];
    EXPECT_EQ((QStringList{r.BegLat, r.BegLong, r.EndLat, r.EndLong}),
              (QStringList{"+55" + d + "45'11.6\"", "+37" + d + "36'00.0\"", "+55" + d + "45'11.9\"",
                           "-00" + d + "00'00.5\""}));
    EXPECT_EQ((QStringList{gps.Rows[1].BegLong, gps.Rows[1].EndLat, gps.Rows[1].EndLong}),
              (QStringList{"-03" + d + "30'00.0\"", QStringLiteral("- - -"), QString()}));
}

}  // namespace
