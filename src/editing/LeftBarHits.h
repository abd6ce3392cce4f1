#pragma once
// The hit codes of the ProcessView bar, window-free so that the document can
// decode a toggle's code without including the bar.
#include "platform/core/Types.h"

// Hit codes: the kind (kHitKindMask), the item (kHitItemMask) and, with a
// block, kHitCorner for its lower-right corner. A source or a display toggle
// switches the loop signal kLoopSignals gives that item.
enum : WORD {
  kHitNone = 0,
  kHitBlock = 0x100,    // + model 0 P, 1 K, 2 G, 3 L, 4 F
  kHitCorner = 0x4000,  // with kHitBlock: the corner that opens the size picker
  kHitSource = 0x200,   // + signal 0 c, 1 v, 2 d, 3 n
  kHitLamp = 0x300,     // the run spot
  kHitToggle = 0x400,   // + shown loop signal 0 r, 1 e, 2 u, 3 y + d, 4 z, 5 w
  kHitButton = 0x500,   // + 0 tuner, 1 FindG after each pass, 2 continuous real time
  kHitKindMask = 0x0F00,
  kHitItemMask = 0x00FF
};
