// Network port names and the Telnet / COM-PORT-OPTION codec of rfc2217:// ports.
#include <gtest/gtest.h>

#include "link/telnet.h"

using namespace telnet;
using Bytes = std::vector<uint8_t>;

TEST(NetAddress, ParsesWhatAUserTypes)
{
    struct Case {
        const char* name;
        bool valid;
        TNetAddress::TKind kind{};
        const char* host{};
        uint16_t port{};
    };
    const Case cases[] = {
        {"tcp://127.0.0.1:7000", true, TNetAddress::nkTcp, "127.0.0.1", 7000},
        {"rfc2217://moxa-3.local:4001", true, TNetAddress::nkRfc2217, "moxa-3.local", 4001},
        {"rfc2217://[::1]:7000", true, TNetAddress::nkRfc2217, "::1", 7000},
        {"tcp://host:65535", true, TNetAddress::nkTcp, "host", 65535},
        {"tcp://host", false},           // no port
        {"tcp://host:", false},          // empty port
        {"tcp://:7000", false},          // no host
        {"tcp://host:0", false},         // port 0 cannot be connected to
        {"tcp://host:65536", false},     // beyond 16 bits
        {"tcp://host:70x", false},       // trailing garbage
        {"tcp://host:7000/", false},     // a path
        {"tcp://::1:7000", false},       // IPv6 without brackets is ambiguous
        {"rfc2217://[::1]7000", false},  // bracket not followed by the port
        {"telnet://host:23", false},     // scheme we do not speak
        {"/dev/ttyUSB0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto a = ParseNetAddress(c.name);
        ASSERT_EQ(a.has_value(), c.valid);
        if (!c.valid)
            continue;
        EXPECT_EQ(a->Kind, c.kind);
        EXPECT_EQ(a->Host, c.host);
        EXPECT_EQ(a->Port, c.port);
    }
    EXPECT_TRUE(IsNetPortName("tcp://host"));  // meant as one, though wrong: the open says why
    EXPECT_FALSE(IsNetPortName("/dev/pts/3"));
}

TEST(Telnet, EscapesEveryFFOfDataAndCommandValues)
{
    Bytes out;
    AppendEscaped(out, Bytes{0x00, 0xFF, 0xFF, 0x41});
    EXPECT_EQ(out, (Bytes{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x41}));
    // 0x0001FFFF baud: the FF bytes of the value are doubled inside the subnegotiation too.
    EXPECT_EQ(ComPortCommand(cpSetBaudRate, Bytes{0x00, 0x01, 0xFF, 0xFF}),
              (Bytes{IAC, SB, optComPort, 1, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, IAC, SE}));
}

// Whatever the cut between two reads, the line data, the answers and the replies come out the same.
TEST(Telnet, DecodesTheSameWhereverTheStreamIsCut)
{
    const Bytes stream{0x10, IAC,  IAC,        0x20,                                             // data with one 0xFF
                       IAC,  WILL, optEcho,                                                      // refused: DONT ECHO
                       IAC,  SB,   optComPort, 101,  0x00, 0x01, 0xFF, 0xFF, IAC, IAC, IAC, SE,  // rate answer
                       IAC,  241,                                                                // NOP
                       0xC0, IAC,  IAC};
    const Bytes wantData{0x10, 0xFF, 0x20, 0xC0, 0xFF};
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        TTelnetDecoder d;
        Bytes data;
        d.Push(std::span(stream).first(cut), data);
        d.Push(std::span(stream).subspan(cut), data);
        EXPECT_EQ(data, wantData);
        EXPECT_EQ(d.Reply, (Bytes{IAC, DONT, optEcho}));
        ASSERT_EQ(d.Answers.size(), 1u);
        EXPECT_EQ(d.Answers[0].Code, 101);
        EXPECT_EQ(d.Answers[0].Value, (Bytes{0x00, 0x01, 0xFF, 0xFF}));
    }
}

TEST(Telnet, AnswersNegotiationOnceAndNoticesARefusedComPortOption)
{
    struct Case {
        const char* what;
        Bytes in;
        Bytes reply;
        bool comPortRefused;
    };
    const Case cases[] = {
        // What a serial server opens with: agreement to what we asked is not confirmed again.
        {"agreement",
         {IAC, WILL, optSGA, IAC, DO, optSGA, IAC, DO, optBinary, IAC, WILL, optBinary, IAC, DO, optComPort},
         {},
         false},
        {"echo offered", {IAC, WILL, optEcho, IAC, DONT, optEcho}, {IAC, DONT, optEcho}, false},
        {"unknown options", {IAC, DO, 24, IAC, WILL, 31}, {IAC, WONT, 24, IAC, DONT, 31}, false},
        {"binary withdrawn", {IAC, WONT, optBinary, IAC, WONT, optBinary}, {IAC, DONT, optBinary}, false},
        {"no com port", {IAC, DONT, optComPort}, {IAC, WONT, optComPort}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTelnetDecoder d;
        Bytes data;
        d.Push(c.in, data);
        EXPECT_TRUE(data.empty());
        EXPECT_EQ(d.Reply, c.reply);
        EXPECT_EQ(d.ComPortRefused, c.comPortRefused);
    }
}
