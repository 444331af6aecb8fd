// The application shell: start-up, the main window's dispatch, title and menus, the last-clip record
// and the clipboard.
#pragma once

#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeysDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FormatKeyList(char *text, size_t size);   // "input<Tab>meaning" lines, from the dispatch tables
void ShowKeys();
void BringForward(HWND window, UINT activation);   // the keys window or the list of marks; 0 or SWP_NOACTIVATE

void UpdateTitle();
void CheckSizeItem(int command);
// The clip's menu items: none without a clip, the transport for sound alone, all for video.
enum ClipMenus { NoClipMenus, AudioClipMenus, VideoClipMenus };
void EnableClipMenus(ClipMenus menus);

void TakeCommandLinePath(const char *commandLine);
void CopyTime();

// The user's own key, which holds the last-clip record and the choices of the Control menu.
extern const char kLastClipKey[];
void SaveLastClip();
void SaveLastPosition();
void LoadLastClip();

// The user's REG_DWORD values in that key; one that is missing or of another type reads as 0.
DWORD ReadUserSetting(const char *name);
void  WriteUserSetting(const char *name, DWORD value);

// Control from other programs, the rewind on resume and the foot pedals.
void LoadControlSettings();   // once the main window and its menu exist
void ToggleGlobalKeys();
void SetRewindSeconds(int seconds);
void ReleaseControl();        // as the main window ends: every hot key and the pedals let go
int  HotKeyCount();
UINT HotKeyAt(int index, const char **name);   // the virtual key, which is also its hot key's id
void HoldHotKeys();
void ReleaseHotKeys();
void ListenToPedals();        // in the background while gbGlobalKeys, else only with the focus
void StopListeningToPedals();
void ReadPedals(HRAWINPUT input);
void PressPedals(BYTE held);  // PedalBits now down
void LoseFocusedPedals();
