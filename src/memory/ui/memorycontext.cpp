#include "memory/ui/memorycontext.h"

#include <algorithm>

#include "app/devicesession.h"
#include "app/messageservice.h"
#include "app/regiontracker.h"
#include "app/settings.h"
#include "memory/transferrun.h"
#include "memory/ui/frmprogress.h"

namespace {

uint32_t clampRegion(int64_t v)
{
    return uint32_t(std::clamp<int64_t>(v, 0, 0xFFFFFFFF));
}

// A port that is not there: every exchange goes unanswered.
class TNoLink : public TTransferLink {
public:
    TBlockResult Exchange(uint8_t, std::span<const uint8_t>, std::span<const uint8_t>&) override { return brNoAnswer; }
};

}  // namespace

uint32_t TMemoryContext::ProgStart() const
{
    return Region ? clampRegion(Region->ProgStart()) : 0xC00;
}

uint32_t TMemoryContext::MemSize() const
{
    return Region ? clampRegion(Region->MemSize()) : 0x8000;
}

uint32_t TMemoryContext::Ext() const
{
    return Region ? clampRegion(Region->Ext()) : 0x8000;
}

TTransferSetup MakeTransferSetup(const TMemoryContext& ctx)
{
    TZEVA16* zeva = ctx.Session ? ctx.Session->ZevaLink() : nullptr;
    TTransferSetup setup;
    setup.ProgStart = ctx.ProgStart();
    setup.MemSize = ctx.MemSize();
    setup.Ext = ctx.Ext();
    setup.DeviceMode = zeva ? zeva->InfoCopy().Mode : mNone;
    if (ctx.Settings) {
        setup.AutoDetectBL = ctx.Settings->AutoDetectBL;
        setup.VersionBL51 = ctx.Settings->VersionBL;
    }
    setup.ExtBlockSize = ctx.BlockSize();
    if (ctx.FlashBuf)
        setup.FlashBuf = ctx.FlashBuf->Span();
    if (ctx.ExtMemBuf)
        setup.ExtMemBuf = ctx.ExtMemBuf->Span();
    return setup;
}

TTransferHooks MakeTransferHooks(TMemoryContext& ctx)
{
    DeviceSession* session = ctx.Session;
    TTransferHooks hooks;
    hooks.PausePresence = [&ctx, session] {
        if (session)
            session->PausePresence();
        if (ctx.EnableDeviceControls)
            ctx.EnableDeviceControls({});
    };
    hooks.ResumePresence = [session] {
        if (session)
            session->ResumePresence();
    };
    hooks.Confirm = [](const QString& q) { return AskYesNo(q, AskIcon::Question); };
    hooks.Message = [](MsgKind k, const QString& text) { ShowMessage(k, text); };
    hooks.RunProgress = [&ctx](TProgressThread& thread) {
        TfrmProgress dlg(thread, ctx.Window);
        dlg.exec();
    };
    return hooks;
}

std::unique_ptr<TTransferLink> MakeTransferLink(const TMemoryContext& ctx)
{
    TZEVA16* zeva = ctx.Session ? ctx.Session->ZevaLink() : nullptr;
    if (zeva)
        return std::make_unique<TZevaTransferLink>(*zeva, ctx.Session->DevAddr);
    return std::make_unique<TNoLink>();
}

bool StartTransfer(TMemoryContext& ctx, TTransferKind kind, bool confirm, uint32_t addr, uint32_t count)
{
    const TTransferSetup setup = MakeTransferSetup(ctx);
    const TTransferHooks hooks = MakeTransferHooks(ctx);
    const auto link = MakeTransferLink(ctx);
    const TTransferReport report = StartTransfer(*link, setup, kind, confirm, addr, count, hooks);
    if (report.Transfer.FailAddr < 0 && !report.Declined && !report.PrepareRefused) {
        if (kind == tkReadFLASH && ctx.UpdateFLASHView)
            ctx.UpdateFLASHView(false);
        if (kind == tkReadExtMem && ctx.UpdateExtMemView)
            ctx.UpdateExtMemView(false);
    }
    return report.Ok;
}
