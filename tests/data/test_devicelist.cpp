#include "data/database.h"
#include "data/datamodule.h"
#include "data/devicelist.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The data module on a fresh file, with the device rows given as (ID, Num, Addr, Name).
class DeviceListFixture : public ::testing::Test {
protected:
    struct Row {
        int id, num, addr;
        const char* name;
    };

    void open(std::initializer_list<Row> rows)
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath("devices.db");
        {
            TDatabase db;
            ASSERT_TRUE(db.Open(path, TDatabase::OpenMode::CreateIfMissing));
            for (const Row& r : rows)
                ASSERT_TRUE(db.Exec("insert into Устройство (ID, Num, Addr, Name) values (?, ?, ?, ?)",
                                    {r.id, r.num, r.addr, QString::fromUtf8(r.name)}));
        }
        TDataModuleSettings settings;
        settings.dataBase = path;
        ASSERT_EQ(dm.Startup(settings, {}), TStartupResult::Continue);
        dm.DevAddr = [this] { return int(devAddr); };
        dm.tblDevice.Recalc();
    }

    // The list as the grid shows it: "N:Num:ID:Addr:Name" per row, in list order.
    QStringList shown()
    {
        QStringList out;
        TTable& t = dm.tblDevice;
        for (int r = 0; r < t.RecordCount(); ++r)
            out << QStringLiteral("%1:%2:%3:%4:%5")
                       .arg(t.RowValue(r, "N").toInt())
                       .arg(t.RowValue(r, "Num").toInt())
                       .arg(t.RowValue(r, "ID").toInt())
                       .arg(t.RowValue(r, "Addr").toInt())
                       .arg(t.RowValue(r, "Name").toString());
        return out;
    }
    int currentId() { return dm.tblDevice.AsInteger("ID"); }

    QTemporaryDir dir;
    TDM dm;
    uint16_t devAddr = 0x7FFF;
};

TEST_F(DeviceListFixture, AddToEmptyListCancelAndSave)
{
    open({});
    DeviceList list(dm.tblDevice);
    // Edit on an empty list adds; cancelling leaves it empty and closes the transaction.
    ASSERT_TRUE(list.BeginEdit());
    EXPECT_EQ(list.EditAddr(), 1);
    list.Cancel();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(dm.Connection.TransLevel(), 0);
    EXPECT_EQ(dm.Connection.Scalar("select count(*) from Устройство").toInt(), 0);

    ASSERT_TRUE(list.BeginAdd());
    EXPECT_EQ(list.Save("Пульт", "32768"), DeviceList::SaveResult::InvalidAddr);
    EXPECT_EQ(list.Save("Пульт", "-1"), DeviceList::SaveResult::InvalidAddr);
    EXPECT_TRUE(list.Editing());  // the dialog stays open
    EXPECT_EQ(list.Save("Пульт", "0"), DeviceList::SaveResult::Saved);
    EXPECT_EQ(dm.Connection.TransLevel(), 0);
    EXPECT_EQ(shown(), QStringList{"1:1:1:0:Пульт"});

    // A name longer than the column keeps its first 38 characters; quotes go in as values.
    ASSERT_TRUE(list.BeginAdd());
    const QString longName = QString("x'; drop table Устройство; --") + QString(20, 'y');
    EXPECT_EQ(list.Save(longName, "32767"), DeviceList::SaveResult::Saved);
    EXPECT_EQ(dm.tblDevice.AsString("Name"), longName.left(38));
    EXPECT_EQ(dm.tblDevice.AsInteger("Num"), 2);
    EXPECT_EQ(dm.tblDevice.AsInteger("Addr"), 32767);

    // Editing keeps Num and leaves the selected address alone.
    dm.tblDevice.First();
    ASSERT_TRUE(list.BeginEdit());
    EXPECT_EQ(list.EditName(), "Пульт");
    EXPECT_EQ(list.Save("Пульт 2", " 0"), DeviceList::SaveResult::Saved);
    EXPECT_EQ(shown().first(), "1:1:1:0:Пульт 2");
    EXPECT_EQ(devAddr, 0x7FFF);
}

TEST_F(DeviceListFixture, SelectMarksTheRowByAddress)
{
    open({{1, 1, 5, "a"}, {2, 2, 0, "b"}, {3, 3, 5, "c"}});
    DeviceList list(dm.tblDevice);
    auto flags = [&] {
        QList<bool> f;
        for (int r = 0; r < dm.tblDevice.RecordCount(); ++r)
            f << dm.tblDevice.RowValue(r, "Flag").toBool();
        return f;
    };
    EXPECT_EQ(flags(), (QList<bool>{false, false, false}));
    dm.tblDevice.SetRecNo(2);
    ASSERT_TRUE(list.Select(devAddr));
    EXPECT_EQ(devAddr, 0);  // address 0: requests without address bytes
    EXPECT_EQ(flags(), (QList<bool>{false, true, false}));
    dm.tblDevice.SetRecNo(3);
    ASSERT_TRUE(list.Select(devAddr));
    EXPECT_EQ(devAddr, 5);
    EXPECT_EQ(flags(), (QList<bool>{true, false, true}));
}

TEST_F(DeviceListFixture, MoveSwapsNeighboursInListOrderAcrossGaps)
{
    // IDs out of list order: the neighbour is found by Num, not by ID.
    open({{3, 1, 10, "first"}, {1, 2, 20, "second"}, {2, 3, 30, "third"}});
    DeviceList list(dm.tblDevice);
    EXPECT_EQ(shown(), (QStringList{"1:1:3:10:first", "2:2:1:20:second", "3:3:2:30:third"}));

    EXPECT_FALSE(list.MoveUp());  // first row
    dm.tblDevice.Last();
    EXPECT_FALSE(list.MoveDown());  // last row
    dm.tblDevice.First();
    ASSERT_TRUE(list.MoveDown());
    EXPECT_EQ(shown(), (QStringList{"1:1:1:20:second", "2:2:3:10:first", "3:3:2:30:third"}));
    EXPECT_EQ(currentId(), 3);  // the moved row stays current
    EXPECT_EQ(dm.Connection.TransLevel(), 0);

    // Delete the middle row: N closes up, Num keeps its gap, moving still swaps neighbours.
    ASSERT_TRUE(list.DeleteCurrent());
    EXPECT_EQ(shown(), (QStringList{"1:1:1:20:second", "2:3:2:30:third"}));
    dm.tblDevice.Last();
    ASSERT_TRUE(list.MoveUp());
    EXPECT_EQ(shown(), (QStringList{"1:1:2:30:third", "2:3:1:20:second"}));
    EXPECT_EQ(currentId(), 2);
    ASSERT_TRUE(list.MoveDown());
    EXPECT_EQ(shown(), (QStringList{"1:1:1:20:second", "2:3:2:30:third"}));
    EXPECT_EQ(currentId(), 2);

    // A new row goes after the largest Num.
    ASSERT_TRUE(list.BeginAdd());
    EXPECT_EQ(list.Save("fourth", "40"), DeviceList::SaveResult::Saved);
    EXPECT_EQ(shown().last(), "3:4:4:40:fourth");
}

TEST_F(DeviceListFixture, AddressesAreDecimalAndNotListedTwice)
{
    // Two old rows share 7: they stay editable as long as they keep it.
    open({{1, 1, 1, "a"}, {2, 2, 2, "b"}, {3, 3, 5, "c"}, {4, 4, 7, "d"}, {5, 5, 7, "e"}});
    DeviceList list(dm.tblDevice);

    // A new row is offered the first address nobody has.
    ASSERT_TRUE(list.BeginAdd());
    EXPECT_EQ(list.EditAddr(), 3);
    const struct {
        const char* text;
        DeviceList::SaveResult result;
    } cases[] = {
        {"12a", DeviceList::SaveResult::InvalidAddr},  {"", DeviceList::SaveResult::InvalidAddr},
        {"0x10", DeviceList::SaveResult::InvalidAddr}, {"1 2", DeviceList::SaveResult::InvalidAddr},
        {"2", DeviceList::SaveResult::AddrTaken},      {" 5 ", DeviceList::SaveResult::AddrTaken},
        {"7", DeviceList::SaveResult::AddrTaken},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.Save("new", QString::fromUtf8(c.text)), c.result) << c.text;
        EXPECT_TRUE(list.Editing()) << c.text;
    }
    EXPECT_EQ(dm.Connection.Scalar("select count(*) from Устройство").toInt(), 5);
    EXPECT_EQ(list.Save("new", "3"), DeviceList::SaveResult::Saved);
    EXPECT_EQ(shown().last(), "6:6:6:3:new");

    // The next new row skips 1, 2, 3 and 5.
    ASSERT_TRUE(list.BeginAdd());
    EXPECT_EQ(list.EditAddr(), 4);
    list.Cancel();
    EXPECT_EQ(dm.Connection.TransLevel(), 0);

    // An edited row may keep its own address, not take another row's.
    dm.tblDevice.SetRecNo(2);
    ASSERT_TRUE(list.BeginEdit());
    EXPECT_EQ(list.Save("b", "1"), DeviceList::SaveResult::AddrTaken);
    EXPECT_EQ(list.Save("b2", "2"), DeviceList::SaveResult::Saved);
    dm.tblDevice.SetRecNo(4);
    ASSERT_TRUE(list.BeginEdit());
    EXPECT_EQ(list.Save("d2", "7"), DeviceList::SaveResult::Saved);
    EXPECT_EQ(shown().mid(1, 4), (QStringList{"2:2:2:2:b2", "3:3:3:5:c", "4:4:4:7:d2", "5:5:5:7:e"}));
    EXPECT_EQ(dm.Connection.TransLevel(), 0);
}

TEST_F(DeviceListFixture, FoundDevicesUpdateTheirRowOrGoToTheEnd)
{
    open({{1, 1, 5, "door"}, {2, 3, 9, "old"}});
    DeviceList list(dm.tblDevice);
    dm.tblDevice.Last();
    // 9 is listed: renamed in place; 3 and 4 are new: after the largest Num, in the given order;
    // an address given twice is still one row.
    // A device without a name keeps the listed one, or is named by its address.
    ASSERT_TRUE(list.AddFound({{9, " relay "}, {4, "lamp"}, {3, "lcd"}, {4, "lamp 2"}, {5, ""}, {6, " "}}));
    EXPECT_EQ(shown(),
              (QStringList{"1:1:1:5:door", "2:3:2:9:relay", "3:4:3:4:lamp 2", "4:5:4:3:lcd", "5:6:5:6:Адрес 6"}));
    EXPECT_EQ(currentId(), 2);  // the row in hand stays current
    EXPECT_EQ(dm.Connection.TransLevel(), 0);

    // One bad entry: nothing of the batch is kept.
    EXPECT_FALSE(list.AddFound({{7, "x"}, {0x8000, "y"}}));
    EXPECT_FALSE(list.LastError().isEmpty());
    EXPECT_EQ(shown().size(), 5);
    EXPECT_EQ(dm.Connection.Scalar("select count(*) from Устройство where Addr = 7").toInt(), 0);
    EXPECT_EQ(dm.Connection.TransLevel(), 0);
}

TEST(ClockPayload, DayMonthYearHourMinuteSecond)
{
    const struct {
        QDateTime at;
        std::array<uint8_t, 6> bytes;
    } cases[] = {
        {QDateTime(QDate(2031, 3, 5), QTime(7, 8, 9)), {0x05, 0x03, 0x1F, 0x07, 0x08, 0x09}},
        {QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0)), {1, 1, 0, 0, 0, 0}},
        {QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59)), {31, 12, 99, 23, 59, 59}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClockPayload(c.at), c.bytes) << c.at.toString().toStdString();
}

}  // namespace
