#pragma once
#include <QWidget>

#include "memory/lcdimage.h"
#include "memory/ui/ctrlextmemtab.h"
#include "memory/ui/memorycontext.h"
#include "tabhost/ui/panel.h"

class QComboBox;
class QFrame;
class QLineEdit;
class QPushButton;

// The picture 1:1, black on white.
class TLcdPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TLcdPaintBox(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetPicture(const lcd::TPicture& picture);
    QImage Image() const { return FImage; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FImage;
};

// The "Изображение" tab: a monochrome LCD picture of one of five sizes, packed into ExtMemBuf
// at a chosen address in one of two layouts, moved to and from the device's external memory,
// kept as BMP or C header, and read live from a 128 × 64 device screen.
class TImageTab : public TPanel {
    Q_OBJECT
public:
    TImageTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent = nullptr);

    QFrame* LCDFrame = nullptr;
    TLcdPaintBox* PaintBox = nullptr;
    QComboBox* ImageSize = nullptr;
    TRadioGroup* Razvertka = nullptr;
    QLineEdit* edtImageAddr = nullptr;
    QPushButton* btnOpenImageFile = nullptr;
    QPushButton* btnSaveImageFile = nullptr;
    QPushButton* btnLoadImage = nullptr;
    QPushButton* btnSaveImage = nullptr;
    QPushButton* btnReadScreenshot = nullptr;
    QPushButton* btnClearImage = nullptr;

    const lcd::TPicture& Picture() const { return FPicture; }
    lcd::TSize Size() const { return FPicture.Size(); }
    lcd::TLayout Layout() const;
    uint32_t ImageAddr() const;

    // Picture → ExtMemBuf at addr, and back; false (with a message) when it does not fit.
    bool PackImage(uint32_t addr);
    bool ShowImage(uint32_t addr);
    void ShowImageData(std::span<const uint8_t> bytes);

    void ImageSizeChange();
    void RazvertkaClick();
    void edtImageAddrExit();
    void btnOpenImageFileClick();
    void btnSaveImageFileClick();
    void btnLoadImageClick();
    void btnSaveImageClick();
    void btnReadScreenshotClick();
    void btnClearImageClick();
    // A screenshot of a 128 x 64 device screen, by columns.
    void DemoShot() override;
    // "Form": "Image size", "Razvertka" (item indexes), "Image Addr" (decimal).
    void ReadSettings(const TSettingsSection& section) override;
    void WriteSettings(TSettingsSection& section) const override;

private:
    void SetPicture(lcd::TPicture picture);
    // The device's external memory must hold the picture at the address.
    bool FitsDevice(uint32_t addr);

    TMemoryContext& FCtx;
    lcd::TPicture FPicture;
};
