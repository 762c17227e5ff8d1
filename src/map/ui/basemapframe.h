#pragma once
#include <QWidget>

#include "map/mapframecore.h"

// A map frame as a widget: the point list and batching of TMapFrameCore, drawn by a concrete frame.
class TBaseMapFrame : public QWidget, public TMapFrameCore {
    Q_OBJECT
public:
    explicit TBaseMapFrame(QWidget* parent = nullptr) : QWidget(parent) {}

signals:
    // Once, when the map page has loaded.
    void MapLoaded(TBaseMapFrame* sender);
};
