#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app/logfile.h"

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(content), content.size());
}

// A log of exactly `size` bytes whose last line is an error "Сбой" (CP1251 D1 E1 EE E9).
QByteArray logOfSize(qsizetype size)
{
    const QByteArray line = "Info 01.02.24 10:00:00 0123456789012345678901234567890123456789\r\n";
    const QByteArray last = "Err  01.02.24 10:00:01 \xD1\xE1\xEE\xE9\r\n";
    QByteArray out;
    while (out.size() + 2 * line.size() + last.size() <= size)
        out += line;
    out += "Info 01.02.24 10:00:00 " + QByteArray(size - out.size() - last.size() - 25, 'x') + "\r\n";
    out += last;
    return out;
}

QString todaysArchive(const TLogFile& log, const QString& suffix = QString())
{
    return QDir(log.ArchiveFolder())
        .filePath(QDate::currentDate().toString(QStringLiteral("'log ('yyyy-MM-dd')'")) + suffix +
                  QStringLiteral(".zip"));
}

}  // namespace

TEST(LogFile, LineFormatAndLoading)
{
    QTemporaryDir dir;
    TLogFile log(dir.filePath(QStringLiteral("Zevanta")));  // folder made on first write
    EXPECT_EQ(log.FileName, dir.filePath(QStringLiteral("Zevanta/log.txt")));
    ASSERT_TRUE(log.PutLog(logInfo, QStringLiteral("Старт")));
    ASSERT_TRUE(log.PutLog(logWarning, QStringLiteral("Ёж №1 «x»")));
    ASSERT_TRUE(log.PutLog(logNone, QStringLiteral("без типа")));
    ASSERT_TRUE(log.PutLog(logError, QStringLiteral("две\r\nстроки")));

    const QByteArray bytes = readFile(log.FileName);
    const QList<QByteArray> lines = bytes.split('\n');
    ASSERT_EQ(lines.size(), 5);  // four lines and the empty rest after the last line end
    const QRegularExpression stamp(QStringLiteral(R"(^ \d\d\.\d\d\.\d\d \d\d:\d\d:\d\d $)"));
    const std::pair<QByteArray, QByteArray> expected[] = {
        {"Info", "\xD1\xF2\xE0\xF0\xF2"},  // Старт
        {"Warn",
         "\xA8\xE6 \xB9"
         "1 \xABx\xBB"},                                     // Ёж №1 «x»
        {"", "\xE1\xE5\xE7 \xF2\xE8\xEF\xE0"},               // без типа
        {"Err ", "\xE4\xE2\xE5  \xF1\xF2\xF0\xEE\xEA\xE8"},  // две  строки
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QByteArray& l = lines[i];
        ASSERT_TRUE(l.endsWith('\r'));
        const qsizetype typeLen = expected[i].first.size();
        EXPECT_EQ(l.left(typeLen), expected[i].first);
        EXPECT_TRUE(stamp.match(QString::fromLatin1(l.mid(typeLen, 19))).hasMatch()) << l.toStdString();
        EXPECT_EQ(l.mid(typeLen + 19).chopped(1), expected[i].second);
    }

    ASSERT_TRUE(log.LoadLog());
    ASSERT_EQ(log.Log.size(), 3u);  // the untyped line has no type field and is skipped
    EXPECT_EQ(log.Log[0].typ, logInfo);
    EXPECT_EQ(log.Log[0].Text, QStringLiteral("Старт"));
    EXPECT_LE(std::abs(log.Log[0].Date.daysTo(QDate::currentDate())), 1);
    EXPECT_EQ(log.Log[1].typ, logWarning);
    EXPECT_EQ(log.Log[1].Text, QStringLiteral("Ёж №1 «x»"));
    EXPECT_EQ(log.LastEvent().typ, logError);
    EXPECT_EQ(log.PreviousRunQuestion(),
              QStringLiteral("Предыдущий запуск программы был завершён с ошибкой\r\n\"две  строки\"!\r\n"
                             "Завершить работу программы?"));

    // A normal close writes "Стоп": the next start asks nothing.
    ASSERT_TRUE(log.PutLog(logInfo, QStringLiteral("Стоп")));
    ASSERT_TRUE(log.LoadLog());
    EXPECT_EQ(log.LastEvent().Text, QStringLiteral("Стоп"));
    EXPECT_FALSE(log.PreviousRunQuestion().has_value());
}

TEST(LogFile, ParsingOfStoredLines)
{
    QTemporaryDir dir;
    TLogFile log(dir.path());
    writeFile(log.FileName,
              "Info 31.12.23 23:59:58 kept\r\n"
              "Info 31.12.23 23:59:58 \r\n"  // empty text
              "Info 32.12.23 10:00:00 bad day\r\n"
              "Info 01.12.23 24:00:00 bad hour\r\n"
              "Info 01-12-23 10:00:00 bad separator\r\n"
              "Info 01.12.23 10:00\r\n"  // too short
              "garbage\r\n"
              "\r\n"
              "XXXX 01.12.23 10:00:00 unknown type\n"  // bare LF
              "Warn 29.02.24 07:05:03 leap day");      // no final line end
    ASSERT_TRUE(log.LoadLog());
    ASSERT_EQ(log.Log.size(), 4u);
    EXPECT_EQ(log.Log[0].Date, QDate(2023, 12, 31));
    EXPECT_EQ(log.Log[0].Time, QTime(23, 59, 58));
    EXPECT_EQ(log.Log[0].Text, QStringLiteral("kept"));
    EXPECT_EQ(log.Log[1].Text, QString());
    EXPECT_EQ(log.Log[2].typ, logNone);
    EXPECT_EQ(log.Log[2].Text, QStringLiteral("unknown type"));
    EXPECT_EQ(log.Log[3].typ, logWarning);
    EXPECT_EQ(log.Log[3].Date, QDate(2024, 2, 29));
    EXPECT_EQ(log.Log[3].Time, QTime(7, 5, 3));
}

TEST(LogFile, TypeStrings)
{
    const std::pair<QString, TLogType> table[] = {
        {QStringLiteral("Err "), logError}, {QStringLiteral("Warn"), logWarning}, {QStringLiteral("Info"), logInfo},
        {QStringLiteral("Err"), logNone},   {QStringLiteral("info"), logNone},    {QString(), logNone},
    };
    for (const auto& [s, t] : table)
        EXPECT_EQ(TLogFile::GetLogType(s), t) << s.toStdString();
    EXPECT_EQ(TLogFile::GetLogTypeStr(logError), QStringLiteral("Err "));
    EXPECT_EQ(TLogFile::GetLogTypeStr(logNone), QString());
}

TEST(LogFile, EmptyOrMissingLog)
{
    QTemporaryDir dir;
    TLogFile log(dir.path());
    ASSERT_TRUE(log.LoadLog());
    EXPECT_TRUE(log.Log.empty());
    const TLog last = log.LastEvent();
    EXPECT_EQ(last.typ, logNone);
    EXPECT_TRUE(last.Text.isEmpty());
    EXPECT_TRUE(last.Date.isValid());
    EXPECT_FALSE(log.PreviousRunQuestion().has_value());
}

TEST(LogFile, ArchivesOnlyAboveTheLimit)
{
    QTemporaryDir dir;
    TLogFile log(dir.path());

    const QByteArray exact = logOfSize(1000000);
    ASSERT_EQ(exact.size(), 1000000);
    writeFile(log.FileName, exact);
    ASSERT_TRUE(log.LoadLog());
    EXPECT_FALSE(QDir(log.ArchiveFolder()).exists());
    EXPECT_EQ(readFile(log.FileName), exact);
    EXPECT_TRUE(log.PreviousRunQuestion().has_value());  // its last line is an error

    const QByteArray over = logOfSize(1000001);
    ASSERT_EQ(over.size(), 1000001);
    writeFile(log.FileName, over);
    ASSERT_TRUE(log.LoadLog()) << log.ErrorText.toStdString();
    EXPECT_FALSE(QFile::exists(log.FileName));
    EXPECT_TRUE(log.Log.empty());
    EXPECT_FALSE(log.PreviousRunQuestion().has_value());
    const QString archive = todaysArchive(log);
    ASSERT_TRUE(QFile::exists(archive));

    // A standard ZIP tool accepts it and the entry inflates to the original bytes.
    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzip.isEmpty())
        GTEST_SKIP() << "unzip not installed";
    QProcess test;
    test.start(unzip, {QStringLiteral("-t"), archive});
    ASSERT_TRUE(test.waitForFinished(60000));
    EXPECT_EQ(test.exitCode(), 0) << test.readAllStandardOutput().toStdString();
    QProcess list;
    list.start(unzip, {QStringLiteral("-v"), archive});
    ASSERT_TRUE(list.waitForFinished(60000));
    const QString listing = QString::fromLocal8Bit(list.readAllStandardOutput());
    EXPECT_TRUE(listing.contains(QStringLiteral("Defl:"))) << listing.toStdString();
    EXPECT_EQ(listing.count(QStringLiteral("log.txt")), 1);
    QProcess inflate;
    inflate.start(unzip, {QStringLiteral("-p"), archive, QStringLiteral("log.txt")});
    ASSERT_TRUE(inflate.waitForFinished(60000));
    EXPECT_TRUE(inflate.readAllStandardOutput() == over);

    // A second archive on the same day keeps the first one.
    const QByteArray again = logOfSize(1200000);
    writeFile(log.FileName, again);
    ASSERT_TRUE(log.LoadLog()) << log.ErrorText.toStdString();
    EXPECT_TRUE(QFile::exists(todaysArchive(log, QStringLiteral(" (2)"))));
    QProcess first;
    first.start(unzip, {QStringLiteral("-p"), archive, QStringLiteral("log.txt")});
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_TRUE(first.readAllStandardOutput() == over);
}

TEST(LogFile, UnwritableLogIsReportedAndNothingIsLost)
{
    QTemporaryDir dir;
    // The log folder is a plain file: nothing can be created inside it.
    writeFile(dir.filePath(QStringLiteral("blocked")), "x");
    TLogFile blocked(dir.filePath(QStringLiteral("blocked")));
    EXPECT_FALSE(blocked.PutLog(logInfo, QStringLiteral("Старт")));
    EXPECT_FALSE(blocked.ErrorText.isEmpty());

    // The archive folder cannot be made: the log stays and is read as usual.
    TLogFile log(dir.path());
    const QByteArray over = logOfSize(1000001);
    writeFile(log.FileName, over);
    writeFile(log.ArchiveFolder(), "not a folder");
    EXPECT_FALSE(log.LoadLog());
    EXPECT_FALSE(log.ErrorText.isEmpty());
    EXPECT_EQ(readFile(log.FileName), over);
    EXPECT_EQ(log.LastEvent().Text, QStringLiteral("Сбой"));
    EXPECT_TRUE(log.PutLog(logInfo, QStringLiteral("Стоп")));
}

TEST(LogFile, ReadTextDecodesForATerminal)
{
    QTemporaryDir dir;
    TLogFile log(dir.path());
    EXPECT_EQ(log.ReadText(), QString());  // no log yet: nothing to print, not a failure
    // A line written by the program, one by another tool (LF only) and a lone CR inside a line.
    writeFile(log.FileName,
              "Info 01.02.24 10:00:00 \xD1\xF2\xE0\xF0\xF2\r\n"
              "Err  01.02.24 10:00:01 \xB9 5 \xAB\xE6\xB8\xBB\n"
              "a\rb\r\n");
    const auto text = log.ReadText();
    ASSERT_TRUE(text.has_value()) << qPrintable(log.ErrorText);
    EXPECT_EQ(*text, QStringLiteral("Info 01.02.24 10:00:00 Старт\n"
                                    "Err  01.02.24 10:00:01 № 5 «жё»\n"
                                    "a\rb\n"));

    QFile::remove(log.FileName);
    QDir().mkpath(log.FileName);  // a folder where the file should be cannot be read
    EXPECT_FALSE(log.ReadText().has_value());
    EXPECT_TRUE(log.ErrorText.contains(log.FileName));
}
