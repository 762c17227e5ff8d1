// Routes out to GPX and KML, read back by an independent reader (gpsbabel, which scripts/setup
// installs): the points, their names and order, and coordinates equal to the stored text.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "data/dbfixture.h"
#include "routes/routeexport.h"

namespace {

TEST(RouteExport, DegreesAreExactToSevenDecimalsWithAPoint)
{
    const struct {
        int32_t tenths;
        const char* text;
    } cases[] = {
        {0, "0.0000000"},
        {36000, "1.0000000"},
        {1, "0.0000278"},  // 0.0000277(7)
        {-1, "-0.0000278"},
        {55 * 36000 + 45 * 600 + 123, "55.7534167"},      // +55°45'12.3"
        {-(33 * 36000 + 52 * 600 + 105), "-33.8695833"},  // -33°52'10.5"
        {180 * 36000, "180.0000000"},
        {-(90 * 36000), "-90.0000000"},
        {179 * 36000 + 59 * 600 + 599, "179.9999722"},  // 179°59'59.9"
        {4, "0.0001111"},                               // 0.000111(1): rounds down
        {5, "0.0001389"},                               // 0.000138(8): rounds up
    };
    for (const auto& c : cases)
        EXPECT_EQ(DegreesText(c.tenths), QString::fromLatin1(c.text)) << c.tenths;
}

TEST(RouteExport, FormatByNameOrSuffix)
{
    EXPECT_EQ(ExportFormatByName(QStringLiteral("GPX")), TExportFormat::Gpx);
    EXPECT_EQ(ExportFormatByName(QStringLiteral("kml")), TExportFormat::Kml);
    EXPECT_FALSE(ExportFormatByName(QStringLiteral("kmz")));
    EXPECT_EQ(ExportFormatOfFile(QStringLiteral("/tmp/a.b/route.KML")), TExportFormat::Kml);
    EXPECT_FALSE(ExportFormatOfFile(QStringLiteral("/tmp/a.gpx/route")));
}

// A point as the reader should give it back: degrees from the stored text's parts, worked out here.
struct TExpected {
    double lat, lon;
    const char* name;
    const char* desc;
};

double dms(int sign, int deg, int min, double sec)
{
    return sign * (deg + min / 60.0 + sec / 3600.0);
}

QString coord(const char* head, const char* rest)
{
    return QString::fromUtf8(head) + QChar(0x00B0) + QString::fromUtf8(rest);
}

// Splits one line of gpsbabel's CSV: fields in double quotes may hold commas and doubled quotes.
QStringList csvFields(const QString& line)
{
    QStringList out;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            out << field;
            field.clear();
        } else {
            field += c;
        }
    }
    out << field;
    return out;
}

class RouteExportFile : public DbFixture {
protected:
    qint64 route(qint64 card, int num, const QString& line1, const QString& line2)
    {
        exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, ?, '', ?)"),
             {card, line1, line2, num});
        return scalar(QStringLiteral("select last_insert_rowid()"));
    }
    void turn(qint64 routeId, int num, const QString& begLat, const QString& begLong, const QString& endLat,
              const QString& endLong, const char* type)
    {
        exec(QStringLiteral("insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
                            "values (?, ?, ?, ?, ?, ?, ?)"),
             {routeId, begLat, begLong, endLat, endLong, QString::fromLatin1(type), num});
    }

    // gpsbabel's reading of `file` as CSV rows keyed by its header (-w waypoints, -r routes, -t tracks).
    std::vector<std::map<QString, QString>> readBack(const QString& file, const char* kind, const char* what)
    {
        const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
        // Not a skip: without the reader nothing checks the files.
        EXPECT_FALSE(gpsbabel.isEmpty()) << "gpsbabel is missing; scripts/setup installs it";
        if (gpsbabel.isEmpty())
            return {};
        const QString csv = dir.filePath(QStringLiteral("back.csv"));
        QFile::remove(csv);
        QProcess p;
        p.start(gpsbabel,
                {QString::fromLatin1(what), QStringLiteral("-i"), QString::fromLatin1(kind), QStringLiteral("-f"), file,
                 QStringLiteral("-o"), QStringLiteral("unicsv"), QStringLiteral("-F"), csv});
        EXPECT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        QFile f(csv);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
        std::vector<std::map<QString, QString>> rows;
        if (lines.isEmpty())
            return rows;
        const QStringList header = csvFields(lines.takeFirst().trimmed());
        for (const QString& line : lines) {
            const QStringList fields = csvFields(line.trimmed());
            std::map<QString, QString> row;
            for (qsizetype i = 0; i < header.size() && i < fields.size(); ++i)
                row[header[i]] = fields[i];
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void expectPoints(const std::vector<std::map<QString, QString>>& rows, const std::vector<TExpected>& expected,
                      const QString& descKey)
    {
        ASSERT_EQ(rows.size(), expected.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            const auto& row = rows[i];
            EXPECT_NEAR(row.at(QStringLiteral("Latitude")).toDouble(), expected[i].lat, 1e-6);
            EXPECT_NEAR(row.at(QStringLiteral("Longitude")).toDouble(), expected[i].lon, 1e-6);
            if (!descKey.isEmpty()) {
                EXPECT_EQ(row.at(QStringLiteral("Name")), QString::fromUtf8(expected[i].name));
                EXPECT_EQ(row.at(descKey), QString::fromUtf8(expected[i].desc));
            }
        }
    }
};

TEST_F(RouteExportFile, GpsbabelReadsBackEveryPointOfTheSelectedRoutes)
{
    exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'Карта')"));
    const qint64 card = scalar(QStringLiteral("select last_insert_rowid()"));
    // Text that must be escaped in XML, in a route name.
    const qint64 ring = route(card, 1, QStringLiteral("Кольцо <&>"), QStringLiteral("\"ночь\" 'А'"));
    turn(ring, 1, coord("+55", "45'12.3\""), coord("+37", "37'00.0\""), coord("+55", "45'12.3\""),
         coord("+37", "37'00.0\""), "B");
    turn(ring, 2, coord("+55", "45'20.0\""), coord("+37", "37'10.4\""), coord("+55", "45'25.9\""),
         coord("+37", "37'15.0\""), "L");
    // A missing end ("- - -", as a unit's empty field reads) leaves that point out, with a note.
    turn(ring, 3, coord("+55", "46'00.0\""), coord("+37", "38'00.0\""), QStringLiteral("- - -"),
         QStringLiteral("- - -"), "R");
    turn(ring, 4, coord("+55", "47'00.0\""), coord("+37", "39'00.0\""), coord("+55", "47'00.0\""),
         coord("+37", "39'00.0\""), "E");
    // South, west and east of 99 degrees (the hundreds digit in the first place).
    const qint64 far = route(card, 2, QStringLiteral("Юг"), QString());
    turn(far, 1, coord("-33", "52'10.5\""), coord("151", "12'30.9\""), coord("-33", "51'59.9\""),
         coord("151", "13'00.0\""), "L");
    turn(far, 2, coord(" 00", "00'00.1\""), coord("-03", "30'00.0\""), coord("-00", "30'00.0\""),
         coord("-99", "59'59.9\""), "R");
    const qint64 other = route(card, 3, QStringLiteral("Не выбран"), QString());
    turn(other, 1, coord("+10", "00'00.0\""), coord("+10", "00'00.0\""), coord("+10", "00'00.0\""),
         coord("+10", "00'00.0\""), "B");

    // The route of the second row first: the file keeps the order it was given.
    const std::vector<TExpected> points = {
        {dms(-1, 33, 52, 10.5), dms(1, 151, 12, 30.9), "1: ЛЕВЫЙ поворот", "Начало поворота"},
        {dms(-1, 33, 51, 59.9), dms(1, 151, 13, 0.0), "1: ЛЕВЫЙ поворот", "Конец поворота"},
        {dms(1, 0, 0, 0.1), dms(-1, 3, 30, 0.0), "2: ПРАВЫЙ поворот", "Начало поворота"},
        {dms(-1, 0, 30, 0.0), dms(-1, 99, 59, 59.9), "2: ПРАВЫЙ поворот", "Конец поворота"},
        {dms(1, 55, 45, 12.3), dms(1, 37, 37, 0.0), "1: НАЧАЛО маршрута", "Начало поворота"},
        {dms(1, 55, 45, 20.0), dms(1, 37, 37, 10.4), "2: ЛЕВЫЙ поворот", "Начало поворота"},
        {dms(1, 55, 45, 25.9), dms(1, 37, 37, 15.0), "2: ЛЕВЫЙ поворот", "Конец поворота"},
        {dms(1, 55, 46, 0.0), dms(1, 37, 38, 0.0), "3: ПРАВЫЙ поворот", "Начало поворота"},
        {dms(1, 55, 47, 0.0), dms(1, 37, 39, 0.0), "4: КОНЕЦ маршрута", "Начало поворота"},
    };
    const struct {
        TExportFormat format;
        const char* file;
        const char* kind;
    } formats[] = {{TExportFormat::Gpx, "routes.gpx", "gpx"}, {TExportFormat::Kml, "routes.kml", "kml"}};
    for (const auto& f : formats) {
        SCOPED_TRACE(f.kind);
        const QString file = dir.filePath(QString::fromLatin1(f.file));
        const TRouteExportResult r = ExportRoutes(db, {far, ring}, f.format, file);
        ASSERT_TRUE(r.Ok) << r.Error.toStdString();
        EXPECT_EQ(r.Routes, 2);
        EXPECT_EQ(r.Points, int(points.size()));
        ASSERT_EQ(r.Notes.size(), 1);
        EXPECT_TRUE(r.Notes[0].contains(QStringLiteral("поворот 3"))) << r.Notes[0].toStdString();
        EXPECT_TRUE(r.Notes[0].contains(QStringLiteral("Кольцо <&>"))) << r.Notes[0].toStdString();

        if (f.format == TExportFormat::Gpx) {
            expectPoints(readBack(file, f.kind, "-r"), points, QStringLiteral("Notes"));
        } else {
            // KML: the named points as waypoints, each route's line as a track through the same points.
            expectPoints(readBack(file, f.kind, "-w"), points, QStringLiteral("Description"));
            expectPoints(readBack(file, f.kind, "-t"), points, QString());
        }
    }
}

TEST_F(RouteExportFile, TheDatabaseFileIsNeverOverwritten)
{
    const TRouteExportResult r = ExportRoutes(db, {}, TExportFormat::Gpx, path);
    EXPECT_FALSE(r.Ok);
    EXPECT_FALSE(r.Error.isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sqlite_master where name = 'Маршрут'")), 1);
}

}  // namespace
