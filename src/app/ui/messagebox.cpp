#include "app/ui/messagebox.h"

#include <QApplication>
#include <QMessageBox>

#include "base/messages.h"

QString MessageBoxText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

void QMessageBoxService::show(MsgKind kind, const QString& text)
{
    showCaptioned(kind, Msg::AppTitle, text);
}

void QMessageBoxService::showCaptioned(MsgKind kind, const QString& caption, const QString& text)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    if (kind == MsgKind::Warning)
        icon = QMessageBox::Warning;
    else if (kind == MsgKind::Error)
        icon = QMessageBox::Critical;
    QMessageBox box(icon, caption, MessageBoxText(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QMessageBoxService::askYesNo(const QString& text, AskIcon icon)
{
    QMessageBox::Icon i = QMessageBox::Question;
    if (icon == AskIcon::Warning)
        i = QMessageBox::Warning;
    else if (icon == AskIcon::Error)
        i = QMessageBox::Critical;
    QMessageBox box(i, Msg::AppTitle, MessageBoxText(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}
