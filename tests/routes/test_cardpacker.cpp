#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <QSqlQuery>
#include <QTemporaryDir>

#include "data/database.h"
#include "routes/cardpacker.h"

using Bytes = std::vector<uint8_t>;

namespace {

constexpr size_t kPage = 528;
constexpr size_t kRouteTable = 1056;

std::vector<uint16_t> range(int first, int last)
{
    std::vector<uint16_t> v;
    for (int p = first; p <= last; ++p)
        v.push_back(uint16_t(p));
    return v;
}

std::vector<uint16_t> operator+(std::vector<uint16_t> a, const std::vector<uint16_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

QString coord(const char* head, const char* min, const char* sec, const char* tenth)
{
    return QString::fromUtf8(head) + QChar(0x00B0) + QString::fromUtf8(min) + QLatin1Char('\'') +
           QString::fromUtf8(sec) + QLatin1Char('.') + QString::fromUtf8(tenth) + QLatin1Char('"');
}

struct TTurnRow {
    QVariant begLat, begLong, endLat, endLong, type;
    int num;
};

class CardPacker : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("routes.db")), TDatabase::OpenMode::CreateIfMissing))
            << db.LastError().toStdString();
    }

    qint64 lastId() { return db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong(); }

    qint64 addCard(const QString& name)
    {
        EXPECT_TRUE(db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, ?)"), {name}));
        return lastId();
    }

    qint64 addRoute(qint64 card, int num, const QString& n1, const QString& n2 = {}, const QString& n3 = {})
    {
        EXPECT_TRUE(
            db.Exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, ?, ?, ?)"),
                    {card, n1, n2, n3, num}));
        return lastId();
    }

    void addTurns(qint64 route, const std::vector<TTurnRow>& rows)
    {
        ASSERT_TRUE(db.BeginTrans());
        QSqlQuery q(db.Connection());
        q.prepare(
            QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
                           "values (?, ?, ?, ?, ?, ?, ?)"));
        for (const auto& r : rows) {
            for (const QVariant& v :
                 {QVariant(route), r.begLat, r.begLong, r.endLat, r.endLong, r.type, QVariant(r.num)})
                q.addBindValue(v);
            ASSERT_TRUE(q.exec());
        }
        ASSERT_TRUE(db.CommitTrans());
    }

    // n turns of type L whose begin latitude counts the turn (in tenths of a second).
    void addPlainTurns(qint64 route, int n)
    {
        std::vector<TTurnRow> rows;
        for (int k = 1; k <= n; ++k) {
            const QString tenths = QString::number(k % 10);
            const QString secs = QStringLiteral("%1").arg(k / 10 % 60, 2, 10, QLatin1Char('0'));
            const QString mins = QStringLiteral("%1").arg(k / 600, 2, 10, QLatin1Char('0'));
            rows.push_back({QStringLiteral("+00°") + mins + QLatin1Char('\'') + secs + QLatin1Char('.') + tenths +
                                QLatin1Char('"'),
                            {},
                            {},
                            {},
                            QStringLiteral("L"),
                            k});
        }
        addTurns(route, rows);
    }

    // Marks page 0 as the format check would find it on the unit and applies it.
    void formatAs(const char* marker)
    {
        std::copy(marker, marker + 5, image.Data());
        ASSERT_TRUE(image.ApplyFormatMarker());
    }

    Bytes bytesAt(size_t offset, size_t count) const
    {
        return Bytes(image.Data() + offset, image.Data() + offset + count);
    }

    TCardPackResult pack(qint64 card) { return PackCard(db, card, image, pages); }

    QTemporaryDir dir;
    TDatabase db;
    TRouteImage image;
    TPageList pages;
};

}  // namespace

TEST_F(CardPacker, RoutesAndTurnsGoInTheOrderOfTheirNum)
{
    const qint64 card = addCard(QStringLiteral("Город"));
    const qint64 other = addCard(QStringLiteral("Другая"));
    // IDs run against Num, so neither the insertion order nor ID gives the grid's order.
    const qint64 third = addRoute(card, 30, QStringLiteral("O'Brien"), QStringLiteral("Москва"), QStringLiteral("x"));
    addRoute(other, 15, QStringLiteral("чужой"));
    const qint64 first = addRoute(card, 10, QStringLiteral("Первый"));
    addRoute(card, 20, QStringLiteral("Без точек"));

    // Turn Num runs against ID: the unit gets them in Num order, as the turn grid lists them (the
    // user moves turns by changing their Num).
    addTurns(third, {
                        {coord("+55", "45", "12", "3"), coord("+37", "36", "00", "5"), coord("-01", "00", "00", "0"),
                         QString(), QStringLiteral("B"), 3},
                        {coord("+00", "00", "00", "2"), {}, {}, {}, QStringLiteral("R"), 2},
                        {coord("+00", "00", "00", "3"), {}, {}, {}, QStringLiteral("E"), 1},
                    });
    addTurns(first, {{coord("+10", "00", "00", "0"), {}, {}, {}, QStringLiteral("L"), 1}});

    const TCardPackResult r = pack(card);
    ASSERT_TRUE(r.Ok()) << r.Error.toStdString();
    EXPECT_EQ(r.Routes, 3);
    EXPECT_EQ(r.Turns, 4);

    TRouteRecord rec;
    ASSERT_TRUE(image.ReadRoute(1, rec));
    EXPECT_EQ(rec.Name(1), QStringLiteral("Первый"));
    EXPECT_EQ(rec.TurnCount, 1);
    ASSERT_TRUE(image.ReadRoute(2, rec));
    EXPECT_EQ(rec.Name(1), QStringLiteral("Без точек"));
    EXPECT_EQ(rec.TurnCount, 0);
    EXPECT_FALSE(image.ReadRoute(4, rec));
    EXPECT_EQ(bytesAt(kRouteTable + 3 * 66, 66), Bytes(66, 0xFF)) << "free slots stay erased";

    // Slot 3 byte for byte: names in CP1251 with their terminators, number, count, zero reserve.
    Bytes slot3(66, 0x00);
    const uint8_t line1[] = {'O', '\'', 'B', 'r', 'i', 'e', 'n'};
    const uint8_t line2[] = {0xCC, 0xEE, 0xF1, 0xEA, 0xE2, 0xE0};
    std::copy(std::begin(line1), std::end(line1), slot3.begin());
    std::copy(std::begin(line2), std::end(line2), slot3.begin() + 17);
    slot3[34] = 'x';
    slot3[51] = 3;
    slot3[53] = 3;
    EXPECT_EQ(bytesAt(kRouteTable + 2 * 66, 66), slot3);

    // Third turn of slot 3: latitudes, then longitudes; a missing coordinate is 0.
    const size_t turns3 = kRouteTable + 96 * 66 + 2 * 44880;
    const Bytes turn3 = {0x53, 0xA0, 0x1E, 0x00,  // begin latitude 2007123
                         0x60, 0x73, 0xFF, 0xFF,  // end latitude -36000
                         0x85, 0xA7, 0x14, 0x00,  // begin longitude 37°36'00.5 = 1353605
                         0x00, 0x00, 0x00, 0x00,  // end longitude missing
                         'B',  0,    0,    0,    0, 0};
    EXPECT_EQ(bytesAt(turns3 + 2 * 22, 22), turn3);
    TTurnRecord t;
    ASSERT_TRUE(image.ReadTurn(3, 1, t));
    EXPECT_EQ(t.BegLat, 3);
    EXPECT_EQ(t.Type, 'E');
    ASSERT_TRUE(image.ReadTurn(3, 2, t));
    EXPECT_EQ(t.BegLat, 2);
    EXPECT_EQ(t.Type, 'R');
    EXPECT_EQ(bytesAt(turns3 + 3 * 22, 22), Bytes(22, 0xFF)) << "nothing behind the last turn";

    // Route table, then the turn pages of the routes that have turns, in slot order.
    EXPECT_EQ(pages.Pages(), range(2, 13) + range(14, 98) + range(184, 268));
}

TEST_F(CardPacker, TypeByteIsTheLetterOrAQuestionMark)
{
    const qint64 card = addCard(QStringLiteral("c"));
    const qint64 route = addRoute(card, 1, QStringLiteral("r"));
    const std::vector<std::pair<QVariant, uint8_t>> types = {
        {QStringLiteral("L"), 'L'},  {QStringLiteral("R"), 'R'},  {QStringLiteral("B"), 'B'},
        {QStringLiteral("E"), 'E'},  {QStringLiteral(""), '?'},   {QVariant(), '?'},
        {QStringLiteral("LR"), '?'}, {QStringLiteral("Ж"), 0xC6}, {QStringLiteral("😀"), '?'},
    };
    std::vector<TTurnRow> rows;
    for (size_t i = 0; i < types.size(); ++i)
        rows.push_back({{}, {}, {}, {}, types[i].first, int(i)});
    addTurns(route, rows);

    ASSERT_TRUE(pack(card).Ok());
    for (size_t i = 0; i < types.size(); ++i) {
        TTurnRecord t;
        ASSERT_TRUE(image.ReadTurn(1, int(i) + 1, t));
        EXPECT_EQ(t.Type, types[i].second) << types[i].first.toString().toStdString();
    }
}

TEST_F(CardPacker, RebuildsTheImageFromScratch)
{
    image.Fill(0x00);
    pages.AddPage(4000);
    const qint64 card = addCard(QStringLiteral("пустая"));

    const TCardPackResult r = pack(card);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Routes, 0);
    // An empty card empties the unit's route table: 12 pages of erased records.
    EXPECT_EQ(pages.Pages(), range(2, 13));
    EXPECT_TRUE(std::all_of(image.Data(), image.Data() + image.Size(), [](uint8_t b) { return b == 0xFF; }));
}

TEST_F(CardPacker, Limits)
{
    struct Case {
        const char* what;
        const char* marker;
        int routes;
        int turnsOfLast;
        TCardPackResult::TStatus status;
        QString message;
    };
    using S = TCardPackResult::TStatus;
    const std::vector<Case> cases = {
        {"96 routes, 96 slots", "*FDA*", 96, 0, S::Ok, QString()},
        {"97 routes, 96 slots", "*32M*", 97, 0, S::TooManyRoutes,
         QStringLiteral("Количество маршрутов не должно превышать 96!")},
        {"48 routes, 48 slots", "*16M*", 48, 0, S::Ok, QString()},
        {"49 routes, 48 slots", "*16M*", 49, 0, S::TooManyRoutes,
         QStringLiteral("Количество маршрутов не должно превышать 48!")},
        {"2041 turns", "*FDA*", 1, 2041, S::TooManyTurns,
         QStringLiteral("Количество поворотов не должно превышать 2040!")},
    };
    for (const auto& c : cases) {
        TCardPackResult r;
        {
            const qint64 card = addCard(QString::fromUtf8(c.what));
            qint64 route = 0;
            ASSERT_TRUE(db.BeginTrans());
            for (int i = 1; i <= c.routes; ++i)
                route = addRoute(card, i, QStringLiteral("R%1").arg(i));
            ASSERT_TRUE(db.CommitTrans());
            addPlainTurns(route, c.turnsOfLast);
            formatAs(c.marker);
            pages.AddPage(4000);
            r = pack(card);
        }
        EXPECT_EQ(r.Status, c.status) << c.what;
        EXPECT_EQ(r.Message(image.MaxRoutes()), c.message) << c.what;
        if (r.Ok()) {
            TRouteRecord rec;
            EXPECT_TRUE(image.ReadRoute(c.routes, rec)) << c.what;
            EXPECT_EQ(pages.Count(), c.routes == 96 ? 12 : 6) << c.what;
        } else {
            EXPECT_TRUE(pages.IsEmpty()) << c.what << ": a refused card must leave nothing to write";
        }
    }
}

TEST_F(CardPacker, FullRouteFillsItsLastPage)
{
    const qint64 card = addCard(QStringLiteral("c"));
    const qint64 route = addRoute(card, 1, QStringLiteral("длинный"));
    addPlainTurns(route, 2040);

    const TCardPackResult r = pack(card);
    ASSERT_TRUE(r.Ok()) << r.Error.toStdString();
    EXPECT_EQ(r.Turns, 2040);
    TRouteRecord rec;
    ASSERT_TRUE(image.ReadRoute(1, rec));
    EXPECT_EQ(rec.TurnCount, 2040);
    // Turn 2040 is the last 22 bytes of page 98, the 85th page of slot 1: 3'24.0 = 2040 tenths.
    const size_t last = 99 * kPage - 22;
    EXPECT_EQ(bytesAt(last, 5), (Bytes{0xF8, 0x07, 0x00, 0x00, 0x00}));
    EXPECT_EQ(image.Data()[last + 16], 'L');
    EXPECT_EQ(pages.Pages(), range(2, 13) + range(14, 98));
}

TEST_F(CardPacker, DatabaseErrorLeavesNothingToWrite)
{
    const qint64 card = addCard(QStringLiteral("c"));
    addRoute(card, 1, QStringLiteral("r"));
    ASSERT_TRUE(db.Exec(QStringLiteral("drop table Поворот")));

    const TCardPackResult r = pack(card);
    EXPECT_EQ(r.Status, TCardPackResult::TStatus::DatabaseError);
    EXPECT_FALSE(r.Error.isEmpty());
    EXPECT_EQ(r.Message(96), r.Error);
    EXPECT_TRUE(pages.IsEmpty());
}
