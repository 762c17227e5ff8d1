#include "memory/ui/flashtab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/devicesession.h"
#include "app/mainthreadcalls.h"
#include "app/messages.h"
#include "app/messageservice.h"
#include "app/settings.h"
#include "data/datamodule.h"
#include "memory/flashpanel.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/hexgrid.h"

namespace {

QPushButton* button(QWidget* parent, const QString& text, const char* name, int tag)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setProperty("tag", tag);
    return b;
}

void setRed(QLabel* label, bool red)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, red ? Qt::red : Qt::black);
    label->setPalette(p);
}

}  // namespace

TFlashTab::TFlashTab(TMemoryContext& ctx, QWidget* parent) : QWidget(parent), FCtx(ctx)
{
    setObjectName(QStringLiteral("FlashTab"));
    FLASH = new THexGrid(35, this);
    FLASH->setObjectName(QStringLiteral("FLASH"));
    FLASH->SetCellFn([this](int r, int c) {
        return hexgrid::CellText(Window(), FCtx.FlashBuf ? FCtx.FlashBuf->Data() : nullptr, r, c);
    });

    btnReadFLASH = button(this, Msg::MemRead, "btnReadFLASH", 5);
    btnWriteFLASH = button(this, Msg::MemWrite, "btnWriteFLASH", 5);
    btnWriteFLASH->setToolTip(Msg::HintWriteFLASH);
    btnCompareFLASH = button(this, Msg::MemCompare, "btnCompareFLASH", 5);
    RunAfterSave = new QCheckBox(Msg::RunAfterSave, this);
    RunAfterSave->setObjectName(QStringLiteral("RunAfterSave"));
    RunAfterSave->setProperty("tag", 1);
    ReloadFile = new QCheckBox(Msg::ReloadFile, this);
    ReloadFile->setObjectName(QStringLiteral("ReloadFile"));
    ReloadFile->setProperty("tag", 1);
    btnOpenFLASH = button(this, Msg::MemOpen, "btnOpenFLASH", 5);
    btnSaveFLASH = button(this, Msg::MemSave, "btnSaveFLASH", 5);
    btnWriteFLASHToAll = button(this, Msg::WriteFLASHToAll, "btnWriteFLASHToAll", 5);
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
    UpdateFLASHView(false);
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
    StartTransfer(FCtx, tkReadFLASH, true, 0, 64);
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
    if (StartTransfer(FCtx, tkWriteFLASH, true, 0, 64) && RunAfterSave->isChecked())
        btnRunProgramClick();
}

void TFlashTab::btnCompareFLASHClick()
{
    StartTransfer(FCtx, tkCompareFLASH, true, 0, 64);
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

QWidget* TFlashTab::FlashSheet() const
{
    return FCtx.PageControl ? FCtx.PageControl->findChild<QWidget*>(QStringLiteral("tsFLASH")) : nullptr;
}

void TFlashTab::ActivateTab(QWidget* tab)
{
    if (FCtx.PageControl && tab && FCtx.PageControl->indexOf(tab) >= 0)
        FCtx.PageControl->setCurrentWidget(tab);
}

void TFlashTab::SendModeCommand(uint8_t cmd, const QString& refusedText)
{
    DeviceSession* s = FCtx.Session;
    s->PausePresence();
    if (FCtx.EnableDeviceControls)
        FCtx.EnableDeviceControls({});
    // The message comes before presence resumes: the link's error is still this exchange's.
    if (TZEVA16* link = s->ZevaLink(); link && !s->SendToDevice(cmd, {}, true, true))
        ShowMessage(MsgKind::Warning, link->Error() == errAnswerError ? refusedText : Msg::CommandNotAccepted);
    s->ResumePresence();
}

void TFlashTab::btnRunProgramClick()
{
    if (!FCtx.Session)
        return;
    SendModeCommand(1, Msg::NoMainProgram);
    if (FRememberedTab)
        ActivateTab(FRememberedTab);
}

void TFlashTab::btnRunBootloaderClick()
{
    if (!FCtx.Session)
        return;
    SendModeCommand(2, Msg::CommandNotAccepted);
    if (FCtx.PageControl) {
        FRememberedTab = FCtx.PageControl->currentWidget();
        ActivateTab(FlashSheet());
    }
}

void TFlashTab::btnResetClick()
{
    if (!FCtx.Session)
        return;
    const bool resetSystem = FCtx.Settings && FCtx.Settings->ResetSystem;
    FCtx.Session->SendToDevice(resetSystem ? 0 : 8, {}, false, false);
}

void TFlashTab::btnWriteFLASHToAllClick()
{
    std::vector<uint16_t> addrs;
    if (FCtx.Dm && FCtx.Dm->tblDevice.Active()) {
        TTable& t = FCtx.Dm->tblDevice;
        for (int row = 0; row < t.RecordCount(); ++row)
            addrs.push_back(uint16_t(t.RowValue(row, QStringLiteral("Addr")).toInt() & 0x7FFF));
    }
    DeviceSession* s = FCtx.Session;
    auto currentMode = [s] {
        const TZEVA16* link = s ? s->ZevaLink() : nullptr;
        return link ? link->InfoCopy().Mode : mNone;
    };
    memorypanel::TWriteAllHooks h;
    h.Confirm = [](const QString& q) { return AskYesNo(q, AskIcon::Question); };
    h.ShowDeviceTab = [this] {
        if (FCtx.PageControl)
            FCtx.PageControl->setCurrentIndex(0);
    };
    h.SelectDevice = [this, s](uint16_t addr) {
        if (s)
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
    h.ShowFLASHTab = [this] { ActivateTab(FlashSheet()); };
    memorypanel::WriteFLASHToAll(addrs, RunAfterSave->isChecked(), h);
}
