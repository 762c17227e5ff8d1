#pragma once
#include <QList>
#include <QRect>
#include <QSize>

// Where the main window opens: the stored client rectangle when it is still usable on one of the
// screens as they are now, otherwise the minimum size centred on the primary screen. A stored size
// below the minimum grows to it; one larger than its screen shrinks to the screen.
// `screens` are the available (work-area) rectangles, the primary one first.
QRect PlaceWindow(const QRect& stored, const QSize& minimum, const QList<QRect>& screens);
