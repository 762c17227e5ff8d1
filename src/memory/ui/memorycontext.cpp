#include "memory/ui/memorycontext.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "base/messageservice.h"
#include "link/devicesession.h"
#include "link/regiontracker.h"
#include "memory/transferrun.h"
#include "memory/ui/frmprogress.h"

namespace {

class TSilentLink : public TTransferLink {
public:
    TBlockResult Exchange(uint8_t, std::span<const uint8_t>, std::span<const uint8_t>&) override { return brNoAnswer; }
};

uint32_t clampRegion(int64_t v)
{
    return uint32_t(std::clamp<int64_t>(v, 0, 0xFFFFFFFF));
}

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
    DeviceSession* session = ctx.Session;
    TTransferSetup setup;
    setup.ProgStart = ctx.ProgStart();
    setup.MemSize = ctx.MemSize();
    setup.Ext = ctx.Ext();
    setup.DeviceMode = session ? session->DeviceMode() : mNone;
    if (ctx.Options) {
        const TBootOptions options = ctx.Options();
        setup.AutoDetectBL = options.AutoDetectBL;
        setup.VersionBL51 = options.VersionBL;
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
    // The hooks outlive this function (the route pages keep them), so the guard lives with them.
    auto pause = std::make_shared<std::optional<TPresencePause>>();
    hooks.PausePresence = [pause, session] {
        if (session)
            pause->emplace(*session);
    };
    hooks.ResumePresence = [pause] { pause->reset(); };
    hooks.Confirm = [](const QString& q) { return AskYesNo(q, AskIcon::Question); };
    hooks.Message = [](MsgKind k, const QString& text) { ShowMessage(k, text); };
    hooks.RunProgress = [&ctx](TProgressThread& thread) {
        TfrmProgress dlg(thread, ctx.Window);
        dlg.exec();
    };
    return hooks;
}

TTransferLink& TransferLink(const TMemoryContext& ctx)
{
    // Without a session every exchange goes unanswered, as on a port that could not be opened.
    static TSilentLink none;
    return ctx.Session ? static_cast<TTransferLink&>(*ctx.Session) : none;
}

bool StartTransfer(TMemoryContext& ctx, TTransferKind kind, bool confirm, uint32_t addr, uint32_t count)
{
    const TTransferSetup setup = MakeTransferSetup(ctx);
    const TTransferHooks hooks = MakeTransferHooks(ctx);
    const TTransferReport report = StartTransfer(TransferLink(ctx), setup, kind, confirm, addr, count, hooks);
    if (report.Transfer.FailAddr < 0 && !report.Declined && !report.PrepareRefused) {
        if (kind == tkReadFLASH && ctx.UpdateFLASHView)
            ctx.UpdateFLASHView(false);
        if (kind == tkReadExtMem && ctx.UpdateExtMemView)
            ctx.UpdateExtMemView(false);
    }
    return report.Ok;
}
