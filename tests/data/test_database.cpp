#include "dbfixture.h"

#include "data/dataset.h"
#include "data/schema.h"
#include "data/sqldialect.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>

#include <unistd.h>

namespace {

// Two cards (1 and 2; card 3 has a parent that does not exist), routes on card 1 and 5,
// turns on route 1 and 2, two devices.
void seed(TDatabase& db)
{
    const char* sql[] = {
        "insert into КартаПамяти (ID, ID_Dir, Name) values (1, -1, 'Top')",
        "insert into КартаПамяти (ID, ID_Dir, Name) values (2, 1, 'Child')",
        "insert into КартаПамяти (ID, ID_Dir, Name) values (3, 77, 'Orphan')",
        "insert into КартаПамяти (ID, ID_Dir, Name) values (5, -1, 'Other')",
        "insert into Маршрут (ID, ID_Card, Name1, Name2, Name3, Num) values (1, 1, 'A', 'B', 'C', 1)",
        "insert into Маршрут (ID, ID_Card, Name1, Name2, Name3, Num) values (2, 1, 'D', '', '', 2)",
        "insert into Маршрут (ID, ID_Card, Name1, Name2, Name3, Num) values (3, 5, 'E', '', '', 3)",
        "insert into Поворот (ID, ID_Route, Turn, Num) values (1, 1, 'B', 1)",
        "insert into Поворот (ID, ID_Route, Turn, Num) values (2, 1, 'L', 2)",
        "insert into Поворот (ID, ID_Route, Turn, Num) values (3, 1, 'E', 3)",
        "insert into Поворот (ID, ID_Route, Turn, Num) values (4, 3, 'B', 4)",
        "insert into Устройство (ID, Num, Addr, Name) values (1, 1, 10, 'Relay')",
        "insert into Устройство (ID, Num, Addr, Name) values (2, 2, 20, 'Gauge')",
    };
    ASSERT_TRUE(db.BeginTrans());
    for (const char* s : sql)
        ASSERT_TRUE(db.Exec(QString::fromUtf8(s))) << s << ": " << db.LastError().toStdString();
    ASSERT_TRUE(db.CommitTrans());
}

QList<qlonglong> column(TQuery& q, const QString& field)
{
    QList<qlonglong> out;
    for (q.First(); !q.Eof(); q.Next())
        out << q.AsInteger(field);
    return out;
}

struct SqlCase {
    const char* name;
    const char* sql;
    std::function<void(TQuery& q, TDatabase& db)> check;
};

}  // namespace

// Every SQL form the program writes, run exactly as written, each on a fresh seeded file.
TEST(SqlForms, EveryStatementTextRunsAsWritten)
{
    const std::vector<SqlCase> cases = {
        {"cyrillic table unquoted", "select * from Маршрут",
         [](TQuery& q, TDatabase&) { EXPECT_EQ(q.RecordCount(), 3); }},
        {"column names in another case", "select ADDR, NAME from Устройство",
         [](TQuery& q, TDatabase&) {
             EXPECT_EQ(q.AsInteger("Addr"), 10);
             EXPECT_EQ(q.AsString("name"), "Relay");
         }},
        {"aggregate with alias", "select MAX(Num) as RESULT from Устройство",
         [](TQuery& q, TDatabase&) { EXPECT_EQ(q.AsInteger("RESULT"), 2); }},
        {"aggregate alias without space", "select MAX(Num)as RESULT from Поворот",
         [](TQuery& q, TDatabase&) { EXPECT_EQ(q.AsInteger("RESULT"), 4); }},
        {"aggregate over no rows reads 0", "select MAX(Num) as RESULT from Маршрут where ID_Card = 999",
         [](TQuery& q, TDatabase&) {
             ASSERT_EQ(q.RecordCount(), 1);
             EXPECT_TRUE(q.Value("RESULT").isNull());
             EXPECT_EQ(q.AsInteger("RESULT"), 0);
         }},
        {"delete star", "delete * from Маршрут where ID_Card = 1",
         [](TQuery&, TDatabase& db) {
             EXPECT_EQ(db.Scalar("select count(*) from Маршрут").toInt(), 1);
             // Their turns go with them; route 3's turn stays.
             EXPECT_EQ(db.Scalar("select count(*) from Поворот").toInt(), 1);
         }},
        {"bracketed alias on a scalar subquery",
         "select Маршрут.ID, ID_Card, Name1, Name2, Name3, Num, (select COUNT(*) from Поворот where "
         "ID_Route = Маршрут.ID) as [Count] from Маршрут where (ID_Card = 1) order by Num",
         [](TQuery& q, TDatabase&) {
             EXPECT_EQ(column(q, "ID"), (QList<qlonglong>{1, 2}));
             EXPECT_EQ(column(q, "Count"), (QList<qlonglong>{3, 0}));
         }},
        {"correlated subquery with table aliases",
         "select ID as RESULT from КартаПамяти as A where ((select count(*) from КартаПамяти as B where "
         "B.ID = A.ID_Dir) = 0) and (A.ID_Dir > 0)",
         [](TQuery& q, TDatabase&) { EXPECT_EQ(column(q, "RESULT"), (QList<qlonglong>{3})); }},
        {"negative literal", "update Маршрут set Num = -1 where Num = 2",
         [](TQuery&, TDatabase& db) { EXPECT_EQ(db.Scalar("select ID from Маршрут where Num = -1").toInt(), 2); }},
        {"parenthesised where", "update Устройство set Num = 7 where (ID = 2)",
         [](TQuery&, TDatabase& db) { EXPECT_EQ(db.Scalar("select Num from Устройство where ID = 2").toInt(), 7); }},
        {"insert route", "insert into Маршрут (Name1, Name2, Name3, Num, ID_Card) values ('x', 'y', 'z', 4, 5)",
         [](TQuery&, TDatabase& db) { EXPECT_EQ(db.Scalar("select MAX(ID) as RESULT from Маршрут").toInt(), 4); }},
        {"move turns to another route", "update Поворот set ID_Route = 1 where ID_Route = 3",
         [](TQuery&, TDatabase& db) {
             EXPECT_EQ(db.Scalar("select count(*) from Поворот where ID_Route = 1").toInt(), 4);
         }},
        {"update names", "update Маршрут set Name1 = 'q', Name2 = '', Name3 = 'w' where ID = 3",
         [](TQuery&, TDatabase& db) { EXPECT_EQ(db.Scalar("select Name1 from Маршрут where ID = 3"), "q"); }},
        {"table name in another case", "select * from маршрут order by NUM",
         [](TQuery& q, TDatabase&) {
             EXPECT_EQ(column(q, "id"), (QList<qlonglong>{1, 2, 3}));
         }},
        {"plain delete", "delete from КартаПамяти where ID = 5",
         [](TQuery&, TDatabase& db) {
             // Card 5 took its route 3 and that route's turn with it.
             EXPECT_EQ(db.Scalar("select count(*) from Маршрут where ID = 3").toInt(), 0);
             EXPECT_EQ(db.Scalar("select count(*) from Поворот where ID = 4").toInt(), 0);
         }},
    };
    for (const SqlCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        TDatabase db;
        ASSERT_TRUE(db.Open(dir.filePath("forms.db"), TDatabase::OpenMode::CreateIfMissing));
        seed(db);
        TQuery q(db);
        ASSERT_TRUE(RunSql(q, QString::fromUtf8(c.sql), true)) << q.LastError().toStdString();
        EXPECT_EQ(db.TransLevel(), 0);
        c.check(q, db);
    }
}

TEST(SqlDialect, RewritesOnlyOutsideLiterals)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"delete * from Маршрут where ID_Card = 3", "delete from Маршрут where ID_Card = 3"},
        {"  DELETE  *  FROM Поворот", "  DELETE FROM Поворот"},
        {"insert into Устройство (Name) values ('delete * from маршрут')",
         "insert into Устройство (Name) values ('delete * from маршрут')"},
        {"select * from МАРШРУТ as [маршрут]", "select * from Маршрут as [маршрут]"},
        {"select 'it''s маршрут' from поворот", "select 'it''s маршрут' from Поворот"},
        {"select МаршрутX from Маршруты", "select МаршрутX from Маршруты"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AdaptSql(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST_F(DbFixture, ConnectionUsesRollbackJournalFullSyncAndForeignKeys)
{
    EXPECT_EQ(db.Scalar("PRAGMA journal_mode").toString(), "delete");
    EXPECT_EQ(db.Scalar("PRAGMA synchronous").toInt(), 2);  // FULL
    EXPECT_EQ(db.Scalar("PRAGMA foreign_keys").toInt(), 1);
}

TEST_F(DbFixture, OwnConnectionNameRemovedOnClose)
{
    TDatabase second;
    ASSERT_TRUE(second.Open(path));
    EXPECT_NE(second.ConnectionName(), db.ConnectionName());
    EXPECT_TRUE(QSqlDatabase::contains(second.ConnectionName()));
    // Both see each other's committed changes.
    exec("insert into Ведомый (Name, Addr) values ('s', 3)");
    EXPECT_EQ(second.Scalar("select Addr from Ведомый").toInt(), 3);
    const QString name = second.ConnectionName();
    second.Close();
    EXPECT_FALSE(QSqlDatabase::contains(name));
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.Scalar("select count(*) from Ведомый").toInt(), 1);
}

TEST_F(DbFixture, NestedTransactionsRollBackOnlyTheirOwnLevel)
{
    ASSERT_TRUE(db.BeginTrans());  // a dialog's record edit
    exec("insert into Ведомый (Name, Addr) values ('outer', 1)");
    TQuery q(db);
    // A statement in its own transaction inside it, which fails: only it is undone.
    EXPECT_FALSE(RunSql(q, "insert into НетТакой (x) values (1)", true));
    EXPECT_FALSE(q.LastError().isEmpty());
    EXPECT_EQ(db.TransLevel(), 1);
    ASSERT_TRUE(db.BeginTrans());
    exec("insert into Ведомый (Name, Addr) values ('inner', 2)");
    ASSERT_TRUE(db.RollbackTrans());
    ASSERT_TRUE(RunSql(q, "insert into Ведомый (Name, Addr) values ('own', 3)", true));
    ASSERT_TRUE(db.CommitTrans());
    EXPECT_EQ(db.TransLevel(), 0);
    ASSERT_TRUE(RunSql(q, "select Name from Ведомый order by Addr", false));
    QStringList names;
    for (q.First(); !q.Eof(); q.Next())
        names << q.AsString("Name");
    EXPECT_EQ(names, (QStringList{"outer", "own"}));

    // Rolling back the outermost level undoes everything in it.
    ASSERT_TRUE(db.BeginTrans());
    exec("delete from Ведомый");
    ASSERT_TRUE(db.RollbackTrans());
    EXPECT_EQ(scalar("select count(*) from Ведомый"), 2);
    EXPECT_FALSE(db.CommitTrans());  // nothing left to commit
}

TEST_F(DbFixture, TypedValuesAreBoundNotPasted)
{
    const QString name = QStringLiteral("O'Brien'); delete from Устройство; --");
    exec("insert into Устройство (Num, Addr, Name) values (?, ?, ?)", {1, 5, name});
    TQuery q(db);
    ASSERT_TRUE(RunSql(q, "select Name from Устройство where Name = ?", false, {name}));
    ASSERT_EQ(q.RecordCount(), 1);
    EXPECT_EQ(q.AsString("Name"), name);
}

TEST(DatabaseOpen, BadFilesFailCleanlyAndAreLeftAlone)
{
    QTemporaryDir dir;
    // A path the user chose that does not exist is not created.
    {
        TDatabase db;
        const QString missing = dir.filePath("nowhere.db");
        EXPECT_FALSE(db.Open(missing));
        EXPECT_FALSE(db.LastError().isEmpty());
        EXPECT_EQ(db.OpenFailureText(), "файл не найден");
        EXPECT_FALSE(QFileInfo::exists(missing));
        EXPECT_FALSE(db.IsOpen());
    }
    // A damaged file is refused and not touched.
    {
        const QString damaged = dir.filePath("damaged.db");
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray junk = QByteArray("not a database at all ").repeated(300);
        f.write(junk);
        f.close();
        TDatabase db;
        EXPECT_FALSE(db.Open(damaged));
        EXPECT_FALSE(db.LastError().isEmpty());
        EXPECT_EQ(db.OpenFailureText(), "файл повреждён или не является базой данных");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), junk);
    }
    // A directory is not a database either.
    {
        TDatabase db;
        EXPECT_FALSE(db.Open(dir.path()));
        EXPECT_EQ(db.OpenFailureText(), "это не файл");
    }
    // A file the user may not read and write (root may: only for an ordinary user).
    if (::geteuid() != 0) {
        const QString file = dir.filePath("foreign.db");
        {
            TDatabase owner;
            ASSERT_TRUE(owner.Open(file, TDatabase::OpenMode::CreateIfMissing));
        }
        QFile::setPermissions(file, QFileDevice::ReadOwner);
        TDatabase db;
        EXPECT_FALSE(db.Open(file));
        EXPECT_EQ(db.OpenFailureText(), "нет доступа к файлу (чтение и запись)");
    }
    // A file locked by another writer: a clear error once the wait is over, nothing lost.
    {
        const QString file = dir.filePath("locked.db");
        TDatabase owner;
        ASSERT_TRUE(owner.Open(file, TDatabase::OpenMode::CreateIfMissing));
        ASSERT_TRUE(owner.Exec("insert into Ведомый (Name, Addr) values ('kept', 1)"));
        ASSERT_TRUE(owner.Exec("BEGIN EXCLUSIVE"));
        TDatabase other;
        other.SetBusyTimeout(50);
        EXPECT_FALSE(other.Open(file));
        EXPECT_FALSE(other.LastError().isEmpty());
        EXPECT_EQ(other.OpenFailureText(), "база данных занята другой программой");
        ASSERT_TRUE(owner.Exec("COMMIT"));
        ASSERT_TRUE(other.Open(file));
        EXPECT_EQ(other.Scalar("select Name from Ведомый").toString(), "kept");
    }
}

// Files SQLite opens without a word but that are no usable database of ours are refused at
// opening with the real cause, instead of failing later statements with an engine text
// ("Parameter count mismatch", or a damaged file read as a missing route).
TEST(DatabaseOpen, EmptyForeignAndDamagedFilesAreRefused)
{
    QTemporaryDir dir;
    auto sqlite = [&](const QString& path, const QStringList& statements) {
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
            c.setDatabaseName(path);
            ASSERT_TRUE(c.open());
            QSqlQuery q(c);
            for (const QString& sql : statements)
                ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    };
    const QString empty = dir.filePath("empty.db");
    QFile(empty).open(QIODevice::WriteOnly);
    const QString foreign = dir.filePath("foreign.db");
    sqlite(foreign, {QStringLiteral("create table Заказ (ID integer)")});
    // Many routes, then a page in the middle of their table overwritten.
    const QString damaged = dir.filePath("damaged.db");
    {
        TDatabase db;
        ASSERT_TRUE(db.Open(damaged, TDatabase::OpenMode::CreateIfMissing));
        ASSERT_TRUE(db.BeginTrans());
        ASSERT_TRUE(db.Exec(QStringLiteral("insert into КартаПамяти (ID, ID_Dir, Name) values (1, -1, 'A')")));
        for (int i = 0; i < 3000; ++i)
            ASSERT_TRUE(db.Exec(QStringLiteral("insert into Маршрут (ID_Card, Name1, Num) values (1, ?, ?)"),
                                {QStringLiteral("маршрут номер %1").arg(i), i}));
        ASSERT_TRUE(db.CommitTrans());
    }
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), 12 * 4096);
        f.seek(8 * 4096);
        f.write(QByteArray(4096, '\x55'));
    }
    const struct {
        QString path;
        QString failure;
    } cases[] = {
        {empty,
         QStringLiteral("файл пуст или не является базой данных программы: в нём нет таблиц Устройство, Маршрут, "
                        "Поворот, КартаПамяти, Ведомый")},
        {foreign, QStringLiteral("файл пуст или не является базой данных программы: в нём нет таблиц Устройство, "
                                 "Маршрут, Поворот, КартаПамяти, Ведомый")},
        {damaged, QStringLiteral("файл повреждён или не является базой данных")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        TDatabase db;
        EXPECT_FALSE(db.Open(c.path));
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(db.OpenFailureText(), c.failure);
    }
}

// A statement that fails on an open database says why in Russian; the engine's text follows.
TEST(DatabaseErrors, FailedStatementsNameTheirCause)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("shared.db");
    TDatabase owner;
    ASSERT_TRUE(owner.Open(file, TDatabase::OpenMode::CreateIfMissing));
    TDatabase other;
    other.SetBusyTimeout(50);
    ASSERT_TRUE(other.Open(file));
    ASSERT_TRUE(owner.Exec("BEGIN EXCLUSIVE"));
    EXPECT_TRUE(other.Scalar("select count(*) from Маршрут").isNull());
    EXPECT_TRUE(other.LastError().startsWith("База данных занята другой программой. Подробности: database is locked"))
        << other.LastError().toStdString();
    EXPECT_FALSE(other.BeginTrans() && other.Exec("insert into Ведомый (Name, Addr) values ('x', 1)"));
    EXPECT_TRUE(other.LastError().startsWith("База данных занята другой программой. Подробности: "))
        << other.LastError().toStdString();
    if (other.TransLevel() > 0)
        other.RollbackTrans();
    ASSERT_TRUE(owner.Exec("COMMIT"));
    EXPECT_FALSE(other.Exec("insert into Нет (ID) values (1)"));
    EXPECT_TRUE(other.LastError().startsWith("Ошибка ядра базы данных. Подробности: no such table"))
        << other.LastError().toStdString();
}

TEST_F(DbFixture, CreateSchemaKeepsExistingData)
{
    exec("insert into Устройство (Num, Addr, Name) values (1, 2, 'x')");
    QString error;
    ASSERT_TRUE(CreateSchema(db.Connection(), &error)) << error.toStdString();
    EXPECT_EQ(scalar("select count(*) from Устройство"), 1);
}

// The file we create opens in the sqlite3 shell and shows the designed schema.
TEST_F(DbFixture, Sqlite3ShellShowsTheSchema)
{
    if (!QFileInfo::exists("/usr/bin/sqlite3"))
        GTEST_SKIP() << "sqlite3 shell not installed";
    db.Close();
    QProcess shell;
    shell.start("/usr/bin/sqlite3", {path, ".schema"});
    ASSERT_TRUE(shell.waitForFinished(10000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    const QString schema = QString::fromUtf8(shell.readAllStandardOutput());
    const char* expected[] = {
        "CREATE TABLE Устройство (ID integer primary key autoincrement, Num integer, Addr integer, Name text);",
        "CREATE TABLE КартаПамяти (ID integer primary key autoincrement, ID_Dir integer, Name text);",
        "CREATE TABLE Маршрут (ID integer primary key autoincrement, ID_Card integer references "
        "КартаПамяти(ID) on delete cascade, Name1 text, Name2 text, Name3 text, Num integer);",
        "CREATE TABLE Поворот (ID integer primary key autoincrement, ID_Route integer references "
        "Маршрут(ID) on delete cascade, BegLat text, BegLong text, EndLat text, EndLong text, Turn text, "
        "Num integer);",
        "CREATE TABLE Ведомый (ID integer primary key autoincrement, Name text, Addr integer);",
    };
    for (const char* e : expected)
        EXPECT_TRUE(schema.contains(QString::fromUtf8(e))) << e << "\n--- got:\n" << schema.toStdString();

    QProcess check;
    check.start("/usr/bin/sqlite3", {path, "PRAGMA integrity_check; PRAGMA journal_mode;"});
    ASSERT_TRUE(check.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(check.readAllStandardOutput()).trimmed(), "ok\ndelete");
}
