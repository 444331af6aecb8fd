// The overview of a clip's sound: for each 10 ms from the start, the peak and the RMS of its
// channels' mix, read by a reader of its own beside the playback, or taken from the cache of an
// earlier open. The reader's thread touches only its Overview, under the overview's lock.
#pragma once

#include <windows.h>
#include <dshow.h>

#define OVERVIEW_BLOCK_TIME   100000   // 10 ms, in 100 ns units
#define OVERVIEW_CHUNK_BLOCKS 65536    // about 11 minutes a chunk
#define OVERVIEW_MAX_CHUNKS   1024     // about 186 hours

// Levels as 255 × √(level ÷ full scale), rounded: the square root keeps quiet speech in sight.
struct OverviewBlock {
    BYTE peak;
    BYTE rms;
};

// Blocks from the start of the clip, in chunks that never move: a block below the count stays as
// it is once it is there, so the GUI reads it without holding the reader's lock.
struct OverviewBlocks {
    OverviewBlock *chunks[OVERVIEW_MAX_CHUNKS];
    int            count;
};
bool          AppendOverviewBlock(OverviewBlocks *blocks, OverviewBlock block);  // false: no memory, or full
OverviewBlock OverviewBlockAt(const OverviewBlocks *blocks, int index);         // index below count
void          FreeOverviewBlocks(OverviewBlocks *blocks);

// The open clip's overview, built on a thread of its own at below-normal priority.
struct Overview;
Overview *StartOverview(const WCHAR *path);  // NULL when it could not start: no band, no jumps to words
void      StopOverview(Overview *overview);  // ends the reader and lets the overview go; NULL is fine
// The blocks known now, and whether they are the whole clip; those below the count never change.
int                   OverviewKnown(Overview *overview, bool *complete);
const OverviewBlocks *OverviewBlocksOf(const Overview *overview);

// The reader's side, on its thread: blocks made public as they come, and whether to go on.
void AddOverviewBlocks(Overview *overview, const OverviewBlock *blocks, int count);
bool OverviewGoesOn(Overview *overview);
// Decodes the clip's sound from the start into the overview; true once the whole clip is in.
bool DecodeOverview(Overview *overview, const WCHAR *path);

// The cache in %LOCALAPPDATA%\Lumetrone\overviews\, kept for the next open of the same file.
bool ReadCachedOverview(const WCHAR *clip, OverviewBlocks *blocks);    // true: the whole overview read
void CacheOverview(const WCHAR *clip, const OverviewBlocks *blocks);   // written whole; the cache kept under 200 MB
