#pragma once
// CMetaFileDC: a device context that records every drawing and state call and
// replays the recording into any other context (an image, a window, a page),
// so a picture can also be rendered to PNG or SVG. Text metrics and device
// capabilities come from the attribute context when one is set.
//
// The recording keeps copies of everything it needs (objects selected, source
// pixels of block transfers), so the objects may be deleted after recording.
// Replay is relative to the target: the target's viewport origin at the start
// is added to every recorded origin and clip region, the target's clip region
// bounds the picture, and the target's state is restored afterwards.
#include "platform/gdi/DC.h"

class QByteArray;
class QImage;

class CMetaFileDC : public CDC {
  DECLARE_DYNAMIC(CMetaFileDC)

 public:
  CMetaFileDC();
  ~CMetaFileDC() override;

  // Starts a memory recording; the file name is accepted but nothing is written.
  BOOL Create(const char* fileName = nullptr);
  // Ends the recording and hands it over; null when not recording.
  HMETAFILE Close();
  BOOL DeleteDC() override;
  int GetDeviceCaps(int index) const override;
};

// Replays the recording into the context; FALSE for a null handle.
BOOL PlayMetaFile(HDC hDC, HMETAFILE metaFile);
BOOL DeleteMetaFile(HMETAFILE metaFile);
// An independent handle to the same recording.
HMETAFILE CopyMetaFile(HMETAFILE metaFile);
// The logical bounds of everything the recording draws (empty when nothing).
CRect QxMetaFileBounds(HMETAFILE metaFile);
// Renders the logical rectangle source of the recording into a white image of
// size width x height (source scaled to fit when the sizes differ).
QImage QxRenderMetaFile(HMETAFILE metaFile, const RECT& source, int width, int height);
QByteArray QxMetaFileToPng(HMETAFILE metaFile, const RECT& source, int width, int height);
// An SVG document of the given size holding the rendered picture.
QByteArray QxMetaFileToSvg(HMETAFILE metaFile, const RECT& source, int width, int height);
