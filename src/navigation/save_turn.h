// The two files beside a clip, the bookmark file and the notes file, are saved alike: one instance
// at a time (save_turn.cpp), and each write whole (support/whole_file.cpp).
#pragma once

#include <windows.h>

// Takes the clip's one turn to save, the bookmark file's name with "~" for its last letter, held
// from the read to the replace of either file. False only when another save kept it for all of
// the tries; where no turn file can be made at all (a read-only folder), *turn is invalid and the
// save goes on to meet the refusal itself.
bool TakeSaveTurn(const char *bookmarkFile, HANDLE *turn);
void EndSaveTurn(HANDLE turn);
