#pragma once
#include "data/database.h"

#include <QTemporaryDir>
#include <QVariantList>

#include <gtest/gtest.h>

// A fresh database file in a temporary folder, with the program's schema.
class DbFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("test.db"));
        ASSERT_TRUE(db.Open(path, TDatabase::OpenMode::CreateIfMissing)) << db.LastError().toStdString();
    }

    void exec(const QString& sql, const QVariantList& params = {})
    {
        ASSERT_TRUE(db.Exec(sql, params)) << sql.toStdString() << ": " << db.LastError().toStdString();
    }

    long long scalar(const QString& sql) { return db.Scalar(sql).toLongLong(); }

    QTemporaryDir dir;
    QString path;
    TDatabase db;
};
