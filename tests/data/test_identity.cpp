// The last identification of each device: kept by the presence display, reported with the device
// list as CSV and JSON, and upgraded into a database file made before it was kept.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "data/dbfixture.h"
#include "data/identity.h"

namespace {

TIdentity sample(int address, const QDateTime& seen)
{
    TDeviceInfo info;
    info.Name = QStringLiteral("  Реле, \"вход\" 3  ");
    info.Mode = mDevice6;
    info.Version = 0x61;
    info.Build = 1234;
    info.MCU = QStringLiteral("ATmega64\r\nAtmel");
    info.Ext = 0x20000;
    return IdentityOf(address, info, seen);
}

TEST_F(DbFixture, AnAnswerIsKeptOnceAMinuteUnlessItChanges)
{
    TIdentityStore store(db);
    const QDateTime t0 = QDateTime::fromString(QStringLiteral("2026-05-04T10:00:00Z"), Qt::ISODate);
    TIdentity id = sample(5, t0);
    ASSERT_TRUE(store.Record(id));
    const struct {
        int afterSeconds;
        bool newBuild;
        int storedAfter;  // seconds after t0 of the time the table keeps
    } steps[] = {
        {1, false, 0},    // the same answer a second later: not written again
        {59, false, 0},   //
        {61, true, 61},   // another build: written at once
        {90, false, 61},  //
        {122, false, 122},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.afterSeconds);
        id.Seen = t0.addSecs(s.afterSeconds);
        if (s.newBuild)
            id.Build = 1235;
        ASSERT_TRUE(store.Record(id));
        const auto last = TIdentityStore(db).Last(5);
        ASSERT_TRUE(last);
        EXPECT_EQ(last->Seen, t0.addSecs(s.storedAfter));
        EXPECT_EQ(last->Build, 1235 - (s.afterSeconds < 61 ? 1 : 0));
    }
    EXPECT_FALSE(TIdentityStore(db).Last(6));
}

TEST_F(DbFixture, InventoryListsEveryDeviceWithItsLastIdentification)
{
    exec(QStringLiteral("insert into Устройство (Num, Addr, Name) values (2, 5, 'Ворота, склад')"));
    exec(QStringLiteral("insert into Устройство (Num, Addr, Name) values (1, 9, 'Не виден')"));
    const QDateTime seen = QDateTime::fromString(QStringLiteral("2026-05-04T10:00:00.250+03:00"), Qt::ISODateWithMs);
    ASSERT_TRUE(TIdentityStore(db).Record(sample(5, seen)));

    const QString json = dir.filePath(QStringLiteral("inventory.json"));
    const QString csv = dir.filePath(QStringLiteral("inventory.csv"));
    int devices = 0;
    QString why;
    ASSERT_TRUE(WriteInventory(db, json, TInventoryFormat::Json, devices, why)) << why.toStdString();
    EXPECT_EQ(devices, 2);
    ASSERT_TRUE(WriteInventory(db, csv, TInventoryFormat::Csv, devices, why)) << why.toStdString();

    QFile j(json);
    ASSERT_TRUE(j.open(QIODevice::ReadOnly));
    const QJsonArray list = QJsonDocument::fromJson(j.readAll()).array();
    ASSERT_EQ(list.size(), 2);
    // The list's order; a device never seen has its address and list name only.
    EXPECT_EQ(list[0].toObject(), (QJsonObject{{"address", 9}, {"listName", "Не виден"}}));
    const QJsonObject five{{"address", 5},
                           {"listName", "Ворота, склад"},
                           {"name", "Реле, \"вход\" 3"},
                           {"mode", "app6"},
                           {"version", "6.1"},
                           {"build", 1234},
                           {"part", "ATmega64"},
                           {"ext", 131072},
                           {"seen", "2026-05-04T10:00:00+03:00"}};
    EXPECT_EQ(list[1].toObject(), five);

    QFile c(csv);
    ASSERT_TRUE(c.open(QIODevice::ReadOnly));
    const QByteArray bytes = c.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(bytes.mid(3));
    EXPECT_EQ(text, QStringLiteral("address,listName,name,mode,version,build,part,ext,seen\r\n"
                                   "9,Не виден,,,,,,,\r\n"
                                   "5,\"Ворота, склад\",\"Реле, \"\"вход\"\" 3\",app6,6.1,1234,ATmega64,131072,"
                                   "2026-05-04T10:00:00+03:00\r\n"));

    // The database's own file is never replaced by a report.
    EXPECT_FALSE(WriteInventory(db, path, TInventoryFormat::Csv, devices, why));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Устройство")), 2);
}

// A file made before identifications were kept gets their table when it is opened; its data stays.
TEST(IdentityTable, AnOlderFileGetsItsTableAtOpening)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("old.db"));
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        c.setDatabaseName(file);
        ASSERT_TRUE(c.open());
        QSqlQuery q(c);
        for (const char* sql :
             {"CREATE TABLE Устройство (ID integer primary key autoincrement, Num integer, Addr integer, Name text)",
              "CREATE TABLE КартаПамяти (ID integer primary key autoincrement, ID_Dir integer, Name text)",
              "CREATE TABLE Маршрут (ID integer primary key autoincrement, ID_Card integer, Name1 text, Name2 text, "
              "Name3 text, Num integer)",
              "CREATE TABLE Поворот (ID integer primary key autoincrement, ID_Route integer, BegLat text, BegLong "
              "text, EndLat text, EndLong text, Turn text, Num integer)",
              "CREATE TABLE Ведомый (ID integer primary key autoincrement, Name text, Addr integer)",
              "insert into Устройство (Num, Addr, Name) values (1, 5, 'A')"})
            ASSERT_TRUE(q.exec(QString::fromUtf8(sql))) << sql;
        q = QSqlQuery();
        c.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
    TDatabase db;
    ASSERT_TRUE(db.Open(file)) << db.OpenFailureText().toStdString();
    ASSERT_TRUE(TIdentityStore(db).Record(sample(5, QDateTime::currentDateTime())));
    EXPECT_EQ(TIdentityStore(db).Last(5)->Build, 1234);
    EXPECT_EQ(db.Scalar(QStringLiteral("select count(*) from Устройство")).toInt(), 1);
}

}  // namespace
