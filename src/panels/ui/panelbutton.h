#pragma once
#include <QPushButton>

// A push button named for the tests and the accessibility walk; a non-zero tag puts it in that
// control group.
inline QPushButton* PanelButton(QWidget* parent, const QString& text, const char* name, int tag = 0)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    if (tag)
        b->setProperty("tag", tag);
    return b;
}
