#include "routes/cardpacker.h"

#include <vector>

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "base/messages.h"
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

TCardPackResult PackCard(const QSqlDatabase& db, qint64 cardId, TRouteImage& image, TPageList& pages)
{
    using TStatus = TCardPackResult::TStatus;
    const int maxRoutes = image.MaxRoutes();
    image.Fill(0xFF);
    pages.Clear();
    pages.AddRouteTablePages(maxRoutes);

    // All limits are checked before a single record goes into the image.
    std::vector<TRouteRow> routes;
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("select ID, Name1, Name2, Name3, "
                                 "(select count(*) from Поворот where ID_Route = Маршрут.ID) "
                                 "from Маршрут where ID_Card = ? order by Num, ID"));
        q.addBindValue(cardId);
        if (!q.exec())
            return failed(TStatus::DatabaseError, pages, q.lastError().text());
        while (q.next())
            routes.push_back({q.value(0).toLongLong(),
                              {q.value(1).toString(), q.value(2).toString(), q.value(3).toString()},
                              q.value(4).toInt()});
        if (q.lastError().isValid())
            return failed(TStatus::DatabaseError, pages, q.lastError().text());
    }
    if (routes.size() > size_t(maxRoutes))
        return failed(TStatus::TooManyRoutes, pages);
    for (const auto& route : routes)
        if (route.TurnCount > MaxTurns)
            return failed(TStatus::TooManyTurns, pages);

    TCardPackResult result;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("select BegLat, EndLat, BegLong, EndLong, Turn "
                                  "from Поворот where ID_Route = ? order by ID")))
        return failed(TStatus::DatabaseError, pages, q.lastError().text());
    for (size_t i = 0; i < routes.size(); ++i) {
        const int slot = int(i) + 1;
        const TRouteRow& route = routes[i];
        q.bindValue(0, route.Id);
        if (!q.exec())
            return failed(TStatus::DatabaseError, pages, q.lastError().text());
        int turn = 0;
        while (q.next()) {
            // The count came from another statement; never write past the route's area.
            if (++turn > MaxTurns)
                return failed(TStatus::TooManyTurns, pages);
            TTurnRecord t;
            t.BegLat = CoordFromText(q.value(0).toString());
            t.EndLat = CoordFromText(q.value(1).toString());
            t.BegLong = CoordFromText(q.value(2).toString());
            t.EndLong = CoordFromText(q.value(3).toString());
            t.Type = TTurnRecord::TypeByteFromText(q.value(4).toString());
            image.WriteTurn(slot, turn, t);
        }
        if (q.lastError().isValid())
            return failed(TStatus::DatabaseError, pages, q.lastError().text());
        q.finish();
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
