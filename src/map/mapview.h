#pragma once
#include <functional>
#include <vector>

#include <QString>

#include "map/mapturns.h"

class QWidget;

// What a map window needs to show turns.
struct TMapRequest {
    QString Folder;               // the page files are written here while the window is open
    std::vector<TMapTurn> Turns;  // the selected turns, in selection order
    QString TileSource;           // server address with {z}, {x} and {y}, folder of z/x/y.png or MBTiles file
    QString TileAttribution;
    QString TileCacheFolder{};  // tiles from a server are kept here
    qint64 TileCacheBytes = 200LL * 1024 * 1024;
};

// The map window carries the web browser, which only the program links; the program installs the
// opener at start and the route tab calls OpenMapView. Tests install a recorder instead.
using MapViewOpener = std::function<void(QWidget* parent, const TMapRequest& request)>;
// Returns the previous opener.
MapViewOpener InstallMapViewOpener(MapViewOpener opener);
// False when no opener is installed.
bool OpenMapView(QWidget* parent, const TMapRequest& request);
