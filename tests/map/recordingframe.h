#pragma once
#include <QStringList>

#include "map/mapframecore.h"
#include "map/mapscripts.h"

// A frame that draws by writing down what it would run in the page, in order.
class RecordingFrame : public TMapFrameCore {
public:
    QStringList calls;    // drawing operations: "refresh", "show 2", "hide 0", "zoom"
    QStringList scripts;  // the texts a page would run, in order
    QStringList events;   // "added 0", "deleted 1", "cleared -1", "update -1"

    RecordingFrame()
    {
        SetPointsChangingEvent([this](TMapFrameCore&, TPointsChangingType type, int index) {
            static const char* names[] = {"added", "modified", "deleted", "cleared", "update"};
            events << QStringLiteral("%1 %2").arg(QLatin1String(names[type])).arg(index);
        });
    }

    void RefreshPoints() override
    {
        calls << QStringLiteral("refresh");
        scripts << MapScript::Refresh(*this);
    }
    void ShowPoint(int index) override
    {
        calls << QStringLiteral("show %1").arg(index);
        scripts << MapScript::ShowPoint(*this, index);
    }
    void HidePoint(int index) override
    {
        calls << QStringLiteral("hide %1").arg(index);
        scripts << MapScript::HidePoint(*this, index);
    }
    void SetLocation(const QString&) override {}
    void SetCenter(double latitude, double longitude, int scale) override
    {
        scripts << MapScript::SetCenter(latitude, longitude, scale);
    }
    void ZoomIn() override { scripts << MapScript::ZoomIn(); }
    void ZoomOut() override { scripts << MapScript::ZoomOut(); }
    void UnZoom() override {}
    void ZoomToRoute() override
    {
        calls << QStringLiteral("zoom");
        scripts << MapScript::ZoomToRoute(*this);
    }
};
