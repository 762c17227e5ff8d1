#include "link/devicesession.h"

#include <optional>

#include <QDir>
#include <QThread>

#include "base/mainthreadcalls.h"
#include "base/messages.h"
#include "base/messageservice.h"
#include "link/portdoctor.h"

DeviceSession::DeviceSession() = default;

DeviceSession::~DeviceSession()
{
    CloseLink();
}

DeviceSession::OpenResult DeviceSession::OpenLink(const PortSettings& settings)
{
    // The presence thread must not be using the link we are about to replace.
    PausePresence();
    OpenResult result;
    FLink.reset();
    if (settings.Number <= 0) {
        if (onControlsDisabled)
            onControlsDisabled();
        return result;
    }
    FLink = std::make_unique<TZEVA16>(uint8_t(settings.Number & 0xFF), uint32_t(settings.BaudRate), settings.TimeOut,
                                      kLinkBufSize);
    FLink->SetRTS(settings.RTS);
    FLink->SetDTR(settings.DTR);
    FLink->RepCount = uint8_t(settings.RepCount & 0xFF);
    FLink->OnFrame = [this, port = "COM" + std::to_string(settings.Number)](const TFrameEvent& e) {
        FFrames.Push(e, port);
    };
    if (FLink->Error() != errNoError)
        result.portError =
            Msg::PortUnavailable.arg(settings.Number) + QStringLiteral("\r\n") +
            PortOpenFailureReport(uint8_t(settings.Number & 0xFF), PortMap::PathFor(settings.Number & 0xFF),
                                  FLink->OpenFailure(), FLink->OpenErrno());
    else
        result.opened = true;
    try {
        const QString path = catalogPath.isEmpty() ? DefaultMCUCatalogPath() : catalogPath;
        FLink->SetMCUs(LoadMCUCatalog(path));
        if (FLink->Catalog().empty())
            result.catalogError =
                Msg::CatalogNotLoaded.arg(Msg::CatalogNoControllers.arg(QDir::toNativeSeparators(path)));
    } catch (const McuCatalogError& e) {
        result.catalogError = Msg::CatalogNotLoaded.arg(e.Russian());
    }
    return result;
}

void DeviceSession::CloseLink()
{
    PausePresence();
    FLink.reset();
}

bool DeviceSession::ReopenIfBack(const PortSettings& settings)
{
    const TZEVA16* link = FLink.get();
    if (!link || settings.Number <= 0 || (link->IsOpen() && !link->HungUp()))
        return false;
    // A foreground operation (a transfer, a scan on a thread of its own) still holds the link.
    if (FPauseDepth > 0)
        return false;
    // Probe first: reopening drops the catalogue and restarts identification from mNone, which
    // is pointless while the device is still away.
    if (!TCOMPort::AccessCOM(uint8_t(settings.Number & 0xFF)))
        return false;
    return OpenLink(settings).startPresence();
}

void DeviceSession::PausePresence()
{
    if (!FThread)
        return;
    FRun.store(false);
    {
        std::lock_guard lock(FIdleLock);
        FIdleWake.notify_all();
    }
    // The thread may be inside an identification (up to RepCount × (TimeOut + guard) ms against a
    // silent device) and may still ask for one display step; keep serving it until it has ended.
    while (!MainThreadCalls::waitServing([this] { return FEnded.load(); }, 1000)) {
    }
    FThread->wait();
    FThread.reset();
}

void DeviceSession::ResumePresence()
{
    // Two threads on one link would interleave their frames.
    if (FThread)
        return;
    FPolledAddr.store(DevAddr);
    FEnded.store(false);
    FRun.store(true);
    FThread.reset(QThread::create([this] { presenceBody(); }));
    FThread->setObjectName(QStringLiteral("presence"));
    FThread->start(QThread::LowestPriority);
}

void DeviceSession::idle(int ms)
{
    std::unique_lock lock(FIdleLock);
    FIdleWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !FRun.load(); });
}

void DeviceSession::presenceBody()
{
    // The link does not change while this thread exists (it is replaced only while paused).
    TZEVA16* link = FLink.get();
    while (FRun.load()) {
        if (!link) {
            idle(kNoLinkPauseMs);
            continue;
        }
        const uint16_t asked = FPolledAddr.load();
        link->GetDeviceInfo(asked);
        const TDeviceInfo info = link->InfoCopy();
        const TParams params = link->ParamsCopy();
        ++FCycles;
        MainThreadCalls::run([&] {
            FShownAddr = asked;
            FPolledAddr.store(DevAddr);
            if (onDisplay)
                onDisplay(info, params);
        });
        // A vanished or never-opened port fails every exchange at once; do not spin on it.
        if (link->HungUp() || !link->IsOpen())
            idle(kDeadLinkPauseMs);
    }
    FRun.store(false);
    // Ended inside notify(): the pause that sees the flag is then ordered after this thread's
    // last step, which a sanitizer cannot tell through QThread::wait().
    MainThreadCalls::notify([this] { FEnded.store(true); });
}

TMode DeviceSession::DeviceMode() const
{
    return FLink ? FLink->InfoCopy().Mode : mNone;
}

TBlockResult DeviceSession::Exchange(uint8_t cmd, std::span<const uint8_t> payload, std::span<const uint8_t>& answer)
{
    answer = {};
    if (FScripted)
        return FScripted->Exchange(cmd, payload, answer);
    if (!FLink)
        return brNoAnswer;
    TZevaTransferLink link(*FLink, DevAddr);
    return link.Exchange(cmd, payload, answer);
}

TError DeviceSession::LinkError() const
{
    if (FScripted)
        return FScripted->LinkError();
    return FLink ? FLink->Error() : errNotOpenPort;
}

bool DeviceSession::SendToDevice(uint8_t cmd, std::span<const uint8_t> data, bool presencePaused, bool silent)
{
    if (!HasLink())
        return false;
    std::optional<TPresencePause> pause;
    if (!presencePaused)
        pause.emplace(*this);
    // A payload too long for the link is dropped unsent and unannounced.
    if (!FScripted && data.size() > FLink->BufZEVA().size())
        return false;
    const TExchangeResult r = Send(cmd, data);
    if (!r.Accepted() && !silent)
        ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
    return r.Accepted();
}

TPresencePause::TPresencePause(DeviceSession& session) : FSession(session)
{
    if (FSession.FPauseDepth++ == 0)
        FSession.PausePresence();
    if (FSession.onControlsDisabled)
        FSession.onControlsDisabled();
}

TPresencePause::~TPresencePause()
{
    if (--FSession.FPauseDepth == 0)
        FSession.ResumePresence();
}
