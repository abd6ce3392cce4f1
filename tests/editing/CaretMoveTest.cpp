// Caret movement, rows, tabs, placeholders and symbol styles typed into the
// editor. Each row starts from an empty placeholder (or a given tree with the
// caret after a given node), types a script and expects the tree with the
// caret marked, and where given the count of accepted keys. EditScene checks
// after every key that the incremental layout equals a full one (a number,
// an empty limit or a logarithm's base drawn otherwise while it holds the
// caret is laid out again as the caret comes and goes), that the step record
// names only live nodes, that the record loads back and that a replay agrees.
#include "GlobalResources.h"
#include "MC/MC_NULL.h"
#include "MC/Mc_equality.h"
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace edtest;
using qxtest::trees::Div;
using qxtest::trees::Fn;
using qxtest::trees::Matrix;
using qxtest::trees::Real;
using qxtest::trees::Sum;
using qxtest::trees::Variable;

// Start trees.
struct Start {
  static CMcBasic* LongNumberPlusX() { return Sum({Real(1.23456789), Variable("x")}); }
  static CMcBasic* TwoByTwo() {
    return Matrix(2, {Variable("a"), Variable("b"), Variable("c"), Variable("d")});
  }
  // f(x) = a + b: Enter on b adds a row to the definition's right side.
  static CMcBasic* FunctionDefinition() {
    return new CMcEquality(Fn("f", Variable("x")), Sum({Variable("a"), Variable("b")}), 0);
  }
  static CMcBasic* SumOverHole() { return Div(Sum({Variable("a"), Variable("b")}), Hole()); }
  static CMcBasic* FractionXOverHole() { return Div(Variable("x"), Hole()); }
};

TEST(EditorCaret, ArrowsStepThroughTheTree) {
  RunRows({
      {"left from after y stands before it", "x+y<Left>", "Listsum(x,y@0)"},
      {"left again goes to x", "x+y<Left><Left>", "Listsum(x@1,y)"},
      {"right on a leaf first moves to its other side", "x+y<Left><Left><Left><Right>",
       "Listsum(x@1,y)"},
      {"and only then to the next node", "x+y<Left><Left><Left><Right><Right>", "Listsum(x,y@0)"},
      {"up from a denominator", "x/y<Up>", "Division(x@1,y)"},
      {"and down again", "x/y<Up><Down>", "Division(x,y@1)"},
      {"right after the top node goes nowhere", "x<Right>", "x@1", nullptr, "", 1},
      {"into a logarithm's base", "xln<Down>", "Log(x,e[L1,c]@1)"},
  });
}

TEST(EditorCaret, CtrlArrowsStepOverWholeNodes) {
  RunRows({
      {"up selects the parent, the caret before it", "x+y<C-Up>", "Listsum(x,y)@0"},
      {"down below the top node goes nowhere", "x+y<C-Up><C-Down>", "Listsum(x,y)@0", nullptr, "",
       4},
      {"up on the top node goes nowhere", "x<C-Up>", "x@1", nullptr, "", 1},
      {"left first moves to the node's other side", "x+y<C-Left>", "Listsum(x,y@0)"},
      {"then to the neighbour as a whole", "x+y<C-Left><C-Left>", "Listsum(x@0,y)"},
      {"inside a typed number it moves nowhere", "\"12.5<Left><Left><C-Right>", "12.5@3", nullptr,
       "", 7},
  });
}

// The checks after each key prove the layout; the rows say where the caret is.
TEST(EditorCaret, NodesDrawnOtherwiseAtTheCaretAreLaidOutAsItComesAndGoes) {
  FourDigits digits;
  RunRows({
      {"onto a number", "<Left><Left>", "Listsum(1.23456789@1,x)", &Start::LongNumberPlusX, "1"},
      {"off a number again", "<Left><Left><Right><Right>", "Listsum(1.23456789,x@1)",
       &Start::LongNumberPlusX, "1"},
      {"off a number being typed", "12.345+x", "Listsum(12.345,x@1)"},
      {"onto the base e and off it", "xln<Down><Up>", "Log(x@0,e[L1,c])"},
      {"onto the base 10 and off it", "xlog<Down><Up>", "Log(x@0,10[L1])"},
      {"onto an empty upper limit and off it", "xsumk<Up><Down>", "Sum(x,k[L1,c]@1,#[L1])"},
      {"off a base deep below the declared node", "a*xln<Down><Tab>",
       "Declaration(Listmult(a[c],Log(x,e[L1,c])),#@1)"},
  });
}

TEST(EditorCaret, SemicolonFindsTheNextPlaceholder) {
  RunRows({
      {"from the numerator to before the empty denominator", ";", "Division(x,#@0)",
       &Start::FractionXOverHole, "0"},
      {"a placeholder keeps the caret, before it", "x/;", "Division(x,#@0)"},
      {"the search goes up the tree", ";", "Division(Listsum(a,b),#@0)", &Start::SumOverHole,
       "0.1"},
      {"without a placeholder it is refused", "x;", "x@1", nullptr, "", 1},
  });
}

TEST(EditorCaret, TabAndWhere) {
  RunRows({
      {"Tab after an expression declares it", "x<Tab>", "Declaration(x,#@1)"},
      {"where does the same", "xwhere", "Declaration(x,#@1)"},
      {"Tab stops at a relation", "x=y<Tab>", "Equality(x,Declaration(y,#@1))"},
      {"Tab on a placeholder keeps the caret there", "<Tab>", "Declaration(#@1,#)"},
      {"Tab in a function call: a row of two arguments", "sinx<Tab>", "sin(Matrix(x,#@1)[C2])"},
      {"Tab in a matrix: a column after the element", "<Tab>", "Matrix(a,#@1,b,c,#,d)[C3]",
       &Start::TwoByTwo, "0"},
      {"the new column's first row gets the caret", "<Tab>", "Matrix(a,b,#@1,c,d,#)[C3]",
       &Start::TwoByTwo, "3"},
      {"where passes a matrix by", "where", "Declaration(Matrix(a,b,c,d)[C2],#@1)",
       &Start::TwoByTwo, "3"},
  });
}

TEST(EditorCaret, EnterAddsRows) {
  RunRows({
      {"Enter after a top expression makes a list", "x<Enter>", "Listbody(x,#@1)"},
      {"Enter again adds a row", "x<Enter>y<Enter>", "Listbody(x,y,#@1)"},
      {"on an empty row too", "x<Enter><Enter>", "Listbody(x,#,#@1)"},
      {"with the caret before: the new row first", "x<Left><Enter>", "Listbody(#@1,x)"},
      {"in a function call: a column of two arguments", "sinx<Enter>", "sin(Matrix(x,#@1)[C1])"},
      {"and-relation: a list of its sides and a new one", "a&b<Enter>",
       "Listbody(a[c],b[c],#@1)[v1]"},
      {"a function definition's right side becomes the list", "<Enter>",
       "Equality(f(x),Listbody(Listsum(a,b),#@1))", &Start::FunctionDefinition, "1.1"},
      {"a relation without a definition is taken whole", "x=y<Enter>",
       "Listbody(Equality(x,y),#@1)"},
      {"in a matrix: a row after the element's", "<Enter>", "Matrix(a,b,#@1,#,c,d)[C2]",
       &Start::TwoByTwo, "0"},
      {"before it with the caret before column 0", "<Left><Enter>", "Matrix(#@1,#,a,b,c,d)[C2]",
       &Start::TwoByTwo, "0"},
      {"after it before another column", "<Left><Enter>", "Matrix(a,b,#@1,#,c,d)[C2]",
       &Start::TwoByTwo, "1"},
  });
}

TEST(EditorCaret, SymbolStyles) {
  RunRows({
      {"const on a placeholder: an unnamed constant, the caret before", "const", "?[c]@0"},
      {"var makes a constant a variable", "bvar", "b@1"},
      {"bold", "xbold", "x[d3]@1"},
      {"symb gives the Symbol font", "xsymb", "x[G]@1"},
      {"symb again takes it back", "xsymbsymb", "x@1"},
      {"a style on a number starts a new factor", "2hat", "Listmult(2,?[d7]@0)"},
      {"a function takes the decorations", "sinx<C-Up>symb", "sin(x)[G]@1"},
      {"but not const: a new factor before it", "sinx<C-Up>const", "Listmult(?[c]@0,sin(x))"},
  });
}

// Parenthesize has no key; the item logged by hand makes the caret node one
// closed operand for the Tab and Enter that follow.
TEST(EditorCaret, AfterParenthesizeTabAndEnterTakeTheCaretNodeAlone) {
  for (const auto& [key, tree] : {std::pair{"<Tab>", "Listsum(x,Declaration(y,#@1))"},
                                  std::pair{"<Enter>", "Listsum(x,Listbody(y,#@1))"}}) {
    SCOPED_TRACE(key);
    EditScene scene;
    scene.BeginEmpty();
    scene.Type("x+y");
    CZevMcEdit& edit = scene.Edit();
    McEditStep& step = edit.m_step;
    step.pRelayout = step.pRelayout2 = step.pNewSubtree = nullptr;
    step.pCaret = step.pNewCaret = edit.m_pCaret;
    const DWORD code = edit.DoAction(0, 0, ZevItemCode(kZevParenthesize, 0), step);
    ASSERT_EQ(code, ZevItemCode(kZevParenthesize, 0));
    edit.m_step.nCaretSide = step.nNewCaretSide;
    edit.LogKey(0, code);
    scene.Type(key);
    EXPECT_EQ(scene.Text(), tree);
  }
}

}  // namespace
