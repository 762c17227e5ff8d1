#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "routes/routerecords.h"

// The route-guidance unit's DataFlash as one byte image of the larger (32-Mbit) part, plus the
// route capacity of the unit it was last checked against. Byte i of page p is Data()[p * 528 + i].
// Main thread only, except that a running page transfer reads or fills the pages it moves.
class TRouteImage {
public:
    TRouteImage();

    uint8_t* Data() { return FBytes.data(); }
    const uint8_t* Data() const { return FBytes.data(); }
    size_t Size() const { return FBytes.size(); }
    // What a page transfer reads or fills.
    std::span<uint8_t> Span() { return FBytes; }
    // nullptr for a page the image does not hold.
    uint8_t* Page(int page);
    const uint8_t* Page(int page) const;
    void Fill(uint8_t value);

    // Route slots of the unit: 96 until a 16-Mbit part has been seen.
    uint16_t MaxRoutes() const { return FMaxRoutes; }

    // Evaluates the format marker in page 0 of the image. True for a formatted memory, and then
    // MaxRoutes follows the marker; false leaves MaxRoutes as it was.
    bool ApplyFormatMarker();

    // Slots count from 1, turns from 1. A slot or turn outside the unit's layout is refused
    // (reads give false, writes do nothing) so that no call reaches past its area.
    // ReadRoute is true only for a record whose number matches its slot; it forces the name
    // terminators, since the unit may have left anything behind them.
    bool ReadRoute(int slot, TRouteRecord& route) const;
    void WriteRoute(int slot, const TRouteRecord& route);
    // A turn record has no validity mark: read only as many as the route record counts.
    bool ReadTurn(int slot, int turn, TTurnRecord& record) const;
    void WriteTurn(int slot, int turn, const TTurnRecord& record);

    // Byte offsets of the records in the image (and in the unit), or -1 outside the layout.
    long RouteOffset(int slot) const;
    long TurnOffset(int slot, int turn) const;

private:
    std::vector<uint8_t> FBytes;
    uint16_t FMaxRoutes = RouteLayout::DefaultMaxRoutes;
};

// The route capacity that the five marker bytes at the start of page 0 announce, or nothing for a
// memory that was never formatted. size is how many bytes `header` holds.
std::optional<uint16_t> MaxRoutesFromMarker(const uint8_t* header, size_t size);
