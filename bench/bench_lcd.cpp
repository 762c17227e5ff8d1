// LCD picture packing of the largest size in both layouts, and one paint of the dot-matrix
// display with a full line of text (widgets offscreen). Both run inside 100 ms timer ticks.
#include <chrono>
#include <cstdio>
#include <random>

#include "memory/lcdimage.h"

#ifdef ZEVANTA_BENCH_GUI
#include <QApplication>

#include "panels/ui/leddisplay.h"
#endif

namespace {

template <class F>
double perCallUs(int rounds, F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        f(i);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() / rounds;
}

}  // namespace

int main(int argc, char** argv)
{
    const lcd::TSize s{320, 240};
    lcd::TPicture picture(s);
    std::mt19937 rng(1);
    for (int y = 0; y < s.H; ++y)
        for (int x = 0; x < s.W; ++x)
            picture.Set(x, y, rng() & 1);
    std::vector<uint8_t> packed(lcd::PackedSize(s));
    unsigned sink = 0;
    for (const lcd::TLayout layout : {lcd::lyRows, lcd::lyColumns}) {
        const char* name = layout == lcd::lyRows ? "rows" : "columns";
        const double pack = perCallUs(300, [&](int) {
            lcd::Pack(picture, layout, packed);
            sink += packed[0];
        });
        const double unpack = perCallUs(300, [&](int) { sink += lcd::Unpack(s, layout, packed).Lit(1, 1); });
        std::printf("lcd 320x240 %-7s: pack %8.1f us, unpack %8.1f us\n", name, pack, unpack);
    }
#ifdef ZEVANTA_BENCH_GUI
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    struct Case {
        int w, h;
        const char* caption;
    };
    // The VIDA angle display, a DORNA reading, and a tall display with a line of text across it.
    for (const Case& c : {Case{142, 30, "359\xb0"}, Case{100, 30, "---"}, Case{640, 100, "0123456789.-"}}) {
        TLEDDisplay led;
        led.resize(c.w, c.h);
        led.SetAlignment(panels::laRight);
        led.SetCaption(QString::fromLatin1(c.caption));
        const double us = perCallUs(500, [&](int) { sink += led.Render().pixel(0, 0); });
        std::printf("led %dx%d \"%s\": paint %8.1f us\n", c.w, c.h, QString::fromLatin1(c.caption).toUtf8().constData(),
                    us);
    }
#else
    (void)argc;
    (void)argv;
#endif
    std::printf("(checksum %u)\n", sink & 1);
    return 0;
}
