/* Stand-in for the shell's drag-and-drop header: a drop is a list of paths the desktop hands over. */
#pragma once

#include <windows.h>

DECLARE_STANDIN_HANDLE(HDROP);

void DragAcceptFiles(HWND hwnd, BOOL accept);
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT length);
void DragFinish(HDROP drop);
