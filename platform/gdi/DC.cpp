// CDC: the context itself, object selection, attributes, mapping, clipping and
// saved states. Drawing is in DCDraw.cpp, text in DCText.cpp.
#include "platform/gdi/DC.h"

#include "platform/gdi/GdiInternal.h"
#include "platform/gdi/Screen.h"

#include <cmath>
#include <mutex>
#include <set>

IMPLEMENT_DYNAMIC(CDC, CObject)

using qxgdi::DataPtr;
using qxgdi::Kind;
using qxgdi::Record;

namespace {

std::mutex g_liveLock;
std::set<CDC*>& Live() {
  static std::set<CDC*>* live = new std::set<CDC*>;
  return *live;
}

HDC HandleOf(CDC* dc) {
  return reinterpret_cast<HDC>(dc);
}

int MulDivRound(long long value, long long num, long long den) {
  if (den == 0) return static_cast<int>(value);
  long long p = value * num;
  long long q =
      (p >= 0) == (den > 0) ? (p + std::llabs(den) / 2) / den : (p - std::llabs(den) / 2) / den;
  return static_cast<int>(q);
}

}  // namespace

namespace qxgdi {

QPoint ToDevice(const Attributes& a, int x, int y) {
  if (a.mapMode == MM_TEXT)
    return QPoint(x - a.windowOrg.x() + a.viewportOrg.x(), y - a.windowOrg.y() + a.viewportOrg.y());
  return QPoint(MulDivRound(x - a.windowOrg.x(), a.viewportExt.width(), a.windowExt.width()) +
                    a.viewportOrg.x(),
                MulDivRound(y - a.windowOrg.y(), a.viewportExt.height(), a.windowExt.height()) +
                    a.viewportOrg.y());
}

QPoint ToLogical(const Attributes& a, int x, int y) {
  if (a.mapMode == MM_TEXT)
    return QPoint(x - a.viewportOrg.x() + a.windowOrg.x(), y - a.viewportOrg.y() + a.windowOrg.y());
  return QPoint(MulDivRound(x - a.viewportOrg.x(), a.windowExt.width(), a.viewportExt.width()) +
                    a.windowOrg.x(),
                MulDivRound(y - a.viewportOrg.y(), a.windowExt.height(), a.viewportExt.height()) +
                    a.windowOrg.y());
}

QRect ToDeviceRect(const Attributes& a, const RECT& r) {
  QPoint p1 = ToDevice(a, r.left, r.top), p2 = ToDevice(a, r.right, r.bottom);
  int l = std::min(p1.x(), p2.x()), rr = std::max(p1.x(), p2.x());
  int t = std::min(p1.y(), p2.y()), b = std::max(p1.y(), p2.y());
  return QRect(l, t, rr - l, b - t);
}

double ScaleX(const Attributes& a) {
  return a.mapMode == MM_TEXT ? 1.0
                              : static_cast<double>(a.viewportExt.width()) / a.windowExt.width();
}
double ScaleY(const Attributes& a) {
  return a.mapMode == MM_TEXT ? 1.0
                              : static_cast<double>(a.viewportExt.height()) / a.windowExt.height();
}

QRegion PaintRegion(const CDC& dc) {
  QImage* surface = QxDCAccess::Surface(dc);
  if (!surface) return QRegion();
  QRegion r(surface->rect());
  const auto& clip = QxDCAccess::State(dc).a.clip;
  return clip ? r.intersected(*clip) : r;
}

void Record(CDC& dc, std::function<void(CDC&, const ReplayContext&)> op) {
  QxDCAccess::Rec(dc)->ops.push_back(std::move(op));
}

}  // namespace qxgdi

QImage* QxDCAccess::Surface(const CDC& dc) {
  if (dc.m_recording) return nullptr;
  if (dc.m_attached) {
    if (dc.m_prepareAttached) dc.m_prepareAttached();
    // The owner may have replaced the image since it was attached; the pixel
    // code needs 32 bits per pixel.
    if (dc.m_attached->depth() != 32 && !dc.m_attached->isNull())
      dc.m_attached->convertTo(QImage::Format_RGB32);
    return dc.m_attached;
  }
  const auto& bitmap = dc.m_state->a.bitmap;
  return bitmap ? &bitmap->image : nullptr;
}

void QxDCAccess::SelectData(CDC& dc, const qxgdi::DataPtr& data) {
  if (!data) return;
  auto& a = dc.m_state->a;
  switch (data->kind) {
    case Kind::Pen:
      a.pen = data;
      break;
    case Kind::Brush:
      a.brush = data;
      break;
    case Kind::Font:
      a.font = data;
      break;
    case Kind::Bitmap:
      if (dc.m_state->memory) a.bitmap = data;
      break;
    case Kind::Region:
      SetClip(dc, data->region);
      return;
  }
  if (dc.m_recording && data->kind != Kind::Bitmap)
    Record(dc, [data](CDC& t, const qxgdi::ReplayContext&) { SelectData(t, data); });
}

void QxDCAccess::SetClip(CDC& dc, std::optional<QRegion> clip) {
  dc.m_state->a.clip = clip;
  if (dc.m_recording)
    Record(dc, [clip](CDC& t, const qxgdi::ReplayContext& ctx) {
      std::optional<QRegion> c = clip;
      if (c) c->translate(ctx.base);
      if (ctx.clip) c = c ? c->intersected(*ctx.clip) : *ctx.clip;
      t.m_state->a.clip = c;
    });
}

// ---- the context itself -------------------------------------------------------

CDC::CDC() : m_state(std::make_unique<qxgdi::DCState>()) {
  auto& a = m_state->a;
  a.pen = qxgdi::StockData(BLACK_PEN);
  a.brush = qxgdi::StockData(WHITE_BRUSH);
  a.font = qxgdi::StockData(SYSTEM_FONT);
}

CDC::~CDC() {
  CDC::DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC) {
  std::lock_guard<std::mutex> guard(g_liveLock);
  CDC* dc = reinterpret_cast<CDC*>(hDC);
  return Live().count(dc) ? dc : nullptr;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
  DeleteDC();
  m_state = std::make_unique<qxgdi::DCState>();
  auto& a = m_state->a;
  a.pen = qxgdi::StockData(BLACK_PEN);
  a.brush = qxgdi::StockData(WHITE_BRUSH);
  a.font = qxgdi::StockData(SYSTEM_FONT);
  m_defaultBitmap.CreateCompatibleBitmap(nullptr, 1, 1);
  a.bitmap = m_defaultBitmap.Data();
  m_state->memory = true;
  m_hDC = m_hAttribDC = HandleOf(this);
  std::lock_guard<std::mutex> guard(g_liveLock);
  Live().insert(this);
  return TRUE;
}

BOOL CDC::DeleteDC() {
  bool had = m_hDC != nullptr;
  {
    std::lock_guard<std::mutex> guard(g_liveLock);
    Live().erase(this);
  }
  m_hDC = m_hAttribDC = nullptr;
  m_attached = nullptr;
  m_prepareAttached = nullptr;
  m_recording.reset();
  m_state = std::make_unique<qxgdi::DCState>();
  m_state->a.pen = qxgdi::StockData(BLACK_PEN);
  m_state->a.brush = qxgdi::StockData(WHITE_BRUSH);
  m_state->a.font = qxgdi::StockData(SYSTEM_FONT);
  m_defaultBitmap.DeleteObject();
  return had;
}

BOOL CDC::AttachImage(QImage* image) {
  if (!image) {
    DetachImage();
    return TRUE;
  }
  if (image->isNull()) return FALSE;
  if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32)
    image->convertTo(QImage::Format_RGB32);
  if (!m_hDC) {
    m_hDC = m_hAttribDC = HandleOf(this);
    std::lock_guard<std::mutex> guard(g_liveLock);
    Live().insert(this);
  }
  m_attached = image;
  m_prepareAttached = nullptr;
  return TRUE;
}

QImage* CDC::DetachImage() {
  QImage* image = m_attached;
  m_attached = nullptr;
  m_prepareAttached = nullptr;
  return image;
}

void QxDCAccess::SetAttachedPreparation(CDC& dc, std::function<void()> prepare) {
  dc.m_prepareAttached = std::move(prepare);
}

QImage* CDC::GetImage() const {
  return QxDCAccess::Surface(*this);
}

void CDC::SetAttribDC(HDC hDC) {
  m_state->attrib = hDC;
  m_hAttribDC = hDC;
}

void CDC::ReleaseAttribDC() {
  m_state->attrib = nullptr;
  m_hAttribDC = m_recording ? nullptr : m_hDC;
}

int CDC::GetDeviceCaps(int index) const {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  switch (index) {
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZRES:
      return w;
    case VERTRES:
      return h;
    case HORZSIZE:
      return static_cast<int>(std::lround(w * 25.4 / 96.0));
    case VERTSIZE:
      return static_cast<int>(std::lround(h * 25.4 / 96.0));
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case BITSPIXEL:
      return 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_STRETCHBLT;
    case ASPECTX:
    case ASPECTY:
      return 36;
    case ASPECTXY:
      return 51;
    case PHYSICALWIDTH:
      return w;
    case PHYSICALHEIGHT:
      return h;
    default:
      return 0;
  }
}

void CDC::BeginRecording(std::shared_ptr<qxgdi::Recording> recording) {
  m_recording = std::move(recording);
  m_hDC = HandleOf(this);
  m_hAttribDC = m_state->attrib;
  std::lock_guard<std::mutex> guard(g_liveLock);
  Live().insert(this);
}

std::shared_ptr<qxgdi::Recording> CDC::EndRecording() {
  auto recording = std::move(m_recording);
  m_recording.reset();
  return recording;
}

// ---- objects --------------------------------------------------------------------

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  if (!object || !object->Data()) return nullptr;
  const DataPtr& d = object->Data();
  DataPtr old;
  auto& a = m_state->a;
  switch (d->kind) {
    case Kind::Pen:
      old = a.pen;
      break;
    case Kind::Brush:
      old = a.brush;
      break;
    case Kind::Font:
      old = a.font;
      break;
    case Kind::Bitmap:
      if (!m_state->memory || m_recording) return nullptr;
      old = a.bitmap;
      break;
    case Kind::Region:
      return nullptr;
  }
  QxDCAccess::SelectData(*this, d);
  return qxgdi::WrapperOf(old);
}

CPen* CDC::SelectObject(CPen* pen) {
  return static_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pen)));
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return static_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(brush)));
}
CFont* CDC::SelectObject(CFont* font) {
  return static_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(font)));
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return static_cast<CBitmap*>(SelectObject(static_cast<CGdiObject*>(bitmap)));
}

CGdiObject* CDC::SelectStockObject(int index) {
  return SelectObject(QxStockObject(index));
}

CPen* CDC::GetCurrentPen() const {
  return static_cast<CPen*>(qxgdi::WrapperOf(m_state->a.pen));
}
CBrush* CDC::GetCurrentBrush() const {
  return static_cast<CBrush*>(qxgdi::WrapperOf(m_state->a.brush));
}
CFont* CDC::GetCurrentFont() const {
  return static_cast<CFont*>(qxgdi::WrapperOf(m_state->a.font));
}
CBitmap* CDC::GetCurrentBitmap() const {
  return static_cast<CBitmap*>(qxgdi::WrapperOf(m_state->a.bitmap));
}

// ---- attributes -----------------------------------------------------------------

// Sets one attribute, records it, and returns the previous value.
#define QX_ATTRIBUTE(Type, Setter, Getter, field)                                       \
  Type CDC::Setter(Type value) {                                                        \
    Type old = m_state->a.field;                                                        \
    m_state->a.field = value;                                                           \
    if (m_recording)                                                                    \
      Record(*this, [value](CDC& t, const qxgdi::ReplayContext&) { t.Setter(value); }); \
    return old;                                                                         \
  }                                                                                     \
  Type CDC::Getter() const {                                                            \
    return m_state->a.field;                                                            \
  }

QX_ATTRIBUTE(COLORREF, SetTextColor, GetTextColor, textColor)
QX_ATTRIBUTE(COLORREF, SetBkColor, GetBkColor, bkColor)
QX_ATTRIBUTE(UINT, SetTextAlign, GetTextAlign, textAlign)
QX_ATTRIBUTE(int, SetPolyFillMode, GetPolyFillMode, polyFillMode)
QX_ATTRIBUTE(int, SetStretchBltMode, GetStretchBltMode, stretchMode)
#undef QX_ATTRIBUTE

int CDC::SetBkMode(int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  int old = m_state->a.bkMode;
  m_state->a.bkMode = mode;
  if (m_recording)
    Record(*this, [mode](CDC& t, const qxgdi::ReplayContext&) { t.SetBkMode(mode); });
  return old;
}
int CDC::GetBkMode() const {
  return m_state->a.bkMode;
}

int CDC::SetROP2(int mode) {
  if (mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = m_state->a.rop2;
  m_state->a.rop2 = mode;
  if (m_recording) Record(*this, [mode](CDC& t, const qxgdi::ReplayContext&) { t.SetROP2(mode); });
  return old;
}
int CDC::GetROP2() const {
  return m_state->a.rop2;
}

// ---- mapping ----------------------------------------------------------------------

int CDC::SetMapMode(int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  auto& a = m_state->a;
  int old = a.mapMode;
  // Only MM_TEXT and the free scaling modes are kept; the metric modes map one to one.
  a.mapMode = (mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC) ? MM_ANISOTROPIC : MM_TEXT;
  if (a.mapMode == MM_TEXT) {
    a.viewportExt = a.windowExt = QSize(1, 1);
  }
  if (m_recording)
    Record(*this, [mode](CDC& t, const qxgdi::ReplayContext&) { t.SetMapMode(mode); });
  return old;
}
int CDC::GetMapMode() const {
  return m_state->a.mapMode;
}

CPoint CDC::SetViewportOrg(int x, int y) {
  QPoint old = m_state->a.viewportOrg;
  m_state->a.viewportOrg = QPoint(x, y);
  if (m_recording)
    Record(*this, [x, y](CDC& t, const qxgdi::ReplayContext& ctx) {
      t.SetViewportOrg(x + ctx.base.x(), y + ctx.base.y());
    });
  return CPoint(old.x(), old.y());
}
CPoint CDC::OffsetViewportOrg(int dx, int dy) {
  QPoint o = m_state->a.viewportOrg;
  return SetViewportOrg(o.x() + dx, o.y() + dy);
}
CPoint CDC::GetViewportOrg() const {
  return CPoint(m_state->a.viewportOrg.x(), m_state->a.viewportOrg.y());
}

CPoint CDC::SetWindowOrg(int x, int y) {
  QPoint old = m_state->a.windowOrg;
  m_state->a.windowOrg = QPoint(x, y);
  if (m_recording)
    Record(*this, [x, y](CDC& t, const qxgdi::ReplayContext&) { t.SetWindowOrg(x, y); });
  return CPoint(old.x(), old.y());
}
CPoint CDC::OffsetWindowOrg(int dx, int dy) {
  QPoint o = m_state->a.windowOrg;
  return SetWindowOrg(o.x() + dx, o.y() + dy);
}
CPoint CDC::GetWindowOrg() const {
  return CPoint(m_state->a.windowOrg.x(), m_state->a.windowOrg.y());
}

CSize CDC::SetViewportExt(int cx, int cy) {
  auto& a = m_state->a;
  QSize old = a.viewportExt;
  if (a.mapMode == MM_TEXT || cx == 0 || cy == 0) return CSize(old.width(), old.height());
  a.viewportExt = QSize(cx, cy);
  if (m_recording)
    Record(*this, [cx, cy](CDC& t, const qxgdi::ReplayContext&) { t.SetViewportExt(cx, cy); });
  return CSize(old.width(), old.height());
}
CSize CDC::GetViewportExt() const {
  return CSize(m_state->a.viewportExt.width(), m_state->a.viewportExt.height());
}

CSize CDC::SetWindowExt(int cx, int cy) {
  auto& a = m_state->a;
  QSize old = a.windowExt;
  if (a.mapMode == MM_TEXT || cx == 0 || cy == 0) return CSize(old.width(), old.height());
  a.windowExt = QSize(cx, cy);
  if (m_recording)
    Record(*this, [cx, cy](CDC& t, const qxgdi::ReplayContext&) { t.SetWindowExt(cx, cy); });
  return CSize(old.width(), old.height());
}
CSize CDC::GetWindowExt() const {
  return CSize(m_state->a.windowExt.width(), m_state->a.windowExt.height());
}

void CDC::LPtoDP(LPPOINT points, int count) const {
  for (int i = 0; points && i < count; ++i) {
    QPoint d = qxgdi::ToDevice(m_state->a, points[i].x, points[i].y);
    points[i].x = d.x();
    points[i].y = d.y();
  }
}
void CDC::LPtoDP(LPRECT rect) const {
  LPtoDP(reinterpret_cast<LPPOINT>(rect), 2);
}
void CDC::DPtoLP(LPPOINT points, int count) const {
  for (int i = 0; points && i < count; ++i) {
    QPoint l = qxgdi::ToLogical(m_state->a, points[i].x, points[i].y);
    points[i].x = l.x();
    points[i].y = l.y();
  }
}
void CDC::DPtoLP(LPRECT rect) const {
  DPtoLP(reinterpret_cast<LPPOINT>(rect), 2);
}

// ---- clipping ---------------------------------------------------------------------

namespace {
int RegionType(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
}  // namespace

int CDC::SelectClipRgn(CRgn* region) {
  if (!region || !region->Data()) {
    QxDCAccess::SetClip(*this, std::nullopt);
    QImage* s = GetImage();
    return s ? SIMPLEREGION : NULLREGION;
  }
  QxDCAccess::SetClip(*this, region->Data()->region);
  return RegionType(region->Data()->region);
}

int CDC::SelectClipRgn(CRgn* region, int mode) {
  if (mode == RGN_COPY) return SelectClipRgn(region);
  if (!region || !region->Data()) return RGN_ERROR;
  QImage* s = GetImage();
  QRegion current = m_state->a.clip
                        ? *m_state->a.clip
                        : QRegion(s ? s->rect() : QRect(-(1 << 28), -(1 << 28), 1 << 29, 1 << 29));
  const QRegion& r = region->Data()->region;
  QRegion result;
  switch (mode) {
    case RGN_AND:
      result = current.intersected(r);
      break;
    case RGN_OR:
      result = current.united(r);
      break;
    case RGN_XOR:
      result = current.xored(r);
      break;
    case RGN_DIFF:
      result = current.subtracted(r);
      break;
    default:
      return RGN_ERROR;
  }
  QxDCAccess::SetClip(*this, result);
  return RegionType(result);
}

int CDC::IntersectClipRect(int left, int top, int right, int bottom) {
  QRect r = qxgdi::ToDeviceRect(m_state->a, RECT{left, top, right, bottom});
  QImage* s = GetImage();
  QRegion current = m_state->a.clip ? *m_state->a.clip : (s ? QRegion(s->rect()) : QRegion(r));
  QRegion result = current.intersected(r);
  QxDCAccess::SetClip(*this, result);
  return RegionType(result);
}

int CDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  QRect r = qxgdi::ToDeviceRect(m_state->a, RECT{left, top, right, bottom});
  QImage* s = GetImage();
  QRegion current = m_state->a.clip
                        ? *m_state->a.clip
                        : QRegion(s ? s->rect() : QRect(-(1 << 28), -(1 << 28), 1 << 29, 1 << 29));
  QRegion result = current.subtracted(r);
  QxDCAccess::SetClip(*this, result);
  return RegionType(result);
}

int CDC::GetClipBox(LPRECT rect) const {
  if (!rect) return RGN_ERROR;
  QRegion visible;
  if (m_recording) {
    visible = m_state->a.clip ? *m_state->a.clip
                              : QRegion(QRect(-(1 << 15), -(1 << 15), 1 << 16, 1 << 16));
  } else {
    visible = qxgdi::PaintRegion(*this);
  }
  if (visible.isEmpty()) {
    ::SetRectEmpty(rect);
    return NULLREGION;
  }
  QRect box = visible.boundingRect();
  QPoint p1 = qxgdi::ToLogical(m_state->a, box.left(), box.top());
  QPoint p2 = qxgdi::ToLogical(m_state->a, box.right() + 1, box.bottom() + 1);
  ::SetRect(rect, std::min(p1.x(), p2.x()), std::min(p1.y(), p2.y()), std::max(p1.x(), p2.x()),
            std::max(p1.y(), p2.y()));
  return RegionType(visible);
}

BOOL CDC::RectVisible(LPCRECT rect) const {
  if (!rect) return FALSE;
  QRect r = qxgdi::ToDeviceRect(m_state->a, *rect);
  if (r.isEmpty()) return FALSE;
  if (m_recording) return !m_state->a.clip || m_state->a.clip->intersects(r);
  return qxgdi::PaintRegion(*this).intersects(r);
}

BOOL CDC::PtVisible(int x, int y) const {
  QPoint d = qxgdi::ToDevice(m_state->a, x, y);
  if (m_recording) return !m_state->a.clip || m_state->a.clip->contains(d);
  return qxgdi::PaintRegion(*this).contains(d);
}

// ---- saved states -------------------------------------------------------------------

int CDC::SaveDC() {
  m_state->saved.push_back(m_state->a);
  if (m_recording) Record(*this, [](CDC& t, const qxgdi::ReplayContext&) { t.SaveDC(); });
  return static_cast<int>(m_state->saved.size());
}

BOOL CDC::RestoreDC(int savedDC) {
  auto& saved = m_state->saved;
  int depth = static_cast<int>(saved.size());
  int target = savedDC < 0 ? depth + savedDC + 1 : savedDC;
  if (target < 1 || target > depth) return FALSE;
  m_state->a = saved[static_cast<size_t>(target - 1)];
  saved.resize(static_cast<size_t>(target - 1));
  if (m_recording)
    Record(*this, [savedDC](CDC& t, const qxgdi::ReplayContext& ctx) {
      t.RestoreDC(savedDC < 0 ? savedDC : savedDC + ctx.baseDepth);
    });
  return TRUE;
}

CPoint CDC::GetCurrentPosition() const {
  return CPoint(m_state->a.position.x(), m_state->a.position.y());
}

CPoint CDC::MoveTo(int x, int y) {
  QPoint old = m_state->a.position;
  m_state->a.position = QPoint(x, y);
  m_state->a.styleStep = 0;
  if (m_recording) Record(*this, [x, y](CDC& t, const qxgdi::ReplayContext&) { t.MoveTo(x, y); });
  return CPoint(old.x(), old.y());
}
