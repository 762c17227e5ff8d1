// zevanta-cli routes: a card of the database into a unit and back, a sheet into a route, routes
// out to GPX or KML.
#include <functional>

#include <QFileInfo>
#include <QVariant>

#include "base/messages.h"
#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/devicerun.h"
#include "cli/output.h"
#include "data/database.h"
#include "data/dataset.h"
#include "link/zeva16.h"
#include "routes/routeexport.h"
#include "routes/routememory.h"
#include "routes/routeset.h"
#include "routes/routestore.h"
#include "routes/spreadsheet.h"

namespace zcli {

namespace {

// The card by name: its ID, 0 when there is none, -1 (with a message) when the name is not unique
// or the database failed.
qint64 findCard(TDatabase& db, const QString& name)
{
    qint64 id = 0;
    int found = 0;
    QString why;
    if (!ForEachRow(db, QStringLiteral("select ID from КартаПамяти where Name = ?"), {name}, why, [&](const TQuery& q) {
            id = q.Value(QStringLiteral("ID")).toLongLong();
            ++found;
        })) {
        err(why);
        return -1;
    }
    if (found > 1) {
        err(QStringLiteral("карт с именем \"%2\": %1; сначала переименуйте лишние").arg(found).arg(name));
        return -1;
    }
    return id;
}

int withUnit(const CliArgs& a, const std::function<int(TRouteTransfer&)>& body)
{
    noteDefaultAddress(a);
    if (!startTrace())
        return kExitFile;
    auto link = openFirstLink(a);
    if (!link)
        return kExitFailed;
    TZevaTransferLink tl(*link, uint16_t(a.addr));
    TRouteTransfer t{tl, {}, {}};
    if (!identifyForTransfer(*link, a.addr, a.blockSize, t.Setup))
        return kExitFailed;
    t.Hooks.Message = [&](MsgKind, const QString& text) { err(oneLine(text)); };
    t.Hooks.RunProgress = [&a](TProgressThread& run) {
        Progress bar(TransferCaption(run.Kind()), QString::fromStdString(a.port), a.addr, true,
                     "routes " + a.positional[1]);
        uint64_t bytes = 0;
        int64_t ms = 0;
        runProgress(run, bar, 0, bytes, ms);
        bar.finish();
    };
    return body(t);
}

// The ID of the route at 1-based position `number` in the card: 0 when there is none.
qint64 routeAt(TDatabase& db, qint64 cardId, unsigned number, QString& why)
{
    qint64 id = 0;
    if (!ForEachRow(db, QStringLiteral("select ID from Маршрут where ID_Card = ? order by Num, ID limit 1 offset ?"),
                    {cardId, int(number) - 1}, why,
                    [&](const TQuery& q) { id = q.Value(QStringLiteral("ID")).toLongLong(); }))
        return -1;
    return id;
}

}  // namespace

int CmdRoutes(const CliArgs& a)
{
    if (a.ports.size() > 1 || a.addrs.size() > 1 || a.addrAll)
        return usage("routes обращается к одному блоку");
    const std::string sub = a.positional.size() > 1 ? a.positional[1] : std::string();
    const bool import = sub == "import";
    const bool exporting = sub == "export";
    const bool withFile = import || exporting;
    if ((sub != "write" && sub != "read" && !withFile) || a.positional.size() != (withFile ? 3u : 2u)) {
        err(QStringLiteral("routes требует write, read, import ФАЙЛ или export ФАЙЛ"));
        return kExitUsage;
    }
    if (a.db.empty() || a.card.empty() || (import && a.route == 0)) {
        err(import ? QStringLiteral("routes import требует --db, --card и --route")
                   : QStringLiteral("routes требует --db и --card"));
        return kExitUsage;
    }
    std::optional<TExportFormat> format;
    if (!a.format.empty() && !exporting)
        return usage("--format относится только к routes export");
    if (exporting) {
        const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
        format = a.format.empty() ? ExportFormatOfFile(file) : ExportFormatByName(QString::fromStdString(a.format));
        if (!format)
            return usage(a.format.empty() ? "routes export: --format gpx или kml (или файл .gpx, .kml)"
                                          : "--format — gpx или kml, а не \"" + a.format + "\"");
    }
    const QString card = QString::fromLocal8Bit(a.card.c_str());
    TDatabase db;
    if (!db.Open(QString::fromLocal8Bit(a.db.c_str()), TDatabase::OpenMode::ExistingOnly)) {
        err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(a.db.c_str()), db.OpenFailureText()));
        return kExitFile;
    }
    qint64 cardId = findCard(db, card);
    if (cardId < 0)
        return kExitFile;
    if (cardId == 0 && sub != "read") {
        err(QStringLiteral("нет карты с именем \"%1\"").arg(card));
        return kExitFile;
    }
    TRouteStore store(db);

    if (sub == "write") {
        return withUnit(a, [&](TRouteTransfer& t) {
            TRouteImage image;
            TPageList pages;
            const TRouteMemResult r = WriteCardToUnit(db, cardId, t, image, pages, false);
            if (!r.Ok()) {
                if (r.FailPage >= 0)
                    err(QStringLiteral("запись остановилась на странице %1").arg(r.FailPage));
                return kExitFailed;
            }
            out(QStringLiteral("%1: записано маршрутов %2, поворотов %3, страниц %4")
                    .arg(card)
                    .arg(r.Routes)
                    .arg(r.Turns)
                    .arg(pages.Count()));
            return kExitOk;
        });
    }
    if (sub == "read") {
        return withUnit(a, [&](TRouteTransfer& t) {
            TRouteImage image;
            TPageList pages;
            TRouteMemResult r = ReadRouteTable(t, image, pages);
            if (!r.Ok())
                return kExitFailed;
            // A new card goes to the top of the tree; it exists only once the save succeeds.
            if (!db.BeginTrans())
                return err(db.LastError()), kExitFile;
            if (cardId == 0) {
                const TRouteOpResult added = store.AddCard(0, card);
                if (!added.Ok()) {
                    db.RollbackTrans();
                    err(added.Error);
                    return kExitFile;
                }
                cardId = added.Id;
            }
            r = SaveUnitRoutes(db, cardId, t, image, pages, false);
            if (!r.Ok() || !db.CommitTrans()) {
                db.RollbackTrans();
                return kExitFailed;
            }
            out(QStringLiteral("%1: сохранено маршрутов %2, поворотов %3").arg(card).arg(r.Routes).arg(r.Turns));
            return kExitOk;
        });
    }

    QString why;
    if (exporting) {
        QList<qint64> ids;
        if (a.route != 0) {
            const qint64 routeId = routeAt(db, cardId, a.route, why);
            if (routeId <= 0) {
                err(QStringLiteral("в карте \"%1\" нет маршрута %2").arg(card).arg(a.route));
                return kExitFile;
            }
            ids << routeId;
        } else if (!ForEachRow(db, QStringLiteral("select ID from Маршрут where ID_Card = ? order by Num, ID"),
                               {cardId}, why,
                               [&](const TQuery& q) { ids << q.Value(QStringLiteral("ID")).toLongLong(); })) {
            err(why);
            return kExitFile;
        }
        const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
        const TRouteExportResult r = ExportRoutes(db, ids, *format, file);
        if (!r.Ok) {
            err(QStringLiteral("%1: %2").arg(file, r.Error));
            return kExitFile;
        }
        for (const QString& note : r.Notes)
            err(note);
        out(QStringLiteral("%1: выгружено маршрутов %2, точек %3 карты \"%4\"")
                .arg(QFileInfo(file).fileName())
                .arg(r.Routes)
                .arg(r.Points)
                .arg(card));
        return kExitOk;
    }

    // import
    const qint64 routeId = routeAt(db, cardId, a.route, why);
    if (routeId <= 0) {
        err(QStringLiteral("в карте \"%1\" нет маршрута %2").arg(card).arg(a.route));
        return kExitFile;
    }
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    const auto book = OpenSpreadsheet(file, &why);
    if (!book || int(a.sheet) > book->SheetNames().size()) {
        err(QStringLiteral("%1: %2 (%3)")
                .arg(file, Msg::CannotOpenFile, book ? QStringLiteral("нет листа %1").arg(a.sheet) : why));
        return kExitFile;
    }
    const TImportRows rows = ReadImportRows(*book, int(a.sheet) - 1, RouteLayout::MaxTurns - store.TurnCount(routeId));
    const TImportResult stored = StoreImportedTurns(db, routeId, rows);
    if (!stored.Ok) {
        err(stored.Error);
        return kExitFile;
    }
    for (const QString& note : stored.Notes)
        err(note);
    if (rows.LimitReached)
        err(Msg::TooManyTurns.arg(RouteLayout::MaxTurns));
    out(QStringLiteral("%1: импортировано поворотов %2 в маршрут %3 карты \"%4\"")
            .arg(QFileInfo(file).fileName())
            .arg(stored.Imported)
            .arg(a.route)
            .arg(card));
    return kExitOk;
}

}  // namespace zcli
