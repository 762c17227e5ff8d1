#include "map/mapview.h"

#include <utility>

namespace {
MapViewOpener& Opener()
{
    static MapViewOpener opener;
    return opener;
}
}  // namespace

MapViewOpener InstallMapViewOpener(MapViewOpener opener)
{
    return std::exchange(Opener(), std::move(opener));
}

bool OpenMapView(QWidget* parent, const TMapRequest& request)
{
    if (!Opener())
        return false;
    Opener()(parent, request);
    return true;
}
