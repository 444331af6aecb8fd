// The in-memory favourites: clip and position, collected for this run only.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "support/support.h"

void AddFavourite()
{
    if (!pMC || !pMS || gnFavourites >= MAX_FAVOURITES)
        return;
    REFERENCE_TIME position = CurrentPosition();
    if (!gszFileName[0])
        return;
    FavouriteRecord *record = &gFavourites[gnFavourites];
    record->rtPosition = position;
    SplitPath(gszFileName, record->szFileName, record->szFolder);
    lstrcpynA(record->szDescription, "Empty for now", MAX_DESCRIPTION);
    gnFavourites++;
}
