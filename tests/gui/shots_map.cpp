// Pictures of the map window with a demo route on the blank background, for the documentation:
// xvfb-run -a shots_map docs/screenshots
#include <QtTest>

#include <QDir>

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
};

int main(int argc, char** argv)
{
    return RunShots<ShotsMap>(argc, argv);
}
#include "shots_map.moc"
