// Drawing objects: records, the handle registries, stock objects, bitmaps.
#include "platform/gdi/GdiObjects.h"

#include "platform/gdi/DC.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/core/VectorState.h"

#include <QImage>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CRgn, CGdiObject)

namespace qxgdi {
namespace {

struct Registry {
  std::mutex lock;
  std::map<GdiData*, std::weak_ptr<GdiData>> records;
  std::map<GdiData*, CGdiObject*> wrappers;
  // Wrappers made for records whose own wrapper is gone; they live as long as
  // the process, as a caller may select them back at any later time.
  std::map<GdiData*, std::unique_ptr<CGdiObject>> temporaries;
};

Registry& Reg() {
  static Registry* registry = new Registry;  // outlives every static wrapper
  return *registry;
}

std::unique_ptr<CGdiObject> NewWrapper(Kind kind) {
  switch (kind) {
    case Kind::Pen:
      return std::make_unique<CPen>();
    case Kind::Brush:
      return std::make_unique<CBrush>();
    case Kind::Font:
      return std::make_unique<CFont>();
    case Kind::Bitmap:
      return std::make_unique<CBitmap>();
    case Kind::Region:
      return std::make_unique<CRgn>();
  }
  return std::make_unique<CGdiObject>();
}

}  // namespace

GdiData::~GdiData() {
  Registry& r = Reg();
  std::lock_guard<std::mutex> guard(r.lock);
  r.records.erase(this);
}

DataPtr MakeData(Kind kind) {
  auto data = std::make_shared<GdiData>(kind);
  Registry& r = Reg();
  std::lock_guard<std::mutex> guard(r.lock);
  r.records[data.get()] = data;
  return data;
}

DataPtr DataFromHandle(HGDIOBJ handle) {
  if (!handle) return nullptr;
  Registry& r = Reg();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.records.find(reinterpret_cast<GdiData*>(handle));
  return it == r.records.end() ? nullptr : it->second.lock();
}

CGdiObject* WrapperOf(const DataPtr& data) {
  if (!data) return nullptr;
  Registry& r = Reg();
  {
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.wrappers.find(data.get());
    if (it != r.wrappers.end()) return it->second;
    auto t = r.temporaries.find(data.get());
    if (t != r.temporaries.end()) return t->second.get();
  }
  std::unique_ptr<CGdiObject> wrapper = NewWrapper(data->kind);
  CGdiObject* raw = wrapper.get();
  raw->SetData(data);  // registers it as the record's permanent wrapper ...
  std::lock_guard<std::mutex> guard(r.lock);
  r.wrappers.erase(data.get());  // ... which the temporary must not be
  r.temporaries[data.get()] = std::move(wrapper);
  return raw;
}

namespace {

DataPtr MakeStock(int index) {
  DataPtr d;
  auto brush = [&](COLORREF c, UINT style = BS_SOLID) {
    d = MakeData(Kind::Brush);
    d->brush.lbStyle = style;
    d->brush.lbColor = c;
  };
  auto pen = [&](COLORREF c, int style = PS_SOLID) {
    d = MakeData(Kind::Pen);
    d->pen.lopnStyle = style;
    d->pen.lopnColor = c;
  };
  auto font = [&](int height, int weight, const char* face) {
    d = MakeData(Kind::Font);
    d->font.lfHeight = height;
    d->font.lfWeight = weight;
    std::strncpy(d->font.lfFaceName, face, LF_FACESIZE - 1);
  };
  switch (index) {
    case WHITE_BRUSH:
      brush(RGB(255, 255, 255));
      break;
    case LTGRAY_BRUSH:
      brush(RGB(192, 192, 192));
      break;
    case GRAY_BRUSH:
      brush(RGB(128, 128, 128));
      break;
    case DKGRAY_BRUSH:
      brush(RGB(64, 64, 64));
      break;
    case BLACK_BRUSH:
      brush(RGB(0, 0, 0));
      break;
    case NULL_BRUSH:
      brush(0, BS_NULL);
      break;
    case WHITE_PEN:
      pen(RGB(255, 255, 255));
      break;
    case BLACK_PEN:
      pen(RGB(0, 0, 0));
      break;
    case NULL_PEN:
      pen(0, PS_NULL);
      break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
      font(16, FW_NORMAL, "Courier New");
      break;
    case ANSI_VAR_FONT:
      font(16, FW_NORMAL, "Arial");
      break;
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      font(16, FW_BOLD, "System");
      break;
    case DEFAULT_GUI_FONT:
      font(-11, FW_NORMAL, "MS Shell Dlg");
      break;
    default:
      return nullptr;
  }
  d->stock = true;
  return d;
}

}  // namespace

const DataPtr& StockData(int index) {
  static const DataPtr none;
  static DataPtr table[DEFAULT_GUI_FONT + 1];
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i <= DEFAULT_GUI_FONT; ++i) table[i] = MakeStock(i);
  });
  if (index < 0 || index > DEFAULT_GUI_FONT) return none;
  return table[index];
}

}  // namespace qxgdi

using qxgdi::DataPtr;
using qxgdi::Kind;

// ---- CGdiObject -------------------------------------------------------------

CGdiObject::CGdiObject() = default;

CGdiObject::~CGdiObject() {
  DeleteObject();
}

void CGdiObject::SetData(std::shared_ptr<qxgdi::GdiData> data) {
  DeleteObject();
  m_data = std::move(data);
  m_hObject = qxgdi::HandleOf(m_data);
  if (!m_data) return;
  qxgdi::Registry& r = qxgdi::Reg();
  std::lock_guard<std::mutex> guard(r.lock);
  r.wrappers.emplace(m_data.get(), this);  // the first wrapper of a record stays its wrapper
}

BOOL CGdiObject::DeleteObject() {
  if (!m_data) return FALSE;
  {
    qxgdi::Registry& r = qxgdi::Reg();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.wrappers.find(m_data.get());
    if (it != r.wrappers.end() && it->second == this) r.wrappers.erase(it);
  }
  m_data.reset();
  m_hObject = nullptr;
  return TRUE;
}

BOOL CGdiObject::CreateStockObject(int index) {
  const DataPtr& d = qxgdi::StockData(index);
  if (!d) return FALSE;
  SetData(d);
  return TRUE;
}

UINT CGdiObject::GetObjectType() const {
  if (!m_data) return 0;
  switch (m_data->kind) {
    case Kind::Pen:
      return OBJ_PEN;
    case Kind::Brush:
      return OBJ_BRUSH;
    case Kind::Font:
      return OBJ_FONT;
    case Kind::Bitmap:
      return OBJ_BITMAP;
    case Kind::Region:
      return OBJ_REGION;
  }
  return 0;
}

int CGdiObject::GetObject(int count, void* buffer) const {
  if (!m_data || !buffer) return 0;
  auto copy = [&](const auto& record) {
    int n = std::min<int>(count, static_cast<int>(sizeof(record)));
    if (n <= 0) return 0;
    std::memcpy(buffer, &record, static_cast<size_t>(n));
    return n;
  };
  switch (m_data->kind) {
    case Kind::Pen:
      return copy(m_data->pen);
    case Kind::Brush:
      return copy(m_data->brush);
    case Kind::Font:
      return copy(m_data->font);
    case Kind::Bitmap: {
      BITMAP bm;
      static_cast<const CBitmap*>(this)->GetBitmap(&bm);
      return copy(bm);
    }
    case Kind::Region:
      return 0;
  }
  return 0;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ handle) {
  return qxgdi::WrapperOf(qxgdi::DataFromHandle(handle));
}

CGdiObject* QxStockObject(int index) {
  return qxgdi::WrapperOf(qxgdi::StockData(index));
}

HGDIOBJ GetStockObject(int index) {
  return qxgdi::HandleOf(qxgdi::StockData(index));
}

BOOL DeleteObject(HGDIOBJ handle) {
  DataPtr d = qxgdi::DataFromHandle(handle);
  if (!d || d->stock) return FALSE;
  qxgdi::Registry& r = qxgdi::Reg();
  CGdiObject* wrapper = nullptr;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.wrappers.find(d.get());
    if (it != r.wrappers.end()) wrapper = it->second;
  }
  return wrapper ? wrapper->DeleteObject() : FALSE;
}

// ---- CPen -------------------------------------------------------------------

BOOL CPen::CreatePen(int style, int width, COLORREF color) {
  LOGPEN lp;
  lp.lopnStyle = static_cast<UINT>(style);
  lp.lopnWidth.x = width;
  lp.lopnColor = color;
  return CreatePenIndirect(&lp);
}

BOOL CPen::CreatePenIndirect(const LOGPEN* logPen) {
  if (!logPen || (logPen->lopnStyle & PS_STYLE_MASK) > PS_INSIDEFRAME) return FALSE;
  DataPtr d = qxgdi::MakeData(Kind::Pen);
  d->pen = *logPen;
  if (d->pen.lopnWidth.x < 0) d->pen.lopnWidth.x = 0;
  SetData(d);
  return TRUE;
}

int CPen::GetLogPen(LOGPEN* logPen) const {
  return GetObject(sizeof(LOGPEN), logPen) ? 1 : 0;
}

// ---- CBrush -----------------------------------------------------------------

BOOL CBrush::CreateSolidBrush(COLORREF color) {
  LOGBRUSH lb;
  lb.lbStyle = BS_SOLID;
  lb.lbColor = color;
  return CreateBrushIndirect(&lb);
}

namespace {
// The 8 x 8 hatch masks, one byte per row, most significant bit leftmost.
QImage HatchMask(int index) {
  static const BYTE rows[6][8] = {
      {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // horizontal
      {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
      {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
      {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
      {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // cross
      {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
  };
  QImage mask(8, 8, QImage::Format_RGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      mask.setPixel(x, y, (rows[index][y] >> (7 - x)) & 1 ? 0xFFFFFFFFu : 0xFF000000u);
  return mask;
}
}  // namespace

BOOL CBrush::CreateHatchBrush(int hatchIndex, COLORREF color) {
  LOGBRUSH lb;
  lb.lbStyle = BS_HATCHED;
  lb.lbColor = color;
  lb.lbHatch = static_cast<UINT_PTR>(hatchIndex);
  return CreateBrushIndirect(&lb);
}

BOOL CBrush::CreatePatternBrush(CBitmap* bitmap) {
  if (!bitmap || !bitmap->Data() || bitmap->Data()->image.isNull()) return FALSE;
  const auto& src = bitmap->Data();
  DataPtr d = qxgdi::MakeData(Kind::Brush);
  d->brush.lbStyle = BS_PATTERN;
  // A smaller bitmap repeats to fill the 8 x 8 tile.
  d->pattern = QImage(8, 8, QImage::Format_RGB32);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      d->pattern.setPixel(x, y, src->image.pixel(x % src->image.width(), y % src->image.height()));
  d->monoPattern = src->monochrome;
  SetData(d);
  return TRUE;
}

BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* logBrush) {
  if (!logBrush) return FALSE;
  DataPtr d = qxgdi::MakeData(Kind::Brush);
  d->brush = *logBrush;
  if (logBrush->lbStyle == BS_HATCHED) {
    if (logBrush->lbHatch > HS_DIAGCROSS) return FALSE;
    d->pattern = HatchMask(static_cast<int>(logBrush->lbHatch));
  } else if (logBrush->lbStyle != BS_SOLID && logBrush->lbStyle != BS_NULL) {
    return FALSE;  // pattern brushes come from CreatePatternBrush
  }
  SetData(d);
  return TRUE;
}

int CBrush::GetLogBrush(LOGBRUSH* logBrush) const {
  return GetObject(sizeof(LOGBRUSH), logBrush) ? 1 : 0;
}

// ---- CFont --------------------------------------------------------------------

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight,
                       BYTE italic, BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                       BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily,
                       const char* faceName) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strikeOut;
  lf.lfCharSet = charSet;
  lf.lfOutPrecision = outPrecision;
  lf.lfClipPrecision = clipPrecision;
  lf.lfQuality = quality;
  lf.lfPitchAndFamily = pitchAndFamily;
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

BOOL CFont::CreateFontIndirect(const LOGFONT* logFont) {
  if (!logFont) return FALSE;
  DataPtr d = qxgdi::MakeData(Kind::Font);
  d->font = *logFont;
  d->font.lfFaceName[LF_FACESIZE - 1] = 0;
  SetData(d);
  return TRUE;
}

BOOL CFont::CreatePointFont(int pointSize, const char* faceName, CDC* dc) {
  LOGFONT lf;
  lf.lfHeight = pointSize;
  if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreatePointFontIndirect(&lf, dc);
}

BOOL CFont::CreatePointFontIndirect(const LOGFONT* logFont, CDC* dc) {
  if (!logFont) return FALSE;
  LOGFONT lf = *logFont;
  int dpi = dc ? dc->GetDeviceCaps(LOGPIXELSY) : 96;
  // Tenths of a point to the em height in pixels, rounded as MulDiv does.
  long long tenths = lf.lfHeight;
  lf.lfHeight = -static_cast<LONG>((tenths * dpi + (tenths >= 0 ? 360 : -360)) / 720);
  return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONT* logFont) const {
  return GetObject(sizeof(LOGFONT), logFont) ? 1 : 0;
}

// ---- CBitmap ------------------------------------------------------------------

namespace {
std::mutex g_resourceLock;
std::map<UINT, QImage>& Resources() {
  static std::map<UINT, QImage> images;
  return images;
}
// Bitmaps beyond this many pixels are refused rather than allocated.
constexpr long long kMaxBitmapPixels = 1LL << 26;
}  // namespace

void QxRegisterBitmap(UINT id, const QImage& image) {
  std::lock_guard<std::mutex> guard(g_resourceLock);
  Resources()[id] = image.convertToFormat(QImage::Format_RGB32);
}

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
  if (width <= 0 || height <= 0 || 1LL * width * height > kMaxBitmapPixels) return FALSE;
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return FALSE;
  image.fill(0xFF000000u);
  QxCleanVectorState();  // Qt's fill may leave AVX state in use
  return FromImage(std::move(image));
}

BOOL CBitmap::CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel,
                           const void* bits) {
  if (width <= 0 || height <= 0 || planes != 1 || 1LL * width * height > kMaxBitmapPixels)
    return FALSE;
  if (bitsPerPixel != 1 && bitsPerPixel != 32) return FALSE;
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return FALSE;
  image.fill(0xFF000000u);
  const BYTE* p = static_cast<const BYTE*>(bits);
  if (p && bitsPerPixel == 1) {
    int stride = ((width + 15) / 16) * 2;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if ((p[y * stride + x / 8] >> (7 - x % 8)) & 1) image.setPixel(x, y, 0xFFFFFFFFu);
  } else if (p) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const BYTE* px = p + (static_cast<size_t>(y) * width + x) * 4;
        image.setPixel(x, y, qRgb(px[2], px[1], px[0]));
      }
  }
  if (!FromImage(std::move(image))) return FALSE;
  m_data->monochrome = bitsPerPixel == 1;
  return TRUE;
}

BOOL CBitmap::CreateBitmapIndirect(const BITMAP* bitmap) {
  if (!bitmap) return FALSE;
  return CreateBitmap(bitmap->bmWidth, bitmap->bmHeight, bitmap->bmPlanes, bitmap->bmBitsPixel,
                      bitmap->bmBits);
}

BOOL CBitmap::LoadBitmap(UINT resourceId) {
  QImage image;
  {
    std::lock_guard<std::mutex> guard(g_resourceLock);
    auto it = Resources().find(resourceId);
    if (it == Resources().end()) return FALSE;
    image = it->second;
  }
  return FromImage(image);
}

int CBitmap::GetBitmap(BITMAP* bitmap) const {
  if (!bitmap || !m_data) return 0;
  const QImage& image = m_data->image;
  bitmap->bmType = 0;
  bitmap->bmWidth = image.width();
  bitmap->bmHeight = image.height();
  bitmap->bmPlanes = 1;
  bitmap->bmBitsPixel = m_data->monochrome ? 1 : 32;
  bitmap->bmWidthBytes = m_data->monochrome ? ((image.width() + 15) / 16) * 2 : image.width() * 4;
  bitmap->bmBits = nullptr;
  return sizeof(BITMAP);
}

CSize CBitmap::GetBitmapDimension() const {
  return m_data ? CSize(m_data->image.width(), m_data->image.height()) : CSize();
}

QImage CBitmap::ToImage() const {
  return m_data ? m_data->image.copy() : QImage();
}

BOOL CBitmap::FromImage(QImage image) {
  if (image.isNull()) return FALSE;
  DataPtr d = qxgdi::MakeData(Kind::Bitmap);
  d->image = std::move(image).convertToFormat(QImage::Format_RGB32);
  d->image.detach();
  SetData(d);
  return TRUE;
}

// ---- CRgn -----------------------------------------------------------------------

namespace {
int RegionType(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
}  // namespace

BOOL CRgn::CreateRectRgn(int left, int top, int right, int bottom) {
  DataPtr d = qxgdi::MakeData(Kind::Region);
  QRect r(QPoint(std::min(left, right), std::min(top, bottom)),
          QPoint(std::max(left, right) - 1, std::max(top, bottom) - 1));
  if (left != right && top != bottom) d->region = QRegion(r);
  SetData(d);
  return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : FALSE;
}

void CRgn::SetRectRgn(int left, int top, int right, int bottom) {
  CreateRectRgn(left, top, right, bottom);
}

int CRgn::CombineRgn(CRgn* a, CRgn* b, int mode) {
  if (!a || !a->m_data || (mode != RGN_COPY && (!b || !b->m_data))) return RGN_ERROR;
  QRegion result;
  const QRegion& ra = a->m_data->region;
  switch (mode) {
    case RGN_AND:
      result = ra.intersected(b->m_data->region);
      break;
    case RGN_OR:
      result = ra.united(b->m_data->region);
      break;
    case RGN_XOR:
      result = ra.xored(b->m_data->region);
      break;
    case RGN_DIFF:
      result = ra.subtracted(b->m_data->region);
      break;
    case RGN_COPY:
      result = ra;
      break;
    default:
      return RGN_ERROR;
  }
  DataPtr d = qxgdi::MakeData(Kind::Region);
  d->region = result;
  SetData(d);
  return RegionType(result);
}

int CRgn::GetRgnBox(LPRECT rect) const {
  if (!m_data || !rect) return RGN_ERROR;
  QRect box = m_data->region.boundingRect();
  if (m_data->region.isEmpty()) {
    ::SetRectEmpty(rect);
  } else {
    ::SetRect(rect, box.left(), box.top(), box.right() + 1, box.bottom() + 1);
  }
  return RegionType(m_data->region);
}

BOOL CRgn::PtInRegion(int x, int y) const {
  return m_data && m_data->region.contains(QPoint(x, y));
}

BOOL CRgn::RectInRegion(const RECT* rect) const {
  if (!m_data || !rect) return FALSE;
  QRect r(QPoint(rect->left, rect->top), QPoint(rect->right - 1, rect->bottom - 1));
  return m_data->region.intersects(r.normalized());
}

int CRgn::OffsetRgn(int dx, int dy) {
  if (!m_data) return RGN_ERROR;
  DataPtr d = qxgdi::MakeData(Kind::Region);
  d->region = m_data->region.translated(dx, dy);
  SetData(d);
  return RegionType(d->region);
}
