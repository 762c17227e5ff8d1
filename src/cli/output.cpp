#include "cli/output.h"

#include <cstdio>

#include <QJsonDocument>

namespace zcli {

Output g_out;

void Output::info(const QString& s)
{
    if (Quiet || Json)
        return;
    line(stdout, s);
}

void Output::error(const QString& s)
{
    {
        std::lock_guard lock(FLock);
        FLastError = s;
    }
    line(stderr, QStringLiteral("zevanta-cli: ") + s);
}

void Output::hint(const QString& s)
{
    line(stderr, QStringLiteral("zevanta-cli: ") + s);
}

void Output::warning(const QString& s)
{
    if (!Quiet)
        line(stderr, QStringLiteral("zevanta-cli: ") + s);
}

void Output::frame(const QString& s)
{
    if (Verbose && !Json)
        line(stdout, s);
}

void Output::json(const QJsonObject& o)
{
    if (!Json)
        return;
    const QString type = o.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("result") || type == QLatin1String("summary")) {
        std::lock_guard lock(FLock);
        FFinalSent = true;
    }
    line(stdout, QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)));
}

void Output::finalJson(const std::string& command, int code)
{
    QString why;
    {
        std::lock_guard lock(FLock);
        if (!Json || FFinalSent)
            return;
        why = FLastError;
    }
    QJsonObject o{{QStringLiteral("type"), QStringLiteral("result")}, {QStringLiteral("outcome"), outcomeWord(code)}};
    if (!command.empty())
        o.insert(QStringLiteral("command"), QString::fromStdString(command));
    if (code != kExitOk)
        o.insert(code == kExitUsage ? QStringLiteral("error") : QStringLiteral("detail"), why);
    json(o);
}

void Output::line(FILE* to, const QString& s)
{
    std::lock_guard lock(FLock);
    std::fputs(s.toLocal8Bit().constData(), to);
    std::fputc('\n', to);
    std::fflush(to);
}

QString outcomeWord(int code)
{
    switch (code) {
    case kExitOk: return QStringLiteral("ok");
    case kExitUsage: return QStringLiteral("usage");
    case kExitDifferent: return QStringLiteral("different");
    case kExitFile: return QStringLiteral("file");
    case kExitInterrupted: return QStringLiteral("interrupted");
    }
    return QStringLiteral("failed");
}

int worseCode(int a, int b)
{
    // A difference is an answer; a silent device or an unusable file leaves the board unknown.
    const auto rank = [](int code) {
        switch (code) {
        case kExitOk: return 0;
        case kExitDifferent: return 1;
        case kExitFailed: return 2;
        case kExitFile: return 3;
        case kExitUsage: return 4;
        case kExitInterrupted: return 5;
        }
        return 2;
    };
    return rank(a) >= rank(b) ? a : b;
}

void out(const QString& s)
{
    g_out.info(s);
}

void err(const QString& s)
{
    g_out.error(s);
}

int usage(const std::string& why)
{
    if (!why.empty())
        err(QString::fromStdString(why));
    g_out.hint(QStringLiteral("справка: zevanta-cli --help"));
    return kExitUsage;
}

QString oneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
}

}  // namespace zcli
