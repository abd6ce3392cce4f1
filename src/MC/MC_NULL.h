#pragma once
// CMcNull: the empty placeholder, drawn as a dotted box where an operand is
// still missing. Never has children and has no numeric value.
#include "MC/MC_BASIC.h"

class CMcNull : public CMcBasic {
 public:
  explicit CMcNull(WORD flags) : CMcBasic(flags) {}

  WORD GetType() const override { return McTypeWord(kMcNull); }
  const char* GetName() const override { return "(empty)"; }
  // A dotted outline inside the sign and parenthesis margins.
  void Draw(CDC* dc, int x, int y) const override;
  // One family-0 font cell high, half as wide.
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override { return new CMcNull(m_flags); }
  WORD Compare(const CMcBasic* other) const override;

  // Record with no children and no tail.
  static CMcBasic* Load(CArchive& ar);
};
