#pragma once
#include <bitset>
#include <cstdint>
#include <vector>

// The DataFlash pages the next page transfer moves: distinct page numbers in the order they were
// first added. Only pages the route image holds are accepted, so a transfer never reaches past it.
class TPageList {
public:
    void Clear();
    // Appends the page unless it is already listed; false for a page outside the image.
    bool AddPage(int page);
    // The pages of the route records: 12 for 96 slots, 6 for 48.
    void AddRouteTablePages(int maxRoutes);
    // The 85 pages of the turn records of one slot (from 1); nothing for a slot outside 1..maxRoutes.
    void AddRouteTurnPages(int maxRoutes, int slot);

    const std::vector<uint16_t>& Pages() const { return FPages; }
    int Count() const { return int(FPages.size()); }
    bool IsEmpty() const { return FPages.empty(); }
    bool Contains(int page) const;

private:
    std::vector<uint16_t> FPages;
    std::bitset<65536> FListed;
};
