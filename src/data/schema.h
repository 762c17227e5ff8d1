#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Table names as the program writes them in SQL.
namespace DbTables {
inline const QString Device = QStringLiteral("Устройство");
inline const QString Route = QStringLiteral("Маршрут");
inline const QString Turn = QStringLiteral("Поворот");
inline const QString Card = QStringLiteral("КартаПамяти");
inline const QString Slave = QStringLiteral("Ведомый");
// Every table of the file, in the order the data module opens them.
inline const QStringList All = {Device, Route, Turn, Card, Slave};
}  // namespace DbTables

// Creates every table of a new database in one transaction. Tables that already exist are
// left alone (CREATE ... IF NOT EXISTS), so running it on a complete file changes nothing.
// Text lengths are enforced by the program, not by the file.
bool CreateSchema(QSqlDatabase& db, QString* error);

// The statements CreateSchema runs, for callers that compare a file against them.
QStringList SchemaStatements();

// Tables added after files were already in use (CREATE ... IF NOT EXISTS): an older file of ours
// gets them when it is opened, the tables it has are left alone.
QStringList AddedTableStatements();
bool AddNewTables(QSqlDatabase& db, QString* error);
