#pragma once
#include <QString>

#include "routes/pagelist.h"
#include "routes/routeimage.h"

class TDatabase;

// What packing a card produced. On any failure the page list is left empty, so nothing of a
// half-built image can be written to the unit.
struct TCardPackResult {
    enum class TStatus {
        Ok,
        TooManyRoutes,  // the card has more routes than the unit's MaxRoutes
        TooManyTurns,   // a route has more than 2040 turns
        DatabaseError,  // a query failed; Error carries the engine's text
    };
    TStatus Status = TStatus::Ok;
    int Routes = 0;  // routes written into slots 1..Routes
    int Turns = 0;   // turn records written in all
    QString Error;

    bool Ok() const { return Status == TStatus::Ok; }
    // The warning the user sees for a refused card, or the engine's text.
    QString Message(uint16_t maxRoutes) const;
};

// Rebuilds the whole route image from the routes of one card and lists the pages to write:
// every route-record page (so slots above the card's routes are emptied in the unit), then
// the turn pages of each route that has turns, in slot order. Routes take slots and turns take
// their places in the order of their Num, as the route and turn grids list them. Names and type
// letters go in as CP1251; the image's MaxRoutes is the limit. Reads through bound queries.
TCardPackResult PackCard(TDatabase& db, qint64 cardId, TRouteImage& image, TPageList& pages);
