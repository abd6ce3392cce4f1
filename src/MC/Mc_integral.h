#pragma once
// CMcIntegral: an integral of the integrand (child 0) with a lower limit or
// region subscript (child 1), an upper limit (child 2) and the integration
// variable (child 3, written only by the ordinary kind), type word 0x1100
// ("Integral", "Partial integral" with flag bit 4).
//
// Flags: bit 4 the differential is the partial sign; bit 5 closed (a ring
// outline over the sign); bits 8-10 the kind: 0 ordinary (d and the
// variable), 1 line (dl), 2 area (dA, two signs), 3 surface (dS, two signs),
// 4 volume (dV, three signs); 5 to 7 name no kind and draw no sign and no
// differential, keeping the room the layout gives them; bits 14-15 the
// product sign before the differential: 0 none, 1 a dot, else a cross.
//
// The limits stand in a column after the sign, one size level smaller; with
// both of them empty and without the caret the column takes no room.
//
// No numeric value: evaluation reports the base's error. Record: the common
// header and exactly four children.
#include "MC/MC_BASIC.h"

class CMcIntegral : public CMcBasic {
 public:
  // Takes the four children.
  CMcIntegral(CMcBasic* integrand, CMcBasic* lower, CMcBasic* upper, CMcBasic* variable,
              WORD flags);

  // Reads an integral record after its type word; a child count other than 4,
  // or a child that does not load, yields no node.
  static CMcBasic* Load(CArchive& ar);

  BOOL Navigate(int direction, int modifier, McCursor* cursor) override;
  WORD GetType() const override;
  const char* GetName() const override;
  void Draw(CDC* dc, int x, int y) const override;
  void Layout(CDC* dc, int mode) override;
  CMcBasic* Clone() const override;
  // Sign (1), the flags under 0xC730 (2: partial, closed, kind, product) and
  // the children (8).
  WORD Compare(const CMcBasic* other) const override;
  // An ordinary integral over the variable gives its integrand, over another
  // variable the integral of the integrand's derivative; the other kinds
  // stay formal derivatives.
  CMcBasic* Differentiate(CMcBasic* variable, unsigned options) override;
  // The integral of 0 is 0; otherwise the integrand's sign moves onto the
  // integral. Returns 1 when the integral was replaced and deleted.
  WORD Perform() override;
  // (integral of f over x) = R, the integral being the left side of a
  // relation, becomes f = dR/dx, the integral's sign on the derivative.
  void Isolate(int which) override;

  enum { kIntegrand = 0, kLower = 1, kUpper = 2, kVariable = 3, kParts = 4 };
  int GetKind() const { return McKindData(m_flags) & 7; }
  int GetProduct() const { return m_flags >> 14; }
  bool IsPartial() const { return (m_flags & kMcVariant) != 0; }
  bool IsClosed() const { return (m_flags & kMcVariantHigh) != 0; }
  // True when the limit column takes room: a limit that is not an empty
  // placeholder, or that has the caret.
  bool ShowsLimits() const;
};
