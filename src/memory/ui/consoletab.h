#pragma once
#include <QWidget>

#include "memory/ui/memorycontext.h"

class QLineEdit;
class QPushButton;
class QTextEdit;

// The "Команды" tab: one raw command with a hexadecimal payload to the selected device, the
// request and the answer logged as hexadecimal bytes.
class TConsoleTab : public QWidget {
    Q_OBJECT
public:
    TConsoleTab(TMemoryContext& ctx, QWidget* parent = nullptr);

    QLineEdit* EditCmd = nullptr;
    QLineEdit* EditData = nullptr;
    QPushButton* btnSendData = nullptr;
    QPushButton* btnClearAnswers = nullptr;
    QTextEdit* MemoAnswer = nullptr;

    void btnSendDataClick();
    void btnClearAnswersClick();

private:
    void markInvalid(QLineEdit* edit, bool invalid, const QString& why);

    TMemoryContext& FCtx;
};
