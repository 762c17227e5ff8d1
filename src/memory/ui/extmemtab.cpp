#include "memory/ui/extmemtab.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTime>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "memory/flashpanel.h"
#include "memory/ui/filedialogs.h"
#include "memory/ui/filedrop.h"
#include "memory/ui/hexgrid.h"
#include "memory/ui/recentmenu.h"

namespace {

QPushButton* button(QWidget* parent, const QString& text, const char* name)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    ControlGroups::Tag(b, cgExtMem);
    return b;
}

enum { kHex = 1, kBin = 2, kWav = 3 };

}  // namespace

TExtMemTab::TExtMemTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent) : TPanel(host, parent), FCtx(ctx)
{
    setObjectName(QStringLiteral("ExtMemTab"));
    ExtMem = new THexGrid(35, this);
    ExtMem->setObjectName(QStringLiteral("ExtMem"));
    ExtMem->SetCellFn([this](int r, int c) {
        return hexgrid::CellText(Window(), FCtx.ExtMemBuf ? FCtx.ExtMemBuf->Data() : nullptr, r, c);
    });
    btnReadExtMem = button(this, Msg::MemRead, "btnReadExtMem");
    btnWriteExtMem = button(this, Msg::MemWrite, "btnWriteExtMem");
    btnCompareExtMem = button(this, Msg::MemCompare, "btnCompareExtMem");
    btnOpenExtMem = button(this, Msg::MemOpen, "btnOpenExtMem");
    btnSaveExtMem = button(this, Msg::MemSave, "btnSaveExtMem");

    auto* gbMCU = new QGroupBox(Msg::GroupMCU, this);
    gbMCU->setObjectName(QStringLiteral("GB_MCU2"));
    LabelMCU2 = new QLabel(Msg::PresenceNoValue, gbMCU);
    LabelMCU2->setObjectName(QStringLiteral("LabelMCU2"));
    QFont bold = LabelMCU2->font();
    bold.setBold(true);
    LabelMCU2->setFont(bold);
    ChecksumExt = new QLabel(Msg::ChecksumEmpty, gbMCU);
    ChecksumExt->setObjectName(QStringLiteral("ChecksumExt"));
    LabelExtMemFile = new QLabel(Msg::FlashFileNone, this);
    LabelExtMemFile->setObjectName(QStringLiteral("LabelExtMemFile"));
    LabelExtMemFile->setWordWrap(true);
    auto* mcuLayout = new QVBoxLayout(gbMCU);
    mcuLayout->addWidget(LabelMCU2);
    mcuLayout->addWidget(ChecksumExt);

    connect(btnReadExtMem, &QPushButton::clicked, this, [this] { btnReadExtMemClick(); });
    connect(btnWriteExtMem, &QPushButton::clicked, this, [this] { btnWriteExtMemClick(); });
    connect(btnCompareExtMem, &QPushButton::clicked, this, [this] { btnCompareExtMemClick(); });
    connect(btnOpenExtMem, &QPushButton::clicked, this, [this] { btnOpenExtMemClick(); });
    connect(btnSaveExtMem, &QPushButton::clicked, this, [this] { btnSaveExtMemClick(); });

    auto* side = new QVBoxLayout;
    side->addWidget(btnReadExtMem);
    side->addWidget(btnWriteExtMem);
    side->addWidget(btnCompareExtMem);
    side->addSpacing(6);
    side->addWidget(btnOpenExtMem);
    side->addWidget(btnSaveExtMem);
    side->addSpacing(6);
    side->addWidget(LabelExtMemFile);
    side->addStretch();
    side->addWidget(gbMCU);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(ExtMem, 1);
    layout->addLayout(side);
    ExtMem->SetLaidOutWidth(THexGrid::kHeaderColumnWidth + 16 * 35 + ExtMem->verticalScrollBar()->sizeHint().width() +
                            4);

    new TFileDrop(this, btnOpenExtMem, {QStringLiteral("hex"), QStringLiteral("bin")},
                  [this](const QString& path) { LoadExtMemFile(path, IsHexName(path)); });
    RecentMenu = new TRecentMenu(
        Msg::TabExtMem, FRecent, btnOpenExtMem,
        [this](const QString& path) {
            Host.ShowTab(QStringLiteral("tsExtMem"));
            LoadExtMemFile(path, IsHexName(path));
        },
        this);
    RecentMenu->setObjectName(QStringLiteral("M_RecentExtMem"));
    ControlGroups::Tag(RecentMenu->menuAction(), cgExtMem);

    FCtx.UpdateExtMemView = [this](bool reset) { UpdateExtMemView(reset); };
    UpdateExtMemView(true);
}

void TExtMemTab::ReadSettings(const TSettingsSection& section)
{
    FRecent.Read(section.Sub(QStringLiteral("Recent files")));
    RecentMenu->Rebuild();
}

void TExtMemTab::WriteSettings(TSettingsSection& section) const
{
    TSettingsSection recent = section.Sub(QStringLiteral("Recent files"));
    FRecent.Write(recent);
}

hexgrid::TWindow TExtMemTab::Window() const
{
    return {0, int64_t(FCtx.Ext()), TMemoryImage::kSize};
}

void TExtMemTab::ShowMCU(const QString& text)
{
    LabelMCU2->setText(text);
}

void TExtMemTab::UpdateExtMemView(bool reset)
{
    const hexgrid::TWindow w = Window();
    ExtMem->SetRowCount(hexgrid::RowCount(w));
    const auto shown = FMark.Update(hexgrid::Checksum(w, FCtx.ExtMemBuf->Data()), reset);
    ChecksumExt->setText(shown.Text);
    FChecksumRed = shown.Red;
    QPalette p = ChecksumExt->palette();
    p.setColor(QPalette::WindowText, shown.Red ? Qt::red : Qt::black);
    ChecksumExt->setPalette(p);
    ExtMem->Refresh();
}

void TExtMemTab::btnReadExtMemClick()
{
    ClearDone();
    const bool ok = StartTransfer(FCtx, tkReadExtMem, true, 0, 64);
    UpdateExtMemView(false);
    if (FCtx.AfterExtMemRead)
        FCtx.AfterExtMemRead();
    if (ok) {
        ShowDone(Msg::StatusExtMemRead);
        LabelExtMemFile->setText(Msg::FlashFromDevice.arg(QTime::currentTime().toString(QStringLiteral("hh:mm:ss"))));
        LabelExtMemFile->setToolTip(QString());
    }
}

void TExtMemTab::btnWriteExtMemClick()
{
    ClearDone();
    if (StartTransfer(FCtx, tkWriteExtMem, true, 0, 64))
        ShowDone(Msg::StatusExtMemWritten);
}

void TExtMemTab::btnCompareExtMemClick()
{
    ClearDone();
    if (StartTransfer(FCtx, tkCompareExtMem, true, 0, 64))
        ShowDone(Msg::StatusExtMemCompared);
}

void TExtMemTab::btnOpenExtMemClick()
{
    QString path;
    int filter = kHex;
    if (FileDialogs::instance().open(this, Msg::MemOpenFilter, path, filter))
        LoadExtMemFile(path, filter == kHex);
}

bool TExtMemTab::IsHexName(const QString& path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("hex"), Qt::CaseInsensitive) == 0;
}

bool TExtMemTab::LoadExtMemFile(const QString& path, bool hex)
{
    QString error;
    const bool ok = hex ? LoadHexImage(*FCtx.ExtMemBuf, path, 0, FCtx.Ext(), error)
                        : LoadBinImage(*FCtx.ExtMemBuf, path, FCtx.Ext(), error);
    if (!ok) {
        ShowMessage(MsgKind::Error, error);
        return false;
    }
    const QFileInfo info(path);
    LabelExtMemFile->setText(Msg::FlashFileLoaded.arg(
        info.fileName(), QLocale().toString(info.lastModified(), QStringLiteral("dd.MM.yyyy hh:mm:ss"))));
    LabelExtMemFile->setToolTip(QDir::toNativeSeparators(info.absoluteFilePath()));
    FRecent.Add(path);
    RecentMenu->Rebuild();
    UpdateExtMemView(false);
    return true;
}

void TExtMemTab::btnSaveExtMemClick()
{
    QString path;
    int filter = kHex;
    if (!FileDialogs::instance().save(this, Msg::MemSaveFilter, path, filter))
        return;
    QString error;
    bool ok = false;
    if (filter == kBin)
        ok = SaveBinImage(*FCtx.ExtMemBuf, path, FCtx.Ext(), error);
    else if (filter == kWav)
        ok = memorypanel::SaveWavImage(*FCtx.ExtMemBuf, path, FCtx.Ext(), error);
    else
        ok = SaveHexImage(*FCtx.ExtMemBuf, path, 0, FCtx.Ext(), error);
    if (!ok)
        ShowMessage(MsgKind::Error, error);
}
