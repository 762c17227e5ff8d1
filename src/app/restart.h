#pragma once
#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

// Command-line option of a restarted copy: the pid of the instance it waits for.
inline const QString WaitPidOption = QStringLiteral("--wait-pid");

// Starts a detached copy of `program` with {WaitPidOption, our pid, arguments...} (an old
// WaitPidOption pair in `arguments` is dropped), then calls closeMainWindow when closeMain.
// Returns not closeMain once the copy has started. When it cannot be started, returns false,
// leaves the window open and sets errorText to the message for the caller's error box.
bool RestartProgram(bool closeMain, const QString& program, const QStringList& arguments,
                    const std::function<void()>& closeMainWindow, QString* errorText = nullptr);

// Removes WaitPidOption and its value from arguments; the pid when it was there and valid.
std::optional<qint64> TakeWaitPid(QStringList& arguments);

// True while the process exists and has not ended (a zombie has ended).
bool ProcessIsRunning(qint64 pid);

// Waits up to timeoutMs for the process to end; true when it has (or never existed).
bool WaitForParentExit(qint64 pid, int timeoutMs);
