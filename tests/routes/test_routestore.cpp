#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QStringList>

#include "data/dbfixture.h"
#include "routes/demoroutes.h"
#include "routes/routestore.h"
#include "routes/routetab.h"
#include "routes/travocommands.h"

namespace {

class RouteStore : public DbFixture {
protected:
    qint64 card(qint64 parent, const QString& name)
    {
        exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (?, ?)"), {parent, name});
        return scalar(QStringLiteral("select last_insert_rowid()"));
    }
    qint64 route(qint64 cardId, int num, const QString& name)
    {
        exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, '', '', ?)"),
             {cardId, name, num});
        return scalar(QStringLiteral("select last_insert_rowid()"));
    }
    void turns(qint64 routeId, int n, int firstNum)
    {
        ASSERT_TRUE(db.BeginTrans());
        for (int i = 0; i < n; ++i)
            exec(QStringLiteral("insert into Поворот (ID_Route, BegLat, Turn, Num) values (?, ?, 'L', ?)"),
                 {routeId, QStringLiteral("t%1").arg(firstNum + i), firstNum + i});
        ASSERT_TRUE(db.CommitTrans());
    }
    // Names of a card's routes as the grid lists them.
    QStringList listed(qint64 cardId)
    {
        QStringList out;
        QSqlQuery q(db.Connection());
        q.prepare(QStringLiteral("select Name1 from Маршрут where ID_Card = ? order by Num, ID"));
        q.addBindValue(cardId);
        EXPECT_TRUE(q.exec());
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    QStringList turnList(qint64 routeId)
    {
        QStringList out;
        QSqlQuery q(db.Connection());
        q.prepare(QStringLiteral("select BegLat from Поворот where ID_Route = ? order by Num, ID"));
        q.addBindValue(routeId);
        EXPECT_TRUE(q.exec());
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

    TRouteStore store{db};
};

TEST(PluralForm, RussianNounByNumber)
{
    const struct {
        int n;
        const char* expected;
    } cases[] = {{1, "маршрут"},     {21, "маршрут"},    {101, "маршрут"},  {2, "маршрута"},   {4, "маршрута"},
                 {22, "маршрута"},   {5, "маршрутов"},   {11, "маршрутов"}, {12, "маршрутов"}, {14, "маршрутов"},
                 {111, "маршрутов"}, {112, "маршрутов"}, {0, "маршрутов"},  {96, "маршрутов"}};
    for (const auto& c : cases)
        EXPECT_EQ(PluralForm(c.n, QStringLiteral("маршрут"), QStringLiteral("маршрута"), QStringLiteral("маршрутов")),
                  QString::fromUtf8(c.expected))
            << c.n;
}

TEST_F(RouteStore, NamesWithQuotesApostrophesAndCyrillicAreStoredAsTyped)
{
    const qint64 c = card(-1, QStringLiteral("Карта"));
    const TRouteNames names{QStringLiteral("д'Артаньян"), QStringLiteral("\"Кольцо\"; --"),
                            QStringLiteral("x') or 1=1")};
    const auto added = store.AddRoute(c, names, 96);
    ASSERT_TRUE(added.Ok()) << added.Error.toStdString();
    QSqlQuery q(db.Connection());
    ASSERT_TRUE(q.exec(QStringLiteral("select Name1, Name2, Name3 from Маршрут")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), names.Line1);
    EXPECT_EQ(q.value(1).toString(), names.Line2);
    EXPECT_EQ(q.value(2).toString(), names.Line3);

    ASSERT_TRUE(store.EditRoute(added.Id, {QStringLiteral("о'кей"), {}, QStringLiteral("1234567890123456789")}).Ok());
    ASSERT_TRUE(q.exec(QStringLiteral("select Name1, Name3 from Маршрут")) && q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("о'кей"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("1234567890123456"));  // 16 characters at most

    ASSERT_TRUE(store.RenameCard(c, QStringLiteral("Депо 'Северное'")).Ok());
    EXPECT_EQ(db.Scalar(QStringLiteral("select Name from КартаПамяти")).toString(), QStringLiteral("Депо 'Северное'"));
}

TEST_F(RouteStore, AddRouteStopsAtTheUnitsCapacityAndGoesToTheEnd)
{
    const qint64 c = card(-1, QStringLiteral("A"));
    const qint64 other = card(-1, QStringLiteral("B"));
    route(other, 50, QStringLiteral("other"));
    for (int i = 1; i <= 47; ++i)
        route(c, i, QStringLiteral("r%1").arg(i));
    auto r = store.AddRoute(c, {QStringLiteral("48th"), {}, {}}, 48);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(listed(c).last(), QStringLiteral("48th"));
    EXPECT_EQ(db.Scalar(QStringLiteral("select Num from Маршрут where ID = ?"), {r.Id}).toInt(), 48);

    r = store.AddRoute(c, {QStringLiteral("49th"), {}, {}}, 48);
    EXPECT_EQ(r.Status, TRouteOpResult::TStatus::TooManyRoutes);
    EXPECT_EQ(r.Message(48), QStringLiteral("Количество маршрутов не должно превышать 48!"));
    EXPECT_EQ(store.RouteCount(c), 48);
}

TEST_F(RouteStore, MovesSwapWithTheNeighbourOfTheSameListOnly)
{
    // The routes of two cards interleave in Num, as after a restart's renumbering.
    const qint64 a = card(-1, QStringLiteral("A"));
    const qint64 b = card(-1, QStringLiteral("B"));
    const qint64 a1 = route(a, 1, QStringLiteral("a1"));
    route(b, 2, QStringLiteral("b1"));
    const qint64 a2 = route(a, 3, QStringLiteral("a2"));
    const qint64 a3 = route(a, 4, QStringLiteral("a3"));

    struct Case {
        qint64 id;
        int direction;
        bool moved;
        QStringList after;
    } cases[] = {
        {a1, -1, false, {"a1", "a2", "a3"}},  // the first cannot go up
        {a3, +1, false, {"a1", "a2", "a3"}},  // the last cannot go down
        {a1, +1, true, {"a2", "a1", "a3"}},   // past b1 of the other card
        {a3, -1, true, {"a2", "a3", "a1"}},  {a2, -1, false, {"a2", "a3", "a1"}},
    };
    for (const Case& c : cases) {
        const auto r = store.MoveRoute(c.id, c.direction);
        EXPECT_EQ(r.Ok(), c.moved) << c.id << " " << c.direction;
        EXPECT_EQ(listed(a), c.after);
    }
    EXPECT_EQ(listed(b), QStringList{QStringLiteral("b1")});
}

TEST_F(RouteStore, TurnMovesStayInsideTheRoute)
{
    const qint64 c = card(-1, QStringLiteral("A"));
    const qint64 r1 = route(c, 1, QStringLiteral("r1"));
    const qint64 r2 = route(c, 2, QStringLiteral("r2"));
    turns(r1, 1, 1);  // t1
    turns(r2, 1, 2);  // t2: the neighbour in the whole table, but of another route
    turns(r1, 2, 3);  // t3, t4
    const qint64 t1 = db.Scalar(QStringLiteral("select ID from Поворот where BegLat = 't1'")).toLongLong();
    ASSERT_TRUE(store.MoveTurn(t1, +1).Ok());
    EXPECT_EQ(turnList(r1), (QStringList{"t3", "t1", "t4"}));
    EXPECT_EQ(turnList(r2), QStringList{"t2"});
    EXPECT_FALSE(
        store.MoveTurn(db.Scalar(QStringLiteral("select ID from Поворот where BegLat = 't4'")).toLongLong(), +1).Ok());
}

TEST_F(RouteStore, MergeKeepsTheFirstAndRefusesMoreThan2040Turns)
{
    const struct {
        int first, second, third;
        bool merged;
    } cases[] = {{1000, 1000, 40, true}, {1000, 1000, 41, false}};
    for (const auto& c : cases) {
        exec(QStringLiteral("delete from КартаПамяти"));
        const qint64 k = card(-1, QStringLiteral("A"));
        const qint64 r1 = route(k, 1, QStringLiteral("r1"));
        const qint64 r2 = route(k, 2, QStringLiteral("r2"));
        const qint64 r3 = route(k, 3, QStringLiteral("r3"));
        turns(r1, c.first, 1);
        turns(r2, c.second, 5000);
        turns(r3, c.third, 9000);
        // List order decides the survivor, not the ID.
        const auto r = store.MergeRoutes({r2, r3, r1});
        ASSERT_EQ(r.Ok(), c.merged) << c.third;
        if (c.merged) {
            EXPECT_EQ(r.Id, r2);
            EXPECT_EQ(listed(k), QStringList{QStringLiteral("r2")});
            EXPECT_EQ(store.TurnCount(r2), 2040);
        } else {
            EXPECT_EQ(r.Message(96), QStringLiteral("Количество поворотов не должно превышать 2040!"));
            EXPECT_EQ(listed(k), (QStringList{"r1", "r2", "r3"}));
            EXPECT_EQ(store.TurnCount(r1), c.first);
        }
    }
}

TEST_F(RouteStore, RoutesDraggedToAnotherCardKeepTheirTurns)
{
    const qint64 a = card(-1, QStringLiteral("A"));
    const qint64 b = card(-1, QStringLiteral("B"));
    QList<qint64> ids;
    for (int i = 1; i <= 4; ++i)
        ids << route(a, i, QStringLiteral("r%1").arg(i));
    turns(ids[1], 3, 1);
    const auto r = store.MoveRoutesToCard({ids[1], ids[2], ids[3]}, b);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(r.Id, ids[3]);  // the last one becomes current
    EXPECT_EQ(listed(a), QStringList{QStringLiteral("r1")});
    EXPECT_EQ(listed(b), (QStringList{"r2", "r3", "r4"}));
    EXPECT_EQ(store.TurnCount(ids[1]), 3);
}

TEST_F(RouteStore, DeletingACardTakesItsSubtreeRoutesAndTurns)
{
    const qint64 top = card(-1, QStringLiteral("top"));
    const qint64 child = card(top, QStringLiteral("child"));
    const qint64 grandchild = card(child, QStringLiteral("grandchild"));
    const qint64 keep = card(-1, QStringLiteral("keep"));
    card(keep, QStringLiteral("keep child"));
    const qint64 r = route(grandchild, 1, QStringLiteral("deep"));
    turns(r, 5, 1);
    route(keep, 2, QStringLiteral("kept"));

    ASSERT_TRUE(store.DeleteCard(top).Ok());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from КартаПамяти")), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Маршрут")), 1);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Поворот")), 0);
}

TEST_F(RouteStore, AFirstCardGoesToTheTopOfTheTreeAndSiblingsShareTheParent)
{
    const auto first = store.AddCard(0, QStringLiteral("первая"));
    ASSERT_TRUE(first.Ok());
    EXPECT_EQ(db.Scalar(QStringLiteral("select ID_Dir from КартаПамяти where ID = ?"), {first.Id}).toInt(), -1);
    const qint64 child = card(first.Id, QStringLiteral("child"));
    const auto sibling = store.AddCard(child, QStringLiteral("sibling"));
    EXPECT_EQ(db.Scalar(QStringLiteral("select ID_Dir from КартаПамяти where ID = ?"), {sibling.Id}).toLongLong(),
              first.Id);
}

TEST_F(RouteStore, TurnsFollowEveryTurnAndBeginOrEndPointsHaveNoEndOfTheirOwn)
{
    const qint64 c = card(-1, QStringLiteral("A"));
    const qint64 r1 = route(c, 1, QStringLiteral("r1"));
    const qint64 r2 = route(c, 2, QStringLiteral("r2"));
    turns(r2, 3, 7);  // the table's largest Num is 9
    TTurnFields t{QStringLiteral("+55°45'12.3\""), QStringLiteral("+37°37'00.0\""), QStringLiteral("+55°45'13.0\""),
                  QStringLiteral("+37°37'01.0\""), QStringLiteral("B")};
    const auto added = store.AddTurn(r1, t);
    ASSERT_TRUE(added.Ok());
    QSqlQuery q(db.Connection());
    ASSERT_TRUE(q.exec(QStringLiteral("select EndLat, EndLong, Num from Поворот where ID = %1").arg(added.Id)) &&
                q.next());
    EXPECT_EQ(q.value(0).toString(), t.BegLat);
    EXPECT_EQ(q.value(1).toString(), t.BegLong);
    EXPECT_EQ(q.value(2).toInt(), 10);

    t.Turn = QStringLiteral("R");
    ASSERT_TRUE(store.EditTurn(added.Id, t).Ok());
    ASSERT_TRUE(q.exec(QStringLiteral("select EndLat from Поворот where ID = %1").arg(added.Id)) && q.next());
    EXPECT_EQ(q.value(0).toString(), t.EndLat);

    turns(r1, 2039, 100);
    EXPECT_EQ(store.AddTurn(r1, t).Status, TRouteOpResult::TStatus::TooManyTurns);
    EXPECT_EQ(store.TurnCount(r1), 2040);
}

TEST_F(RouteStore, AFailedStatementRollsTheWholeOperationBack)
{
    const qint64 a = card(-1, QStringLiteral("A"));
    const qint64 b = card(-1, QStringLiteral("B"));
    const qint64 r1 = route(a, 1, QStringLiteral("r1"));
    const qint64 r2 = route(a, 2, QStringLiteral("r2"));
    // The second update of the move fails half-way.
    exec(QStringLiteral("create trigger refuse before update on Маршрут when new.ID = %1 "
                        "begin select raise(abort, 'refused'); end")
             .arg(r2));
    const auto r = store.MoveRoutesToCard({r1, r2}, b);
    EXPECT_EQ(r.Status, TRouteOpResult::TStatus::DatabaseError);
    EXPECT_TRUE(r.Error.contains(QStringLiteral("refused"))) << r.Error.toStdString();
    EXPECT_EQ(listed(a), (QStringList{"r1", "r2"}));
    EXPECT_EQ(db.TransLevel(), 0);
}

TEST(CoordText, EditDialogCheck)
{
    const QString d = QString(QChar(0x00B0));
    auto c = [&](const char* head, const char* rest) { return QString::fromUtf8(head) + d + QString::fromUtf8(rest); };
    const struct {
        QString text;
        TCoordKind kind;
        bool valid;
    } cases[] = {
        {c("+55", "45'12.3\""), TCoordKind::BeginLatitude, true},
        {c(" 55", "45'12.3\""), TCoordKind::BeginLatitude, true},
        {c("-00", "30'00.0\""), TCoordKind::BeginLatitude, true},
        {c("155", "45'12.3\""), TCoordKind::BeginLatitude, false},  // three-digit degrees
        {c("155", "45'12.3\""), TCoordKind::Longitude, true},
        {c("185", "00'00.0\""), TCoordKind::Longitude, false},
        {c("+90", "00'00.0\""), TCoordKind::Latitude, true},
        {c("+90", "00'00.1\""), TCoordKind::Latitude, false},
        {c("+55", "60'00.0\""), TCoordKind::Latitude, false},
        {c("+55", "00'60.0\""), TCoordKind::Latitude, false},
        {c("+55", "4a'12.3\""), TCoordKind::Latitude, false},
        {c("+55", "45'12.3"), TCoordKind::Latitude, false},  // 11 characters
        {QStringLiteral("+55*45'12.3\""), TCoordKind::Latitude, false},
        {QString(), TCoordKind::Latitude, false},
    };
    for (const auto& k : cases)
        EXPECT_EQ(CoordTextValid(k.text, k.kind), k.valid) << k.text.toStdString();
}

}  // namespace

namespace {

class DemoRoutes : public DbFixture {};

TEST_F(DemoRoutes, FillAnEmptyCardTableOnce)
{
    QString error;
    ASSERT_TRUE(FillDemoRoutes(db, &error)) << error.toStdString();
    const long long cards = scalar(QStringLiteral("select count(*) from КартаПамяти"));
    const long long turns = scalar(QStringLiteral("select count(*) from Поворот"));
    EXPECT_GE(cards, 2);
    EXPECT_GT(turns, 0);
    // Every demo coordinate passes the edit dialog's check.
    QSqlQuery q(db.Connection());
    ASSERT_TRUE(q.exec(QStringLiteral("select BegLat, BegLong, EndLat, EndLong from Поворот")));
    while (q.next()) {
        EXPECT_TRUE(CoordTextValid(q.value(0).toString(), TCoordKind::BeginLatitude));
        EXPECT_TRUE(CoordTextValid(q.value(1).toString(), TCoordKind::Longitude));
        EXPECT_TRUE(CoordTextValid(q.value(2).toString(), TCoordKind::Latitude));
        EXPECT_TRUE(CoordTextValid(q.value(3).toString(), TCoordKind::Longitude));
    }
    // A second start keeps what the user changed.
    exec(QStringLiteral("delete from Поворот"));
    ASSERT_TRUE(FillDemoRoutes(db, &error));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from КартаПамяти")), cards);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Поворот")), 0);
}

}  // namespace

namespace {

class RouteTab : public DbFixture {};

TEST_F(RouteTab, ListsAndButtonsFollowTheCurrentRows)
{
    exec(QStringLiteral(
        "insert into КартаПамяти (ID, ID_Dir, Name) values (1, -1, 'Б'), (2, -1, 'А'), (3, 2, 'пустая')"));
    exec(
        QStringLiteral("insert into Маршрут (ID, ID_Card, Name1, Name2, Name3, Num) values "
                       "(10, 1, 'x', '', '', 1), (11, 1, 'y', 'b', 'c', 2), (12, 1, 'z', '', '', 3)"));
    exec(
        QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, Turn, Num) values (11, 'a', 'b', 'L', 1), (11, "
                       "'c', 'd', 'R', 2)"));
    TRouteTabState s(db);
    ASSERT_TRUE(s.ReloadCards());
    ASSERT_EQ(s.Cards().size(), 3u);
    EXPECT_EQ(s.Cards()[0].Name, QStringLiteral("А"));  // sorted by name
    EXPECT_EQ(s.CardId(), 2);

    const struct {
        qint64 card;
        int routeRow;
        TRouteButtons expected;
        size_t turns;
    } cases[] = {
        {3, 0, {false, false, false, false, false}, 0},  // a card without routes
        {1, 0, {false, true, true, false, false}, 0},
        {1, 1, {true, true, true, false, true}, 2},
        {1, 2, {true, false, true, false, false}, 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(s.SelectCard(c.card));
        s.SelectRoute(c.routeRow);
        const TRouteButtons b = s.Buttons();
        EXPECT_EQ((std::vector<bool>{b.RouteMoveUp, b.RouteMoveDown, b.TurnEdit, b.TurnMoveUp, b.TurnMoveDown}),
                  (std::vector<bool>{c.expected.RouteMoveUp, c.expected.RouteMoveDown, c.expected.TurnEdit,
                                     c.expected.TurnMoveUp, c.expected.TurnMoveDown}))
            << c.card << "/" << c.routeRow;
        EXPECT_EQ(s.Turns().size(), c.turns);
    }
    ASSERT_TRUE(s.SelectCard(1));
    ASSERT_TRUE(s.ReloadRoutes(11));
    EXPECT_EQ(s.Route()->Name(), QStringLiteral("y b c"));
    EXPECT_EQ(s.Route()->Count, 2);
    EXPECT_EQ(s.Turns()[1].Beg(), QStringLiteral("c   d"));
    // After a delete the row number stays, or moves to the new last row.
    s.SelectRoute(2);
    exec(QStringLiteral("delete from Маршрут where ID = 12"));
    ASSERT_TRUE(s.ReloadRoutes());
    EXPECT_EQ(s.RouteRow(), 1);
}

}  // namespace

namespace {

using Bytes = std::vector<uint8_t>;

TEST(TravoCommands, PasswordChecksAndPayload)
{
    using R = TPasswordCheck::TResult;
    const struct {
        const char *master, *new1, *new2;
        R result;
        std::array<bool, 3> faulty;
        Bytes payload;
    } cases[] = {
        // Leading zeros make the same number; both passwords go most significant byte first.
        {"123456", "012345", "12345", R::Ok, {}, {3, 0x00, 0x01, 0xE2, 0x40, 0x00, 0x00, 0x30, 0x39}},
        {"999999", "1", "000001", R::Ok, {}, {3, 0x00, 0x0F, 0x42, 0x3F, 0, 0, 0, 1}},
        {"123456", "000000", "000000", R::Invalid, {false, true, true}, {}},
        {"0", "5", "0", R::Invalid, {true, false, true}, {}},
        {"", "5", "5", R::Empty, {true, false, false}, {}},
        {"123456", "111111", "111112", R::Differ, {}, {}},
    };
    for (const auto& c : cases) {
        const TPasswordCheck r =
            CheckPasswords(QString::fromLatin1(c.master), QString::fromLatin1(c.new1), QString::fromLatin1(c.new2));
        EXPECT_EQ(r.Result, c.result) << c.master << "/" << c.new1 << "/" << c.new2;
        EXPECT_EQ(r.Faulty, c.faulty) << c.master << "/" << c.new1;
        EXPECT_EQ(r.Payload, c.payload) << c.master << "/" << c.new1;
    }
}

TEST(TravoCommands, ActuatorAndDrivePayloads)
{
    EXPECT_EQ(ActuatorPayload(ActuatorMask({true, true, true, true, true, true, true}), true), (Bytes{1, 0xFE, 1}));
    EXPECT_EQ(ActuatorPayload(ActuatorMask({}), true), (Bytes{1, 0x00, 1}));
    EXPECT_EQ(ActuatorPayload(0xFF, false), (Bytes{1, 0xFF, 0}));
    EXPECT_EQ(ActuatorMask({true, false, false, false, false, false, false}), 0x02);  // left forcing
    EXPECT_EQ(ActuatorMask({false, false, false, false, false, false, true}), 0x80);  // sound
    EXPECT_EQ(DrivePayload({true, false, false, true}), (Bytes{4, 0x09}));            // STF and RL
}

}  // namespace
