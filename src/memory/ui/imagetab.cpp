#include "memory/ui/imagetab.h"

#include <algorithm>

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/numbertext.h"
#include "link/commands.h"
#include "link/devicesession.h"
#include "memory/lcdbitmap.h"
#include "memory/ui/filedialogs.h"

namespace {

enum { kBmp = 1, kHeader = 2 };

QPushButton* button(QWidget* parent, const QString& text, const char* name, int tag)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    if (tag)
        b->setProperty("tag", tag);
    return b;
}

}  // namespace

void TLcdPaintBox::SetPicture(const lcd::TPicture& picture)
{
    const lcd::TSize s = picture.Size();
    QImage image(s.W, s.H, QImage::Format_RGB32);
    for (int y = 0; y < s.H; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < s.W; ++x)
            line[x] = picture.Lit(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    FImage = image;
    setFixedSize(s.W, s.H);
    update();
}

void TLcdPaintBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, FImage);
}

TImageTab::TImageTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent)
    : TPanel(host, parent), FCtx(ctx), FPicture(lcd::kSizes[4])
{
    setObjectName(QStringLiteral("ImageTab"));
    LCDFrame = new QFrame(this);
    LCDFrame->setObjectName(QStringLiteral("LCDFrame"));
    LCDFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    LCDFrame->setLineWidth(2);
    PaintBox = new TLcdPaintBox(LCDFrame);
    PaintBox->setObjectName(QStringLiteral("PaintBox"));
    PaintBox->move(2, 2);

    ImageSize = new QComboBox(this);
    ImageSize->setObjectName(QStringLiteral("ImageSize"));
    for (const lcd::TSize s : lcd::kSizes)
        ImageSize->addItem(QStringLiteral("%1 x %2").arg(s.W).arg(s.H));
    Razvertka = new TRadioGroup(Msg::LcdRazvertka, {Msg::LcdByRows, Msg::LcdByColumns}, this);
    Razvertka->setObjectName(QStringLiteral("Razvertka"));
    edtImageAddr = new QLineEdit(QStringLiteral("0"), this);
    edtImageAddr->setObjectName(QStringLiteral("edtImageAddr"));
    btnOpenImageFile = button(this, Msg::LcdOpenFile, "btnOpenImageFile", 0);
    btnSaveImageFile = button(this, Msg::LcdSaveFile, "btnSaveImageFile", 0);
    btnLoadImage = button(this, Msg::LcdRead, "btnLoadImage", 2);
    btnSaveImage = button(this, Msg::LcdWrite, "btnSaveImage", 2);
    btnReadScreenshot = button(this, Msg::LcdReadScreenshot, "btnReadScreenshot", 2);
    btnClearImage = button(this, Msg::LcdClear, "btnClearImage", 0);

    connect(ImageSize, &QComboBox::currentIndexChanged, this, [this] { ImageSizeChange(); });
    // Only the user's choice repacks; the stored choice set at start does not.
    for (QAbstractButton* b : Razvertka->Buttons())
        connect(b, &QAbstractButton::clicked, this, [this] { RazvertkaClick(); });
    connect(edtImageAddr, &QLineEdit::editingFinished, this, [this] { edtImageAddrExit(); });
    connect(btnOpenImageFile, &QPushButton::clicked, this, [this] { btnOpenImageFileClick(); });
    connect(btnSaveImageFile, &QPushButton::clicked, this, [this] { btnSaveImageFileClick(); });
    connect(btnLoadImage, &QPushButton::clicked, this, [this] { btnLoadImageClick(); });
    connect(btnSaveImage, &QPushButton::clicked, this, [this] { btnSaveImageClick(); });
    connect(btnReadScreenshot, &QPushButton::clicked, this, [this] { btnReadScreenshotClick(); });
    connect(btnClearImage, &QPushButton::clicked, this, [this] { btnClearImageClick(); });

    auto* addr = new QHBoxLayout;
    addr->addWidget(new QLabel(Msg::LcdAddr, this));
    addr->addWidget(edtImageAddr);
    auto* side = new QVBoxLayout;
    side->addWidget(ImageSize);
    side->addWidget(Razvertka);
    side->addLayout(addr);
    side->addSpacing(8);
    for (QPushButton* b :
         {btnOpenImageFile, btnSaveImageFile, btnLoadImage, btnSaveImage, btnReadScreenshot, btnClearImage})
        side->addWidget(b);
    side->addStretch();
    auto* picture = new QVBoxLayout;
    picture->addWidget(LCDFrame, 0, Qt::AlignLeft | Qt::AlignTop);
    picture->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(picture, 1);
    layout->addLayout(side);

    // A whole read of the external memory on the "Ext Mem" tab redraws the picture.
    FCtx.AfterExtMemRead = [this] { ShowImage(ImageAddr()); };
    ImageSizeChange();
}

lcd::TLayout TImageTab::Layout() const
{
    return Razvertka->ItemIndex() == 1 ? lcd::lyColumns : lcd::lyRows;
}

uint32_t TImageTab::ImageAddr() const
{
    const int64_t v = PanelInt(edtImageAddr->text().trimmed(), 0);
    return v >= 0 ? uint32_t(v) : 0;
}

void TImageTab::SetPicture(lcd::TPicture picture)
{
    FPicture = std::move(picture);
    PaintBox->SetPicture(FPicture);
    const lcd::TSize s = FPicture.Size();
    LCDFrame->setFixedSize(s.W + 4, s.H + 4);
}

bool TImageTab::PackImage(uint32_t addr)
{
    if (!lcd::Fits(Size(), addr, TMemoryImage::kSize)) {
        ShowMessage(MsgKind::Warning, Msg::LcdImageDoesNotFit.arg(addr));
        return false;
    }
    lcd::Pack(FPicture, Layout(), FCtx.ExtMemBuf->Span().subspan(addr, lcd::PackedSize(Size())));
    return true;
}

bool TImageTab::ShowImage(uint32_t addr)
{
    if (!lcd::Fits(Size(), addr, TMemoryImage::kSize))
        return false;
    ShowImageData(FCtx.ExtMemBuf->Span().subspan(addr, lcd::PackedSize(Size())));
    return true;
}

void TImageTab::ShowImageData(std::span<const uint8_t> bytes)
{
    SetPicture(lcd::Unpack(Size(), Layout(), bytes));
}

void TImageTab::ImageSizeChange()
{
    const lcd::TSize s = lcd::SizeOf(ImageSize->currentIndex());
    // The part both sizes share stays; new pixels are white.
    lcd::TPicture resized(s);
    const lcd::TSize old = FPicture.Size();
    for (int y = 0; y < std::min(s.H, old.H); ++y)
        for (int x = 0; x < std::min(s.W, old.W); ++x)
            resized.Set(x, y, FPicture.Lit(x, y));
    SetPicture(std::move(resized));
}

void TImageTab::ReadSettings(const TSettingsSection& section)
{
    // A stored index outside the lists falls back to the first item, as a missing one does.
    const int size = section.Int(QStringLiteral("Image size"));
    ImageSize->setCurrentIndex(size >= 0 && size < ImageSize->count() ? size : 0);
    const int layout = section.Int(QStringLiteral("Razvertka"));
    // Not a click: the stored choice must not repack ExtMemBuf.
    Razvertka->SetItemIndex(layout >= 0 && layout < int(Razvertka->Buttons().size()) ? layout : 0);
    edtImageAddr->setText(QString::number(std::max(section.Int(QStringLiteral("Image Addr")), 0)));
}

void TImageTab::WriteSettings(TSettingsSection& section) const
{
    section.SetInt(QStringLiteral("Image size"), ImageSize->currentIndex());
    section.SetInt(QStringLiteral("Razvertka"), Razvertka->ItemIndex());
    section.SetInt(QStringLiteral("Image Addr"), int(std::min<uint32_t>(ImageAddr(), 0x7FFFFFFF)));
}

void TImageTab::RazvertkaClick()
{
    PackImage(ImageAddr());
}

void TImageTab::edtImageAddrExit()
{
    edtImageAddr->setText(QString::number(ImageAddr()));
}

void TImageTab::btnOpenImageFileClick()
{
    QString path;
    int filter = kBmp;
    if (FileDialogs::instance().open(this, Msg::LcdOpenFilter, path, filter)) {
        lcd::TPicture loaded = FPicture;
        if (lcd::LoadBitmap(path, Size(), loaded))
            SetPicture(std::move(loaded));
        else
            ShowMessage(MsgKind::Error, Msg::LcdCannotOpenFile);
    }
    // Also after Cancel or a bad file: ExtMemBuf holds what is shown.
    PackImage(ImageAddr());
    if (FCtx.UpdateExtMemView)
        FCtx.UpdateExtMemView(false);
}

void TImageTab::btnSaveImageFileClick()
{
    QString path;
    int filter = kBmp;
    if (!FileDialogs::instance().save(this, Msg::LcdSaveFilter, path, filter))
        return;
    QString error;
    const bool ok = filter == kHeader ? lcd::SaveHeader(path, lcd::Pack(FPicture, Layout()), error)
                                      : lcd::SaveBitmap(path, FPicture, error);
    if (!ok)
        ShowMessage(MsgKind::Error, error);
}

bool TImageTab::FitsDevice(uint32_t addr)
{
    if (lcd::Fits(Size(), addr, std::min<uint64_t>(FCtx.Ext(), TMemoryImage::kSize)))
        return true;
    ShowMessage(MsgKind::Warning, Msg::LcdImageDoesNotFit.arg(addr));
    return false;
}

void TImageTab::btnLoadImageClick()
{
    const uint32_t addr = ImageAddr();
    if (!FitsDevice(addr))
        return;
    ClearDone();
    const bool ok = StartTransfer(FCtx, tkReadExtMemPart, true, addr, lcd::PackedSize(Size()));
    // Whatever the transfer's result: the picture shows what ExtMemBuf now holds.
    ShowImage(addr);
    if (FCtx.UpdateExtMemView)
        FCtx.UpdateExtMemView(false);
    if (ok)
        ShowDone(Msg::StatusLcdRead);
}

void TImageTab::btnSaveImageClick()
{
    const uint32_t addr = ImageAddr();
    if (!FitsDevice(addr))
        return;
    if (!AskYesNo(Msg::LcdAskSave, AskIcon::Question))
        return;
    ClearDone();
    if (StartTransfer(FCtx, tkWriteExtMemPart, true, addr, lcd::PackedSize(Size())))
        ShowDone(Msg::StatusLcdWritten);
}

void TImageTab::btnReadScreenshotClick()
{
    constexpr lcd::TSize kScreen{128, 64};
    if (!(Size() == kScreen) || !Host.Session().HasLink())
        return;
    TPresencePause pause(Host.Session());
    // A page that did not come is drawn blank rather than from whatever the link last held.
    std::vector<uint8_t> screen(lcd::PackedSize(kScreen), 0);
    bool refused = false;
    for (uint8_t page = 0; page < 8; ++page) {
        const uint8_t payload[] = {page};
        const TExchangeResult r = Host.Session().Send(zcmd::lcd::kScreenPage, payload);
        if (!r.Accepted()) {
            // A missing page is drawn blank; the other pages still come, one box says so.
            if (!refused)
                ShowMessage(MsgKind::Warning, Msg::CommandNotAccepted);
            refused = true;
            continue;
        }
        std::copy_n(r.Answer.begin(), std::min<size_t>(r.Answer.size(), 128), screen.begin() + page * 128);
    }
    ShowImageData(screen);
}

void TImageTab::DemoShot()
{
    ImageSize->setCurrentIndex(1);
    Razvertka->Buttons()[1]->click();
    btnReadScreenshotClick();
}

void TImageTab::btnClearImageClick()
{
    if (!AskYesNo(Msg::LcdAskClear, AskIcon::Question))
        return;
    lcd::TPicture blank(Size());
    SetPicture(std::move(blank));
}
