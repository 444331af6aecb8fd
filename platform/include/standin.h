/* What a native test can script and read back on the stand-in desktop. */
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <dshow.h>
#include <mfapi.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

// A fresh desktop: no windows, classes, timers, files, registry keys, dialogs or graphs.
void Reset();
// A new process of the player starts: the classes, windows, timers and queued messages of an
// earlier one ended with it. Files, registry, clips, the clipboard and what the test scripted stay.
void StartProcess();
// Fails the running test if a graph interface, a file handle or anything else the player took is still held.
void ExpectAllReleased();

// The message loop. Each step runs when the queue is idle; after the last one every top-level
// window is sent WM_CLOSE, as when a session ends.
void Script(std::vector<std::function<void()>> steps);
void AdvanceClock(DWORD milliseconds);   // due timers post WM_TIMER

struct LoggedMessage {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool posted;
};
std::vector<LoggedMessage> &MessageLog();   // every message delivered to a window procedure

// Windows
HWND FindWindowOfClass(const char *className);
std::string WindowTitle(HWND hwnd);
std::string WindowClass(HWND hwnd);
RECT OuterRect(HWND hwnd);
RECT ClientRect(HWND hwnd);       // what is left of the outer rect after frame, caption and menu bar lines
void SetDpi(UINT dpi);            // the screen's, for every window; metrics grow with it
void SetMenuItemsWidth(int pixels);   // at 96 DPI; a client area narrower than this gets two or more menu lines
DWORD WindowStyle(HWND hwnd);
HWND ParentOf(HWND hwnd);
bool IsTopmost(HWND hwnd);
// The window last put in front of the others: one restacked by SetWindowPos (to the top, or made
// topmost when it was not), or the full-screen video as full screen starts. As Wine does, a
// window already where it is asked to go is not restacked.
HWND FrontWindow();
extern const HWND kFullScreenVideo;
HWND ForegroundWindow();
HWND FocusWindow();
bool TimerRunning(HWND hwnd, UINT_PTR id);
HWND AddForeignTopLevelWindow();   // another program's window, for broadcasts
bool AcceptsDroppedFiles(HWND hwnd);
void DropFiles(HWND hwnd, std::vector<std::string> paths);   // posts WM_DROPFILES, as the shell does
void FailRegisterClass(const char *className, DWORD error);

// Hot keys: those held, by window and id; one that another program holds, so that registering it
// fails; a key typed while any program has the focus, which reaches the window that holds it.
struct HeldHotKey { HWND hwnd; int id; UINT modifiers, vk; };
std::vector<HeldHotKey> HotKeysHeld();   // the player's, in the order registered
void HoldHotKeyElsewhere(UINT vk);
bool PressHotKey(UINT vk, UINT modifiers = 0);   // posts WM_HOTKEY; false when no window holds the key
// The keyboard as GetKeyState reads it: a key held down (Ctrl, say) while the test sends others.
void HoldKey(UINT vk, bool down);

// Raw input from HID devices: the registrations, and a device's report, posted as WM_INPUT to the
// window registered for its usage, when that window is in the foreground or takes input in the background.
struct RawInputRegistration { USHORT usagePage, usage; DWORD flags; HWND target; };
std::vector<RawInputRegistration> RawInputRegistrations();
HANDLE AddHidDevice(DWORD vendor, DWORD product, USHORT usagePage, USHORT usage);
bool SendHidReport(HANDLE device, const std::vector<BYTE> &report);   // false when no window gets it
void FailCreateWindow(const char *className, DWORD error);

// The clipboard: its Unicode text ("<none>" when it holds none), and another program holding it.
// It holds one format at a time, read back by the platform's own calls.
std::string ClipboardText();
void HoldClipboard(bool held);

// Keyboard input that the player synthesized, in order; the program in front (the test) sees each
// call's input as it is sent.
std::vector<INPUT> &SentInput();
void WhenInputSent(std::function<void()> program);

// Menus: the resource's menu, with its state per command id.
struct MenuItem { std::string popup; std::string text; UINT id; };
HMENU ResourceMenu(UINT id);   // a fresh copy, as the resource defines it
std::vector<MenuItem> MenuItems(HMENU menu);
bool MenuItemChecked(HMENU menu, UINT id);
bool MenuItemGrayed(HMENU menu, UINT id);

// Drawing: one line per GDI call, e.g. "Rectangle 120,20,610,30 FFFFFF" (the brush's COLORREF).
std::vector<std::string> &DrawingLog();
COLORREF BrushColour(HGDIOBJ brush);
// The picture of the last StretchDIBits ("StretchDIBits 120,20,490,24 from 490x24"), its palette's
// colours as COLORREF, rows from the top.
struct Picture { int width, height; std::vector<COLORREF> pixels; COLORREF At(int x, int y) const; };
const Picture &LastPicture();

// Message boxes never block; each is recorded and answered with IDOK.
struct ShownMessage { HWND owner; std::string caption; std::string text; UINT type; };
std::vector<ShownMessage> &MessageBoxes();

// The open-file dialog: answered with a path, cancelled, or failing with an extended error.
void AnswerOpenDialog(const char *path);
void FailOpenDialog(DWORD extendedError);
struct OpenDialogCall {
    OPENFILENAMEA record;
    std::string title, initialDir, defaultExt;
    std::vector<std::string> filters;   // description, pattern, description, pattern, ...
};
std::vector<OpenDialogCall> &OpenDialogCalls();

// Modal dialog boxes: the procedure gets WM_INITDIALOG, then these messages until EndDialog; a
// message with a window goes to that window instead, as what happens elsewhere while the dialog is open.
void ScriptDialog(std::vector<MSG> messages);
MSG TypeIntoDialog(int item, const char *text);   // a script step: the user types text into the item
std::string DialogItemText(HWND dialog, int item); // as the dialog left it (nullptr: the last modal one); "<none>" if never set
int DialogFocusedItem();                           // the item last given the focus, its text selected, by WM_NEXTDLGCTL (0: none)
const int kFirstDialogItem = -1;                   // ... by the dialog manager, as a modeless dialog's WM_INITDIALOG answers TRUE
struct DialogRun { UINT templateId; HWND owner; bool ended; INT_PTR result; };
std::vector<DialogRun> &DialogRuns();

// Process and system
void FailCoInitialize(HRESULT status);
int CoInitializeBalance();   // CoInitializeEx calls that succeeded minus CoUninitialize calls
void SetWindowsVersion(DWORD platformId, DWORD major);   // before 10, user32 knows no window's own DPI
void SetLocaleCodePage(const char *text, bool succeeds);   // what GetLocaleInfoA answers
void SetWineVersion(const char *version);   // ntdll's wine_get_version answers it; null: Windows, no export
void RemoveMediaFoundation();               // a Windows N edition: no mfplat.dll or mfreadwrite.dll to load
int TerminatedWith();                       // the exit code the process was ended with; -1 while it runs
extern const UINT kSystemAnsiCodePage;                     // what GetACP answers: UTF-8, as the manifest asks

// Files, in a temporary folder that lives in memory; paths are Windows paths. Each write stamps the
// file with the clock (AdvanceClock moves it), which a search reports with the file's size.
void MakeFolder(const char *path);
void PutFile(const char *path, const std::string &content);
bool FileExists(const char *path);
std::string FileContent(const char *path);
void MakeFolderReadOnly(const char *path);   // creating or replacing files there fails
void FailFileCall(const char *call, DWORD error);   // "ReadFile", "WriteFile" (a full disk) or "MoveFileExA"
void MakeFileReadOnly(const char *path);     // as attrib +r does
// Runs as each such call is made ("CreateFileA", "ReadFile", "MoveFileExA", "Sleep"), before it acts:
// where another instance's work can fall between two steps of this one.
void BeforeFileCall(const char *call, std::function<void()> look);
std::vector<std::string> FilesIn(const char *folder);   // the names of the files there, in creation order
void SetCurrentFolder(const char *path);     // what relative paths are resolved against; C:\ at first
extern const char kLocalAppData[];           // SHGetFolderPathA's CSIDL_LOCAL_APPDATA, made when asked for

// Registry: keys named in full, as HKEY_CURRENT_USER\Software\Kestrovan
bool RegistryValue(const char *key, const char *name, DWORD *type, std::string *data);
void PutRegistryValue(const char *key, const char *name, DWORD type, const std::string &data);
std::vector<std::string> &RegistryWrites();   // the names of the values written, in order

// The scripted filter graph.
struct Clip {
    REFERENCE_TIME duration = 600000000;
    bool video = true;
    long width = 640, height = 360;
    bool audio = true;                      // without audio, volume calls answer E_NOTIMPL
    HRESULT renderStatus = S_OK;
    bool ignoresRate = false;               // SetRate succeeds and GetRate still answers 1.0
    double reportedRate = 0;                // not 0: GetRate always answers it (NaN, say: a misbehaving engine)
    bool neverCues = false;                 // paused, it never says it is ready: GetState answers VFW_S_STATE_INTERMEDIATE
    HRESULT visibleStatus = S_OK;           // for a video clip; audio-only answers E_NOINTERFACE
    HRESULT videoSizeStatus = S_OK;         // for a video clip; audio-only answers E_NOINTERFACE
};
void AddClip(const char *path, const Clip &clip);
void FailGraphCall(const char *method, HRESULT status);   // every later call of that method
void FailGraphCallOnce(const char *method, HRESULT status);
void BeforeGraphCall(const char *method, std::function<void()> look);   // runs as each such call is made
std::vector<std::string> &GraphCalls();   // e.g. "SetPositions 300000000,5 -,0"
int GraphsCreated();
int LiveGraphReferences();
bool GraphOpen();                          // a graph is held by the player
void SetGraphPosition(REFERENCE_TIME position);
REFERENCE_TIME GraphPosition();
void SetGraphDuration(REFERENCE_TIME duration);
void QueueGraphEvent(long code, LONG_PTR param1, LONG_PTR param2);
int QueuedGraphEvents();
long GraphVolume();
long GraphFullScreenMode();
OAHWND GraphMessageDrain();
void SetGraphMessageDrain(OAHWND drain);

// The player's own source: clips that Media Foundation's source reader opens, scripted by path.
// Any other path fails as a byte stream the reader does not know, and goes to RenderFile.
struct ReaderStream {                           // decoded to 2x48 kHz 16-bit sound, or 640x360 NV12 at 25/s
    bool video = false;
    bool decodes = true;                        // false: no decoder to the form the player asks for
    bool selected = true;                       // as the reader opens: the file's default stream
};
struct ReaderClip {
    std::vector<ReaderStream> streams;
    REFERENCE_TIME duration = 20000000;
};
void AddReaderClip(const char *path, const ReaderClip &clip);
int LiveSourceObjects();                   // readers and their media types that the player still holds

}  // namespace standin
