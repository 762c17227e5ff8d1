#include "routes/routeimage.h"

#include <algorithm>
#include <cstring>

using namespace RouteLayout;

TRouteImage::TRouteImage() : FBytes(ImageSize, 0xFF) {}

uint8_t* TRouteImage::Page(int page)
{
    return page >= 0 && page < PageCount ? FBytes.data() + size_t(page) * PageSize : nullptr;
}

const uint8_t* TRouteImage::Page(int page) const
{
    return page >= 0 && page < PageCount ? FBytes.data() + size_t(page) * PageSize : nullptr;
}

void TRouteImage::Fill(uint8_t value)
{
    std::fill(FBytes.begin(), FBytes.end(), value);
}

bool TRouteImage::ApplyFormatMarker()
{
    const auto capacity = MaxRoutesFromMarker(FBytes.data(), PageSize);
    if (!capacity)
        return false;
    FMaxRoutes = *capacity;
    return true;
}

long TRouteImage::RouteOffset(int slot) const
{
    if (slot < 1 || slot > FMaxRoutes)
        return -1;
    return long(HeaderSize) + long(slot - 1) * RouteRecordSize;
}

long TRouteImage::TurnOffset(int slot, int turn) const
{
    if (slot < 1 || slot > FMaxRoutes || turn < 1 || turn > MaxTurns)
        return -1;
    return long(HeaderSize) + long(FMaxRoutes) * RouteRecordSize + long(slot - 1) * TurnAreaSize +
           long(turn - 1) * TurnRecordSize;
}

bool TRouteImage::ReadRoute(int slot, TRouteRecord& route) const
{
    const long at = RouteOffset(slot);
    if (at < 0)
        return false;
    TRouteRecord r = TRouteRecord::Decode(FBytes.data() + at);
    if (r.Number != slot)
        return false;
    r.Name1.back() = 0;
    r.Name2.back() = 0;
    r.Name3.back() = 0;
    route = r;
    return true;
}

void TRouteImage::WriteRoute(int slot, const TRouteRecord& route)
{
    const long at = RouteOffset(slot);
    if (at >= 0)
        route.Encode(FBytes.data() + at);
}

bool TRouteImage::ReadTurn(int slot, int turn, TTurnRecord& record) const
{
    const long at = TurnOffset(slot, turn);
    if (at < 0)
        return false;
    record = TTurnRecord::Decode(FBytes.data() + at);
    return true;
}

void TRouteImage::WriteTurn(int slot, int turn, const TTurnRecord& record)
{
    const long at = TurnOffset(slot, turn);
    if (at >= 0)
        record.Encode(FBytes.data() + at);
}

std::optional<uint16_t> MaxRoutesFromMarker(const uint8_t* header, size_t size)
{
    if (!header || size < 5)
        return std::nullopt;
    struct Marker {
        const char* text;
        uint16_t capacity;
    };
    static constexpr Marker markers[] = {{"*FDA*", 96}, {"*32M*", 96}, {"*16M*", 48}};
    for (const auto& m : markers)
        if (std::memcmp(header, m.text, 5) == 0)
            return m.capacity;
    return std::nullopt;
}
