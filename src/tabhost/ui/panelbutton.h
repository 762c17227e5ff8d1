#pragma once
#include <QPushButton>
#include <QStyle>

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

// A small icon button of a list's tool row; its hint is also its accessible name.
inline QPushButton* PanelIconButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& hint)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFixedSize(30, 26);
    return b;
}
