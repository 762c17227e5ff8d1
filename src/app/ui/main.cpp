#include <QApplication>

#include "app/ui/application.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zevanta"));
    return RunProgram(app);
}
