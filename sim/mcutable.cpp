#include "sim/mcutable.h"

#include <array>

namespace zeva::sim {

namespace {

constexpr std::array<McuMemory, 20> kMcus{{
    {1, 8192, 0x0800},     {2, 16384, 0x0800},    {3, 32768, 0x0800},    {4, 65536, 0x1000},
    {5, 131072, 0x1000},   {6, 262144, 0x2000},   {7, 0x8000, 0x0800},   {8, 0x10000, 0x1000},
    {9, 0x20000, 0x1000},  {10, 16384, 0x0800},   {11, 0x20000, 0x2000}, {16, 0x10000, 0x2000},
    {17, 0x10000, 0x2000}, {18, 0x20000, 0x2000}, {19, 0x40000, 0x4000}, {20, 0x20000, 0x2000},
    {21, 0x20000, 0x2000}, {24, 0x40000, 0x2000}, {25, 0x8000, 0x1000},  {26, 0x8000, 0x1000},
}};

}  // namespace

std::optional<McuMemory> findMcu(uint8_t id)
{
    for (const auto& m : kMcus)
        if (m.id == id)
            return m;
    return std::nullopt;
}

}  // namespace zeva::sim
