// The dot-matrix display as painted: dots, outlines, alignment and the picture on screen.
#include <QtTest>

#include "panels/ui/leddisplay.h"

namespace {

const QColor kOn(0, 255, 0);
const QColor kOff(0, 51, 0);
const QColor kBack(Qt::black);

}  // namespace

class TestLEDDisplay : public QObject {
    Q_OBJECT
private slots:
    void dotsOfA142x30AngleDisplay()
    {
        TLEDDisplay led;
        led.resize(142, 30);
        led.SetAlignment(panels::laRight);
        led.SetCaption(QStringLiteral("45°"));
        const QImage img = led.Render();
        QCOMPARE(img.size(), QSize(142, 30));
        // Dot pitch 3, cells 18 wide from the right edge, 4 pixels down; a dot's inside is the
        // 2 × 2 square one pixel in from its corner.
        struct Dot {
            int cellX, row, col;
            QColor colour;
        };
        const Dot dots[] = {
            {124, 0, 2, kOn},                     // top of the degree sign
            {124, 1, 2, kOff},                    // its hollow middle
            {124, 0, 0, kOff}, {106, 0, 0, kOn},  // the 5's top bar
            {106, 6, 4, kOff}, {88, 3, 0, kOn},   // the 4's cross bar
            {88, 3, 5, kOff},                     // the sixth column never lights
            {70, 3, 2, kOff},                     // blank cells to the left
            {-2, 3, 1, kOff},                     // the leftmost, clipped cell
        };
        for (const Dot& d : dots) {
            const int x = d.cellX + d.col * 3 + 1, y = 4 + d.row * 3 + 1;
            QCOMPARE(img.pixelColor(x, y), d.colour);
            QCOMPARE(img.pixelColor(x + 1, y + 1), d.colour);
            // The outline between dots and the margin above the cells are background.
            QCOMPARE(img.pixelColor(x - 1, y), kBack);
        }
        QCOMPARE(img.pixelColor(141, 2), kBack);
        // The caption ends at the right edge: the last cell's sixth column is its last dot.
        QCOMPARE(img.pixelColor(124 + 15 + 1, 5), kOff);
    }

    void emptyTinyAndForeignCaptions()
    {
        TLEDDisplay led;
        led.resize(100, 30);
        QImage empty = led.Render();
        int on = 0, off = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 100; ++x)
                on += empty.pixelColor(x, y) == kOn, off += empty.pixelColor(x, y) == kOff;
        QCOMPARE(on, 0);
        QVERIFY(off > 0);
        // A Cyrillic letter is the block: 3 × 5 lit dots.
        led.SetCaption(QStringLiteral("Ж"));
        const QImage block = led.Render();
        on = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 18; ++x)
                on += block.pixelColor(x, y) == kOn;
        QCOMPARE(on, 15 * 4);
        // Seven pixels high or less: only the background.
        const QImage tiny = led.Render(100, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 100; ++x)
                QCOMPARE(tiny.pixelColor(x, y), kBack);
        // Colours follow the properties.
        led.SetBackColor(Qt::blue);
        led.SetSegOnColor(Qt::yellow);
        const QImage coloured = led.Render();
        QCOMPARE(coloured.pixelColor(0, 0), QColor(Qt::blue));
        QCOMPARE(coloured.pixelColor(1 * 3 + 1, 4 + 1 * 3 + 1), QColor(Qt::yellow));
    }

    void paintsItsPictureOnScreen()
    {
        TLEDDisplay led;
        led.resize(100, 30);
        led.SetCaption(QStringLiteral("220"));
        led.show();
        QVERIFY(QTest::qWaitForWindowExposed(&led));
        QCOMPARE(led.grab().toImage().convertToFormat(QImage::Format_RGB32), led.Render());
    }
};

QTEST_MAIN(TestLEDDisplay)
#include "tst_leddisplay.moc"
