#pragma once
#include <initializer_list>

#include "link/deviceinfo.h"

// A parameter list as the identification delivers it: values already rendered as text.
inline TParams paramsOf(std::initializer_list<const char*> values)
{
    TParams p;
    int i = 0;
    for (const char* v : values)
        p.Add(pkgInt, QStringLiteral("P%1").arg(i++), QString::fromUtf8(v));
    return p;
}
