#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include <QFile>
#include <QString>

#include "app/messages.h"
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

// Loads the Intel HEX file's window first .. end-1 into the image: 0xFF everywhere, then the window
// at the image's start. On failure the image is left as it was and error holds the reader's text.
inline bool LoadHexImage(TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error)
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
    return true;
}

// Writes the window first .. end-1 of the image as an Intel HEX file.
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

// Raw binary: at most `size` bytes from the file's start; the rest of the image 0xFF.
inline bool LoadBinImage(TMemoryImage& image, const QString& path, uint32_t size, QString& error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = Msg::FileSystemError;
        return false;
    }
    const QByteArray bytes = f.read(std::min<uint32_t>(size, TMemoryImage::kSize));
    if (bytes.isEmpty() && f.error() != QFileDevice::NoError) {
        error = Msg::FileSystemError;
        return false;
    }
    image.Fill();
    std::memcpy(image.Data(), bytes.constData(), size_t(bytes.size()));
    return true;
}

inline bool SaveBinImage(const TMemoryImage& image, const QString& path, uint32_t size, QString& error)
{
    QFile f(path);
    const qint64 n = std::min<uint32_t>(size, TMemoryImage::kSize);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write(reinterpret_cast<const char*>(image.Data()), n) != n) {
        error = Msg::FileSystemError;
        return false;
    }
    return true;
}
