#pragma once
#include <QList>
#include <QString>

#include "routes/routerecords.h"

class TDatabase;

// "маршрут", "маршрута", "маршрутов" by the number in front of it.
QString PluralForm(int n, const QString& one, const QString& few, const QString& many);

// "Удалить запись?", with a second line naming the routes and turns that go with the record
// (none when it holds neither).
QString DeleteQuestion(int routes, int turns);

// Field lengths the program enforces (the file does not).
namespace RouteFields {
inline constexpr int CardName = 50;
inline constexpr int RouteName = 16;
inline constexpr int Coordinate = 12;
}  // namespace RouteFields

struct TRouteNames {
    QString Line1, Line2, Line3;
};

struct TTurnFields {
    QString BegLat, BegLong, EndLat, EndLong;
    QString Turn = QStringLiteral("L");
};

// How a route operation ended. Nothing is changed unless it is Ok.
struct TRouteOpResult {
    enum class TStatus {
        Ok,
        TooManyRoutes,  // the card already holds MaxRoutes routes
        TooManyTurns,   // the route (or the merged route) would exceed 2040 turns
        Nothing,        // nothing to do (no such row, no neighbour to swap with)
        DatabaseError,  // Error carries the engine's text; the transaction was rolled back
    };
    TStatus Status = TStatus::Ok;
    qint64 Id = 0;  // the new or surviving row
    QString Error;

    bool Ok() const { return Status == TStatus::Ok; }
    // The warning the user sees (limits), or the engine's text.
    QString Message(int maxRoutes) const;
};

// Cards, routes and turns in the program's database. Every value a user typed is bound, never
// pasted into SQL; every operation that changes several rows is one transaction, rolled back
// whole on any error. Main thread only, like the connection.
class TRouteStore {
public:
    explicit TRouteStore(TDatabase& db) : FDb(db) {}

    int RouteCount(qint64 cardId) const;
    int TurnCount(qint64 routeId) const;
    // Routes and turns that go with a card when it is deleted: its own and its sub-cards'.
    struct TCardLoad {
        int Routes = 0;
        int Turns = 0;
    };
    TCardLoad CardLoad(qint64 cardId) const;

    // Cards. A new card is a sibling of `sibling` (top level when there is none).
    TRouteOpResult AddCard(qint64 sibling, const QString& name);
    TRouteOpResult RenameCard(qint64 cardId, const QString& name);
    // The card, every card below it, and with them their routes and turns.
    TRouteOpResult DeleteCard(qint64 cardId);

    // Routes. A new route goes to the end of its card.
    TRouteOpResult AddRoute(qint64 cardId, const TRouteNames& names, int maxRoutes);
    TRouteOpResult EditRoute(qint64 routeId, const TRouteNames& names);
    TRouteOpResult DeleteRoute(qint64 routeId);
    // Swaps the route with its neighbour in its card's list (direction -1 up, +1 down).
    TRouteOpResult MoveRoute(qint64 routeId, int direction);
    // The first route of `routeIds` takes the turns of the others, which disappear.
    TRouteOpResult MergeRoutes(const QList<qint64>& routeIds);
    TRouteOpResult MoveRoutesToCard(const QList<qint64>& routeIds, qint64 cardId);

    // Turns. A new turn follows every turn of the table. Types B and E store end = begin.
    TRouteOpResult AddTurn(qint64 routeId, const TTurnFields& turn);
    TRouteOpResult EditTurn(qint64 turnId, const TTurnFields& turn);
    TRouteOpResult DeleteTurn(qint64 turnId);
    // Swaps the turn with its neighbour in its route's list (direction -1 up, +1 down).
    TRouteOpResult MoveTurn(qint64 turnId, int direction);

    // Largest Num of a table (0 for an empty one).
    int MaxNum(const QString& table) const;

private:
    TRouteOpResult Failed() const;
    // Runs `body` between begin and commit; rolls back on false or a failed commit.
    template <class Body>
    TRouteOpResult InTransaction(Body body);
    TRouteOpResult Swap(const QString& table, const QString& owner, qint64 id, int direction);

    TDatabase& FDb;
};

// The edit dialog's check of a coordinate text: the 12-character layout (sign, digit or blank;
// two-digit degrees; "°"; minutes; "'"; seconds; "."; tenths; '"'), minutes and seconds below 60,
// a latitude within 90 degrees and a longitude within 180. A begin latitude must start with a
// blank or a sign.
enum class TCoordKind { BeginLatitude, Latitude, Longitude };
bool CoordTextValid(const QString& text, TCoordKind kind);
