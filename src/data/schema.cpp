#include "schema.h"

#include <QSqlError>
#include <QSqlQuery>

QStringList SchemaStatements()
{
    // Cards own their routes and routes own their turns: deleting a card or a route must not
    // leave rows behind that nothing shows any more.
    QStringList statements{
        QStringLiteral("CREATE TABLE IF NOT EXISTS Устройство ("
                       "ID integer primary key autoincrement, Num integer, Addr integer, Name text)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS КартаПамяти ("
                       "ID integer primary key autoincrement, ID_Dir integer, Name text)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Маршрут ("
                       "ID integer primary key autoincrement, "
                       "ID_Card integer references КартаПамяти(ID) on delete cascade, "
                       "Name1 text, Name2 text, Name3 text, Num integer)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Поворот ("
                       "ID integer primary key autoincrement, "
                       "ID_Route integer references Маршрут(ID) on delete cascade, "
                       "BegLat text, BegLong text, EndLat text, EndLong text, Turn text, Num integer)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Ведомый ("
                       "ID integer primary key autoincrement, Name text, Addr integer)"),
        // The turn grid reads one route's turns in Num order; the cascades look up children.
        QStringLiteral("CREATE INDEX IF NOT EXISTS ПоворотМаршрут on Поворот(ID_Route, Num)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS МаршрутКарта on Маршрут(ID_Card)"),
    };
    return statements + AddedTableStatements();
}

QStringList AddedTableStatements()
{
    // What each address last said of itself when presence asked it: name line, mode, version
    // byte, build, controller, external memory in bytes, and the time with its UTC offset.
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS Опознание ("
                       "Addr integer primary key, Name text, Mode text, Version integer, Build integer, "
                       "Part text, Ext integer, Seen text)")};
}

bool AddNewTables(QSqlDatabase& db, QString* error)
{
    QSqlQuery q(db);
    for (const QString& sql : AddedTableStatements()) {
        if (!q.exec(sql)) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
    }
    return true;
}

bool CreateSchema(QSqlDatabase& db, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!db.isOpen())
        return fail(QStringLiteral("database is not open"));
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN")))
        return fail(q.lastError().text());
    for (const QString& sql : SchemaStatements()) {
        if (!q.exec(sql)) {
            const QString text = q.lastError().text();
            q.exec(QStringLiteral("ROLLBACK"));
            return fail(text);
        }
    }
    if (!q.exec(QStringLiteral("COMMIT"))) {
        const QString text = q.lastError().text();
        q.exec(QStringLiteral("ROLLBACK"));
        return fail(text);
    }
    return true;
}
