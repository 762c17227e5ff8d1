#include <gtest/gtest.h>

#include "panels/panelint.h"
#include "panels/relaypanels.h"
#include "params.h"

using namespace panels;

TEST(PanelInt, DecimalWithSignOrDollarOrZeroXHex)
{
    struct Case {
        const char* text;
        int64_t want;
    };
    const int64_t def = -7;
    for (const Case& c : {Case{"12", 12}, Case{"-3", -3}, Case{"+4", 4}, Case{"$1F", 0x1F}, Case{"0x1f", 0x1F},
                          Case{"0X10", 16}, Case{"$FFFFFFFF", 0xFFFFFFFFll}, Case{"2147483647", 2147483647},
                          // everything else falls back
                          Case{"", def}, Case{"abc", def}, Case{"1A", def}, Case{" 5", def}, Case{"5 ", def},
                          Case{"$", def}, Case{"0x", def}, Case{"$-1", def}, Case{"$ 1", def}, Case{"$123456789", def},
                          Case{"2147483648", def}, Case{"0312", 312}}) {
        EXPECT_EQ(PanelInt(QString::fromLatin1(c.text), def), c.want) << c.text;
    }
}

TEST(UsbRelay, FiveParameterModule)
{
    // 3 relays, 2 inputs, relays 1 and 3 on, input 2 on, fifth value not a number.
    const UsbRelayView v = UsbRelayViewOf(paramsOf({"3", "2", "5", "2", "abc"}));
    ASSERT_TRUE(v.valid);
    const std::array<bool, 8> visible{true, true, true, false, false, false, false, false};
    EXPECT_EQ(v.relayVisible, visible);
    const std::array<bool, 8> lit{true, false, true, false, false, false, false, false};
    EXPECT_EQ(v.relayLit, lit);
    const std::array<bool, 8> allEnabled{true, true, true, true, true, true, true, true};
    EXPECT_EQ(v.relayEnabled, allEnabled);
    EXPECT_EQ(v.inputVisible, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(v.inputLit, (std::array<bool, 4>{false, true, false, false}));
    EXPECT_FALSE(v.noInputs);
    EXPECT_FALSE(v.resetVisible);
}

TEST(UsbRelay, EightParameterLocksAndResetRelay)
{
    struct Case {
        const char* reset;
        const char* lockHigh;
        const char* lockLow;
        bool resetVisible, resetLit, lowEnabled, highEnabled;
    };
    for (const Case& c : {Case{"0", "0", "0", true, false, true, true}, Case{"1", "0", "0", true, true, true, true},
                          Case{"-1", "0", "0", false, false, true, true}, Case{"x", "0", "0", false, false, true, true},
                          Case{"2", "1", "0", true, false, true, false}, Case{"0", "0", "1", true, false, false, true},
                          Case{"0", "-1", "abc", true, false, true, true}}) {
        // Every relay bit set: a locked relay stays dark anyway.
        const UsbRelayView v = UsbRelayViewOf(paramsOf({"8", "0", "255", "0", c.reset, c.lockHigh, c.lockLow, "s"}));
        const std::string at = std::string(c.reset) + "/" + c.lockHigh + "/" + c.lockLow;
        ASSERT_TRUE(v.valid) << at;
        EXPECT_EQ(v.resetVisible, c.resetVisible) << at;
        EXPECT_EQ(v.resetLit, c.resetLit) << at;
        for (int k = 0; k < 8; ++k) {
            const bool enabled = k < 5 ? c.lowEnabled : c.highEnabled;
            EXPECT_EQ(v.relayEnabled[k], enabled) << at << " relay " << k + 1;
            EXPECT_EQ(v.relayLit[k], enabled) << at << " relay " << k + 1;
        }
        EXPECT_TRUE(v.noInputs) << at;
        EXPECT_EQ(v.inputVisible, (std::array<bool, 4>{})) << at;
    }
}

TEST(UsbRelay, OtherParameterCountsAreNotAModule)
{
    for (int n : {0, 4, 6, 7, 9}) {
        TParams p;
        for (int i = 0; i < n; ++i)
            p.Add(pkgInt, QStringLiteral("p"), QStringLiteral("255"));
        const UsbRelayView v = UsbRelayViewOf(p);
        EXPECT_FALSE(v.valid) << n;
        EXPECT_EQ(v.relayLit, (std::array<bool, 8>{})) << n;
        EXPECT_FALSE(v.resetLit) << n;
        EXPECT_TRUE(v.noInputs) << n;
        EXPECT_EQ(MiranViewOf(p).valid, n == 7) << n;
    }
}

TEST(Miran, OutputsAndInputsFromPositionsThreeAndFour)
{
    const MiranView v = MiranViewOf(paramsOf({"S1", "8", "8", "$81", "0x0C", "x", "y"}));
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.outputLit, (std::array<bool, 8>{true, false, false, false, false, false, false, true}));
    EXPECT_EQ(v.inputLit, (std::array<bool, 8>{false, false, true, true, false, false, false, false}));
}

TEST(RelayBits, LitIndicatorsMakeOneByte)
{
    // Relays 1 and 2 lit, relay 3 toggled on: 0x07.
    EXPECT_EQ(BitsOf(std::array<bool, 8>{true, true, true}), 0x07);
    EXPECT_EQ(BitsOf(std::array<bool, 8>{false, false, false, false, false, false, false, true}), 0x80);
    EXPECT_EQ(BitsOf(std::array<bool, 7>{true, true, true, true, true, true, true}), 0x7F);
}

TEST(Sarvel, ItemsSkipAddress78)
{
    struct Case {
        int item;
        uint8_t addr;
        const char* caption;
    };
    for (const Case& c : {Case{0, 0x10, "0x10"}, Case{1, 0x12, "0x12"}, Case{51, 0x76, "0x76"}, Case{52, 0x7A, "0x7A"},
                          Case{63, 0x90, "0x90"}}) {
        EXPECT_EQ(SarvelAddress(c.item), c.addr) << c.item;
        EXPECT_EQ(SarvelCaption(c.item), QString::fromLatin1(c.caption)) << c.item;
    }
    for (int i = 0; i < kSarvelItems; ++i)
        EXPECT_NE(SarvelAddress(i), 0x78) << i;
}

TEST(Sarvel, ReadAnswerCountsOnlyWithFiveBytes)
{
    const uint8_t five[] = {0x21, 0x80, 0x00, 0x00, 0x05};
    const SarvelUnit u = SarvelUnitOf(true, five);
    EXPECT_TRUE(u.ok);
    EXPECT_EQ(u.version, QStringLiteral("2.1"));
    EXPECT_EQ(u.outputs, 0x80000005u);

    const uint8_t four[] = {0x21, 0x80, 0x00, 0x00};
    const uint8_t six[] = {0x21, 0x80, 0x00, 0x00, 0x05, 0x00};
    for (const auto& [ok, bytes] :
         {std::pair{true, std::span<const uint8_t>(four)}, std::pair{true, std::span<const uint8_t>(six)},
          std::pair{false, std::span<const uint8_t>(five)}}) {
        const SarvelUnit bad = SarvelUnitOf(ok, bytes);
        EXPECT_FALSE(bad.ok);
        EXPECT_EQ(bad.version, QStringLiteral("- - -"));
        EXPECT_EQ(bad.outputs, 0u);
    }
}

TEST(Sarvel, WritePayloadsOfTheTestPatterns)
{
    EXPECT_EQ(SarvelWritePayload(0x10, kSarvelTest1), (std::vector<uint8_t>{0x10, 0x55, 0x55, 0x55, 0x55}));
    EXPECT_EQ(SarvelWritePayload(0x10, kSarvelTest2), (std::vector<uint8_t>{0x10, 0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_EQ(SarvelWritePayload(0x7A, 0x01020304), (std::vector<uint8_t>{0x7A, 1, 2, 3, 4}));
}
