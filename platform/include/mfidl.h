/* Stand-in for Media Foundation's pipeline header: the one presentation attribute the player reads. */
#pragma once

#include <mfobjects.h>

MF_GUID(MF_PD_DURATION, 0x6c990d33, 0xbb8e, 0x477a, 0x85, 0x98, 0x0d, 0x5d, 0x96, 0xfc, 0xd8, 0x8a);
