#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "link/deviceinfo.h"
#include "memory/images.h"

// Decisions of the FLASH, external-memory and external-memory control tabs that are not drawing:
// the ranges of the small reads and writes, the text grid of the control tab, the WAV image and
// the "write every device" batch.
namespace memorypanel {

// A partial external-memory transfer (tkReadExtMemPart, tkWriteExtMemPart).
struct TPart {
    uint32_t Start = 0;
    uint32_t Count = 0;
    bool operator==(const TPart&) const = default;
};

// "Считать": every whole block that holds a byte of beginAddr .. beginAddr+countBytes-1, kept
// inside 0 .. ext-1. Count 0 when there is nothing to read (countBytes 0 or beyond ext).
TPart ReadDataRange(uint32_t beginAddr, uint32_t countBytes, uint32_t blockSize, uint32_t ext);
// "Записать": the one block that holds addr, kept inside 0 .. ext-1.
TPart WriteDataBlock(uint32_t addr, uint32_t blockSize, uint32_t ext);

// The text grid of the control tab after a read: the bytes as decimal texts. Rows are labelled
// with the addresses of 16-byte lines and every byte sits in the column of its address's low
// four bits, so a start that is not a multiple of 16 leaves the first cells of the first row empty.
struct TDataGrid {
    int Rows = 2;                    // header row included
    QStringList ColumnHeaders;       // 16 entries
    QStringList RowHeaders;          // Rows-1 entries
    std::vector<QStringList> Cells;  // Rows-1 rows of 16 texts ("" when empty)
};
// The grid before the first read: two rows, four-digit column headers, row header 0000.
TDataGrid InitialDataGrid();
TDataGrid MakeDataGrid(const TMemoryImage& image, uint32_t beginAddr, uint32_t countBytes);
// A stored cell text as shown: empty or invalid stays empty; typeData 0 decimal, 1 hexadecimal.
QString DataCellText(const QString& stored, int typeData);
// "0x" and at least two upper-case hexadecimal digits.
QString HexValueText(int value);

// 8-bit mono PCM at 8000 samples per second: the 44-byte header for `samples` bytes.
std::array<uint8_t, 44> WavHeader(uint32_t samples);
// Header and the first `size` bytes of the image. "Ошибка файловой системы!" when the file cannot
// be created or written.
bool SaveWavImage(const TMemoryImage& image, const QString& path, uint32_t size, QString& error);

// The program region a FLASH buffer was made for: the controller and its addresses Start .. End-1.
// Byte i of the buffer belongs at Start + i, so a buffer is only good for a device whose region
// starts and ends where its own does.
struct TFlashRegion {
    QString Part;
    uint32_t Start = 0;
    uint32_t End = 0;
    bool SameAddresses(const TFlashRegion& o) const { return Start == o.Start && End == o.End; }
};
// "ATmega32 (0x0800..0x7FFF)".
QString RegionText(const TFlashRegion& r);
// The controller's name: the first line of the identification's controller summary.
QString PartName(const TDeviceInfo& info);

// What to do with the buffer before it is written to or compared with a device.
enum class TBufferStep {
    Use,     // the buffer fits the device (or was never filled: the caller asks about that)
    Reload,  // load the remembered file again for the device's region
    Refuse,  // Message says why
};
struct TBufferCheck {
    TBufferStep Step = TBufferStep::Use;
    QString Message;
};

// Where the FLASH buffer came from: a HEX file loaded for a region, or a device it was read from.
class TFlashOrigin {
public:
    void Loaded(const QString& path, const TFlashRegion& region)
    {
        FPath = path;
        FRegion = region;
        FFromDevice = false;
    }
    // A read keeps the path (the file may still be reloaded), but the bytes are the device's now.
    void ReadFrom(const TFlashRegion& region)
    {
        FRegion = region;
        FFromDevice = true;
    }
    const QString& Path() const { return FPath; }
    const std::optional<TFlashRegion>& Region() const { return FRegion; }
    bool FromDevice() const { return FFromDevice; }

    // With reloadFile on, a remembered file is loaded for the device's region whenever the regions
    // differ (the file is the source then, as for every write); otherwise a buffer of another
    // region is refused, whether it came from a file or from a device.
    TBufferCheck Check(const TFlashRegion& device, bool reloadFile) const;

private:
    QString FPath;
    std::optional<TFlashRegion> FRegion;
    bool FFromDevice = false;
};

// "Записать все...": every device of the list in turn is selected, brought into its bootloader
// and written. The steps that touch the window or the line come in as hooks.
struct TWriteAllHooks {
    std::function<bool(const QString&)> Confirm;  // Yes/No question
    std::function<void()> ShowDeviceTab;          // when the list has more than one device
    std::function<void(uint16_t)> SelectDevice;   // DevAddr := addr, device table refreshed
    std::function<void(int)> Sleep;               // ms, serving the presence display
    // Waits at most ms until the identified mode satisfies the predicate; returns the last mode.
    std::function<TMode(const std::function<bool(TMode)>&, int)> WaitMode;
    std::function<void()> RunBootloader;
    std::function<bool()> WriteFLASH;  // StartTransfer(2) without confirmation
    std::function<void()> RunProgram;
    std::function<void()> ShowFLASHTab;
};
enum class TWriteAllEnd { Declined, Done, NoAnswer, WriteFailed };
struct TWriteAllResult {
    TWriteAllEnd End = TWriteAllEnd::Declined;
    int Written = 0;     // devices whose write succeeded
    int StoppedAt = -1;  // index of the device the batch stopped at
};
constexpr int kWriteAllSettleMs = 1000;
constexpr int kWriteAllModeWaitMs = 3000;
TWriteAllResult WriteFLASHToAll(const std::vector<uint16_t>& addrs, bool runAfterSave, const TWriteAllHooks& hooks);

}  // namespace memorypanel
