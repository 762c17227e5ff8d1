#pragma once
#include <functional>

#include <QObject>
#include <QStringList>

class QAbstractButton;
class QWidget;

// Lets a tab take a file dropped on it as if it had been chosen with its "Открыть..." button:
// one local file of the tab's kinds, and only while that button could be clicked. Anything else
// is not accepted, so the cursor says so before the drop.
class TFileDrop : public QObject {
    Q_OBJECT
public:
    // suffixes: lower case, no dot. open: the tab's loading of a chosen file.
    TFileDrop(QWidget* target, QAbstractButton* openButton, const QStringList& suffixes,
              std::function<void(const QString&)> open);

    // The open button could be clicked: enabled, and no modal window (a transfer's progress, a
    // question) blocks the main window.
    static bool CanOpen(const QAbstractButton* openButton);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractButton* FOpenButton;
    QStringList FSuffixes;
    std::function<void(const QString&)> FOpen;
};
