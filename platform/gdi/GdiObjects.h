#pragma once
// The drawing objects a device context selects: pens, brushes, fonts, bitmaps
// and regions. Each C++ object wraps a shared, immutable-once-made record; a
// device context that selects an object keeps its own reference to the record,
// so deleting an object while it is selected never leaves the context dangling.
#include "platform/core/Object.h"
#include "platform/gdi/GdiTypes.h"

#include <memory>

class CDC;
class CBitmap;
class QImage;
namespace qxgdi {
struct GdiData;
}

class CGdiObject : public CObject {
  DECLARE_DYNAMIC(CGdiObject)

 public:
  CGdiObject();
  ~CGdiObject() override;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }
  // Releases the record (a stock object is never destroyed); FALSE when empty.
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);
  UINT GetObjectType() const;  // OBJ_PEN ... or 0 when empty
  // Fills LOGPEN, LOGBRUSH, LOGFONT or BITMAP; returns the bytes written.
  int GetObject(int count, void* buffer) const;
  // The permanent wrapper of a handle, or a temporary one that stays valid
  // until the process ends (for records whose wrapper was destroyed).
  static CGdiObject* FromHandle(HGDIOBJ handle);

  HGDIOBJ m_hObject = nullptr;

  // Layer-internal: the record behind the handle.
  const std::shared_ptr<qxgdi::GdiData>& Data() const { return m_data; }
  void SetData(std::shared_ptr<qxgdi::GdiData> data);

 protected:
  std::shared_ptr<qxgdi::GdiData> m_data;
};

class CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)

 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  // Width 0 and 1 draw one pixel whatever the mapping; PS_DOT is every other pixel.
  BOOL CreatePen(int style, int width, COLORREF color);
  BOOL CreatePenIndirect(const LOGPEN* logPen);
  int GetLogPen(LOGPEN* logPen) const;
  static CPen* FromHandle(HPEN handle) {
    return static_cast<CPen*>(CGdiObject::FromHandle(handle));
  }
};

class CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)

 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  CBrush(int hatchIndex, COLORREF color) { CreateHatchBrush(hatchIndex, color); }
  BOOL CreateSolidBrush(COLORREF color);
  // 8 x 8 hatch in the colour; the gaps take the background colour when the
  // context's background mode is OPAQUE.
  BOOL CreateHatchBrush(int hatchIndex, COLORREF color);
  // The top-left 8 x 8 pixels of the bitmap, tiled from the device origin. A
  // monochrome pattern paints 0 bits in the text colour and 1 bits in the
  // background colour of the context it fills.
  BOOL CreatePatternBrush(CBitmap* bitmap);
  BOOL CreateBrushIndirect(const LOGBRUSH* logBrush);
  int GetLogBrush(LOGBRUSH* logBrush) const;
  static CBrush* FromHandle(HBRUSH handle) {
    return static_cast<CBrush*>(CGdiObject::FromHandle(handle));
  }
};

class CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)

 public:
  // height > 0: the cell height (ascent + descent) in logical units; height < 0:
  // the character (em) height; 0: a default size. width > 0: the average
  // character width. escapement: tenths of a degree, counter-clockwise, about
  // the text's reference point. A "Symbol" face reads bytes in the Symbol code
  // page; every other face reads Windows-1252.
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision,
                  BYTE clipPrecision, BYTE quality, BYTE pitchAndFamily, const char* faceName);
  BOOL CreateFontIndirect(const LOGFONT* logFont);
  // Size in tenths of a point at the context's vertical resolution (96 when none).
  BOOL CreatePointFont(int pointSize, const char* faceName, CDC* dc = nullptr);
  BOOL CreatePointFontIndirect(const LOGFONT* logFont, CDC* dc = nullptr);
  int GetLogFont(LOGFONT* logFont) const;
  static CFont* FromHandle(HFONT handle) {
    return static_cast<CFont*>(CGdiObject::FromHandle(handle));
  }
};

class CBitmap : public CGdiObject {
  DECLARE_DYNAMIC(CBitmap)

 public:
  // Colour (32 bits per pixel) bitmap of the size, all black at first.
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  // planes must be 1; bitsPerPixel 1 (rows padded to 16 bits, most significant
  // bit first, a set bit white) or 32 (blue, green, red, unused per pixel).
  // bits may be null (all black).
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
  BOOL CreateBitmapIndirect(const BITMAP* bitmap);
  // A bitmap registered with QxRegisterBitmap; FALSE for an unknown id.
  BOOL LoadBitmap(UINT resourceId);
  int GetBitmap(BITMAP* bitmap) const;
  CSize GetBitmapDimension() const;
  // A copy of the pixels (Format_RGB32); a null image when empty.
  QImage ToImage() const;
  BOOL FromImage(QImage image);  // a moved-in image that nothing else shares is not copied
  static CBitmap* FromHandle(HBITMAP handle) {
    return static_cast<CBitmap*>(CGdiObject::FromHandle(handle));
  }
};

class CRgn : public CGdiObject {
  DECLARE_DYNAMIC(CRgn)

 public:
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateRectRgnIndirect(const RECT* rect);
  void SetRectRgn(int left, int top, int right, int bottom);
  // dst = a op b; returns NULLREGION, SIMPLEREGION, COMPLEXREGION or RGN_ERROR.
  int CombineRgn(CRgn* a, CRgn* b, int mode);
  int CopyRgn(CRgn* src) { return CombineRgn(src, nullptr, RGN_COPY); }
  int GetRgnBox(LPRECT rect) const;
  BOOL PtInRegion(int x, int y) const;
  BOOL PtInRegion(POINT p) const { return PtInRegion(p.x, p.y); }
  BOOL RectInRegion(const RECT* rect) const;
  int OffsetRgn(int dx, int dy);
  static CRgn* FromHandle(HRGN handle) {
    return static_cast<CRgn*>(CGdiObject::FromHandle(handle));
  }
};

// Stock objects (WHITE_BRUSH ... DEFAULT_GUI_FONT); never null for a valid
// index, and never destroyed.
CGdiObject* QxStockObject(int index);
HGDIOBJ GetStockObject(int index);
// Deletes the object behind a handle that a C++ wrapper owns.
BOOL DeleteObject(HGDIOBJ handle);

// The bitmap resources: the resource tables register their images at start-up;
// CBitmap::LoadBitmap copies them by id.
void QxRegisterBitmap(UINT id, const QImage& image);
