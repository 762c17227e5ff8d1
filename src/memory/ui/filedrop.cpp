#include "memory/ui/filedrop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include "base/fileio.h"

TFileDrop::TFileDrop(QWidget* target, QAbstractButton* openButton, const QStringList& suffixes,
                     std::function<void(const QString&)> open)
    : QObject(target), FOpenButton(openButton), FSuffixes(suffixes), FOpen(std::move(open))
{
    target->setAcceptDrops(true);
    target->installEventFilter(this);
}

bool TFileDrop::CanOpen(const QAbstractButton* openButton)
{
    return openButton && openButton->isEnabled() && !QApplication::activeModalWidget();
}

bool TFileDrop::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched != parent() || (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop))
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    const QString path = data ? fileio::DroppedFile(data->urls(), FSuffixes) : QString();
    if (path.isEmpty() || !CanOpen(FOpenButton)) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        FOpen(path);
    return true;
}
