// Pictures of the map window with a demo route, on the blank background and on local tiles, for
// the documentation:
// xvfb-run -a shots_map docs/screenshots
#include <QtTest>

#include <QDir>
#include <QPainter>
#include <QPushButton>

#include "map/mapturns.h"
#include "mapview.h"
#include "shotmain.h"
#include "support/messagerecorder.h"

class ShotsMap : public QObject {
    Q_OBJECT
public:
    explicit ShotsMap(const QString& folder) : FOut(folder) {}

private:
    const QString FOut;

private slots:
    void pictures_data()
    {
        QTest::addColumn<int>("turns");
        QTest::addColumn<QString>("name");
        QTest::newRow("short route") << 24 << QStringLiteral("map-route.png");
        QTest::newRow("longest route") << 2040 << QStringLiteral("map-route-2040.png");
    }
    void pictures()
    {
        QFETCH(int, turns);
        QFETCH(QString, name);
        MessageRecorder rec;
        MapWindow w(DemoRouteTurns(turns), kOfflineTiles);
        QVERIFY(w.load());
        QTest::qWait(1500);  // the tile note and the last frame of the page
        QVERIFY(w.form->grab().save(QDir(FOut).filePath(name)));
        QVERIFY(rec.boxes().empty());
    }

    // The longest route on tiles from a local MBTiles file (drawn here: a pale grid named by tile),
    // as opened and two steps closer in.
    void localTiles()
    {
        MessageRecorder rec;
        QTemporaryDir tmp;
        const QString file = tmp.filePath(QStringLiteral("area.mbtiles"));
        QVERIFY(MakeMbTiles(file, 54.4, 39.4, 55.6, 41.2, 6, 12, 2, [](int z, int x, int y) {
            QImage tile(256, 256, QImage::Format_RGB32);
            tile.fill(QColor(242, 239, 233));
            QPainter p(&tile);
            p.setPen(QColor(200, 195, 185));
            for (int i = 0; i < 256; i += 64) {
                p.drawLine(i, 0, i, 255);
                p.drawLine(0, i, 255, i);
            }
            p.setPen(QColor(150, 150, 150));
            p.drawText(QRect(0, 0, 256, 256), Qt::AlignCenter, QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(y));
            return tile;
        }));
        MapWindow w(DemoRouteTurns(2040), TMapTiles{file, QStringLiteral("© местные тайлы")});
        QVERIFY(w.load());
        QTest::qWait(1500);
        QVERIFY(w.form->grab().save(QDir(FOut).filePath(QStringLiteral("map-route-2040-local.png"))));
        w.form->btnZoomIn->click();
        w.form->btnZoomIn->click();
        QVERIFY(w.idle());
        QTest::qWait(1500);
        QVERIFY(w.form->grab().save(QDir(FOut).filePath(QStringLiteral("map-route-2040-local-zoomed.png"))));
        QVERIFY(rec.boxes().empty());
    }
};

int main(int argc, char** argv)
{
    return RunShots<ShotsMap>(argc, argv);
}
#include "shots_map.moc"
