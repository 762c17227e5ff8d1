#pragma once
// The command-line program run as the user runs it, and the Intel HEX records its tests feed it,
// built independently of the program's reader.
#include <cstdint>
#include <filesystem>
#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A file the program is given, in the test's folder; a failed write fails the test.
inline QString writeTestFile(const QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(data) == data.size()) << path.toStdString();
    return path;
}

// zevanta-cli beside the test program.
inline QString cliPath()
{
    return QString::fromStdString(
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "zevanta-cli").string());
}

struct CliRun {
    int code;
    QString out;
    QString err;
    qint64 ms;
};

// Bounds only a program that hangs: a loaded machine may take long over a whole FLASH write.
inline constexpr int kCliHangMs = 120000;

// configHome is where the program keeps its settings (XDG_CONFIG_HOME); the caller's own when empty.
inline CliRun runCli(const QStringList& args, int limitMs = kCliHangMs, const QString& configHome = {},
                     const QString& workDir = {})
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    if (!configHome.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        p.setProcessEnvironment(env);
    }
    p.start(cliPath(), args);
    const bool ended = p.waitForFinished(limitMs);
    EXPECT_TRUE(ended) << "hangs: " << args.join(' ').toStdString();
    if (!ended)
        p.kill();
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError()), t.elapsed()};
}

// One record with the standard checksum.
inline QByteArray hexRecord(uint16_t addr, uint8_t type, const std::vector<uint8_t>& data)
{
    unsigned sum = unsigned(data.size()) + (addr >> 8) + (addr & 0xFF) + type;
    QByteArray s = QByteArray(":") + QByteArray::number(qulonglong(data.size()), 16).rightJustified(2, '0') +
                   QByteArray::number(addr, 16).rightJustified(4, '0') +
                   QByteArray::number(type, 16).rightJustified(2, '0');
    for (uint8_t b : data) {
        s += QByteArray::number(b, 16).rightJustified(2, '0');
        sum += b;
    }
    return (s + QByteArray::number((0x100 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0')).toUpper() + "\r\n";
}

// code (a multiple of 16 bytes) in data records from at, then the end record.
inline QByteArray hexFile(uint16_t at, const std::vector<uint8_t>& code)
{
    QByteArray text;
    for (uint32_t off = 0; off < code.size(); off += 16)
        text += hexRecord(uint16_t(at + off), 0, std::vector<uint8_t>(code.begin() + off, code.begin() + off + 16));
    return text + ":00000001FF\r\n";
}

// The same at a 32-bit address: an extended linear address record first.
inline QByteArray hexFileAt(uint32_t at, const std::vector<uint8_t>& code)
{
    return hexRecord(0, 4, {uint8_t(at >> 24), uint8_t(at >> 16)}) + hexFile(uint16_t(at), code);
}
