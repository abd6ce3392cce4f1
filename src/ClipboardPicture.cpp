#include "ClipboardPicture.h"

#include "GlobalResources.h"
#include "platform/gdi/SelectGuard.h"
#include "platform/core/GlobalMemory.h"
#include "platform/core/MessageBox.h"
#include "platform/gdi/MetaFileDC.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Wnd.h"

namespace {

// Files the recording under its header block; FALSE (both freed) when the
// clipboard does not take it.
BOOL SetPicture(HMETAFILE recording, LONG width, LONG height) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(METAFILEPICT));
  auto* header = block ? static_cast<METAFILEPICT*>(GlobalLock(block)) : nullptr;
  BOOL placed = FALSE;
  if (header) {
    header->mm = MM_TEXT;
    header->xExt = width;
    header->yExt = height;
    header->hMF = recording;
    GlobalUnlock(block);
    placed = ::SetClipboardData(CF_METAFILEPICT, block) != nullptr;
  }
  // What the clipboard did not take is still ours.
  if (!placed) {
    if (block) GlobalFree(block);
    DeleteMetaFile(recording);
  }
  return placed;
}

}  // namespace

BOOL PutPictureOnClipboard(CWnd* owner, const ClipboardPicture& picture,
                           const ClipboardPictureTexts& texts) {
  if (!::OpenClipboard(owner ? owner->GetSafeHwnd() : nullptr)) {
    AfxMessageBox(texts.cannotOpen, MB_OK);
    return FALSE;
  }
  if (!::EmptyClipboard()) {
    ::CloseClipboard();
    AfxMessageBox(texts.cannotEmpty, MB_OK);
    return FALSE;
  }
  HMETAFILE recording = picture.record ? picture.record() : nullptr;
  const BOOL placed = recording && SetPicture(recording, picture.width, picture.height);
  ::CloseClipboard();
  if (!placed) AfxMessageBox(texts.cannotSet, MB_OK);
  return placed;
}

HMETAFILE RecordFramedPicture(const FramedPicture& picture) {
  constexpr int kTitleRow = -17;
  constexpr COLORREF kWhite = RGB(255, 255, 255);
  const int width = picture.width, height = picture.height;
  return RecordPicture([&](CMetaFileDC& meta) {
    const COLORREF oldText = meta.SetTextColor(RGB(0, 0, 0));
    const int oldBkMode = meta.SetBkMode(TRANSPARENT);
    QxSelectGuard font(meta, g_fonts[kFontBold][0]);
    QxSelectGuard pen(meta, g_pens[0][0]);

    const UINT oldAlign = meta.SetTextAlign(TA_CENTER | TA_TOP);
    meta.TextOut(width / 2, kTitleRow, picture.title);
    meta.SetTextAlign(TA_BASELINE);
    meta.SetPixelV(-1, kTitleRow, kWhite);
    meta.SetPixelV(width + 2, height + 2, kWhite);
    if (picture.italic) meta.SelectObject(g_fonts[kFontItalic][0]);
    const POINT frame[] = {{-1, -1}, {width, -1}, {width, height}, {-1, height}, {-1, -1}};
    meta.Polyline(frame, 5);

    CRgn clip;
    clip.CreateRectRgn(0, 0, width, height);
    meta.SelectClipRgn(&clip);
    if (picture.clipboardDrawing) g_bClipboardDrawing = 1;
    if (picture.draw) picture.draw(&meta);
    if (picture.clipboardDrawing) g_bClipboardDrawing = 0;
    meta.SelectClipRgn(nullptr);

    meta.SetTextColor(oldText);
    meta.SetBkMode(oldBkMode);
    meta.SetTextAlign(oldAlign);
  });
}

HMETAFILE RecordPicture(const std::function<void(CMetaFileDC&)>& draw) {
  CDC reference;
  if (!reference.CreateCompatibleDC(nullptr)) return nullptr;
  CMetaFileDC meta;
  if (!meta.Create()) return nullptr;
  meta.SetAttribDC(reference.GetSafeHdc());
  const int oldMapMode = meta.SetMapMode(MM_TEXT);
  draw(meta);
  meta.SetMapMode(oldMapMode);
  meta.ReleaseAttribDC();
  reference.DeleteDC();
  return meta.Close();
}
