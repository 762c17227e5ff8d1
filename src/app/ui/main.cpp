#include <cstdio>

#include <QApplication>

#include "app/ui/application.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zevanta"));
    const int rc = RunProgram(app);
    // Tests read which threads outlived the run (only the main thread should).
    if (app.arguments().contains(QStringLiteral("--quit-after-identify")))
        std::fprintf(stderr, "zevanta: threads at exit: %s\n", qPrintable(LiveThreadNames().join(u',')));
    return rc;
}
