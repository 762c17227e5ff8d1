#include "memory/ui/recentmenu.h"

#include <QDir>

#include "base/messages.h"
#include "base/messageservice.h"
#include "base/recentfiles.h"
#include "memory/ui/filedrop.h"

TRecentMenu::TRecentMenu(const QString& title, TRecentFiles& files, QAbstractButton* openButton,
                         std::function<void(const QString&)> open, QWidget* parent)
    : QMenu(title, parent), FFiles(files), FOpenButton(openButton), FOpen(std::move(open))
{
    setToolTipsVisible(true);
    Rebuild();
}

void TRecentMenu::Rebuild()
{
    // An entry may be rebuilt away while its own triggered() runs: it goes later, not now.
    for (QAction* a : actions()) {
        removeAction(a);
        a->deleteLater();
    }
    const QStringList& files = FFiles.Files();
    if (files.isEmpty()) {
        addAction(Msg::RecentFilesEmpty)->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        QAction* a = addAction(TRecentFiles::MenuText(i, files[i]));
        a->setToolTip(QDir::toNativeSeparators(files[i]));
        connect(a, &QAction::triggered, this, [this, i] { Choose(i); });
    }
}

void TRecentMenu::Choose(int index)
{
    if (!TFileDrop::CanOpen(FOpenButton))
        return;
    QString missing;
    const std::optional<QString> path = FFiles.Take(index, &missing);
    if (!path) {
        Rebuild();
        if (!missing.isEmpty())
            ShowMessage(MsgKind::Warning, missing);
        return;
    }
    FOpen(*path);
}
