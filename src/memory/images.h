#pragma once
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include <QString>

// A 256 KiB memory image of the main window (FlashBuf: program memory from ProgStart on;
// ExtMemBuf: external memory from address 0). Erased (0xFF) where nothing was loaded.
class TMemoryImage {
public:
    static constexpr uint32_t kSize = 0x40000;

    TMemoryImage() : FBytes(kSize, 0xFF) {}

    uint8_t* Data() { return FBytes.data(); }
    const uint8_t* Data() const { return FBytes.data(); }
    static constexpr uint32_t Size() { return kSize; }
    std::span<uint8_t> Span() { return FBytes; }
    uint8_t& operator[](size_t i) { return FBytes[i]; }
    uint8_t operator[](size_t i) const { return FBytes[i]; }
    void Fill(uint8_t value = 0xFF) { std::memset(FBytes.data(), value, FBytes.size()); }

private:
    std::vector<uint8_t> FBytes;
};

// The part of an image a file gave: addresses First .. End-1 of its window.
struct TImageExtent {
    uint32_t First = 0;
    uint32_t End = 0;
};

// Loads the Intel HEX file's window first .. end-1 into the image: 0xFF everywhere, then the window
// at the image's start. A file with data outside the window, or none, is refused. On failure the
// image is left as it was and error holds the reader's text.
bool LoadHexImage(TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error,
                  TImageExtent* extent = nullptr);
// Writes the window first .. end-1 of the image as an Intel HEX file, atomically.
bool SaveHexImage(const TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error);

// Raw binary: the file's bytes from the image's start, the rest 0xFF. A file longer than `size`
// is refused rather than cut, and an empty one rather than written as erased memory.
bool LoadBinImage(TMemoryImage& image, const QString& path, uint32_t size, QString& error,
                  TImageExtent* extent = nullptr);
bool SaveBinImage(const TMemoryImage& image, const QString& path, uint32_t size, QString& error);
