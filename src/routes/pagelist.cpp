#include "routes/pagelist.h"

#include "routes/routerecords.h"

using namespace RouteLayout;

namespace {
int firstTurnPage(int maxRoutes)
{
    return HeaderPages + maxRoutes * RouteRecordSize / PageSize;
}
}  // namespace

void TPageList::Clear()
{
    FPages.clear();
    FListed.reset();
}

bool TPageList::AddPage(int page)
{
    if (page < 0 || page >= PageCount)
        return false;
    if (!FListed.test(size_t(page))) {
        FListed.set(size_t(page));
        FPages.push_back(uint16_t(page));
    }
    return true;
}

bool TPageList::Contains(int page) const
{
    return page >= 0 && page < PageCount && FListed.test(size_t(page));
}

void TPageList::AddRouteTablePages(int maxRoutes)
{
    for (int p = HeaderPages; p < firstTurnPage(maxRoutes); ++p)
        AddPage(p);
}

void TPageList::AddRouteTurnPages(int maxRoutes, int slot)
{
    if (slot < 1 || slot > maxRoutes)
        return;
    const int first = firstTurnPage(maxRoutes) + (slot - 1) * TurnAreaPages;
    for (int i = 0; i < TurnAreaPages; ++i)
        AddPage(first + i);
}
