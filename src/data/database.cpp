#include "database.h"

#include "base/messages.h"
#include "schema.h"
#include "sqldialect.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {
QAtomicInt connectionCounter;
}

TDatabase::TDatabase() : FName(QStringLiteral("zevanta-db-%1").arg(connectionCounter.fetchAndAddRelaxed(1) + 1)) {}

TDatabase::~TDatabase()
{
    Close();
}

namespace {

// The engine's result code, in the user's words.
QString failureOf(const QSqlError& e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok) & 0xFF;  // primary code of an extended one
    if (!ok)
        return Msg::DbOther;
    switch (code) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
        return Msg::DbLocked;
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        return Msg::DbDamaged;
    case 3:   // SQLITE_PERM
    case 8:   // SQLITE_READONLY
    case 23:  // SQLITE_AUTH
        return Msg::DbNoAccess;
    case 14:  // SQLITE_CANTOPEN
        return Msg::DbCannotOpen;
    default: return Msg::DbOther;
    }
}

// A failed statement as the user reads it: the cause in Russian, the engine's text after it.
QString statementFailure(const QSqlError& e)
{
    QString cause = failureOf(e);
    cause[0] = cause[0].toUpper();
    return Msg::DbStatementFailed.arg(cause, e.text());
}

}  // namespace

bool TDatabase::Open(const QString& path, OpenMode mode)
{
    Close();
    FLastError.clear();
    FOpenFailure.clear();
    const QFileInfo info(path);
    const bool existed = info.exists();
    if (!existed && mode == OpenMode::ExistingOnly) {
        FLastError = QStringLiteral("The database file \"%1\" does not exist").arg(QDir::toNativeSeparators(path));
        FOpenFailure = Msg::DbMissing;
        return false;
    }
    if (existed && !info.isFile()) {
        FLastError = QStringLiteral("\"%1\" is not a file").arg(QDir::toNativeSeparators(path));
        FOpenFailure = Msg::DbNotAFile;
        return false;
    }
    if (existed && (!info.isReadable() || !info.isWritable())) {
        FLastError = QStringLiteral("\"%1\": permission denied").arg(QDir::toNativeSeparators(path));
        FOpenFailure = Msg::DbNoAccess;
        return false;
    }

    FDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FName);
    // mode=rw makes SQLite refuse to create a file that vanished after the check above.
    const QString uri = QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                        (existed ? QStringLiteral("?mode=rw") : QStringLiteral("?mode=rwc"));
    FDb.setDatabaseName(uri);
    FDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(FBusyTimeout));
    if (!FDb.open()) {
        FLastError = FDb.lastError().text();
        FOpenFailure = failureOf(FDb.lastError());
        Close();
        return false;
    }
    FPath = info.absoluteFilePath();

    // SQLite opens anything lazily; reading the catalogue is what tells a damaged or foreign
    // file apart. Rollback journal (not WAL) because files live on network shares, and FULL
    // sync so that a committed change survives a power cut.
    QSqlQuery q(FDb);
    const char* setup[] = {
        "select count(*) from sqlite_master",
        "PRAGMA foreign_keys = ON",
        "PRAGMA journal_mode = DELETE",
        "PRAGMA synchronous = FULL",
        // Room for a whole-table change (renumbering 200,000 turns) without spilling dirty
        // pages, and so syncing, in the middle of the transaction. Taken only as used.
        "PRAGMA cache_size = -65536",
    };
    for (const char* sql : setup) {
        if (!q.exec(QString::fromLatin1(sql))) {
            FLastError = q.lastError().text();
            FOpenFailure = failureOf(q.lastError());
            q = QSqlQuery();
            Close();
            return false;
        }
    }
    // A file that SQLite reads is not yet ours: an empty file or another program's database has
    // none of our tables, and every statement on it would fail with a puzzling engine text. A
    // damaged page further in is found only by walking the whole file.
    if (existed) {
        QStringList missing;
        for (const QString& table : DbTables::All) {
            q.prepare(QStringLiteral("select count(*) from sqlite_master where type = 'table' and name = ?"));
            q.addBindValue(table);
            if (q.exec() && q.next() && q.value(0).toInt() == 0)
                missing << table;
        }
        // A file missing only some tables is an old or damaged one of ours: the data module
        // names each table it cannot open and lets the user decide.
        if (missing.size() == DbTables::All.size()) {
            FLastError = QStringLiteral("no table %1").arg(missing.join(QStringLiteral(", ")));
            FOpenFailure = Msg::DbNotOurs.arg(missing.join(QStringLiteral(", ")));
            q = QSqlQuery();
            Close();
            return false;
        }
        if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next() || q.value(0).toString() != u"ok") {
            const bool failed = q.lastError().isValid();
            FLastError = failed ? q.lastError().text() : q.value(0).toString();
            FOpenFailure = failed ? failureOf(q.lastError()) : Msg::DbDamaged;
            q = QSqlQuery();
            Close();
            return false;
        }
        // Not fatal: what needs a missing table fails with its own message.
        QString error;
        if (!AddNewTables(FDb, &error))
            FLastError = error;
    }
    q = QSqlQuery();
    if (!existed) {
        QString error;
        if (!CreateSchema(FDb, &error)) {
            FLastError = error;
            FOpenFailure = Msg::DbOther;
            Close();
            QFile::remove(info.absoluteFilePath());
            return false;
        }
    }
    return true;
}

bool TDatabase::IsOwnFile(const QString& path) const
{
    const QFileInfo file(path);
    return !FPath.isEmpty() && file.exists() && file.canonicalFilePath() == QFileInfo(FPath).canonicalFilePath();
}

void TDatabase::Close()
{
    if (FDb.isValid()) {
        if (FDb.isOpen() && FTransLevel > 0)
            QSqlQuery(FDb).exec(QStringLiteral("ROLLBACK"));
        FDb.close();
    }
    FDb = QSqlDatabase();
    if (QSqlDatabase::contains(FName))
        QSqlDatabase::removeDatabase(FName);
    FTransLevel = 0;
    FPath.clear();
}

bool TDatabase::BeginTrans()
{
    const QString sql = FTransLevel == 0 ? QStringLiteral("BEGIN") : QStringLiteral("SAVEPOINT lvl%1").arg(FTransLevel);
    QSqlQuery q(FDb);
    if (!q.exec(sql)) {
        FLastError = statementFailure(q.lastError());
        return false;
    }
    ++FTransLevel;
    return true;
}

bool TDatabase::CommitTrans()
{
    if (FTransLevel <= 0) {
        FLastError = QStringLiteral("No transaction is active");
        return false;
    }
    const QString sql =
        FTransLevel == 1 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE lvl%1").arg(FTransLevel - 1);
    QSqlQuery q(FDb);
    if (!q.exec(sql)) {
        FLastError = statementFailure(q.lastError());
        return false;
    }
    --FTransLevel;
    return true;
}

bool TDatabase::RollbackTrans()
{
    if (FTransLevel <= 0) {
        FLastError = QStringLiteral("No transaction is active");
        return false;
    }
    QSqlQuery q(FDb);
    bool ok;
    if (FTransLevel == 1) {
        ok = q.exec(QStringLiteral("ROLLBACK"));
    } else {
        const QString sp = QStringLiteral("lvl%1").arg(FTransLevel - 1);
        ok = q.exec(QStringLiteral("ROLLBACK TO ") + sp) && q.exec(QStringLiteral("RELEASE ") + sp);
    }
    if (!ok)
        FLastError = statementFailure(q.lastError());
    // The level goes down either way: a failed rollback has nothing left to retry.
    --FTransLevel;
    return ok;
}

bool TDatabase::Exec(const QString& sql, const QVariantList& params)
{
    if (!FDb.isOpen()) {
        FLastError = QStringLiteral("The database is not open");
        return false;
    }
    QSqlQuery q(FDb);
    if (!q.prepare(AdaptSql(sql))) {
        FLastError = statementFailure(q.lastError());
        return false;
    }
    for (const QVariant& v : params)
        q.addBindValue(v);
    if (!q.exec()) {
        FLastError = statementFailure(q.lastError());
        return false;
    }
    return true;
}

QVariant TDatabase::Scalar(const QString& sql, const QVariantList& params)
{
    if (!FDb.isOpen()) {
        FLastError = QStringLiteral("The database is not open");
        return {};
    }
    QSqlQuery q(FDb);
    q.setForwardOnly(true);
    if (!q.prepare(AdaptSql(sql))) {
        FLastError = statementFailure(q.lastError());
        return {};
    }
    for (const QVariant& v : params)
        q.addBindValue(v);
    if (!q.exec()) {
        FLastError = statementFailure(q.lastError());
        return {};
    }
    if (!q.next())
        return {};
    return q.value(0);
}
