#pragma once
// Global memory blocks, the containers of clipboard data. A handle names a
// block; GlobalLock gives its bytes. Handles are checked against the live
// blocks, so a stale or foreign handle gets a failure result, never a wild access.
#include "platform/core/Types.h"

using HGLOBAL = HANDLE;

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_NOCOMPACT 0x0010u
#define GMEM_NODISCARD 0x0020u
#define GMEM_ZEROINIT 0x0040u
#define GMEM_MODIFY 0x0080u
#define GMEM_DISCARDABLE 0x0100u
#define GMEM_SHARE 0x2000u
#define GMEM_DDESHARE 0x2000u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// New bytes are always zero, whatever the flags. Null when the size is beyond
// what the layer allows (1 GiB) or memory runs out.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Keeps the contents up to the smaller size; earlier GlobalLock pointers are void.
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
// Null for an unknown handle or an empty block.
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
// 0 for an unknown handle.
SIZE_T GlobalSize(HGLOBAL block);
// Null on success; the handle itself when it is unknown.
HGLOBAL GlobalFree(HGLOBAL block);
