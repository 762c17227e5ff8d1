// Reading and writing a 256 KiB Intel HEX image; prints MB/s of image bytes and of file bytes.
#include <chrono>
#include <cstdio>
#include <random>

#include <QFileInfo>
#include <QTemporaryDir>

#include "memory/hexfile.h"

int main()
{
    constexpr uint32_t kSize = 256 * 1024;
    constexpr int kRounds = 20;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.hex"));
    THEXFile image(0, kSize);  // callers pass the first address past the region
    std::mt19937 gen(1);
    for (uint32_t i = 0; i < kSize; ++i)
        image.Buffer[i] = uint8_t(gen());

    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };

    const auto w0 = Clock::now();
    for (int i = 0; i < kRounds; ++i)
        if (!image.Write(path)) {
            std::fprintf(stderr, "write failed\n");
            return 1;
        }
    const double writeTime = seconds(Clock::now() - w0) / kRounds;
    const double fileMB = double(QFileInfo(path).size()) / 1e6;

    THEXFile back(0, kSize);
    const auto r0 = Clock::now();
    for (int i = 0; i < kRounds; ++i)
        if (!back.Read(path)) {
            std::fprintf(stderr, "read failed: %s\n", back.ErrorStr().toUtf8().constData());
            return 1;
        }
    const double readTime = seconds(Clock::now() - r0) / kRounds;

    const double imageMB = kSize / 1e6;
    std::printf("HEX 256 KiB image (%.2f MB file), mean of %d rounds\n", fileMB, kRounds);
    std::printf("write: %7.2f ms  %7.1f MB/s image  %7.1f MB/s file\n", writeTime * 1e3, imageMB / writeTime,
                fileMB / writeTime);
    std::printf("read:  %7.2f ms  %7.1f MB/s image  %7.1f MB/s file\n", readTime * 1e3, imageMB / readTime,
                fileMB / readTime);
    return back.Buffer == image.Buffer ? 0 : 2;
}
