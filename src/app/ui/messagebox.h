#pragma once
#include "base/messageservice.h"

// The program's message boxes: modal QMessageBox with the application title as caption.
class QMessageBoxService : public MessageService {
public:
    void show(MsgKind kind, const QString& text) override;
    void showCaptioned(MsgKind kind, const QString& caption, const QString& text) override;
    bool askYesNo(const QString& text, AskIcon icon) override;
};

// Message texts keep the line breaks of the program's resource strings ("\r\n").
QString MessageBoxText(const QString& text);
