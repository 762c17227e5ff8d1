#pragma once
#include <vector>

#include <QString>

#include "routes/routestore.h"

class TDatabase;

struct TCardNode {
    qint64 Id = 0;
    qint64 Parent = -1;
    QString Name;
};

struct TRouteListRow {
    qint64 Id = 0;
    QString Name1, Name2, Name3;
    int Count = 0;
    // The grid's "Маршрут": the three lines joined by blanks, always both.
    QString Name() const { return Name1 + u' ' + Name2 + u' ' + Name3; }
};

struct TTurnListRow {
    qint64 Id = 0;
    int RecNo = 0;  // position in the route's list, from 1 (the map labels turns by it)
    TTurnFields Fields;
    QString Beg() const { return Fields.BegLat + QStringLiteral("   ") + Fields.BegLong; }
    QString End() const { return Fields.EndLat + QStringLiteral("   ") + Fields.EndLong; }
};

// Which buttons of the route tab are enabled.
struct TRouteButtons {
    bool RouteMoveUp = false;
    bool RouteMoveDown = false;
    bool TurnEdit = false;  // add, edit, delete turn and import: a route is current
    bool TurnMoveUp = false;
    bool TurnMoveDown = false;
};

// The route tab's lists and current rows: cards (a tree by parent), the routes of the current
// card, the turns of the current route. Widgets show these and forward the user's actions to
// TRouteStore; after a change they call Reload* with the row to make current.
class TRouteTabState {
public:
    explicit TRouteTabState(TDatabase& db) : FDb(db) {}

    // Cards sorted by name; the current card stays when it still exists, else the first one.
    bool ReloadCards(qint64 current = 0);
    const std::vector<TCardNode>& Cards() const { return FCards; }
    qint64 CardId() const { return FCard; }
    bool SelectCard(qint64 id);

    // Routes of the current card in list order; `current` becomes the current route (0: keep the
    // row number, or the last row when the list got shorter).
    bool ReloadRoutes(qint64 current = 0);
    const std::vector<TRouteListRow>& Routes() const { return FRoutes; }
    int RouteRow() const { return FRouteRow; }  // -1 for none
    const TRouteListRow* Route() const;
    void SelectRoute(int row);

    bool ReloadTurns(qint64 current = 0);
    const std::vector<TTurnListRow>& Turns() const { return FTurns; }
    int TurnRow() const { return FTurnRow; }
    const TTurnListRow* Turn() const;
    void SelectTurn(int row);

    TRouteButtons Buttons() const;
    QString LastError() const { return FError; }

private:
    TDatabase& FDb;
    std::vector<TCardNode> FCards;
    std::vector<TRouteListRow> FRoutes;
    std::vector<TTurnListRow> FTurns;
    qint64 FCard = 0;
    int FRouteRow = -1;
    int FTurnRow = -1;
    QString FError;
};
