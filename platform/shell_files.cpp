/* Files the user hands the player: the open-file dialog, answered at once as the test scripted it,
   and files dropped from the shell, each drop a list of paths until it is finished. */
#include "internal.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The open-file dialog and the drops of a fresh desktop.
struct ShellFiles {
    std::vector<standin::OpenDialogCall> openDialogCalls;
    std::string openDialogAnswer;
    DWORD openDialogError = 0;
    std::vector<HWND> dropTargets;
    std::vector<std::vector<std::string>> drops;   // handed over by DropFiles; HDROP is index + 1
    std::vector<bool> dropsFinished;
} g;

std::vector<std::string> *DropOf(HDROP drop)
{
    size_t index = reinterpret_cast<size_t>(drop) - 1;
    if (index >= g.drops.size() || g.dropsFinished[index]) {
        ADD_FAILURE() << "a drop that was not handed over, or already finished";
        return nullptr;
    }
    return &g.drops[index];
}

}  // namespace

namespace standin {

void ResetShellFiles() { g = {}; }

void AnswerOpenDialog(const char *path) { g.openDialogAnswer = path; g.openDialogError = 0; }
void FailOpenDialog(DWORD extendedError) { g.openDialogAnswer.clear(); g.openDialogError = extendedError; }
std::vector<OpenDialogCall> &OpenDialogCalls() { return g.openDialogCalls; }

bool AcceptsDroppedFiles(HWND hwnd)
{
    return std::find(g.dropTargets.begin(), g.dropTargets.end(), hwnd) != g.dropTargets.end();
}

void DropFiles(HWND hwnd, std::vector<std::string> paths)
{
    EXPECT_TRUE(AcceptsDroppedFiles(hwnd)) << "the shell drops only on windows that accept files";
    g.drops.push_back(std::move(paths));
    g.dropsFinished.push_back(false);
    PostMessageA(hwnd, WM_DROPFILES, static_cast<WPARAM>(g.drops.size()), 0);
}

void ExpectDropsFinished()
{
    EXPECT_EQ(std::count(g.dropsFinished.begin(), g.dropsFinished.end(), false), 0) << "a drop was never finished";
}

}  // namespace standin

// Answers at once: the scripted path, else a cancel (or the scripted failure).
BOOL GetOpenFileNameA(OPENFILENAMEA *record)
{
    standin::OpenDialogCall call = {*record, record->lpstrTitle ? record->lpstrTitle : "",
                                    record->lpstrInitialDir ? record->lpstrInitialDir : "<none>",
                                    record->lpstrDefExt ? record->lpstrDefExt : "", {}};
    for (const char *item = record->lpstrFilter; item && *item; item += strlen(item) + 1)
        call.filters.push_back(item);
    g.openDialogCalls.push_back(call);
    if (g.openDialogAnswer.empty())
        return FALSE;
    snprintf(record->lpstrFile, record->nMaxFile, "%s", g.openDialogAnswer.c_str());
    return TRUE;
}

// Answers as a cancelled dialog: what the export writes is tested through its pure formatting.
BOOL GetSaveFileNameW(OPENFILENAMEW *) { return FALSE; }

DWORD CommDlgExtendedError() { return g.openDialogError; }

void DragAcceptFiles(HWND hwnd, BOOL accept)
{
    g.dropTargets.erase(std::remove(g.dropTargets.begin(), g.dropTargets.end(), hwnd), g.dropTargets.end());
    if (accept)
        g.dropTargets.push_back(hwnd);
}

// A null buffer asks for the length of the name.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT length)
{
    std::vector<std::string> *paths = DropOf(drop);
    if (!paths || index >= paths->size())
        return 0;
    const std::string &path = (*paths)[index];
    if (!file)
        return static_cast<UINT>(path.size());
    lstrcpynA(file, path.c_str(), static_cast<int>(length));
    return static_cast<UINT>(strlen(file));
}

void DragFinish(HDROP drop)
{
    if (DropOf(drop))
        g.dropsFinished[reinterpret_cast<size_t>(drop) - 1] = true;
}

const char standin::kLocalAppData[] = "C:\\Users\\tester\\AppData\\Local";

// Every user has the folder; the test's files start without it, so it is made when asked for.
HRESULT SHGetFolderPathA(HWND hwnd, int folder, HANDLE token, DWORD flags, LPSTR path)
{
    EXPECT_EQ(hwnd, nullptr);
    EXPECT_EQ(token, nullptr);
    EXPECT_EQ(flags, static_cast<DWORD>(SHGFP_TYPE_CURRENT));
    EXPECT_EQ(folder & ~CSIDL_FLAG_CREATE, CSIDL_LOCAL_APPDATA) << "the stand-in knows no other folder";
    standin::MakeFolder(standin::kLocalAppData);
    snprintf(path, MAX_PATH, "%s", standin::kLocalAppData);
    return S_OK;
}
