#include <gtest/gtest.h>

#include "data/dataset.h"
#include "data/dbfixture.h"
#include "panels/galte.h"

using namespace panels;

TEST(Galte, PayloadsOfCommand161)
{
    EXPECT_EQ(SlavePayload(0x0102, kSlaveOn), (std::vector<uint8_t>{0x01, 0x02, 0x31}));
    EXPECT_EQ(SlavePayload(5, kSlaveOff), (std::vector<uint8_t>{0x00, 0x05, 0x30}));
    EXPECT_EQ(SlavePayload(0x7FFF, kSlaveQuery), (std::vector<uint8_t>{0x7F, 0xFF, 0x53}));
    EXPECT_EQ(SlavePayload(3, kSlaveReset), (std::vector<uint8_t>{0x00, 0x03, 0x52}));
    EXPECT_EQ(SlaveAddrPayload(3, 0x1234), (std::vector<uint8_t>{0x00, 0x03, 0x41, 0x12, 0x34}));
}

TEST(Galte, StatusAndToggle)
{
    struct Case {
        bool ok;
        std::vector<uint8_t> answer;
        SlaveStatus want;
    };
    for (const Case& c :
         {Case{true, {'S', '1'}, kSlaveRelayOn}, Case{true, {'S', '0'}, kSlaveRelayOff},
          Case{true, {'S', 'x'}, kSlaveUnknown}, Case{true, {'T', '1'}, kSlaveUnknown},
          Case{true, {'S'}, kSlaveUnknown}, Case{true, {}, kSlaveUnknown}, Case{false, {'S', '1'}, kSlaveUnknown}})
        EXPECT_EQ(SlaveStatusOf(c.ok, c.answer), c.want);

    EXPECT_EQ(ToggleOp(kSlaveUnknown), kSlaveOn);
    EXPECT_EQ(ToggleOp(kSlaveRelayOff), kSlaveOn);
    EXPECT_EQ(ToggleOp(kSlaveRelayOn), kSlaveOff);
    EXPECT_EQ(StatusAfter(kSlaveOn), kSlaveRelayOn);
    EXPECT_EQ(StatusAfter(kSlaveOff), kSlaveRelayOff);
}

TEST(Galte, AddressChange)
{
    const std::vector<uint8_t> echo{'A', 0x12, 0x34};
    EXPECT_TRUE(AddrChangeDone(true, echo, 0x1234));
    EXPECT_FALSE(AddrChangeDone(true, echo, 0x1235));
    EXPECT_FALSE(AddrChangeDone(false, echo, 0x1234));
    EXPECT_FALSE(AddrChangeDone(true, std::vector<uint8_t>{'B', 0x12, 0x34}, 0x1234));
    EXPECT_FALSE(AddrChangeDone(true, std::vector<uint8_t>{'A', 0x12}, 0x1234));

    EXPECT_EQ(ParseNewSlaveAddr(QStringLiteral("abc")), 0);
    EXPECT_EQ(ParseNewSlaveAddr(QStringLiteral("32768")), 32768);
    EXPECT_EQ(ParseNewSlaveAddr(QStringLiteral("12")), 12);
}

class SlaveListTest : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        for (const char* name : {"A", "B", "C"})
            exec(QStringLiteral("insert into Ведомый (Name, Addr) values (?, ?)"),
                 {QString::fromLatin1(name), int(name[0] - 'A' + 1)});
        ASSERT_TRUE(table.Open());
    }

    QString dump()
    {
        QString out;
        TQuery q(db);
        EXPECT_TRUE(RunSql(q, QStringLiteral("select Name, Addr from Ведомый order by ID"), false));
        for (q.First(); !q.Eof(); q.Next())
            out += q.AsString(QStringLiteral("Name")) + QLatin1Char('=') + q.AsString(QStringLiteral("Addr")) + ' ';
        return out.trimmed();
    }

    TTable table{db, QStringLiteral("Ведомый")};
    SlaveList list{table};
};

TEST_F(SlaveListTest, StatusesStayWithTheirRows)
{
    list.SetStatusAt(0, kSlaveRelayOn);
    list.SetStatusAt(1, kSlaveRelayOff);
    list.SetStatusAt(2, kSlaveRelayOn);
    // Delete the second of three: the third slave's status moves into the second place.
    table.SetRecNo(2);
    ASSERT_TRUE(list.DeleteCurrent()) << list.LastError().toStdString();
    EXPECT_EQ(dump(), QStringLiteral("A=1 C=3"));
    EXPECT_EQ(list.StatusAt(0), kSlaveRelayOn);
    EXPECT_EQ(list.StatusAt(1), kSlaveRelayOn);
    EXPECT_EQ(list.StatusAt(2), kSlaveUnknown);

    // A new slave comes in unknown, whatever was deleted before.
    ASSERT_TRUE(list.BeginAdd());
    EXPECT_EQ(list.EditAddr(), 1);
    EXPECT_EQ(list.Save(QStringLiteral("D"), QStringLiteral("7")), SlaveList::SaveResult::Saved);
    EXPECT_EQ(dump(), QStringLiteral("A=1 C=3 D=7"));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.StatusAt(2), kSlaveUnknown);
    EXPECT_EQ(list.AddrAt(2), 7);
    EXPECT_EQ(db.TransLevel(), 0);
}

TEST_F(SlaveListTest, EditDialogKeepsOrRollsBack)
{
    table.SetRecNo(2);
    ASSERT_TRUE(list.BeginEdit());
    EXPECT_EQ(list.EditName(), QStringLiteral("B"));
    for (const char* bad : {"32768", "-1", "abc", ""})
        EXPECT_EQ(list.Save(QStringLiteral("X"), QString::fromLatin1(bad)), SlaveList::SaveResult::InvalidAddr) << bad;
    EXPECT_TRUE(list.Editing());  // the dialog stays open
    list.Cancel();
    EXPECT_EQ(dump(), QStringLiteral("A=1 B=2 C=3"));
    EXPECT_EQ(db.TransLevel(), 0);

    ASSERT_TRUE(list.BeginEdit());
    EXPECT_EQ(list.Save(QString(40, QLatin1Char('N')), QStringLiteral("$7FFF")), SlaveList::SaveResult::Saved);
    EXPECT_EQ(dump(), QStringLiteral("A=1 %1=32767 C=3").arg(QString(30, QLatin1Char('N'))));

    // An add that is cancelled leaves nothing behind.
    ASSERT_TRUE(list.BeginAdd());
    list.Cancel();
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(db.TransLevel(), 0);
}

TEST_F(SlaveListTest, FailedDeleteRollsBack)
{
    // The table disappears under the data set (another program, a broken file): nothing changes.
    exec(QStringLiteral("create trigger nodelete before delete on Ведомый begin select raise(abort, 'no'); end"));
    table.SetRecNo(1);
    list.SetStatusAt(0, kSlaveRelayOn);
    EXPECT_FALSE(list.DeleteCurrent());
    EXPECT_FALSE(list.LastError().isEmpty());
    EXPECT_EQ(dump(), QStringLiteral("A=1 B=2 C=3"));
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(list.StatusAt(0), kSlaveRelayOn);
    EXPECT_EQ(db.TransLevel(), 0);
}
