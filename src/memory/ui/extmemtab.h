#pragma once
#include "memory/hexgridmodel.h"
#include "memory/ui/memorycontext.h"
#include "tabhost/ui/panel.h"

class QLabel;
class QPushButton;
class THexGrid;

// The "Ext Mem" tab: the external-memory image ExtMemBuf as a hex dump with its own checksum,
// read/write/compare with the device, Intel HEX or binary in, Intel HEX, binary or WAV out.
class TExtMemTab : public TPanel {
    Q_OBJECT
public:
    TExtMemTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override { ShowMCU(feed.View.mcuText); }

    THexGrid* ExtMem = nullptr;
    QPushButton* btnReadExtMem = nullptr;
    QPushButton* btnWriteExtMem = nullptr;
    QPushButton* btnCompareExtMem = nullptr;
    QPushButton* btnOpenExtMem = nullptr;
    QPushButton* btnSaveExtMem = nullptr;
    QLabel* LabelMCU2 = nullptr;
    QLabel* ChecksumExt = nullptr;

    void UpdateExtMemView(bool reset);
    void ShowMCU(const QString& text);
    bool ChecksumRed() const { return FChecksumRed; }

    void btnReadExtMemClick();
    void btnWriteExtMemClick();
    void btnCompareExtMemClick();
    void btnOpenExtMemClick();
    void btnSaveExtMemClick();

private:
    hexgrid::TWindow Window() const;

    TMemoryContext& FCtx;
    hexgrid::TChecksumMark FMark;
    bool FChecksumRed = false;
};
