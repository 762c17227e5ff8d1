#pragma once
#include <optional>

#include "base/recentfiles.h"
#include "memory/flashpanel.h"
#include "memory/hexgridmodel.h"
#include "memory/ui/memorycontext.h"
#include "tabhost/ui/panel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class THexGrid;
class TRecentMenu;

// The "FLASH" tab: the program image FlashBuf as a hex dump with its checksum, HEX files,
// read/write/compare through the bootloader, and the mode buttons of the bottom panel.
class TFlashTab : public TPanel {
    Q_OBJECT
public:
    TFlashTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override;
    // "Form": "Run after save", "Verify after save", "Reload file".
    void ReadSettings(const TSettingsSection& section) override;
    void WriteSettings(TSettingsSection& section) const override;

    THexGrid* FLASH = nullptr;
    QPushButton* btnReadFLASH = nullptr;
    QPushButton* btnWriteFLASH = nullptr;
    QPushButton* btnCompareFLASH = nullptr;
    QCheckBox* RunAfterSave = nullptr;
    QCheckBox* VerifyAfterSave = nullptr;
    QCheckBox* ReloadFile = nullptr;
    QPushButton* btnOpenFLASH = nullptr;
    QPushButton* btnSaveFLASH = nullptr;
    QPushButton* btnWriteFLASHToAll = nullptr;  // created hidden
    QLabel* LabelMCU1 = nullptr;
    QLabel* ChecksumFLASH = nullptr;
    QLabel* LabelFLASHFile = nullptr;  // what the buffer holds: the loaded file (name, time) or a read

    // The bottom panel's buttons belong to the window; their actions live here.
    void AttachModeButtons(QPushButton* reset, QPushButton* runProgram, QPushButton* runBootloader);

    // The files last loaded here, for the window's menu.
    TRecentMenu* RecentMenu = nullptr;
    const TRecentFiles& RecentFiles() const { return FRecent; }

    // Loads for the selected device's region: what "Открыть...", a dropped file and a recent
    // entry all go through. A file that loaded goes to the front of the recent files.
    bool LoadFLASHFile(const QString& path);
    void UpdateFLASHView(bool reset);
    void ShowMCU(const QString& text);
    bool ChecksumRed() const { return FChecksumRed; }
    QString LoadedPath() const { return FOrigin.Path(); }
    // The region of the selected device as its last answer gave it (the window's copies while
    // no device answers), named by its controller.
    memorypanel::TFlashRegion DeviceRegion() const;
    const memorypanel::TFlashOrigin& Origin() const { return FOrigin; }

    void btnReadFLASHClick();
    void btnWriteFLASHClick();
    void btnCompareFLASHClick();
    void btnOpenFLASHClick();
    void btnSaveFLASHClick();
    void btnWriteFLASHToAllClick();
    // Pauses presence, sends a mode command, says what went wrong (refusedText for a refusal), resumes.
    void SendModeCommand(uint8_t cmd, const QString& refusedText);
    void btnRunProgramClick();
    void btnRunBootloaderClick();
    void btnResetClick();

private:
    hexgrid::TWindow Window() const;
    bool LoadFLASHFile(const QString& path, const memorypanel::TFlashRegion& region);
    // Makes the buffer fit the device before a write or compare: reloads the file or says why not.
    bool FitBuffer(const memorypanel::TFlashRegion& device);
    // Before a write: with "Перезагружать файл" the file as it is on disk now, else FitBuffer.
    bool PrepareWrite(const memorypanel::TFlashRegion& device);
    // One FLASH transfer over exactly the region the buffer was checked against. quietSuccess
    // drops the "no differences" box of a compare that only verifies a write.
    bool Transfer(TTransferKind kind, const memorypanel::TFlashRegion& region, bool confirm, bool quietSuccess = false);
    // A success ends with a line in the status bar (the boxes stay as they are).

    TMemoryContext& FCtx;
    hexgrid::TChecksumMark FMark;
    bool FChecksumRed = false;
    memorypanel::TFlashOrigin FOrigin;
    std::optional<memorypanel::TFlashRegion> FAnswered;  // region of the last answer, if it gave one
    QString FPart = QStringLiteral("---");               // controller of the last answer
    QString FRememberedTab;                              // sheet in front when the bootloader was asked for
    TRecentFiles FRecent{QStringLiteral("FLASH")};
};
