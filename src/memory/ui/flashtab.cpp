#include "memory/ui/flashtab.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTime>
#include <QVBoxLayout>

#include "base/mainthreadcalls.h"
#include "base/messages.h"
#include "base/messageservice.h"
#include "data/datamodule.h"
#include "link/commands.h"
#include "link/devicesession.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/filedrop.h"
#include "memory/ui/hexgrid.h"
#include "memory/ui/recentmenu.h"

namespace {

QPushButton* button(QWidget* parent, const QString& text, const char* name, TControlGroup tag)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    ControlGroups::Tag(b, tag);
    return b;
}

void setRed(QLabel* label, bool red)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    label->setPalette(p);
}

}  // namespace

TFlashTab::TFlashTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent) : TPanel(host, parent), FCtx(ctx)
{
    setObjectName(QStringLiteral("FlashTab"));
    FLASH = new THexGrid(35, this);
    FLASH->setObjectName(QStringLiteral("FLASH"));
    FLASH->SetCellFn([this](int r, int c) {
        return hexgrid::CellText(Window(), FCtx.FlashBuf ? FCtx.FlashBuf->Data() : nullptr, r, c);
    });

    btnReadFLASH = button(this, Msg::MemRead, "btnReadFLASH", cgFlash);
    btnWriteFLASH = button(this, Msg::MemWrite, "btnWriteFLASH", cgFlash);
    btnWriteFLASH->setToolTip(Msg::HintWriteFLASH);
    btnCompareFLASH = button(this, Msg::MemCompare, "btnCompareFLASH", cgFlash);
    RunAfterSave = new QCheckBox(Msg::RunAfterSave, this);
    RunAfterSave->setObjectName(QStringLiteral("RunAfterSave"));
    ControlGroups::Tag(RunAfterSave, cgBootloader);
    VerifyAfterSave = new QCheckBox(Msg::VerifyAfterSave, this);
    VerifyAfterSave->setObjectName(QStringLiteral("VerifyAfterSave"));
    VerifyAfterSave->setChecked(true);
    ControlGroups::Tag(VerifyAfterSave, cgBootloader);
    ReloadFile = new QCheckBox(Msg::ReloadFile, this);
    ReloadFile->setObjectName(QStringLiteral("ReloadFile"));
    ControlGroups::Tag(ReloadFile, cgBootloader);
    btnOpenFLASH = button(this, Msg::MemOpen, "btnOpenFLASH", cgFlash);
    btnSaveFLASH = button(this, Msg::MemSave, "btnSaveFLASH", cgFlash);
    btnWriteFLASHToAll = button(this, Msg::WriteFLASHToAll, "btnWriteFLASHToAll", cgFlash);
    btnWriteFLASHToAll->setVisible(false);

    auto* gbMCU = new QGroupBox(Msg::GroupMCU, this);
    gbMCU->setObjectName(QStringLiteral("GB_MCU1"));
    LabelMCU1 = new QLabel(Msg::PresenceNoValue, gbMCU);
    LabelMCU1->setObjectName(QStringLiteral("LabelMCU1"));
    QFont bold = LabelMCU1->font();
    bold.setBold(true);
    LabelMCU1->setFont(bold);
    ChecksumFLASH = new QLabel(Msg::ChecksumEmpty, gbMCU);
    ChecksumFLASH->setObjectName(QStringLiteral("ChecksumFLASH"));
    ChecksumFLASH->setAutoFillBackground(false);
    LabelFLASHFile = new QLabel(Msg::FlashFileNone, this);
    LabelFLASHFile->setObjectName(QStringLiteral("LabelFLASHFile"));
    LabelFLASHFile->setWordWrap(true);
    auto* mcuLayout = new QVBoxLayout(gbMCU);
    mcuLayout->addWidget(LabelMCU1);
    mcuLayout->addWidget(ChecksumFLASH);

    connect(btnReadFLASH, &QPushButton::clicked, this, [this] { btnReadFLASHClick(); });
    connect(btnWriteFLASH, &QPushButton::clicked, this, [this] { btnWriteFLASHClick(); });
    connect(btnCompareFLASH, &QPushButton::clicked, this, [this] { btnCompareFLASHClick(); });
    connect(btnOpenFLASH, &QPushButton::clicked, this, [this] { btnOpenFLASHClick(); });
    connect(btnSaveFLASH, &QPushButton::clicked, this, [this] { btnSaveFLASHClick(); });
    connect(btnWriteFLASHToAll, &QPushButton::clicked, this, [this] { btnWriteFLASHToAllClick(); });

    auto* side = new QVBoxLayout;
    side->addWidget(btnReadFLASH);
    side->addWidget(btnWriteFLASH);
    side->addWidget(btnCompareFLASH);
    side->addSpacing(6);
    side->addWidget(RunAfterSave);
    side->addWidget(VerifyAfterSave);
    side->addWidget(ReloadFile);
    side->addSpacing(6);
    side->addWidget(btnOpenFLASH);
    side->addWidget(btnSaveFLASH);
    side->addWidget(btnWriteFLASHToAll);
    side->addSpacing(6);
    side->addWidget(LabelFLASHFile);
    side->addStretch();
    side->addWidget(gbMCU);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(FLASH, 1);
    layout->addLayout(side);
    // Grid: header column, 16 columns and the scroll bar, nothing more.
    FLASH->SetLaidOutWidth(THexGrid::kHeaderColumnWidth + 16 * 35 + FLASH->verticalScrollBar()->sizeHint().width() + 4);

    // This tab reads Intel HEX only, whatever type the open dialog was left on.
    new TFileDrop(this, btnOpenFLASH, {QStringLiteral("hex")}, [this](const QString& path) { LoadFLASHFile(path); });
    RecentMenu = new TRecentMenu(
        Msg::TabFLASH, FRecent, btnOpenFLASH,
        [this](const QString& path) {
            Host.ShowTab(QStringLiteral("tsFLASH"));
            LoadFLASHFile(path);
        },
        this);
    RecentMenu->setObjectName(QStringLiteral("M_RecentFLASH"));
    ControlGroups::Tag(RecentMenu->menuAction(), cgFlash);

    FCtx.UpdateFLASHView = [this](bool reset) { UpdateFLASHView(reset); };
    UpdateFLASHView(true);
}

hexgrid::TWindow TFlashTab::Window() const
{
    return {int64_t(FCtx.ProgStart()), int64_t(FCtx.MemSize()), TMemoryImage::kSize};
}

void TFlashTab::AttachModeButtons(QPushButton* reset, QPushButton* runProgram, QPushButton* runBootloader)
{
    if (reset) {
        reset->setToolTip(Msg::HintReset);
        connect(reset, &QPushButton::clicked, this, [this] { btnResetClick(); });
    }
    if (runProgram) {
        runProgram->setToolTip(Msg::HintRunProgram);
        connect(runProgram, &QPushButton::clicked, this, [this] { btnRunProgramClick(); });
    }
    if (runBootloader) {
        runBootloader->setToolTip(Msg::HintRunBootloader);
        connect(runBootloader, &QPushButton::clicked, this, [this] { btnRunBootloaderClick(); });
    }
}

void TFlashTab::ReadSettings(const TSettingsSection& section)
{
    RunAfterSave->setChecked(section.Bool(QStringLiteral("Run after save")));
    VerifyAfterSave->setChecked(section.Bool(QStringLiteral("Verify after save"), true));
    ReloadFile->setChecked(section.Bool(QStringLiteral("Reload file")));
    FRecent.Read(section.Sub(QStringLiteral("Recent files")));
    RecentMenu->Rebuild();
}

void TFlashTab::WriteSettings(TSettingsSection& section) const
{
    section.SetBool(QStringLiteral("Run after save"), RunAfterSave->isChecked());
    section.SetBool(QStringLiteral("Verify after save"), VerifyAfterSave->isChecked());
    section.SetBool(QStringLiteral("Reload file"), ReloadFile->isChecked());
    TSettingsSection recent = section.Sub(QStringLiteral("Recent files"));
    FRecent.Write(recent);
}

void TFlashTab::ShowDevice(const TPresenceFeed& feed)
{
    ShowMCU(feed.View.mcuText);
    const TDeviceInfo& info = feed.Info;
    if (info.Mode == mNone) {
        FAnswered.reset();
        return;
    }
    FPart = memorypanel::PartName(info);
    if (info.MemSize > info.ProgStart)
        FAnswered = memorypanel::TFlashRegion{FPart, info.ProgStart, info.MemSize};
    else
        FAnswered.reset();
}

void TFlashTab::ShowMCU(const QString& text)
{
    LabelMCU1->setText(text);
}

memorypanel::TFlashRegion TFlashTab::DeviceRegion() const
{
    // The window's copies follow a smaller region only after a while; a transfer must not.
    if (FAnswered)
        return *FAnswered;
    return {FPart, FCtx.ProgStart(), FCtx.MemSize()};
}

bool TFlashTab::LoadFLASHFile(const QString& path)
{
    if (!LoadFLASHFile(path, DeviceRegion()))
        return false;
    FRecent.Add(path);
    RecentMenu->Rebuild();
    return true;
}

bool TFlashTab::LoadFLASHFile(const QString& path, const memorypanel::TFlashRegion& region)
{
    QString error;
    if (!LoadHexImage(*FCtx.FlashBuf, path, region.Start, region.End, error)) {
        ShowMessage(MsgKind::Error, error);
        return false;
    }
    FOrigin.Loaded(path, region);
    const QFileInfo info(path);
    LabelFLASHFile->setText(
        Msg::FlashFileLoaded.arg(info.fileName(),
                                 QLocale().toString(info.lastModified(), QStringLiteral("dd.MM.yyyy hh:mm:ss"))) +
        QLatin1Char('\n') + memorypanel::RegionText(region));
    LabelFLASHFile->setToolTip(QDir::toNativeSeparators(info.absoluteFilePath()));
    UpdateFLASHView(false);
    return true;
}

bool TFlashTab::FitBuffer(const memorypanel::TFlashRegion& device)
{
    const memorypanel::TBufferCheck check = FOrigin.Check(device, ReloadFile->isChecked());
    switch (check.Step) {
    case memorypanel::TBufferStep::Use: return true;
    case memorypanel::TBufferStep::Reload: return LoadFLASHFile(FOrigin.Path(), device);
    case memorypanel::TBufferStep::Refuse: break;
    }
    ShowMessage(MsgKind::Error, check.Message);
    return false;
}

bool TFlashTab::PrepareWrite(const memorypanel::TFlashRegion& device)
{
    // A file that no longer loads (or no longer fits the device) is shown and nothing is
    // written: the buffer would be stale.
    if (ReloadFile->isChecked() && !FOrigin.Path().isEmpty())
        return LoadFLASHFile(FOrigin.Path(), device);
    return FitBuffer(device);
}

bool TFlashTab::Transfer(TTransferKind kind, const memorypanel::TFlashRegion& region, bool confirm, bool quietSuccess)
{
    TTransferSetup setup = MakeTransferSetup(FCtx);
    setup.ProgStart = region.Start;
    setup.MemSize = region.End;
    TTransferHooks hooks = MakeTransferHooks(FCtx);
    if (quietSuccess)
        hooks.Message = [show = hooks.Message](MsgKind k, const QString& text) {
            if (k != MsgKind::Information && show)
                show(k, text);
        };
    return StartTransfer(TransferLink(FCtx), setup, kind, confirm, 0, 64, hooks).Ok;
}

void TFlashTab::UpdateFLASHView(bool reset)
{
    const hexgrid::TWindow w = Window();
    FLASH->SetRowCount(hexgrid::RowCount(w));
    const auto shown = FMark.Update(hexgrid::Checksum(w, FCtx.FlashBuf->Data()), reset);
    ChecksumFLASH->setText(shown.Text);
    FChecksumRed = shown.Red;
    setRed(ChecksumFLASH, shown.Red);
    FLASH->Refresh();
}

void TFlashTab::btnReadFLASHClick()
{
    // A line from an earlier run must not pass for this one.
    Host.ShowStatusLine(QString());
    const memorypanel::TFlashRegion device = DeviceRegion();
    if (Transfer(tkReadFLASH, device, true)) {
        FOrigin.ReadFrom(device);
        ShowDone(Msg::StatusFlashRead);
        LabelFLASHFile->setText(Msg::FlashFromDevice.arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))) +
                                QLatin1Char('\n') + memorypanel::RegionText(device));
        LabelFLASHFile->setToolTip(QString());
    }
    UpdateFLASHView(false);
}

void TFlashTab::btnWriteFLASHClick()
{
    // F5 reaches this handler in every device state; the button's state decides.
    if (!btnWriteFLASH->isEnabled())
        return;
    const memorypanel::TFlashRegion device = DeviceRegion();
    if (!PrepareWrite(device))
        return;
    const QString path = FOrigin.Path();
    if (path.isEmpty() && !AskYesNo(Msg::AskFirmwareNotLoaded, AskIcon::Question))
        return;
    Host.ShowStatusLine(QString());
    if (!Transfer(tkWriteFLASH, device, true))
        return;
    const QString name = QFileInfo(path).fileName();
    if (VerifyAfterSave->isChecked()) {
        // A block the device acknowledged is not yet a block that took; the program starts only
        // from a verified image.
        if (!Transfer(tkCompareFLASH, device, false, true))
            return;
        ShowDone(path.isEmpty() ? Msg::StatusFlashVerified : Msg::StatusFlashVerifiedFile.arg(name));
    } else {
        ShowDone(path.isEmpty() ? Msg::StatusFlashWritten : Msg::StatusFlashWrittenFile.arg(name));
    }
    if (RunAfterSave->isChecked())
        btnRunProgramClick();
}

void TFlashTab::btnCompareFLASHClick()
{
    Host.ShowStatusLine(QString());
    const memorypanel::TFlashRegion device = DeviceRegion();
    if (FitBuffer(device) && Transfer(tkCompareFLASH, device, true))
        ShowDone(Msg::StatusFlashCompared);
}

void TFlashTab::btnOpenFLASHClick()
{
    QString path;
    int filter = 1;
    if (FileDialogs::instance().open(this, Msg::MemOpenFilter, path, filter))
        LoadFLASHFile(path);  // always Intel HEX on this tab
}

void TFlashTab::btnSaveFLASHClick()
{
    QString path;
    int filter = 1;
    if (!FileDialogs::instance().save(this, Msg::MemSaveFilter, path, filter))
        return;
    QString error;
    // The buffer's own addresses, not the selected device's.
    const memorypanel::TFlashRegion region = FOrigin.Region().value_or(DeviceRegion());
    if (!SaveHexImage(*FCtx.FlashBuf, path, region.Start, region.End, error))
        ShowMessage(MsgKind::Error, error);
}

void TFlashTab::SendModeCommand(uint8_t cmd, const QString& refusedText)
{
    DeviceSession& s = Host.Session();
    TPresencePause pause(s);
    if (!s.HasLink())
        return;
    const TExchangeResult r = s.Send(cmd);
    if (!r.Accepted())
        ShowMessage(MsgKind::Warning, r.Outcome == TExchangeOutcome::Refused ? refusedText : Msg::CommandNotAccepted);
}

void TFlashTab::btnRunProgramClick()
{
    SendModeCommand(zcmd::kRunProgram, Msg::NoMainProgram);
    if (!FRememberedTab.isEmpty())
        Host.ShowTab(FRememberedTab);
}

void TFlashTab::btnRunBootloaderClick()
{
    SendModeCommand(zcmd::kRunBootloader, Msg::CommandNotAccepted);
    FRememberedTab = Host.ActiveTabName();
    Host.ShowTab(QStringLiteral("tsFLASH"));
}

void TFlashTab::btnResetClick()
{
    const bool resetSystem = FCtx.Options && FCtx.Options().ResetSystem;
    Host.Session().SendToDevice(resetSystem ? zcmd::kResetSystem : zcmd::kReset, {}, false, false);
}

void TFlashTab::btnWriteFLASHToAllClick()
{
    std::vector<uint16_t> addrs;
    if (FCtx.Dm && FCtx.Dm->tblDevice.Active()) {
        TTable& t = FCtx.Dm->tblDevice;
        for (int row = 0; row < t.RecordCount(); ++row)
            addrs.push_back(uint16_t(t.RowValue(row, QStringLiteral("Addr")).toInt() & 0x7FFF));
    }
    DeviceSession* s = &Host.Session();
    auto currentMode = [s] { return s->DeviceMode(); };
    memorypanel::TWriteAllHooks h;
    h.Confirm = [](const QString& q) { return AskYesNo(q, AskIcon::Question); };
    h.ShowDeviceTab = [this] { Host.ShowTab(QStringLiteral("tsDevice")); };
    h.SelectDevice = [this, s](uint16_t addr) {
        s->DevAddr = addr;
        if (FCtx.Dm && FCtx.Dm->tblDevice.Active())
            FCtx.Dm->tblDevice.Refresh();
    };
    // Waiting serves the presence display, which is how the new device's mode arrives.
    h.Sleep = [](int ms) { MainThreadCalls::waitServing([] { return false; }, ms); };
    h.WaitMode = [currentMode](const std::function<bool(TMode)>& ok, int ms) {
        MainThreadCalls::waitServing([&] { return ok(currentMode()); }, ms);
        return currentMode();
    };
    h.RunBootloader = [this] { btnRunBootloaderClick(); };
    // Every device is checked against the buffer, and compared after its write, as a single write is.
    h.WriteFLASH = [this] {
        const memorypanel::TFlashRegion device = DeviceRegion();
        return PrepareWrite(device) && Transfer(tkWriteFLASH, device, false) &&
               (!VerifyAfterSave->isChecked() || Transfer(tkCompareFLASH, device, false, true));
    };
    h.RunProgram = [this] { btnRunProgramClick(); };
    h.ShowFLASHTab = [this] { Host.ShowTab(QStringLiteral("tsFLASH")); };
    memorypanel::WriteFLASHToAll(addrs, RunAfterSave->isChecked(), h);
}
