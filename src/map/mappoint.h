#pragma once
#include <QString>

// Label colours the map knows; each selects one label style of the page.
enum class TMapColor { Red, Blue, Green, Yellow, Gray };

// The page's style of a colour: the colour's name followed by "label" ("Redlabel").
QString LabelStyle(TMapColor color);

class TMapFrameCore;

// One labelled point on the map. Id names the label in the page, so every point of a frame
// carries its own; Address is free text and not drawn.
struct TMapPoint {
    TMapFrameCore* Owner = nullptr;
    double Latitude = 0;   // degrees, north positive
    double Longitude = 0;  // degrees, east positive
    QString Id;
    QString Caption;
    QString Address;
    TMapColor Color = TMapColor::Red;
};

// The points' extent, fields in this order.
struct TCoordsRect {
    double MinLon = 0;
    double MinLat = 0;
    double MaxLon = 0;
    double MaxLat = 0;
    bool operator==(const TCoordsRect&) const = default;
};

enum TPointsChangingType { pctAdded, pctModified, pctDeleted, pctCleared, pctContiniousUpdate };
