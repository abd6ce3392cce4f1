#pragma once
// The 8 x 8 pattern bitmaps of the expression colours, as pixel tables.
// Each is a checkerboard of its colour and a light tone, so a one-pixel strip
// filled with it reads as a dotted line (the placeholder's outline); the blue
// one, on a pale tone, also serves as the tip window's background.
#include "platform/core/Types.h"

// Registers bitmaps IDB_PATTERN_RED, IDB_PATTERN_BLACK and IDB_PATTERN_BLUE
// with the drawing layer (once; later calls do nothing).
void RegisterNodePatterns();

// The colour of pixel (x, y), 0 <= x, y < 8, of a pattern id above; 0 for
// any other id.
COLORREF NodePatternPixel(UINT id, int x, int y);
