#include "map/mapframecore.h"

#include <algorithm>

int TMapFrameCore::AddPoint(std::unique_ptr<TMapPoint> point)
{
    point->Owner = this;
    FPoints.push_back(std::move(point));
    const int index = PointsCount() - 1;
    if (FUpdateCount <= 0) {
        Notify(pctAdded, index);
        ShowPoint(index);
    }
    return index;
}

int TMapFrameCore::AddPoint(double latitude, double longitude, const QString& id, const QString& caption,
                            TMapColor color, const QString& address)
{
    auto point = std::make_unique<TMapPoint>();
    point->Latitude = latitude;
    point->Longitude = longitude;
    point->Id = id;
    point->Caption = caption;
    point->Color = color;
    point->Address = address;
    return AddPoint(std::move(point));
}

void TMapFrameCore::DeletePoint(int index)
{
    if (index < 0 || index >= PointsCount())
        return;
    HidePoint(index);
    FPoints.erase(FPoints.begin() + index);
    Notify(pctDeleted, index);
}

void TMapFrameCore::DeletePoint(const TMapPoint* point)
{
    const auto it = std::find_if(FPoints.begin(), FPoints.end(),
                                 [point](const std::unique_ptr<TMapPoint>& p) { return p.get() == point; });
    if (it != FPoints.end())
        DeletePoint(int(it - FPoints.begin()));
}

void TMapFrameCore::ClearPoints()
{
    FPoints.clear();
    Notify(pctCleared, -1);
}

void TMapFrameCore::EndUpdate()
{
    if (--FUpdateCount > 0)
        return;
    RefreshPoints();
    Notify(pctContiniousUpdate, -1);
    FUpdateCount = 0;
}

const TMapPoint* TMapFrameCore::GetPoint(int index) const
{
    return index >= 0 && index < PointsCount() ? FPoints[size_t(index)].get() : nullptr;
}

TCoordsRect TMapFrameCore::GetRouteFrame() const
{
    TCoordsRect r;
    if (FPoints.empty())
        return r;
    r.MinLon = r.MaxLon = FPoints.front()->Longitude;
    r.MinLat = r.MaxLat = FPoints.front()->Latitude;
    for (const auto& p : FPoints) {
        r.MinLon = std::min(r.MinLon, p->Longitude);
        r.MaxLon = std::max(r.MaxLon, p->Longitude);
        r.MinLat = std::min(r.MinLat, p->Latitude);
        r.MaxLat = std::max(r.MaxLat, p->Latitude);
    }
    return r;
}

void TMapFrameCore::SetShowPoints(bool value)
{
    FShowPoints = value;
    RefreshPoints();
}

void TMapFrameCore::SetShowLines(bool value)
{
    FShowLines = value;
    RefreshPoints();
}

void TMapFrameCore::Notify(TPointsChangingType type, int index)
{
    if (FPointsChangingEvent)
        FPointsChangingEvent(*this, type, index);
}
