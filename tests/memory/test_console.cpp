#include <gtest/gtest.h>

#include "memory/console.h"

// Typed input is taken exactly or refused: a misread field would send another command (0 resets).
TEST(Console, TypedInputIsTakenExactlyOrRefused)
{
    struct Cmd {
        const char* in;
        std::optional<uint8_t> cmd;
    };
    for (const Cmd& c :
         {Cmd{"5", 0x05}, Cmd{" 71 ", 0x71}, Cmd{"ff", 0xFF}, Cmd{"", {}}, Cmd{"  ", {}}, Cmd{"1FF", {}},
          Cmd{"108", {}}, Cmd{"zz", {}}, Cmd{"G1", {}}, Cmd{"-5", {}}, Cmd{"0x5", {}}, Cmd{"5 5", {}}, Cmd{"٥", {}}}) {
        SCOPED_TRACE(c.in);
        const auto r = console::ParseCommand(QString::fromUtf8(c.in));
        ASSERT_EQ(r.has_value(), c.cmd.has_value());
        if (r) {
            EXPECT_EQ(r->cmd, *c.cmd);
            EXPECT_EQ(r->text, QStringLiteral("%1").arg(*c.cmd, 2, 16, QLatin1Char('0')).toUpper());
        }
        // A command-line token is a byte the same way, without the blanks.
        const auto b = console::ParseByte(QString::fromUtf8(c.in));
        EXPECT_EQ(b.has_value(), c.cmd.has_value() && QByteArray(c.in).trimmed() == QByteArray(c.in));
    }
    struct Data {
        const char* in;
        std::optional<std::vector<uint8_t>> bytes;
        const char* text;
    };
    for (const Data& d : {Data{"1 2 3 4", std::vector<uint8_t>{0x12, 0x34}, "1234"},
                          Data{"", std::vector<uint8_t>{}, ""}, Data{"c0 db", std::vector<uint8_t>{0xC0, 0xDB}, "C0DB"},
                          Data{"06\t47", std::vector<uint8_t>{6, 0x47}, "0647"}, Data{"ABC", {}, ""},
                          Data{"ZZ", {}, ""}, Data{"08 00 4", {}, ""}, Data{"0x12", {}, ""}, Data{"12,34", {}, ""}}) {
        SCOPED_TRACE(d.in);
        const auto r = console::ParseData(QString::fromUtf8(d.in));
        ASSERT_EQ(r.has_value(), d.bytes.has_value());
        if (r) {
            EXPECT_EQ(r->bytes, *d.bytes);
            EXPECT_EQ(r->text, QString::fromLatin1(d.text));
        }
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
