#pragma once
// Small helpers every node kind uses while it lays out and draws: the font
// tables read by family and size level, the mathematical axis, and guards
// that restore a device context's text alignment or font when they go.
#include "GlobalResources.h"
#include "platform/core/Types.h"

class CDC;
class CFont;

// Cell height and ascent of an expression font; 0 for an index outside the
// tables.
int McFontHeight(int family, int level);
int McFontAscent(int family, int level);
// Height of the mathematical axis above the baseline at a level:
// a0 - h0 / 2 of the variables' family.
int McAxis(int level);

// Sets a text alignment and restores the previous one when it goes.
class McAlignGuard {
 public:
  McAlignGuard(CDC* dc, UINT align);
  ~McAlignGuard();
  McAlignGuard(const McAlignGuard&) = delete;
  McAlignGuard& operator=(const McAlignGuard&) = delete;

 private:
  CDC* m_dc;
  UINT m_old;
};

// Selects the expression font of a family and level, if it exists, and leaves
// it selected.
void McSelectFont(CDC* dc, int family, int level);
// Draws a differential's letter at (x, y) in the level: the partial sign in
// the Symbol font, else an italic "d" (derivatives and integrals).
void McDrawDifferential(CDC* dc, int x, int y, bool partial, int level);
