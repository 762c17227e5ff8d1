#include "routes/cardpacker.h"

#include <vector>

#include "base/messages.h"
#include "data/dataset.h"
#include "routes/coords.h"

using namespace RouteLayout;

QString TCardPackResult::Message(uint16_t maxRoutes) const
{
    switch (Status) {
    case TStatus::Ok: return {};
    case TStatus::TooManyRoutes: return Msg::TooManyRoutes.arg(maxRoutes);
    case TStatus::TooManyTurns: return Msg::TooManyTurns.arg(MaxTurns);
    case TStatus::DatabaseError: return Error;
    }
    return {};
}

namespace {

struct TRouteRow {
    qint64 Id;
    QString Name[3];
    int TurnCount;
};

TCardPackResult failed(TCardPackResult::TStatus status, TPageList& pages, const QString& error = {})
{
    pages.Clear();
    TCardPackResult r;
    r.Status = status;
    r.Error = error;
    return r;
}

}  // namespace

TCardPackResult PackCard(TDatabase& db, qint64 cardId, TRouteImage& image, TPageList& pages)
{
    using TStatus = TCardPackResult::TStatus;
    const int maxRoutes = image.MaxRoutes();
    image.Fill(0xFF);
    pages.Clear();
    pages.AddRouteTablePages(maxRoutes);

    // All limits are checked before a single record goes into the image.
    std::vector<TRouteRow> routes;
    QString error;
    const bool listed =
        ForEachRow(db,
                   QStringLiteral("select ID, Name1, Name2, Name3, "
                                  "(select count(*) from Поворот where ID_Route = Маршрут.ID) as TurnCount "
                                  "from Маршрут where ID_Card = ? order by Num, ID"),
                   {cardId}, error, [&](const TQuery& q) {
                       routes.push_back({q.Value(QStringLiteral("ID")).toLongLong(),
                                         {q.AsString(QStringLiteral("Name1")), q.AsString(QStringLiteral("Name2")),
                                          q.AsString(QStringLiteral("Name3"))},
                                         q.AsInteger(QStringLiteral("TurnCount"))});
                   });
    if (!listed)
        return failed(TStatus::DatabaseError, pages, error);
    if (routes.size() > size_t(maxRoutes))
        return failed(TStatus::TooManyRoutes, pages);
    for (const auto& route : routes)
        if (route.TurnCount > MaxTurns)
            return failed(TStatus::TooManyTurns, pages);

    TCardPackResult result;
    for (size_t i = 0; i < routes.size(); ++i) {
        const int slot = int(i) + 1;
        const TRouteRow& route = routes[i];
        int turn = 0;
        // The unit drives the turns in the order the turn grid lists them, which the user sets.
        const bool read = ForEachRow(db,
                                     QStringLiteral("select BegLat, EndLat, BegLong, EndLong, Turn from Поворот "
                                                    "where ID_Route = ? order by Num, ID"),
                                     {route.Id}, error, [&](const TQuery& q) {
                                         // The count came from another statement; never write past the route's area.
                                         if (++turn > MaxTurns)
                                             return;
                                         TTurnRecord t;
                                         t.BegLat = CoordFromText(q.AsString(QStringLiteral("BegLat")));
                                         t.EndLat = CoordFromText(q.AsString(QStringLiteral("EndLat")));
                                         t.BegLong = CoordFromText(q.AsString(QStringLiteral("BegLong")));
                                         t.EndLong = CoordFromText(q.AsString(QStringLiteral("EndLong")));
                                         t.Type = TTurnRecord::TypeByteFromText(q.AsString(QStringLiteral("Turn")));
                                         image.WriteTurn(slot, turn, t);
                                     });
        if (!read)
            return failed(TStatus::DatabaseError, pages, error);
        if (turn > MaxTurns)
            return failed(TStatus::TooManyTurns, pages);
        if (turn > 0)
            pages.AddRouteTurnPages(maxRoutes, slot);

        TRouteRecord rec;
        for (int line = 0; line < 3; ++line)
            rec.SetName(line + 1, route.Name[line]);
        rec.Number = uint16_t(slot);
        // What was actually written, should the table have changed since it was counted.
        rec.TurnCount = uint16_t(turn);
        image.WriteRoute(slot, rec);
        result.Turns += turn;
    }
    result.Routes = int(routes.size());
    return result;
}
