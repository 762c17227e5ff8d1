#include "app/restart.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include "base/messages.h"

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>

#include <QFile>
#endif

bool RestartProgram(bool closeMain, const QString& program, const QStringList& arguments,
                    const std::function<void()>& closeMainWindow, QString* errorText)
{
    QStringList args = arguments;
    TakeWaitPid(args);
    args.prepend(QString::number(QCoreApplication::applicationPid()));
    args.prepend(WaitPidOption);

    // Started before the window closes: if it cannot start, the user still has the program.
    if (!QProcess::startDetached(program, args)) {
        if (errorText)
            *errorText = Msg::FileSystemError;
        return false;
    }
    if (errorText)
        errorText->clear();
    if (closeMain && closeMainWindow)
        closeMainWindow();
    return !closeMain;
}

std::optional<qint64> TakeWaitPid(QStringList& arguments)
{
    std::optional<qint64> pid;
    for (qsizetype i = 0; i < arguments.size();) {
        if (arguments[i] != WaitPidOption) {
            ++i;
            continue;
        }
        if (i + 1 < arguments.size()) {
            bool ok = false;
            const qint64 value = arguments[i + 1].toLongLong(&ok);
            if (ok && value > 0)
                pid = value;
            arguments.remove(i, 2);
        } else {
            arguments.remove(i);
        }
    }
    return pid;
}

bool ProcessIsRunning(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_WIN
    HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!h)
        return GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return running;
#else
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
#ifdef Q_OS_LINUX
    // An ended process that its parent has not reaped yet still answers kill(); it holds nothing.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        if (close >= 0 && close + 2 < line.size() && (line[close + 2] == 'Z' || line[close + 2] == 'X'))
            return false;
    }
#endif
    return true;
#endif
}

bool WaitForParentExit(qint64 pid, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (ProcessIsRunning(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}
