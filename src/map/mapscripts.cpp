#include "map/mapscripts.h"

#include "map/mapframecore.h"

namespace MapScript {

namespace {
QString LatLng(double latitude, double longitude)
{
    return QStringLiteral("new GLatLng(") + CoordToScript(latitude) + u',' + CoordToScript(longitude) + u')';
}

// A complete script string literal; JSON's escaping suits JavaScript as well.
QString Literal(const QString& text)
{
    return u'"' + Quoted(text) + u'"';
}
}  // namespace

QString CoordToScript(double x)
{
    // QString::number never uses the user's locale; the replacement keeps the decimal point even so.
    QString s = QString::number(x, 'g', 15);
    const qsizetype comma = s.indexOf(u',');
    if (comma >= 0)
        s[comma] = u'.';
    return s;
}

QString Quoted(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'"': out += QStringLiteral("\\\""); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case 0x2028: out += QStringLiteral("\\u2028"); break;
        case 0x2029: out += QStringLiteral("\\u2029"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString LabelScript(const TMapPoint& point)
{
    return QStringLiteral("createTLabel(\"%1\", new GLatLng(%2, %3), \"%4\", \"%5\");")
        .arg(Quoted(point.Id), CoordToScript(point.Latitude), CoordToScript(point.Longitude), Quoted(point.Caption),
             LabelStyle(point.Color));
}

QString HidePoint(const TMapFrameCore& frame, int index)
{
    const TMapPoint* point = frame.GetPoint(index);
    if (!point)
        return QString();
    return QStringLiteral("map.removeTLabelById(\"") + Quoted(point->Id) + QStringLiteral("\");");
}

QStringList ShowPoint(const TMapFrameCore& frame, int index)
{
    const TMapPoint* point = frame.GetPoint(index);
    if (!point)
        return {};
    return {HidePoint(frame, index), LabelScript(*point)};
}

QString RemoveAllLabels(const TMapFrameCore& frame)
{
    QString s = QStringLiteral("map.clearOverlays();");
    for (int i = 0; i < frame.PointsCount(); ++i)
        s += HidePoint(frame, i);
    return s;
}

QStringList Refresh(const TMapFrameCore& frame)
{
    QStringList scripts{RemoveAllLabels(frame)};
    if (frame.PointsCount() == 0)
        return scripts;
    QString labels;
    QString line;
    for (int i = 0; i < frame.PointsCount(); ++i) {
        const TMapPoint& p = *frame.GetPoint(i);
        labels += LabelScript(p);
        line += LatLng(p.Latitude, p.Longitude) + u',';
    }
    if (frame.ShowPoints())
        scripts << labels;
    if (frame.ShowLines()) {
        line.chop(1);
        scripts << QStringLiteral("var polyline = new GPolyline([") + line +
                       QStringLiteral("],\"#FF0000\",3);map.addOverlay(polyline);");
    }
    return scripts;
}

QString SetCenter(double latitude, double longitude, int scale)
{
    const QString point = QStringLiteral("var point = ") + LatLng(latitude, longitude) + QStringLiteral("; ");
    if (scale < 0)
        return point + QStringLiteral("map.setCenter(point)");
    return point + QStringLiteral("map.setCenter(point, ") + QString::number(scale) + u')';
}

QString ZoomIn()
{
    return QStringLiteral("map.zoomIn();");
}

QString ZoomOut()
{
    return QStringLiteral("map.zoomOut();");
}

QString ZoomToRoute(const TMapFrameCore& frame)
{
    const TCoordsRect r = frame.GetRouteFrame();
    if (r.MinLon == r.MaxLon || r.MinLat == r.MaxLat)
        return QString();
    // The labelled points go along: the fit keeps their labels clear of the page's overlays, and
    // the labels themselves are drawn only after the fit.
    QString labelled;
    for (int i = 0; frame.ShowPoints() && i < frame.PointsCount(); ++i) {
        const TMapPoint& p = *frame.GetPoint(i);
        labelled += (i ? QStringLiteral(",[") : QStringLiteral("[")) + CoordToScript(p.Latitude) + u',' +
                    CoordToScript(p.Longitude) + u']';
    }
    return QStringLiteral(
               "var point1 = new GLatLng(%1, %2);var point2 = new GLatLng(%3, %4);"
               "var bounds = new GLatLngBounds(point1, point2);"
               "var zoom = map.getBoundsZoomLevel(bounds, [%7]);"
               "map.setCenter(new GLatLng(%5, %6), zoom);")
        .arg(CoordToScript(r.MinLat), CoordToScript(r.MinLon), CoordToScript(r.MaxLat), CoordToScript(r.MaxLon),
             CoordToScript((r.MinLat + r.MaxLat) / 2), CoordToScript((r.MinLon + r.MaxLon) / 2), labelled);
}

QString Guarded(const QString& text)
{
    // (0, eval) is the indirect form: it evaluates at global scope, not inside this function.
    return QStringLiteral("(function(){try{(0,eval)(") + Literal(text) +
           QStringLiteral(");return \"\";}catch(e){return String(e && e.message !== undefined ? e.message : e);}})()");
}

QString TileSource(const QString& urlTemplate, const QString& attribution)
{
    return QStringLiteral("var MapTileUrl = ") + Literal(urlTemplate) + QStringLiteral("; var MapTileAttribution = ") +
           Literal(attribution) + u';';
}

}  // namespace MapScript
