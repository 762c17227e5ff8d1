#include "routes/routeexport.h"

#include <QFileInfo>
#include <QXmlStreamWriter>

#include "base/fileio.h"
#include "base/messages.h"
#include "data/database.h"
#include "data/datamodule.h"
#include "data/dataset.h"
#include "routes/coords.h"
#include "routes/routestore.h"

namespace {

struct TBounds {
    int32_t MinLat = 0, MinLong = 0, MaxLat = 0, MaxLong = 0;
    bool Empty = true;
    void Add(const TExportPoint& p)
    {
        if (Empty) {
            MinLat = MaxLat = p.Lat;
            MinLong = MaxLong = p.Long;
            Empty = false;
            return;
        }
        MinLat = std::min(MinLat, p.Lat);
        MaxLat = std::max(MaxLat, p.Lat);
        MinLong = std::min(MinLong, p.Long);
        MaxLong = std::max(MaxLong, p.Long);
    }
};

QString routeName(const QString& line1, const QString& line2, const QString& line3)
{
    QStringList parts;
    for (const QString& line : {line1, line2, line3})
        if (!line.trimmed().isEmpty())
            parts << line.trimmed();
    return parts.join(u' ');
}

void startDocument(QXmlStreamWriter& w)
{
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeStartDocument();
}

}  // namespace

std::optional<TExportFormat> ExportFormatByName(const QString& name)
{
    if (name.compare(QLatin1String("gpx"), Qt::CaseInsensitive) == 0)
        return TExportFormat::Gpx;
    if (name.compare(QLatin1String("kml"), Qt::CaseInsensitive) == 0)
        return TExportFormat::Kml;
    return std::nullopt;
}

std::optional<TExportFormat> ExportFormatOfFile(const QString& path)
{
    return ExportFormatByName(QFileInfo(path).suffix());
}

QString ExportSuffix(TExportFormat format)
{
    return format == TExportFormat::Gpx ? QStringLiteral("gpx") : QStringLiteral("kml");
}

QString DegreesText(int32_t tenths)
{
    // tenths / 36000 degrees = tenths × 2500 / 9 in units of 1e-7 degree.
    const int64_t magnitude = tenths < 0 ? -int64_t(tenths) : int64_t(tenths);
    const int64_t scaled = magnitude * 2500;
    const int64_t units = scaled / 9 + (scaled % 9 >= 5 ? 1 : 0);
    return QStringLiteral("%1%2.%3")
        .arg(tenths < 0 && units != 0 ? QStringLiteral("-") : QString())
        .arg(units / 10000000)
        .arg(units % 10000000, 7, 10, QLatin1Char('0'));
}

bool LoadExportRoutes(TDatabase& db, const QList<qint64>& routeIds, std::vector<TExportRoute>& routes,
                      QStringList& notes, QString& why)
{
    std::vector<TExportRoute> out;
    for (qint64 id : routeIds) {
        TExportRoute route;
        bool found = false;
        if (!ForEachRow(db, QStringLiteral("select Name1, Name2, Name3 from Маршрут where ID = ?"), {id}, why,
                        [&](const TQuery& q) {
                            route.Name =
                                routeName(q.AsString(QStringLiteral("Name1")), q.AsString(QStringLiteral("Name2")),
                                          q.AsString(QStringLiteral("Name3")));
                            found = true;
                        }))
            return false;
        if (!found)
            continue;  // deleted meanwhile
        int row = 0;
        auto add = [&](const QString& name, const QString& description, const QString& lat, const QString& lon) {
            const bool latOk = CoordTextValid(lat, TCoordKind::Latitude);
            const bool lonOk = CoordTextValid(lon, TCoordKind::Longitude);
            if (latOk && lonOk) {
                route.Points.push_back({name, description, CoordFromText(lat), CoordFromText(lon)});
                return;
            }
            notes << Msg::ExportPointLeftOut.arg(route.Name, QString::number(row), description, latOk ? lon : lat);
        };
        if (!ForEachRow(db,
                        QStringLiteral("select BegLat, BegLong, EndLat, EndLong, Turn from Поворот "
                                       "where ID_Route = ? order by Num, ID"),
                        {id}, why, [&](const TQuery& q) {
                            ++row;
                            const QString type = q.AsString(QStringLiteral("Turn"));
                            const QString name = QStringLiteral("%1: %2").arg(row).arg(TurnTypeName(type));
                            add(name, Msg::TurnColBegin, q.AsString(QStringLiteral("BegLat")),
                                q.AsString(QStringLiteral("BegLong")));
                            if (type != QLatin1String("B") && type != QLatin1String("E"))
                                add(name, Msg::TurnColEnd, q.AsString(QStringLiteral("EndLat")),
                                    q.AsString(QStringLiteral("EndLong")));
                        }))
            return false;
        out.push_back(std::move(route));
    }
    routes = std::move(out);
    return true;
}

QByteArray RoutesToGpx(const std::vector<TExportRoute>& routes)
{
    QByteArray data;
    QXmlStreamWriter w(&data);
    startDocument(w);
    w.writeStartElement(QStringLiteral("gpx"));
    w.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    w.writeAttribute(QStringLiteral("creator"), QStringLiteral("Zevanta"));
    TBounds bounds;
    for (const TExportRoute& r : routes)
        for (const TExportPoint& p : r.Points)
            bounds.Add(p);
    if (!bounds.Empty) {
        w.writeStartElement(QStringLiteral("metadata"));
        w.writeEmptyElement(QStringLiteral("bounds"));
        w.writeAttribute(QStringLiteral("minlat"), DegreesText(bounds.MinLat));
        w.writeAttribute(QStringLiteral("minlon"), DegreesText(bounds.MinLong));
        w.writeAttribute(QStringLiteral("maxlat"), DegreesText(bounds.MaxLat));
        w.writeAttribute(QStringLiteral("maxlon"), DegreesText(bounds.MaxLong));
        w.writeEndElement();
    }
    int number = 0;
    for (const TExportRoute& r : routes) {
        w.writeStartElement(QStringLiteral("rte"));
        w.writeTextElement(QStringLiteral("name"), r.Name);
        w.writeTextElement(QStringLiteral("number"), QString::number(++number));
        for (const TExportPoint& p : r.Points) {
            w.writeStartElement(QStringLiteral("rtept"));
            w.writeAttribute(QStringLiteral("lat"), DegreesText(p.Lat));
            w.writeAttribute(QStringLiteral("lon"), DegreesText(p.Long));
            w.writeTextElement(QStringLiteral("name"), p.Name);
            w.writeTextElement(QStringLiteral("desc"), p.Description);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndDocument();
    return data;
}

QByteArray RoutesToKml(const std::vector<TExportRoute>& routes)
{
    // KML writes longitude first.
    auto coordinates = [](const TExportPoint& p) { return DegreesText(p.Long) + u',' + DegreesText(p.Lat); };
    QByteArray data;
    QXmlStreamWriter w(&data);
    startDocument(w);
    w.writeStartElement(QStringLiteral("kml"));
    w.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    w.writeStartElement(QStringLiteral("Document"));
    for (const TExportRoute& r : routes) {
        w.writeStartElement(QStringLiteral("Folder"));
        w.writeTextElement(QStringLiteral("name"), r.Name);
        // A line needs two points at least.
        if (r.Points.size() >= 2) {
            w.writeStartElement(QStringLiteral("Placemark"));
            w.writeTextElement(QStringLiteral("name"), r.Name);
            w.writeStartElement(QStringLiteral("LineString"));
            w.writeTextElement(QStringLiteral("tessellate"), QStringLiteral("1"));
            QStringList line;
            for (const TExportPoint& p : r.Points)
                line << coordinates(p);
            w.writeTextElement(QStringLiteral("coordinates"), line.join(u' '));
            w.writeEndElement();
            w.writeEndElement();
        }
        for (const TExportPoint& p : r.Points) {
            w.writeStartElement(QStringLiteral("Placemark"));
            w.writeTextElement(QStringLiteral("name"), p.Name);
            w.writeTextElement(QStringLiteral("description"), p.Description);
            w.writeStartElement(QStringLiteral("Point"));
            w.writeTextElement(QStringLiteral("coordinates"), coordinates(p));
            w.writeEndElement();
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return data;
}

TRouteExportResult ExportRoutes(TDatabase& db, const QList<qint64>& routeIds, TExportFormat format, const QString& path)
{
    TRouteExportResult result;
    // Written by rename over the old file: the database would be gone.
    if (db.IsOwnFile(path)) {
        result.Error = Msg::FileIsDatabase;
        return result;
    }
    std::vector<TExportRoute> routes;
    if (!LoadExportRoutes(db, routeIds, routes, result.Notes, result.Error))
        return result;
    const QByteArray data = format == TExportFormat::Gpx ? RoutesToGpx(routes) : RoutesToKml(routes);
    if (!fileio::WriteWholeFile(path, data, result.Error))
        return result;
    result.Ok = true;
    result.Routes = int(routes.size());
    for (const TExportRoute& r : routes)
        result.Points += int(r.Points.size());
    return result;
}
