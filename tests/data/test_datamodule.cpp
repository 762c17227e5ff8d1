#include "data/database.h"
#include "data/datamodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Records every callback of the start-up in order and answers the questions from a script.
struct Recorder {
    QStringList events;
    QStringList splash;
    QStringList log;
    bool answerEnd = false;
    TPromptOutcome promptOutcome = TPromptOutcome::End;
    int prompts = 0;

    TDataModuleCallbacks callbacks()
    {
        TDataModuleCallbacks cb;
        cb.splash = [this](const QString& t) {
            splash << t;
            events << "splash: " + t;
        };
        cb.logError = [this](const QString& t) {
            log << t;
            events << "log: " + t;
        };
        cb.askEnd = [this](const QString& q) {
            events << "ask: " + q;
            return answerEnd;
        };
        cb.showError = [this](const QString& t) { events << "error: " + t; };
        cb.databasePrompt = [this] {
            ++prompts;
            events << "prompt";
            return promptOutcome;
        };
        return cb;
    }
};

class StartupFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        oldCwd = QDir::currentPath();
        settings.appDataDir = root.filePath("appdata/Zevanta");
        settings.programDir = root.filePath("program");
        ASSERT_TRUE(QDir().mkpath(settings.programDir));
    }
    void TearDown() override { QDir::setCurrent(oldCwd); }

    // A database file with the schema and the given statements, closed again.
    QString makeDb(const QString& path, const QStringList& statements)
    {
        TDatabase db;
        EXPECT_TRUE(db.Open(path, TDatabase::OpenMode::CreateIfMissing)) << db.LastError().toStdString();
        db.BeginTrans();
        for (const QString& s : statements)
            EXPECT_TRUE(db.Exec(s)) << s.toStdString() << ": " << db.LastError().toStdString();
        db.CommitTrans();
        return path;
    }

    QList<int> nums(TDatabase& db, const QString& table)
    {
        QList<int> out;
        TQuery q(db);
        EXPECT_TRUE(RunSql(q, "select Num from " + table + " order by ID", false));
        for (q.First(); !q.Eof(); q.Next())
            out << q.AsInteger("Num");
        return out;
    }

    QTemporaryDir root;
    QString oldCwd;
    TDataModuleSettings settings;
    Recorder rec;
};

}  // namespace

TEST_F(StartupFixture, NewInstallationCreatesTheDefaultFile)
{
    TDM dm;
    ASSERT_EQ(dm.Startup(settings, rec.callbacks()), TStartupResult::Continue);
    const QString expected = QDir(settings.appDataDir).filePath("Zevanta.db");
    EXPECT_EQ(dm.DataBasePath, expected);
    EXPECT_TRUE(QFileInfo::exists(expected));
    EXPECT_EQ(QDir::currentPath(), QDir(settings.programDir).canonicalPath());
    EXPECT_EQ(rec.splash, (QStringList{
                              "Подключение к базе данных...",
                              "Открытие таблицы: Устройство",
                              "Открытие таблицы: Маршрут",
                              "Открытие таблицы: Поворот",
                              "Открытие таблицы: КартаПамяти",
                              "Открытие таблицы: Ведомый",
                              "Проверка таблицы \"Маршрут\"...",
                              "Проверка таблицы \"Поворот\"...",
                              "Проверка коммуникационных портов...",
                          }));
    EXPECT_TRUE(rec.log.isEmpty());
    EXPECT_EQ(rec.prompts, 0);
    EXPECT_TRUE(dm.tblDevice.Active() && dm.tblSlave.Active() && dm.tblTurn.Active());
    dm.Close();
    EXPECT_FALSE(dm.Connection.IsOpen());
    EXPECT_FALSE(dm.tblRoute.Active());
}

TEST_F(StartupFixture, RenumbersRoutesAndTurnsInOneGoAndLogsEachChange)
{
    makeDb(QDir(settings.programDir).filePath("routes.db"),
           {"insert into КартаПамяти (ID, ID_Dir, Name) values (1, -1, 'c')",
            // Routes numbered 1, 2, 5, 6 (stored out of order); turns already 1 … n.
            "insert into Маршрут (ID, ID_Card, Num) values (1, 1, 5)",
            "insert into Маршрут (ID, ID_Card, Num) values (2, 1, 1)",
            "insert into Маршрут (ID, ID_Card, Num) values (3, 1, 6)",
            "insert into Маршрут (ID, ID_Card, Num) values (4, 1, 2)",
            "insert into Поворот (ID, ID_Route, Num) values (1, 2, 2)",
            "insert into Поворот (ID, ID_Route, Num) values (2, 2, 1)",
            "insert into Поворот (ID, ID_Route, Num) values (3, 1, 3)"});
    settings.dataBase = "routes.db";  // a bare name: the program's own folder
    TDM dm;
    ASSERT_EQ(dm.Startup(settings, rec.callbacks()), TStartupResult::Continue);
    EXPECT_EQ(dm.DataBasePath, QDir(settings.programDir).filePath("routes.db"));
    EXPECT_EQ(nums(dm.Connection, "Маршрут"), (QList<int>{3, 1, 4, 2}));
    EXPECT_EQ(nums(dm.Connection, "Поворот"), (QList<int>{2, 1, 3}));
    EXPECT_EQ(rec.log, (QStringList{
                           "Восстановление таблицы \"Маршрут\" (ID=1, Num=5 => Num=3)",
                           "Восстановление таблицы \"Маршрут\" (ID=3, Num=6 => Num=4)",
                       }));
    EXPECT_TRUE(rec.splash.contains("Восстановление таблицы \"Маршрут\" (75%)..."));
    EXPECT_TRUE(rec.splash.contains("Восстановление таблицы \"Маршрут\" (100%)..."));
    EXPECT_FALSE(rec.splash.join("|").contains("Восстановление таблицы \"Поворот\""));
    // The open table shows the new numbers.
    ASSERT_TRUE(dm.tblRoute.Locate("ID", 3));
    EXPECT_EQ(dm.tblRoute.AsInteger("Num"), 4);
}

TEST_F(StartupFixture, TiesAndMissingNumbersGetDistinctPositions)
{
    makeDb(root.filePath("ties.db"),
           {"insert into Маршрут (ID, Num) values (1, 7)", "insert into Маршрут (ID, Num) values (2, 7)",
            "insert into Маршрут (ID, Num) values (3, null)", "insert into Маршрут (ID, Num) values (4, -1)"});
    settings.dataBase = root.filePath("ties.db");
    TDM dm;
    ASSERT_EQ(dm.Startup(settings, rec.callbacks()), TStartupResult::Continue);
    EXPECT_EQ(nums(dm.Connection, "Маршрут"), (QList<int>{3, 4, 1, 2}));
    EXPECT_EQ(rec.log.size(), 4);
    EXPECT_EQ(rec.log[0], "Восстановление таблицы \"Маршрут\" (ID=3, Num=0 => Num=1)");
}

TEST_F(StartupFixture, FailedRenumberingChangesNothingAndLogsNothing)
{
    // The engine refuses the second update: the first must be undone with it.
    makeDb(root.filePath("guarded.db"),
           {"insert into Маршрут (ID, Num) values (1, 10)", "insert into Маршрут (ID, Num) values (2, 20)",
            "create trigger NoTwo before update on Маршрут when new.Num = 2 begin "
            "select raise(abort, 'refused by trigger'); end"});
    settings.dataBase = root.filePath("guarded.db");
    TDM dm;
    ASSERT_EQ(dm.Startup(settings, rec.callbacks()), TStartupResult::Continue);
    EXPECT_EQ(nums(dm.Connection, "Маршрут"), (QList<int>{10, 20}));
    EXPECT_TRUE(rec.log.isEmpty());
    EXPECT_TRUE(rec.events.filter("error: ").join("").contains("refused by trigger"));
    // The remaining checks are skipped.
    EXPECT_FALSE(rec.splash.contains("Проверка таблицы \"Поворот\"..."));
    EXPECT_FALSE(rec.splash.contains("Проверка коммуникационных портов..."));
    EXPECT_EQ(dm.Connection.TransLevel(), 0);
}

TEST_F(StartupFixture, PreviousRunErrorIsAskedFirst)
{
    settings.lastLogError = "Восстановление таблицы \"Маршрут\" (ID=1, Num=5 => Num=3)";
    const QString question =
        "ask: Предыдущий запуск программы был завершён с ошибкой\r\n\"Восстановление таблицы \"Маршрут\" "
        "(ID=1, Num=5 => Num=3)\"!\r\nЗавершить работу программы?";
    {
        rec.answerEnd = true;
        TDM dm;
        EXPECT_EQ(dm.Startup(settings, rec.callbacks()), TStartupResult::Quit);
        EXPECT_EQ(rec.events, (QStringList{question}));
        EXPECT_TRUE(QDir(settings.appDataDir).exists());
        EXPECT_FALSE(dm.Connection.IsOpen());
    }
    {
        Recorder again;
        TDM dm;
        EXPECT_EQ(dm.Startup(settings, again.callbacks()), TStartupResult::Continue);
        EXPECT_EQ(again.events.value(0), question);
        EXPECT_EQ(again.events.value(1), "splash: Подключение к базе данных...");
    }
}

TEST_F(StartupFixture, UnusableDatabaseBringsThePrompt)
{
    struct Case {
        const char* name;
        TPromptOutcome outcome;
        TStartupResult result;
        int prompts;
    };
    // A chosen path that does not exist: never created, the prompt decides. Going on past
    // it, every table fails to open and is named, each with its own prompt.
    const Case missing[] = {{"end", TPromptOutcome::End, TStartupResult::Quit, 1},
                            {"go on", TPromptOutcome::GoOn, TStartupResult::Continue, 6}};
    for (const Case& c : missing) {
        SCOPED_TRACE(c.name);
        Recorder r;
        r.promptOutcome = c.outcome;
        settings.dataBase = root.filePath("chosen/missing.db");
        TDM dm;
        EXPECT_EQ(dm.Startup(settings, r.callbacks()), c.result);
        EXPECT_EQ(r.prompts, c.prompts);
        EXPECT_FALSE(QFileInfo::exists(settings.dataBase));
        if (c.outcome == TPromptOutcome::GoOn) {
            EXPECT_TRUE(r.events.contains(
                "error: Нарушение целостности базы данных!\r\nНевозможно открыть таблицу \"Ведомый\""));
        }
    }

    // A damaged file: the prompt, and the file stays as it was.
    const QString damaged = root.filePath("damaged.db");
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    {
        Recorder r;
        settings.dataBase = damaged;
        TDM dm;
        EXPECT_EQ(dm.Startup(settings, r.callbacks()), TStartupResult::Quit);
        EXPECT_EQ(r.prompts, 1);
        EXPECT_EQ(QFileInfo(damaged).size(), 4096);
        // The reason in Russian with the engine's text as detail, logged and shown before the prompt.
        const qsizetype at = r.events.indexOf("prompt");
        ASSERT_GE(at, 2);
        const QString shown = r.events[at - 1];
        EXPECT_TRUE(shown.startsWith("error: Невозможно открыть базу данных \"" + QDir::toNativeSeparators(damaged) +
                                     "\": файл повреждён или не является базой данных.\r\n\r\nПодробности: "))
            << shown.toStdString();
        EXPECT_EQ(r.events[at - 2], "log: " + shown.mid(7));
    }
}

TEST_F(StartupFixture, MissingTableIsNamedAndThePromptDecides)
{
    const QString path =
        makeDb(root.filePath("old.db"), {"drop table Ведомый", "insert into Маршрут (ID, Num) values (1, 3)"});
    for (TPromptOutcome outcome : {TPromptOutcome::End, TPromptOutcome::GoOn}) {
        Recorder r;
        r.promptOutcome = outcome;
        settings.dataBase = path;
        TDM dm;
        const TStartupResult result = dm.Startup(settings, r.callbacks());
        EXPECT_EQ(r.prompts, 1);
        EXPECT_EQ(r.events.filter("error: ").value(0),
                  "error: Нарушение целостности базы данных!\r\nНевозможно открыть таблицу \"Ведомый\"");
        if (outcome == TPromptOutcome::End) {
            EXPECT_EQ(result, TStartupResult::Quit);
            EXPECT_TRUE(r.log.isEmpty());
        } else {
            // Going on, the other tables are checked as usual.
            EXPECT_EQ(result, TStartupResult::Continue);
            EXPECT_EQ(r.log, (QStringList{"Восстановление таблицы \"Маршрут\" (ID=1, Num=3 => Num=1)"}));
        }
    }
}
