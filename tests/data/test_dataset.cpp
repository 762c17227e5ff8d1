#include "dbfixture.h"

#include "data/datamodule.h"
#include "data/dataset.h"
#include "data/datasource.h"

namespace {

class TableFixture : public DbFixture {
protected:
    void SetUp() override
    {
        DbFixture::SetUp();
        ASSERT_TRUE(db.BeginTrans());
        exec("insert into КартаПамяти (ID, ID_Dir, Name) values (1, -1, 'Card')");
        // Routes stored as IDs 1, 2, 3; turns of route 2 stored out of Num order.
        for (int id = 1; id <= 3; ++id)
            exec("insert into Маршрут (ID, ID_Card, Name1, Num) values (?, 1, ?, ?)",
                 {id, QString("R%1").arg(id), 4 - id});
        exec(
            "insert into Поворот (ID, ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) values "
            "(10, 2, '+55°45''12.3\"', '+37°37''00.0\"', 'a', 'b', 'R', 7)");
        exec(
            "insert into Поворот (ID, ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) values "
            "(11, 2, 'c', 'd', 'e', 'f', 'X', 5)");
        exec(
            "insert into Поворот (ID, ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) values "
            "(12, 3, 'g', 'h', 'i', 'j', 'L', 6)");
        exec("insert into Устройство (ID, Num, Addr, Name) values (1, 3, 30, 'c')");
        exec("insert into Устройство (ID, Num, Addr, Name) values (2, 1, 10, 'a')");
        exec("insert into Устройство (ID, Num, Addr, Name) values (3, 2, 20, 'b')");
        ASSERT_TRUE(db.CommitTrans());
    }
};

QList<int> ids(const TDataSet& ds)
{
    QList<int> out;
    for (int r = 0; r < ds.RecordCount(); ++r)
        out << ds.RowValue(r, "ID").toInt();
    return out;
}

}  // namespace

TEST_F(TableFixture, TurnsFollowTheCurrentRouteWithCalculatedFields)
{
    TTable routes(db, "Маршрут");
    TTable turns(db, "Поворот");
    turns.SetIndexFieldNames("ID_Route;Num");
    turns.SetMaster(&routes, "ID_Route");
    turns.SetCalcFields({"TurnString", "Beg", "End"}, [](const TDataSet& ds, int row, QVariantList& calc) {
        calc[0] = TurnTypeName(ds.RowValue(row, "Turn").toString());
        calc[1] = ds.RowValue(row, "BegLat").toString() + "   " + ds.RowValue(row, "BegLong").toString();
        calc[2] = ds.RowValue(row, "EndLat").toString() + "   " + ds.RowValue(row, "EndLong").toString();
    });
    ASSERT_TRUE(routes.Open());
    ASSERT_TRUE(turns.Open());
    EXPECT_EQ(ids(routes), (QList<int>{1, 2, 3}));  // stored order
    EXPECT_TRUE(turns.IsEmpty());                   // route 1 has none
    EXPECT_TRUE(turns.Eof());

    routes.Next();
    EXPECT_EQ(ids(turns), (QList<int>{11, 10}));  // by Num within the route
    turns.Last();
    EXPECT_EQ(turns.AsString("TurnString"), "ПРАВЫЙ поворот");
    EXPECT_EQ(turns.AsString("Beg"), "+55°45'12.3\"   +37°37'00.0\"");
    EXPECT_EQ(turns.AsString("End"), "a   b");
    turns.First();
    EXPECT_EQ(turns.AsString("turnstring"), "- - -");

    ASSERT_TRUE(routes.Locate("ID", 3));
    EXPECT_EQ(ids(turns), (QList<int>{12}));
    EXPECT_EQ(turns.AsString("TurnString"), "ЛЕВЫЙ поворот");

    // A new turn belongs to the master's current route.
    ASSERT_TRUE(turns.Append());
    ASSERT_TRUE(turns.SetValue("Turn", "B"));
    ASSERT_TRUE(turns.SetValue("Num", 9));
    ASSERT_TRUE(turns.Post()) << turns.LastError().toStdString();
    EXPECT_EQ(turns.RecordCount(), 2);
    EXPECT_EQ(turns.AsInteger("ID_Route"), 3);
    EXPECT_EQ(turns.AsString("TurnString"), "НАЧАЛО маршрута");

    // While controls are disabled, walking the master does not reload the detail each step.
    int reloads = 0;
    QObject::connect(&turns, &TDataSet::dataChanged, [&] { ++reloads; });
    routes.DisableControls();
    routes.First();
    routes.Next();
    routes.Next();
    routes.First();
    EXPECT_EQ(reloads, 0);
    routes.EnableControls();
    EXPECT_EQ(reloads, 1);
    EXPECT_TRUE(turns.IsEmpty());  // route 1 again
}

TEST_F(TableFixture, DeviceFlagAndRowNumberAndEditing)
{
    TDM dm;
    int devAddr = 20;
    dm.DevAddr = [&] { return devAddr; };
    // The module's tables are bound to its own connection; open this file there.
    ASSERT_TRUE(dm.Connection.Open(path));
    ASSERT_TRUE(dm.tblDevice.Open());
    TTable& t = dm.tblDevice;
    EXPECT_EQ(ids(t), (QList<int>{2, 3, 1}));  // by Num
    QList<bool> flags;
    QList<int> n;
    for (t.First(); !t.Eof(); t.Next()) {
        flags << t.Value("Flag").toBool();
        n << t.AsInteger("N");
    }
    EXPECT_EQ(flags, (QList<bool>{false, true, false}));
    EXPECT_EQ(n, (QList<int>{1, 2, 3}));
    devAddr = 30;
    ASSERT_TRUE(t.Refresh());
    EXPECT_TRUE(t.Value("Flag").toBool());  // still on the last row, now the selected one

    // Edit in a transaction and roll back: nothing changes.
    t.First();
    ASSERT_TRUE(dm.Connection.BeginTrans());
    ASSERT_TRUE(t.Edit());
    ASSERT_TRUE(t.SetValue("Name", "O'Neil"));
    EXPECT_EQ(t.AsString("Name"), "O'Neil");  // the edit buffer
    t.Cancel();
    ASSERT_TRUE(dm.Connection.RollbackTrans());
    EXPECT_EQ(t.AsString("Name"), "a");

    // Append, post, commit; the new row is current and the name with an apostrophe is stored.
    ASSERT_TRUE(dm.Connection.BeginTrans());
    ASSERT_TRUE(t.Append());
    t.SetValue("Num", 4);
    t.SetValue("Addr", 1);
    t.SetValue("Name", "O'Neil");
    ASSERT_TRUE(t.Post()) << t.LastError().toStdString();
    ASSERT_TRUE(dm.Connection.CommitTrans());
    EXPECT_EQ(t.RecNo(), 4);
    EXPECT_EQ(t.AsString("Name"), "O'Neil");
    EXPECT_EQ(t.AsInteger("N"), 4);

    // Deleting the second row leaves the third at its place; N closes the gap, Num keeps it.
    t.SetRecNo(2);
    ASSERT_TRUE(t.Delete());
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(t.AsInteger("ID"), 1);
    EXPECT_EQ(t.AsInteger("N"), 2);
    EXPECT_EQ(t.AsInteger("Num"), 3);

    // Reopening keeps the record number, or takes the last row when there are fewer.
    t.Last();
    ASSERT_TRUE(dm.Connection.Exec("delete from Устройство where Num = 4"));
    ASSERT_TRUE(ReopenKeepingRecNo(t));
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RecNo(), 2);
}

TEST_F(TableFixture, DataSourceShowsColumnsAndDetachesWhenDisabled)
{
    TTable t(db, "Устройство");
    t.SetIndexFieldNames("Num");
    TDataSource ds(&t);
    ds.SetColumns({{"Name", "Устройство"}, {"Addr", "Адрес"}});
    int resets = 0;
    QList<int> current;
    QObject::connect(&ds, &QAbstractItemModel::modelReset, [&] { ++resets; });
    QObject::connect(&ds, &TDataSource::currentRowChanged, [&](int row) { current << row; });
    ASSERT_TRUE(t.Open());
    EXPECT_GE(resets, 1);
    ASSERT_EQ(ds.rowCount(), 3);
    EXPECT_EQ(ds.columnCount(), 2);
    EXPECT_EQ(ds.headerData(1, Qt::Horizontal).toString(), "Адрес");
    EXPECT_EQ(ds.data(ds.index(2, 0)).toString(), "c");
    t.Last();
    EXPECT_EQ(current.last(), 2);

    ds.SetEnabled(false);
    EXPECT_EQ(ds.rowCount(), 0);
    EXPECT_EQ(ds.CurrentRow(), -1);
    const int before = current.count();
    t.First();
    EXPECT_EQ(current.count(), before);
    ds.SetEnabled(true);
    EXPECT_EQ(ds.rowCount(), 3);
    EXPECT_EQ(ds.CurrentRow(), 0);
}

TEST_F(TableFixture, FailuresAreReportedNotFatal)
{
    TTable missing(db, "НетТакой");
    EXPECT_FALSE(missing.Open());
    EXPECT_FALSE(missing.LastError().isEmpty());
    EXPECT_FALSE(missing.Active());
    EXPECT_TRUE(missing.Eof());
    EXPECT_EQ(missing.AsInteger("ID"), 0);

    TTable t(db, "Маршрут");
    ASSERT_TRUE(t.Open());
    EXPECT_FALSE(t.SetValue("Name1", "x"));  // not editing
    ASSERT_TRUE(t.Edit());
    EXPECT_FALSE(t.SetValue("NoSuchColumn", 1));
    // A route on a card that does not exist breaks the card link: refused, buffer kept.
    ASSERT_TRUE(t.SetValue("ID_Card", 999));
    EXPECT_FALSE(t.Post());
    EXPECT_FALSE(t.LastError().isEmpty());
    EXPECT_EQ(t.State(), TDataSet::dsEdit);
    t.Cancel();
    EXPECT_EQ(t.AsInteger("ID_Card"), 1);

    TQuery q(db);
    q.SetSql("update Маршрут set Num = 1");
    EXPECT_FALSE(q.Open());  // returns no rows
    EXPECT_TRUE(RunSql(q, "update Маршрут set Num = Num + 10", true));
    EXPECT_EQ(q.RowsAffected(), 3);
}
