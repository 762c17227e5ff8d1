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
    EXPECT_EQ(list.Save("Пульт", "12a"), DeviceList::SaveResult::Saved);
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
