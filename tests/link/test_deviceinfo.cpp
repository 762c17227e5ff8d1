#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextStream>

#include "link/deviceinfo.h"

using Bytes = std::vector<uint8_t>;

namespace {

std::vector<TItemMCU> catalog()
{
    return {{5, QStringLiteral("ATmega128"), 131072, 0x1000, QStringLiteral("Atmel")}};
}

struct Ident {
    TDeviceInfo info;
    TParams params;
};

Ident decode(const Bytes& p)
{
    Ident r;
    DecodeDeviceInfo(p.data(), uint16_t(p.size()), catalog(), r.info, r.params);
    return r;
}

}  // namespace

TEST(DeviceInfo, BootloaderFirstGeneration)
{
    struct Case {
        uint8_t version;
        TMode mode;
    };
    for (const Case c : {Case{0x51, mBootloader51}, Case{0x50, mBootloader50}, Case{0x4F, mBootloader50}}) {
        const auto r = decode({0x00, c.version, 0x00, 0x07, 0x00, 0x05});
        EXPECT_EQ(r.info.Mode, c.mode) << int(c.version);
        EXPECT_EQ(r.info.Version, c.version);
        EXPECT_EQ(r.info.Build, 7);
        EXPECT_EQ(r.info.Ext, 0u);
        EXPECT_EQ(r.info.MemSize, 131072u);
        EXPECT_EQ(r.info.ProgStart, 0x1000u);
        EXPECT_EQ(r.info.MCU, QStringLiteral("ATmega128 \r\n(Atmel)\r\nFLASH:       128 KB\r\nExt Mem:  0 B"));
    }
    EXPECT_EQ(decode({0x00, 0x51, 0x00, 0x07, 0x00, 0x05}).info.Name, QStringLiteral(" Bootloader   v. 5.1   build 7"));
}

TEST(DeviceInfo, ApplicationFirstGenerationTags)
{
    // Unknown tag 5 is skipped alone; tag 0 ends the fields (the trailing 01 7F must not be read).
    const auto r = decode({0x01, 0x63, 0x01, 0x00, 0x00, 0x05, 0x09, 0x00, 0x00, 0x05, 0x01, 0xE7, 0x02,
                           0x00, 0x7C, 0x07, 0x03, 0x1D, 0x02, 0x18, 0x10, 0x20, 0x30, 0x00, 0x01, 0x7F});
    EXPECT_EQ(r.info.Mode, mDevice5);
    EXPECT_EQ(r.info.Name, QStringLiteral(" Bootloader   v. 6.3   build 256"));
    EXPECT_EQ(r.info.Ext, 0x80000u);  // clamped from 0x90000
    EXPECT_EQ(r.info.Temp, -25);
    EXPECT_FLOAT_EQ(r.info.Voltage, 12.4f);
    EXPECT_EQ(r.info.VarMode, 3);
    EXPECT_EQ(RtcDateToQDate(r.info.DateRTC), QDate(2024, 2, 29));
    EXPECT_EQ(RtcTimeToQTime(r.info.TimeRTC), QTime(16, 32, 48));
    EXPECT_EQ(r.info.MCU, QStringLiteral("ATmega128 \r\n(Atmel)\r\nFLASH:       128 KB\r\nExt Mem:  512 KB"));
    EXPECT_TRUE(r.params.Items.empty());
}

TEST(DeviceInfo, NamedApplicationAndInvalidClock)
{
    // Name "Pump" (marker 1), unknown controller 9, clock 31 Feb 2024 16:32:48.
    const auto r = decode({0x01, 0x12, 0x00, 0x2A, 0x01, 'P', 'u', 'm', 'p', 0x00, 0x09,
                           0x00, 0x04, 0x00, 0x07, 0x00, 31,  2,   24,  16,  32,   48});
    EXPECT_EQ(r.info.Name, QStringLiteral(" Pump   v. 1.2   build 42"));
    EXPECT_EQ(r.info.Ext, 1024u);
    EXPECT_EQ(r.info.DateRTC, 0.0);
    EXPECT_EQ(RtcTimeToQTime(r.info.TimeRTC), QTime(16, 32, 48));
    EXPECT_EQ(r.info.MCU, QStringLiteral("---"));
    EXPECT_EQ(r.info.MemSize, 0u);
    EXPECT_EQ(r.info.ProgStart, 0u);
}

TEST(DeviceInfo, SecondGenerationRecords)
{
    Bytes p{0x11, 0x21, 0x01, 0x02, 'R', 0xE5, 'l', 'e', 0x00, 0x05, 0x00, 0x10, 0x00};
    auto rec = [&](uint8_t type, const char* name, Bytes value) {
        p.push_back(type);
        for (const char* c = name; *c; ++c)
            p.push_back(uint8_t(*c));
        p.push_back(0);
        p.push_back(uint8_t(value.size()));
        p.insert(p.end(), value.begin(), value.end());
    };
    rec(1, "s", {'o', 'k', 0});
    rec(3, "m", {7});
    rec(9, "x", {0xAA, 0xBB, 0xCC});  // unknown type: skipped with its value
    rec(4, "i", {0xFF, 0xFE});
    rec(5, "l", {0xFF, 0xFF, 0xFF, 0xFE});
    rec(6, "h", {0xFF, 0xFE});
    rec(7, "H", {0x00, 0x0A, 0xBC, 0xDE});
    rec(2, "t", {29, 2, 24, 1, 2, 3});
    const auto r = decode(p);
    EXPECT_EQ(r.info.Mode, mDevice6);
    EXPECT_EQ(r.info.Name, QString::fromUtf8("Rеle   v. 2.1   build 258").replace(1, 1, QChar(0x0435)));
    EXPECT_EQ(r.info.Ext, 4096u);
    ASSERT_EQ(r.params.Count(), 7);
    const std::vector<std::pair<TDeviceParamTyp, QString>> want = {
        {pkgStr, "ok"},     {pkgMode, "7"},         {pkgInt, "-2"},   {pkgLong, "-2"},
        {pkgHex16, "FFFE"}, {PkgHex32, "000ABCDE"}, {pkgDateTime, {}}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(r.params.GetParam(i).typ, want[size_t(i)].first) << i;
        EXPECT_EQ(r.params.GetParam(i).Value, want[size_t(i)].second) << i;
    }
    EXPECT_EQ(r.params.GetParam(6).typ, pkgDateTime);
    EXPECT_TRUE(r.params.GetParam(6).Value.endsWith(QStringLiteral("01:02:03")));
    EXPECT_EQ(r.info.VarMode, 7);
    EXPECT_EQ(RtcDateToQDate(r.info.DateRTC), QDate(2024, 2, 29));
    EXPECT_EQ(r.params.GetParam(-1).typ, pkgNone);
    EXPECT_EQ(r.params.GetParam(7).typ, pkgNone);
    EXPECT_TRUE(r.params.GetParam(7).Name.isEmpty());
}

TEST(DeviceInfo, SecondGenerationEdges)
{
    auto r = decode({0x10, 0x60, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00});
    EXPECT_EQ(r.info.Mode, mBootloader60);
    EXPECT_EQ(r.info.Name, QStringLiteral("Bootloader   v. 6.0   build 1"));
    EXPECT_EQ(r.params.Count(), 0);

    r = decode({0x42, 0x10, 0x00, 0x01, 0x00});
    EXPECT_EQ(r.info.Mode, mNone);
    EXPECT_EQ(r.info.Name, QStringLiteral("Unknown Device   v. 1.0   build 1"));

    // A record whose unknown-type length runs past the end stops at the end.
    r = decode({0x11, 0x10, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x09, 'x', 0x00, 0xF0, 0x01});
    EXPECT_EQ(r.params.Count(), 0);

    r = decode({});
    EXPECT_EQ(r.info.Mode, mNone);
    EXPECT_EQ(r.info.MCU, QStringLiteral("---"));
}

class McuCatalog : public ::testing::Test {
protected:
    QString write(const QString& text)
    {
        const QString path = dir.filePath(QStringLiteral("mcu.xml"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(McuCatalog, ReadsEntriesInOrder)
{
    const auto list = LoadMCUCatalog(
        write(QStringLiteral("<root><list><mcu id='7' name='A' rom='0x8000' offset='2048' firma='F'/><other/>"
                             "<mcu name='NoId'/></list></root>")));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].ID, 7);
    EXPECT_EQ(list[0].ROM, 0x8000u);
    EXPECT_EQ(list[0].Offset, 2048u);
    EXPECT_EQ(list[1].ID, 3);  // position in "list", counting the other child
    EXPECT_EQ(list[1].ROM, 0u);
}

TEST_F(McuCatalog, ErrorsNameTheFileAndTheFault)
{
    struct Case {
        const char* xml;
        const char* fault;
        const char* russian;
    };
    for (const Case c : {Case{"<root><list><mcu id='1'", "malformed", "ошибка в XML"},
                         Case{"<root><other/></root>", "\"list\"", "нет элемента \"list\""},
                         Case{"<root><list><mcu rom='lots'/></list></root>", "rom", "атрибут \"rom\" не число"},
                         Case{"", "empty", "файл пуст"}}) {
        const QString path = write(QString::fromUtf8(c.xml));
        try {
            LoadMCUCatalog(path);
            ADD_FAILURE() << c.xml;
        } catch (const McuCatalogError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("mcu.xml"), std::string::npos) << what;
            EXPECT_NE(what.find(c.fault), std::string::npos) << what;
            EXPECT_TRUE(e.Russian().contains(QStringLiteral("mcu.xml"))) << e.Russian().toStdString();
            EXPECT_TRUE(e.Russian().contains(QString::fromUtf8(c.russian))) << e.Russian().toStdString();
        }
    }
    try {
        LoadMCUCatalog(dir.filePath(QStringLiteral("absent.xml")));
        ADD_FAILURE() << "an absent catalogue loaded";
    } catch (const McuCatalogError& e) {
        EXPECT_TRUE(e.Russian().contains(QStringLiteral("absent.xml: файл не читается"))) << e.Russian().toStdString();
    }
}

TEST(McuCatalogFile, ShippedCatalogueLoads)
{
    const auto list = LoadMCUCatalog(QStringLiteral(ZEVANTA_SOURCE_DIR "/resources/mcu.xml"));
    ASSERT_FALSE(list.empty());
    for (const auto& m : list) {
        EXPECT_GT(m.ROM, m.Offset) << m.Name.toStdString();
        EXPECT_LE(m.ROM, 0x10000u) << "FLASH blocks are addressed with 16 bits";
    }
}
