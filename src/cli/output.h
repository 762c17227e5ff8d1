#pragma once
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include <QJsonObject>
#include <QString>

namespace zcli {

// Exit codes by the class of failure; the JSON result's `outcome` names the same class.
constexpr int kExitOk = 0;             // ok
constexpr int kExitFailed = 1;         // failed: the device or the line (no answer, refused, link lost)
constexpr int kExitUsage = 2;          // usage: the command line is wrong
constexpr int kExitDifferent = 3;      // different: a compare found other data
constexpr int kExitFile = 4;           // file: a file could not be read or written, or was refused
constexpr int kExitInterrupted = 130;  // interrupted: Ctrl+C, SIGTERM or SIGHUP

// The class's word in the JSON objects.
QString outcomeWord(int code);
// The code of a batch: the more serious of two (interrupted, usage, file, failed, different, ok).
int worseCode(int a, int b);

using Clock = std::chrono::steady_clock;

// Where every line goes: -q keeps errors only, --json makes stdout JSON lines only, -v adds the
// frames. Several bus threads print through it, a line at a time.
class Output {
public:
    bool Quiet = false;
    bool Verbose = false;
    bool Json = false;

    void info(const QString& s);
    void error(const QString& s);
    // A hint after an error: not the error itself.
    void hint(const QString& s);
    void warning(const QString& s);
    void frame(const QString& s);
    void json(const QJsonObject& o);
    // Every run ends with a result object for the program that reads the lines, also one that
    // failed before any device was asked (a wrong command line too), or a command without
    // figures of its own.
    void finalJson(const std::string& command, int code);
    // The progress bar shares stderr with the errors.
    std::unique_lock<std::mutex> lockStderr() { return std::unique_lock<std::mutex>(FLock); }

private:
    void line(FILE* to, const QString& s);
    std::mutex FLock;
    QString FLastError;
    bool FFinalSent = false;
};

extern Output g_out;

void out(const QString& s);
void err(const QString& s);
// Reports a wrong command line (why may be empty) and returns the usage exit code.
int usage(const std::string& why);
QString oneLine(QString text);

}  // namespace zcli
