#include "datamodule.h"

#include "base/messages.h"
#include "schema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <vector>

QString TurnTypeName(const QString& letter)
{
    if (letter == QLatin1String("L"))
        return Msg::TurnLeftName;
    if (letter == QLatin1String("R"))
        return Msg::TurnRightName;
    if (letter == QLatin1String("B"))
        return Msg::TurnBeginName;
    if (letter == QLatin1String("E"))
        return Msg::TurnEndName;
    return Msg::TurnUnknownName;
}

namespace {

void call(const std::function<void(const QString&)>& fn, const QString& text)
{
    if (fn)
        fn(text);
}

}  // namespace

int RenumberTable(TDatabase& db, const QString& table, const TRenumberTexts& texts, const TDataModuleCallbacks& cb,
                  QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return -1;
    };
    call(cb.splash, texts.check);

    struct TRow {
        qlonglong id;
        qlonglong num;
    };
    std::vector<TRow> rows;
    {
        QSqlQuery q(db.Connection());
        q.setForwardOnly(true);
        // Only ID and Num are needed; ties keep the engine's (key) order.
        if (!q.exec(QStringLiteral("select ID, Num from %1 order by Num, ID").arg(table)))
            return fail(q.lastError().text());
        while (q.next())
            rows.push_back({q.value(0).toLongLong(), q.value(1).isNull() ? 0 : q.value(1).toLongLong()});
        if (q.lastError().isValid())
            return fail(q.lastError().text());
    }

    struct TChange {
        qlonglong id;
        qlonglong oldNum;
        qlonglong newNum;
    };
    std::vector<TChange> changes;
    const qlonglong count = static_cast<qlonglong>(rows.size());
    for (qlonglong i = 1; i <= count; ++i) {
        const TRow& r = rows[i - 1];
        if (r.num != i)
            changes.push_back({r.id, r.num, i});
    }
    if (changes.empty())
        return 0;

    // The whole table in one transaction: all rows renumbered, or none.
    if (!db.BeginTrans())
        return fail(db.LastError());
    {
        QSqlQuery q(db.Connection());
        if (!q.prepare(QStringLiteral("update %1 set Num = ? where ID = ?").arg(table))) {
            const QString text = q.lastError().text();
            q = QSqlQuery();
            db.RollbackTrans();
            return fail(text);
        }
        int lastPercent = -1;
        for (const TChange& c : changes) {
            const int percent = static_cast<int>(c.newNum * 100 / count);
            if (percent != lastPercent) {
                lastPercent = percent;
                call(cb.splash, texts.progress.arg(percent));
            }
            q.bindValue(0, c.newNum);
            q.bindValue(1, c.id);
            if (!q.exec()) {
                const QString text = q.lastError().text();
                q = QSqlQuery();
                db.RollbackTrans();
                return fail(text);
            }
        }
    }
    if (!db.CommitTrans()) {
        const QString text = db.LastError();
        db.RollbackTrans();
        return fail(text);
    }
    if (cb.logError) {
        for (const TChange& c : changes)
            cb.logError(texts.log.arg(c.id).arg(c.oldNum).arg(c.newNum));
    }
    return static_cast<int>(changes.size());
}

TDM::TDM()
    : tblDevice(Connection, DbTables::Device),
      tblRoute(Connection, DbTables::Route),
      tblTurn(Connection, DbTables::Turn),
      tblCard(Connection, DbTables::Card),
      tblSlave(Connection, DbTables::Slave),
      Query(Connection),
      Query2(Connection),
      dsDevice(&tblDevice),
      dsRoute(&tblRoute),
      dsTurn(&tblTurn),
      dsTableCard(&tblCard),
      dsSlave(&tblSlave)
{
    tblDevice.SetIndexFieldNames(QStringLiteral("Num"));
    tblTurn.SetIndexFieldNames(QStringLiteral("ID_Route;Num"));
    tblTurn.SetMaster(&tblRoute, QStringLiteral("ID_Route"));
    tblCard.SetIndexFieldNames(QStringLiteral("Name"));

    tblDevice.SetCalcFields({QStringLiteral("Flag"), QStringLiteral("N")},
                            [this](const TDataSet& ds, int row, QVariantList& calc) {
                                const QVariant addr = ds.RowValue(row, QStringLiteral("Addr"));
                                calc[0] = !addr.isNull() && addr.toInt() == DevAddr();
                                calc[1] = row + 1;
                            });
    tblTurn.SetCalcFields({QStringLiteral("TurnString"), QStringLiteral("Beg"), QStringLiteral("End")},
                          [](const TDataSet& ds, int row, QVariantList& calc) {
                              auto text = [&](const char* name) {
                                  return ds.RowValue(row, QLatin1String(name)).toString();
                              };
                              static const QString gap = QStringLiteral("   ");
                              calc[0] = TurnTypeName(text("Turn"));
                              calc[1] = text("BegLat") + gap + text("BegLong");
                              calc[2] = text("EndLat") + gap + text("EndLong");
                          });
}

TDM::~TDM()
{
    Close();
}

void TDM::Close()
{
    Query.Close();
    Query2.Close();
    tblTurn.Close();
    tblDevice.Close();
    tblRoute.Close();
    tblCard.Close();
    tblSlave.Close();
    Connection.Close();
}

QString TDM::ResolveDataBasePath(const TDataModuleSettings& settings)
{
    const QString path =
        settings.dataBase.isEmpty() ? QDir(settings.appDataDir).filePath(DefaultDataBaseName) : settings.dataBase;
    if (QDir::isAbsolutePath(path) || settings.programDir.isEmpty())
        return QDir::cleanPath(path);
    return QDir::cleanPath(QDir(settings.programDir).filePath(path));
}

TStartupResult TDM::Startup(const TDataModuleSettings& settings, const TDataModuleCallbacks& cb)
{
    // A previous run that ended with an error may make the user stop before anything opens.
    if (!settings.appDataDir.isEmpty())
        QDir().mkpath(settings.appDataDir);
    if (!settings.lastLogError.isEmpty() && cb.askEnd && cb.askEnd(Msg::PrevRunFailed.arg(settings.lastLogError)))
        return TStartupResult::Quit;

    // Relative database paths are meant from the program's folder.
    DataBasePath = ResolveDataBasePath(settings);
    if (!settings.programDir.isEmpty())
        QDir::setCurrent(settings.programDir);

    // Only the default file of a new installation is created; a path the user
    // chose that does not exist brings up the prompt instead.
    call(cb.splash, Msg::SplashConnecting);
    Close();
    const auto mode =
        settings.dataBase.isEmpty() ? TDatabase::OpenMode::CreateIfMissing : TDatabase::OpenMode::ExistingOnly;
    if (!Connection.Open(DataBasePath, mode)) {
        // The reason first, in Russian with the engine's text as detail, then another file.
        const QString text = Msg::DbOpenFailed.arg(QDir::toNativeSeparators(DataBasePath), Connection.OpenFailureText(),
                                                   Connection.LastError());
        call(cb.logError, text);
        call(cb.showError, text);
        if (!cb.databasePrompt || cb.databasePrompt() == TPromptOutcome::End)
            return TStartupResult::Quit;
    }

    // Each table that fails is named, and the prompt decides.
    TTable* tables[] = {&tblDevice, &tblRoute, &tblTurn, &tblCard, &tblSlave};
    bool endAfterTables = false;
    for (TTable* table : tables) {
        call(cb.splash, Msg::SplashOpenTable + table->TableName());
        if (!table->Open()) {
            call(cb.showError, Msg::TableOpenFailed.arg(table->TableName()));
            endAfterTables = !cb.databasePrompt || cb.databasePrompt() == TPromptOutcome::End;
        }
    }
    if (endAfterTables)
        return TStartupResult::Quit;

    // 6.–7. Routes and turns numbered 1 … n. An engine error skips the rest of the checks.
    const TRenumberTexts routeTexts{Msg::SplashCheckRoutes, Msg::SplashRepairRoutes, Msg::LogRepairRoute};
    const TRenumberTexts turnTexts{Msg::SplashCheckTurns, Msg::SplashRepairTurns, Msg::LogRepairTurn};
    // Without a connection (the user went on past the prompt) there is nothing to check.
    if (!Connection.IsOpen())
        return TStartupResult::Continue;
    QString error;
    if (RenumberTable(Connection, DbTables::Route, routeTexts, cb, &error) < 0 ||
        RenumberTable(Connection, DbTables::Turn, turnTexts, cb, &error) < 0) {
        call(cb.showError, error);
        return TStartupResult::Continue;
    }
    // The open tables still hold the old numbers.
    tblRoute.Refresh();
    tblTurn.Refresh();

    // 8.
    call(cb.splash, Msg::SplashCheckPorts);
    return TStartupResult::Continue;
}
