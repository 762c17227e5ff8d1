#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "link/crc16.h"
#include "link/payloadreader.h"
#include "link/zevaframe.h"

using Bytes = std::vector<uint8_t>;

TEST(Crc16, CheckValueOverDigits)
{
    TCRC16 crc;
    crc.Init(0xFFFF, 0x8408);
    const char* digits = "123456789";
    crc.Update(reinterpret_cast<const uint8_t*>(digits), 9);
    EXPECT_EQ(crc.FCRC, 0x6F91);
}

struct EncodeCase {
    const char* what;
    uint16_t addr;
    uint8_t cmd;
    Bytes payload;
    Bytes wire;
};

TEST(FrameEncode, KnownFrames)
{
    const std::vector<EncodeCase> cases = {
        {"address 1, identification", 0x0001, 0x71, {}, {0xFF, 0xC0, 0x80, 0x01, 0x71, 0x00, 0x00, 0x7C, 0x62}},
        {"no address", 0x0000, 0x71, {}, {0xFF, 0xC0, 0x71, 0x00, 0x00, 0xE3, 0x37}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zeva::encodeFrame(c.addr, c.cmd, c.payload), c.wire) << c.what;
}

// Undoes stuffing of everything after FF C0, to check that no raw C0/DB leaks out.
static Bytes unstuff(const Bytes& wire, bool& clean)
{
    Bytes out;
    clean = true;
    for (size_t i = 2; i < wire.size(); ++i) {
        if (wire[i] == 0xC0)
            clean = false;
        if (wire[i] == 0xDB) {
            ++i;
            out.push_back(wire.at(i) == 0xDC ? 0xC0 : 0xDB);
        } else {
            out.push_back(wire[i]);
        }
    }
    return out;
}

TEST(FrameEncode, StuffsEveryField)
{
    // Address C0DB → first byte C0|80 = C0, second DB; command C0, length 0x00DB, payload has both.
    Bytes payload(0xDB, 0x11);
    payload[0] = 0xC0;
    payload[1] = 0xDB;
    const auto wire = zeva::encodeFrame(0x40DB, 0xC0, payload);
    ASSERT_GE(wire.size(), 2u);
    EXPECT_EQ(wire[0], 0xFF);
    EXPECT_EQ(wire[1], 0xC0);
    EXPECT_EQ(Bytes(wire.begin() + 2, wire.begin() + 6), (Bytes{0xDB, 0xDC, 0xDB, 0xDD}));  // address
    EXPECT_EQ(Bytes(wire.begin() + 6, wire.begin() + 8), (Bytes{0xDB, 0xDC}));              // command
    bool clean = false;
    const auto plain = unstuff(wire, clean);
    EXPECT_TRUE(clean);
    EXPECT_EQ(plain.size(), 2 + 1 + 2 + payload.size() + 2);
}

TEST(FrameEncode, StuffsTheCrc)
{
    // Search a one-byte payload whose CRC has a C0 or DB byte, so the CRC stuffing is exercised.
    for (int b = 0; b < 256; ++b) {
        const Bytes p{uint8_t(b)};
        TCRC16 crc;
        for (uint8_t x : Bytes{0x05, 0x00, 0x01, uint8_t(b)})
            crc.UpdateCRC(x);
        const uint8_t hi = crc.FCRC >> 8, lo = crc.FCRC & 0xFF;
        if (hi != 0xC0 && lo != 0xC0 && hi != 0xDB && lo != 0xDB)
            continue;
        const auto wire = zeva::encodeFrame(0, 0x05, p);
        bool clean = false;
        const auto plain = unstuff(wire, clean);
        EXPECT_TRUE(clean);
        EXPECT_EQ(plain[plain.size() - 2], hi);
        EXPECT_EQ(plain.back(), lo);
        return;
    }
    FAIL() << "no payload byte gives a CRC that needs stuffing";
}

struct Decoded {
    zeva::FrameDecoder::Status status;
    uint16_t addr;
    uint8_t cmd;
    Bytes payload;
};

static Decoded decodeAll(const Bytes& wire, size_t capacity = 64)
{
    Bytes buf(capacity);
    zeva::FrameDecoder d(buf.data(), buf.size());
    for (uint8_t b : wire) {
        const auto s = d.push(b);
        if (s != zeva::FrameDecoder::Status::NeedMore)
            return {s, d.addr(), d.cmd(), Bytes(buf.begin(), buf.begin() + std::min<size_t>(d.count(), capacity))};
    }
    return {zeva::FrameDecoder::Status::NeedMore, 0, 0, {}};
}

TEST(FrameDecode, RoundTripsWhateverTheContent)
{
    for (uint16_t addr : {0x0000, 0x0001, 0x40DB, 0x7FFF}) {
        for (size_t len : {0, 1, 17, 64}) {
            Bytes payload(len);
            for (size_t i = 0; i < len; ++i)
                payload[i] = uint8_t(i * 37 + addr) ^ ((i & 1) ? 0xC0 : 0xDB);
            const uint8_t cmd = addr ? 0xC0 : 0x33;  // without address, the command must be below 0x80
            const auto d = decodeAll(zeva::encodeFrame(addr, cmd, payload));
            EXPECT_EQ(d.status, zeva::FrameDecoder::Status::Frame) << addr << "/" << len;
            EXPECT_EQ(d.addr, addr);
            EXPECT_EQ(d.cmd, cmd);
            EXPECT_EQ(d.payload, payload);
        }
    }
}

TEST(FrameDecode, RejectsDamage)
{
    auto wire = zeva::encodeFrame(5, 0x33, Bytes{1, 2, 3});
    wire[wire.size() - 1] ^= 0x01;
    EXPECT_EQ(decodeAll(wire).status, zeva::FrameDecoder::Status::BadCrc);

    // Announced length above the buffer stops at once.
    const auto big = zeva::encodeFrame(5, 0x33, Bytes(65, 0));
    EXPECT_EQ(decodeAll(big, 64).status, zeva::FrameDecoder::Status::TooLong);

    // Garbage before the frame start is skipped.
    Bytes noisy{0x12, 0x34, 0xDB, 0xFF};
    const auto good = zeva::encodeFrame(5, 0x33, Bytes{9});
    noisy.insert(noisy.end(), good.begin(), good.end());
    const auto d = decodeAll(noisy);
    EXPECT_EQ(d.status, zeva::FrameDecoder::Status::Frame);
    EXPECT_EQ(d.payload, Bytes{9});
}

TEST(PayloadReader, ShortPayloadReadsZeros)
{
    const Bytes p{0xAB, 0xCD, 0x00, 0x41, 0x42};
    uint16_t pos = 4;
    PayloadReader r{p.data(), 5, pos};
    EXPECT_EQ(r.ReadWord(), 0x4200);  // one byte left: it goes high, 0 low
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(r.ReadString(), "");
    EXPECT_TRUE(r.EndOfBuf());

    pos = 0;
    EXPECT_EQ(r.ReadWord(), 0xABCD);
    EXPECT_EQ(r.ReadString(), "");  // the 0 byte ends an empty string and is consumed
    EXPECT_EQ(r.ReadString(), "AB");

    Bytes ten(10);
    uint16_t pos2 = 4;
    PayloadReader r2{ten.data(), 10, pos2};
    r2.SkipByte(1000);
    EXPECT_EQ(pos2, 10);
}

TEST(Crc16, TableMatchesTheBitwiseDefinition)
{
    // Another polynomial takes the bitwise path; run both over the same bytes per polynomial.
    for (uint16_t poly : {uint16_t(0x8408), uint16_t(0xA001)}) {
        TCRC16 fast;
        fast.Init(0xFFFF, poly);
        uint16_t slow = 0xFFFF;
        for (int i = 0; i < 1000; ++i) {
            const auto b = uint8_t(i * 131 + 7);
            fast.UpdateCRC(b);
            slow ^= b;
            for (int k = 0; k < 8; ++k)
                slow = (slow & 1) ? uint16_t((slow >> 1) ^ poly) : uint16_t(slow >> 1);
            ASSERT_EQ(fast.FCRC, slow) << poly << " at " << i;
        }
    }
}
