// Structural inserts typed into the editor: each row starts from an empty
// placeholder (or a given tree with the caret on a given node), types a
// script and expects the tree, the caret marked. EditScene checks after every
// accepted key that the incremental layout equals a full one, that the step
// record names only live nodes, that the record loads back and that a replay
// agrees; at the end, undo and redo over the whole log.
#include "MC/Mc_equality.h"
#include "MC/Mc_listmult.h"
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using edtest::EditScene;
using qxtest::trees::Matrix;
using qxtest::trees::Prod;
using qxtest::trees::Variable;

struct Row {
  const char* what;
  const char* script;
  const char* tree;
  // Optional start: a tree and the caret's child-index path below it (""
  // the top, "1.0" child 0 of child 1), the caret after that node.
  CMcBasic* (*start)() = nullptr;
  const char* caret = "";
};

CMcBasic* At(CMcBasic* node, const char* path) {
  for (const char* p = path; *p; ++p)
    if (*p >= '0' && *p <= '9') node = node->m_children[*p - '0'];
  return node;
}

CMcBasic* XY() {
  return Prod({Variable("x"), Variable("y")});
}
CMcBasic* LessXY() {
  return new CMcEquality(Variable("x"), Variable("y"), McRelationFlags(kMcRelLess));
}
CMcBasic* AandB() {
  return new CMcEquality(Variable("a"), Variable("b"), McRelationFlags(kMcRelAnd));
}
CMcBasic* Row2() {
  return Matrix(2, {Variable("a"), Variable("b")});
}

void RunRows(std::initializer_list<Row> rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.what) + ": " + r.script);
    EditScene scene;
    if (r.start) {
      CMcBasic* top = r.start();
      scene.Begin({top}, At(top, r.caret));
    } else {
      scene.BeginEmpty();
    }
    scene.Type(r.script);
    EXPECT_EQ(scene.Text(), r.tree);
  }
}

TEST(EditorInserts, WrappingInserts) {
  RunRows({
      {"over: x becomes the numerator", "x/", "Division(x,#@1)"},
      {"over on a placeholder keeps the caret there", "/", "Division(#@1,#)"},
      {"small division: parts one size smaller", "x\\", "Division(x[L1],#[L1]@1)[v1]"},
      {"at size level 3 they stay at 3", "x^y^z^w\\",
       "Power(x,Power(y[L1],Power(z[L2],Division(w[L3],#[L3]@1)[L3,v1])[L2])[L1])"},
      {"a minus moves onto the root", "-x<C-R>", "-Root(x,2[L1])@1"},
      {"sqrt is the same root", "-xsqrt", "-Root(x,2[L1])@1"},
      {"ln: base the constant e", "xln", "Log(x,e[L1,c])@1"},
      {"Ctrl+L is ln", "x<C-L>", "Log(x,e[L1,c])@1"},
      {"log: base 10", "xlog", "Log(x,10[L1])@1"},
      {"power", "x^", "Power(x,#[L1]@1)"},
      {"power on a placeholder", "^", "Power(#@1,#[L1])"},
      {"limit", "xlim", "Limit(x,#[L1]@1)"},
      {"bracket", "x(", "Operator(x)[k22]@1"},
      {"bracket on a placeholder keeps the caret inside", "(", "Operator(#@1)[k22]"},
      {"factorial", "x!", "Operator(x)[k15]@1"},
      {"operator keyword", "xabs", "Operator(x)[k1]@1"},
      {"matrix keeps the caret on the element", "x[", "Matrix(x@1)[C1]"},
      {"evaluate at", "x@", "Evalat(x,#[L1]@1,#[L1])"},
      {"sum", "xsum", "Sum(x,#[L1]@1,#[L1])"},
      {"product operator", "xprod", "Sum(x,#[L1]@1,#[L1])[v1]"},
      {"integral: caret on the variable", "yint", "Integral(y,#[L1],#[L1],#@1)"},
      {"partial integral", "ypint", "Integral(y,#[L1],#[L1],#@1)[v1]"},
      {"named function: caret before its empty name", "x<C-F>", "?(x)@0"},
      {"domain keyword", "x<lt><lt>", "Domain(x,#@1,#)"},
      {"inclusive domain", "x<lt>=<lt>=", "Domain(x,#@1,#)[k1]"},
  });
}

TEST(EditorInserts, DerivativesAndRelations) {
  RunRows({
      {"derivative: caret on its variable", "x<C-D>", "Derivative(x,#@1)"},
      {"partial derivative", "xpder", "Derivative(x,#@1)[v1]"},
      {"operator form before x", "x<S-C-D>", "Listmult(Derivative(),x@1)"},
      {"operator form first in a product", "x*y<S-C-D>", "Listmult(Derivative(),x,y@1)"},
      {"relation: the new side after x", "x=", "Equality(x,#@1)"},
      {"relation keyword", "x->", "Equality(x,#@1)[k12]"},
      {"relation with the caret before x", "x<Left>=", "Equality(#@1,x)"},
      {"chained domain: x < y <= and an empty right bound", "x<lt>y<lt>=", "Domain(y,x,#@1)[k2]"},
      {"chained domain: < before y", "<Left><lt>", "Domain(#@1,x,y)", &LessXY, "1"},
      {"chained domain: < after y", "<lt>", "Domain(y,x,#@1)", &LessXY, "1"},
      {"chained domain: < before x", "<Left><lt>", "Domain(x,#@1,y)", &LessXY, "0"},
      {"chained domain: < after x", "<lt>", "Domain(#@1,x,y)", &LessXY, "0"},
      {"and typed again on the relation makes a list", "&", "Listbody(a,b,#@1)[v1]", &AandB},
      {"or typed on an and makes a second relation", "|", "Equality(Equality(a,b)[k20],#@1)[k21]",
       &AandB},
      {"= in the last column of a matrix adds a column", "=", "Matrix(a,b,#@1)[k2,C3]", &Row2, "1"},
      {"= in another column only marks the line", "=", "Matrix(a@1,b)[k1,C2]", &Row2, "0"},
  });
}

TEST(EditorInserts, TermsFactorsAndSpecialValues) {
  RunRows({
      {"plus after x", "x+", "Listsum(x,#@1)"},
      {"a blank is a plus", "x<sp>", "Listsum(x,#@1)"},
      {"minus after x", "x-", "Listsum(x,-#@1)"},
      {"terms join the sum", "x+y+", "Listsum(x,y,#@1)"},
      {"plus before x", "x<Left>+", "Listsum(#@1,x)"},
      {"a sign on a placeholder", "-", "-#@1"},
      {"plus-minus keyword", "x+-", "Listsum(x,+-#@1)"},
      {"after the last factor the term leaves the product", "x*y+", "Listsum(Listmult(x,y),#@1)"},
      {"and joins the enclosing sum", "z+x*y+", "Listsum(z,Listmult(x,y),#@1)"},
      {"inside a product the factor becomes a sum", "+", "Listmult(Listsum(x,#@1)[P],y)", &XY, "0"},
      {"Ctrl with the minus key negates", "x<C-minus>", "-x@1"},
      {"and again takes the minus away", "x<C-minus><C-minus>", "x@1"},
      {"a minus after the E of a number is its exponent's", "2E-3", "0.002@1"},
      {"times", "x*", "Listmult(x,#@1)"},
      {"times joins the product", "x*y*", "Listmult(x,y,#@1)"},
      {"times before x", "x<Left>*", "Listmult(#@1,x)"},
      {"cross product", "xcross", "Listmult(x,#@1)[v2]"},
      {"dot product", "xdot", "Listmult(x,#@1)[v3]"},
      {"inf on a placeholder", "inf", "inf@1"},
      {"inf keeps the placeholder's sign", "-inf", "-inf@1"},
      {"undef", "undef", "nan@1"},
      {"inf after y is a product", "yinf", "Listmult(y,inf@1)"},
  });
}

// No key gives the integral's kind bits; a logged item with them puts the
// caret on the lower limit instead of the variable.
TEST(EditorInserts, IntegralOfAnotherKindStartsAtItsLimit) {
  EditScene scene;
  scene.SetChecks(false);
  scene.Begin({Variable("y")});
  CZevMcEdit& edit = scene.Edit();
  McEditStep& step = edit.m_step;
  step.pCaret = step.pNewCaret = edit.m_pCaret;
  const DWORD code = ZevItemCode(kZevInsertIntegral, 1 << 2);
  ASSERT_EQ(edit.DoAction(0, 0, code, step), code);
  EXPECT_EQ(edtest::TreeText(scene.Expression(), step.pNewCaret, 1),
            "Integral(y,#[L1]@1,#[L1],#)[k1]");
}

// The augmentation line's column count is one byte of the matrix's flags: a
// line after column 255 or later cannot be kept, so "=" there is refused.
TEST(EditorInserts, NoAugmentationLineAfterColumn255) {
  for (const int column : {254, 255}) {
    SCOPED_TRACE(column);
    std::vector<CMcBasic*> cells;
    for (int i = 0; i < 300; ++i) cells.push_back(Variable("a"));
    CMcMatrix* row = Matrix(300, cells);
    EditScene scene;
    scene.SetChecks(false);
    scene.Begin({row}, row->m_children[column]);
    EXPECT_EQ(scene.Type("="), column == 254 ? 1 : 0);
    EXPECT_EQ(row->GetAugmentation(), column == 254 ? 255 : 0);
  }
}

}  // namespace
