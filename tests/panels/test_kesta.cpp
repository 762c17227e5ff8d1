#include <gtest/gtest.h>

#include "panels/kesta.h"
#include "params.h"

using namespace panels;

namespace {
// Outputs, inputs, key-fob code, key-fob buttons, drives at positions 2, 3, 5, 6, 7.
TParams kesta(const char* outputs, const char* inputs, const char* code, const char* buttons, const char* drives)
{
    return paramsOf({"KESTA", "1.0", outputs, inputs, "25", code, buttons, drives, "x"});
}
}  // namespace

TEST(Kesta, DriveNibblesGivePumpsAndPictures)
{
    // 0312 is hexadecimal: column 1 state 2, column 2 state 1, column 3 state 3.
    const KestaView v = KestaViewOf(kesta("0", "0", "0", "0", "0312"));
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.drive, (std::array<unsigned, 3>{2, 1, 3}));
    EXPECT_EQ(PumpActionOf(v.drive[0]), PumpAction::Inverse);
    EXPECT_EQ(PumpActionOf(v.drive[1]), PumpAction::Forward);
    EXPECT_EQ(PumpActionOf(v.drive[2]), PumpAction::Stop);
    EXPECT_TRUE(DriveWarning(v.drive[2]));
    EXPECT_FALSE(DriveWarning(v.drive[0]));

    struct Case {
        unsigned state;
        PumpAction action;
    };
    for (const Case& c :
         {Case{0, PumpAction::Stop}, Case{1, PumpAction::Forward}, Case{2, PumpAction::Inverse},
          Case{3, PumpAction::Stop}, Case{4, PumpAction::Stop}, Case{5, PumpAction::Keep}, Case{15, PumpAction::Keep}})
        EXPECT_EQ(PumpActionOf(c.state), c.action) << c.state;
}

TEST(Kesta, OutputsInputsAndLimits)
{
    // Outputs 1 and 7 (bit 7 is not an output); inputs 1 (upper 1), 4 (lower 2), 5 (upper 3), 9.
    const KestaView v = KestaViewOf(kesta("$C1", "0x119", "0", "0", "0"));
    ASSERT_TRUE(v.valid);
    EXPECT_EQ(v.outputLit, (std::array<bool, 7>{true, false, false, false, false, false, true}));
    EXPECT_EQ(v.inputLit, (std::array<bool, 9>{true, false, false, true, true, false, false, false, true}));
    EXPECT_EQ(v.upperLimit, (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(v.lowerLimit, (std::array<bool, 3>{false, true, false}));
}

TEST(Kesta, KeyFobOverlayAndCode)
{
    struct Case {
        const char* code;
        const char* buttons;
        bool close, open, lamp;
        const char* text;
    };
    for (const Case& c :
         {Case{"1A2B3C", "3", true, true, true, "01A2B3C"}, Case{"0", "4", false, false, true, "- - -"},
          Case{"0FFFFFFF", "1", true, false, true, "FFFFFFF"}, Case{"1234ABCD", "2", false, true, true, "1234ABCD"},
          Case{"", "256", false, false, false, "- - -"}, Case{"zz", "0", false, false, false, "- - -"}}) {
        const KestaView v = KestaViewOf(kesta("0", "0", c.code, c.buttons, "0"));
        EXPECT_EQ(v.fobClose, c.close) << c.code << "/" << c.buttons;
        EXPECT_EQ(v.fobOpen, c.open) << c.code << "/" << c.buttons;
        EXPECT_EQ(v.fobLamp, c.lamp) << c.code << "/" << c.buttons;
        EXPECT_EQ(v.codeText, QString::fromLatin1(c.text)) << c.code;
    }
}

TEST(Kesta, NotNineParametersBlanksTheDisplay)
{
    TParams p = kesta("255", "511", "1A2B3C", "3", "0111");
    p.Items.pop_back();
    const KestaView v = KestaViewOf(p);
    EXPECT_FALSE(v.valid);
    EXPECT_EQ(v.outputLit, (std::array<bool, 7>{}));
    EXPECT_EQ(v.inputLit, (std::array<bool, 9>{}));
    EXPECT_FALSE(v.fobClose || v.fobOpen || v.fobLamp);
    EXPECT_EQ(v.codeText, QStringLiteral("- - -"));
}

TEST(Kesta, FobCodeDialogBounds)
{
    struct Case {
        const char* text;
        std::optional<uint32_t> want;
    };
    for (const Case& c : {Case{"FFFFFFF", 0x0FFFFFFF}, Case{"1", 1}, Case{"abc", 0xABC}, Case{"0", std::nullopt},
                          Case{"G1", std::nullopt}, Case{"", std::nullopt}, Case{"10000000", std::nullopt},
                          Case{"-1", std::nullopt}, Case{" 1", std::nullopt}})
        EXPECT_EQ(ParseFobCode(QString::fromLatin1(c.text)), c.want) << c.text;
    EXPECT_EQ(FobCodeText(1), QStringLiteral("0000001"));
    EXPECT_EQ(FobCodeText(0xABCDEF), QStringLiteral("0ABCDEF"));
}

TEST(Kesta, FobListPayloadAndAnswer)
{
    EXPECT_EQ(FobListPayload({1, 0xABCDEF}), (std::vector<uint8_t>{0x02, 0, 0, 0, 1, 0x00, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(FobListPayload({}), (std::vector<uint8_t>{0x00}));

    const uint8_t two[] = {2, 0, 0, 0, 1, 0x0F, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(FobListOf(two), (std::vector<uint32_t>{1, 0x0FFFFFFF}));
    const uint8_t none[] = {0};
    EXPECT_EQ(FobListOf(none), std::vector<uint32_t>{});
    EXPECT_EQ(FobListOf({}), std::nullopt);
    // A cut answer is not a list: it would invent codes of 0.
    const uint8_t cut[] = {2, 0, 0, 0, 1, 0x0F};
    EXPECT_EQ(FobListOf(cut), std::nullopt);
}

TEST(Kesta, TimeOut)
{
    struct Case {
        const char* text;
        unsigned value;
    };
    for (const Case& c : {Case{"1", 3}, Case{"3", 3}, Case{"10", 10}, Case{"", 3}, Case{"abc", 3}, Case{"-5", 3},
                          Case{"999", 999}, Case{"$FFFFF", 0xFFFF}})
        EXPECT_EQ(TimeoutToWrite(QString::fromLatin1(c.text)), c.value) << c.text;
    EXPECT_EQ(TimeoutPayload(3), (std::vector<uint8_t>{0x00, 0x03}));
    EXPECT_EQ(TimeoutPayload(0x1234), (std::vector<uint8_t>{0x12, 0x34}));

    const uint8_t two[] = {0x01, 0x2C};
    EXPECT_EQ(TimeoutOf(two), 300u);
    const uint8_t one[] = {0x01};
    const uint8_t three[] = {0, 1, 2};
    EXPECT_EQ(TimeoutOf(one), std::nullopt);
    EXPECT_EQ(TimeoutOf(three), std::nullopt);
}

TEST(Kesta, PumpAngleWraps)
{
    EXPECT_EQ(NextPumpAngle(324, kPumpStep), 342);
    EXPECT_EQ(NextPumpAngle(342, kPumpStep), 0);
    EXPECT_EQ(NextPumpAngle(0, -kPumpStep), 359);
    EXPECT_EQ(NextPumpAngle(359, -kPumpStep), 341);
    EXPECT_EQ(NextPumpAngle(100, 0), 100);
}

TEST(Kesta, FobListRowsAndCurrent)
{
    FobList list;
    EXPECT_EQ(list.Current(), -1);
    EXPECT_FALSE(list.EditCurrent(5));
    EXPECT_FALSE(list.DeleteCurrent());
    for (uint32_t c = 1; c <= 7; ++c)
        EXPECT_TRUE(list.Add(c * 0x10));
    EXPECT_FALSE(list.CanAdd());
    EXPECT_FALSE(list.Add(0x99));
    EXPECT_EQ(list.Count(), 7);
    EXPECT_EQ(list.Current(), 6);

    EXPECT_TRUE(list.Locate(0x30));
    EXPECT_EQ(list.Current(), 2);
    EXPECT_FALSE(list.Locate(0x31));
    EXPECT_EQ(list.Current(), 2);  // no match keeps the row
    EXPECT_TRUE(list.EditCurrent(0x33));
    EXPECT_TRUE(list.DeleteCurrent());
    EXPECT_EQ(list.Codes(), (std::vector<uint32_t>{0x10, 0x20, 0x40, 0x50, 0x60, 0x70}));
    EXPECT_EQ(list.Current(), 2);
    list.SetCurrent(5);
    EXPECT_TRUE(list.DeleteCurrent());
    EXPECT_EQ(list.Current(), 4);  // the last row was deleted: the new last one

    list.Replace({7, 8});
    EXPECT_EQ(list.Current(), 0);
    list.Replace({});
    EXPECT_EQ(list.Current(), -1);
}
