#pragma once
#include "database.h"
#include "dataset.h"
#include "datasource.h"

#include <QString>

#include <functional>

// Default database file name in the application-data folder.
inline const QString DefaultDataBaseName = QStringLiteral("Zevanta.db");

// Display name of a turn type letter (L, R, B, E; anything else shows dashes).
QString TurnTypeName(const QString& letter);

// What the start-up needs from the shell. Nothing here shows a window itself.
struct TDataModuleSettings {
    QString dataBase;      // the "DataBase" setting; empty when absent
    QString appDataDir;    // the application-data folder (created when missing)
    QString programDir;    // folder of the executable; relative paths are taken against it
    QString lastLogError;  // text of the log's last event when it is an error, else empty
};

enum class TPromptOutcome { End, GoOn };

struct TDataModuleCallbacks {
    std::function<void(const QString& text)> splash;    // status line of the splash; repaint
    std::function<void(const QString& text)> logError;  // one event log entry, as an error
    // The previous run ended with an error: Yes/No question with the error icon, the text
    // already formatted with that event; true = Yes, end now.
    std::function<bool(const QString& question)> askEnd;
    std::function<void(const QString& text)> showError;  // error box with the app title
    // Hides the splash and shows the database dialog; End unless the restart could not be
    // prepared.
    std::function<TPromptOutcome()> databasePrompt;
};

enum class TStartupResult {
    Continue,  // go on with the main window
    Quit,      // the user chose to end (or a prompt said so): the program ends now
};

struct TRenumberTexts {
    QString check;     // splash before the walk
    QString progress;  // splash per changed row, %1 = percent
    QString log;       // log entry per changed row, %1 = ID, %2 = old Num, %3 = new Num
};

// Renumbers `Num` of a whole table to 1 … n in its existing order (ties by ID), as one
// transaction. Log entries are written only once the change is committed, so a failed run
// leaves the table and the log as they were. Returns the number of rows changed, or -1 with
// *error set.
int RenumberTable(TDatabase& db, const QString& table, const TRenumberTexts& texts, const TDataModuleCallbacks& cb,
                  QString* error);

// The data module: the one connection, a table object per table, two general-purpose queries,
// and the data sources the grids bind to.
class TDM {
public:
    TDM();
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    // The start-up steps: previous-run question, database path, connection (creating the
    // default file for a new installation), opening every table, renumbering routes and turns.
    TStartupResult Startup(const TDataModuleSettings& settings, const TDataModuleCallbacks& cb);
    // Closes every table object, then the connection.
    void Close();

    // Path of the database file in use (written back to the "DataBase" setting at exit).
    QString DataBasePath;
    // Where the selected device's address comes from; `Flag` of tblDevice compares with it.
    std::function<int()> DevAddr = [] { return -1; };

    TDatabase Connection;
    TTable tblDevice;
    TTable tblRoute;
    TTable tblTurn;
    TTable tblCard;
    TTable tblSlave;
    TQuery Query;
    TQuery Query2;
    TDataSource dsDevice;
    TDataSource dsRoute;
    TDataSource dsTurn;
    TDataSource dsTableCard;
    TDataSource dsSlave;

    // Path the start-up uses: the setting, or the default file; relative against programDir.
    static QString ResolveDataBasePath(const TDataModuleSettings& settings);
};
