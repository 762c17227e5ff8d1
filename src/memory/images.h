#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include <QString>

#include "base/messages.h"
#include "link/fileio.h"
#include "memory/hexfile.h"

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

// Bytes of the window first .. end-1 that fit the image (none for end <= first).
inline uint32_t ImageWindow(uint32_t first, uint32_t end)
{
    return end > first ? std::min<uint32_t>(end - first, TMemoryImage::kSize) : 0;
}

// A reader/writer of that window (an empty one for an empty window).
inline THEXFile HexWindow(uint32_t first, uint32_t n)
{
    return n ? THEXFile(first, first + n - 1) : THEXFile(1, 0);
}

// The part of an image a file gave: addresses First .. End-1 of its window.
struct TImageExtent {
    uint32_t First = 0;
    uint32_t End = 0;
};

// Loads the Intel HEX file's window first .. end-1 into the image: 0xFF everywhere, then the window
// at the image's start. A file with data outside the window, or none, is refused. On failure the
// image is left as it was and error holds the reader's text.
inline bool LoadHexImage(TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error,
                         TImageExtent* extent = nullptr)
{
    const uint32_t n = ImageWindow(first, end);
    THEXFile hex = HexWindow(first, n);
    if (!hex.Read(path)) {
        error = hex.ErrorStr();
        return false;
    }
    image.Fill();
    if (n)
        std::memcpy(image.Data(), hex.Buffer.data(), n);
    if (extent)
        *extent = {uint32_t(hex.DataFirst), uint32_t(hex.DataLast) + 1};
    return true;
}

// Writes the window first .. end-1 of the image as an Intel HEX file, atomically.
inline bool SaveHexImage(const TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error)
{
    const uint32_t n = ImageWindow(first, end);
    THEXFile hex = HexWindow(first, n);
    if (n)
        std::memcpy(hex.Buffer.data(), image.Data(), n);
    if (!hex.Write(path)) {
        error = hex.ErrorStr();
        return false;
    }
    return true;
}

// Raw binary: the file's bytes from the image's start, the rest 0xFF. A file longer than `size`
// is refused rather than cut, and an empty one rather than written as erased memory.
inline bool LoadBinImage(TMemoryImage& image, const QString& path, uint32_t size, QString& error,
                         TImageExtent* extent = nullptr)
{
    QByteArray bytes;
    QString why;
    if (!fileio::ReadWholeFile(path, bytes, why)) {
        error = Msg::FileReadFailed.arg(why);
        return false;
    }
    const uint32_t room = std::min<uint32_t>(size, TMemoryImage::kSize);
    if (bytes.isEmpty()) {
        error = Msg::HexNoData.arg(QStringLiteral("0000"),
                                   QStringLiteral("%1").arg(room ? room - 1 : 0, 4, 16, QLatin1Char('0')).toUpper());
        return false;
    }
    if (uint64_t(bytes.size()) > room) {
        error = Msg::FileTooLong.arg(bytes.size()).arg(room);
        return false;
    }
    image.Fill();
    std::memcpy(image.Data(), bytes.constData(), size_t(bytes.size()));
    if (extent)
        *extent = {0, uint32_t(bytes.size())};
    return true;
}

inline bool SaveBinImage(const TMemoryImage& image, const QString& path, uint32_t size, QString& error)
{
    const qsizetype n = std::min<uint32_t>(size, TMemoryImage::kSize);
    QString why;
    if (!fileio::WriteWholeFile(path, QByteArray(reinterpret_cast<const char*>(image.Data()), n), why)) {
        error = Msg::FileWriteFailed.arg(why);
        return false;
    }
    return true;
}
