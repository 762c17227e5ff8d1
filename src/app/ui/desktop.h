#pragma once
#include <QObject>
#include <QPointer>

class QCoreApplication;
class QSocketNotifier;
class QWidget;

// Qt's own texts (Yes/No, file dialogs, context menus) in Russian, from the Qt translations of
// the system. False when they are not installed; the program then runs with Qt's English texts.
bool LoadQtTranslations(QCoreApplication& app);

// SIGTERM, SIGINT and SIGHUP reach the event loop as Received(); outside the loop a signal only
// writes one byte, as nothing else is safe in a handler. One instance per process.
class TQuitSignals : public QObject {
    Q_OBJECT
public:
    explicit TQuitSignals(QObject* parent = nullptr);
    ~TQuitSignals() override;
    bool IsActive() const { return FNotifier != nullptr; }

signals:
    void Received(int signal);

private:
    void readSignal();
    QSocketNotifier* FNotifier = nullptr;
};

// From now on every modal dialog is rejected as soon as it is in front: after a quit signal no
// question of the start-up and no box of the closing window may wait for a user who has gone.
void DismissModalsFromNowOn();

// Closes `window` as its close button does, once every modal dialog in front of it has gone:
// each one is rejected (a transfer's progress window cancels its transfer and ends with it).
void CloseWhenModalsEnd(QWidget* window);
