#pragma once
// CDC: a device context drawing into an image with the GDI conventions the
// system relies on. Coordinates are logical and go through the mapping
// (window and viewport origins and extents) to device pixels; the clip region
// is in device pixels and does not move with the origins. Lines end before
// their end point, rectangle fills exclude the right and bottom edges, pattern
// brushes are aligned to the device origin, and raster operations combine the
// pixels bit by bit as documented. Nothing is antialiased.
//
// A memory context (CreateCompatibleDC) draws into the bitmap selected into it
// (a 1 x 1 image until one is); AttachImage makes a context draw into an image
// that someone else owns (a window's client image). A context with a recording
// attached (CMetaFileDC) records every call instead of drawing.
#include "platform/core/String.h"
#include "platform/gdi/GdiObjects.h"

#include <functional>
#include <memory>

class QImage;
namespace qxgdi {
struct DCState;
struct Recording;
}  // namespace qxgdi

class CDC : public CObject {
  DECLARE_DYNAMIC(CDC)

 public:
  CDC();
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  // ---- the context itself ----------------------------------------------------
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }
  static CDC* FromHandle(HDC hDC);  // the live context of a handle, or null
  // A memory context; dc only names the device (null: the screen).
  BOOL CreateCompatibleDC(CDC* dc);
  virtual BOOL DeleteDC();
  // Draws into an image owned elsewhere (kept in its format when it is RGB32 or
  // ARGB32, otherwise converted in place to RGB32). Null detaches.
  BOOL AttachImage(QImage* image);
  QImage* DetachImage();
  // The pixels this context draws into; null for a recording context.
  QImage* GetImage() const;
  // The context that answers queries (metrics, device caps) when it differs.
  void SetAttribDC(HDC hDC);
  void ReleaseAttribDC();
  virtual BOOL IsPrinting() const { return m_bPrinting; }
  virtual int GetDeviceCaps(int index) const;

  // ---- objects ---------------------------------------------------------------
  // Each returns the object selected before (a temporary wrapper when its C++
  // object is gone), or null on failure.
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  CGdiObject* SelectObject(CGdiObject* object);
  int SelectObject(CRgn* region) { return SelectClipRgn(region); }
  CGdiObject* SelectStockObject(int index);
  CPen* GetCurrentPen() const;
  CBrush* GetCurrentBrush() const;
  CFont* GetCurrentFont() const;
  CBitmap* GetCurrentBitmap() const;

  // ---- attributes (each setter returns the previous value) --------------------
  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const;
  int SetBkMode(int mode);  // TRANSPARENT or OPAQUE
  int GetBkMode() const;
  UINT SetTextAlign(UINT flags);  // TA_LEFT/RIGHT/CENTER | TA_TOP/BASELINE/BOTTOM | TA_UPDATECP
  UINT GetTextAlign() const;
  int SetROP2(int mode);  // R2_BLACK .. R2_WHITE; applies to lines and shape fills
  int GetROP2() const;
  int SetPolyFillMode(int mode);
  int GetPolyFillMode() const;
  int SetStretchBltMode(int mode);
  int GetStretchBltMode() const;

  // ---- mapping: device = (logical - window origin) * viewport ext / window ext + viewport origin
  int SetMapMode(int mode);  // MM_TEXT, MM_ANISOTROPIC (MM_ISOTROPIC behaves as anisotropic)
  int GetMapMode() const;
  CPoint SetViewportOrg(int x, int y);
  CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
  CPoint OffsetViewportOrg(int dx, int dy);
  CPoint GetViewportOrg() const;
  CPoint SetWindowOrg(int x, int y);
  CPoint SetWindowOrg(POINT p) { return SetWindowOrg(p.x, p.y); }
  CPoint OffsetWindowOrg(int dx, int dy);
  CPoint GetWindowOrg() const;
  CSize SetViewportExt(int cx, int cy);  // ignored in MM_TEXT
  CSize SetViewportExt(SIZE s) { return SetViewportExt(s.cx, s.cy); }
  CSize GetViewportExt() const;
  CSize SetWindowExt(int cx, int cy);
  CSize SetWindowExt(SIZE s) { return SetWindowExt(s.cx, s.cy); }
  CSize GetWindowExt() const;
  void LPtoDP(LPPOINT points, int count = 1) const;
  void LPtoDP(LPRECT rect) const;
  void DPtoLP(LPPOINT points, int count = 1) const;
  void DPtoLP(LPRECT rect) const;

  // ---- clipping (regions in device pixels) -----------------------------------
  // Null removes the clip region. The region is copied.
  int SelectClipRgn(CRgn* region);
  int SelectClipRgn(CRgn* region, int mode);  // RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF, RGN_COPY
  int IntersectClipRect(int left, int top, int right, int bottom);  // logical
  int IntersectClipRect(LPCRECT rect) {
    return IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom);
  }
  int ExcludeClipRect(int left, int top, int right, int bottom);
  int ExcludeClipRect(LPCRECT rect) {
    return ExcludeClipRect(rect->left, rect->top, rect->right, rect->bottom);
  }
  // The smallest logical rectangle around the visible area; returns the region type.
  int GetClipBox(LPRECT rect) const;
  BOOL RectVisible(LPCRECT rect) const;
  BOOL PtVisible(int x, int y) const;
  BOOL PtVisible(POINT p) const { return PtVisible(p.x, p.y); }

  // ---- saved states ----------------------------------------------------------
  int SaveDC();                 // returns the new depth (1, 2, ...), 0 on failure
  BOOL RestoreDC(int savedDC);  // a depth, or -1 for the last saved state

  // ---- lines and shapes (current pen, current brush, ROP2) -------------------
  CPoint GetCurrentPosition() const;
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
  BOOL LineTo(int x, int y);  // the end point is not painted
  BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
  BOOL Polyline(const POINT* points, int count);
  BOOL Polygon(const POINT* points, int count);
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Rectangle(LPCRECT rect) {
    return Rectangle(rect->left, rect->top, rect->right, rect->bottom);
  }
  BOOL Ellipse(int left, int top, int right, int bottom);
  BOOL Ellipse(LPCRECT rect) { return Ellipse(rect->left, rect->top, rect->right, rect->bottom); }

  // ---- rectangles and pixels (ROP2 does not apply) ---------------------------
  void FillRect(LPCRECT rect, CBrush* brush);
  // Fills with the colour, which becomes the background colour (as the
  // framework's own fill does).
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  void FrameRect(LPCRECT rect, CBrush* brush);  // one device pixel inside the rectangle
  void InvertRect(LPCRECT rect);
  void Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight);
  void Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight);
  void DrawFocusRect(LPCRECT rect);  // dotted XOR frame: drawing it twice removes it
  // XOR outline of rect with edges size thick in the half-tone pattern; the
  // outline of last (when given) is removed first.
  void DrawDragRect(LPCRECT rect, SIZE size, LPCRECT last, SIZE lastSize);
  COLORREF SetPixel(int x, int y, COLORREF color);  // returns the colour set, CLR_INVALID outside
  COLORREF SetPixel(POINT p, COLORREF color) { return SetPixel(p.x, p.y, color); }
  BOOL SetPixelV(int x, int y, COLORREF color);
  BOOL SetPixelV(POINT p, COLORREF color) { return SetPixelV(p.x, p.y, color); }
  COLORREF GetPixel(int x, int y) const;  // CLR_INVALID outside the image or the clip region
  COLORREF GetPixel(POINT p) const { return GetPixel(p.x, p.y); }

  // ---- block transfers (ternary raster operations on the current brush) ------
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
  BOOL BitBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, DWORD rop);
  // Nearest-pixel scaling; negative sizes mirror.
  BOOL StretchBlt(int x, int y, int width, int height, CDC* src, int xSrc, int ySrc, int srcWidth,
                  int srcHeight, DWORD rop);

  // ---- text (current font, text colour, background mode and colour) ----------
  BOOL TextOut(int x, int y, const char* text, int count);
  BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text, text.GetLength()); }
  // ETO_OPAQUE fills rect with the background colour, ETO_CLIPPED clips the text to it;
  // widths (may be null) give each character's advance.
  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const char* text, UINT count,
                  const int* widths);
  BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text,
                  const int* widths) {
    return ExtTextOut(x, y, options, rect, text, text.GetLength(), widths);
  }
  // DT_LEFT/CENTER/RIGHT, DT_TOP/VCENTER/BOTTOM (single line), DT_SINGLELINE,
  // DT_WORDBREAK, DT_CALCRECT, DT_NOCLIP; '&' marks are removed unless DT_NOPREFIX.
  // Returns the height of the text.
  int DrawText(const char* text, int count, LPRECT rect, UINT format);
  int DrawText(const CString& text, LPRECT rect, UINT format) {
    return DrawText(text, text.GetLength(), rect, format);
  }
  // Width and height (tmHeight) of the text in logical units, unrotated.
  CSize GetTextExtent(const char* text, int count) const;
  CSize GetTextExtent(const CString& text) const { return GetTextExtent(text, text.GetLength()); }
  CSize GetOutputTextExtent(const char* text, int count) const {
    return GetTextExtent(text, count);
  }
  CSize GetOutputTextExtent(const CString& text) const { return GetTextExtent(text); }
  BOOL GetTextMetrics(LPTEXTMETRIC metrics) const;
  BOOL GetOutputTextMetrics(LPTEXTMETRIC metrics) const { return GetTextMetrics(metrics); }
  BOOL GetCharWidth(UINT first, UINT last, int* widths) const;
  int GetTextFace(int count, char* faceName) const;

  // ---- replay ----------------------------------------------------------------
  // Replays a recording made by CMetaFileDC (see MetaFileDC.h).
  BOOL PlayMetaFile(HMETAFILE metaFile);

  HDC m_hDC = nullptr;
  HDC m_hAttribDC = nullptr;
  BOOL m_bPrinting = FALSE;

 protected:
  // For CMetaFileDC: record into this recording instead of drawing.
  void BeginRecording(std::shared_ptr<qxgdi::Recording> recording);
  std::shared_ptr<qxgdi::Recording> EndRecording();
  bool IsRecording() const { return m_recording != nullptr; }

 private:
  friend struct qxgdi::DCState;
  friend class QxDCAccess;
  std::unique_ptr<qxgdi::DCState> m_state;
  std::shared_ptr<qxgdi::Recording> m_recording;
  CBitmap m_defaultBitmap;  // the 1 x 1 bitmap of a memory context
  QImage* m_attached = nullptr;
  std::function<void()> m_prepareAttached;  // readies m_attached's pixels; run at each use
};
