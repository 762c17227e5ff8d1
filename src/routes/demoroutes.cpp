#include "routes/demoroutes.h"

#include <QVariant>

#include "data/database.h"
#include "routes/coords.h"

namespace {

struct TDemoRoute {
    const char* Line1;
    const char* Line2;
    const char* Line3;
    int Turns;
    int32_t Lat;  // start point, tenths of an arc-second
    int32_t Long;
};

}  // namespace

bool FillDemoRoutes(TDatabase& db, QString* error)
{
    auto fail = [&] {
        if (error)
            *error = db.LastError();
        db.RollbackTrans();
        return false;
    };
    if (db.Scalar(QStringLiteral("select count(*) from КартаПамяти")).toInt() > 0)
        return true;
    if (!db.BeginTrans())
        return fail();
    auto lastId = [&] { return db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong(); };
    auto addCard = [&](qint64 parent, const QString& name) {
        return db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (?, ?)"), {parent, name})
                   ? lastId()
                   : -1;
    };
    const qint64 north = addCard(-1, QStringLiteral("Депо Северное"));
    const qint64 line1 = north < 0 ? -1 : addCard(north, QStringLiteral("Линия 1"));
    const qint64 south = line1 < 0 ? -1 : addCard(-1, QStringLiteral("Депо Южное"));
    if (south < 0)
        return fail();

    const int32_t deg = Coord::TenthsPerDegree;
    const TDemoRoute northRoutes[] = {
        {"Вокзал", "- Кольцевая", "через центр", 12, 55 * deg + 45 * 600, 37 * deg + 37 * 600},
        {"Парк", "- Депо", "", 8, 55 * deg + 48 * 600, 37 * deg + 30 * 600},
        {"Рынок 'Центр'", "- Мост", "ночной", 0, 55 * deg + 44 * 600, 37 * deg + 40 * 600},
    };
    const TDemoRoute lineRoutes[] = {
        {"Линия 1", "прямой", "", 6, 55 * deg + 40 * 600, 37 * deg + 50 * 600},
        {"Линия 1", "обратный", "", 6, 55 * deg + 41 * 600, 37 * deg + 55 * 600},
    };
    const TDemoRoute southRoutes[] = {
        {"Южный порт", "- Завод", "", 10, 55 * deg + 42 * 600, 37 * deg + 41 * 600},
    };
    int routeNum = db.Scalar(QStringLiteral("select MAX(Num) from Маршрут")).toInt();
    int turnNum = db.Scalar(QStringLiteral("select MAX(Num) from Поворот")).toInt();
    auto addRoutes = [&](qint64 card, const TDemoRoute* routes, int n) {
        for (int i = 0; i < n; ++i) {
            const TDemoRoute& r = routes[i];
            if (!db.Exec(
                    QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, ?, ?, ?)"),
                    {card, QString::fromUtf8(r.Line1), QString::fromUtf8(r.Line2), QString::fromUtf8(r.Line3),
                     ++routeNum}))
                return false;
            const qint64 route = lastId();
            for (int k = 0; k < r.Turns; ++k) {
                // A zig-zag north-east: begin, left and right turns, end.
                const int32_t lat = r.Lat + k * 95 + (k % 2) * 40;
                const int32_t lon = r.Long + k * 130;
                const char* type = k == 0 ? "B" : k == r.Turns - 1 ? "E" : (k % 3 == 1 ? "L" : "R");
                const bool point = k == 0 || k == r.Turns - 1;
                const QString begLat = CoordToText(lat), begLong = CoordToText(lon);
                const QString endLat = point ? begLat : CoordToText(lat + 25);
                const QString endLong = point ? begLong : CoordToText(lon + 35);
                if (!db.Exec(
                        QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
                                       "values (?, ?, ?, ?, ?, ?, ?)"),
                        {route, begLat, begLong, endLat, endLong, QString::fromLatin1(type), ++turnNum}))
                    return false;
            }
        }
        return true;
    };
    if (!addRoutes(north, northRoutes, 3) || !addRoutes(line1, lineRoutes, 2) || !addRoutes(south, southRoutes, 1))
        return fail();
    if (!db.CommitTrans())
        return fail();
    return true;
}
