/* Files the user hands the player: the open-file dialog, answered at once as the test scripted it,
   and files dropped from the shell, each drop a list of paths until it is finished. */
#include "internal.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<standin::OpenDialogCall> gOpenDialogCalls;
std::string gOpenDialogAnswer;
DWORD gOpenDialogError;
std::vector<HWND> gDropTargets;
std::vector<std::vector<std::string>> gDrops;   // handed over by DropFiles; HDROP is index + 1
std::vector<bool> gDropsFinished;

std::vector<std::string> *DropOf(HDROP drop)
{
    size_t index = reinterpret_cast<size_t>(drop) - 1;
    if (index >= gDrops.size() || gDropsFinished[index]) {
        ADD_FAILURE() << "a drop that was not handed over, or already finished";
        return nullptr;
    }
    return &gDrops[index];
}

}  // namespace

namespace standin {

void ResetShellFiles()
{
    gOpenDialogCalls.clear();
    gOpenDialogAnswer.clear();
    gOpenDialogError = 0;
    gDropTargets.clear();
    gDrops.clear();
    gDropsFinished.clear();
}

void AnswerOpenDialog(const char *path) { gOpenDialogAnswer = path; gOpenDialogError = 0; }
void FailOpenDialog(DWORD extendedError) { gOpenDialogAnswer.clear(); gOpenDialogError = extendedError; }
std::vector<OpenDialogCall> &OpenDialogCalls() { return gOpenDialogCalls; }

bool AcceptsDroppedFiles(HWND hwnd)
{
    return std::find(gDropTargets.begin(), gDropTargets.end(), hwnd) != gDropTargets.end();
}

void DropFiles(HWND hwnd, std::vector<std::string> paths)
{
    EXPECT_TRUE(AcceptsDroppedFiles(hwnd)) << "the shell drops only on windows that accept files";
    gDrops.push_back(std::move(paths));
    gDropsFinished.push_back(false);
    PostMessageA(hwnd, WM_DROPFILES, static_cast<WPARAM>(gDrops.size()), 0);
}

void ExpectDropsFinished()
{
    EXPECT_EQ(std::count(gDropsFinished.begin(), gDropsFinished.end(), false), 0) << "a drop was never finished";
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
    gOpenDialogCalls.push_back(call);
    if (gOpenDialogAnswer.empty())
        return FALSE;
    snprintf(record->lpstrFile, record->nMaxFile, "%s", gOpenDialogAnswer.c_str());
    return TRUE;
}

DWORD CommDlgExtendedError() { return gOpenDialogError; }

void DragAcceptFiles(HWND hwnd, BOOL accept)
{
    gDropTargets.erase(std::remove(gDropTargets.begin(), gDropTargets.end(), hwnd), gDropTargets.end());
    if (accept)
        gDropTargets.push_back(hwnd);
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
        gDropsFinished[reinterpret_cast<size_t>(drop) - 1] = true;
}
