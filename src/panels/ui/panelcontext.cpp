#include "panels/ui/panelcontext.h"

#include "app/devicesession.h"

TPanelPause::TPanelPause(TPanelContext& ctx) : FCtx(ctx)
{
    if (FCtx.PauseDepth++ == 0 && FCtx.Session)
        FCtx.Session->PausePresence();
    if (FCtx.EnableDeviceControls)
        FCtx.EnableDeviceControls({});
}

TPanelPause::~TPanelPause()
{
    if (--FCtx.PauseDepth == 0 && FCtx.Session)
        FCtx.Session->ResumePresence();
}

TPanelAnswer PanelSend(TPanelContext& ctx, uint8_t cmd, std::span<const uint8_t> payload)
{
    TPanelAnswer r;
    if (!ctx.Session)
        return r;
    r.Ok = ctx.Session->SendToDevice(cmd, payload, true, true);
    const TZEVA16* link = ctx.Session->ZevaLink();
    if (r.Ok && link)
        r.Answer.assign(link->BufZEVA().begin(), link->BufZEVA().begin() + link->CntZEVA());
    return r;
}
