// The editor under a seeded random run of every key and keyword, and at the
// limits of what a record can hold. EditScene checks the properties after the
// keystrokes (every one in Release, every 10th under the sanitizers, since a
// replay from the snapshot grows with the log).
#include "MC/Mc_equality.h"
#include "MC/Mc_listmult.h"
#include "MC/Mc_listsum.h"
#include "MC/Mc_matrix.h"
#include "QorexDoc.h"
#include "editing/ZevKeywords.h"
#include "tests/editing/EditorScript.h"
#include "tests/support/DesignRoundTrip.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using edtest::EditScene;
using qxtest::trees::Real;
using qxtest::trees::Variable;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr int kCheckEvery = 10;
#else
constexpr int kCheckEvery = 1;
#endif

int Depth(const CMcBasic* node) {
  int deepest = 0;
  std::vector<std::pair<const CMcBasic*, int>> stack{{node, 1}};
  while (!stack.empty()) {
    auto [n, d] = stack.back();
    stack.pop_back();
    deepest = std::max(deepest, d);
    for (int i = 0; i < n->m_count; ++i) stack.push_back({n->m_children[i], d + 1});
  }
  return deepest;
}

unsigned SeedFromEnvironment() {
  if (const char* text = std::getenv("QX_TEST_SEED"))
    return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
  return std::random_device{}();
}

// The vocabulary of the random run: every key the map knows, as script text.
std::vector<std::string> Keys() {
  std::vector<std::string> keys = {
      "<Left>", "<Right>", "<Up>",  "<Down>",  "<C-Left>", "<C-Right>", "<C-Up>", "<C-Down>",
      "<Del>",  "<C-Del>", "<BS>",  "<Enter>", "<Tab>",    "<C-minus>", "<C-D>",  "<S-C-D>",
      "<C-F>",  "<C-L>",   "<C-P>", "<C-R>",   "<C-H>",    "<sp>",      "+",      "-",
      "!",      "(",       "]",     "}",       "&",        "|",         "=",      "<lt>",
      "<gt>",   "~",       "*",     "/",       "\\",       ";",         "@",      "[",
      "^",      ".",       "_",     "E"};
  for (char c = 'a'; c <= 'z'; ++c) keys.push_back(std::string(1, c));
  for (char c = '0'; c <= '9'; ++c) keys.push_back(std::string(1, c));
  for (const char* c : {"A", "G", "K", "X", "Z"}) keys.push_back(c);
  return keys;
}

// Every keyword, as the script that types it.
std::vector<std::string> Words() {
  std::vector<std::string> words;
  for (const auto& table : ZevKeywordTables())
    for (const ZevKeyword& e : table) {
      std::string script;
      for (const char* p = e.word; *p; ++p)
        script += *p == '<' ? "<lt>" : *p == '>' ? "<gt>" : std::string(1, *p);
      words.push_back(script);
    }
  return words;
}

// One random keystroke (or keyword) of the run.
std::string RandomStroke(std::mt19937& rng, const std::vector<std::string>& keys,
                         const std::vector<std::string>& words) {
  const int roll = static_cast<int>(rng() % 100);
  if (roll < 60) return keys[rng() % keys.size()];
  if (roll < 75) return words[rng() % words.size()];
  if (roll < 83) return "<Undo>";
  if (roll < 88) return "<Redo>";
  if (roll < 93) return "\"";
  return keys[rng() % 4];  // more arrows: walk the tree
}

std::vector<CMcBasic*> DesignDefinitions() {
  CQorexDoc doc;
  std::vector<CMcBasic*> list;
  for (int i = 0; i < doc.m_models.GetCount(); ++i) list.push_back(doc.m_models.GetAt(i)->Clone());
  for (int i = 0; i < doc.m_signals.GetCount(); ++i)
    list.push_back(doc.m_signals.GetAt(i)->Clone());
  return list;
}

// A Process definition G(s) = a 3x3 matrix of first-order lags k / (T + s).
std::vector<CMcBasic*> MatrixModel() {
  using namespace qxtest::trees;
  std::vector<CMcBasic*> cells;
  for (int i = 0; i < 9; ++i) cells.push_back(Div(Real(i + 1), Sum({Real(10 + i), S()})));
  auto* g = new CMcFunction(S(), "G", "", 0);
  return {new CMcEquality(g, Matrix(3, cells), 0)};
}

std::vector<const CMcBasic*> NodesBelow(const CMcBasic* root) {
  std::vector<const CMcBasic*> out{root};
  for (size_t i = 0; i < out.size(); ++i)
    for (int c = 0; c < out[i]->m_count; ++c) out.push_back(out[i]->m_children[c]);
  return out;
}

// What the editor leaves also opens inside a design: its expressions, taken
// into the design's model library, store, load back and store the same bytes.
// Every kDesignEvery-th accepted stroke, since a design reloads its loop.
constexpr int kDesignEvery = 25;

void ExpectOpensInADesign(const CMcGroup* list) {
  CQorexDoc design;
  for (int i = 0; i < list->m_count; ++i) design.m_modelLibrary.Add(list->m_children[i]->Clone());
  const std::string fault = qxtest::DesignRoundTripFault(design);
  EXPECT_TRUE(fault.empty()) << fault;
}

TEST(EditorRandomRun, EveryKeyAndKeywordKeepsTheProperties) {
  const unsigned seed = SeedFromEnvironment();
  std::printf("editor random run: QX_TEST_SEED=%u\n", seed);
  std::mt19937 rng(seed);
  const std::vector<std::string> keys = Keys(), words = Words();
  constexpr int kEdits = 50, kStrokes = 400;
  for (int edit = 0; edit < kEdits; ++edit) {
    EditScene scene;
    scene.SetChecks(true, kCheckEvery);
    std::vector<CMcBasic*> list = edit % 2 ? MatrixModel() : DesignDefinitions();
    const size_t shown = rng() % list.size();
    const std::vector<const CMcBasic*> nodes = NodesBelow(list[shown]);
    CMcBasic* at = const_cast<CMcBasic*>(nodes[rng() % nodes.size()]);
    scene.Begin(list, at);
    ASSERT_TRUE(scene.Edit().IsEditing());
    std::string script;
    int accepted = 0;
    for (int k = 0; k < kStrokes; ++k) {
      const std::string stroke = RandomStroke(rng, keys, words);
      script += stroke;
      if (scene.Type(stroke) > 0 && ++accepted % kDesignEvery == 0)
        ExpectOpensInADesign(scene.List());
      if (::testing::Test::HasFailure()) {
        ADD_FAILURE() << "seed " << seed << ", edit " << edit << ", begun on "
                      << edtest::TreeText(at) << ", script: " << script;
        return;
      }
    }
    scene.Finish();
    ExpectOpensInADesign(scene.List());
    if (::testing::Test::HasFailure()) {
      ADD_FAILURE() << "seed " << seed << ", edit " << edit << ", script: " << script;
      return;
    }
  }
}

// "(" typed 600 times nests brackets around the placeholder until the tree is
// as deep as the record loader accepts; the rest are refused, and the tree
// still loads back.
TEST(EditorLimits, NestingStopsAtTheLoadersDepth) {
  EditScene scene;
  scene.SetChecks(true, kCheckEvery);
  scene.BeginEmpty();
  const int accepted = scene.Type(std::string(600, '('));
  EXPECT_EQ(Depth(scene.Expression()), McDepthGuard::kMaxDepth);
  EXPECT_EQ(accepted, McDepthGuard::kMaxDepth - 1);
  EXPECT_TRUE(edtest::LoadsBack(scene.Expression(), false));
  EXPECT_TRUE(edtest::LoadsBack(scene.Expression(), true));
  // A keyword that would build deeper than its letters keeps the letters:
  // "rkutta" puts the caret node into a row inside a function, two levels
  // down, where its letters made a product one level down.
  scene.Type("<BS>");
  ASSERT_EQ(Depth(scene.Expression()), McDepthGuard::kMaxDepth - 1);
  const int at = scene.Edit().GetLogLength();
  scene.Type("rkutta");
  EXPECT_EQ(ZevItemAction(scene.Edit().GetLogCode(at)), kZevInsertCharacter);
  EXPECT_LE(Depth(scene.Expression()), McDepthGuard::kMaxDepth);
  EXPECT_TRUE(edtest::LoadsBack(scene.Expression(), false));
}

// Inside a name in text mode each character moves the caret one further; the
// caret side is one byte, so the character that would put it past 255 is
// refused.
TEST(EditorLimits, NameCaretSideStopsAt255) {
  EditScene scene;
  scene.SetChecks(true, kCheckEvery);
  scene.BeginEmpty();
  scene.Type("\"ab<Left>");
  ASSERT_EQ(scene.Edit().m_step.nCaretSide, 2);
  int accepted = 0;
  for (int k = 0; k < 300; ++k) accepted += scene.Type("c");
  EXPECT_EQ(scene.Edit().m_step.nCaretSide, 255);
  EXPECT_EQ(accepted, 253);
  EXPECT_EQ(static_cast<const CMcVariable*>(scene.Expression())->m_length, 2 + 253 + 2);
}

// A name buffer's length is 16 bits: a character that would pass it is refused.
TEST(EditorLimits, NameBufferStopsAt65535Bytes) {
  EditScene scene;
  scene.SetChecks(false);
  scene.SetLayout(false);
  const std::string name(0xFFFF - 4, 'a');
  scene.Begin({Variable(name.c_str())});
  g_nDisplaySettings |= kDisplayTextMode;
  EXPECT_EQ(scene.Type("bbbb"), 2);
  EXPECT_EQ(static_cast<const CMcVariable*>(scene.Expression())->m_length, 0xFFFF);
}

// Child counts and matrix widths are 16 bits in nodes and records: an insert
// that would pass 65535 is refused and changes nothing.
// A node of kind T with n children made by make, built in one step (appending
// 65535 children one by one would copy the array every time).
template <class T>
CMcBasic* Wide(int n, CMcBasic* (*make)(), int columns = 0) {
  std::vector<CMcBasic*> children;
  for (int i = 0; i < n; ++i) children.push_back(make());
  auto* node = new T(0);
  node->AdoptChildren(children);
  if constexpr (std::is_same_v<T, CMcMatrix>) node->SetColumns(static_cast<WORD>(columns));
  return node;
}

CMcBasic* X() {
  return Variable("x");
}
CMcBasic* One() {
  return Real(1);
}

TEST(EditorLimits, ChildCountsStayWithin16Bits) {
  const struct {
    const char* what;
    CMcBasic* top;
    const char* script;
  } rows[] = {
      {"a term in a full sum", Wide<CMcListsum>(0xFFFF, X), "+"},
      {"a factor in a full product", Wide<CMcListmult>(0xFFFF, X), "*"},
      {"a column in a row of 65535", Wide<CMcMatrix>(0xFFFF, One, 0xFFFF), "<Tab>"},
      {"a row in a 2 x 32767 matrix", Wide<CMcMatrix>(2 * 32767, One, 32767), "<Enter>"},
      {"a column in a 2 x 32767 matrix", Wide<CMcMatrix>(2 * 32767, One, 32767), "<Tab>"},
  };
  // Beginning an edit copies the expression, and a list is copied one child
  // at a time; under the sanitizers the four other copies take minutes.
  const size_t tried = kCheckEvery > 1 ? 1 : std::size(rows);
  for (size_t i = 0; i < std::size(rows); ++i) {
    const auto& r = rows[i];
    if (i >= tried) {
      delete r.top;
      continue;
    }
    SCOPED_TRACE(r.what);
    EditScene scene;
    scene.SetLayout(false);
    scene.Begin({r.top}, r.top->m_children[0]);
    const int count = r.top->m_count;
    EXPECT_EQ(scene.Type(r.script), 0);
    EXPECT_EQ(scene.Expression(), r.top);
    EXPECT_EQ(r.top->m_count, count);
  }
}

}  // namespace
