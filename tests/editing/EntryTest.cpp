// Character, name and template entry typed into the editor: letters, digits,
// number text, names and subscripts in text mode, Greek letters and function
// templates. Each row starts from an empty placeholder (or a given tree with
// the caret after a given node), types a script and expects the tree with the
// caret marked, and where given the typed number text and the count of
// accepted keys. EditScene checks the layout, record, replay and undo
// properties after every key.
#include "MC/MC_REAL.h"
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using edtest::EditScene;
using qxtest::trees::Real;

struct Row {
  const char* what;
  const char* script;
  const char* tree;
  const char* number = nullptr;  // the number-entry text afterwards
  int accepted = -1;             // keys accepted (a text-mode toggle counts)
  CMcBasic* (*start)() = nullptr;
};

void RunRows(std::initializer_list<Row> rows) {
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.what) + ": " + r.script);
    EditScene scene;
    if (r.start)
      scene.Begin({r.start()});
    else
      scene.BeginEmpty();
    const int accepted = scene.Type(r.script);
    EXPECT_EQ(scene.Text(), r.tree);
    if (r.number) {
      EXPECT_STREQ(scene.Edit().m_szNumber, r.number);
    }
    if (r.accepted >= 0) {
      EXPECT_EQ(accepted, r.accepted);
    }
  }
}

CMcBasic* Big() {
  return Real(1e20);
}

TEST(EditorEntry, LettersAndDigitsOutsideTextMode) {
  RunRows({
      {"b is an upright constant", "b", "b[c]@1"},
      {"x is an italic variable", "x", "x@1"},
      {"capitals up to N are constants", "N", "N[c]@1"},
      {"from O on they are not", "O", "O@1"},
      {"x then y is the product x y", "xy", "Listmult(x,y@1)"},
      {"x then 2 is x squared", "x2", "Power(x,2[L1])@1"},
      {"x then 0 is x with subscript 0", "x0", "x_0[c]@1"},
      {"omega then 2 is omega squared", "omega2", "Power(w[G],2[L1])@1"},
      {"2 then x is the product 2 x", "2x", "Listmult(2,x@1)"},
      {"a minus keeps its sign on the new number", "-7", "-7@1", "7"},
  });
}

TEST(EditorEntry, NumberText) {
  RunRows({
      {"1.5 with the caret after the 5", "1.5", "1.5@1", "1.5"},
      {"a point beside the point is refused", "1..", "1@1", "1.", 2},
      {"a point elsewhere moves it", "1.5.", "15@1", "15."},
      {"a point on an empty place gives 0.", ".", "0@1", "0."},
      {"and the digits follow it", ".5", "0.5@1", "0.5"},
      {"E before the point is refused", "\"1.5<Left><Left>E", "1.5@2", "1.5", 6},
      {"E in front of every digit is refused", "0<Left>E", "0@0", nullptr, 2},
      {"a second E is refused", "2E3E", "2000@1", "2E3", 3},
      {"2 E 3 is 2000", "2E3", "2000@1", "2E3"},
      {"a 16th mantissa digit is refused", "1234567890123456", "123456789012345@1",
       "123456789012345", 15},
      {"a value past the largest double is refused", "1E309", "1E+30@1", "1E30", 4},
      {"a value that reads as 0 with a digit is refused", "1E-400", "1E-40@1", "1E-40", 5},
      {"a number begun on is printed again, 1E+20 as 1E20", "1", "1E+201@1", "1E201", 1, &Big},
  });
}

TEST(EditorEntry, NamesInTextMode) {
  RunRows({
      {"a b c is one name", "\"abc", "abc[c]@1"},
      {". then 1 is its subscript", "\"abc.1", "abc_1[c]@1"},
      {"a second point is refused", "\"abc.1.", "abc_1[c]@1", nullptr, 6},
      {"a letter inside the name", "\"ab<Left>c", "acb[c]@3"},
      {"a subscript grows at the end", "\"x.1.2", "x_12@1", nullptr, 5},
      {"the empty name takes the first letter", "<C-F>\"f", "f(#)@2"},
      {"outside text mode the caret goes into the empty argument", "<C-F>f", "f(#@0)"},
      {"a named function around x", "x<C-F>f", "f(x)@2"},
  });
}

TEST(EditorEntry, GreekLettersAndFunctions) {
  RunRows({
      {"alpha is a Greek constant", "alpha", "a[c,G]@1"},
      {"omega is a Greek variable", "omega", "w[G]@1"},
      {"ii is the plain letter i", "ii", "i@1"},
      {"a Greek letter after x is a factor", "xalpha", "Listmult(x,a[c,G]@1)"},
      {"a Greek letter names an unnamed function", "<C-F>alpha", "a(#)[G]@1"},
      {"and ii a plain i", "<C-F>ii", "i(#)@1"},
      {"sin on a placeholder keeps the caret inside", "sin", "sin(#@1)"},
      {"sin on x wraps it", "xsin", "sin(x)@1"},
      {"a minus moves onto the function", "-xcos", "-cos(x)@1"},
      {"atan2 on a placeholder gives the row y, x", "atan2", "atan2(Matrix(y[c],x[c])[C2]@1)"},
      {"atan2 on x wraps it", "xatan2", "atan2(x)@1"},
      {"rem keeps its texts", "rem", "rem(Matrix(numerator[c],denomenator[c])[C2]@1)"},
      {"rkutta on a placeholder", "rkutta",
       "rkutta(Matrix(#@1,x,y,x_0[c],y_0[c],x_max[c],nx[c])[C7])"},
      {"rkutta puts x first", "xrkutta",
       "rkutta(Matrix(x@1,x,y,x_0[c],y_0[c],x_max[c],nx[c])[C7])"},
  });
}

TEST(EditorEntry, DifferentiationAndIntegrationVariables) {
  RunRows({
      {"a letter on the variable of a derivative adds one", "x<C-D>ts", "Derivative(x,t,s@1)"},
      {"and before it with the caret before", "x<C-D>t<Left>s", "Derivative(x,s@1,t)"},
      {"a letter on the variable of an integral: outside", "yintts",
       "Integral(Integral(y,#[L1],#[L1],t),#[L1],#[L1],s@1)"},
      {"inside with the caret before the variable", "yintt<Left>s",
       "Integral(Integral(y,#[L1],#[L1],s@1),#[L1],#[L1],t)"},
  });
}

// The typed text never passes 21 characters: a text of 21 that still reads
// as the number takes no more.
TEST(EditorEntry, NumberTextStopsAt21Characters) {
  EditScene scene;
  scene.SetChecks(false);
  scene.Begin({Real(1.5e12)});
  const char* full = "0000000000000001.5E12";
  ASSERT_EQ(std::strlen(full), 21u);
  std::strcpy(scene.Edit().m_szNumber, full);
  EXPECT_EQ(scene.Type("3"), 0);
  EXPECT_STREQ(scene.Edit().m_szNumber, full);
  std::strcpy(scene.Edit().m_szNumber, full + 1);
  EXPECT_EQ(scene.Type("3"), 1);
  EXPECT_STREQ(scene.Edit().m_szNumber, "000000000000001.5E123");
}

}  // namespace
