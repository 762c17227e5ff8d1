#include "app/windowplace.h"

#include <algorithm>

namespace {

// Enough of the top edge to grab the window by its title bar and drag it back.
constexpr int kGripWidth = 100;
constexpr int kGripHeight = 20;

QRect centred(const QSize& size, const QRect& screen)
{
    QRect r(QPoint(0, 0), size);
    r.moveCenter(screen.center());
    // A screen smaller than the window: keep its top-left corner reachable.
    r.moveLeft(std::max(r.left(), screen.left()));
    r.moveTop(std::max(r.top(), screen.top()));
    return r;
}

}  // namespace

QRect PlaceWindow(const QRect& stored, const QSize& minimum, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return QRect(QPoint(0, 0), stored.isValid() ? stored.size().expandedTo(minimum) : minimum);
    if (!stored.isValid())
        return centred(minimum, screens.first());
    // The top edge of the window on a screen, with enough of it there to be grabbed.
    const QRect grip(stored.left(), stored.top(), std::min(stored.width(), kGripWidth), kGripHeight);
    for (const QRect& screen : screens) {
        const QRect seen = screen & grip;
        if (seen.height() < kGripHeight || seen.width() < grip.width() / 2)
            continue;
        return QRect(stored.topLeft(), stored.size().boundedTo(screen.size()).expandedTo(minimum));
    }
    return centred(stored.size().boundedTo(screens.first().size()).expandedTo(minimum), screens.first());
}
