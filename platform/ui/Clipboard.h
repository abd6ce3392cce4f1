#pragma once
// The clipboard: global memory blocks filed by format, opened by one owner at
// a time. What the system puts there is also offered to the desktop (every
// other program) when the clipboard is closed:
//   CF_TEXT           8-bit Windows-1252 text with CR LF line ends and a
//                     terminating zero -> plain text with LF line ends
//   CF_METAFILEPICT   a METAFILEPICT holding a CMetaFileDC recording
//                     -> "image/png" and "image/svg+xml" renderings of the
//                     stated size, the drawing's top-left point at their
//                     origin (see METAFILEPICT)
//   registered format -> a MIME type of the format's own name, the block's bytes
// Reading takes the desktop's contents when another program changed it: text
// becomes CF_TEXT, and data under a registered format's name that format
// (each at most QX_CLIPBOARD_MAX_PASTE bytes).
//
// User-interface thread only.
#include "platform/core/GlobalMemory.h"
#include "platform/gdi/GdiTypes.h"

#define CF_TEXT 1u
#define CF_BITMAP 2u
#define CF_METAFILEPICT 3u
#define CF_OEMTEXT 7u
#define CF_DIB 8u
#define CF_UNICODETEXT 13u
#define CF_ENHMETAFILE 14u

// The largest block taken from the desktop's clipboard.
#define QX_CLIPBOARD_MAX_PASTE (64u << 20)

// A picture on the clipboard; the clipboard owns the recording once the block
// is set. With MM_TEXT the extents are the picture's size in pixels; with
// MM_ANISOTROPIC or MM_ISOTROPIC they are HIMETRIC, and the drawing is scaled
// into them at 96 dpi. Missing or absurd extents (more than 16384 pixels a
// side) and other modes give the drawing's bounds instead.
struct METAFILEPICT {
  LONG mm = 0;
  LONG xExt = 0;
  LONG yExt = 0;
  HMETAFILE hMF = nullptr;
};
using LPMETAFILEPICT = METAFILEPICT*;

// The owner is a window handle (CWnd::OpenClipboard passes its own); null is
// an anonymous owner. Opening fails while another owner has it open.
BOOL OpenClipboard(HWND owner);
// Frees every block (and the recordings of pictures); the opener becomes the owner.
BOOL EmptyClipboard();
// The clipboard takes the block (a live global block) and frees the one it
// replaces; returns the block, or null on failure, when the caller keeps it.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The block stays the clipboard's; null when the format is not there or the
// clipboard is not open.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The format after format (0: the first); 0 at the end.
UINT EnumClipboardFormats(UINT format);
// Offers the contents to the desktop when they changed while open.
BOOL CloseClipboard();
// Equal names (ignoring case) give equal ids, from 0xC000 on; null or "" gives 0.
UINT RegisterClipboardFormat(LPCSTR name);
inline UINT RegisterClipboardFormatA(LPCSTR name) {
  return RegisterClipboardFormat(name);
}
// Copies the registered format's name; 0 for other ids.
int GetClipboardFormatName(UINT format, LPSTR buffer, int bufferSize);
// The owner that has the clipboard open, or null.
HWND GetOpenClipboardWindow();
