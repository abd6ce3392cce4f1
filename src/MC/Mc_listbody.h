#pragma once
// CMcListbody: a vertical list of expressions, kind kMcListbody.
// Flag bits 4-5 choose what it is: 0x00 a list body drawn with braces, whose
// value is its first item that is not a NaN; 0x10 an intersection ("and")
// list under a square cap; 0x20 (and 0x30) a union ("or") list over a square
// cup. The logical lists evaluate to 1 (-1 under a minus sign) or 0.
// Layout writes the alignment code 0-4 into the high byte of the flags word.
#include "MC/MC_BASIC.h"

class CMcListbody : public CMcBasic {
 public:
  explicit CMcListbody(WORD flags);

  // Reads a list record after its type word, of any item count (the editor
  // leaves short lists); an item that does not load yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override { return McTypeWord(kMcListbody); }
  const char* GetName() const override;
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  // A list body: the list of the items' derivatives, simplified. A logical
  // list stays a formal derivative.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;

  // Alignment codes written by Layout: 0 left with a left brace, 1 left with
  // both braces, 2 left without braces, 3 centred without braces, 4 right with
  // a right brace.
  int GetAlignment() const { return McKindData(m_flags); }

 private:
  bool IsLogical() const { return (m_flags & kMcVariantMask) != 0; }
  // 0x30 behaves as a union list.
  bool IsIntersection() const { return (m_flags & kMcVariantMask) == kMcVariant; }
  void DrawBrace(CDC* dc, int x, int y, bool right) const;
};
