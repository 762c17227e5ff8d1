#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class TDatabase;

// Routes for the GPS tools people check them with: GPX 1.1 or KML 2.2.
enum class TExportFormat { Gpx, Kml };

// "gpx" or "kml" (any case); nothing for another word.
std::optional<TExportFormat> ExportFormatByName(const QString& name);
// By the file's suffix (".gpx", ".kml"); nothing for another one.
std::optional<TExportFormat> ExportFormatOfFile(const QString& path);
QString ExportSuffix(TExportFormat format);

// One point of a route: a turn's begin or end, in tenths of an arc-second as the unit keeps them.
struct TExportPoint {
    QString Name;         // "12: ЛЕВЫЙ поворот": the turn's row in its route and its type
    QString Description;  // "Начало поворота" or "Конец поворота"
    int32_t Lat = 0;
    int32_t Long = 0;
};

struct TExportRoute {
    QString Name;  // the route's name lines, the empty ones left out
    std::vector<TExportPoint> Points;
};

// Decimal degrees with 7 decimals, worked out in integers from the tenths of an arc-second (no
// binary fraction, no locale in between): rounded half away from zero, "." always.
QString DegreesText(int32_t tenths);

// The routes in the order given, each through its turns in list order: a begin and an end point per
// turn, the begin only for a route's start and end (they store end = begin). A coordinate text that
// is not the stored layout leaves its point out, with a note naming route, turn and text.
bool LoadExportRoutes(TDatabase& db, const QList<qint64>& routeIds, std::vector<TExportRoute>& routes,
                      QStringList& notes, QString& why);

QByteArray RoutesToGpx(const std::vector<TExportRoute>& routes);
QByteArray RoutesToKml(const std::vector<TExportRoute>& routes);

struct TRouteExportResult {
    bool Ok = false;
    int Routes = 0;
    int Points = 0;
    QStringList Notes;  // points left out
    QString Error;      // why nothing was written
};

// Loads the routes and replaces the file with them at once (the old file stays on any failure).
// The database's own file is refused.
TRouteExportResult ExportRoutes(TDatabase& db, const QList<qint64>& routeIds, TExportFormat format,
                                const QString& path);
