#include "routes/routememory.h"

#include "base/messages.h"
#include "data/database.h"
#include "routes/routeset.h"

using TStatus = TRouteMemResult::TStatus;

bool CheckRouteMemory(TTransferLink& link, TRouteImage& image)
{
    return ReadAT45Page(link, 0, image.Page(0)) == brOk && image.ApplyFormatMarker();
}

namespace {

void show(TRouteTransfer& t, TRouteMemResult& r, MsgKind kind, const QString& text)
{
    r.Message = text;
    if (t.Hooks.Message)
        t.Hooks.Message(kind, text);
}

bool ask(TRouteTransfer& t, const QString& question)
{
    return !t.Hooks.Confirm || t.Hooks.Confirm(question);
}

// The format check with presence paused around its one page.
bool checked(TRouteTransfer& t, TRouteImage& image, TRouteMemResult& r)
{
    if (t.Hooks.PausePresence)
        t.Hooks.PausePresence();
    const bool ok = CheckRouteMemory(t.Link, image);
    if (t.Hooks.ResumePresence)
        t.Hooks.ResumePresence();
    if (!ok) {
        r.Status = TStatus::NotFormatted;
        show(t, r, MsgKind::Warning, Msg::NotFormatted);
    }
    return ok;
}

void transfer(TRouteTransfer& t, TRouteImage& image, const TPageList& pages, TTransferKind kind, TRouteMemResult& r)
{
    t.Setup.RouteImage = image.Span();
    t.Setup.PageList = pages.Pages();
    r.Transfer = StartTransfer(t.Link, t.Setup, kind, false, 0, 0, t.Hooks);
    if (r.Transfer.Ok)
        return;
    r.Status = TStatus::Failed;
    r.Message = r.Transfer.Message;
    const int32_t at = r.Transfer.Transfer.FailAddr;
    if (at >= 0 && size_t(at / RouteLayout::PageSize) < pages.Pages().size())
        r.FailPage = pages.Pages()[size_t(at / RouteLayout::PageSize)];
}

}  // namespace

TRouteMemResult WriteCardToUnit(TDatabase& db, qint64 cardId, TRouteTransfer& t, TRouteImage& image, TPageList& pages,
                                bool confirm)
{
    TRouteMemResult r;
    if (confirm && !ask(t, Msg::AskWriteRoutes)) {
        r.Status = TStatus::Declined;
        return r;
    }
    if (!checked(t, image, r))
        return r;
    const TCardPackResult pack = PackCard(db, cardId, image, pages);
    if (!pack.Ok()) {
        r.Status = TStatus::Refused;
        show(t, r, pack.Status == TCardPackResult::TStatus::DatabaseError ? MsgKind::Error : MsgKind::Warning,
             pack.Message(image.MaxRoutes()));
        return r;
    }
    r.Routes = pack.Routes;
    r.Turns = pack.Turns;
    transfer(t, image, pages, tkWriteAT45, r);
    return r;
}

TRouteMemResult ReadRouteTable(TRouteTransfer& t, TRouteImage& image, TPageList& pages)
{
    TRouteMemResult r;
    if (!checked(t, image, r))
        return r;
    pages.Clear();
    pages.AddRouteTablePages(image.MaxRoutes());
    transfer(t, image, pages, tkReadAT45, r);
    if (r.Ok())
        r.Routes = int(ListRouteSet(image).size());
    return r;
}

TRouteMemResult ReadRouteTurns(TRouteTransfer& t, TRouteImage& image, TPageList& pages,
                               const std::vector<int>& slotList)
{
    TRouteMemResult r;
    if (!checked(t, image, r))
        return r;
    pages.Clear();
    for (int slot : slotList)
        pages.AddRouteTurnPages(image.MaxRoutes(), slot);
    transfer(t, image, pages, tkReadAT45, r);
    return r;
}

TRouteMemResult SaveUnitRoutes(TDatabase& db, qint64 cardId, TRouteTransfer& t, TRouteImage& image, TPageList& pages,
                               bool confirm)
{
    TRouteMemResult r;
    if (confirm && !ask(t, Msg::AskSaveRouteSet)) {
        r.Status = TStatus::Declined;
        return r;
    }
    // The route table the window lists: the slotList whose turns are to be read.
    std::vector<int> slotList;
    for (const TRouteSetRow& row : ListRouteSet(image))
        slotList.push_back(row.Slot);
    r = ReadRouteTurns(t, image, pages, slotList);
    if (!r.Ok())
        return r;
    const TSaveResult saved = SaveRouteSet(db, cardId, image, slotList);
    if (!saved.Ok) {
        r.Status = TStatus::SaveFailed;
        show(t, r, MsgKind::Error, saved.Error);
        return r;
    }
    r.Routes = saved.Routes;
    r.Turns = saved.Turns;
    return r;
}
