#include "app/ui/desktop.h"

#include <QApplication>
#include <QDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>
#include <QTranslator>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#endif

bool LoadQtTranslations(QCoreApplication& app)
{
    // The interface is Russian whatever the desktop's language is.
    auto* qt = new QTranslator(&app);
    if (!qt->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qt"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}

#ifdef Q_OS_UNIX
namespace {

int gSignalFd[2] = {-1, -1};
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int sig)
{
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(gSignalFd[0], &b, 1);
}

}  // namespace

TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent)
{
    if (gSignalFd[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalFd) != 0)
        return;
    ::fcntl(gSignalFd[0], F_SETFL, O_NONBLOCK);  // a flood of signals must not block the handler
    FNotifier = new QSocketNotifier(gSignalFd[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TQuitSignals::readSignal);
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &sa, nullptr);
}

TQuitSignals::~TQuitSignals()
{
    if (!FNotifier)
        return;
    for (int s : kSignals)
        ::signal(s, SIG_DFL);
    ::close(gSignalFd[0]);
    ::close(gSignalFd[1]);
    gSignalFd[0] = gSignalFd[1] = -1;
}

void TQuitSignals::readSignal()
{
    unsigned char b = 0;
    if (::read(gSignalFd[1], &b, 1) == 1)
        emit Received(b);
}
#else
TQuitSignals::TQuitSignals(QObject* parent) : QObject(parent) {}
TQuitSignals::~TQuitSignals() = default;
void TQuitSignals::readSignal() {}
#endif

namespace {

void dismiss(QWidget* modal)
{
    if (auto* dlg = qobject_cast<QDialog*>(modal))
        dlg->reject();
    else
        modal->close();
}

}  // namespace

void DismissModalsFromNowOn()
{
    static QTimer* timer = nullptr;
    if (timer)
        return;
    // Owned by the application: it runs until the event loops have ended.
    timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, timer, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            dismiss(modal);
    });
    QObject::connect(timer, &QObject::destroyed, [] { timer = nullptr; });
    timer->start();
}

void CloseWhenModalsEnd(QWidget* window)
{
    QPointer<QWidget> w(window);
    if (!w)
        return;
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != w) {
        dismiss(modal);
        // Its exec() has to return before the window below may close; a transfer may take a
        // moment to stop.
        QTimer::singleShot(50, w, [w] { CloseWhenModalsEnd(w); });
        return;
    }
    w->close();
}
