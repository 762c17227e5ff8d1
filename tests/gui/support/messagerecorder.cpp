#include "support/messagerecorder.h"

MessageRecorder::MessageRecorder()
{
    FPrevious = MessageService::install(this);
}

MessageRecorder::~MessageRecorder()
{
    MessageService::install(FPrevious);
}

void MessageRecorder::show(MsgKind kind, const QString& text)
{
    showCaptioned(kind, QString(), text);
}

void MessageRecorder::showCaptioned(MsgKind kind, const QString& caption, const QString& text)
{
    const char* k = kind == MsgKind::Information ? "info" : kind == MsgKind::Warning ? "warning" : "error";
    FBoxes.push_back({QLatin1String(k), text, caption});
}

bool MessageRecorder::askYesNo(const QString& text, AskIcon)
{
    FBoxes.push_back({QStringLiteral("ask"), text, QString()});
    if (FAnswers.empty())
        return false;
    const bool yes = FAnswers.front();
    FAnswers.pop_front();
    return yes;
}

QStringList MessageRecorder::texts() const
{
    QStringList list;
    for (const Box& b : FBoxes)
        list << b.text;
    return list;
}
