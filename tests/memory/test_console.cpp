#include <gtest/gtest.h>

#include "memory/console.h"

TEST(Console, ParsesFieldsAsTheTabRewritesThem)
{
    struct Cmd {
        const char* in;
        uint8_t cmd;
        const char* text;
    };
    for (const Cmd& c : {Cmd{"5", 0x05, "05"}, Cmd{"1FF", 0xFF, "FF"}, Cmd{"", 0x00, "00"}, Cmd{"zz", 0x00, "00"},
                        Cmd{"71", 0x71, "71"}}) {
        const auto r = console::ParseCommand(QString::fromLatin1(c.in));
        EXPECT_EQ(r.cmd, c.cmd) << c.in;
        EXPECT_EQ(r.text, QString::fromLatin1(c.text)) << c.in;
    }
    struct Data {
        const char* in;
        std::vector<uint8_t> bytes;
        const char* text;
    };
    for (const Data& d : {Data{"1 2 3 4", {0x12, 0x34}, "1234"}, Data{"ABC", {0xAB}, "AB"}, Data{"ZZ", {0x00}, "00"},
                         Data{"", {}, ""}, Data{"c0 db", {0xC0, 0xDB}, "C0DB"}}) {
        const auto r = console::ParseData(QString::fromLatin1(d.in));
        EXPECT_EQ(r.bytes, d.bytes) << d.in;
        EXPECT_EQ(r.text, QString::fromLatin1(d.text)) << d.in;
    }
}

TEST(Console, LogLines)
{
    EXPECT_EQ(console::RequestLine(0x05, {}), QStringLiteral("<-- 05"));
    EXPECT_EQ(console::RequestLine(0x05, {0x12, 0x34}), QStringLiteral("<-- 05 -  12 34"));
    const uint8_t answer[] = {0x12, 0xAB, 0xC0};
    EXPECT_EQ(console::AnswerLine(true, answer, 3), QStringLiteral("--> 12 AB C0"));
    EXPECT_EQ(console::AnswerLine(true, nullptr, 0), QStringLiteral("--> OK"));
    EXPECT_EQ(console::AnswerLine(false, answer, 3), QStringLiteral("--> Error"));
}
