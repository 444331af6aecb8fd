/* Stand-in for Media Foundation's error codes, those the player and the scripted reader use. */
#pragma once

#define MF_E_INVALIDREQUEST              ((HRESULT)0xC00D36B2L)
#define MF_E_INVALIDSTREAMNUMBER         ((HRESULT)0xC00D36B3L)
#define MF_E_INVALIDMEDIATYPE            ((HRESULT)0xC00D36B4L)
#define MF_E_UNSUPPORTED_BYTESTREAM_TYPE ((HRESULT)0xC00D36C4L)
#define MF_E_PLATFORM_NOT_INITIALIZED    ((HRESULT)0xC00D36FCL)
