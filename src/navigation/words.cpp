// Ctrl+Right and Ctrl+Left: the jumps to words on the open clip's overview. Where the overview does
// not reach far enough yet, the jump is asked again every 50 ms for up to 2 s, the window going on
// meanwhile, and then given up without a word.
#include "app/player_state.h"
#include "app/commands.h"
#include "engine/engine.h"
#include "engine/overview.h"
#include "navigation/navigation.h"

static const UINT kAskAgainMs = 50;
static const DWORD kLongestWaitMs = 2000;

void EndWordJumpWait()
{
    if (!giWordJumpWaiting)
        return;
    giWordJumpWaiting = 0;
    KillTimer(ghApp, WORD_JUMP_TIMER_ID);
}

// True once the jump is answered: sought, or with no words to go to, left where it is.
static bool AnswerWordJump()
{
    bool complete = false;
    int known = OverviewKnown(gOverview, &complete);
    const OverviewBlocks *blocks = OverviewBlocksOf(gOverview);
    REFERENCE_TIME landing = 0;
    WordsFound found = giWordJumpWaiting > 0 ? NextWordsAfter(blocks, known, complete, grtWordJumpFrom, &landing)
                                             : PreviousWordsBefore(blocks, known, complete, grtWordJumpFrom, &landing);
    if (found == WORDS_NOT_KNOWN_YET)
        return false;
    EndWordJumpWait();
    if (found == WORDS_FOUND)
        SeekToKeyFrame(landing);
    return true;
}

// A WM_TIMER posted before the wait ended may still come.
static void CALLBACK AskAgain(HWND, UINT, UINT_PTR, DWORD)
{
    if (!giWordJumpWaiting || !gOverview || !pMS) {
        EndWordJumpWait();
        return;
    }
    if (!AnswerWordJump() && GetTickCount() - gdwWordJumpSince >= kLongestWaitMs)
        EndWordJumpWait();
}

// From the place where the key was pressed, whatever plays meanwhile. A jump waiting already gives
// way to this one: its answer ends the wait, or its own wait takes the timer's place.
static void JumpToWords(int direction)
{
    if (!pMC || !pMS || !gOverview)
        return;
    giWordJumpWaiting = direction;
    grtWordJumpFrom = CurrentPosition();
    gdwWordJumpSince = GetTickCount();
    if (!AnswerWordJump())
        SetTimer(ghApp, WORD_JUMP_TIMER_ID, kAskAgainMs, AskAgain);
}

void NextWords()     { JumpToWords(+1); }
void PreviousWords() { JumpToWords(-1); }
