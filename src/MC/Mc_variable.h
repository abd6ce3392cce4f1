#pragma once
// CMcVariable: the leaf that names a quantity (kind kMcVariable): a design
// variable, a reserved name of the variable table (s, t, j, e, pi, f_11) or a
// named constant. It holds a name and an optional subscript and evaluates to
// the value the document's variable table holds at its table index, which the
// table fills in when it binds the expression (0xFFFF until then).
//
// Flags besides the common ones: bit 4 Greek (Symbol font), bit 8 constant
// (upright; derivative 0), bits 9-12 the decoration code: 1 underline,
// 2 double underline, 3 bold, 4 tilde, 5 one-barbed arrow, 6 two-barbed arrow,
// 7 circumflex, 8 prefix Delta, 9 prefix d, 10 prefix partial, 11 prefix "var"
// ("cons" for a constant), 12 prefix "all" ("func" for a constant).
//
// "t" with no subscript, not Greek, not constant and undecorated is the
// simulation time: step * sampling time of the simulator.
#include "MC/MC_BASIC.h"

#include <memory>

class CFont;

class CMcVariable : public CMcBasic {
 public:
  static constexpr WORD kUnbound = 0xFFFF;

  CMcVariable(const char* name, const char* subscript, WORD flags);
  // Record tail: DWORD table index (not on the clipboard), WORD buffer length,
  // the buffer "name\0subscript\0". Refuses children, a buffer without its
  // final zero or separator, and an index beyond 16 bits; accepts the empty
  // name with the empty subscript (length 2), which a node can hold.
  static CMcBasic* Load(CArchive& ar);

  // Caret steps through the name and subscript bytes (sides 2 and up) with
  // modifier 16; everything else is the base's leaf step.
  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override { return McTypeWord(kMcVariable); }
  const char* GetName() const override { return IsConstant() ? "Constant" : "Variable"; }
  // Time, or the table value at the index; an unbound node (or an index the
  // table does not hold) yields log(-1) = 0 + pi j. Flag bit 0 negates both
  // parts (a table value v gives -v - 0j); time keeps +0 as imaginary part.
  McComplex* Evaluate(McComplex* result, CQorexDoc* doc, CSIMsystem* sim) const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  void Store(CArchive& ar) const override;
  ~CMcVariable() override = default;
  CMcBasic* Clone() const override;
  // 0x20 another kind; 1 signs differ; 2 style (kMcVariableStyleMask) differs; 4 name
  // or subscript differs.
  WORD Compare(const CMcBasic* other) const override;
  // Constant: 0; the variable itself: 1 with this node's sign; another one: 0
  // when partial, else the base's derivative node.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  McComplex* EvaluateVector(CQorexDoc* doc) const override;
  // Replaces this node (in its parent) by a clone of the first matching
  // pattern's replacement, signs merged; this node is deleted then.
  void Substitute(CMcBasic** patterns, CMcBasic** replacements, int count) override;

  // Offset of the name's first character from the node's left edge.
  int GetCaretPos(CDC* dc) const;

  const char* GetVarName() const { return m_buffer.get(); }
  const char* GetSubscript() const;
  bool IsConstant() const { return (m_flags & kMcConstant) != 0; }
  bool IsTimeVariable() const;
  int GetDecoration() const { return McDecorationOf(m_flags); }

  WORD m_index = kUnbound;           // entry of the document's variable table
  WORD m_length;                     // buffer bytes, both zeros included (>= 2)
  std::unique_ptr<char[]> m_buffer;  // "name\0subscript\0"

 private:
  // Font families and levels of the parts, after the flags.
  int NameFamily() const;
  int SubscriptFamily() const { return IsConstant() ? 2 : 0; }
  int SubscriptLevel() const { return McSmallerLevel(GetLevel()); }
  // The prefix of decorations 8-12 (empty for the others) and its font.
  const char* Prefix() const;
  CFont* PrefixFont() const;
  // The value Evaluate yields before the sign.
  McComplex UnsignedValue(const CQorexDoc* doc, const CSIMsystem* sim) const;
  void DrawDecoration(CDC* dc, int x0, int y, int width) const;
};
