#pragma once
// The picture makers of the documentation: QtTest objects whose slots draw the pictures, run as
// tools (never by ctest) with the folder the pictures go to as their one argument.
#include <QApplication>
#include <QtTest>

#include <cstdio>

template <class Shots>
int RunShots(int argc, char** argv)
{
    QApplication app(argc, argv);
    // As a QtTest program draws, so that the pictures look as the widget tests see the window.
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    Shots shots(QString::fromLocal8Bit(argv[1]));
    char* args[] = {argv[0], nullptr};
    return QTest::qExec(&shots, 1, args);
}
