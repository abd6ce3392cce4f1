// The text path's cache: resolved fonts per font object, advances and glyph
// runs per (resolved font, text). See GdiInternal.h.
#include "platform/gdi/Fonts.h"
#include "platform/gdi/GdiInternal.h"

#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QTextLayout>

#include <atomic>
#include <cstring>
#include <functional>
#include <unordered_map>

namespace {

std::atomic<bool> g_enabled{true};

// Enough for every text of a dialog full of formulas; a table that reaches it
// is emptied rather than aged, since a redraw refills it at once.
constexpr size_t kMaxFonts = 256;
constexpr size_t kMaxTexts = 8192;

struct FontSlot {
  LOGFONT logFont;
  bool fixed = false;
  std::shared_ptr<const qxgdi::ResolvedFont> resolved;
};

struct TextKey {
  const qxgdi::ResolvedFont* font;
  QString text;
  bool operator==(const TextKey&) const = default;
};

struct TextKeyHash {
  size_t operator()(const TextKey& k) const {
    return std::hash<const void*>()(k.font) ^ static_cast<size_t>(qHash(k.text));
  }
};

// Resolved fonts live as long as the process (ResolveFont keeps every one),
// so a key's font pointer never names another font.
struct TextEntry {
  double advance = -1;  // negative: not measured yet
  bool shaped = false;
  QList<QGlyphRun> glyphs;  // baseline at y = 0
};

struct Cache {
  std::unordered_map<const void*, FontSlot> fonts;
  std::unordered_map<TextKey, TextEntry, TextKeyHash> texts;
  QxTextCacheCounts counts;
};

Cache& ThreadCache() {
  thread_local Cache cache;
  return cache;
}

TextEntry& EntryFor(const qxgdi::ResolvedFont& f, const QString& text, bool* found) {
  Cache& cache = ThreadCache();
  TextKey key{&f, text};
  auto it = cache.texts.find(key);
  *found = it != cache.texts.end();
  if (*found) return it->second;
  if (cache.texts.size() >= kMaxTexts) cache.texts.clear();
  return cache.texts[std::move(key)];
}

void Count(bool hit) {
  QxTextCacheCounts& counts = ThreadCache().counts;
  ++(hit ? counts.hits : counts.misses);
}

// The glyph runs drawText would draw, shaped once; positions moved so the
// baseline is at y = 0.
QList<QGlyphRun> Shape(const qxgdi::ResolvedFont& f, const QString& text) {
  QTextLayout layout(text, f.font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  if (!line.isValid()) return {};
  QList<QGlyphRun> runs = line.glyphRuns();
  const double ascent = line.ascent();
  for (QGlyphRun& run : runs) {
    QList<QPointF> positions = run.positions();
    for (QPointF& p : positions) p.ry() -= ascent;
    run.setPositions(positions);
  }
  return runs;
}

}  // namespace

void QxSetTextCacheEnabled(bool on) {
  g_enabled = on;
}

bool QxTextCacheEnabled() {
  return g_enabled;
}

QxTextCacheCounts QxGetTextCacheCounts() {
  return ThreadCache().counts;
}

void QxClearTextCache() {
  Cache& cache = ThreadCache();
  cache.fonts.clear();
  cache.texts.clear();
  cache.counts = {};
}

namespace qxgdi {

std::shared_ptr<const ResolvedFont> SelectedFont(const CDC& dc) {
  static const LOGFONT fallback{};
  const DataPtr& data = QxDCAccess::State(dc).a.font;
  const LOGFONT& lf = data ? data->font : fallback;
  if (!g_enabled) return ResolveFont(lf);
  const bool fixed = QxFixedFontMetrics();
  Cache& cache = ThreadCache();
  auto it = cache.fonts.find(data.get());
  if (it != cache.fonts.end() && it->second.fixed == fixed &&
      std::memcmp(&it->second.logFont, &lf, sizeof(LOGFONT)) == 0)
    return it->second.resolved;
  if (it == cache.fonts.end() && cache.fonts.size() >= kMaxFonts) cache.fonts.clear();
  FontSlot& slot = cache.fonts[data.get()];
  std::memcpy(&slot.logFont, &lf, sizeof(LOGFONT));
  slot.fixed = fixed;
  slot.resolved = ResolveFont(lf);
  return slot.resolved;
}

double CachedTextAdvance(const ResolvedFont& f, const QString& text) {
  if (!g_enabled || f.fixed) return TextAdvance(f, text);
  bool found = false;
  TextEntry& entry = EntryFor(f, text, &found);
  const bool hit = found && entry.advance >= 0;
  Count(hit);
  if (!hit) entry.advance = TextAdvance(f, text);
  return entry.advance;
}

void DrawCachedText(QPainter& painter, const ResolvedFont& f, const QString& text) {
  if (!g_enabled) {
    painter.setFont(f.font);
    painter.drawText(QPointF(0, 0), text);
    return;
  }
  bool found = false;
  TextEntry& entry = EntryFor(f, text, &found);
  const bool hit = found && entry.shaped;
  Count(hit);
  if (!hit) {
    entry.glyphs = Shape(f, text);
    entry.shaped = true;
  }
  for (const QGlyphRun& run : entry.glyphs) painter.drawGlyphRun(QPointF(0, 0), run);
}

}  // namespace qxgdi
