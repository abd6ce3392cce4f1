#include "res/Sprites.h"

#include "platform/gdi/Color.h"
#include "platform/gdi/GdiObjects.h"

#include <QImage>
#include <QRect>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>

const COLORREF kSpritePalette[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

const COLORREF kSpriteGroupInk[7] = {RGB(128, 128, 128), RGB(128, 0, 0),   RGB(0, 128, 0),
                                     RGB(128, 128, 128), RGB(128, 0, 128), RGB(255, 255, 255),
                                     RGB(0, 128, 128)};

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kLime = RGB(0, 255, 0);

// One character per colour in the pictures below; '.' leaves the pixel alone.
COLORREF InkOf(char c) {
  switch (c) {
    case 'k':
      return kBlack;
    case 'R':
      return RGB(128, 0, 0);
    case 'G':
      return RGB(0, 128, 0);
    case 'Y':
      return RGB(128, 128, 0);
    case 'B':
      return kNavy;
    case 'M':
      return RGB(128, 0, 128);
    case 'C':
      return RGB(0, 128, 128);
    case 's':
      return kSilver;
    case 'S':
      return kGrey;
    case 'r':
      return kRed;
    case 'g':
      return kLime;
    case 'y':
      return RGB(255, 255, 0);
    case 'b':
      return RGB(0, 0, 255);
    case 'm':
      return RGB(255, 0, 255);
    case 'c':
      return RGB(0, 255, 255);
    default:
      return kWhite;
  }
}

// Glyph shapes of the root locus, '#' ink and '+' light grey.
constexpr const char* kPoleGlyph[7] = {".#...#.", "###.###", ".#####.", "..###..",
                                       ".#####.", "###.###", ".#...#."};
constexpr const char* kZeroGlyph[7] = {"..###..", ".##+##.", "##...##", "#+...+#",
                                       "##...##", ".##+##.", "..###.."};
constexpr const char* kClosedLoopGlyph[7] = {"#######", "#######", "##...##", "##...##",
                                             "##...##", "#######", "#######"};
constexpr const char* kTransmissionGlyph[7] = {"..###..", "..###..", "###.###", "##...##",
                                               "###.###", "..###..", "..###.."};

// Small letters, 3 x 5.
struct SmallGlyph {
  char c;
  const char* rows[5];
};
constexpr SmallGlyph kSmall[] = {
    {'0', {"###", "#.#", "#.#", "#.#", "###"}},
    {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'c', {"...", "###", "#..", "#..", "###"}},
    {'v', {"...", "#.#", "#.#", "#.#", ".#."}},
    {'d', {"..#", "###", "#.#", "#.#", "###"}},
    {'n', {"...", "##.", "#.#", "#.#", "#.#"}},
    {'r', {"...", "#.#", "##.", "#..", "#.."}},
    {'e', {"...", "###", "###", "#..", "###"}},
    {'u', {"...", "#.#", "#.#", "#.#", "###"}},
    {'y', {"#.#", "#.#", "###", "..#", "##."}},
    {'z', {"...", "###", "..#", "#..", "###"}},
    {'w', {".....", "#...#", "#.#.#", "#.#.#", ".#.#."}},
    {'s', {"...", "###", "##.", "..#", "###"}},
    {'k', {"#..", "#.#", "##.", "#.#", "#.#"}},
    {'?', {"##.", "..#", ".#.", "...", ".#."}},
};

// Capitals, 5 x 7.
struct BigGlyph {
  char c;
  const char* rows[7];
};
constexpr BigGlyph kBig[] = {
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
};

class Sheet {
 public:
  Sheet() : m_image(kSpriteSheetWidth, kSpriteSheetHeight, QImage::Format_RGB32) {
    m_image.fill(QxToQRgb(kWhite));
    m_pixels = reinterpret_cast<QRgb*>(m_image.bits());
    m_stride = static_cast<int>(m_image.bytesPerLine() / sizeof(QRgb));
  }
  const QImage& Image() const { return m_image; }

  // The clip never reaches past the sheet, so a pixel inside it is written directly.
  void Clip(int x, int y, int cx, int cy) { m_clip = QRect(x, y, cx, cy) & m_image.rect(); }
  void Px(int x, int y, COLORREF c) {
    if (x >= m_clip.left() && x <= m_clip.right() && y >= m_clip.top() && y <= m_clip.bottom())
      m_pixels[y * m_stride + x] = QxToQRgb(c);
  }
  void Fill(int x, int y, int cx, int cy, COLORREF c) {
    for (int j = 0; j < cy; ++j)
      for (int i = 0; i < cx; ++i) Px(x + i, y + j, c);
  }
  void Frame(int x, int y, int cx, int cy, COLORREF c) {
    Fill(x, y, cx, 1, c);
    Fill(x, y + cy - 1, cx, 1, c);
    Fill(x, y, 1, cy, c);
    Fill(x + cx - 1, y, 1, cy, c);
  }
  // Both end points included.
  void Line(int x0, int y0, int x1, int y1, COLORREF c) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      Px(x0, y0, c);
      if (x0 == x1 && y0 == y1) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }
  void Disc(int cx, int cy, int r, COLORREF fill, COLORREF ring) {
    for (int y = -r; y <= r; ++y)
      for (int x = -r; x <= r; ++x) {
        const int d = x * x + y * y;
        if (d <= r * r + r) Px(cx + x, cy + y, d >= r * r - r ? ring : fill);
      }
  }
  // A picture of rows; '#' takes ink, '+' light grey, other letters their colour.
  void Art(int x, int y, std::initializer_list<const char*> rows, COLORREF ink = kBlack) {
    int j = 0;
    for (const char* row : rows) {
      for (int i = 0; row[i]; ++i) {
        const char c = row[i];
        if (c == '.') continue;
        Px(x + i, y + j, c == '#' ? ink : c == '+' ? kSilver : InkOf(c));
      }
      ++j;
    }
  }
  void Rows(int x, int y, const char* const* rows, int n, COLORREF ink) {
    for (int j = 0; j < n; ++j)
      for (int i = 0; rows[j][i]; ++i) {
        if (rows[j][i] == '#') Px(x + i, y + j, ink);
        if (rows[j][i] == '+') Px(x + i, y + j, kSilver);
      }
  }
  void Small(int x, int y, char c, COLORREF ink) {
    for (const SmallGlyph& g : kSmall)
      if (g.c == c) Rows(x, y, g.rows, 5, ink);
  }
  void Big(int x, int y, char c, COLORREF ink) {
    for (const BigGlyph& g : kBig)
      if (g.c == c) Rows(x, y, g.rows, 7, ink);
  }
  // A raised (or sunken) button face of cx x cy.
  void Button(int x, int y, int cx, int cy, bool sunken) {
    Fill(x, y, cx, cy, kSilver);
    const COLORREF light = sunken ? kBlack : kWhite, dark = sunken ? kWhite : kBlack;
    Fill(x, y, cx, 1, light);
    Fill(x, y, 1, cy, light);
    Fill(x, y + cy - 1, cx, 1, dark);
    Fill(x + cx - 1, y, 1, cy, dark);
    if (!sunken) {
      Fill(x + 1, y + cy - 2, cx - 2, 1, kGrey);
      Fill(x + cx - 2, y + 1, 1, cy - 2, kGrey);
    } else {
      Fill(x + 1, y + 1, cx - 2, 1, kGrey);
      Fill(x + 1, y + 1, 1, cy - 2, kGrey);
    }
  }

 private:
  QImage m_image;
  QRgb* m_pixels = nullptr;  // m_image's, never shared while the sheet is drawn
  int m_stride = 0;
  QRect m_clip{0, 0, kSpriteSheetWidth, kSpriteSheetHeight};
};

// ---- root-locus and frequency glyphs (exact) -----------------------------------

void DrawRootGlyphs(Sheet& s) {
  for (int group = 0; group < 7; ++group) {
    if (group == 5) continue;
    const COLORREF ink = kSpriteGroupInk[group];
    const SpriteTile pole = SpriteRootGlyph(group, true), zero = SpriteRootGlyph(group, false);
    if (group == kSpriteClosedLoopGroup) {
      s.Rows(pole.x, pole.y, kClosedLoopGlyph, 7, ink);
      s.Rows(zero.x, zero.y, kTransmissionGlyph, 7, ink);
    } else {
      s.Rows(pole.x, pole.y, kPoleGlyph, 7, ink);
      s.Rows(zero.x, zero.y, kZeroGlyph, 7, ink);
    }
  }
}

void DrawFrequencyGlyphs(Sheet& s) {
  const SpriteTile p5 = kSpriteTickPlus5, p3 = kSpriteTickPlus3, disc = kSpriteNodeDisc;
  s.Fill(p5.x + 2, p5.y, 1, 5, kBlack);
  s.Fill(p5.x, p5.y + 2, 5, 1, kBlack);
  s.Fill(p3.x + 1, p3.y, 1, 3, kBlack);
  s.Fill(p3.x, p3.y + 1, 3, 1, kBlack);
  s.Fill(disc.x, disc.y, 5, 5, RGB(0, 128, 0));
  for (int cx : {0, 4})
    for (int cy : {0, 4}) s.Px(disc.x + cx, disc.y + cy, kWhite);
}

// ---- element picker cells ------------------------------------------------------

struct Zone {
  int x, y, cx, cy;
};
constexpr Zone kZones[5] = {
    {0, 0, 8, 8}, {0, 8, 8, 7}, {0, 15, 8, 7}, {9, 0, 13, 10}, {9, 10, 13, 12}};

void DrawElementCell(Sheet& s, int lit) {
  const SpriteTile t = SpriteElementCell(lit);
  s.Fill(t.x, t.y, 23, 23, kSilver);
  s.Fill(t.x, t.y, 22, 22, kWhite);
  s.Fill(t.x + 8, t.y, 1, 22, kSilver);
  for (int z = 0; z < 5; ++z) {
    const Zone& zone = kZones[z];
    const bool on = lit == z + 1;
    if (on) s.Fill(t.x + zone.x, t.y + zone.y, zone.cx, zone.cy, kNavy);
    const COLORREF ink = on ? kWhite : kBlack;
    switch (z) {
      case 0:
        s.Small(t.x + 3, t.y + 2, '0', ink);
        break;
      case 1:
        s.Small(t.x + 3, t.y + 9, '1', ink);
        break;
      case 2:
        s.Small(t.x + 3, t.y + 16, 'k', on ? kWhite : kNavy);
        break;
      case 3:
        s.Disc(t.x + 15, t.y + 5, 3, on ? kNavy : kWhite, on ? kWhite : RGB(0, 128, 0));
        break;
      default:
        s.Line(t.x + 13, t.y + 13, t.x + 17, t.y + 17, on ? kWhite : kRed);
        s.Line(t.x + 13, t.y + 17, t.x + 17, t.y + 13, on ? kWhite : kRed);
        break;
    }
  }
}

// ---- signal picker rows ----------------------------------------------------------

// Curve of a test-signal icon in an 11 x 11 face.
void DrawSignalCurve(Sheet& s, int x, int y, int kind, COLORREF ink) {
  switch (kind) {
    case 0:
      s.Line(x + 1, y + 6, x + 9, y + 6, ink);
      break;
    case 1:
      s.Line(x + 1, y + 8, x + 4, y + 8, ink);
      s.Line(x + 4, y + 8, x + 4, y + 2, ink);
      s.Line(x + 4, y + 2, x + 9, y + 2, ink);
      break;
    case 2:
      s.Line(x + 1, y + 8, x + 3, y + 8, ink);
      s.Line(x + 3, y + 8, x + 3, y + 2, ink);
      s.Line(x + 3, y + 2, x + 6, y + 2, ink);
      s.Line(x + 6, y + 2, x + 6, y + 8, ink);
      s.Line(x + 6, y + 8, x + 9, y + 8, ink);
      break;
    case 3:
      s.Line(x + 1, y + 8, x + 3, y + 8, ink);
      s.Line(x + 3, y + 8, x + 9, y + 2, ink);
      break;
    case 4:
      for (int i = 0; i < 9; ++i)
        s.Px(x + 1 + i, y + 5 - static_cast<int>(std::lround(3.5 * std::sin(i * 0.785))), ink);
      break;
    default: {
      static const int kNoise[9] = {5, 2, 7, 4, 8, 3, 6, 1, 5};
      for (int i = 0; i < 8; ++i)
        s.Line(x + 1 + i, y + kNoise[i], x + 2 + i, y + kNoise[i + 1], ink);
      break;
    }
  }
}

void DrawSignalRow(Sheet& s, int lit) {
  const SpriteTile t = SpriteSignalRow(lit);
  s.Fill(t.x, t.y, t.cx, t.cy, kSilver);
  for (int kind = 0; kind < 6; ++kind) {
    const int x = t.x + 12 * (kind % 3) + 1, y = t.y + 12 * (kind / 3) + 1;
    const bool on = kind == lit;
    s.Fill(x, y, 11, 11, on ? kNavy : kWhite);
    DrawSignalCurve(s, x, y, kind, on ? kWhite : kNavy);
  }
}

// ---- "ProcessView" loop diagram --------------------------------------------------

void Arrow(Sheet& s, int x0, int y0, int x1, int y1) {
  s.Line(x0, y0, x1, y1, kBlack);
  if (y0 == y1) {
    const int d = x1 > x0 ? -1 : 1;
    s.Line(x1 + 2 * d, y1 - 2, x1 + 2 * d, y1 + 2, kBlack);
    s.Line(x1 + d, y1 - 1, x1 + d, y1 + 1, kBlack);
  } else {
    const int d = y1 > y0 ? -1 : 1;
    s.Line(x1 - 2, y1 + 2 * d, x1 + 2, y1 + 2 * d, kBlack);
    s.Line(x1 - 1, y1 + d, x1 + 1, y1 + d, kBlack);
  }
}

void Block(Sheet& s, int x, int y, int block, bool pressed) {
  s.Fill(x, y, 18, 17, pressed ? kNavy : kWhite);
  s.Frame(x, y, 18, 17, kBlack);
  s.Big(x + 7, y + 5, "PKGLF"[block], pressed ? kWhite : kBlack);
}

void Source(Sheet& s, int cx, int cy, int source, bool pressed) {
  s.Disc(cx, cy, 5, pressed ? kNavy : kWhite, kBlack);
  s.Small(cx - 1, cy - 2, "cvdn"[source], pressed ? kWhite : kBlack);
}

constexpr char kToggleLetters[6] = {'r', 'e', 'u', 'y', 'z', 'w'};

void Lamp(Sheet& s, int x, int y, bool on, bool pressed) {
  s.Fill(x, y, 13, 13, kSilver);
  s.Disc(x + 6, y + 6, 5, on ? kLime : kGrey, pressed ? kWhite : kBlack);
}

// The pictures of the three loop-diagram buttons, 12 x 12.
void LoopButtonIcon(Sheet& s, int x, int y, int button) {
  if (button == 0) {  // the automatic tuner: a knob with its pointer
    s.Disc(x + 6, y + 6, 5, kSilver, kBlack);
    s.Line(x + 6, y + 6, x + 9, y + 3, kRed);
  } else if (button == 1) {  // identify G after each pass
    s.Big(x + 2, y + 2, 'G', kNavy);
    s.Small(x + 8, y + 4, '?', kRed);
  } else {  // continuous real time: a closed arrow
    s.Art(x, y,
          {"....kkkk....", "..kk....kk..", ".k........k.", ".k.........k", "k..........k",
           "k..........k", "k........kkk", "k.........k.", ".k..........", ".k..........",
           "..kk....kk..", "....kkkk...."});
  }
}

void LoopButton(Sheet& s, int x, int y, int cy, int button, bool sunken) {
  s.Button(x, y, 18, cy, sunken);
  LoopButtonIcon(s, x + (sunken ? 4 : 3), y + (sunken ? 4 : 3), button);
}

void DrawLoopDiagram(Sheet& s) {
  const int ox = kSpriteLoopDiagram.x, oy = kSpriteLoopDiagram.y;
  auto L = [&](int x0, int y0, int x1, int y1) {
    s.Line(ox + x0, oy + y0, ox + x1, oy + y1, kBlack);
  };
  auto A = [&](int x0, int y0, int x1, int y1) { Arrow(s, ox + x0, oy + y0, ox + x1, oy + y1); };
  s.Fill(ox, oy, 200, 90, kSilver);
  // Forward path c -> P -> (e) -> K -> (+v) -> G -> (+d) -> L, feedback z + n -> F -> w.
  A(14, 27, 25, 27);
  A(44, 27, 53, 27);
  A(61, 27, 70, 27);
  A(89, 27, 98, 27);
  A(106, 27, 115, 27);
  A(134, 27, 143, 27);
  A(151, 27, 160, 27);
  L(179, 27, 192, 27);
  A(192, 27, 192, 60);
  A(188, 64, 134, 64);
  L(115, 64, 57, 64);
  A(57, 64, 57, 31);
  A(102, 13, 102, 23);
  A(147, 13, 147, 23);
  A(192, 75, 192, 68);
  for (int jx : {57, 102, 147}) s.Disc(ox + jx, oy + 27, 3, kWhite, kBlack);
  s.Disc(ox + 192, oy + 64, 3, kWhite, kBlack);
  for (int b = 0; b < 5; ++b) Block(s, ox + kLoopBlockPos[b].x, oy + kLoopBlockPos[b].y, b, false);
  for (int i = 0; i < 4; ++i)
    Source(s, ox + kLoopSourcePos[i].x, oy + kLoopSourcePos[i].y + 1, i, false);
  for (int i = 0; i < 6; ++i)
    s.Small(ox + kLoopTogglePos[i].x - 1, oy + kLoopTogglePos[i].y - 2, kToggleLetters[i], kGrey);
  Lamp(s, ox + kLoopLampPos.x - 6, oy + kLoopLampPos.y - 6, false, false);
  // The buttons reach one row below the diagram; only what fits is part of it.
  s.Clip(ox, oy, 200, 90);
  for (int b = 0; b < 3; ++b)
    LoopButton(s, ox + kLoopButtonPos[b].x, oy + kLoopButtonPos[b].y, 18, b, false);
  s.Clip(0, 0, kSpriteSheetWidth, kSpriteSheetHeight);
}

void DrawLoopTiles(Sheet& s) {
  for (int b = 0; b < 5; ++b) {
    const SpriteTile t = SpritePressedBlock(b);
    Block(s, t.x, t.y, b, true);
  }
  for (int i = 0; i < 4; ++i) {
    const SpriteTile t = SpritePressedSource(i);
    s.Fill(t.x, t.y, 13, 13, kSilver);
    Source(s, t.x + 6, t.y + 6, i, true);
  }
  // A mark repeats the toggle's letter in red at the same place of the diagram.
  for (int i = 0; i < 6; ++i) {
    const SpriteTile t = kSpriteSignalMarks[i];
    s.Fill(t.x, t.y, t.cx, t.cy, kSilver);
    // Destination of the mark in diagram coordinates (see the bar's painting).
    static const POINT kDest[6] = {{46, 16}, {61, 16}, {90, 16}, {152, 15}, {186, 16}, {60, 54}};
    const int lx = kLoopTogglePos[i].x - 1 - kDest[i].x, ly = kLoopTogglePos[i].y - 2 - kDest[i].y;
    s.Small(t.x + lx, t.y + ly, kToggleLetters[i], kRed);
  }
  Lamp(s, kSpriteLampOff.x, kSpriteLampOff.y, false, false);
  Lamp(s, kSpriteLampOn.x, kSpriteLampOn.y, true, false);
  Lamp(s, kSpriteLampOffPressed.x, kSpriteLampOffPressed.y, false, true);
  Lamp(s, kSpriteLampOnPressed.x, kSpriteLampOnPressed.y, true, true);
  LoopButton(s, kSpriteFindGSwitchOn.x, kSpriteFindGSwitchOn.y, 18, 1, true);
  LoopButton(s, kSpriteFindGSwitchOff.x, kSpriteFindGSwitchOff.y, 18, 1, false);
  LoopButton(s, kSpriteRealtimeSwitchOn.x, kSpriteRealtimeSwitchOn.y, 18, 2, true);
  LoopButton(s, kSpriteRealtimeSwitchOff.x, kSpriteRealtimeSwitchOff.y, 18, 2, false);
  for (int b = 0; b < 3; ++b) {
    const SpriteTile t = SpritePressedLoopButton(b);
    LoopButton(s, t.x, t.y, 17, b, true);
  }
}

// ---- "Performance Equalizer" buttons --------------------------------------------

// The pictures of the Equalizer's buttons, 12 x 12 each.
struct EqualizerIconArt {
  int button;
  const char* rows[12];
};
constexpr EqualizerIconArt kEqualizerIcons[] = {
    // 1: a rising step response with a green cross at its end
    {1,
     {"............", "..........g.", ".....kkkk.gg", "....k....g.g", "....k.......",
      "...k........", "...k........", "...k........", "..k.........", "..k.........",
      "kk..........", "............"}},
    // 2: a rising curve with a blue arrow back to its start
    {2,
     {"............", ".......kkkkk", ".....kk.....", "....k.......", "...k........",
      "..k.........", "..k...b.....", ".k...bb.....", ".k..bbbbbbb.", "k....bb.....",
      "k.....b.....", "............"}},
    // 3: an oscillating curve with a dark red x
    {3,
     {"..k.......R.", ".k.k.....R.R", ".k.k.k..k...", "k...k.kk.k..", "k...k......k",
      "......k.....", "............", "............", "............", "............",
      "............", "............"}},
    // 4: a double arrow with a blue x
    {4,
     {"........b.b.", ".........b..", "........b.b.", "............", "...k....k...",
      "..k......k..", ".kkkkkkkkkk.", "..k......k..", "...k....k...", "............",
      "............", "............"}},
    // 5: the letter v with a green x
    {5,
     {"............", ".......g..g.", "........gg..", "........gg..", ".......g..g.",
      "............", "k...k.......", "k...k.......", ".k.k........", ".k.k........",
      "..k.........", "............"}},
    // 6: the letter d with a cyan x
    {6,
     {"....k.......", "....k..c..c.", "....k...cc..", ".kkkk...cc..", "k...k..c..c.",
      "k...k.......", "k...k.......", ".kkkk.......", "............", "............",
      "............", "............"}},
    // 7: the letter n with a yellow x
    {7,
     {"............", ".......y..y.", "........yy..", "........yy..", ".......y..y.",
      "kkkk........", "k...k.......", "k...k.......", "k...k.......", "k...k.......",
      "............", "............"}},
    // 8: the letter u with red up and down arrows
    {8,
     {"........r...", ".......rrr..", "......r.r.r.", "........r...", "k...k...r...",
      "k...k...r...", "k...k...r...", "k...k...r...", "k..kk.r.r.r.", ".kk.k..rrr..",
      "........r...", "............"}},
    // 9: a capital delta and s with a magenta x
    {9,
     {".....k......", ".....k..m..m", "....k.k..mm.", "....k.k..mm.", "...k...km..m",
      "...k...k....", "..kkkkkkk...", "............", "..kkk.......", "..kk........",
      "....k.......", "..kkk......."}},
    // 10: A over Z with a down arrow
    {10,
     {"..k......k..", ".k.k.....k..", "kkkkk....k..", "k...k....k..", "k...k....k..",
      "..........k.", "kkkkk....k..", "...k...kkkkk", "..k.....kkk.", ".k.......k..",
      "kkkkk.......", "............"}},
    // 11: scattered red crosses
    {11,
     {".r.......r..", "rrr.....rrr.", ".r.......r..", ".....r......", "....rrr.....",
      ".....r......", "..........r.", ".r.......rrr", "rrr.......r.", ".r...r......",
      "....rrr.....", ".....r......"}},
    // 12: a skull and crossbones
    {12,
     {"...kkkkkk...", "..k......k..", ".k.kk..kk.k.", ".k.kk..kk.k.", "..k..kk..k..",
      "...k....k...", "....kkkk....", "k..........k", ".kk......kk.", "...kk..kk...",
      ".kk..kk..kk.", "k..........k"}},
    // 13: a bloodied dagger
    {13,
     {"..........k.", ".........kSk", "........kSk.", ".......kSk..", "......kSkr..",
      ".k...kSk.r..", "..k.kSk.....", "...kkk......", "..kkk.......", ".kRkk.....r.",
      "kRk..k......", ".k.......r.."}},
    // 14: two large dots above a spread of small dots
    {14,
     {"............", "..kk....kk..", ".kkkk..kkkk.", ".kkkk..kkkk.", "..kk....kk..",
      "............", "............", "k..k.k..k.k.", ".k..k..k..k.", "k.k..k.k..k.",
      "..k.k..k.k..", "............"}},
    // 17: a globe under a magnifying glass
    {17,
     {"..bbbb......", ".bGGbbb.....", "bbbGGbbb....", "bGGGbbbb....", "bbGbbGGb....",
      ".bbbbGb.....", "..bbbb.k....", ".......kk...", "........kk..", ".........kk.",
      "..........kk", "...........k"}},
    // 18: an island with a palm under a magnifying glass
    {18,
     {"..GGG.......", ".G.Gk.G.....", "....kG......", "....k.......", "...k........",
      "..yyyy.k....", "bbbbbbb.....", ".......kk...", "........kk..", ".........kk.",
      "..........kk", "...........k"}},
};

void EqualizerIcon(Sheet& s, int x, int y, int button) {
  for (const EqualizerIconArt& icon : kEqualizerIcons) {
    if (icon.button != button) continue;
    for (int j = 0; j < 12; ++j) s.Art(x, y + j, {icon.rows[j]});
  }
}

void EqualizerButton(Sheet& s, int x, int y, int button, bool sunken) {
  s.Button(x, y, 18, 18, sunken);
  EqualizerIcon(s, x + (sunken ? 4 : 3), y + (sunken ? 4 : 3), button);
}

void RecordButton(Sheet& s, const SpriteTile& t, bool on, bool sunken) {
  s.Button(t.x, t.y, 27, 18, sunken);
  const int d = sunken ? 1 : 0;
  s.Disc(t.x + 13 + d, t.y + 9 + d, 5, on ? kRed : kGrey, on ? RGB(128, 0, 0) : kBlack);
  s.Px(t.x + 11 + d, t.y + 7 + d, kWhite);
}

void DrawEqualizerTiles(Sheet& s) {
  // Sort row: buttons 1-8 side by side, a 3-pixel gap, 9 and 10, a 3-pixel gap, 11.
  const int sortOffsets[11] = {0, 18, 36, 54, 72, 90, 108, 126, 147, 165, 186};
  s.Fill(kSpriteSortRow.x, kSpriteSortRow.y, kSpriteSortRow.cx, kSpriteSortRow.cy, kSilver);
  for (int i = 0; i < 11; ++i) {
    EqualizerButton(s, kSpriteSortRow.x + sortOffsets[i], kSpriteSortRow.y, i + 1, false);
    EqualizerButton(s, kSpriteSortPressed[i].x, kSpriteSortPressed[i].y, i + 1, true);
  }
  const int populationOffsets[3] = {0, 18, 39};
  s.Fill(kSpritePopulationRow.x, kSpritePopulationRow.y, kSpritePopulationRow.cx,
         kSpritePopulationRow.cy, kSilver);
  for (int i = 0; i < 3; ++i) {
    EqualizerButton(s, kSpritePopulationRow.x + populationOffsets[i], kSpritePopulationRow.y,
                    12 + i, false);
    EqualizerButton(s, kSpritePopulationPressed[i].x, kSpritePopulationPressed[i].y, 12 + i, true);
  }
  RecordButton(s, kSpriteRecordOff, false, false);
  RecordButton(s, kSpriteRecordOn, true, false);
  RecordButton(s, kSpriteRecordPressed, false, true);
  for (int i = 0; i < 2; ++i) {
    EqualizerButton(s, kSpriteSearchRow.x + 18 * i, kSpriteSearchRow.y, 17 + i, false);
    EqualizerButton(s, kSpriteSearchPressed[i].x, kSpriteSearchPressed[i].y, 17 + i, true);
  }
}

const QImage& SheetImage() {
  static const QImage image = [] {
    Sheet s;
    DrawRootGlyphs(s);
    DrawFrequencyGlyphs(s);
    for (int z = 0; z <= 5; ++z) DrawElementCell(s, z);
    for (int k = -1; k <= 5; ++k) DrawSignalRow(s, k);
    DrawLoopDiagram(s);
    DrawLoopTiles(s);
    DrawEqualizerTiles(s);
    return s.Image();
  }();
  return image;
}

}  // namespace

void QxMakeSpriteSheet() {
  static std::once_flag once;
  std::call_once(once, [] { QxRegisterBitmap(IDB_SPRITES, SheetImage()); });
}

COLORREF SpriteSheetPixel(int x, int y) {
  const QImage& image = SheetImage();
  if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
  const QRgb p = image.pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}
