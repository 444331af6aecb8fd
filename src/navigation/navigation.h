// Navigation aids: the folder playlist, bookmarks and their file, the A-B loop and favourites.
#pragma once

#include <windows.h>

void BuildPlaylist();
int  AddFolderMatches(const char *extension);
void StepPlaylist(int delta);
void NextClip();
void PreviousClip();

void LoadBookmarks();
void SaveBookmarks();
void AddBookmark();
void DeleteNextBookmark();
void JumpNextBookmark();
void JumpPreviousBookmark();

void MarkABPoint();
void CancelABLoop();

void AddFavourite();
