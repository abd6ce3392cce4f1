// Keyword recognition: the tables as data, and words typed into the editor.
#include "editing/ZevKeywords.h"
#include "tests/editing/EditorScript.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using edtest::EditScene;

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

TEST(EditorKeywordTables, HoldTheWordsTheirLastCharacterSelects) {
  int entries = 0;
  for (const auto& table : ZevKeywordTables()) {
    ASSERT_FALSE(table.empty());
    for (size_t i = 0; i < table.size(); ++i) {
      const ZevKeyword& e = table[i];
      const size_t length = strnlen(e.word, sizeof e.word);
      SCOPED_TRACE(e.word);
      ASSERT_LT(length, sizeof e.word) << "a word of more than 9 characters";
      EXPECT_EQ(ZevItemLength(e.code), static_cast<int>(length));
      const int action = ZevItemAction(e.code);
      EXPECT_TRUE((action >= 1 && action <= 23) || action == kZevTabOrWhere);
      // The table is the one its last character selects.
      EXPECT_EQ(ZevKeywordTable(static_cast<BYTE>(e.word[length - 1])).data(), table.data());
      // Tried from the last entry, a longer word that ends like this one
      // must come later, or this one could never match.
      for (size_t j = 0; j < i; ++j) {
        const std::string before = table[j].word;
        EXPECT_FALSE(before.size() > length && before.ends_with(e.word))
            << "\"" << before << "\" hides it";
      }
      ++entries;
    }
  }
  EXPECT_EQ(ZevKeywordTables().size(), 25u);
  EXPECT_EQ(entries, 186);
}

TEST(EditorKeywordTables, LastCharactersWithoutATable) {
  for (const char c : {'K', 'k', 'z', 'Z', 'A', '0', '1', '9'})
    EXPECT_TRUE(ZevKeywordTable(static_cast<BYTE>(c)).empty()) << c;
  // "2", punctuation and the minus key's logged byte share the other table.
  const auto other = ZevKeywordTable('=');
  EXPECT_EQ(ZevKeywordTable('2').data(), other.data());
  EXPECT_EQ(ZevKeywordTable(0xBD).data(), other.data());
  EXPECT_FALSE(IsAsciiLetterOrDigit(other[0].word[1]));
}

// The codes the log holds after typing a script on an empty placeholder.
struct Typed {
  std::string script;
  std::vector<DWORD> codes;  // positions 0 .. length-1
};

std::vector<DWORD> LogCodes(EditScene& scene) {
  std::vector<DWORD> codes;
  for (int p = 0; p < scene.Edit().GetLogLength(); ++p) codes.push_back(scene.Edit().GetLogCode(p));
  return codes;
}

DWORD Letter(char c) {
  return ZevItemCode(kZevInsertCharacter, static_cast<BYTE>(c));
}

TEST(EditorKeywords, WordsBecomeOneItemAtTheirFirstPosition) {
  const DWORD s = Letter('s'), i = Letter('i'), n = Letter('n');
  const struct {
    const char* what;
    const char* script;
    std::vector<DWORD> codes;
  } rows[] = {
      {"the longer entry wins: cosec over sec",
       "cosec",
       {ZevItemCode(23, 12, 5), Letter('o'), s, Letter('e'), Letter('c')}},
      {"a recognised word is swallowed whole: sinh",
       "sinh",
       {ZevItemCode(23, 6, 4), i, n, Letter('h')}},
      {"no word starts inside a recognised one: pi then i", "pii", {ZevItemCode(22, 12, 2), i, i}},
      {"nothing in text mode", "\"sin\"", {s | (16 << 8), i | (16 << 8), n | (16 << 8)}},
      {"atan2 ends in the digit 2",
       "atan2",
       {ZevItemCode(23, 49, 5), Letter('t'), Letter('a'), n, Letter('2')}},
      {"less or equal", "<=", {ZevItemCode(12, 8, 2), ZevItemCode(12, 0)}},
      {"--= is equivalence",
       "--=",
       {ZevItemCode(12, 1, 3), ZevItemCode(18, 1), ZevItemCode(12, 0)}},
      {"<=<= typed in full is the inclusive domain",
       "<=<=",
       {ZevItemCode(4, 1, 4), ZevItemCode(12, 0), ZevItemCode(12, 6), ZevItemCode(12, 0)}},
      {"where is Tab's declaration",
       "xwhere",
       {Letter('x'), ZevItemCode(43, 1, 5), Letter('h'), Letter('e'), Letter('r'), Letter('e')}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    EditScene scene;
    scene.BeginEmpty();
    scene.Type(r.script);
    std::vector<DWORD> codes = LogCodes(scene);
    // Characters carry Shift where a US keyboard needs it; compare without it.
    for (DWORD& c : codes)
      if (ZevItemAction(c) == kZevInsertCharacter || ZevItemAction(c) == kZevInsertTerm ||
          ZevItemAction(c) == kZevInsertRelation)
        c &= ~(DWORD{kZevKeyShift} << 8);
    EXPECT_EQ(codes, r.codes);
  }
}

TEST(EditorKeywords, SinThenHKeepsTheTypedSAsThePreviousCode) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("sinh");
  EXPECT_EQ(scene.Edit().m_pLogPrevCodes[0], Letter('s'));
}

TEST(EditorKeywords, WhatTheWordsBuild) {
  edtest::RunRows({
      {"sin on a placeholder keeps the caret inside", "sin", "sin(#@1)"},
      {"sin on x wraps it", "x<Right>sin", "sin(x)@1"},
      {"less then equals is one relation", "<=", "Equality(#,#@1)[k8]"},
      {"alpha is a Greek constant", "alpha", "a[c,G]@1"},
      {"undo after less-or-equal gives the two relations back", "<=<Undo>",
       "Equality(#,Equality(#,#@1))[k6]"},
  });
}

// A sign typed right after "^" is the exponent's: e^-2 is e to the power -2,
// not e with a raised mark times 2. The one-sided marks keep their words
// where they mean something, on the value a "tends to" relation approaches.
TEST(EditorKeywords, ASignAfterThePowerIsTheExponents) {
  edtest::RunRows({
      {"a negative exponent of e", "e^-2", "Power(e[c],-2[L1]@1)"},
      {"a negative exponent of s", "s^-2", "Power(s,-2[L1]@1)"},
      {"a positive exponent", "s^+2", "Power(s,2[L1]@1)"},
      {"from the left", "x->0^-", "Equality(x,Operator(0)[k13]@1)[k12]"},
      {"from the right", "x->0^+", "Equality(x,Operator(0)[k14]@1)[k12]"},
  });
}

TEST(EditorLog, UndoAfterAKeywordGivesBackItsLettersThenRemovesOne) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("sin");
  ASSERT_EQ(ZevItemLength(scene.Edit().GetLogCode(0)), 3);
  ASSERT_TRUE(scene.Edit().Undo());
  EXPECT_EQ(scene.Edit().GetLogLength(), 3);
  EXPECT_EQ(scene.Edit().GetLogCode(0), Letter('s'));
  EXPECT_FALSE(scene.Edit().HasRedoTail());
  ASSERT_TRUE(scene.Edit().Undo());
  EXPECT_EQ(scene.Edit().GetLogLength(), 2);
  EXPECT_TRUE(scene.Edit().HasRedoTail());
}

TEST(EditorLog, WithARedoTailTheWholeKeywordGoesAtOnce) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("sin<Right>");
  ASSERT_EQ(scene.Edit().GetLogLength(), 4);
  ASSERT_TRUE(scene.Edit().Undo());  // the arrow
  ASSERT_TRUE(scene.Edit().Undo());  // the keyword, with the arrow as redo tail
  EXPECT_EQ(scene.Edit().GetLogLength(), 0);
  ASSERT_TRUE(scene.Edit().Redo());
  EXPECT_EQ(scene.Edit().GetLogLength(), 3);
  EXPECT_EQ(scene.Edit().GetLogCode(0), ZevItemCode(23, 0, 3));
  ASSERT_TRUE(scene.Edit().Redo());
  EXPECT_EQ(scene.Edit().GetLogLength(), 4);
  EXPECT_FALSE(scene.Edit().Redo());
}

TEST(EditorLog, AKeystrokeAfterAnUndoCutsTheRedoTail) {
  EditScene scene;
  scene.BeginEmpty();
  scene.Type("xy");
  ASSERT_TRUE(scene.Edit().Undo());
  EXPECT_TRUE(scene.Edit().HasRedoTail());
  scene.Type("z");
  EXPECT_FALSE(scene.Edit().HasRedoTail());
  EXPECT_FALSE(scene.Edit().Redo());
  EXPECT_EQ(scene.Edit().GetLogLength(), 2);
}

}  // namespace
