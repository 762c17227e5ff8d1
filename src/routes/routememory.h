#pragma once
#include <vector>

#include "memory/transferrun.h"
#include "routes/cardpacker.h"
#include "routes/pagelist.h"
#include "routes/routeimage.h"

class TDatabase;

// Reads page 0 of the unit into the image and evaluates its format marker: true for a formatted
// memory (the image's MaxRoutes then follows the marker), false for an unreadable page or an
// unknown marker. The caller keeps presence paused around it.
bool CheckRouteMemory(TTransferLink& link, TRouteImage& image);

// What a route operation needs to move pages: the link, the window's transfer setup (the image
// and page list are filled in by the operation) and the hooks that show boxes and the progress.
struct TRouteTransfer {
    TTransferLink& Link;
    TTransferSetup Setup;
    TTransferHooks Hooks;
};

struct TRouteMemResult {
    enum class TStatus {
        Ok,
        Declined,      // the user answered No
        NotFormatted,  // page 0 unreadable or no known marker: nothing moved
        Refused,       // the card does not fit the unit (or the database failed): nothing sent
        Failed,        // the transfer failed or was cancelled (its own message was shown)
        SaveFailed,    // the database refused the save: rolled back, nothing changed
    };
    TStatus Status = TStatus::Ok;
    TTransferReport Transfer;
    int FailPage = -1;  // the page the transfer failed at, when it failed at one
    QString Message;    // the last box the operation showed
    int Routes = 0;
    int Turns = 0;
    bool Ok() const { return Status == TStatus::Ok; }
};

// "Запись...": asks (when `confirm`), checks the format, packs the card and writes the route
// table pages and the turn pages of every route with turns.
TRouteMemResult WriteCardToUnit(TDatabase& db, qint64 cardId, TRouteTransfer& t, TRouteImage& image, TPageList& pages,
                                bool confirm = true);
// "Чтение": checks the format and reads the route table pages.
TRouteMemResult ReadRouteTable(TRouteTransfer& t, TRouteImage& image, TPageList& pages);
// Checks the format and reads the turn pages of the slotList.
TRouteMemResult ReadRouteTurns(TRouteTransfer& t, TRouteImage& image, TPageList& pages,
                               const std::vector<int>& slotList);
// "Сохранить в БД...": asks (when `confirm`), reads the turn pages of every valid slot of the
// image's route table and replaces the card's routes by them in one transaction.
TRouteMemResult SaveUnitRoutes(TDatabase& db, qint64 cardId, TRouteTransfer& t, TRouteImage& image, TPageList& pages,
                               bool confirm = true);
