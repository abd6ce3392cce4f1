#pragma once
// The one way a window puts a picture on the clipboard: open it, empty it,
// record the picture, file it as CF_METAFILEPICT under a header block of
// sizeof(METAFILEPICT) bytes, close it. Every caller (the diagram view, the
// formula editor, the signal panes, the population strip) gives its own
// picture and its own messages; the clipboard is closed on every path, and a
// recording or block the clipboard did not take is freed here.
//
// User-interface thread only.
#include "platform/core/Types.h"
#include "platform/gdi/GdiTypes.h"

#include <functional>

class CDC;
class CMetaFileDC;
class CWnd;

// The messages of the three failures (shown in an OK box).
struct ClipboardPictureTexts {
  const char* cannotOpen = "Cannot open the Clipboard";
  const char* cannotEmpty = "Cannot empty the Clipboard";
  const char* cannotSet = "Unable to set Clipboard data";
};

// The picture's extents (MM_TEXT: pixels) and the recording. record runs with
// the clipboard open and emptied and returns the picture, or null when it
// could not be made (then cannotSet is shown).
struct ClipboardPicture {
  LONG width = 0;
  LONG height = 0;
  std::function<HMETAFILE()> record;
};

// A window's picture as every window records it: the title centred above a
// frame round width x height pixels, the drawing clipped to the frame, two
// white pixels stretching the bounds over the title and a margin. italic
// selects the italic face for the drawing (the view and the signal panes
// label in it); clipboardDrawing sets g_bClipboardDrawing while it draws.
struct FramedPicture {
  const char* title = "";
  int width = 0;
  int height = 0;
  bool italic = true;
  bool clipboardDrawing = true;
  std::function<void(CDC*)> draw;
};
// The recording, or null when no recording context could be made.
HMETAFILE RecordFramedPicture(const FramedPicture& picture);
// What draw paints into a picture recording in pixel units (measured
// against a screen-compatible context); null when no recording context
// could be made.
HMETAFILE RecordPicture(const std::function<void(CMetaFileDC&)>& draw);

// TRUE when the clipboard holds the picture (and nothing else); owner is the
// window that opens the clipboard (may be null).
BOOL PutPictureOnClipboard(CWnd* owner, const ClipboardPicture& picture,
                           const ClipboardPictureTexts& texts = {});
