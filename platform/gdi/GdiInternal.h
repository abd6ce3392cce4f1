#pragma once
// Layer-internal: the records behind the drawing objects, resolved fonts, the
// state of a device context, recordings and the pixel operations. Not for use
// outside platform/gdi.
#include "platform/gdi/DC.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>

class QPainter;

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qxgdi {

enum class Kind { Pen, Brush, Font, Bitmap, Region };

// One drawing object. Made once; a device context keeps a reference to the
// records it selects. Only a bitmap's pixels change after it is made.
struct GdiData : std::enable_shared_from_this<GdiData> {
  explicit GdiData(Kind k) : kind(k) {}
  ~GdiData();
  Kind kind;
  bool stock = false;
  LOGPEN pen;
  LOGBRUSH brush;
  QImage pattern;  // 8 x 8 RGB32 for BS_PATTERN, a hatch mask (white = ink) for BS_HATCHED
  bool monoPattern = false;
  LOGFONT font;
  QImage image;  // RGB32
  bool monochrome = false;
  QRegion region;
};
using DataPtr = std::shared_ptr<GdiData>;

DataPtr MakeData(Kind kind);
// The live record behind a handle, or null.
DataPtr DataFromHandle(HGDIOBJ handle);
inline HGDIOBJ HandleOf(const DataPtr& d) {
  return reinterpret_cast<HGDIOBJ>(d.get());
}
const DataPtr& StockData(int index);         // null for an unknown index
CGdiObject* WrapperOf(const DataPtr& data);  // permanent or temporary wrapper

// ---- fonts -----------------------------------------------------------------
struct ResolvedFont {
  QFont font;  // pixel-sized, with its fallback families
  bool symbol = false;
  bool fixed = false;    // fixed-metrics mode
  double stretch = 1.0;  // horizontal scale giving the requested average width
  int ascent = 0, descent = 0, internalLeading = 0, externalLeading = 0;
  int aveCharWidth = 0, maxCharWidth = 0, weight = FW_NORMAL;
  int fixedCharWidth = 0;
  LOGFONT logFont;
  std::shared_ptr<const QFontMetricsF> metrics;  // of font, made once
};
std::shared_ptr<const ResolvedFont> ResolveFont(const LOGFONT& lf);
// A pixel-sized font's metrics as QFontMetrics of it reports them, found
// without matching the face anew for each size (see Fonts.cpp).
struct FontSizeMetrics {
  int ascent = 0, descent = 0, leading = 0, averageCharWidth = 0, maxCharWidth = 0;
};
FontSizeMetrics SizedFontMetrics(const QFont& font);
// The font with its first family only: the same metrics, matched more cheaply.
QFont FirstFaceAlone(const QFont& font);
QString DecodeText(const ResolvedFont& f, const char* text, int count);
// Advance of the decoded text in logical units.
double TextAdvance(const ResolvedFont& f, const QString& text);
int CharAdvance(const ResolvedFont& f, BYTE byte);

// ---- the text path's cache (TextCache.cpp) -----------------------------------
// Per thread: the resolved font of each font object a context selected (checked
// against its LOGFONT and the metrics mode, so a freed object's address taken
// by another font never answers for it), and each text's advance and shaped
// glyph runs keyed by resolved font and text. Redrawing a formula measures
// and draws the same few texts again and again; only new texts are shaped.
// Bounded: a table that fills up starts again empty.

// The resolved font of the context's selected font (the default without one).
std::shared_ptr<const ResolvedFont> SelectedFont(const CDC& dc);
// TextAdvance, remembered.
double CachedTextAdvance(const ResolvedFont& f, const QString& text);
// Draws text (decoded) with f's font at the painter's origin as its baseline's
// left end, as QPainter::drawText at (0, 0) does, from the remembered glyphs.
void DrawCachedText(QPainter& painter, const ResolvedFont& f, const QString& text);

// ---- recordings ------------------------------------------------------------
struct ReplayContext {
  QPoint base;                  // the target's viewport origin when replay began
  std::optional<QRegion> clip;  // the target's clip region when replay began
  int baseDepth = 0;            // the target's saved-state depth below the recording's own
};
struct Recording {
  std::vector<std::function<void(CDC&, const ReplayContext&)>> ops;
  QRect bounds;  // device bounds of what was drawn, in the recording's pixels
};

// ---- context state ---------------------------------------------------------
struct Attributes {
  DataPtr pen, brush, font, bitmap;
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  UINT textAlign = TA_LEFT | TA_TOP;
  int rop2 = R2_COPYPEN;
  int polyFillMode = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  int mapMode = MM_TEXT;
  QPoint viewportOrg, windowOrg;
  QSize viewportExt{1, 1}, windowExt{1, 1};
  QPoint position;              // current position, logical
  int styleStep = 0;            // phase of the pen style along connected lines
  std::optional<QRegion> clip;  // device pixels
};

struct DCState {
  Attributes a;
  std::vector<Attributes> saved;
  DataPtr defaultBitmap;  // memory contexts: the 1 x 1 bitmap
  bool memory = false;
  HDC attrib = nullptr;
};

}  // namespace qxgdi

// Gives the layer's own code access to a context's state.
class QxDCAccess {
 public:
  static qxgdi::DCState& State(CDC& dc) { return *dc.m_state; }
  static const qxgdi::DCState& State(const CDC& dc) { return *dc.m_state; }
  static qxgdi::Recording* Rec(const CDC& dc) { return dc.m_recording.get(); }
  static QImage* Surface(const CDC& dc);
  // For an attached image whose pixels are made when first used: prepare runs
  // before every use of them (so it must be cheap once done, and thread-safe).
  static void SetAttachedPreparation(CDC& dc, std::function<void()> prepare);
  static void SelectData(CDC& dc, const qxgdi::DataPtr& data);
  static void SetClip(CDC& dc, std::optional<QRegion> clip);
};

namespace qxgdi {
// Mapping helpers on a state.
QPoint ToDevice(const Attributes& a, int x, int y);
QPoint ToLogical(const Attributes& a, int x, int y);
QRect ToDeviceRect(const Attributes& a, const RECT& r);  // normalized, right/bottom exclusive
double ScaleX(const Attributes& a);
double ScaleY(const Attributes& a);
// The device region a context may paint: clip region within the surface.
QRegion PaintRegion(const CDC& dc);
// Appends an operation to the context's recording (the caller checked that it records).
void Record(CDC& dc, std::function<void(CDC&, const ReplayContext&)> op);

// Pixel operations.
QRgb Rop2(int code, QRgb pen, QRgb dst);
QRgb Rop3(DWORD rop, QRgb pat, QRgb src, QRgb dst);
bool RopUsesSource(DWORD rop);
bool RopUsesPattern(DWORD rop);
// The brush's colour at a device pixel, or nothing where it leaves the pixel alone.
std::optional<QRgb> BrushPixel(const GdiData* brush, const Attributes& a, int x, int y,
                               bool opaqueGaps);

// Filled and outlined shapes (ellipses, polygons, wide lines) are drawn
// straight onto the surface where that gives the same pixels (see DCDraw.cpp);
// switched off, every shape goes through coverage masks, as the reference
// for tests. On by default.
void SetDirectShapes(bool on);
}  // namespace qxgdi
