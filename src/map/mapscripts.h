#pragma once
#include <QString>
#include <QStringList>

#include "map/mappoint.h"

class TMapFrameCore;

// The JavaScript texts a script-driven map frame runs in its page. The page and the program
// speak only through these, so their wording is fixed.
namespace MapScript {

// Where UnZoom centres the map, and its scale there.
inline constexpr double UnZoomLatitude = 59.944265;
inline constexpr double UnZoomLongitude = 30.319948;
inline constexpr int UnZoomScale = 10;

// Up to 15 significant digits, always with a decimal point whatever the locale.
QString CoordToScript(double x);
// Content of a double-quoted script string: the text reads back unchanged and cannot end the
// string early.
QString Quoted(const QString& text);

QString LabelScript(const TMapPoint& point);
// Empty (nothing to run) for an index at or past the end of the list.
QString HidePoint(const TMapFrameCore& frame, int index);
// The label of a point is removed before it is drawn again, so it is never there twice.
QStringList ShowPoint(const TMapFrameCore& frame, int index);
QString RemoveAllLabels(const TMapFrameCore& frame);
// The texts of a full redraw in the order they run: the labels only when ShowPoints, the line only
// when ShowLines.
QStringList Refresh(const TMapFrameCore& frame);
// scale < 0 keeps the map's scale.
QString SetCenter(double latitude, double longitude, int scale);
QString ZoomIn();
QString ZoomOut();
// Empty when the points do not span an area (none, one, or all on one parallel or meridian).
QString ZoomToRoute(const TMapFrameCore& frame);

// Runs `text` at the page's global scope (so its `var`s stay visible to later texts) and gives
// back "" or the error's message: the browser drops exceptions of scripts it runs.
QString Guarded(const QString& text);

// Tells the page where its background tiles come from, before any of its own scripts run. An
// empty address leaves the map without tiles.
QString TileSource(const QString& urlTemplate, const QString& attribution);

}  // namespace MapScript
