// The player's whole state: one set of process-wide variables, touched only on the GUI thread.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <dshow.h>

#include "support/support.h"

#define MAX_FAVOURITES  1000
#define MAX_DESCRIPTION 1000

enum PlayState { Stopped = 0, Paused = 1, Running = 2, NoClip = 3 };
enum ABState   { ABOff = 0, ABMarked = 1, ABLooping = 2 };
// The pedals as both makes report them, in the low bits of a report's first byte.
enum PedalBits { PEDAL_BACK = 1, PEDAL_PLAY = 2, PEDAL_FORWARD = 4 };
// The jumps whose lengths the user sets: Left, Right, F7, F8 and the side pedals' step.
enum SkipLength { SKIP_BACK, SKIP_FORWARD, SKIP_OTHER_BACK, SKIP_OTHER_FORWARD, PEDAL_STEP, SKIP_LENGTHS };

// A mark's note: any text the user typed, one line, in UTF-8.
struct MarkNote {
    REFERENCE_TIME place;     // the place of the mark it belongs to
    char          *text;      // its own allocation
};

struct FavouriteRecord {
    char           szDescription[MAX_DESCRIPTION];
    char           szFileName[PATH_BYTES];
    char           szFolder[PATH_BYTES];
    REFERENCE_TIME rtPosition;
};

// Clip and playback
extern char       gszFileName[PATH_BYTES]; // full path of the current clip; empty while none is chosen
extern PlayState  gPlayState;            // playback state machine
extern BOOL       gbAudioOnly;           // the clip has no usable video window (1 after any close)
extern BOOL       gbFullScreen;          // the video is in the engine's full-screen window
extern double     gdRate;                // playback rate last set; kept across clips
extern LONG       glVolume;              // user's level, hundredths of a dB: 0 full .. -4096
extern LONG       glMuteVolume;          // level last read or set by the mute toggle; -10000 = muted
extern float      gfZoom;                // cumulative zoom of the video rectangle; only grows
extern LONG       glVideoWidth;          // the clip's picture as the engine last gave its size, upright;
extern LONG       glVideoHeight;         // 0 while not known
extern BOOL       gbStopToSeek;          // the engine stalls a seek of a running or paused graph

extern REFERENCE_TIME grtResume;         // where the start-up record's clip was left, for the first open alone; 0: the start

// Control from other programs, the rewind on resume and the foot pedals
extern BOOL       gbGlobalKeys;          // the hot keys are held and the pedals heard in the background; the user's "globalkeys"
extern int        giRewindSeconds;       // a play after a pause starts this far before the paused place: 0, 1, 2, 3 or 5
// The own source's sound: the voices levelled, and the front side heard
extern BOOL       gbLevelling;           // the user's "levelling"
extern int        giSideHeard;           // the user's "channels": 0 both, 1 the left alone, 2 the right alone
extern BYTE       gbPedalsHeld;          // the pedals down now: PEDAL_BACK, PEDAL_PLAY, PEDAL_FORWARD
extern int        giSkipTenths[SKIP_LENGTHS]; // each jump's length in tenths of a second, 1 to 6000, as the Skips dialog set it

// Media interfaces: all null, or all from one PlayClipFile
extern IGraphBuilder *pGB;
extern IMediaControl *pMC;
extern IMediaEventEx *pME;
extern IMediaSeeking *pMS;
extern IVideoWindow  *pVW;
extern IBasicVideo   *pBV;
extern IBasicAudio   *pBA;
extern IBaseFilter   *pSource;           // the player's own source at the graph's head; NULL for a graph the engine built itself
extern const struct ClipEngine *gEngine; // how the open clip is played: by pSource, or by the graph the engine built
extern struct Overview *gOverview;     // the open clip's overview of its sound, from its open to its close; NULL for a graph the engine built
extern IMediaControl *pTail;             // a finished clip's graph, playing out its last sound until the next clip starts
extern DWORD          gdwTailSince;      // GetTickCount when pTail's clip completed

// Media Foundation, which reads the clips that the player's own source plays
extern HMODULE    ghMediaFoundation;     // mfplat.dll while it is started; NULL where Windows has none (its N editions)
extern HMODULE    ghSourceReaders;       // mfreadwrite.dll, loaded with it

// Windows, menu and GDI objects, created at start-up and kept until exit
extern HINSTANCE  ghInst;                // this module
extern HWND       ghApp;                 // main window, class "WMView"
extern HWND       ghStatus;              // status overlay, class "DSPWMSStatus"
extern HMENU      ghMenu;                // main window's menu, for checks and greying
extern HWND       ghKeys;                // the keys window while it is open
extern HWND       ghGoToTime;            // the Go to time dialog while it is open over a clip
extern HWND       ghMarkList;            // the list of marks while it is open over a clip
extern HWND       ghNoteBox;             // the note box while it is open on a mark of the clip
extern HBRUSH     ghbrWhite;             // progress bar background
extern HBRUSH     ghbrGreen;             // played part of the progress bar
extern HBRUSH     ghbrOrange;            // volume bar
extern OAHWND     hDrain;                // video window's message drain saved on entering full screen

// Navigation aids
extern char       gszFolder[PATH_BYTES];                 // folder of the playlist, no trailing separator
extern char     (*gPlaylist)[PATH_BYTES];              // file names of the folder's media, in search order
extern int        gnPlaylistSlots;                     // slots allocated for gPlaylist; grows with the folder
extern int        gnPlaylist;                          // valid entries of gPlaylist
extern int        giPlaylist;                          // index of the current clip in gPlaylist
extern REFERENCE_TIME *gBookmarks;                     // bookmark positions of the current clip, as its file holds them
extern int        gnBookmarkSlots;                     // slots allocated for gBookmarks; grows with the file
extern int        gnBookmarks;                         // valid entries of gBookmarks
extern MarkNote  *gNotes;                             // notes of the current clip's marks, by place, as its notes file holds them
extern int        gnNoteSlots;                         // slots allocated for gNotes; grows with the file
extern int        gnNotes;                             // valid entries of gNotes
extern DWORD      gdwBookmarkFailureSaid;              // reason last said for an unsaved bookmark edit; cleared at each load: said once a clip
extern DWORD      gdwNotesFailureSaid;                 // the same for an unsaved note
extern ABState    gABState;                            // state of the A-B loop
extern REFERENCE_TIME grtA;                            // point A of the loop
extern REFERENCE_TIME grtB;                            // point B of the loop
extern int        giLoopCount;                         // once B is set the span from A plays this often, then on past B; 0: forever; the user's "loopcount"
extern int        giLoopGapSeconds;                    // silence, paused at B, before each return to A: 0, 1 or 2; the user's "loopgap"
extern int        giLoopRepeat;                        // the running loop's repeat now playing or next, from 1
extern BOOL       gbLoopGap;                           // the graph is paused at B for the gap, gPlayState still Running, until the gap's timer
extern int        giWordJumpWaiting;                   // a jump to words waiting for the overview to reach far enough: +1 next, -1 previous, 0 none
extern REFERENCE_TIME grtWordJumpFrom;                 // the place that waiting jump was asked from
extern DWORD      gdwWordJumpSince;                    // GetTickCount when it began to wait
extern FavouriteRecord gFavourites[MAX_FAVOURITES];    // favourites of this run; never saved
extern int        gnFavourites;                        // valid records of gFavourites

// Presentation
extern BYTE       gbStatusVisible;       // the status overlay is shown
extern UINT       guLastKey;             // virtual key of the last WM_KEYDOWN, for the overlay
extern int        giWheelDelta;          // wheel movement gathered toward the next volume step; its sign the direction

extern UINT       guDpi;                 // the main window's DPI; 96 is 100 %
extern HFONT      ghStripFont;           // the strip's labels, sized for guDpi

// Status overlay layout, in pixels at guDpi (at 96 DPI in the comments); set at start-up and
// whenever the window moves to a screen of another DPI
extern int        giVolumeLeft;          // 5
extern int        giVolumeTop;           // 46, beside the progress bar
extern int        giVolumeWidth;         // 100
extern int        giVolumeHeight;        // 10
extern int        giVolumePixelsPerDecade; // 24
extern int        giProgressLeft;        // 120
extern int        giProgressTop;         // 46
extern int        giProgressHeight;      // 10
extern int        giProgressRightMargin; // 30
extern int        giBandTop;             // 20: the overview's band, over the progress bar and as wide,
extern int        giBandHeight;          // 24  between the labels and the bars

// Status overlay geometry derived from the main window's client area on every paint and click
extern int        giProgressRight;       // right end of the progress bar
extern int        giProgressBottom;      // bottom of both bars
extern int        giProgressWidth;       // right end minus left

// Status overlay scratch values
extern REFERENCE_TIME grtStatusDuration; // duration as last read by a paint or click
extern REFERENCE_TIME grtStatusPosition; // position as last read, or the last click's target
extern char       gszStatusText[16];     // key code or bookmark index being drawn
extern HGDIOBJ    ghbrSaved;             // brush selected before the overlay painted

// The overview's band: each column's span of the clip summarised once, and the band drawn from the
// summaries, a palette index a pixel; a paint summarises and draws only the columns newly known
#define BAND_MAX_COLUMNS 8192    // the widest desktop; a wider bar shows them stretched
#define BAND_MAX_ROWS    120     // the band's 24 pixels at 480 DPI
extern BYTE       gBandPeaks[BAND_MAX_COLUMNS]; // the highest peak of each column's blocks, as the overview keeps it
extern BYTE       gBandRms[BAND_MAX_COLUMNS];   // the RMS of each column's blocks, on the same scale
extern int        gnBandColumns;         // columns the band is cut into; 0: cut afresh at the next paint
extern int        gnBandRows;            // rows drawn into gBandPixels
extern REFERENCE_TIME grtBandDuration;   // the duration the columns were cut for
extern int        gnBandFinal;           // columns from the left whose blocks are all known, summarised and drawn
extern BYTE       gBandPixels[BAND_MAX_COLUMNS * BAND_MAX_ROWS]; // gnBandRows rows from the top, each gnBandColumns rounded up to 4

// Open-file dialog
extern OPENFILENAMEA gOfn;               // dialog record, refilled on each call
extern BOOL       gbOfnShown;            // the dialog has been shown once in this run
