#include "memory/transferrun.h"

#include "base/messages.h"
#include "link/commands.h"

TTransferJob MakeTransferJob(const TTransferSetup& setup, TTransferKind kind, uint32_t addr, uint32_t count)
{
    TTransferJob job;
    job.Kind = kind;
    job.RegionStart = setup.ProgStart;
    job.RegionEnd = setup.MemSize;
    if (kind == tkReadExtMemPart || kind == tkWriteExtMemPart || kind == tkCompareExtMemPart) {
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

QString reasonText(TBlockResult r)
{
    switch (r) {
    case brRefused: return Msg::ReasonRefused;
    case brNoAnswer: return Msg::ReasonNoAnswer;
    case brGone: return Msg::ReasonGone;
    case brBadLength: return Msg::ReasonBadAnswer;
    default: return Msg::ReasonNotDone;
    }
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

QString ModeCommandFailText(const TModeCommand& c, TBlockResult reason, bool beforeWrite)
{
    QString cmd = QStringLiteral("%1").arg(c.Cmd, 2, 16, QLatin1Char('0')).toUpper();
    for (uint8_t b : c.Payload)
        cmd += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return (beforeWrite ? Msg::PreWriteFailed : Msg::PostWriteFailed).arg(cmd, reasonText(reason));
}

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
            const QString* question = kind == tkWriteFLASH    ? &Msg::AskWriteFLASH
                                      : kind == tkWriteExtMem ? &Msg::AskWriteExtMem
                                                              : nullptr;
            if (question && !hooks.Confirm(*question)) {
                report.Declined = true;
                return report;
            }
        }
        // Checked before the preparing command and the erase: an unknown region must not cost the program.
        if (IsFlashKind(kind) && setup.ProgStart >= setup.MemSize) {
            report.Transfer.Outcome = TTransferOutcome::Failed;
            report.Transfer.Reason = brOutside;
            message(MsgKind::Error, Msg::NoProgramRegion);
            return report;
        }
        if (IsFlashKind(kind)) {
            report.PrepareReason = sendModeCommand(link, TModeCommand{zcmd::kPrepareFLASH, {}});
            if (report.PrepareReason != brOk) {
                report.PrepareRefused = true;
                message(MsgKind::Warning,
                        report.PrepareReason == brRefused
                            ? Msg::TransferCommandRefused
                            : Msg::CommandFailed.arg(QStringLiteral("05"), reasonText(report.PrepareReason)));
                return report;
            }
        }
        if (kind == tkWriteFLASH) {
            // Blocks written without the erase that should precede them would mix old and new code.
            if (const auto pre = PreWriteCommand(mode)) {
                report.ModeReason = sendModeCommand(link, *pre);
                if (report.ModeReason != brOk) {
                    report.PreWriteFailed = true;
                    message(MsgKind::Error, ModeCommandFailText(*pre, report.ModeReason, true));
                    return report;
                }
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
            if (const auto post = PostWriteCommand(mode)) {
                report.ModeReason = sendModeCommand(link, *post);
                if (report.ModeReason != brOk) {
                    report.PostWriteFailed = true;
                    message(MsgKind::Error, ModeCommandFailText(*post, report.ModeReason, false));
                    return report;
                }
            }
        }
    }

    const TTransferResult& t = report.Transfer;
    if (t.FailAddr < 0) {
        if (t.Ok() && (kind == tkCompareFLASH || kind == tkCompareExtMem || kind == tkCompareExtMemPart))
            message(MsgKind::Information, Msg::NoDifferences);
        report.Ok = t.Ok();
        return report;
    }
    message(MsgKind::Warning, TransferFailText(kind, t.Outcome, t.FailAddr));
    return report;
}
