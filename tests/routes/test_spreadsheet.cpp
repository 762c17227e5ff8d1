#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "base/cp1251.h"
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

// What every form of turns.csv must import: three rows, then the row with only B ends it.
const std::vector<std::vector<QString>> kTurns = {
    {coord("+55", "45'12.3\""), coord("+37", "37'00.0\""), coord("+55", "45'13.0\""), coord("+37", "37'01.0\""), "L"},
    {"55.5", "37", "12", "13", "R"},
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
    const TImportResult stored = StoreImportedTurns(db, 1, rows.Rows);
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
    std::vector<TImportRow> rows(300, TImportRow{"a", "b", "c", "d", "L"});
    rows[250].Turn = QStringLiteral("X");
    const TImportResult r = StoreImportedTurns(db, 1, rows);
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.Error.contains(QStringLiteral("refused")));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Поворот")), 0);
    EXPECT_EQ(db.TransLevel(), 0);
}

}  // namespace
