// Function nodes: layout with fixed metrics (name, subscript, argument and
// exponent).
#include "McTestSupport.h"

using namespace mctest;

using FunctionLayout = LayoutFixture;

// Names measure 10 per character at level 0, subscripts 7 at level 1; the
// argument's parentheses take h/3 = 6 each side, a minus sign h/2; a matrix
// argument brings its own brackets.
TEST_F(FunctionLayout, NameSubscriptThenArgument) {
  std::unique_ptr<CMcFunction> f(Fn("sin", new CMcVariable("x", "", 0)));
  std::unique_ptr<CMcFunction> g(Fn("y", new CMcVariable("x", "", 0), 1, "12"));
  f->Layout(g_pMeasureDC, kMcLayoutFromTop);
  g->Layout(g_pMeasureDC, kMcLayoutFromTop);
  EXPECT_EQ(Geometry(f.get()), "52x20/16 36,0");  // 30 + 6 + 10 + 6
  EXPECT_EQ(Geometry(g.get()), "56x20/16 40,0");  // 10 + 10 + 14 + 6 + 10 + 6
  std::unique_ptr<CMcFunction> rem(Fn("rem", Matrix(2, {Real(7), Real(2)})));
  rem->Layout(g_pMeasureDC, kMcLayoutFromTop);
  EXPECT_EQ(rem->m_box.width, 30 + rem->GetArgument()->m_box.width);
}

// Under a power the function writes the end of its name as the exponent
// offset and widens for the exponent, sharing the room of a subscript.
TEST_F(FunctionLayout, PowerBaseWritesTheExponentOffsetAndSharesTheRoom) {
  const struct {
    const char* sub;
    int exponentWidth;
    WORD sign;
    int grow, offset;
  } rows[] = {
      {"", 25, 0, 25, 30},
      {"12", 25, 0, 25, 30},
      {"12", 8, 0, 14, 30},
      {"", 25, 1, 25, 40},  // the sign margin h/2 counts into the offset
  };
  for (const auto& row : rows) {
    TestNode power(McTypeWord(kMcPower), 0x00AB);
    CMcFunction* f = Fn("sin", new CMcVariable("x", "", 0), row.sign, row.sub);
    power.AppendChild(f);
    auto* exponent = new TestLeaf("2", 0, row.exponentWidth, 15, 12);
    power.AppendChild(exponent);
    exponent->Layout(nullptr, kMcLayoutFromTop);
    f->Layout(g_pMeasureDC, kMcLayoutFromTop);
    EXPECT_EQ(f->m_box.width, (row.sign ? 10 : 0) + 30 + row.grow + 22)
        << row.sub << " " << row.exponentWidth;
    EXPECT_EQ(McKindData(power.m_flags), row.offset);
    EXPECT_EQ(power.m_flags & kMcBaseMask, 0xAB);
  }
  // sin^2 x: the exponent stands right after the name, before the argument's
  // parenthesis.
  CMcFunction* f = Fn("sin", new CMcVariable("x", "", 0));
  CMcPower power(f, Real(2), 0);
  power.Layout(g_pMeasureDC, kMcLayoutFromTop);
  const CMcBasic* exponent = power.m_children[1];
  EXPECT_EQ(exponent->m_box.x, f->m_box.x + 30);
  EXPECT_EQ(exponent->m_box.x + exponent->m_box.width, f->m_box.x + f->GetArgument()->m_box.x - 6);
}
