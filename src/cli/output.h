#pragma once
#include <chrono>
#include <mutex>
#include <string>

#include <QJsonObject>
#include <QString>

namespace zcli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

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
    // failed before any device was asked, or a command without figures of its own.
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
