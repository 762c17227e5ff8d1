#pragma once
#include <functional>

#include <QMenu>

class QAbstractButton;
class TRecentFiles;

// A tab's submenu of its recent files: one numbered entry per file, rebuilt whenever the list
// changes. A chosen entry opens as the tab's "Открыть..." would (and only while that button could
// be clicked); one whose file is gone leaves the list with a message.
class TRecentMenu : public QMenu {
    Q_OBJECT
public:
    TRecentMenu(const QString& title, TRecentFiles& files, QAbstractButton* openButton,
                std::function<void(const QString&)> open, QWidget* parent);

    void Rebuild();
    // What choosing entry `index` does.
    void Choose(int index);

private:
    TRecentFiles& FFiles;
    QAbstractButton* FOpenButton;
    std::function<void(const QString&)> FOpen;
};
