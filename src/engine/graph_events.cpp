// Drains the engine's event queue when it posts WM_GRAPH_EVENT: the loop at B, the end of a clip, errors.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "support/support.h"

// A running loop goes on at B; otherwise a clip played to its end gives way to the next entry,
// heard out to its last sound while that entry is made ready. The renderers say the end as soon as
// it reaches them, while they still hold the last of the sound: a clip paused in that moment stays
// paused, and they say it again when it plays on.
static void ClipCompleted()
{
    if (gABState == ABLooping) {
        LoopReachedB();
        return;
    }
    REFERENCE_TIME duration = ClipDuration();
    if (CurrentPosition() < duration || gnPlaylist == 0 || gPlayState == Paused)
        return;
    KeepTail();
    NextClip();
}

static HRESULT PlaybackAborted(LONG_PTR status)
{
    ReportMessage("Playback error (EC_ERRORABORT - 0x%08lx). Aborting...\r\n", HexStatus((HRESULT)status));
    if (pMC) {
        HRESULT hr = pMC->Stop();
        if (FAILED(hr))
            ReportMessage("Failed(0x%08lx) to stop media clip!\r\n", HexStatus(hr));
    }
    return (HRESULT)status;
}

// Each event is freed as soon as it is taken, while the graph that gave it is still open: an advance
// releases that graph. Only plain numbers are read from the parameters, so they outlive the free.
LONG HandleGraphEvents()
{
    HRESULT result = 0;
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
    // pME is read afresh each time: after an advance it is the next clip's, or null when that failed.
    while (pME && SUCCEEDED(pME->GetEvent(&code, &param1, &param2, 0))) {
        if (FAILED(pME->FreeEventParams(code, param1, param2))) {
            CloseClip();
            break;
        }
        if (code == EC_END_OF_SEGMENT)
            LoopReachedB();
        else if (code == EC_COMPLETE)
            ClipCompleted();
        else if (code == EC_ERRORABORT) {
            result = PlaybackAborted(param1);
            break;
        }
    }
    return result;
}
