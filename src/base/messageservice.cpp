#include "base/messageservice.h"

#include <atomic>
#include <cstdio>

namespace {

// Used when no window exists (command line, early start-up): prints and declines.
class ConsoleService : public MessageService {
public:
    void show(MsgKind, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool askYesNo(const QString& text, AskIcon) override
    {
        std::fprintf(stderr, "%s [no]\n", qPrintable(text));
        return false;
    }
};

ConsoleService g_console;
std::atomic<MessageService*> g_current{nullptr};

}  // namespace

MessageService& MessageService::instance()
{
    MessageService* s = g_current.load();
    return s ? *s : g_console;
}

MessageService* MessageService::install(MessageService* service)
{
    return g_current.exchange(service);
}
