#include "map/mappoint.h"

QString LabelStyle(TMapColor color)
{
    switch (color) {
    case TMapColor::Red: return QStringLiteral("Redlabel");
    case TMapColor::Blue: return QStringLiteral("Bluelabel");
    case TMapColor::Green: return QStringLiteral("Greenlabel");
    case TMapColor::Yellow: return QStringLiteral("Yellowlabel");
    case TMapColor::Gray: return QStringLiteral("Graylabel");
    }
    return QStringLiteral("Graylabel");
}
