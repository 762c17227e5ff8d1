#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "map/mappoint.h"

// What every map frame shares: the owned point list, batched changes and the points' extent.
// How points reach the screen is left to the concrete frame.
class TMapFrameCore {
public:
    using PointsChangingFn = std::function<void(TMapFrameCore& sender, TPointsChangingType type, int index)>;

    TMapFrameCore() = default;
    virtual ~TMapFrameCore() = default;
    TMapFrameCore(const TMapFrameCore&) = delete;
    TMapFrameCore& operator=(const TMapFrameCore&) = delete;

    // Drawing, supplied by the concrete frame.
    virtual void RefreshPoints() = 0;
    virtual void ShowPoint(int index) = 0;
    virtual void HidePoint(int index) = 0;
    virtual void SetLocation(const QString& location) = 0;
    virtual void SetCenter(double latitude, double longitude, int scale) = 0;
    virtual void ZoomIn() = 0;
    virtual void ZoomOut() = 0;
    virtual void UnZoom() = 0;
    virtual void ZoomToRoute() = 0;

    // Appends the point (taking it over); outside an update it is drawn at once. Returns its index.
    virtual int AddPoint(std::unique_ptr<TMapPoint> point);
    virtual int AddPoint(double latitude, double longitude, const QString& id, const QString& caption, TMapColor color,
                         const QString& address = QString());
    virtual void DeletePoint(int index);
    virtual void DeletePoint(const TMapPoint* point);
    virtual void ClearPoints();

    // Nested; the outermost EndUpdate draws everything once.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

    int PointsCount() const { return int(FPoints.size()); }
    // nullptr for an index outside the list.
    const TMapPoint* GetPoint(int index) const;
    TCoordsRect GetRouteFrame() const;

    bool ShowPoints() const { return FShowPoints; }
    bool ShowLines() const { return FShowLines; }
    // Both redraw at once, also inside an update.
    void SetShowPoints(bool value);
    void SetShowLines(bool value);

    void SetPointsChangingEvent(PointsChangingFn fn) { FPointsChangingEvent = std::move(fn); }

private:
    void Notify(TPointsChangingType type, int index);

    std::vector<std::unique_ptr<TMapPoint>> FPoints;
    int FUpdateCount = 0;
    bool FShowPoints = true;
    bool FShowLines = true;
    PointsChangingFn FPointsChangingEvent;
};
