#include "memory/images.h"

#include <algorithm>

#include "base/fileio.h"
#include "base/messages.h"
#include "memory/hexfile.h"

namespace {

// Bytes of the window first .. end-1 that fit the image (none for end <= first).
uint32_t ImageWindow(uint32_t first, uint32_t end)
{
    return end > first ? std::min<uint32_t>(end - first, TMemoryImage::kSize) : 0;
}

// A reader/writer of that window (an empty one for an empty window).
THEXFile HexWindow(uint32_t first, uint32_t n)
{
    return n ? THEXFile(first, first + n - 1) : THEXFile(1, 0);
}

}  // namespace

bool LoadHexImage(TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error,
                  TImageExtent* extent)
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

bool SaveHexImage(const TMemoryImage& image, const QString& path, uint32_t first, uint32_t end, QString& error)
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

bool LoadBinImage(TMemoryImage& image, const QString& path, uint32_t size, QString& error, TImageExtent* extent)
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

bool SaveBinImage(const TMemoryImage& image, const QString& path, uint32_t size, QString& error)
{
    const qsizetype n = std::min<uint32_t>(size, TMemoryImage::kSize);
    QString why;
    if (!fileio::WriteWholeFile(path, QByteArray(reinterpret_cast<const char*>(image.Data()), n), why)) {
        error = Msg::FileWriteFailed.arg(why);
        return false;
    }
    return true;
}
