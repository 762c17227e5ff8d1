#pragma once
#include <vector>

#include <QDialog>

#include "map/mapturns.h"
#include "map/ui/googlemapframe.h"

class QCheckBox;
class QPushButton;
class QStatusBar;
class QWidget;

// "Карта": the selected turns of a route as labelled points joined by a red line on a web map.
// The controls wait until the page has loaded and the points are drawn.
class TfrmMap : public QDialog {
    Q_OBJECT
public:
    // `path` is the folder holding the page files (see TMapPageFiles).
    TfrmMap(const QString& path, std::vector<TMapTurn> turns, const TMapTiles& tiles, QWidget* parent = nullptr);
    ~TfrmMap() override;

    // Writes the page into `folder`, shows the turns modally over `parent`, removes the page again.
    // False (after telling the user) when the page could not be written.
    static bool ShowTurns(QWidget* parent, const QString& folder, std::vector<TMapTurn> turns, const TMapTiles& tiles);
    // Makes this window the one OpenMapView shows (see map/mapview.h).
    static void Install();

    QString Path;
    TGoogleMapFrame* MapFrame = nullptr;
    QStatusBar* StatusBar = nullptr;
    QWidget* Panel = nullptr;
    QWidget* Panel1 = nullptr;
    QPushButton* btnZoomAll = nullptr;
    QPushButton* btnZoomIn = nullptr;
    QPushButton* btnZoomOut = nullptr;
    QCheckBox* cbShowLines = nullptr;
    QCheckBox* cbShowPoints = nullptr;

    static constexpr int kClientWidth = 609;
    static constexpr int kClientHeight = 416;

signals:
    // The points of the turns have been handed to the page.
    void RouteLoaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void LoadRoute();
    void FormClose();

    std::vector<TMapTurn> FTurns;
};
