#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include "app/restart.h"
#include "app/version.h"

TEST(VersionInfo, BuildVersionAndParsing)
{
    const TVersionInfo info;
    EXPECT_EQ(info.ProductName, QStringLiteral("Zevanta"));
    EXPECT_EQ(info.Version.Major, 4);
    EXPECT_EQ(info.Version.Minor, 13);
    EXPECT_EQ(info.Version.Release, 1);
    EXPECT_EQ(info.Version.Build, 1859);
    EXPECT_EQ(info.Version.Str, QStringLiteral("4.13"));

    const TVersionInfo missing{QString(), QString()};
    EXPECT_EQ(missing.ProductName, QStringLiteral("???"));
    EXPECT_EQ(missing.Version.Str, QStringLiteral("0.0"));

    const TVersionInfo other(QStringLiteral("X"), QStringLiteral("10.2.7.12"));
    EXPECT_EQ(other.Version.Str, QStringLiteral("10.2"));
    EXPECT_EQ(other.Version.Build, 12);
}

TEST(Restart, TakeWaitPid)
{
    QStringList args = {QStringLiteral("--demo"), QStringLiteral("--wait-pid"), QStringLiteral("123"),
                        QStringLiteral("--port-alias"), QStringLiteral("COM97=/dev/pts/3")};
    EXPECT_EQ(TakeWaitPid(args), 123);
    EXPECT_EQ(args, QStringList({QStringLiteral("--demo"), QStringLiteral("--port-alias"),
                                 QStringLiteral("COM97=/dev/pts/3")}));

    QStringList bad = {QStringLiteral("--wait-pid"), QStringLiteral("x")};
    EXPECT_FALSE(TakeWaitPid(bad).has_value());
    EXPECT_TRUE(bad.isEmpty());
    QStringList dangling = {QStringLiteral("a"), QStringLiteral("--wait-pid")};
    EXPECT_FALSE(TakeWaitPid(dangling).has_value());
    EXPECT_EQ(dangling, QStringList{QStringLiteral("a")});
}

TEST(Restart, WaitForParentExitFollowsAProcess)
{
    const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
    if (sleep.isEmpty())
        GTEST_SKIP() << "no sleep program";
    QProcess child;
    child.start(sleep, {QStringLiteral("2")});
    ASSERT_TRUE(child.waitForStarted());
    const qint64 pid = child.processId();

    EXPECT_TRUE(ProcessIsRunning(pid));
    EXPECT_FALSE(WaitForParentExit(pid, 100));  // still sleeping: the wait gives up
    // The child ends on its own and is not reaped while we wait: an ended process counts as gone.
    EXPECT_TRUE(WaitForParentExit(pid, 30000));
    EXPECT_FALSE(ProcessIsRunning(pid));
    child.waitForFinished();
}

TEST(Restart, CannotStartReportsFileSystemError)
{
    bool closed = false;
    QString error;
    EXPECT_FALSE(RestartProgram(
        true, QStringLiteral("/nonexistent/zevanta"), {}, [&] { closed = true; }, &error));
    EXPECT_EQ(error, QStringLiteral("Ошибка файловой системы!"));
    EXPECT_FALSE(closed);  // the program goes on running
}

#ifdef Q_OS_UNIX
TEST(Restart, StartsCopyWithOurPidAndArguments)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("copy.sh"));
    const QString record = dir.filePath(QStringLiteral("args.txt"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$(dirname \"$0\")/args.txt\"\n");
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QStringList original = {QStringLiteral("--wait-pid"), QStringLiteral("42"), QStringLiteral("--demo")};

    bool closed = false;
    QString error = QStringLiteral("unset");
    EXPECT_FALSE(RestartProgram(
        true, script, original, [&] { closed = true; }, &error));  // true: returns not closeMain
    EXPECT_TRUE(closed);
    EXPECT_TRUE(error.isEmpty());

    QDeadlineTimer deadline(30000);
    while (!QFile::exists(record) && !deadline.hasExpired())
        QThread::msleep(20);
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()),
              QStringLiteral("--wait-pid\n%1\n--demo\n").arg(QCoreApplication::applicationPid()));

    // At start-up (database unreachable) the window is not closed and the caller ends at once.
    f.close();
    ASSERT_TRUE(QFile::remove(record));
    closed = false;
    EXPECT_TRUE(RestartProgram(false, script, {}, [&] { closed = true; }));
    EXPECT_FALSE(closed);
    deadline = QDeadlineTimer(30000);
    while (!QFile::exists(record) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(record));
}
#endif
