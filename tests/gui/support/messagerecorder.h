#pragma once
#include <deque>
#include <memory>

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "base/messageservice.h"

// Replaces the message boxes while it lives: records every box and answers questions from a
// script (No once the script is used up), so no test blocks on a modal box.
class MessageRecorder : public MessageService {
public:
    struct Box {
        QString kind;  // "info", "warning", "error", "ask"
        QString text;
        QString caption;  // empty: the application title
    };

    MessageRecorder();
    ~MessageRecorder() override;

    void show(MsgKind kind, const QString& text) override;
    bool askYesNo(const QString& text, AskIcon icon) override;
    void showCaptioned(MsgKind kind, const QString& caption, const QString& text) override;

    void answer(bool yes) { FAnswers.push_back(yes); }
    const std::vector<Box>& boxes() const { return FBoxes; }
    QStringList texts() const;
    void clear() { FBoxes.clear(); }

private:
    MessageService* FPrevious = nullptr;
    std::vector<Box> FBoxes;
    std::deque<bool> FAnswers;
};

// A settings store and application-data folder of the test's own.
struct TempSettings {
    QTemporaryDir dir;
    QString iniPath() const { return dir.filePath(QStringLiteral("zevanta.ini")); }
    std::unique_ptr<QSettings> open() const { return std::make_unique<QSettings>(iniPath(), QSettings::IniFormat); }
};
