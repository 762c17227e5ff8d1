#include "cli/routescmd.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "base/messages.h"
#include "data/database.h"
#include "link/zeva16.h"
#include "routes/routememory.h"
#include "routes/routeset.h"
#include "routes/routestore.h"
#include "routes/spreadsheet.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

// The card by name: its ID, 0 when there is none, -1 (with a message) when the name is not unique
// or the database failed.
qint64 findCard(TDatabase& db, const QString& name, const TCliRouteContext& ctx)
{
    QSqlQuery q(db.Connection());
    q.prepare(QStringLiteral("select ID from КартаПамяти where Name = ?"));
    q.addBindValue(name);
    if (!q.exec()) {
        ctx.Err(q.lastError().text());
        return -1;
    }
    qint64 id = 0;
    int found = 0;
    while (q.next()) {
        id = q.value(0).toLongLong();
        ++found;
    }
    if (found > 1) {
        ctx.Err(QStringLiteral("карт с именем \"%2\": %1; сначала переименуйте лишние").arg(found).arg(name));
        return -1;
    }
    return id;
}

int withUnit(const CliArgs& a, const TCliRouteContext& ctx, const std::function<int(TRouteTransfer&)>& body)
{
    auto link = ctx.OpenLink();
    if (!link)
        return kExitFailed;
    TZevaTransferLink tl(*link, uint16_t(a.addr));
    TRouteTransfer t{tl, {}, {}};
    if (!ctx.Identify(*link, t.Setup))
        return kExitFailed;
    t.Hooks.Message = [&](MsgKind, const QString& text) { ctx.Err(oneLine(text)); };
    t.Hooks.RunProgress = ctx.RunProgress;
    return body(t);
}

}  // namespace

int CmdRoutes(const CliArgs& a, const TCliRouteContext& ctx)
{
    const std::string sub = a.positional.size() > 1 ? a.positional[1] : std::string();
    const bool import = sub == "import";
    if ((sub != "write" && sub != "read" && !import) || a.positional.size() != (import ? 3u : 2u)) {
        ctx.Err(QStringLiteral("routes требует write, read или import ФАЙЛ"));
        return kExitUsage;
    }
    if (a.db.empty() || a.card.empty() || (import && a.route == 0)) {
        ctx.Err(import ? QStringLiteral("routes import требует --db, --card и --route")
                       : QStringLiteral("routes требует --db и --card"));
        return kExitUsage;
    }
    const QString card = QString::fromLocal8Bit(a.card.c_str());
    TDatabase db;
    if (!db.Open(QString::fromLocal8Bit(a.db.c_str()), TDatabase::OpenMode::ExistingOnly)) {
        ctx.Err(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(a.db.c_str()), db.OpenFailureText()));
        return kExitFailed;
    }
    qint64 cardId = findCard(db, card, ctx);
    if (cardId < 0)
        return kExitFailed;
    if (cardId == 0 && sub != "read") {
        ctx.Err(QStringLiteral("нет карты с именем \"%1\"").arg(card));
        return kExitFailed;
    }
    TRouteStore store(db);

    if (sub == "write") {
        return withUnit(a, ctx, [&](TRouteTransfer& t) {
            TRouteImage image;
            TPageList pages;
            const TRouteMemResult r = WriteCardToUnit(db, cardId, t, image, pages, false);
            if (!r.Ok()) {
                if (r.FailPage >= 0)
                    ctx.Err(QStringLiteral("запись остановилась на странице %1").arg(r.FailPage));
                return kExitFailed;
            }
            ctx.Out(QStringLiteral("%1: записано маршрутов %2, поворотов %3, страниц %4")
                        .arg(card)
                        .arg(r.Routes)
                        .arg(r.Turns)
                        .arg(pages.Count()));
            return kExitOk;
        });
    }
    if (sub == "read") {
        return withUnit(a, ctx, [&](TRouteTransfer& t) {
            TRouteImage image;
            TPageList pages;
            TRouteMemResult r = ReadRouteTable(t, image, pages);
            if (!r.Ok())
                return kExitFailed;
            // A new card goes to the top of the tree; it exists only once the save succeeds.
            if (!db.BeginTrans())
                return ctx.Err(db.LastError()), kExitFailed;
            if (cardId == 0) {
                const TRouteOpResult added = store.AddCard(0, card);
                if (!added.Ok()) {
                    db.RollbackTrans();
                    ctx.Err(added.Error);
                    return kExitFailed;
                }
                cardId = added.Id;
            }
            r = SaveUnitRoutes(db, cardId, t, image, pages, false);
            if (!r.Ok() || !db.CommitTrans()) {
                db.RollbackTrans();
                return kExitFailed;
            }
            ctx.Out(QStringLiteral("%1: сохранено маршрутов %2, поворотов %3").arg(card).arg(r.Routes).arg(r.Turns));
            return kExitOk;
        });
    }

    // import
    QSqlQuery q(db.Connection());
    q.prepare(QStringLiteral("select ID from Маршрут where ID_Card = ? order by Num, ID limit 1 offset ?"));
    q.addBindValue(cardId);
    q.addBindValue(int(a.route) - 1);
    if (!q.exec() || !q.next()) {
        ctx.Err(QStringLiteral("в карте \"%1\" нет маршрута %2").arg(card).arg(a.route));
        return kExitFailed;
    }
    const qint64 routeId = q.value(0).toLongLong();
    q = QSqlQuery();
    const QString file = QString::fromLocal8Bit(a.positional[2].c_str());
    QString why;
    const auto book = OpenSpreadsheet(file, &why);
    if (!book || int(a.sheet) > book->SheetNames().size()) {
        ctx.Err(QStringLiteral("%1: %2 (%3)")
                    .arg(file, Msg::CannotOpenFile, book ? QStringLiteral("нет листа %1").arg(a.sheet) : why));
        return kExitFailed;
    }
    const TImportRows rows = ReadImportRows(*book, int(a.sheet) - 1, RouteLayout::MaxTurns - store.TurnCount(routeId));
    const TImportResult stored = StoreImportedTurns(db, routeId, rows.Rows);
    if (!stored.Ok) {
        ctx.Err(stored.Error);
        return kExitFailed;
    }
    if (rows.LimitReached)
        ctx.Err(Msg::TooManyTurns.arg(RouteLayout::MaxTurns));
    ctx.Out(QStringLiteral("%1: импортировано поворотов %2 в маршрут %3 карты \"%4\"")
                .arg(QFileInfo(file).fileName())
                .arg(stored.Imported)
                .arg(a.route)
                .arg(card));
    return kExitOk;
}
