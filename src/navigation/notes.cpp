// The notes on the current clip's marks, as the player holds them.
#include "app/player_state.h"
#include "navigation/navigation.h"

const char *NoteOfMark(REFERENCE_TIME place)
{
    for (int i = 0; i < gnNotes; i++)
        if (gNotes[i].place == place)
            return gNotes[i].text;
    return NULL;
}
