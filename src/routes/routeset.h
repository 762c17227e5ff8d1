#pragma once
#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

#include "routes/routeimage.h"

class TDatabase;
class SpreadsheetReader;

// One valid route slot of the unit as the route-set window lists it.
struct TRouteSetRow {
    int Slot = 0;
    QString Name;  // the three lines joined by blanks
    int TurnCount = 0;
};
// The valid slotList of the image in slot order.
std::vector<TRouteSetRow> ListRouteSet(const TRouteImage& image);

// One turn of a slot as the turn window shows it.
struct TTurnSetRow {
    QString Begin;  // latitude, three blanks, longitude
    QString End;
    QString Type;  // the type byte as a one-character text
};
// The turns the route record of `slot` counts (nothing for an invalid slot).
std::vector<TTurnSetRow> ListTurnSet(const TRouteImage& image, int slot);

struct TSaveResult {
    bool Ok = false;
    int Routes = 0;
    int Turns = 0;
    QString Error;  // the engine's text when not Ok
};

// Replaces the routes of a card by the valid slotList of the image (each with all its turns), as
// one transaction: on any error everything is rolled back and the card keeps its old routes.
// Routes get Num above every route of the table, in slot order; turns Num above every turn.
// `slotList` limits the save to those slotList (empty: every valid one).
TSaveResult SaveRouteSet(TDatabase& db, qint64 cardId, const TRouteImage& image, const std::vector<int>& slotList = {});

// ---------------------------------------------------------------- spreadsheet import

struct TImportRow {
    QString BegLat, BegLong, EndLat, EndLong, Turn;
};

struct TImportRows {
    std::vector<TImportRow> Rows;
    bool LimitReached = false;  // the route would pass 2040 turns: the rest was left out
    QString Error;              // a sheet or a cell that refuses the import: nothing may be stored
    QStringList Notes;          // what the user should know: a header row skipped, a cap reached
};

// Rows of a sheet (columns A to E, trimmed) from row 1 until the first row whose A, C, D and E
// are all empty, at most `room` rows (the turns the route can still take). Loads the sheet first.
// Every coordinate must be empty, in the stored layout, or decimal degrees, which are converted
// to the layout; anything else is an Error naming the sheet, row, column and text. A first row
// without any coordinate is a header and is skipped. Touches no database, so it can run on a
// worker thread.
TImportRows ReadImportRows(SpreadsheetReader& reader, int sheet, int room);

struct TImportResult {
    bool Ok = false;
    int Imported = 0;
    QString Error;
    QStringList Notes;
};
// Appends the rows to a route as one transaction, Num following every turn of the table. Rows
// that carry an Error are refused before anything is stored.
TImportResult StoreImportedTurns(TDatabase& db, qint64 routeId, const TImportRows& rows);
