// Overviews kept for the next open of the same file, in the user's local application data.
#include "engine/overview.h"

bool ReadCachedOverview(const WCHAR *, OverviewBlocks *)
{
    return false;
}

void CacheOverview(const WCHAR *, const OverviewBlocks *)
{
}
