// "Performance Equalizer": eight vertical weight sliders, criterion i on
// control IDC_WEIGHT_FINAL_VALUE + i; the history strip and the buttons are
// painted by the bar in the space left above and beside them.
#include "res/DialogTemplates.h"
#include "res/resource.h"

QxDialogTemplate qxres::EqualizerBarTemplate() {
  static const char* const kCriteria[] = {
      "Final value", "Time constant", "Oscillations", "Interaction",
      "v rejection", "d rejection",   "n rejection",  "Control action amplitude",
  };
  QxDialogTemplate bar = DialogBar("Performance Equalizer", 150, 127);
  for (int i = 0; i < 8; ++i) {
    // The strip and the buttons are painted at fixed pixels: the strip down
    // to y = 90, the button rows from x = 160 and from y = 180. In the dialog
    // units of the dialog font (7 x 14 pixels a base unit) the sliders stand
    // between them, 15 pixels wide and 87 high, 17 to 18 pixels apart.
    bar.items.push_back(DialogItem(TRACKBAR_CLASS, IDC_WEIGHT_FINAL_VALUE + i, kCriteria[i],
                                   TBS_VERT | TBS_BOTH | TBS_NOTICKS | WS_TABSTOP,
                                   DialogRect(8 + 10 * i, 52, 9, 50)));
  }
  return bar;
}
