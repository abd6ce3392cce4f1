// CMetaFileDC and the finished recordings: replay, bounds, PNG and SVG.
#include "platform/gdi/MetaFileDC.h"

#include "platform/gdi/GdiInternal.h"

#include <QBuffer>
#include <QByteArray>
#include <QPainter>
#include <QSvgGenerator>

#include <mutex>
#include <set>

IMPLEMENT_DYNAMIC(CMetaFileDC, CDC)

struct HMETAFILE__ {
  std::shared_ptr<qxgdi::Recording> recording;
};

namespace {

std::mutex g_handleLock;
std::set<HMETAFILE>& Handles() {
  static std::set<HMETAFILE>* handles = new std::set<HMETAFILE>;
  return *handles;
}

HMETAFILE NewHandle(std::shared_ptr<qxgdi::Recording> recording) {
  HMETAFILE h = new HMETAFILE__{std::move(recording)};
  std::lock_guard<std::mutex> guard(g_handleLock);
  Handles().insert(h);
  return h;
}

std::shared_ptr<qxgdi::Recording> Lookup(HMETAFILE h) {
  std::lock_guard<std::mutex> guard(g_handleLock);
  return Handles().count(h) ? h->recording : nullptr;
}

}  // namespace

CMetaFileDC::CMetaFileDC() = default;
CMetaFileDC::~CMetaFileDC() {
  CMetaFileDC::DeleteDC();
}

BOOL CMetaFileDC::Create(const char*) {
  CDC::DeleteDC();
  BeginRecording(std::make_shared<qxgdi::Recording>());
  return TRUE;
}

HMETAFILE CMetaFileDC::Close() {
  if (!IsRecording()) return nullptr;
  HMETAFILE h = NewHandle(EndRecording());
  CDC::DeleteDC();
  return h;
}

BOOL CMetaFileDC::DeleteDC() {
  return CDC::DeleteDC();
}

int CMetaFileDC::GetDeviceCaps(int index) const {
  CDC* attrib = CDC::FromHandle(m_hAttribDC);
  if (attrib && attrib != this) return attrib->GetDeviceCaps(index);
  return index == TECHNOLOGY ? DT_METAFILE : CDC::GetDeviceCaps(index);
}

BOOL CDC::PlayMetaFile(HMETAFILE metaFile) {
  std::shared_ptr<qxgdi::Recording> recording = Lookup(metaFile);
  if (!recording || !m_hDC) return FALSE;
  qxgdi::ReplayContext ctx;
  ctx.base = m_state->a.viewportOrg;
  ctx.clip = m_state->a.clip;
  ctx.baseDepth = SaveDC();
  for (const auto& op : recording->ops) op(*this, ctx);
  RestoreDC(ctx.baseDepth);
  return TRUE;
}

BOOL PlayMetaFile(HDC hDC, HMETAFILE metaFile) {
  CDC* dc = CDC::FromHandle(hDC);
  return dc ? dc->PlayMetaFile(metaFile) : FALSE;
}

BOOL DeleteMetaFile(HMETAFILE metaFile) {
  std::lock_guard<std::mutex> guard(g_handleLock);
  if (!Handles().erase(metaFile)) return FALSE;
  delete metaFile;
  return TRUE;
}

HMETAFILE CopyMetaFile(HMETAFILE metaFile) {
  auto recording = Lookup(metaFile);
  return recording ? NewHandle(recording) : nullptr;
}

CRect QxMetaFileBounds(HMETAFILE metaFile) {
  auto recording = Lookup(metaFile);
  if (!recording || recording->bounds.isEmpty()) return CRect();
  const QRect& b = recording->bounds;
  return CRect(b.left(), b.top(), b.right() + 1, b.bottom() + 1);
}

QImage QxRenderMetaFile(HMETAFILE metaFile, const RECT& source, int width, int height) {
  const int sw = source.right - source.left, sh = source.bottom - source.top;
  if (!Lookup(metaFile) || sw <= 0 || sh <= 0 || width <= 0 || height <= 0 ||
      1LL * sw * sh > (1LL << 26) || 1LL * width * height > (1LL << 26))
    return QImage();
  QImage image(sw, sh, QImage::Format_RGB32);
  image.fill(0xFFFFFFFFu);
  {
    CDC dc;
    dc.AttachImage(&image);
    dc.SetViewportOrg(-source.left, -source.top);
    dc.PlayMetaFile(metaFile);
    dc.DetachImage();
  }
  if (sw != width || sh != height)
    image = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  return image;
}

QByteArray QxMetaFileToPng(HMETAFILE metaFile, const RECT& source, int width, int height) {
  QImage image = QxRenderMetaFile(metaFile, source, width, height);
  QByteArray bytes;
  if (image.isNull()) return bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QByteArray QxMetaFileToSvg(HMETAFILE metaFile, const RECT& source, int width, int height) {
  QImage image = QxRenderMetaFile(metaFile, source, width, height);
  QByteArray bytes;
  if (image.isNull()) return bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(width, height));
  svg.setViewBox(QRect(0, 0, width, height));
  {
    QPainter p(&svg);
    p.drawImage(0, 0, image);
  }
  return bytes;
}
