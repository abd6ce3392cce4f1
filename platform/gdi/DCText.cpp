// CDC text: output with alignment, escapement, stretch and background; extents
// and metrics from the resolved font (or the fixed metrics).
#include "platform/gdi/DC.h"

#include "platform/gdi/Color.h"
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiInternal.h"
#include "platform/core/VectorState.h"

#include <QPainter>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using qxgdi::Attributes;
using qxgdi::Record;

namespace {

std::shared_ptr<const qxgdi::ResolvedFont> CurrentFont(const CDC& dc) {
  return qxgdi::SelectedFont(dc);
}

// Left edge of each character and the total advance, in logical units.
// Only per-character output (fixed metrics, given widths) needs the positions.
std::vector<double> CharPositions(const qxgdi::ResolvedFont& f, const QString& s, const int* widths,
                                  double* total) {
  std::vector<double> pos(static_cast<size_t>(s.size()) + 1, 0.0);
  if (!widths && !f.fixed) {
    *total = std::round(qxgdi::CachedTextAdvance(f, s));
    return pos;
  }
  for (int i = 0; i < s.size(); ++i) {
    double w = widths ? widths[i] : qxgdi::TextAdvance(f, s.mid(i, 1));
    pos[static_cast<size_t>(i) + 1] = pos[static_cast<size_t>(i)] + w;
  }
  *total = pos.back();
  return pos;
}

}  // namespace

BOOL CDC::TextOut(int x, int y, const char* text, int count) {
  return ExtTextOut(x, y, 0, nullptr, text, count < 0 ? 0 : static_cast<UINT>(count), nullptr);
}

BOOL CDC::ExtTextOut(int x, int y, UINT options, LPCRECT rect, const char* text, UINT count,
                     const int* widths) {
  if (!text && count > 0) return FALSE;
  Attributes& a = QxDCAccess::State(*this).a;
  if (a.textAlign & TA_UPDATECP) {
    x = a.position.x();
    y = a.position.y();
  }
  auto font = CurrentFont(*this);
  const qxgdi::ResolvedFont& f = *font;
  const QString s = qxgdi::DecodeText(f, text, static_cast<int>(count));
  double total = 0;
  std::vector<double> pos = CharPositions(f, s, widths, &total);
  const int width = static_cast<int>(std::lround(total));
  const int height = f.ascent + f.descent;
  const UINT h = a.textAlign & TA_CENTER, v = a.textAlign & TA_BASELINE;
  const int left = h == TA_RIGHT ? -width : h == TA_CENTER ? -(width / 2) : 0;
  const int top = v == TA_BASELINE ? -f.ascent : v == TA_BOTTOM ? -height : 0;
  const bool updateCP = (a.textAlign & TA_UPDATECP) != 0;
  if (updateCP) {
    if (h == TA_LEFT) a.position.rx() += width;
    if (h == TA_RIGHT) a.position.rx() -= width;
  }
  const QPoint newPosition = a.position;
  const double angle = -f.logFont.lfEscapement / 10.0;
  const QPoint ref = qxgdi::ToDevice(a, x, y);
  QTransform transform;
  transform.translate(ref.x(), ref.y());
  transform.rotate(angle);
  transform.scale(qxgdi::ScaleX(a), qxgdi::ScaleY(a));
  const QRect box = transform.mapRect(QRectF(left, top, width, height)).toAlignedRect();
  std::optional<QRect> optRect;
  if (rect) optRect = qxgdi::ToDeviceRect(a, *rect);

  if (IsRecording()) {
    QxDCAccess::Rec(*this)->bounds |= box;
    if (optRect && (options & ETO_OPAQUE)) QxDCAccess::Rec(*this)->bounds |= *optRect;
    std::string copy(text ? text : "", count);
    std::vector<int> w(widths ? widths : nullptr, widths ? widths + count : nullptr);
    RECT r = rect ? *rect : RECT{};
    const bool hasRect = rect != nullptr, hasWidths = widths != nullptr;
    const UINT align = a.textAlign;
    Record(*this, [=](CDC& t, const qxgdi::ReplayContext&) {
      // The current position was already taken into x and y.
      UINT old = t.SetTextAlign(align & ~TA_UPDATECP);
      t.ExtTextOut(x, y, options, hasRect ? &r : nullptr, copy.data(),
                   static_cast<UINT>(copy.size()), hasWidths ? w.data() : nullptr);
      t.SetTextAlign(old);
      if (updateCP) t.MoveTo(newPosition.x(), newPosition.y());
    });
    return TRUE;
  }
  QImage* surface = GetImage();
  if (!surface || surface->isNull()) return FALSE;
  QRegion region = qxgdi::PaintRegion(*this);
  if (optRect && (options & ETO_CLIPPED)) region = region.intersected(*optRect);
  QxCleanVectorStateOnExit clean;  // Qt's raster code may leave AVX state in use
  QPainter p(surface);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setClipRegion(region);
  if (optRect && (options & ETO_OPAQUE)) p.fillRect(*optRect, QxToQColor(a.bkColor));
  if (count == 0) return TRUE;
  p.setTransform(transform);
  if (a.bkMode == OPAQUE && !(optRect && (options & ETO_OPAQUE)))
    p.fillRect(QRect(left, top, width, height), QxToQColor(a.bkColor));
  const QColor ink = QxToQColor(a.textColor);
  const int baseline = top + f.ascent;
  if (f.fixed) {
    for (int i = 0; i < s.size(); ++i) {
      if (s[i].isSpace()) continue;
      int x0 = left + static_cast<int>(pos[static_cast<size_t>(i)]);
      int x1 = left + static_cast<int>(pos[static_cast<size_t>(i) + 1]);
      p.fillRect(QRect(x0, top, x1 - x0, height), ink);
    }
    return TRUE;
  }
  p.setPen(ink);
  if (widths) {
    p.setFont(f.font);
    for (int i = 0; i < s.size(); ++i) {
      p.save();
      p.translate(left + pos[static_cast<size_t>(i)], baseline);
      p.scale(f.stretch, 1.0);
      p.drawText(QPointF(0, 0), s.mid(i, 1));
      p.restore();
    }
  } else {
    p.translate(left, baseline);
    p.scale(f.stretch, 1.0);
    qxgdi::DrawCachedText(p, f, s);
  }
  return TRUE;
}

CSize CDC::GetTextExtent(const char* text, int count) const {
  auto font = CurrentFont(*this);
  if (!text || count <= 0) return CSize(0, font->ascent + font->descent);
  double total = 0;
  QString s = qxgdi::DecodeText(*font, text, count);
  CharPositions(*font, s, nullptr, &total);
  return CSize(static_cast<int>(std::lround(total)), font->ascent + font->descent);
}

BOOL CDC::GetTextMetrics(LPTEXTMETRIC tm) const {
  if (!tm) return FALSE;
  auto font = CurrentFont(*this);
  const qxgdi::ResolvedFont& f = *font;
  *tm = TEXTMETRIC();
  tm->tmAscent = f.ascent;
  tm->tmDescent = f.descent;
  tm->tmHeight = f.ascent + f.descent;
  tm->tmInternalLeading = f.internalLeading;
  tm->tmExternalLeading = f.externalLeading;
  tm->tmAveCharWidth = f.aveCharWidth;
  tm->tmMaxCharWidth = f.maxCharWidth;
  tm->tmWeight = f.weight;
  tm->tmItalic = f.logFont.lfItalic ? 1 : 0;
  tm->tmUnderlined = f.logFont.lfUnderline ? 1 : 0;
  tm->tmStruckOut = f.logFont.lfStrikeOut ? 1 : 0;
  tm->tmCharSet = f.symbol ? SYMBOL_CHARSET : ANSI_CHARSET;
  tm->tmPitchAndFamily = f.logFont.lfPitchAndFamily;
  return TRUE;
}

BOOL CDC::GetCharWidth(UINT first, UINT last, int* widths) const {
  if (!widths || last < first || last > 0xFF) return FALSE;
  auto font = CurrentFont(*this);
  for (UINT c = first; c <= last; ++c)
    widths[c - first] = qxgdi::CharAdvance(*font, static_cast<BYTE>(c));
  return TRUE;
}

int CDC::GetTextFace(int count, char* faceName) const {
  const auto& font = QxDCAccess::State(*this).a.font;
  const char* face = font ? font->font.lfFaceName : "";
  if (!faceName || count <= 0) return static_cast<int>(std::strlen(face)) + 1;
  std::strncpy(faceName, face, static_cast<size_t>(count - 1));
  faceName[count - 1] = 0;
  return static_cast<int>(std::strlen(faceName));
}

// ---- DrawText -------------------------------------------------------------------

namespace {

std::string StripPrefixes(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') out += '&';
      ++i;
      if (i < s.size() && s[i] != '&') out += s[i];
      continue;
    }
    out += s[i];
  }
  return out;
}

// Splits the text into the lines DrawText shows.
std::vector<std::string> LayoutLines(const CDC& dc, const std::string& text, UINT format,
                                     int maxWidth) {
  std::vector<std::string> lines;
  if (format & DT_SINGLELINE) {
    std::string one;
    for (char c : text) one += (c == '\r' || c == '\n') ? ' ' : c;
    lines.push_back(one);
    return lines;
  }
  std::string current;
  auto width = [&](const std::string& s) {
    return dc.GetTextExtent(s.data(), static_cast<int>(s.size())).cx;
  };
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : '\n';
    if (c == '\r') continue;
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
      continue;
    }
    current += c;
    if ((format & DT_WORDBREAK) && width(current) > maxWidth) {
      size_t space = current.find_last_of(' ');
      if (space != std::string::npos && space > 0) {
        lines.push_back(current.substr(0, space));
        current = current.substr(space + 1);
      }
    }
  }
  if (lines.size() > 1 && lines.back().empty() && !text.empty() && text.back() != '\n')
    lines.pop_back();
  return lines;
}

}  // namespace

int CDC::DrawText(const char* text, int count, LPRECT rect, UINT format) {
  if (!text || !rect) return 0;
  std::string s = count < 0 ? std::string(text) : std::string(text, static_cast<size_t>(count));
  if (!(format & DT_NOPREFIX)) s = StripPrefixes(s);
  TEXTMETRIC tm;
  GetTextMetrics(&tm);
  const int lineHeight = tm.tmHeight;
  std::vector<std::string> lines = LayoutLines(*this, s, format, rect->right - rect->left);
  const int total = lineHeight * static_cast<int>(lines.size());
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const auto& line : lines)
      widest = std::max<int>(widest, GetTextExtent(line.data(), static_cast<int>(line.size())).cx);
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  int y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    if (format & DT_BOTTOM) y = rect->bottom - lineHeight;
  }
  UINT oldAlign = SetTextAlign(TA_LEFT | TA_TOP);
  for (const auto& line : lines) {
    int w = GetTextExtent(line.data(), static_cast<int>(line.size())).cx;
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (rect->right - rect->left - w) / 2;
    if (format & DT_RIGHT) x = rect->right - w;
    ExtTextOut(x, y, (format & DT_NOCLIP) ? 0 : ETO_CLIPPED, rect, line.data(),
               static_cast<UINT>(line.size()), nullptr);
    y += lineHeight;
  }
  SetTextAlign(oldAlign);
  return total;
}
