#pragma once
#include <QString>

// Rewrites an SQL text as the program writes it (the desktop-database dialect) into one
// SQLite runs with the same meaning:
//  - "delete * from T ..." becomes "delete from T ...";
//  - a table name written in another letter case becomes the stored name (SQLite folds case
//    of ASCII letters only, and the table names are Cyrillic).
// Everything else the program writes (bracketed aliases, ")as", Cyrillic names, negative
// literals, correlated subqueries) SQLite reads as is. String literals are never touched.
QString AdaptSql(const QString& sql);
