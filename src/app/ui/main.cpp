#include <cstdio>
#include <cstring>

#include <QApplication>

#include "app/ui/application.h"
#include "map/ui/frmmap.h"
#include "versiondefs.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        // Terminal answers: no display needed.
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zevanta %s\n", ZEVANTA_VERSION_STRING);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(qPrintable(ProgramUsage()), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--log") == 0) {
            QCoreApplication app(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("Zevanta"));
            const TProgramOptions options = ParseProgramOptions(app.arguments().mid(1));
            if (!options.error.isEmpty()) {
                std::fprintf(stderr, "zevanta: %s\n%s", qPrintable(options.error), qPrintable(ProgramUsage()));
                return 2;
            }
            return PrintEventLog(options);
        }
    }
    // The map window's browser shares its drawing contexts; that must be said before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zevanta"));
    TfrmMap::Install();
    const int rc = RunProgram(app);
    // Tests read which threads outlived the run (only the main thread should).
    if (app.arguments().contains(QStringLiteral("--quit-after-identify")))
        std::fprintf(stderr, "zevanta: threads at exit: %s\n", qPrintable(LiveThreadNames().join(u',')));
    return rc;
}
