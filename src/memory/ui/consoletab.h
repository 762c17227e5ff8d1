#pragma once
#include "tabhost/ui/panel.h"

class QLineEdit;
class QPushButton;
class QTextEdit;

// The "Команды" tab: one raw command with a hexadecimal payload to the selected device, the
// request and the answer logged as hexadecimal bytes.
class TConsoleTab : public TPanel {
    Q_OBJECT
public:
    explicit TConsoleTab(TPanelHost& host, QWidget* parent = nullptr);

    QLineEdit* EditCmd = nullptr;
    QLineEdit* EditData = nullptr;
    QPushButton* btnSendData = nullptr;
    QPushButton* btnClearAnswers = nullptr;
    QTextEdit* MemoAnswer = nullptr;

    void btnSendDataClick();
    void btnClearAnswersClick();

private:
    void markInvalid(QLineEdit* edit, bool invalid, const QString& why);
};
