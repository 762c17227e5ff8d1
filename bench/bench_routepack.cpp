// Packing a full card (96 routes of 2040 turns) from an SQLite file into the route image.
#include <chrono>
#include <cstdio>

#include <QSqlQuery>
#include <QTemporaryDir>

#include "data/database.h"
#include "routes/cardpacker.h"

namespace {

QString coordText(int value)
{
    // Plain ASCII layout with the degree sign; the packer reads it like any stored text.
    return QStringLiteral("+%1°%2'%3.%4\"")
        .arg(value / 36000 % 90, 2, 10, QLatin1Char('0'))
        .arg(value / 600 % 60, 2, 10, QLatin1Char('0'))
        .arg(value / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(value % 10);
}

bool fillCard(TDatabase& db, qint64& card, int routes, int turns)
{
    if (!db.BeginTrans())
        return false;
    db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, ?)"), {QStringLiteral("Полная")});
    card = db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
    QSqlQuery route(db.Connection());
    route.prepare(QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, ?, ?, ?)"));
    QSqlQuery turn(db.Connection());
    turn.prepare(
        QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
                       "values (?, ?, ?, ?, ?, ?, ?)"));
    static const QString types[] = {QStringLiteral("L"), QStringLiteral("R"), QStringLiteral("B"), QStringLiteral("E")};
    int num = 0;
    for (int r = 1; r <= routes; ++r) {
        route.addBindValue(card);
        route.addBindValue(QStringLiteral("Маршрут %1").arg(r));
        route.addBindValue(QStringLiteral("д'Артаньян"));
        route.addBindValue(QStringLiteral("вариант %1").arg(r));
        route.addBindValue(routes - r + 1);
        if (!route.exec())
            return false;
        const qint64 routeId = route.lastInsertId().toLongLong();
        for (int k = 1; k <= turns; ++k) {
            const int v = 2000000 + r * 5000 + k * 7;
            turn.addBindValue(routeId);
            turn.addBindValue(coordText(v));
            turn.addBindValue(coordText(v + 1331000));
            turn.addBindValue(coordText(v + 3));
            turn.addBindValue(coordText(v + 1331003));
            turn.addBindValue(types[k % 4]);
            turn.addBindValue(++num);
            if (!turn.exec())
                return false;
        }
    }
    return db.CommitTrans();
}

}  // namespace

int main()
{
    const int routes = 96;
    const int turns = 2040;
    QTemporaryDir dir;
    TDatabase db;
    if (!dir.isValid() || !db.Open(dir.filePath(QStringLiteral("bench.db")), TDatabase::OpenMode::CreateIfMissing)) {
        std::printf("routepack: cannot create the database: %s\n", qPrintable(db.LastError()));
        return 1;
    }
    qint64 card = 0;
    const auto f0 = std::chrono::steady_clock::now();
    if (!fillCard(db, card, routes, turns)) {
        std::printf("routepack: cannot fill the database\n");
        return 1;
    }
    const double fill = std::chrono::duration<double>(std::chrono::steady_clock::now() - f0).count();
    std::printf("routepack: database of %d routes x %d turns built in %.2f s\n", routes, turns, fill);

    TRouteImage image;
    TPageList pages;
    const int rounds = 5;
    double best = 1e9, total = 0;
    TCardPackResult result;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        result = PackCard(db, card, image, pages);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        best = std::min(best, s);
        total += s;
        if (!result.Ok()) {
            std::printf("routepack: packing failed: %s\n", qPrintable(result.Message(image.MaxRoutes())));
            return 1;
        }
    }
    std::printf("routepack: packed %d routes, %d turns, %d pages to write\n", result.Routes, result.Turns,
                pages.Count());
    std::printf("routepack: %.3f s best, %.3f s mean of %d runs (target under 1 s)\n", best, total / rounds, rounds);
    return 0;
}
