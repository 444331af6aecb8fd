// The overview's blocks in chunks allocated as they fill, never moved nor copied.
#include "engine/overview.h"

#include <stdlib.h>

bool AppendOverviewBlock(OverviewBlocks *blocks, OverviewBlock block)
{
    int chunk = blocks->count / OVERVIEW_CHUNK_BLOCKS;
    if (chunk >= OVERVIEW_MAX_CHUNKS)
        return false;
    if (!blocks->chunks[chunk]) {
        blocks->chunks[chunk] = (OverviewBlock *)malloc(OVERVIEW_CHUNK_BLOCKS * sizeof(OverviewBlock));
        if (!blocks->chunks[chunk])
            return false;
    }
    blocks->chunks[chunk][blocks->count % OVERVIEW_CHUNK_BLOCKS] = block;
    blocks->count++;
    return true;
}

OverviewBlock OverviewBlockAt(const OverviewBlocks *blocks, int index)
{
    return blocks->chunks[index / OVERVIEW_CHUNK_BLOCKS][index % OVERVIEW_CHUNK_BLOCKS];
}

void FreeOverviewBlocks(OverviewBlocks *blocks)
{
    for (OverviewBlock *&chunk : blocks->chunks) {
        free(chunk);
        chunk = NULL;
    }
    blocks->count = 0;
}
