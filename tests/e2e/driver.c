/* The Wine tests' hands and eyes: finds the player's main windows, posts input to them
   and prints what a user would see (caption, sizes, visibility).
   Usage: lumetrone-driver VERB [ARG] [HWND]; HWND defaults to the first "WMView" window. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BOOL CALLBACK PrintPlayer(HWND hwnd, LPARAM unused)
{
    char name[64];
    (void)unused;
    if (GetClassNameA(hwnd, name, sizeof(name)) && strcmp(name, "WMView") == 0)
        printf("%lx\n", (unsigned long)(ULONG_PTR)hwnd);
    return TRUE;
}

static BOOL CALLBACK PrintDialog(HWND hwnd, LPARAM unused)
{
    char name[64], title[256];
    (void)unused;
    if (IsWindowVisible(hwnd) && GetClassNameA(hwnd, name, sizeof(name)) && strcmp(name, "#32770") == 0) {
        GetWindowTextA(hwnd, title, sizeof(title));
        printf("%s\n", title);
    }
    return TRUE;
}

static HWND PlayerWindow(int argc, char **argv, int index)
{
    if (argc > index)
        return (HWND)(ULONG_PTR)strtoul(argv[index], NULL, 16);
    return FindWindowA("WMView", NULL);
}

static int Describe(HWND hwnd)
{
    char title[512];
    RECT outer, client;
    POINT origin = {0, 0};
    GetWindowTextA(hwnd, title, sizeof(title));
    ClientToScreen(hwnd, &origin);
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    printf("title=%s\nouter=%ldx%ld\nclient=%ldx%ld\norigin=%ld,%ld\nvisible=%d\n", title,
           outer.right - outer.left, outer.bottom - outer.top,
           client.right, client.bottom, origin.x, origin.y, IsWindowVisible(hwnd) ? 1 : 0);
    return 0;
}

/* Prints the text of the visible message box captioned "Lumetrone", then answers it with OK. */
static int AnswerMessageBox(void)
{
    HWND box = FindWindowA("#32770", "Lumetrone");
    char text[1024];
    if (!box || !IsWindowVisible(box))
        return 1;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    printf("%s\n", text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

/* Prints the names a folder search gives, in its order, as the player's playlist sees them. */
static int PrintSearch(const char *pattern)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    do
        printf("%s\n", entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return 0;
}

/* Prints the size of the window in front, which is the video's own window while it is in full screen. */
static int PrintForeground(void)
{
    RECT rect;
    HWND front = GetForegroundWindow();
    if (!front || !GetWindowRect(front, &rect))
        return 1;
    printf("%ldx%ld\n", rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

/* Types a path into the open dialog's file name box and presses Open, as a user would. */
static int AnswerOpenDialog(const char *path)
{
    HWND dialog = FindWindowA(NULL, "Open Media File...");
    HWND name = dialog ? GetDlgItem(dialog, 0x47C) : NULL;   /* cmb13 */
    if (!name)
        return 1;
    SendMessageA(name, WM_SETTEXT, 0, (LPARAM)path);
    return !PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

/* Fills a Save dialog of that title as a user would: prints the name it offers, chooses the type
   (1-based), types the name ("-" keeps the one offered) and presses Save. */
static int AnswerSaveDialog(const char *title, const char *path, int type)
{
    HWND dialog = FindWindowA("#32770", title);
    HWND name = dialog ? GetDlgItem(dialog, 0x47C) : NULL;    /* cmb13 */
    HWND types = dialog ? GetDlgItem(dialog, 0x470) : NULL;   /* cmb1 */
    char offered[MAX_PATH];
    if (!name || !types || !IsWindowVisible(dialog))
        return 1;
    /* Another process's control answers its text only when asked by message. */
    SendMessageA(name, WM_GETTEXT, sizeof(offered), (LPARAM)offered);
    printf("%s\n", offered);
    SendMessageA(types, CB_SETCURSEL, (WPARAM)(type - 1), 0);
    /* As a pick from the list tells it: Wine's dialog takes the type at the second. */
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), (LPARAM)types);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), (LPARAM)types);
    if (strcmp(path, "-") != 0)
        SendMessageA(name, WM_SETTEXT, 0, (LPARAM)path);
    return !PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

static BOOL CALLBACK FindQuestion(HWND hwnd, LPARAM found)
{
    char name[64];
    if (IsWindowVisible(hwnd) && GetClassNameA(hwnd, name, sizeof(name)) && strcmp(name, "#32770") == 0 &&
        GetDlgItem(hwnd, IDYES) && GetDlgItem(hwnd, IDNO)) {
        *(HWND *)found = hwnd;
        return FALSE;
    }
    return TRUE;
}

/* Prints the text of the visible Yes/No question (a dialog's own, such as replacing a file) and
   answers it with "yes" or "no". */
static int AnswerQuestion(const char *answer)
{
    HWND box = NULL;
    char text[1024];
    EnumWindows(FindQuestion, (LPARAM)&box);
    if (!box)
        return 1;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    printf("%s\n", text);
    return !PostMessageA(box, WM_COMMAND, strcmp(answer, "yes") == 0 ? IDYES : IDNO, 0);
}

/* Holds a file open without sharing for a while, as another program may. */
static int HoldFile(const char *path, int milliseconds)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    printf("held\n");
    fflush(stdout);
    Sleep(milliseconds);
    CloseHandle(file);
    return 0;
}

static BOOL CALLBACK PostToPlayer(HWND hwnd, LPARAM character)
{
    char name[64];
    if (GetClassNameA(hwnd, name, sizeof(name)) && strcmp(name, "WMView") == 0)
        PostMessageA(hwnd, WM_CHAR, (WPARAM)character, 1);
    return TRUE;
}

/* Types a character count times into every player at once, so that their work overlaps. */
static int TypeIntoEveryPlayer(char character, int count)
{
    for (int i = 0; i < count; i++)
        EnumWindows(PostToPlayer, (unsigned char)character);
    return 0;
}

/* The Go to time dialog's field, or NULL while the dialog is not open. */
static HWND GoToTimeField(void)
{
    HWND dialog = FindWindowA("#32770", "Go to time");
    return dialog ? GetDlgItem(dialog, 1001) : NULL;   /* IDC_GO_TO_TIME */
}

/* Types a time into the Go to time dialog and presses OK, as a user would. */
static int AnswerGoToTime(const char *text)
{
    HWND field = GoToTimeField();
    if (!field)
        return 1;
    SendMessageA(field, WM_SETTEXT, 0, (LPARAM)text);
    return !PostMessageA(GetParent(field), WM_COMMAND, IDOK, 0);
}

/* Types text into one field of the dialog of that caption and presses OK, as a user would. */
static int AnswerDialogField(const char *caption, int item, const char *text)
{
    HWND dialog = FindWindowA("#32770", caption);
    HWND field = dialog ? GetDlgItem(dialog, item) : NULL;
    if (!field)
        return 1;
    SendMessageA(field, WM_SETTEXT, 0, (LPARAM)text);
    return !PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

/* Prints the text of one item of the dialog of that caption. */
static int PrintDialogItem(const char *caption, int item)
{
    HWND dialog = FindWindowA("#32770", caption);
    char text[512];
    if (!dialog || !GetDlgItem(dialog, item))
        return 1;
    GetDlgItemTextA(dialog, item, text, sizeof(text));
    printf("%s\n", text);
    return 0;
}

/* The keys window's list, or NULL while the window is not open. */
static HWND KeysList(void)
{
    HWND dialog = FindWindowA("#32770", "Lumetrone keys");
    return dialog ? GetDlgItem(dialog, 1003) : NULL;   /* IDC_KEYS_LIST */
}

/* Prints the Go to time field's selection and the length of its text, "start end length", or
   with "keys" the keys list's, followed by its first visible line. */
static int PrintSelection(const char *which)
{
    int keys = which && strcmp(which, "keys") == 0;
    HWND field = keys ? KeysList() : GoToTimeField();
    if (!field)
        return 1;
    DWORD selection = (DWORD)SendMessageA(field, EM_GETSEL, 0, 0);
    printf("%u %u %d", LOWORD(selection), HIWORD(selection), (int)SendMessageA(field, WM_GETTEXTLENGTH, 0, 0));
    if (keys)
        printf(" %d", (int)SendMessageA(field, EM_GETFIRSTVISIBLELINE, 0, 0));
    printf("\n");
    return 0;
}

/* Prints the list of marks' window, its list and its selected row (from 0; -1 for none) on one line,
   then each row's text as UTF-8, a line each. */
static int PrintMarks(void)
{
    HWND dialog = FindWindowA("#32770", "Lumetrone marks");
    HWND list = dialog ? GetDlgItem(dialog, 1010) : NULL;   /* IDC_MARK_LIST */
    WCHAR row[2200];
    char text[3 * 2200];
    if (!list)
        return 1;
    int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    printf("%lx %lx %d\n", (unsigned long)(ULONG_PTR)dialog, (unsigned long)(ULONG_PTR)list,
           (int)SendMessageW(list, LB_GETCURSEL, 0, 0));
    for (int i = 0; i < count; i++) {
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= 2200)
            return 1;
        SendMessageW(list, LB_GETTEXT, i, (LPARAM)row);
        WideCharToMultiByte(CP_UTF8, 0, row, -1, text, sizeof(text), NULL, NULL);
        printf("%s\n", text);
    }
    return 0;
}

/* Prints where the visible dialog of that title is on the screen: "left top width height". */
static int PrintDialogPlace(const char *title)
{
    HWND dialog = FindWindowA("#32770", title);
    RECT rect;
    if (!dialog || !IsWindowVisible(dialog) || !GetWindowRect(dialog, &rect))
        return 1;
    printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

/* Prints the clipboard's Unicode text as UTF-8. */
static int PrintClipboard(void)
{
    char text[256];
    int printed = 0;
    if (!OpenClipboard(NULL))
        return 1;
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const WCHAR *wide = data ? (const WCHAR *)GlobalLock(data) : NULL;
    if (wide) {
        printed = WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof(text), NULL, NULL) > 0;
        GlobalUnlock(data);
    }
    CloseClipboard();
    if (printed)
        printf("%s\n", text);
    return !printed;
}

/* Wine's notepad's text box, or NULL while no notepad is open. */
static HWND NotepadText(void)
{
    HWND notepad = FindWindowA("Notepad", NULL);
    return notepad ? FindWindowExA(notepad, NULL, "Edit", NULL) : NULL;
}

/* Prints notepad's text as UTF-8, read as any program may read it, between two '|'. */
static int PrintNotepad(void)
{
    WCHAR wide[1024];
    char text[4096];
    HWND edit = NotepadText();
    if (!edit)
        return 1;
    SendMessageW(edit, WM_GETTEXT, sizeof(wide) / sizeof(wide[0]), (LPARAM)wide);
    if (!WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof(text), NULL, NULL))
        return 1;
    printf("|%s|\n", text);
    return 0;
}

/* Gives notepad this text, with the characters from start to end selected, as a user would have it. */
static int SelectInNotepad(const char *text, int start, int end)
{
    HWND edit = NotepadText();
    if (!edit)
        return 1;
    SendMessageA(edit, WM_SETTEXT, 0, (LPARAM)text);
    SendMessageA(edit, EM_SETSEL, start, end);
    return 0;
}

/* Puts a Unicode text, a 2 x 2 DIB, or nothing on the clipboard, as another program would. */
static int PutOnClipboard(const char *kind, const char *text)
{
    SIZE_T size = strcmp(kind, "text") == 0 ? (strlen(text) + 1) * sizeof(WCHAR) : sizeof(BITMAPINFOHEADER) + 16;
    HGLOBAL memory = NULL;
    if (strcmp(kind, "empty") != 0) {
        memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        BYTE *bytes = (BYTE *)GlobalLock(memory);
        if (strcmp(kind, "text") == 0) {
            MultiByteToWideChar(CP_UTF8, 0, text, -1, (WCHAR *)bytes, (int)(size / sizeof(WCHAR)));
        } else {
            BITMAPINFOHEADER *header = (BITMAPINFOHEADER *)bytes;
            header->biSize = sizeof(*header);
            header->biWidth = header->biHeight = 2;
            header->biPlanes = 1;
            header->biBitCount = 32;
            for (int i = 0; i < 16; i++)
                bytes[sizeof(*header) + i] = (BYTE)(i * 17 + 3);
        }
        GlobalUnlock(memory);
    }
    if (!OpenClipboard(NULL))
        return 1;
    EmptyClipboard();
    if (memory)
        SetClipboardData(strcmp(kind, "text") == 0 ? CF_UNICODETEXT : CF_DIB, memory);
    CloseClipboard();
    return 0;
}

/* Prints the clipboard's change count, then each format it holds with its data's size and sum, a line each. */
static int PrintClipboardFormats(void)
{
    printf("%lu\n", (unsigned long)GetClipboardSequenceNumber());
    if (!OpenClipboard(NULL))
        return 1;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        HANDLE data = format == CF_BITMAP || format == CF_PALETTE || format == CF_ENHMETAFILE ||
                      format == CF_METAFILEPICT ? NULL : GetClipboardData(format);
        SIZE_T size = data ? GlobalSize(data) : 0;
        const BYTE *bytes = size ? (const BYTE *)GlobalLock(data) : NULL;
        unsigned long sum = 0;
        for (SIZE_T i = 0; bytes && i < size; i++)
            sum = sum * 31 + bytes[i];
        if (bytes)
            GlobalUnlock(data);
        printf("%u %lu %lu\n", format, (unsigned long)size, sum);
    }
    CloseClipboard();
    return 0;
}

/* Presses Escape in the visible dialog of that title, as a user would. */
static int EscapeDialog(const char *title)
{
    HWND dialog = FindWindowA("#32770", title);
    if (!dialog || !IsWindowVisible(dialog))
        return 1;
    return !PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 1);
}

static int CloseOpenDialog(void)
{
    HWND dialog = FindWindowA(NULL, "Open Media File...");
    if (!dialog)
        return 1;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

/* The window that has the keyboard focus on the player's thread: where a user's typing goes. */
static HWND FocusOf(HWND player)
{
    GUITHREADINFO info;
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(player, NULL), &info))
        return NULL;
    return info.hwndFocus;
}

/* Prints the class of the window with the player's keyboard focus. */
static int PrintFocus(HWND player)
{
    char name[64];
    HWND focus = FocusOf(player);
    if (!focus || !GetClassNameA(focus, name, sizeof(name)))
        return 1;
    printf("%s\n", name);
    return 0;
}

/* Types text, given as the hex of its UTF-8 bytes (so that no command line changes it), into the
   window with the player's focus, a character message for each UTF-16 unit, as a keyboard would. */
static int TypeIntoFocus(HWND player, const char *hex)
{
    char bytes[1024];
    WCHAR units[1024];
    size_t count = strlen(hex) / 2;
    HWND focus = FocusOf(player);
    if (!focus || count >= sizeof(bytes))
        return 1;
    for (size_t i = 0; i < count; i++) {
        char pair[3] = {hex[2 * i], hex[2 * i + 1], 0};
        bytes[i] = (char)strtoul(pair, NULL, 16);
    }
    bytes[count] = 0;
    int length = MultiByteToWideChar(CP_UTF8, 0, bytes, -1, units, 1024);
    for (int i = 0; i + 1 < length; i++)
        if (!PostMessageW(focus, WM_CHAR, units[i], 1))
            return 1;
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: lumetrone-driver list|show|dialog|dialogs|open|save|question|goto|answer|item|selection|place|clipboard|formats|putclipboard|notepad|notepadselect|escape|message|find|hold|everyone|foreground|metrics|key|char|ctrl|appcommand|command|click|close|move|focus|type|focuskey [arg] [hwnd]\n");
        return 2;
    }
    const char *verb = argv[1];
    if (strcmp(verb, "list") == 0)
        return !EnumWindows(PrintPlayer, 0);
    if (strcmp(verb, "dialogs") == 0)
        return !EnumWindows(PrintDialog, 0);
    if (strcmp(verb, "dialog") == 0)
        return CloseOpenDialog();
    if (strcmp(verb, "message") == 0)
        return AnswerMessageBox();
    if (strcmp(verb, "foreground") == 0)
        return PrintForeground();
    if (strcmp(verb, "find") == 0 && argc >= 3)
        return PrintSearch(argv[2]);
    if (strcmp(verb, "open") == 0 && argc >= 3)
        return AnswerOpenDialog(argv[2]);
    if (strcmp(verb, "save") == 0 && argc >= 5)
        return AnswerSaveDialog(argv[2], argv[3], atoi(argv[4]));
    if (strcmp(verb, "question") == 0 && argc >= 3)
        return AnswerQuestion(argv[2]);
    if (strcmp(verb, "hold") == 0 && argc >= 4)
        return HoldFile(argv[2], atoi(argv[3]));
    if (strcmp(verb, "everyone") == 0 && argc >= 4)
        return TypeIntoEveryPlayer(argv[2][0], atoi(argv[3]));
    if (strcmp(verb, "goto") == 0 && argc >= 3)
        return AnswerGoToTime(argv[2]);
    if (strcmp(verb, "answer") == 0 && argc >= 5)
        return AnswerDialogField(argv[2], atoi(argv[3]), argv[4]);
    if (strcmp(verb, "item") == 0 && argc >= 4)
        return PrintDialogItem(argv[2], atoi(argv[3]));
    if (strcmp(verb, "selection") == 0)
        return PrintSelection(argc >= 3 ? argv[2] : NULL);
    if (strcmp(verb, "place") == 0 && argc >= 3)
        return PrintDialogPlace(argv[2]);
    if (strcmp(verb, "clipboard") == 0)
        return PrintClipboard();
    if (strcmp(verb, "formats") == 0)
        return PrintClipboardFormats();
    if (strcmp(verb, "putclipboard") == 0 && argc >= 3)
        return PutOnClipboard(argv[2], argc >= 4 ? argv[3] : "");
    if (strcmp(verb, "notepad") == 0)
        return PrintNotepad();
    if (strcmp(verb, "notepadselect") == 0 && argc >= 5)
        return SelectInNotepad(argv[2], atoi(argv[3]), atoi(argv[4]));
    if (strcmp(verb, "escape") == 0 && argc >= 3)
        return EscapeDialog(argv[2]);
    if (strcmp(verb, "metrics") == 0) {
        printf("caption=%d\nborderx=%d\nbordery=%d\nmenu=%d\nframex=%d\nframey=%d\nscreen=%dx%d\n",
               GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER),
               GetSystemMetrics(SM_CYMENU), GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CYFRAME),
               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        return 0;
    }

    if (strcmp(verb, "marks") == 0)
        return PrintMarks();
    if (strcmp(verb, "resize") == 0 && argc >= 5)
        return !SetWindowPos((HWND)(ULONG_PTR)strtoul(argv[4], NULL, 16), NULL, 0, 0, atoi(argv[2]), atoi(argv[3]),
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (strcmp(verb, "move") == 0 && argc >= 4)
        return !SetWindowPos(PlayerWindow(argc, argv, 4), NULL, atoi(argv[2]), atoi(argv[3]), 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    int takesArgument = strcmp(verb, "show") != 0 && strcmp(verb, "close") != 0 && strcmp(verb, "focus") != 0;
    HWND hwnd = PlayerWindow(argc, argv, takesArgument ? 3 : 2);
    if (!hwnd || !IsWindow(hwnd))
        return 1;
    if (strcmp(verb, "show") == 0)
        return Describe(hwnd);
    if (strcmp(verb, "close") == 0)
        return !PostMessageA(hwnd, WM_CLOSE, 0, 0);
    if (strcmp(verb, "focus") == 0)
        return PrintFocus(hwnd);
    if (argc < 3)
        return 2;
    if (strcmp(verb, "key") == 0)
        return !PostMessageA(hwnd, WM_KEYDOWN, strtoul(argv[2], NULL, 0), 1);
    if (strcmp(verb, "type") == 0)
        return TypeIntoFocus(hwnd, argv[2]);
    if (strcmp(verb, "focuskey") == 0)
        return !PostMessageA(FocusOf(hwnd), WM_KEYDOWN, strtoul(argv[2], NULL, 0), 1);
    if (strcmp(verb, "char") == 0)
        return !PostMessageA(hwnd, WM_CHAR, (unsigned char)argv[2][0], 1);
    if (strcmp(verb, "ctrl") == 0)   /* Ctrl and a letter, as the keyboard's translation gives it */
        return !PostMessageA(hwnd, WM_CHAR, (unsigned char)(argv[2][0] - 'a' + 1), 1);
    if (strcmp(verb, "appcommand") == 0)
        return !PostMessageA(hwnd, WM_APPCOMMAND, (WPARAM)hwnd, MAKELPARAM(0, atoi(argv[2])));
    if (strcmp(verb, "command") == 0)
        return !PostMessageA(hwnd, WM_COMMAND, strtoul(argv[2], NULL, 0), 0);
    if (strcmp(verb, "click") == 0)
        return !PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(atoi(argv[2]), 25));
    return 2;
}
