#include "MC/McLayout.h"

#include "platform/gdi/DC.h"

namespace {

bool InTables(int family, int level) {
  return family >= 0 && family < kFontFamilies && level >= 0 && level < kSizeLevels;
}

}  // namespace

int McFontHeight(int family, int level) {
  return InTables(family, level) ? g_fontHeight[family][level] : 0;
}

int McFontAscent(int family, int level) {
  return InTables(family, level) ? g_fontAscent[family][level] : 0;
}

int McAxis(int level) {
  return McFontAscent(kFontItalic, level) - McFontHeight(kFontItalic, level) / 2;
}

McAlignGuard::McAlignGuard(CDC* dc, UINT align) : m_dc(dc), m_old(dc->SetTextAlign(align)) {}

McAlignGuard::~McAlignGuard() {
  m_dc->SetTextAlign(m_old);
}

void McSelectFont(CDC* dc, int family, int level) {
  if (InTables(family, level) && g_fonts[family][level] != nullptr)
    dc->SelectObject(g_fonts[family][level]);
}

void McDrawDifferential(CDC* dc, int x, int y, bool partial, int level) {
  static constexpr char kPartialGlyph = '\xB6';  // Symbol code page: the partial sign
  McSelectFont(dc, partial ? kFontSymbol : kFontItalic, level);
  dc->TextOut(x, y, partial ? &kPartialGlyph : "d", 1);
}
