#include <gtest/gtest.h>

#include "app/windowplace.h"

namespace {

const QSize kMinimum(824, 557);
const QRect kLaptop(0, 0, 1366, 728);        // work area of the primary screen
const QRect kRight(1366, -200, 1920, 1040);  // a second screen to its right, placed higher

struct Case {
    const char* what;
    QRect stored;
    QList<QRect> screens;
    QRect expected;
};

}  // namespace

TEST(WindowPlace, KeepsWhatStillFitsAndBringsBackWhatIsLost)
{
    const Case cases[] = {
        {"first run: minimum size, centred", QRect(), {kLaptop}, QRect(QPoint(271, 85), kMinimum)},
        {"kept as stored", QRect(40, 30, 1000, 600), {kLaptop}, QRect(40, 30, 1000, 600)},
        {"on the second screen", QRect(2000, -100, 1200, 800), {kLaptop, kRight}, QRect(2000, -100, 1200, 800)},
        {"second screen unplugged: centred on the primary one",
         QRect(2000, -100, 1200, 800),
         {kLaptop},
         QRect(83, 0, 1200, 728)},
        {"far off every screen",
         QRect(-5000, 9000, 900, 600),
         {kLaptop, kRight},
         QRect(QPoint(233, 64), QSize(900, 600))},
        {"title bar above the screen", QRect(100, -30, 900, 600), {kLaptop}, QRect(QPoint(233, 64), QSize(900, 600))},
        {"only a sliver at the right edge",
         QRect(1330, 100, 900, 600),
         {kLaptop},
         QRect(QPoint(233, 64), QSize(900, 600))},
        {"partly off the left edge, grip still there", QRect(-40, 100, 900, 600), {kLaptop}, QRect(-40, 100, 900, 600)},
        {"smaller than the minimum grows to it", QRect(10, 10, 300, 200), {kLaptop}, QRect(QPoint(10, 10), kMinimum)},
        {"larger than its screen shrinks to it", QRect(0, 0, 3000, 2000), {kLaptop}, QRect(0, 0, 1366, 728)},
        {"a screen below the minimum keeps the corner on it",
         QRect(),
         {QRect(0, 0, 800, 600)},
         QRect(QPoint(0, 21), kMinimum)},
        {"no screen known", QRect(50, 60, 1000, 700), {}, QRect(0, 0, 1000, 700)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceWindow(c.stored, kMinimum, c.screens), c.expected) << c.what;
}
