#include "routes/routetab.h"

#include "data/database.h"
#include "data/dataset.h"

namespace {

int clampRow(int row, size_t count)
{
    if (count == 0)
        return -1;
    return std::clamp(row, 0, int(count) - 1);
}

}  // namespace

bool TRouteTabState::ReloadCards(qint64 current)
{
    std::vector<TCardNode> cards;
    const bool ok = ForEachRow(
        FDb, QStringLiteral("select ID, ID_Dir, Name from КартаПамяти order by Name, ID"), {}, FError,
        [&](const TQuery& q) {
            cards.push_back({q.Value(QStringLiteral("ID")).toLongLong(), q.Value(QStringLiteral("ID_Dir")).toLongLong(),
                             q.AsString(QStringLiteral("Name"))});
        });
    if (!ok)
        return false;
    FCards = std::move(cards);
    const qint64 wanted = current ? current : FCard;
    const auto found = std::find_if(FCards.begin(), FCards.end(), [&](const TCardNode& c) { return c.Id == wanted; });
    FCard = found != FCards.end() ? wanted : (FCards.empty() ? 0 : FCards.front().Id);
    return ReloadRoutes();
}

bool TRouteTabState::SelectCard(qint64 id)
{
    if (id == FCard)
        return true;
    FCard = id;
    FRouteRow = -1;
    return ReloadRoutes();
}

bool TRouteTabState::ReloadRoutes(qint64 current)
{
    std::vector<TRouteListRow> routes;
    const bool ok = ForEachRow(
        FDb,
        QStringLiteral("select Маршрут.ID, Name1, Name2, Name3, (select COUNT(*) from Поворот where "
                       "ID_Route = Маршрут.ID) as [Count] from Маршрут where (ID_Card = ?) order by Num, ID"),
        {FCard}, FError, [&](const TQuery& q) {
            routes.push_back({q.Value(QStringLiteral("ID")).toLongLong(), q.AsString(QStringLiteral("Name1")),
                              q.AsString(QStringLiteral("Name2")), q.AsString(QStringLiteral("Name3")),
                              q.AsInteger(QStringLiteral("Count"))});
        });
    if (!ok)
        return false;
    const qint64 keepTurn = Turn() && current == 0 ? Turn()->Id : 0;
    FRoutes = std::move(routes);
    int row = FRouteRow < 0 ? 0 : FRouteRow;
    if (current) {
        for (size_t i = 0; i < FRoutes.size(); ++i)
            if (FRoutes[i].Id == current)
                row = int(i);
    }
    FRouteRow = clampRow(row, FRoutes.size());
    return ReloadTurns(keepTurn);
}

const TRouteListRow* TRouteTabState::Route() const
{
    return FRouteRow >= 0 ? &FRoutes[size_t(FRouteRow)] : nullptr;
}

void TRouteTabState::SelectRoute(int row)
{
    row = clampRow(row, FRoutes.size());
    if (row == FRouteRow)
        return;
    FRouteRow = row;
    FTurnRow = -1;
    ReloadTurns();
}

bool TRouteTabState::ReloadTurns(qint64 current)
{
    std::vector<TTurnListRow> turns;
    if (const TRouteListRow* route = Route()) {
        const bool ok =
            ForEachRow(FDb,
                       QStringLiteral("select ID, BegLat, BegLong, EndLat, EndLong, Turn from Поворот "
                                      "where ID_Route = ? order by Num, ID"),
                       {route->Id}, FError, [&](const TQuery& q) {
                           TTurnListRow t;
                           t.Id = q.Value(QStringLiteral("ID")).toLongLong();
                           t.RecNo = int(turns.size()) + 1;
                           t.Fields = {q.AsString(QStringLiteral("BegLat")), q.AsString(QStringLiteral("BegLong")),
                                       q.AsString(QStringLiteral("EndLat")), q.AsString(QStringLiteral("EndLong")),
                                       q.AsString(QStringLiteral("Turn"))};
                           turns.push_back(std::move(t));
                       });
        if (!ok)
            return false;
    }
    FTurns = std::move(turns);
    int row = FTurnRow < 0 ? 0 : FTurnRow;
    if (current) {
        for (size_t i = 0; i < FTurns.size(); ++i)
            if (FTurns[i].Id == current)
                row = int(i);
    }
    FTurnRow = clampRow(row, FTurns.size());
    return true;
}

const TTurnListRow* TRouteTabState::Turn() const
{
    return FTurnRow >= 0 ? &FTurns[size_t(FTurnRow)] : nullptr;
}

void TRouteTabState::SelectTurn(int row)
{
    FTurnRow = clampRow(row, FTurns.size());
}

TRouteButtons TRouteTabState::Buttons() const
{
    TRouteButtons b;
    b.RouteMoveUp = FRouteRow > 0;
    b.RouteMoveDown = FRouteRow >= 0 && FRouteRow < int(FRoutes.size()) - 1;
    b.TurnEdit = Route() != nullptr;
    b.TurnMoveUp = b.TurnEdit && FTurnRow > 0;
    b.TurnMoveDown = b.TurnEdit && FTurnRow >= 0 && FTurnRow < int(FTurns.size()) - 1;
    return b;
}
