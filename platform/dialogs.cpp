/* Dialog boxes and message boxes that never block: a modal dialog runs its procedure on the test's
   scripted messages, a modeless one is a window of the dialog class, a message box is recorded. */
#include "internal.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The dialogs of a fresh desktop.
struct Dialogs {
    std::vector<standin::ShownMessage> messageBoxes;
    std::vector<MSG> script;
    std::map<std::pair<HWND, int>, std::string> items;   // item texts, by dialog and item
    int focusedItem = 0;
    std::map<HWND, DLGPROC> modelessProcedures;
    std::vector<standin::DialogRun> runs;
} g;
bool gDialogEnded;       // EndDialog was called while the modal dialog ran
INT_PTR gDialogResult;
int gModalToken;
HWND const kModalDialog = reinterpret_cast<HWND>(&gModalToken);

// A modeless dialog's window procedure: its dialog procedure, as the platform's dialog manager calls it.
LRESULT CALLBACK ModelessWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto procedure = g.modelessProcedures.find(hwnd);
    if (procedure != g.modelessProcedures.end() && procedure->second(hwnd, message, wParam, lParam))
        return TRUE;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

namespace standin {

void ResetDialogs() { g = {}; }

std::vector<ShownMessage> &MessageBoxes() { return g.messageBoxes; }
void ScriptDialog(std::vector<MSG> messages) { g.script = std::move(messages); }
MSG TypeIntoDialog(int item, const char *text) { return MSG{nullptr, WM_SETTEXT, static_cast<WPARAM>(item),
                                                            reinterpret_cast<LPARAM>(text), 0, {0, 0}}; }
std::string DialogItemText(HWND dialog, int item)
{
    auto text = g.items.find({dialog ? dialog : kModalDialog, item});
    return text == g.items.end() ? "<none>" : text->second;
}
int DialogFocusedItem() { return g.focusedItem; }
std::vector<DialogRun> &DialogRuns() { return g.runs; }

// The focus moves only to an item of that dialog, named by the handle GetDlgItem gave.
void MoveDialogFocus(HWND dialog, WPARAM item)
{
    for (auto &text : g.items)
        if (text.first.first == dialog && reinterpret_cast<WPARAM>(&text.second) == item)
            g.focusedItem = text.first.second;
}

}  // namespace standin

BOOL SetDlgItemTextA(HWND dialog, int item, LPCSTR text)
{
    g.items[{dialog, item}] = text;
    return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int item, LPSTR text, int size)
{
    lstrcpynA(text, g.items[{dialog, item}].c_str(), size);
    return static_cast<UINT>(strlen(text));
}

// Items hold UTF-8, as the player's memory does.
BOOL SetDlgItemTextW(HWND dialog, int item, LPCWSTR text)
{
    g.items[{dialog, item}] = standin::Utf8Of(text);
    return TRUE;
}

UINT GetDlgItemTextW(HWND dialog, int item, LPWSTR text, int size)
{
    std::u16string units = standin::Utf16Of(g.items[{dialog, item}].c_str());
    size_t copied = std::min(units.size(), static_cast<size_t>(size - 1));
    std::copy(units.begin(), units.begin() + copied, text);
    text[copied] = 0;
    return static_cast<UINT>(copied);
}

// An item's handle is the place of its text, which lives as long as the dialog's items.
HWND GetDlgItem(HWND dialog, int item)
{
    return reinterpret_cast<HWND>(&g.items[{dialog, item}]);
}

LRESULT SendDlgItemMessageA(HWND, int, UINT message, WPARAM, LPARAM)
{
    EXPECT_TRUE(message == EM_SETTABSTOPS || message == EM_LIMITTEXT || message == EM_SETSEL)
        << "only tab stops, a limit and a selection are set on a dialog's items";
    return TRUE;
}

LRESULT SendDlgItemMessageW(HWND, int, UINT message, WPARAM, LPARAM)
{
    ADD_FAILURE() << "message " << message << ": no dialog's items take Unicode text here";
    return 0;
}

// A modeless dialog is a window of the dialog class, shown as its template asks (visible here).
HWND CreateDialogParamW(HINSTANCE, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param)
{
    HWND dialog = standin::AddWindow({"#32770", "", WS_POPUP | WS_CAPTION, owner, {40, 40, 500, 400},
                                      ModelessWindowProc, nullptr, true, false, true, false});
    g.modelessProcedures[dialog] = procedure;
    g.runs.push_back({LOWORD(templateName), owner, false, 0});
    // Answered TRUE, the dialog manager focuses the template's first item and selects its text.
    if (procedure(dialog, WM_INITDIALOG, 0, param))
        g.focusedItem = standin::kFirstDialogItem;
    return dialog;
}

// The dialog manager's part of the message loop: messages for the dialog are its own, and Escape
// is its Cancel button.
BOOL IsDialogMessageW(HWND dialog, MSG *msg)
{
    if (!standin::WindowOf(dialog) || msg->hwnd != dialog)
        return FALSE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    else
        DispatchMessageW(msg);
    return TRUE;
}

BOOL EndDialog(HWND, INT_PTR result)
{
    gDialogEnded = true;
    gDialogResult = result;
    return TRUE;
}

// Runs the dialog procedure on the scripted messages; the owner, if a window, is disabled while it is open.
INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param)
{
    HWND dialog = kModalDialog;
    gDialogEnded = false;
    gDialogResult = -1;
    g.focusedItem = 0;
    for (auto item = g.items.begin(); item != g.items.end();)
        item = item->first.first == kModalDialog ? g.items.erase(item) : std::next(item);
    procedure(dialog, WM_INITDIALOG, 0, param);
    for (size_t i = 0; i < g.script.size() && !gDialogEnded; i++) {
        const MSG &step = g.script[i];
        // A user typing into an item replaces its text; the procedure is not told.
        if (step.message == WM_SETTEXT && !step.hwnd)
            g.items[{dialog, static_cast<int>(step.wParam)}] = reinterpret_cast<const char *>(step.lParam);
        else if (step.hwnd)
            SendMessageA(step.hwnd, step.message, step.wParam, step.lParam);
        else
            procedure(dialog, step.message, step.wParam, step.lParam);
    }
    g.runs.push_back({LOWORD(templateName), owner, gDialogEnded, gDialogResult});
    return gDialogEnded ? gDialogResult : -1;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    g.messageBoxes.push_back({owner, caption ? caption : "", text ? text : "", type});
    return IDOK;
}
