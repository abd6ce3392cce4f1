#include "ClipboardPicture.h"

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
