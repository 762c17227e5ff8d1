// Route cards: a full card written into the paced simulator, as a share of what the line allows
// for the pages moved; and a 2040-row .xlsx imported into a route. Prints figures only.
//   bench_routes [ROUTES] [BAUD]   (96 routes of 2040 turns at 115200 Bd by default)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QTemporaryDir>

#include "data/database.h"
#include "link/zeva16.h"
#include "link/zevaframe.h"
#include "routes/coords.h"
#include "routes/routememory.h"
#include "routes/routeset.h"
#include "routes/spreadsheet.h"
#include "sim/simbus.h"
#include "sim/travodevice.h"

namespace {

using namespace zeva::sim;
using Clock = std::chrono::steady_clock;
constexpr uint16_t kAddr = 6;

double seconds(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

qint64 fillCard(TDatabase& db, int routes)
{
    db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'bench')"));
    const qint64 card = db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
    db.BeginTrans();
    for (int r = 1; r <= routes; ++r) {
        db.Exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Name2, Name3, Num) values (?, ?, '', '', ?)"),
                {card, QStringLiteral("Маршрут %1").arg(r), r});
        const qint64 route = db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
        TImportRows rows;
        for (int k = 0; k < RouteLayout::MaxTurns; ++k) {
            const QString lat = CoordToText(55 * 36000 + r * 100 + k), lon = CoordToText(37 * 36000 + k * 3);
            rows.Rows.push_back({lat, lon, lat, lon, QStringLiteral("L")});
        }
        StoreImportedTurns(db, route, rows);
    }
    db.CommitTrans();
    return card;
}

}  // namespace

int main(int argc, char** argv)
{
    const int routes = argc > 1 ? std::atoi(argv[1]) : 96;
    const uint32_t baud = argc > 2 ? uint32_t(std::atoi(argv[2])) : 115200;
    QTemporaryDir dir;
    TDatabase db;
    if (!db.Open(dir.filePath(QStringLiteral("bench.db")), TDatabase::OpenMode::CreateIfMissing)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.LastError()));
        return 1;
    }

    // Import: open the workbook, read 2040 rows, store them in one transaction.
    {
        db.Exec(QStringLiteral("insert into КартаПамяти (ID_Dir, Name) values (-1, 'import')"));
        db.Exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Num) values (last_insert_rowid(), 'r', 1)"));
        const qint64 route = db.Scalar(QStringLiteral("select last_insert_rowid()")).toLongLong();
        const QString file = QStringLiteral(ZEVANTA_SOURCE_DIR "/tests/testdata/routes/big.xlsx");
        const auto t0 = Clock::now();
        const auto book = OpenSpreadsheet(file);
        const double open = seconds(t0);
        const TImportRows rows = book ? ReadImportRows(*book, 0, RouteLayout::MaxTurns) : TImportRows();
        const double read = seconds(t0);
        const TImportResult stored = StoreImportedTurns(db, route, rows);
        const double total = seconds(t0);
        std::printf(
            "import of big.xlsx (3000 rows): %d turns; open %.0f ms, rows %.0f ms, store %.0f ms, total %.0f ms\n",
            stored.Imported, open * 1e3, (read - open) * 1e3, (total - read) * 1e3, total * 1e3);
        db.Exec(QStringLiteral("delete from КартаПамяти"));
    }

    // Write: the card packed and its pages sent to a paced unit.
    SimBus bus;
    FirmwareConfig cfg;
    cfg.startInApplication = true;
    cfg.at45Pages = 8192;
    cfg.at45Marker = "*FDA*";
    auto& unit = bus.emplace<TravoDevice>(kAddr, cfg);
    bus.setBaud(baud);
    std::string why;
    if (!bus.start(&why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    TZEVA16 link(uint8_t(PortMap::AliasFor(bus.slavePath())), baud, 200, 16384);
    TZevaTransferLink tl(link, kAddr);
    auto t0 = Clock::now();
    const qint64 card = fillCard(db, routes);
    std::printf("card of %d routes x %d turns built in %.1f s\n", routes, RouteLayout::MaxTurns, seconds(t0));

    TRouteTransfer t{tl, {}, {}};
    t.Setup.ProgStart = unit.appOffset();
    t.Setup.MemSize = unit.flashSize();
    TRouteImage image;
    TPageList pages;
    t0 = Clock::now();
    const TRouteMemResult r = WriteCardToUnit(db, card, t, image, pages, false);
    const double elapsed = seconds(t0);
    if (!r.Ok()) {
        std::fprintf(stderr, "write failed: %s\n", qPrintable(r.Message));
        return 1;
    }
    // What the line must carry: the format check (command 19 and its page) and every write
    // (command 20 with its page, answered by an empty acceptance), stuffing included.
    const std::vector<uint8_t> page0(image.Page(0), image.Page(0) + 528);
    const std::vector<uint8_t> zero{0, 0}, none;
    size_t wire = zeva::encodeFrame(kAddr, 19, zero).size() + zeva::encodeFrame(kAddr, 0x33, page0).size();
    for (uint16_t p : pages.Pages()) {
        std::vector<uint8_t> payload{uint8_t(p >> 8), uint8_t(p)};
        payload.insert(payload.end(), image.Page(p), image.Page(p) + 528);
        wire += zeva::encodeFrame(kAddr, 20, payload).size() + zeva::encodeFrame(kAddr, 0x33, none).size();
    }
    const double limit = double(wire) * 10.0 / baud;
    std::printf(
        "write at %u Bd: %d pages (%zu bytes on the line) in %.2f s; wire limit %.2f s; %.1f %% of the wire limit\n",
        baud, pages.Count(), wire, elapsed, limit, 100.0 * limit / elapsed);
    PortMap::SetAlias(PortMap::NumberFor(bus.slavePath()), {});
    bus.stop();
    return 0;
}
