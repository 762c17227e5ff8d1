#pragma once
#include <cstdint>

#include <QString>

#include "base/numbertext.h"
#include "link/deviceinfo.h"

namespace panels {

// PanelInt of the value of parameter `n` (a parameter that is not there gives `def`).
int64_t ParamInt(const TParams& params, int n, int64_t def);
// The same with "$" put in front: the device sends these values as bare hexadecimal digits.
int64_t ParamHex(const TParams& params, int n, int64_t def);

// Byte with bit k − 1 set for every lit indicator k (at most eight).
template <class Bools>
uint8_t BitsOf(const Bools& lit)
{
    uint8_t b = 0;
    for (size_t k = 0; k < lit.size() && k < 8; ++k)
        if (lit[k])
            b = uint8_t(b | (1u << k));
    return b;
}

}  // namespace panels
