// Definitions of the player state; every value not set here starts at zero.
#include "app/player_state.h"

char       gszFileName[PATH_BYTES];
PlayState  gPlayState;
BOOL       gbAudioOnly;
BOOL       gbFullScreen;
double     gdRate;
LONG       glVolume;
LONG       glMuteVolume;
float      gfZoom = 1.0f;
LONG       glVideoWidth;
LONG       glVideoHeight;
BOOL       gbStopToSeek;
REFERENCE_TIME grtResume;
BOOL       gbGlobalKeys;
int        giRewindSeconds;
BOOL       gbLevelling;
int        giSideHeard;
BYTE       gbPedalsHeld;
int        giSkipTenths[SKIP_LENGTHS];

IGraphBuilder *pGB;
IMediaControl *pMC;
IMediaEventEx *pME;
IMediaSeeking *pMS;
IVideoWindow  *pVW;
IBasicVideo   *pBV;
IBasicAudio   *pBA;
IBaseFilter   *pSource;
HMODULE       ghMediaFoundation;
HMODULE       ghSourceReaders;
Overview      *gOverview;
IMediaControl *pTail;
DWORD          gdwTailSince;

HINSTANCE  ghInst;
HWND       ghApp;
HWND       ghStatus;
HMENU      ghMenu;
HBRUSH     ghbrWhite;
HBRUSH     ghbrGreen;
HBRUSH     ghbrOrange;
OAHWND     hDrain;
HWND       ghKeys;
HWND       ghGoToTime;
HWND       ghMarkList;
HWND       ghNoteBox;

char       gszFolder[PATH_BYTES];
char     (*gPlaylist)[PATH_BYTES];
int        gnPlaylistSlots;
int        gnPlaylist;
int        giPlaylist;
REFERENCE_TIME *gBookmarks;
int        gnBookmarkSlots;
int        gnBookmarks;
MarkNote  *gNotes;
int        gnNoteSlots;
int        gnNotes;
DWORD      gdwBookmarkFailureSaid;
DWORD      gdwNotesFailureSaid;
ABState    gABState;
REFERENCE_TIME grtA;
REFERENCE_TIME grtB;
int        giLoopCount;
int        giLoopGapSeconds;
int        giLoopRepeat;
BOOL       gbLoopGap;
int        giWordJumpWaiting;
REFERENCE_TIME grtWordJumpFrom;
DWORD      gdwWordJumpSince;
FavouriteRecord gFavourites[MAX_FAVOURITES];
int        gnFavourites;

BYTE       gbStatusVisible;
UINT       guLastKey;
int        giWheelDelta;

UINT       guDpi = 96;
HFONT      ghStripFont;

int        giVolumeLeft;
int        giVolumeTop;
int        giVolumeWidth;
int        giVolumeHeight;
int        giVolumePixelsPerDecade;
int        giProgressLeft;
int        giProgressTop;
int        giProgressHeight;
int        giProgressRightMargin;
int        giBandTop;
int        giBandHeight;

int        giProgressRight;
int        giProgressBottom;
int        giProgressWidth;

REFERENCE_TIME grtStatusDuration;
REFERENCE_TIME grtStatusPosition;
char       gszStatusText[16];
HGDIOBJ    ghbrSaved;

BYTE       gBandPeaks[BAND_MAX_COLUMNS];
BYTE       gBandRms[BAND_MAX_COLUMNS];
int        gnBandColumns;
int        gnBandRows;
REFERENCE_TIME grtBandDuration;
int        gnBandFinal;
BYTE       gBandPixels[BAND_MAX_COLUMNS * BAND_MAX_ROWS];

OPENFILENAMEA gOfn;
BOOL       gbOfnShown;
