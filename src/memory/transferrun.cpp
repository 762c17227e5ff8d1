#include "memory/transferrun.h"

#include "app/messages.h"

TTransferJob MakeTransferJob(const TTransferSetup& setup, TTransferKind kind, uint32_t addr, uint32_t count)
{
    TTransferJob job;
    job.Kind = kind;
    job.RegionStart = setup.ProgStart;
    job.RegionEnd = setup.MemSize;
    if (kind == tkReadExtMemPart || kind == tkWriteExtMemPart) {
        job.PartStart = addr;
        job.PartCount = count;
    }
    job.Ext = setup.Ext;
    job.ExtBlockSize = setup.ExtBlockSize;
    job.FlashBuf = setup.FlashBuf;
    job.ExtMemBuf = setup.ExtMemBuf;
    job.RouteImage = setup.RouteImage;
    job.Pages = setup.PageList;
    return job;
}

namespace {

TBlockResult sendModeCommand(TTransferLink& link, const TModeCommand& c)
{
    std::span<const uint8_t> answer;
    return link.Exchange(c.Cmd, c.Payload, answer);
}

// Presence is resumed on every way out.
struct PresenceBracket {
    const TTransferHooks& hooks;
    explicit PresenceBracket(const TTransferHooks& h) : hooks(h)
    {
        if (hooks.PausePresence)
            hooks.PausePresence();
    }
    ~PresenceBracket()
    {
        if (hooks.ResumePresence)
            hooks.ResumePresence();
    }
};

}  // namespace

TTransferReport StartTransfer(TTransferLink& link, const TTransferSetup& setup, TTransferKind kind, bool confirm,
                              uint32_t addr, uint32_t count, const TTransferHooks& hooks)
{
    TTransferReport report;
    auto message = [&](MsgKind k, const QString& text) {
        report.Message = text;
        report.MessageKind = k;
        if (hooks.Message)
            hooks.Message(k, text);
    };
    const TMode mode = TransferMode(setup.AutoDetectBL, setup.VersionBL51, setup.DeviceMode);
    {
        PresenceBracket presence(hooks);

        if (confirm && hooks.Confirm) {
            const QString* question = kind == tkWriteFLASH   ? &Msg::AskWriteFLASH
                                      : kind == tkWriteExtMem ? &Msg::AskWriteExtMem
                                                              : nullptr;
            if (question && !hooks.Confirm(*question)) {
                report.Declined = true;
                return report;
            }
        }
        if (IsFlashKind(kind)) {
            report.PrepareReason = sendModeCommand(link, TModeCommand{5, {}});
            if (report.PrepareReason != brOk) {
                report.PrepareRefused = true;
                message(MsgKind::Warning, Msg::TransferCommandRefused);
                return report;
            }
        }
        if (kind == tkWriteFLASH) {
            if (const auto pre = PreWriteCommand(mode); pre && sendModeCommand(link, *pre) != brOk) {
                report.PreWriteRefused = true;
                message(MsgKind::Warning, Msg::TransferCommandRefused);
            }
        }

        {
            TProgressThread thread(link, MakeTransferJob(setup, kind, addr, count));
            if (hooks.RunProgress)
                hooks.RunProgress(thread);
            if (!thread.Started())
                thread.Start();
            thread.Wait();
            report.Transfer = thread.Result();
        }

        if (kind == tkWriteFLASH && report.Transfer.Ok()) {
            if (const auto post = PostWriteCommand(mode); post && sendModeCommand(link, *post) != brOk) {
                report.PostWriteRefused = true;
                message(MsgKind::Warning, Msg::TransferCommandRefused);
            }
        }
    }

    const TTransferResult& t = report.Transfer;
    if (t.FailAddr < 0) {
        if (t.Ok() && (kind == tkCompareFLASH || kind == tkCompareExtMem))
            message(MsgKind::Information, Msg::NoDifferences);
        report.Ok = t.Ok();
        return report;
    }
    message(MsgKind::Warning, TransferFailText(kind, t.FailAddr));
    return report;
}
