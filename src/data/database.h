#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantList>

// One connection to the program's SQLite file. Owns a Qt SQL connection under a name of its
// own, so several TDatabase objects (and tests) never share or clobber one; the name is
// removed again on Close. Main thread only, like every Qt SQL connection.
class TDatabase {
public:
    enum class OpenMode {
        ExistingOnly,     // a path the user chose: a missing file is an error, never created
        CreateIfMissing,  // the default file of a new installation: created with the schema
    };

    TDatabase();
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Opens the file and checks that it is a readable, undamaged database of the program's
    // tables. On failure the connection stays closed and OpenFailureText() says why.
    bool Open(const QString& path, OpenMode mode = OpenMode::ExistingOnly);
    void Close();
    // How long a statement waits for another process's lock before it fails (next Open).
    void SetBusyTimeout(int ms) { FBusyTimeout = ms; }
    bool IsOpen() const { return FDb.isOpen(); }
    QString Path() const { return FPath; }
    // Whether path names this database's file (a report written there would replace it).
    bool IsOwnFile(const QString& path) const;
    QString ConnectionName() const { return FName; }
    // Why the last statement failed: the cause in Russian, then the engine's text as detail.
    // After a failed Open it is the engine's text alone, and OpenFailureText() the cause.
    QString LastError() const { return FLastError; }
    // Why Open failed, in the user's words (Russian).
    QString OpenFailureText() const { return FOpenFailure; }

    // Transactions nest: the outermost level is BEGIN/COMMIT, inner levels are savepoints, so a
    // statement that runs "in its own transaction" still works inside a dialog's transaction.
    bool BeginTrans();
    bool CommitTrans();
    bool RollbackTrans();
    int TransLevel() const { return FTransLevel; }

    // Runs one statement that returns no rows; values go in as bound parameters (? markers).
    // The text passes through the dialect adapter first.
    bool Exec(const QString& sql, const QVariantList& params = {});
    // First column of the first row, or a null QVariant when there is no row.
    QVariant Scalar(const QString& sql, const QVariantList& params = {});

    // The Qt connection, for code that needs QSqlQuery directly (bulk work, schema checks).
    QSqlDatabase& Connection() { return FDb; }

    void SetLastError(const QString& text) { FLastError = text; }

private:
    QString FName;
    QString FPath;
    QSqlDatabase FDb;
    QString FLastError;
    QString FOpenFailure;
    int FTransLevel = 0;
    int FBusyTimeout = 5000;
};
