#pragma once
#include "memory/hexgridmodel.h"
#include "memory/ui/memorycontext.h"
#include "panels/ui/panel.h"

class QCheckBox;
class QLabel;
class QPushButton;
class THexGrid;

// The "FLASH" tab: the program image FlashBuf as a hex dump with its checksum, HEX files,
// read/write/compare through the bootloader, and the mode buttons of the bottom panel.
class TFlashTab : public TPanel {
    Q_OBJECT
public:
    TFlashTab(TPanelHost& host, TMemoryContext& ctx, QWidget* parent = nullptr);

    void ShowDevice(const TPresenceFeed& feed) override { ShowMCU(feed.View.mcuText); }
    // "Form": "Run after save", "Reload file".
    void ReadSettings(const TSettingsSection& section) override;
    void WriteSettings(TSettingsSection& section) const override;

    THexGrid* FLASH = nullptr;
    QPushButton* btnReadFLASH = nullptr;
    QPushButton* btnWriteFLASH = nullptr;
    QPushButton* btnCompareFLASH = nullptr;
    QCheckBox* RunAfterSave = nullptr;
    QCheckBox* ReloadFile = nullptr;
    QPushButton* btnOpenFLASH = nullptr;
    QPushButton* btnSaveFLASH = nullptr;
    QPushButton* btnWriteFLASHToAll = nullptr;  // created hidden
    QLabel* LabelMCU1 = nullptr;
    QLabel* ChecksumFLASH = nullptr;
    QLabel* LabelFLASHFile = nullptr;  // what the buffer holds: the loaded file (name, time) or a read

    // The bottom panel's buttons belong to the window; their actions live here.
    void AttachModeButtons(QPushButton* reset, QPushButton* runProgram, QPushButton* runBootloader);

    bool LoadFLASHFile(const QString& path);
    void UpdateFLASHView(bool reset);
    void ShowMCU(const QString& text);
    bool ChecksumRed() const { return FChecksumRed; }
    QString LoadedPath() const { return FLoadedPath; }

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
    // Runs one transfer; a success ends with a line in the status bar (the boxes stay as they are).
    bool RunTransfer(TTransferKind kind, const QString& doneText);

    TMemoryContext& FCtx;
    hexgrid::TChecksumMark FMark;
    bool FChecksumRed = false;
    QString FLoadedPath;
    QString FRememberedTab;  // sheet in front when the bootloader was asked for
};
