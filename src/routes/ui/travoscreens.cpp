#include "routes/ui/travoscreens.h"

#include <optional>

#include <QApplication>

#include "link/devicesession.h"
#include "link/zeva16.h"
#include "memory/ui/memorycontext.h"
#include "routes/routeset.h"
#include "routes/ui/routedialogs.h"
#include "routes/ui/routesetdialogs.h"
#include "routes/ui/travodialogs.h"
#include "routes/ui/travotab.h"

namespace {

void shoot(QWidget* w, const QString& name, const std::function<void(QWidget*, const QString&)>& save)
{
    w->show();
    QApplication::processEvents();
    save(w, name);
    w->hide();
}

}  // namespace

void TakeTravoScreenshots(TTravoTab& tab, TMemoryContext& ctx, int unitAddr,
                          const std::function<void(QWidget*, const QString&)>& save)
{
    TRouteTabState& state = tab.State();
    {
        TfrmEditCard dlg(state.Cards().empty() ? QString() : state.Cards().front().Name, &tab);
        shoot(&dlg, QStringLiteral("dialog-editcard"), save);
    }
    if (const TRouteListRow* route = state.Route()) {
        TfrmEditRoute dlg({route->Name1, route->Name2, route->Name3}, &tab);
        shoot(&dlg, QStringLiteral("dialog-editroute"), save);
    }
    if (const TTurnListRow* turn = state.Turn()) {
        TfrmEditTurn dlg(turn->Fields, &tab);
        shoot(&dlg, QStringLiteral("dialog-editturn"), save);
    }
    {
        TfrmChangePassword dlg(ctx.Session, &tab);
        shoot(&dlg, QStringLiteral("dialog-changepassword"), save);
    }
    {
        TfrmTRAVO_IU dlg(ctx.Session, &tab);
        shoot(&dlg, QStringLiteral("dialog-travo-iu"), save);
    }

    // The route set of the demo unit: the current card written into it and read back, without
    // questions and without a progress window.
    DeviceSession* session = ctx.Session;
    TZEVA16* zeva = session ? session->ZevaLink() : nullptr;
    if (!zeva || state.CardId() == 0)
        return;
    std::optional<TPresencePause> pause(std::in_place, *session);
    TZevaTransferLink link(*zeva, uint16_t(unitAddr));
    TRouteTransfer t{link, MakeTransferSetup(ctx), {}};
    TRouteImage& image = tab.Image();
    TPageList pages;
    const bool ok = WriteCardToUnit(tab.Database(), state.CardId(), t, image, pages, false).Ok() &&
                    ReadRouteTable(t, image, pages).Ok();
    const std::vector<TRouteSetRow> routes = ListRouteSet(image);
    const bool turns = ok && !routes.empty() && ReadRouteTurns(t, image, pages, {routes.front().Slot}).Ok();
    pause.reset();
    if (!ok)
        return;
    TfrmRoutes set(
        tab.Database(), state.CardId(), image, pages, [](const auto&) {}, &tab);
    shoot(&set, QStringLiteral("dialog-routes"), save);
    if (turns) {
        TfrmTurns list(image, routes.front().Slot, &tab);
        shoot(&list, QStringLiteral("dialog-turns"), save);
    }
}
