// Start-up renumbering of a database with 100 routes and 200,000 turns whose Num values all
// need changing. Prints seconds; asserts nothing.
#include "data/database.h"
#include "data/datamodule.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <ctime>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int routes = 100;
    const int turns = argc > 1 ? std::atoi(argv[1]) : 200000;

    QTemporaryDir dir;
    const QString path = dir.filePath("bench.db");
    QElapsedTimer timer;
    timer.start();
    {
        TDatabase db;
        if (!db.Open(path, TDatabase::OpenMode::CreateIfMissing)) {
            std::fprintf(stderr, "open: %s\n", qPrintable(db.LastError()));
            return 1;
        }
        db.BeginTrans();
        QSqlQuery q(db.Connection());
        q.exec("insert into КартаПамяти (ID, ID_Dir, Name) values (1, -1, 'bench')");
        q.prepare("insert into Маршрут (ID, ID_Card, Name1, Num) values (?, 1, 'r', ?)");
        for (int r = 1; r <= routes; ++r) {
            q.bindValue(0, r);
            q.bindValue(1, r * 2 + 5);  // every route out of place
            q.exec();
        }
        q.prepare(
            "insert into Поворот (ID_Route, BegLat, BegLong, EndLat, EndLong, Turn, Num) "
            "values (?, '+55°45''12.3\"', '+37°37''00.0\"', '+55°45''12.3\"', '+37°37''00.0\"', 'L', ?)");
        for (int t = 1; t <= turns; ++t) {
            q.bindValue(0, (t % routes) + 1);
            q.bindValue(1, t * 3 + 1);  // every turn out of place, order kept
            q.exec();
        }
        db.CommitTrans();
    }
    const double setup = timer.elapsed() / 1000.0;

    // The whole start-up, with a log written to a file the way the event log would be.
    QFile logFile(dir.filePath("log.txt"));
    logFile.open(QIODevice::WriteOnly | QIODevice::Text);
    QTextStream log(&logFile);
    long long logLines = 0;
    long long splashCalls = 0;
    TDataModuleCallbacks cb;
    cb.splash = [&](const QString&) { ++splashCalls; };
    cb.logError = [&](const QString& text) {
        log << "ERROR " << text << '\n';
        ++logLines;
    };
    cb.showError = [](const QString& text) { std::fprintf(stderr, "error: %s\n", qPrintable(text)); };
    cb.databasePrompt = [] { return TPromptOutcome::End; };
    TDataModuleSettings settings;
    settings.dataBase = path;
    settings.appDataDir = dir.path();

    TDM dm;
    timer.restart();
    const std::clock_t cpu0 = std::clock();
    const TStartupResult result = dm.Startup(settings, cb);
    const double startup = timer.elapsed() / 1000.0;
    const double startupCpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    log.flush();

    // The turn table alone, once more out of place, without the log file.
    QSqlQuery(dm.Connection.Connection()).exec("update Поворот set Num = Num * 2 + 1");
    TDataModuleCallbacks quiet;
    quiet.logError = [](const QString&) {};
    const TRenumberTexts texts{"check", "progress %1", "ID=%1, Num=%2 => Num=%3"};
    QString error;
    timer.restart();
    const int changed = RenumberTable(dm.Connection, "Поворот", texts, quiet, &error);
    const double turnsOnly = timer.elapsed() / 1000.0;

    TQuery check(dm.Connection);
    RunSql(check, "select count(*) as N, min(Num) as A, max(Num) as B from Поворот", false);

    std::printf("database: %d routes, %d turns (built in %.2f s)\n", routes, turns, setup);
    std::printf("start-up with renumbering: %.3f s wall, %.3f s CPU (%s)\n", startup, startupCpu,
                result == TStartupResult::Continue ? "continue" : "quit");
    std::printf("turn table alone (log lines formatted, not written): %.3f s, %d rows changed\n", turnsOnly, changed);
    std::printf("log entries: %lld, splash updates: %lld, turns Num range after: %d..%d of %d\n", logLines, splashCalls,
                check.AsInteger("A"), check.AsInteger("B"), check.AsInteger("N"));
    return 0;
}
