/* Shared between the stand-in's own files; tests use standin.h. */
#pragma once

#include <standin.h>

namespace standin {
void ResetGdiAndMenus();
void ResetSystem();
void ResetFilesAndRegistry();
void ResetFilterGraph();
void ResetOpenDialog();
void ResetClipboard();
HMENU LoadMenuResource(UINT id);
void ExpectFilesClosed();
void ExpectGraphsReleased();
void PutInFront(HWND hwnd);
void PostGraphNotification(HWND hwnd, UINT message, LONG_PTR instance);
}
