// The application shell: start-up, the main window's dispatch, title and menus, the last-clip record
// and the clipboard.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeysDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FormatKeyList(char *text, size_t size);   // "input<Tab>meaning" lines, from the dispatch tables
void ShowKeys();
void BringKeysForward(UINT activation);   // 0 or SWP_NOACTIVATE

void UpdateTitle();
void CheckSizeItem(int command);
// The clip's menu items: none without a clip, the transport for sound alone, all for video.
enum ClipMenus { NoClipMenus, AudioClipMenus, VideoClipMenus };
void EnableClipMenus(ClipMenus menus);

void TakeCommandLinePath(const char *commandLine);
void CopyTime();

void SaveLastClip();
void SaveLastPosition();
void LoadLastClip();
