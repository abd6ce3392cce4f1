// Font resolution: face mapping, cell-height sizing, width stretch, the Symbol
// and Windows-1252 code pages, and the fixed-metrics mode.
#include "platform/gdi/Fonts.h"

#include "platform/gdi/GdiInternal.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QRawFont>

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace {

std::atomic<bool> g_fixedMetrics{false};

// The Symbol code page from 0x20 to 0xFF; 0 marks a byte without a character.
// Pieces the serif face lacks (brackets, braces, arrows, set signs) come from
// DejaVu through the fallback families.
// clang-format off
const char32_t kSymbol[224] = {
    /* 20 */ 0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    /* 28 */ 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    /* 30 */ 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    /* 38 */ 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    /* 40 */ 0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    /* 48 */ 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    /* 50 */ 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    /* 58 */ 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    /* 60 */ 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    /* 68 */ 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    /* 70 */ 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    /* 78 */ 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,
    /* 80 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* 88 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* 90 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* 98 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* A0 */ 0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    /* A8 */ 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    /* B0 */ 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    /* B8 */ 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x2502, 0x2500, 0x21B5,
    /* C0 */ 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    /* C8 */ 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    /* D0 */ 0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    /* D8 */ 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    /* E0 */ 0x25CA, 0x27E8, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    /* E8 */ 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    /* F0 */ 0, 0x27E9, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    /* F8 */ 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0,
};
// clang-format on

std::string Lower(const char* s) {
  std::string out;
  for (; s && *s; ++s) out += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
  return out;
}

// Makes sure the faces are known to Qt by file, so the choice never depends on
// the system's font substitutions.
void EnsureFaces() {
  static std::once_flag once;
  std::call_once(once, [] {
    const QStringList have = QFontDatabase::families();
    const struct {
      const char* family;
      const char* folder;
      const char* prefix;
    } faces[] = {
        {"Liberation Serif", "/usr/share/fonts/truetype/liberation2", "LiberationSerif"},
        {"Liberation Sans", "/usr/share/fonts/truetype/liberation2", "LiberationSans"},
        {"Liberation Mono", "/usr/share/fonts/truetype/liberation2", "LiberationMono"},
        {"DejaVu Serif", "/usr/share/fonts/truetype/dejavu", "DejaVuSerif"},
        {"DejaVu Sans", "/usr/share/fonts/truetype/dejavu", "DejaVuSans"},
    };
    for (const auto& face : faces) {
      if (have.contains(QString::fromLatin1(face.family))) continue;
      QDir dir(QString::fromLatin1(face.folder));
      const QString prefix = QString::fromLatin1(face.prefix);
      for (const QString& file : dir.entryList({prefix + "*.ttf"}, QDir::Files)) {
        QString rest = file.mid(prefix.size());
        if (rest.startsWith("Condensed") || rest.startsWith("Mono") ||
            rest.startsWith("-ExtraLight"))
          continue;
        QFontDatabase::addApplicationFont(dir.filePath(file));
      }
    }
  });
}

struct Face {
  QStringList families;
  bool symbol = false;
};

Face MapFace(const char* faceName) {
  const std::string f = Lower(faceName);
  const QStringList serif{"Liberation Serif", "DejaVu Serif", "DejaVu Sans"};
  const QStringList sans{"Liberation Sans", "DejaVu Sans"};
  const QStringList mono{"Liberation Mono", "DejaVu Sans Mono", "DejaVu Sans"};
  if (f == "symbol") return {serif, true};
  if (f == "times new roman" || f == "times" || f == "tms rmn" || f == "ms serif" || f == "roman")
    return {serif, false};
  if (f == "courier new" || f == "courier" || f == "fixedsys" || f == "terminal")
    return {mono, false};
  return {sans, false};  // "Arial", "MS Sans Serif", "System" and anything unknown
}

// The size at which a face is matched once; its other sizes are derived from it.
constexpr int kReferencePixelSize = 200;

QFont MakeQFont(const Face& face, const LOGFONT& lf, int pixelSize) {
  QFont font;
  font.setFamilies(face.families);
  font.setPixelSize(std::max(1, pixelSize));
  font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferOutline));
  font.setHintingPreference(QFont::PreferFullHinting);
  int weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 100, 900);
  font.setWeight(QFont::Weight(weight));
  font.setItalic(lf.lfItalic != 0);
  font.setUnderline(lf.lfUnderline != 0);
  font.setStrikeOut(lf.lfStrikeOut != 0);
  font.setKerning(false);
  return font;
}

int CellHeight(const QFont& font) {
  const qxgdi::FontSizeMetrics m = qxgdi::SizedFontMetrics(font);
  return m.ascent + m.descent;
}

// The pixel size whose cell (ascent + descent) comes closest to the height,
// the larger size on a tie that does not exceed it.
int PixelSizeForCell(const Face& face, const LOGFONT& lf, int cell) {
  QFontMetricsF fm(qxgdi::FirstFaceAlone(MakeQFont(face, lf, kReferencePixelSize)));
  double ratio = (fm.ascent() + fm.descent()) / 200.0;
  int guess = std::max(1, static_cast<int>(std::lround(cell / (ratio > 0 ? ratio : 1.0))));
  int best = guess, bestErr = 1 << 30;
  for (int p = std::max(1, guess - 2); p <= guess + 2; ++p) {
    int err = std::abs(CellHeight(MakeQFont(face, lf, p)) - cell);
    if (err < bestErr || (err == bestErr && CellHeight(MakeQFont(face, lf, p)) <= cell)) {
      best = p;
      bestErr = err;
    }
  }
  return best;
}

std::shared_ptr<const qxgdi::ResolvedFont> Resolve(const LOGFONT& lf, bool fixed) {
  auto r = std::make_shared<qxgdi::ResolvedFont>();
  r->logFont = lf;
  r->fixed = fixed;
  Face face = MapFace(lf.lfFaceName);
  r->symbol = face.symbol;
  r->weight = lf.lfWeight == FW_DONTCARE ? FW_NORMAL : lf.lfWeight;
  if (fixed) {
    int h = lf.lfHeight == 0 ? 16 : std::abs(lf.lfHeight);
    r->ascent = h * 4 / 5;
    r->descent = h - r->ascent;
    r->fixedCharWidth = lf.lfWidth > 0 ? lf.lfWidth : std::max(1, h / 2);
    r->aveCharWidth = r->maxCharWidth = r->fixedCharWidth;
    return r;  // no Qt font: these metrics and the boxes drawn need none
  }
  EnsureFaces();
  int pixelSize;
  if (lf.lfHeight < 0)
    pixelSize = -lf.lfHeight;
  else
    pixelSize = PixelSizeForCell(face, lf, lf.lfHeight == 0 ? 16 : lf.lfHeight);
  r->font = MakeQFont(face, lf, pixelSize);
  // The font's own engine is made when it first measures or draws text.
  r->metrics = std::make_shared<const QFontMetricsF>(r->font);
  const qxgdi::FontSizeMetrics fm = qxgdi::SizedFontMetrics(r->font);
  r->ascent = fm.ascent;
  r->descent = fm.descent;
  r->internalLeading = std::max(0, r->ascent + r->descent - pixelSize);
  r->externalLeading = std::max(0, fm.leading);
  int natural = std::max(1, fm.averageCharWidth);
  if (lf.lfWidth > 0) r->stretch = static_cast<double>(lf.lfWidth) / natural;
  r->aveCharWidth = lf.lfWidth > 0 ? lf.lfWidth : natural;
  r->maxCharWidth = static_cast<int>(std::lround(fm.maxCharWidth * r->stretch));
  return r;
}

}  // namespace

void QxSetFixedFontMetrics(bool on) {
  g_fixedMetrics = on;
}
bool QxFixedFontMetrics() {
  return g_fixedMetrics;
}

char32_t QxSymbolToUnicode(BYTE byte) {
  return byte < 0x20 ? 0 : kSymbol[byte - 0x20];
}

bool QxIsSymbolFace(const char* faceName) {
  return Lower(faceName) == "symbol";
}

namespace qxgdi {

QFont FirstFaceAlone(const QFont& font) {
  // A font's metrics are its first face's; without fallback families Qt does
  // not ask the font system for the list of all fallbacks either.
  QFont alone(font);
  if (!font.families().isEmpty()) alone.setFamilies({font.families().first()});
  return alone;
}

FontSizeMetrics SizedFontMetrics(const QFont& font) {
  // Qt matches a face and its rendering options again for every pixel size it
  // is asked for, and that matching is most of what a font costs. So the face
  // is matched once, at the reference size, and each other size is a copy of
  // that engine scaled by the engine itself: the same file, options and
  // hinting, so the same metrics as the size's own engine. Kept per face and
  // size for the life of the process.
  using Key = std::tuple<QString, int, bool, bool, bool, int, int, int, int>;
  static std::mutex lock;
  static std::map<Key, FontSizeMetrics> known;
  const QString first = font.families().isEmpty() ? font.family() : font.families().first();
  const Key key{first,
                font.weight(),
                font.italic(),
                font.underline(),
                font.strikeOut(),
                font.styleStrategy(),
                font.hintingPreference(),
                font.stretch(),
                font.pixelSize()};
  {
    std::lock_guard<std::mutex> guard(lock);
    auto it = known.find(key);
    if (it != known.end()) return it->second;
  }
  FontSizeMetrics m;
  QFont reference = FirstFaceAlone(font);
  reference.setPixelSize(kReferencePixelSize);
  QRawFont raw = QRawFont::fromFont(reference);
  if (raw.isValid() && raw.familyName() == first && font.pixelSize() > 0)
    raw.setPixelSize(font.pixelSize());  // an engine that cannot be scaled leaves it invalid
  else
    raw = QRawFont();
  if (raw.isValid()) {
    // As QFontMetrics rounds its engine's values.
    m.ascent = qRound(raw.ascent());
    m.descent = qRound(raw.descent());
    m.leading = qRound(raw.leading());
    m.averageCharWidth = qRound(raw.averageCharWidth());
    m.maxCharWidth = qRound(raw.maxCharWidth());
  } else {  // the first face is missing or the size is not in pixels: ask the font itself
    QFontMetrics fm(font);
    m = {fm.ascent(), fm.descent(), fm.leading(), fm.averageCharWidth(), fm.maxWidth()};
  }
  std::lock_guard<std::mutex> guard(lock);
  known.emplace(key, m);
  return m;
}

std::shared_ptr<const ResolvedFont> ResolveFont(const LOGFONT& lf) {
  static std::mutex lock;
  static std::map<std::string, std::shared_ptr<const ResolvedFont>> cache;
  bool fixed = g_fixedMetrics;
  std::string key(reinterpret_cast<const char*>(&lf), sizeof(LOGFONT));
  key += fixed ? 'F' : 'R';
  std::lock_guard<std::mutex> guard(lock);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  auto resolved = Resolve(lf, fixed);
  cache[key] = resolved;
  return resolved;
}

QString DecodeText(const ResolvedFont& f, const char* text, int count) {
  QString out;
  if (!text || count <= 0) return out;
  out.reserve(count);
  for (int i = 0; i < count; ++i) {
    BYTE b = static_cast<BYTE>(text[i]);
    char32_t c = f.symbol ? QxSymbolToUnicode(b) : QxWindows1252ToUnicode(b);
    if (f.symbol && c == 0) c = 0x0020;  // a byte without a character shows nothing
    if (c > 0xFFFF) c = 0xFFFD;
    out += QChar(static_cast<char16_t>(c));
  }
  return out;
}

double TextAdvance(const ResolvedFont& f, const QString& text) {
  if (f.fixed) return static_cast<double>(f.fixedCharWidth) * text.size();
  return f.metrics->horizontalAdvance(text) * f.stretch;
}

int CharAdvance(const ResolvedFont& f, BYTE byte) {
  char c = static_cast<char>(byte);
  return static_cast<int>(std::lround(TextAdvance(f, DecodeText(f, &c, 1))));
}

}  // namespace qxgdi
