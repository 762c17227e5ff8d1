#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "memory/lcdbitmap.h"
#include "memory/lcdimage.h"

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace lcd;

namespace {

TPicture RandomPicture(TSize s, unsigned seed)
{
    std::mt19937 rng(seed);
    TPicture p(s);
    for (int y = 0; y < s.H; ++y)
        for (int x = 0; x < s.W; ++x)
            p.Set(x, y, rng() & 1);
    return p;
}

QByteArray Encoded(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

}  // namespace

TEST(LcdImage, PixelToBitKnownCases)
{
    struct Case {
        TSize size;
        TLayout layout;
        int x, y;
        uint32_t byte;
        uint8_t bit;
    };
    const Case cases[] = {
        {{128, 64}, lyRows, 9, 0, 1, 6},
        {{128, 64}, lyColumns, 9, 10, 137, 2},
        {{128, 64}, lyRows, 0, 0, 0, 7},
        {{128, 64}, lyColumns, 0, 0, 0, 0},
        {{96, 64}, lyRows, 95, 1, 23, 0},
        {{96, 64}, lyColumns, 0, 8, 96, 0},
        {{240, 128}, lyColumns, 239, 127, 239 + 15 * 240, 7},
        {{320, 240}, lyRows, 319, 239, 9599, 0},
        {{320, 240}, lyColumns, 319, 239, 9599, 7},
        {{128, 128}, lyRows, 8, 2, 33, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BitOf(c.size, c.layout, c.x, c.y), (TBitPos{c.byte, c.bit}))
            << c.size.W << "x" << c.size.H << " layout " << c.layout << " (" << c.x << "," << c.y << ")";
        EXPECT_EQ(PixelOf(c.size, c.layout, {c.byte, c.bit}), (TPixel{c.x, c.y}));
    }
}

TEST(LcdImage, EveryPixelHasItsOwnBitBothWays)
{
    for (const TSize s : kSizes) {
        for (const TLayout layout : {lyRows, lyColumns}) {
            std::vector<uint8_t> used(PackedSize(s), 0);
            for (int y = 0; y < s.H; ++y) {
                for (int x = 0; x < s.W; ++x) {
                    const TBitPos pos = BitOf(s, layout, x, y);
                    ASSERT_LT(pos.Byte, PackedSize(s));
                    ASSERT_EQ(used[pos.Byte] & (1 << pos.Bit), 0) << "two pixels share a bit";
                    used[pos.Byte] = uint8_t(used[pos.Byte] | 1 << pos.Bit);
                    ASSERT_EQ(PixelOf(s, layout, pos), (TPixel{x, y}));
                }
            }
        }
    }
}

TEST(LcdImage, PackAndUnpackAgreeWithTheBitMap)
{
    for (const TSize s : kSizes) {
        const TPicture picture = RandomPicture(s, unsigned(s.W * 1000 + s.H));
        for (const TLayout layout : {lyRows, lyColumns}) {
            const std::vector<uint8_t> packed = Pack(picture, layout);
            ASSERT_EQ(packed.size(), PackedSize(s));
            for (int y = 0; y < s.H; ++y)
                for (int x = 0; x < s.W; ++x) {
                    const TBitPos pos = BitOf(s, layout, x, y);
                    ASSERT_EQ(((packed[pos.Byte] >> pos.Bit) & 1) != 0, picture.Lit(x, y)) << x << "," << y;
                }
            EXPECT_EQ(Unpack(s, layout, packed), picture);
        }
    }
    // Pack zeroes its bytes first: stale content of the image does not survive.
    TPicture one(kSizes[1]);
    one.Set(9, 0, true);
    std::vector<uint8_t> image(2000, 0xFF);
    Pack(one, lyRows, std::span<uint8_t>(image).subspan(100));
    EXPECT_EQ(image[99], 0xFF);
    EXPECT_EQ(image[101], 0x40);
    EXPECT_EQ(std::count(image.begin() + 100, image.begin() + 1124, 0), 1023);
    EXPECT_EQ(image[1124], 0xFF);
}

TEST(LcdImage, PictureMustFitTheMemory)
{
    struct Case {
        TSize size;
        uint32_t addr;
        uint64_t mem;
        bool fits;
    };
    const Case cases[] = {
        {{96, 64}, 0, 768, true},
        {{96, 64}, 1, 768, false},
        {{320, 240}, 0x40000 - 9600, 0x40000, true},
        {{320, 240}, 0x40000 - 9599, 0x40000, false},
        {{128, 64}, 0xFFFFFFFF, 0x40000, false},
        {{128, 64}, 0, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Fits(c.size, c.addr, c.mem), c.fits) << c.addr << " in " << c.mem;
}

TEST(LcdBitmap, SavedPictureLoadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pic.bmp"));
    const TPicture picture = RandomPicture(kSizes[4], 7);
    QString error;
    ASSERT_TRUE(SaveBitmap(path, picture, error)) << error.toStdString();
    TPicture back(kSizes[4]);
    ASSERT_TRUE(LoadBitmap(path, kSizes[4], back));
    EXPECT_EQ(back, picture);
    // What the file holds is what other programs see: black where lit.
    QImage image(path);
    EXPECT_EQ(image.pixelColor(0, 0) == Qt::black, picture.Lit(0, 0));
}

TEST(LcdBitmap, WhiteIsUnlitAnyOtherColourLit)
{
    QImage image(96, 64, QImage::Format_RGB888);
    image.fill(Qt::white);
    image.setPixelColor(1, 0, QColor(254, 255, 255));
    image.setPixelColor(2, 0, QColor(255, 0, 0));
    image.setPixelColor(95, 63, QColor(0, 0, 0));
    TPicture p(kSizes[0]);
    ASSERT_TRUE(ReadBitmap(Encoded(image), kSizes[0], p));
    EXPECT_FALSE(p.Lit(0, 0));
    EXPECT_TRUE(p.Lit(1, 0));
    EXPECT_TRUE(p.Lit(2, 0));
    EXPECT_TRUE(p.Lit(95, 63));
    const std::vector<uint8_t> packed = Pack(p, lyRows);
    EXPECT_EQ(std::count_if(packed.begin(), packed.end(), [](uint8_t b) { return b != 0; }), 2);
    // Indexed colours are read the same way.
    TPicture q(kSizes[0]);
    ASSERT_TRUE(ReadBitmap(Encoded(image.convertToFormat(QImage::Format_Indexed8)), kSizes[0], q));
    EXPECT_EQ(q, p);
}

TEST(LcdBitmap, BadFilesLeaveThePictureAlone)
{
    QImage good(96, 64, QImage::Format_RGB888);
    good.fill(Qt::black);
    const QByteArray ok = Encoded(good);
    auto patched = [&](int at, std::initializer_list<uint8_t> bytes) {
        QByteArray b = ok;
        for (uint8_t v : bytes)
            b[at++] = char(v);
        return b;
    };
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"16 bits a pixel", patched(28, {16, 0})},
        {"2 bits a pixel", patched(28, {2, 0})},
        {"huge width claimed", patched(18, {0xFF, 0xFF, 0xFF, 0x7F})},
        {"height of the most negative number", patched(22, {0x00, 0x00, 0x00, 0x80})},
        {"no width", patched(18, {0, 0, 0, 0})},
        {"truncated", ok.left(ok.size() / 2)},
        {"header only", ok.left(30)},
        {"not a bitmap", QByteArray("GIF89a") + QByteArray(100, '\0')},
        {"empty", QByteArray()},
        {"core header", patched(14, {12, 0, 0, 0})},
    };
    const TPicture before = RandomPicture(kSizes[0], 3);
    for (const Case& c : cases) {
        TPicture p = before;
        EXPECT_FALSE(ReadBitmap(c.bytes, kSizes[0], p)) << c.name;
        EXPECT_EQ(p, before) << c.name;
    }
    TPicture p = before;
    EXPECT_FALSE(LoadBitmap(QStringLiteral("/nonexistent/pic.bmp"), kSizes[0], p));
    EXPECT_EQ(p, before);
    EXPECT_TRUE(ReadBitmap(ok, kSizes[0], p));
}

// A picture of another size gives its top-left W × H pixels; what a smaller one lacks is unlit.
TEST(LcdBitmap, AnotherSizeGivesItsTopLeftCorner)
{
    const TSize s = kSizes[1];  // 128 × 64
    const struct {
        const char* name;
        int w, h;
        QImage::Format format;
    } cases[] = {
        {"larger both ways", 200, 100, QImage::Format_RGB888},
        {"one row short", 128, 63, QImage::Format_RGB888},
        {"narrower and taller", 40, 90, QImage::Format_Mono},
        {"a single pixel", 1, 1, QImage::Format_RGB32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TPicture drawn = RandomPicture({c.w, c.h}, unsigned(c.w));
        QImage image(c.w, c.h, QImage::Format_RGB32);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                image.setPixel(x, y, drawn.Lit(x, y) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        TPicture p = RandomPicture(s, 9);  // nothing of the old picture may survive
        ASSERT_TRUE(ReadBitmap(Encoded(image.convertToFormat(c.format)), s, p));
        for (int y = 0; y < s.H; ++y)
            for (int x = 0; x < s.W; ++x)
                ASSERT_EQ(p.Lit(x, y), x < c.w && y < c.h && drawn.Lit(x, y)) << x << "," << y;
    }
}

#ifdef Q_OS_UNIX
// A file cut inside its header, placed right before an unreadable page: a read past its end
// faults instead of passing unnoticed.
TEST(LcdBitmap, FileCutInsideItsHeaderIsNotReadPastItsEnd)
{
    const long page = sysconf(_SC_PAGESIZE);
    void* mem = mmap(nullptr, size_t(2 * page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    char* guard = static_cast<char*>(mem) + page;
    ASSERT_EQ(mprotect(guard, size_t(page), PROT_NONE), 0);
    const QByteArray whole = Encoded(QImage(96, 64, QImage::Format_Mono));
    for (int n = 0; n < 62; ++n) {
        char* at = guard - n;
        std::memcpy(at, whole.constData(), size_t(n));
        TPicture p(kSizes[0]);
        EXPECT_FALSE(ReadBitmap(QByteArray::fromRawData(at, n), kSizes[0], p)) << n;
    }
    munmap(mem, size_t(2 * page));
}
#endif

TEST(LcdHeader, TextLayout)
{
    std::vector<uint8_t> bytes(768);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7);
    const QByteArray text = HeaderText(bytes);
    const QList<QByteArray> lines = text.split('\n');
    ASSERT_EQ(lines.size(), 5 + 48 + 3 + 1);  // the last line break leaves an empty tail
    EXPECT_EQ(lines[0], "#ifndef __SPLASH__\r");
    EXPECT_EQ(lines[1], "#define __SPLASH__\r");
    EXPECT_EQ(lines[2], "\r");
    EXPECT_EQ(lines[3], "// \xC7\xE0\xF1\xF2\xE0\xE2\xEA\xE0\r");  // "Заставка" in the 8-bit code page
    EXPECT_EQ(lines[4], "const char Splash [768] = {\r");
    EXPECT_EQ(lines[5],
              "           0x00,0x07,0x0E,0x15,0x1C,0x23,0x2A,0x31,0x38,0x3F,0x46,0x4D,0x54,0x5B,0x62,0x69,\r");
    EXPECT_TRUE(lines[52].endsWith("0xEB,0xF2,0xF9\r")) << lines[52].toStdString();
    EXPECT_EQ(lines[53], "          };\r");
    EXPECT_EQ(lines[54], "\r");
    EXPECT_EQ(lines[55], "#endif\r");
}

// The header is compiled by the system C compiler: the array it defines must be the packed picture.
TEST(LcdHeader, CompilesToThePackedBytes)
{
    const QString cc = QStandardPaths::findExecutable(QStringLiteral("cc"));
    if (cc.isEmpty())
        GTEST_SKIP() << "no C compiler on this machine";
    QTemporaryDir dir;
    const TPicture picture = RandomPicture(kSizes[0], 11);
    for (const TLayout layout : {lyRows, lyColumns}) {
        const std::vector<uint8_t> packed = Pack(picture, layout);
        QString error;
        ASSERT_TRUE(SaveHeader(dir.filePath(QStringLiteral("splash.h")), packed, error));
        QFile main(dir.filePath(QStringLiteral("main.c")));
        ASSERT_TRUE(main.open(QIODevice::WriteOnly));
        main.write(
            "#include <stdio.h>\n#include \"splash.h\"\n#include \"splash.h\"\n"
            "int main(void) { return fwrite(Splash, 1, sizeof Splash, stdout) == 768 ? 0 : 1; }\n");
        main.close();
        QProcess build;
        build.setWorkingDirectory(dir.path());
        build.start(cc, {QStringLiteral("-std=c99"), QStringLiteral("-Wall"), QStringLiteral("-Werror"),
                         QStringLiteral("-o"), QStringLiteral("splash"), QStringLiteral("main.c")});
        ASSERT_TRUE(build.waitForFinished(60000));
        ASSERT_EQ(build.exitCode(), 0) << build.readAllStandardError().toStdString();
        QProcess run;
        run.start(dir.filePath(QStringLiteral("splash")), {});
        ASSERT_TRUE(run.waitForFinished(10000));
        ASSERT_EQ(run.exitCode(), 0);
        const QByteArray out = run.readAllStandardOutput();
        EXPECT_EQ(out, QByteArray(reinterpret_cast<const char*>(packed.data()), qsizetype(packed.size())))
            << "layout " << layout;
    }
}

TEST(LcdHeader, UnwritableFileLeavesNothing)
{
    QTemporaryDir dir;
    const std::vector<uint8_t> packed(768, 0x55);
    QString error;
    EXPECT_FALSE(SaveHeader(dir.filePath(QStringLiteral("missing/splash.h")), packed, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}
