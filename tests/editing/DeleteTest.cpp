// Backspace and Delete typed into the editor: characters of numbers and names
// in text mode, filled nodes emptied, and empty placeholders collapsing the
// structure around them. Each row starts from an empty placeholder (or a
// given tree with the caret after a given node), types a script and expects
// the tree with the caret marked, and where given the count of accepted keys.
// EditScene checks after every key that the incremental layout equals a full
// one, that the step record names only live nodes (a collapse deletes the
// placeholder it started from), that the record loads back and that a replay
// agrees; at the end, undo and redo over the whole log.
#include "MC/MC_NULL.h"
#include "MC/Mc_evalat.h"
#include "MC/Mc_matrix.h"
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace edtest;
using qxtest::trees::Div;
using qxtest::trees::Matrix;
using qxtest::trees::Prod;
using qxtest::trees::Real;
using qxtest::trees::Sum;
using qxtest::trees::Variable;

// Start trees.
struct Start {
  static CMcBasic* NegatedSumOfNegatedXAndHole() { return Sum({Variable("x", 1), Hole()}, 1); }
  static CMcBasic* SumAHoleC() { return Sum({Variable("a"), Hole(), Variable("c")}); }
  static CMcBasic* SumHoleBC() { return Sum({Hole(), Variable("b"), Variable("c")}); }
  static CMcBasic* ProdABC() { return Prod({Variable("a"), Variable("b"), Variable("c")}); }
  static CMcBasic* ProdAB() { return Prod({Variable("a"), Variable("b")}); }
  static CMcBasic* EvalatXYHole() { return new CMcEvalat(Variable("x"), Variable("y"), Hole(), 0); }
  // A number shows all its digits only while it holds the caret.
  static CMcBasic* SumCLongNumberHole() { return Sum({Variable("c"), Real(1.23456789), Hole()}); }
  static CMcBasic* DivHoleY() { return Div(Hole(), Variable("y")); }
  static CMcBasic* TwoByThreeEmptyMiddle() {
    return Matrix(3, {Variable("a"), Hole(), Variable("c"), Variable("d"), Hole(), Variable("f")});
  }
  static CMcBasic* ColumnEmptyMiddle() { return Matrix(1, {Variable("a"), Hole(), Variable("c")}); }
  static CMcBasic* AugmentedEmptyLastColumn() {
    return Matrix(2, {Variable("a"), Hole(), Variable("c"), Hole()}, 1 << 8);
  }
  static CMcBasic* TwoByTwoHoleFirst() {
    return Matrix(2, {Hole(), Variable("b"), Variable("c"), Variable("d")});
  }
  static CMcBasic* TwoByTwoHoleSecond() {
    return Matrix(2, {Variable("a"), Hole(), Variable("c"), Variable("d")});
  }
  // 17 elements are set one size smaller; a removed column brings the rest back.
  static CMcBasic* NineteenByOneAndHoles() {
    std::vector<CMcBasic*> cells;
    for (int i = 0; i < 18; ++i) cells.push_back(i % 2 ? Hole() : Variable("a"));
    return Matrix(2, cells);
  }
  static CMcBasic* RowLongNumberHole() { return Matrix(2, {Real(1.23456789), Hole()}); }
  static CMcBasic* SquareLongNumberHole() {
    return Matrix(2, {Real(1.23456789), Hole(), Variable("c"), Variable("d")});
  }
};

TEST(EditorDelete, BackspaceEmptiesThenCollapses) {
  RunRows({
      {"the second term of a sum becomes an empty term", "a+x<BS>", "Listsum(a[c],#@1)"},
      {"a second Backspace leaves the first term", "a+x<BS><BS>", "a[c]@1"},
      {"an empty term keeps a minus", "a-x<BS>", "Listsum(a[c],-#@1)"},
      {"a factor of a product goes at once", "a*b<BS>", "a[c]@1"},
      {"the empty exponent leaves the base", "x^<BS>", "x@1"},
      {"the empty denominator leaves the numerator", "x/<BS>", "x@1"},
      {"the empty argument of an operator stays alone", "(<BS>", "#@1"},
      {"the empty argument of a function stays alone", "sin<BS>", "#@1"},
      {"the empty left side of a relation leaves the right", "x<Left>=<BS>", "x@1"},
      {"the empty right side leaves the left", "x=<BS>", "x@1"},
      {"an empty top node has nothing to collapse", "<BS>", "#@1", nullptr, "", 0},
      {"two minus signs cancel", "<BS>", "x@1", &Start::NegatedSumOfNegatedXAndHole, "1"},
      {"a middle term goes, the caret to the one before", "<BS>", "Listsum(a@1,c)",
       &Start::SumAHoleC, "1"},
      {"a first term goes, the caret to the new first", "<BS>", "Listsum(b@1,c)", &Start::SumHoleBC,
       "0"},
      {"a filled factor among three goes, the caret back", "<BS>", "Listmult(a@1,c)",
       &Start::ProdABC, "1"},
      {"a filled evaluate-at bound sends the caret back", "<BS>", "Evalat(x,y[L1]@1,#[L1])",
       &Start::EvalatXYHole, "2"},
      {"an empty evaluate-at leaves its expression", "x@<BS>", "x@1"},
      {"an empty upper bound hides again as the caret goes back", "xsumk<Up><BS>",
       "Sum(x,k[L1,c]@1,#[L1])"},
      {"an empty numerator before a filled denominator", "<BS>", "Division(#,y@1)",
       &Start::DivHoleY, "0"},
      {"an empty limit leaves its expression", "xlim<BS>", "x@1"},
      {"an empty integral leaves its integrand", "yint<BS>", "y@1"},
      {"a small division's numerator comes back to full size", "x+y<C-Up>\\<BS>", "Listsum(x,y)@1"},
  });
}

TEST(EditorDelete, ANumberTheCaretComesBackToShowsAllItsDigits) {
  FourDigits digits;
  RunRows({
      {"in a sum", "<BS>", "Listsum(c,1.23456789@1)", &Start::SumCLongNumberHole, "2"},
      {"as a column goes", "<BS>", "Matrix(1.23456789@1)[C1]", &Start::RowLongNumberHole, "1"},
      {"as the caret steps back", "<BS>", "Matrix(1.23456789@1,#,c,d)[C2]",
       &Start::SquareLongNumberHole, "1"},
  });
}

TEST(EditorDelete, BackspaceInDerivatives) {
  RunRows({
      {"without variables the expression stays", "x<C-D><BS>", "x@1"},
      {"a filled variable becomes empty", "x<C-D>t<BS>", "Derivative(x,#@1)"},
      {"an empty second variable goes, the caret to the first", "x<C-D>ts<BS><BS>",
       "Derivative(x,t@1)"},
      {"from the emptied expression to the variable", "x<C-D>t<Up><BS><BS>", "Derivative(#,t@1)"},
  });
}

TEST(EditorDelete, BackspaceInMatrices) {
  RunRows({
      {"an empty column of a 2 x 3 matrix goes", "<BS>", "Matrix(a,c,d@1,f)[C2]",
       &Start::TwoByThreeEmptyMiddle, "4"},
      {"an empty row of a column vector goes", "<BS>", "Matrix(a@1,c)[C1]",
       &Start::ColumnEmptyMiddle, "1"},
      {"the only element of a 1 x 1 matrix leaves a placeholder", "[<BS>", "#@1"},
      {"the augmentation line goes with a column", "<BS>", "Matrix(a,c@1)[C1]",
       &Start::AugmentedEmptyLastColumn, "3"},
      {"the first element of a full matrix refuses", "<BS>", "Matrix(#@1,b,c,d)[C2]",
       &Start::TwoByTwoHoleFirst, "0", 0},
      {"elsewhere the caret moves one element back", "<BS>", "Matrix(a@1,#,c,d)[C2]",
       &Start::TwoByTwoHoleSecond, "1"},
      {"fewer than 17 elements: full size again", "<BS>", "Matrix(a,a,a,a,a,a,a,a,a@1)[C1]",
       &Start::NineteenByOneAndHoles, "17"},
  });
}

TEST(EditorDelete, DeleteKey) {
  RunRows({
      {"a filled node keeps its sign", "-x<Del>", "-#@1"},
      {"Backspace does not keep it", "-x<BS>", "#@1"},
      {"a filled factor runs Delete's collapse: the caret forward", "<Del>", "Listmult(a,c@1)",
       &Start::ProdABC, "1"},
      {"of two factors the other stays", "<Del>", "b@1", &Start::ProdAB, "0"},
      {"a middle empty term: the caret to the next", "<Del>", "Listsum(a,c@1)", &Start::SumAHoleC,
       "1"},
      {"the empty left side of a relation", "x<Left>=<Del>", "x@1"},
      {"elsewhere nothing changes, but the key counts", "xlim<Del>", "Limit(x,#[L1]@1)", nullptr,
       "", 5},
      {"an empty top node: nothing changes", "<Del>", "#@1", nullptr, "", 1},
  });
}

TEST(EditorDelete, CtrlDeleteUnwraps) {
  RunRows({
      {"the argument of a function call stays alone", "sinx<C-Del>", "x@1"},
      {"an exponent takes the power's place and size", "x^y<C-Del>", "y@1"},
      {"a term keeps its own sign, the sum goes", "a-x<C-Del>", "-x@1"},
      {"a top node is refused", "x<C-Del>", "x@1", nullptr, "", 1},
  });
}

TEST(EditorDelete, CharactersInTextMode) {
  RunRows({
      {"the last digit", "\"12.5<BS>", "12@1"},
      {"the digit after the caret", "\"125<Left><Left><Del>", "15@2"},
      {"E and the minus after it go together", "\"1E-5<Left><Left><BS>", "15@2"},
      {"Delete on the E takes the minus too", "\"1E-5<Left><Left><Left><Del>", "15@2"},
      {"a text that would not be finite is refused", "\"1.5E308<Left><Left><Left><Left><Left><BS>",
       "1.5E+308@3", nullptr, "", 13},
      {"a one-digit number is not edited by characters", "\"7<BS>", "#@1"},
      {"a letter inside a name", "\"abc<Left><BS>", "ac[c]@2"},
      {"the letter after the caret", "\"abc<Left><Left><Del>", "ac[c]@2"},
      {"Delete at the end takes the last letter", "\"abc<Del>", "ab[c]@1"},
      {"the last subscript character", "\"x.12<BS>", "x_1@1"},
      {"the only subscript character", "\"x.1<BS>", "x@1"},
      {"the only letter of a subscripted name becomes unnamed", "\"x.1<Left><Left><BS>", "?_1@0"},
      {"an unnamed name refuses a second Backspace", "\"x.1<Left><Left><BS><BS>", "?_1@0", nullptr,
       "", 7},
      {"a one-letter name without subscript is emptied whole", "\"x<BS>", "#@1"},
      {"a letter of a function's name", "x<C-F>\"fg<BS>", "f(x)@2"},
      {"after a function the node is emptied whole", "x<C-F>\"fg<Right><Right><Right><BS>", "#@1"},
  });
}

TEST(EditorDelete, EmptyDeleteIsUndoneAsAStep) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("xlim");
  const int before = scene.Edit().GetLogLength();
  ASSERT_TRUE(scene.Send(edtest::ParseScript("<Del>")[0]));
  EXPECT_EQ(scene.Edit().GetLogLength(), before + 1);
  scene.Type("<Undo>");
  EXPECT_EQ(scene.Edit().GetLogLength(), before);
  EXPECT_EQ(scene.Text(), "Limit(x,#[L1]@1)");
}

}  // namespace
