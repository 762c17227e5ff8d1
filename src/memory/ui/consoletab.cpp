#include "memory/ui/consoletab.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "base/messages.h"
#include "memory/console.h"

namespace {

// Typed text goes in as upper case.
QLineEdit* upperEdit(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString& text) {
        const QString upper = text.toUpper();
        if (upper != text) {
            const int pos = e->cursorPosition();
            e->setText(upper);
            e->setCursorPosition(pos);
        }
    });
    return e;
}

// One log line as plain text ("<-- 05" must not be taken for markup).
void addLine(QTextEdit* memo, const QString& line)
{
    QTextCursor c(memo->document());
    c.movePosition(QTextCursor::End);
    if (!memo->document()->isEmpty())
        c.insertBlock();
    c.insertText(line);
}

}  // namespace

TConsoleTab::TConsoleTab(TPanelHost& host, QWidget* parent) : TPanel(host, parent)
{
    setObjectName(QStringLiteral("ConsoleTab"));
    EditCmd = upperEdit(this, "EditCmd");
    EditCmd->setMaximumWidth(120);
    EditCmd->setPlaceholderText(Msg::ConsoleCmdPlaceholder);
    EditData = upperEdit(this, "EditData");
    EditData->setPlaceholderText(Msg::ConsoleDataPlaceholder);
    btnSendData = new QPushButton(Msg::ConsoleSend, this);
    btnSendData->setObjectName(QStringLiteral("btnSendData"));
    btnSendData->setToolTip(Msg::ConsoleSendHint);
    ControlGroups::Tag(btnSendData, cgPresent);
    btnClearAnswers = new QPushButton(Msg::ConsoleClear, this);
    btnClearAnswers->setObjectName(QStringLiteral("btnClearAnswers"));
    btnClearAnswers->setToolTip(Msg::ConsoleClearHint);
    ControlGroups::Tag(btnClearAnswers, cgPresent);
    MemoAnswer = new QTextEdit(this);
    MemoAnswer->setObjectName(QStringLiteral("MemoAnswer"));
    MemoAnswer->setAcceptRichText(true);
    MemoAnswer->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoAnswer->setLineWrapMode(QTextEdit::WidgetWidth);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    MemoAnswer->setFont(mono);

    connect(btnSendData, &QPushButton::clicked, this, [this] { btnSendDataClick(); });
    connect(btnClearAnswers, &QPushButton::clicked, this, [this] { btnClearAnswersClick(); });

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Msg::ConsoleCmd, this), 0, 0);
    grid->addWidget(EditCmd, 0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(Msg::ConsoleData, this), 1, 0);
    grid->addWidget(EditData, 1, 1);
    grid->addWidget(btnSendData, 1, 2);
    grid->addWidget(btnClearAnswers, 1, 3);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(grid);
    layout->addWidget(new QLabel(Msg::ConsoleAnswer, this));
    layout->addWidget(MemoAnswer, 1);
}

void TConsoleTab::btnSendDataClick()
{
    // Nothing goes out unless both fields say exactly what to send: an empty or misread
    // command field would otherwise send command 0, a reset.
    const auto cmd = console::ParseCommand(EditCmd->text());
    const auto payload = console::ParseData(EditData->text());
    markInvalid(EditCmd, !cmd, Msg::ConsoleCmdInvalid);
    markInvalid(EditData, !payload, Msg::ConsoleDataInvalid);
    if (!cmd || !payload) {
        (cmd ? EditData : EditCmd)->setFocus();
        return;
    }

    TPresencePause pause(Host.Session());

    EditCmd->setText(cmd->text);
    EditData->setText(payload->text);
    addLine(MemoAnswer, console::RequestLine(cmd->cmd, payload->bytes));

    // Silent: the log says "Error", no box.
    const TExchangeResult r = Host.Session().Send(cmd->cmd, payload->bytes);
    if (r.Accepted())
        addLine(MemoAnswer, console::AnswerLine(true, r.Answer.data(), uint16_t(r.Answer.size())));
    else
        addLine(MemoAnswer, console::AnswerLine(false, nullptr, 0));
    addLine(MemoAnswer, QString());
    MemoAnswer->moveCursor(QTextCursor::End);
    MemoAnswer->ensureCursorVisible();
}

void TConsoleTab::markInvalid(QLineEdit* edit, bool invalid, const QString& why)
{
    // The property drives the red frame; the tooltip says what the field takes.
    edit->setProperty("invalid", invalid);
    edit->setStyleSheet(invalid ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }") : QString());
    edit->setToolTip(invalid ? why : QString());
}

void TConsoleTab::btnClearAnswersClick()
{
    MemoAnswer->clear();
}
