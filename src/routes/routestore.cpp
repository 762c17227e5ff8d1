#include "routes/routestore.h"

#include <QStringList>
#include <QVariant>

#include "base/messages.h"
#include "data/database.h"
#include "data/dataset.h"
#include "data/schema.h"
#include "routes/coords.h"

using TStatus = TRouteOpResult::TStatus;

QString PluralForm(int n, const QString& one, const QString& few, const QString& many)
{
    const int n10 = std::abs(n) % 10;
    const int n100 = std::abs(n) % 100;
    if (n10 == 1 && n100 != 11)
        return one;
    if (n10 >= 2 && n10 <= 4 && (n100 < 12 || n100 > 14))
        return few;
    return many;
}

QString DeleteQuestion(int routes, int turns)
{
    QStringList parts;
    if (routes > 0)
        parts << QString::number(routes) + u' ' + PluralForm(routes, Msg::RouteOne, Msg::RouteFew, Msg::RouteMany);
    if (turns > 0)
        parts << QString::number(turns) + u' ' + PluralForm(turns, Msg::TurnOne, Msg::TurnFew, Msg::TurnMany);
    if (parts.isEmpty())
        return Msg::AskDeleteRecord;
    return Msg::AskDeleteRecord + QStringLiteral("\r\n") + Msg::DeleteGoesWith.arg(parts.join(QStringLiteral(", ")));
}

QString TRouteOpResult::Message(int maxRoutes) const
{
    switch (Status) {
    case TStatus::TooManyRoutes: return Msg::TooManyRoutes.arg(maxRoutes);
    case TStatus::TooManyTurns: return Msg::TooManyTurns.arg(RouteLayout::MaxTurns);
    case TStatus::DatabaseError: return Error;
    case TStatus::Ok:
    case TStatus::Nothing: break;
    }
    return {};
}

namespace {

TRouteOpResult status(TStatus s, qint64 id = 0)
{
    TRouteOpResult r;
    r.Status = s;
    r.Id = id;
    return r;
}

QVariantList names(const TRouteNames& n)
{
    return {n.Line1.left(RouteFields::RouteName), n.Line2.left(RouteFields::RouteName),
            n.Line3.left(RouteFields::RouteName)};
}

// B and E have no end of their own: the unit takes the begin point for both.
TTurnFields stored(TTurnFields t)
{
    if (t.Turn == u"B" || t.Turn == u"E") {
        t.EndLat = t.BegLat;
        t.EndLong = t.BegLong;
    }
    for (QString* s : {&t.BegLat, &t.BegLong, &t.EndLat, &t.EndLong})
        *s = s->left(RouteFields::Coordinate);
    return t;
}

}  // namespace

TRouteOpResult TRouteStore::Failed() const
{
    TRouteOpResult r = status(TStatus::DatabaseError);
    r.Error = FDb.LastError();
    return r;
}

template <class Body>
TRouteOpResult TRouteStore::InTransaction(Body body)
{
    if (!FDb.BeginTrans())
        return Failed();
    TRouteOpResult r = body();
    if (r.Ok() && FDb.CommitTrans())
        return r;
    if (r.Ok())
        r = Failed();
    const QString error = FDb.LastError();
    FDb.RollbackTrans();
    FDb.SetLastError(error);
    return r;
}

int TRouteStore::MaxNum(const QString& table) const
{
    return FDb.Scalar(QStringLiteral("select MAX(Num) as RESULT from ") + table).toInt();
}

int TRouteStore::RouteCount(qint64 cardId) const
{
    return FDb.Scalar(QStringLiteral("select count(*) from Маршрут where ID_Card = ?"), {cardId}).toInt();
}

int TRouteStore::TurnCount(qint64 routeId) const
{
    return FDb.Scalar(QStringLiteral("select count(*) from Поворот where ID_Route = ?"), {routeId}).toInt();
}

TRouteStore::TCardLoad TRouteStore::CardLoad(qint64 cardId) const
{
    // The card and every card below it; union (not union all) ends a loop of parents.
    const QString tree = QStringLiteral(
        "with recursive Sub(ID) as (select ? union select C.ID from КартаПамяти as C join Sub on C.ID_Dir = Sub.ID) ");
    TCardLoad load;
    load.Routes =
        FDb.Scalar(tree + QStringLiteral("select count(*) from Маршрут where ID_Card in (select ID from Sub)"),
                   {cardId})
            .toInt();
    load.Turns = FDb.Scalar(tree + QStringLiteral("select count(*) from Поворот where ID_Route in "
                                                  "(select ID from Маршрут where ID_Card in (select ID from Sub))"),
                            {cardId})
                     .toInt();
    return load;
}

// ---------------------------------------------------------------- cards

TRouteOpResult TRouteStore::AddCard(qint64 sibling, const QString& name)
{
    return InTransaction([&] {
        // A first card goes to the top of the tree, where the tree starts (-1).
        const QVariant parent = FDb.Scalar(QStringLiteral("select ID_Dir from КартаПамяти where ID = ?"), {sibling});
        const qint64 dir = parent.isNull() ? -1 : parent.toLongLong();
        if (!FDb.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (?, ?)"),
                      {dir, name.left(RouteFields::CardName)}))
            return Failed();
        return status(TStatus::Ok, FDb.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong());
    });
}

TRouteOpResult TRouteStore::RenameCard(qint64 cardId, const QString& name)
{
    return InTransaction([&] {
        if (!FDb.Exec(QStringLiteral("update КартаПамяти set Name = ? where ID = ?"),
                      {name.left(RouteFields::CardName), cardId}))
            return Failed();
        return status(TStatus::Ok, cardId);
    });
}

TRouteOpResult TRouteStore::DeleteCard(qint64 cardId)
{
    return InTransaction([&] {
        if (!FDb.Exec(QStringLiteral("delete from КартаПамяти where ID = ?"), {cardId}))
            return Failed();
        // Cards whose parent is gone go too, level by level, until none is left. Routes and
        // turns follow their card through the schema's cascades.
        const QString orphans = QStringLiteral(
            "select ID as RESULT from КартаПамяти as A where ((select count(*) from КартаПамяти as B "
            "where B.ID = A.ID_Dir) = 0) and (A.ID_Dir > 0)");
        TQuery query(FDb);
        for (;;) {
            query.SetSql(orphans);
            if (!query.Open()) {
                FDb.SetLastError(query.LastError());
                return Failed();
            }
            if (query.IsEmpty())
                break;
            QVariantList ids;
            for (query.First(); !query.Eof(); query.Next())
                ids << query.Value(QStringLiteral("RESULT"));
            for (const QVariant& id : ids)
                if (!FDb.Exec(QStringLiteral("delete from КартаПамяти where ID = ?"), {id}))
                    return Failed();
        }
        return status(TStatus::Ok, cardId);
    });
}

// ---------------------------------------------------------------- routes

TRouteOpResult TRouteStore::AddRoute(qint64 cardId, const TRouteNames& n, int maxRoutes)
{
    return InTransaction([&] {
        if (RouteCount(cardId) >= maxRoutes)
            return status(TStatus::TooManyRoutes);
        const int num =
            FDb.Scalar(QStringLiteral("select MAX(Num) as RESULT from Маршрут where ID_Card = ?"), {cardId}).toInt() +
            1;
        QVariantList params = names(n);
        params << num << cardId;
        if (!FDb.Exec(QStringLiteral("insert into Маршрут (Name1, Name2, Name3, Num, ID_Card) values (?, ?, ?, ?, ?)"),
                      params))
            return Failed();
        return status(TStatus::Ok, FDb.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong());
    });
}

TRouteOpResult TRouteStore::EditRoute(qint64 routeId, const TRouteNames& n)
{
    return InTransaction([&] {
        QVariantList params = names(n);
        params << routeId;
        if (!FDb.Exec(QStringLiteral("update Маршрут set Name1 = ?, Name2 = ?, Name3 = ? where ID = ?"), params))
            return Failed();
        return status(TStatus::Ok, routeId);
    });
}

TRouteOpResult TRouteStore::DeleteRoute(qint64 routeId)
{
    return InTransaction([&] {
        if (!FDb.Exec(QStringLiteral("delete from Маршрут where ID = ?"), {routeId}))
            return Failed();
        return status(TStatus::Ok, routeId);
    });
}

TRouteOpResult TRouteStore::Swap(const QString& table, const QString& owner, qint64 id, int direction)
{
    return InTransaction([&] {
        const QString rowSql = QStringLiteral("select %1 from ") + table + QStringLiteral(" where ID = ?");
        const QVariant ownerId = FDb.Scalar(rowSql.arg(owner), {id});
        if (ownerId.isNull())
            return status(TStatus::Nothing);
        const int num = FDb.Scalar(rowSql.arg(QStringLiteral("Num")), {id}).toInt();
        // The neighbour in the list the grid shows: same owner, ordered by Num then ID.
        const QString neighbourSql =
            direction > 0
                ? QStringLiteral(
                      "select ID from %1 where %2 = ? and (Num > ? or (Num = ? and ID > ?)) order by Num, ID limit 1")
                : QStringLiteral(
                      "select ID from %1 where %2 = ? and (Num < ? or (Num = ? and ID < ?)) order by Num desc, ID desc "
                      "limit 1");
        const QVariant other = FDb.Scalar(neighbourSql.arg(table, owner), {ownerId, num, num, id});
        if (other.isNull())
            return status(TStatus::Nothing);
        const int otherNum = FDb.Scalar(rowSql.arg(QStringLiteral("Num")), {other}).toInt();
        const QString set = QStringLiteral("update ") + table + QStringLiteral(" set Num = ? where ID = ?");
        // Equal numbers would swap to no effect: the moved row goes just past its neighbour.
        const int newNum = otherNum == num ? num + direction : otherNum;
        if (!FDb.Exec(set, {newNum, id}) || !FDb.Exec(set, {num, other}))
            return Failed();
        return status(TStatus::Ok, id);
    });
}

TRouteOpResult TRouteStore::MoveRoute(qint64 routeId, int direction)
{
    return Swap(DbTables::Route, QStringLiteral("ID_Card"), routeId, direction);
}

TRouteOpResult TRouteStore::MergeRoutes(const QList<qint64>& routeIds)
{
    if (routeIds.size() < 2)
        return status(TStatus::Nothing);
    return InTransaction([&] {
        int total = 0;
        for (qint64 id : routeIds)
            total += TurnCount(id);
        if (total > RouteLayout::MaxTurns)
            return status(TStatus::TooManyTurns);
        const qint64 first = routeIds.first();
        for (qsizetype i = 1; i < routeIds.size(); ++i) {
            if (routeIds[i] == first)
                continue;
            // The moved turns keep their Num, so the merged route lists them in that order.
            if (!FDb.Exec(QStringLiteral("update Поворот set ID_Route = ? where ID_Route = ?"), {first, routeIds[i]}) ||
                !FDb.Exec(QStringLiteral("delete from Маршрут where ID = ?"), {routeIds[i]}))
                return Failed();
        }
        return status(TStatus::Ok, first);
    });
}

TRouteOpResult TRouteStore::MoveRoutesToCard(const QList<qint64>& routeIds, qint64 cardId)
{
    if (routeIds.isEmpty())
        return status(TStatus::Nothing);
    return InTransaction([&] {
        for (qint64 id : routeIds)
            if (!FDb.Exec(QStringLiteral("update Маршрут set ID_Card = ? where ID = ?"), {cardId, id}))
                return Failed();
        return status(TStatus::Ok, routeIds.last());
    });
}

// ---------------------------------------------------------------- turns

TRouteOpResult TRouteStore::AddTurn(qint64 routeId, const TTurnFields& turn)
{
    return InTransaction([&] {
        if (TurnCount(routeId) >= RouteLayout::MaxTurns)
            return status(TStatus::TooManyTurns);
        const TTurnFields t = stored(turn);
        if (!FDb.Exec(QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
                                     "values (?, ?, ?, ?, ?, ?, ?)"),
                      {routeId, t.BegLat, t.BegLong, t.EndLat, t.EndLong, t.Turn, MaxNum(DbTables::Turn) + 1}))
            return Failed();
        return status(TStatus::Ok, FDb.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong());
    });
}

TRouteOpResult TRouteStore::EditTurn(qint64 turnId, const TTurnFields& turn)
{
    return InTransaction([&] {
        const TTurnFields t = stored(turn);
        if (!FDb.Exec(QStringLiteral(
                          "update Поворот set BegLat = ?, BegLong = ?, EndLat = ?, EndLong = ?, Turn = ? where ID = ?"),
                      {t.BegLat, t.BegLong, t.EndLat, t.EndLong, t.Turn, turnId}))
            return Failed();
        return status(TStatus::Ok, turnId);
    });
}

TRouteOpResult TRouteStore::DeleteTurn(qint64 turnId)
{
    return InTransaction([&] {
        if (!FDb.Exec(QStringLiteral("delete from Поворот where ID = ?"), {turnId}))
            return Failed();
        return status(TStatus::Ok, turnId);
    });
}

TRouteOpResult TRouteStore::MoveTurn(qint64 turnId, int direction)
{
    return Swap(DbTables::Turn, QStringLiteral("ID_Route"), turnId, direction);
}

// ---------------------------------------------------------------- coordinate check

bool CoordTextValid(const QString& text, TCoordKind kind)
{
    if (text.size() != Coord::TextLength)
        return false;
    auto digit = [&](int i) { return text[i] >= u'0' && text[i] <= u'9'; };
    const QChar head = text[0];
    const bool signOrBlank = head == u'+' || head == u'-' || head == u' ';
    if (!(signOrBlank || digit(0)))
        return false;
    if (kind == TCoordKind::BeginLatitude && !signOrBlank)
        return false;
    for (int i : {1, 2, 4, 5, 7, 8, 10})
        if (!digit(i))
            return false;
    if (text[3] != QChar(0x00B0) || text[6] != u'\'' || text[9] != u'.' || text[11] != u'"')
        return false;
    const int minutes = text.mid(4, 2).toInt();
    const int seconds = text.mid(7, 2).toInt();
    if (minutes > 59 || seconds > 59)
        return false;
    const int32_t value = std::abs(CoordFromText(text));
    const int32_t limit = (kind == TCoordKind::Longitude ? 180 : 90) * Coord::TenthsPerDegree;
    return value <= limit;
}
