// The application shell: start-up, the main window's dispatch, title and menus, the last-clip record
// and the clipboard.
#pragma once

#include <windows.h>
#include <dshow.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeysDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FormatKeyList(char *text, size_t size);   // "input<Tab>meaning" lines, from the dispatch tables
void ShowKeys();
void RefreshKeys();
void BringForward(HWND window, UINT activation);   // the keys window or the list of marks; 0 or SWP_NOACTIVATE

void UpdateTitle();
void CheckSizeItem(int command);
// The clip's menu items: none without a clip, the transport for sound alone, all for video.
enum ClipMenus { NoClipMenus, AudioClipMenus, VideoClipMenus };
void EnableClipMenus(ClipMenus menus);

void TakeCommandLinePath(const char *commandLine);
void CopyTime();

// The whole clipboard kept aside while another program copies onto it: every format's data, copied
// (a bitmap, a palette and an old metafile picture are made again by the system from the DIB and
// the enhanced metafile beside them).
static const int kMostSavedFormats = 64;
struct SavedClipboard {
    int count;                          // formats kept, 0..kMostSavedFormats
    UINT formats[kMostSavedFormats];
    HANDLE data[kMostSavedFormats];     // the player's copies until the clipboard takes them back
};
bool SaveClipboard(SavedClipboard *saved);   // false, and said, when it cannot be kept whole
void FreeSavedClipboard(SavedClipboard *saved);
// The first time in the clipboard's text, read before what was kept aside is put back (always
// given up, also when the clipboard cannot be opened, which is said).
bool ReadTimeAndRestoreClipboard(SavedClipboard *saved, REFERENCE_TIME *time);

// For notes in another program while Control from other programs is on; nothing in the player's own windows.
void FormatTypedPlace(char *text, size_t size, REFERENCE_TIME position, REFERENCE_TIME duration);   // "[m:ss] "
void TypeCurrentPlace();
void GoToSelectedTime();

// The user's own key, which holds the last-clip record and the choices of the Control menu.
extern const char kLastClipKey[];
void SaveLastClip();
void SaveLastPosition();
void LoadLastClip();

// The user's REG_DWORD values in that key; one that is missing or of another type reads as 0.
DWORD ReadUserSetting(const char *name);
void  WriteUserSetting(const char *name, DWORD value);

// Control from other programs, the rewind on resume, the loop's repeats and the foot pedals.
void LoadControlSettings();   // once the main window and its menu exist
void ToggleGlobalKeys();
void SetRewindSeconds(int seconds);
void SetLoopCount(int count);      // 0: forever
void SetLoopGap(int seconds);
void ToggleLevelling();
void SetSideHeard(int side);
void ApplySoundSettings();    // to the own source of a clip just rendered
void ReleaseControl();        // as the main window ends: every hot key and the pedals let go
int  HotKeyCount();
// A hot key's id: its virtual key, with its modifiers (MOD_CONTROL) in the byte above.
#define HOT_KEY_ID(modifiers, vk) (((modifiers) << 8) | (vk))
UINT HotKeyAt(int index, const char **name);   // its id
void HoldHotKeys();
void ReleaseHotKeys();
void ListenToPedals();        // in the background while gbGlobalKeys, else only with the focus
void StopListeningToPedals();
void ReadPedals(HRAWINPUT input);
void PressPedals(BYTE held);  // PedalBits now down
void LoseFocusedPedals();

// The lengths of the jumps, set in the Skips dialog and kept for the user.
void LoadSkipLengths();
REFERENCE_TIME SkipTime(SkipLength which);
void FormatSkipLength(char *text, size_t size, SkipLength which);   // "9" or "2.5", in seconds
bool ParseSkipLength(const char *text, int *tenths);                // false outside 0.1 s to 600 s
INT_PTR CALLBACK SkipsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowSkips();
