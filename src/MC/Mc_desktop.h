#pragma once
// CMcDesktop: a root holding several top-level expressions at free positions
// (each child's box x and y). Its layout pushes overlapping expressions apart
// and places the desktop so that they lie 100 pixels inside its box.
#include "MC/MC_BASIC.h"

class CMcDesktop : public CMcBasic {
 public:
  explicit CMcDesktop(WORD flags) : CMcBasic(flags) {}

  // Caret steps end at the desktop: the caret does not move.
  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override { return McTypeWord(kMcDesktop); }
  const char* GetName() const override { return "Desktop"; }
  // Draws the children whose rectangles are visible in the device context.
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;

  // Record with any number of children and no tail.
  static CMcBasic* Load(CArchive& ar);

 private:
  // Moves overlapping children apart: one pass over the pairs.
  void Separate();
};
