#pragma once
#include "base/recentfiles.h"
#include "memory/hexgridmodel.h"
#include "memory/ui/memorycontext.h"
#include "tabhost/ui/panel.h"

class QLabel;
class QPushButton;
class THexGrid;
class TRecentMenu;

// The "Ext Mem" tab: the external-memory image ExtMemBuf as a hex dump with its own checksum,
// read/write/compare with the device, Intel HEX or binary in, Intel HEX, binary or WAV out.
class TExtMemTab : public TPanel {
    Q_OBJECT
public:
    TExtMemTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override { ShowMCU(feed.View.mcuText); }
    // "Form\\Recent files": the files last loaded here.
    void ReadSettings(const TSettingsSection& section) override;
    void WriteSettings(TSettingsSection& section) const override;

    THexGrid* ExtMem = nullptr;
    QPushButton* btnReadExtMem = nullptr;
    QPushButton* btnWriteExtMem = nullptr;
    QPushButton* btnCompareExtMem = nullptr;
    QPushButton* btnOpenExtMem = nullptr;
    QPushButton* btnSaveExtMem = nullptr;
    QLabel* LabelMCU2 = nullptr;
    QLabel* ChecksumExt = nullptr;
    QLabel* LabelExtMemFile = nullptr;  // what the buffer holds: the loaded file (name, time) or a read
    // The files last loaded here, for the window's menu.
    TRecentMenu* RecentMenu = nullptr;
    const TRecentFiles& RecentFiles() const { return FRecent; }

    // What "Открыть...", a dropped file and a recent entry all go through: Intel HEX or raw
    // binary into the image; a file that loaded goes to the front of the recent files.
    bool LoadExtMemFile(const QString& path, bool hex);
    // A dropped file or a recent entry has no dialog type: ".hex" is Intel HEX, anything else binary.
    static bool IsHexName(const QString& path);

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
    TRecentFiles FRecent{QStringLiteral("ExtMem")};
};
