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
#include "memory/flashpanel.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/hexgrid.h"

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
    FLASH->setFixedWidth(THexGrid::kHeaderColumnWidth + 16 * 35 + FLASH->verticalScrollBar()->sizeHint().width() + 4);

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
    ReloadFile->setChecked(section.Bool(QStringLiteral("Reload file")));
}

void TFlashTab::WriteSettings(TSettingsSection& section) const
{
    section.SetBool(QStringLiteral("Run after save"), RunAfterSave->isChecked());
    section.SetBool(QStringLiteral("Reload file"), ReloadFile->isChecked());
}

void TFlashTab::ShowMCU(const QString& text)
{
    LabelMCU1->setText(text);
}

bool TFlashTab::LoadFLASHFile(const QString& path)
{
    QString error;
    if (!LoadHexImage(*FCtx.FlashBuf, path, FCtx.ProgStart(), FCtx.MemSize(), error)) {
        ShowMessage(MsgKind::Error, error);
        return false;
    }
    FLoadedPath = path;
    const QFileInfo info(path);
    LabelFLASHFile->setText(Msg::FlashFileLoaded.arg(
        info.fileName(), QLocale().toString(info.lastModified(), QStringLiteral("dd.MM.yyyy hh:mm:ss"))));
    LabelFLASHFile->setToolTip(QDir::toNativeSeparators(info.absoluteFilePath()));
    UpdateFLASHView(false);
    return true;
}

bool TFlashTab::RunTransfer(TTransferKind kind, const QString& doneText)
{
    // A line from an earlier run must not pass for this one.
    Host.ShowStatusLine(QString());
    if (!StartTransfer(FCtx, kind, true, 0, 64))
        return false;
    Host.ShowStatusLine(Msg::StatusLineAt.arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")), doneText));
    return true;
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
    if (RunTransfer(tkReadFLASH, Msg::StatusFlashRead)) {
        LabelFLASHFile->setText(Msg::FlashFromDevice.arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))));
        LabelFLASHFile->setToolTip(QString());
    }
    UpdateFLASHView(false);
}

void TFlashTab::btnWriteFLASHClick()
{
    // F5 reaches this handler in every device state; the button's state decides.
    if (!btnWriteFLASH->isEnabled())
        return;
    // A file that no longer loads is shown and nothing is written: the buffer would be stale.
    if (ReloadFile->isChecked() && !FLoadedPath.isEmpty() && !LoadFLASHFile(FLoadedPath))
        return;
    if (FLoadedPath.isEmpty() && !AskYesNo(Msg::AskFirmwareNotLoaded, AskIcon::Question))
        return;
    const QString done = FLoadedPath.isEmpty() ? Msg::StatusFlashWritten
                                               : Msg::StatusFlashWrittenFile.arg(QFileInfo(FLoadedPath).fileName());
    if (RunTransfer(tkWriteFLASH, done) && RunAfterSave->isChecked())
        btnRunProgramClick();
}

void TFlashTab::btnCompareFLASHClick()
{
    RunTransfer(tkCompareFLASH, Msg::StatusFlashCompared);
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
    if (!SaveHexImage(*FCtx.FlashBuf, path, FCtx.ProgStart(), FCtx.MemSize(), error))
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
    h.WriteFLASH = [this] { return StartTransfer(FCtx, tkWriteFLASH, false, 0, 64); };
    h.RunProgram = [this] { btnRunProgramClick(); };
    h.ShowFLASHTab = [this] { Host.ShowTab(QStringLiteral("tsFLASH")); };
    memorypanel::WriteFLASHToAll(addrs, RunAfterSave->isChecked(), h);
}
