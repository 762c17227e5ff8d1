#pragma once
#include <QString>

// Every message box of the program goes through here, so that tests can record them and answer
// questions from a script instead of blocking on a modal box. The GUI installs the real one.
enum class MsgKind { Information, Warning, Error };
enum class AskIcon { Question, Warning, Error };

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual void show(MsgKind kind, const QString& text) = 0;
    virtual bool askYesNo(const QString& text, AskIcon icon) = 0;  // true for Yes
    // A box whose caption is its own text instead of the application title.
    virtual void showCaptioned(MsgKind kind, const QString& caption, const QString& text)
    {
        Q_UNUSED(caption);
        show(kind, text);
    }

    // The service in use; a silent default (answers No) until one is installed.
    static MessageService& instance();
    // Installs a service (not owned); nullptr restores the default. Returns the previous one.
    static MessageService* install(MessageService* service);
};

inline void ShowMessage(MsgKind kind, const QString& text)
{
    MessageService::instance().show(kind, text);
}
inline void ShowMessage(MsgKind kind, const QString& text, const QString& caption)
{
    MessageService::instance().showCaptioned(kind, caption, text);
}
inline bool AskYesNo(const QString& text, AskIcon icon = AskIcon::Question)
{
    return MessageService::instance().askYesNo(text, icon);
}
