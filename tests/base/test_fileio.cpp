#include <gtest/gtest.h>

#include <functional>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include "base/fileio.h"
#include "support/smalldisk.h"

namespace {

void put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray get(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct PathCase {
    const char* name;
    std::function<QString(const QTemporaryDir&)> make;  // returns the path to check
    bool ok;
    const char* reason;  // expected reason when refused
    bool needsNonRoot;   // root reads and writes through any permission
};

}  // namespace

// Nothing that is not a plain readable file may reach a reader: a FIFO would block it forever.
TEST(FileIo, InputAndOutputPathsAreCheckedWithTheSystemsReason)
{
    const char* kNotRegular = "это не обычный файл (канал, сокет или устройство)";
    const std::vector<PathCase> inputs = {
        {"regular file",
         [](const QTemporaryDir& d) {
             put(d.filePath("a.hex"), "x");
             return d.filePath("a.hex");
         },
         true, "", false},
        {"missing", [](const QTemporaryDir& d) { return d.filePath("missing.hex"); }, false,
         "нет такого файла или папки", false},
        {"folder", [](const QTemporaryDir& d) { return d.path(); }, false, "это папка, а не файл", false},
        {"fifo",
         [](const QTemporaryDir& d) {
             ::mkfifo(QFile::encodeName(d.filePath("fifo")).constData(), 0600);
             return d.filePath("fifo");
         },
         false, kNotRegular, false},
        {"device", [](const QTemporaryDir&) { return QStringLiteral("/dev/null"); }, false, kNotRegular, false},
        {"unreadable",
         [](const QTemporaryDir& d) {
             put(d.filePath("locked.hex"), "x");
             QFile::setPermissions(d.filePath("locked.hex"), QFileDevice::WriteOwner);
             return d.filePath("locked.hex");
         },
         false, "отказано в доступе", true},
    };
    const std::vector<PathCase> outputs = {
        {"new file", [](const QTemporaryDir& d) { return d.filePath("new.hex"); }, true, "", false},
        {"existing file",
         [](const QTemporaryDir& d) {
             put(d.filePath("old.hex"), "x");
             return d.filePath("old.hex");
         },
         true, "", false},
        {"missing folder", [](const QTemporaryDir& d) { return d.filePath("no/such/out.hex"); }, false,
         "нет такого файла или папки", false},
        {"folder", [](const QTemporaryDir& d) { return d.path(); }, false, "это папка, а не файл", false},
        {"below a file",
         [](const QTemporaryDir& d) {
             put(d.filePath("f"), "x");
             return d.filePath("f/out.hex");
         },
         false, "часть пути не является папкой", false},
        {"fifo",
         [](const QTemporaryDir& d) {
             ::mkfifo(QFile::encodeName(d.filePath("fifo")).constData(), 0600);
             return d.filePath("fifo");
         },
         false, kNotRegular, false},
        {"read-only folder",
         [](const QTemporaryDir& d) {
             QDir(d.path()).mkdir("ro");
             QFile::setPermissions(d.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
             return d.filePath("ro/out.hex");
         },
         false, "отказано в доступе", true},
    };
    const bool root = ::geteuid() == 0;
    for (bool writing : {false, true}) {
        for (const PathCase& c : writing ? outputs : inputs) {
            SCOPED_TRACE(std::string(writing ? "output: " : "input: ") + c.name);
            if (c.needsNonRoot && root)
                continue;
            QTemporaryDir dir;
            const QString path = c.make(dir);
            QString why;
            const bool ok = writing ? fileio::CheckOutputFile(path, why) : fileio::CheckInputFile(path, why);
            EXPECT_EQ(ok, c.ok);
            if (!c.ok) {
                EXPECT_EQ(why, QString::fromUtf8(c.reason));
            }
            if (!writing && c.ok) {
                QByteArray data;
                EXPECT_TRUE(fileio::ReadWholeFile(path, data, why));
                EXPECT_EQ(data, "x");
            }
        }
    }
}

TEST(FileIo, WriteReplacesTheWholeFileAndLeavesNoTemporaryBehind)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.bin");
    put(path, QByteArray(5000, 'o'));
    QString why;
    ASSERT_TRUE(fileio::WriteWholeFile(path, "new", why)) << why.toStdString();
    EXPECT_EQ(get(path), "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.bin"});
}

// A small file on a full disk: the write must fail loudly and the old file stay whole.
TEST(FileIo, FullDiskKeepsTheOldFileAndSaysWhy)
{
    SmallDisk disk;
    if (!disk.ready())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const QString path = disk.path("fw.hex");
    const QByteArray old(3000, 'o');
    put(path, old);
    ASSERT_TRUE(disk.fill());

    for (const QByteArray& data : {QByteArray(100, 'n'), QByteArray(200000, 'n')}) {
        SCOPED_TRACE(data.size());
        QString why;
        EXPECT_FALSE(fileio::WriteWholeFile(path, data, why));
        EXPECT_EQ(why, QStringLiteral("нет места на диске"));
        EXPECT_EQ(get(path), old);
        EXPECT_EQ(QDir(disk.path("")).entryList(QDir::Files | QDir::Hidden), (QStringList{".filler", "fw.hex"}));
    }
}
