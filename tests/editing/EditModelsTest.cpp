// "Edit Models" in the started program: typed edits reaching the loop at OK
// and nowhere at Cancel, the models it refuses, the flags, the library, and
// the two builders run from their buttons.
#include "tests/editing/EditingDialogsTestSupport.h"

#include "simulation/SIMtrnfn.h"

#include <cmath>

namespace {

using namespace dlgtest;
using pvtest::Text;

TEST_F(EditingDialogs, EditModelsEndToEndMovesTheClosedLoopPole) {
  const QPointF before = PoleInk();
  const CPoint minus2 = LocusPixel(-2, 0);
  EXPECT_NEAR(before.x(), minus2.x, 2.0);
  EXPECT_NEAR(before.y(), minus2.y, 2.0);
  bool buildShown = true;
  std::string typed;
  QxTest::DialogScript script({[&](CDialog& d) {
    auto& dlg = dynamic_cast<CEditModels&>(d);
    buildShown = Visible(d, IDC_MODEL_BUILD);
    TypeTwoOverSPlusThree(dlg.m_wndEditor);
    typed = Text(dlg.m_wndEditor.GetShownExpression());
    ClickItem(d, IDOK);
  }});
  Command(ID_EDIT_MODELS);
  ASSERT_EQ(script.Dialogs().size(), 1u);
  EXPECT_EQ(script.Dialogs()[0].result, IDOK);
  EXPECT_FALSE(buildShown);
  EXPECT_EQ(typed, "(G(s) ? {2}/{(s + 3)})");
  EXPECT_EQ(ModelText(kModelG), "{2}/{(s + 3)}");
  const QPointF after = PoleInk();
  const CPoint minus5 = LocusPixel(-5, 0);
  EXPECT_NEAR(after.x(), minus5.x, 2.0);
  EXPECT_NEAR(after.y(), minus5.y, 2.0);
  EXPECT_TRUE(Doc()->IsModified());
}

TEST_F(EditingDialogs, EditModelsCancelledAfterTypingLeavesTheDesignAsItWas) {
  const Bytes before = Record(*Doc());
  for (bool byEscape : {false, true}) {
    QxTest::DialogScript script({[&](CDialog& d) {
      auto& dlg = dynamic_cast<CEditModels&>(d);
      TypeTwoOverSPlusThree(dlg.m_wndEditor);
      if (byEscape) {
        // Escape belongs to the editor while it has the focus.
        Key(dlg.m_wndEditor, VK_ESCAPE);
        ASSERT_TRUE(d.ContinueModal());
        d.GetDlgItem(IDC_MODEL)->SetFocus();
        QxTest::PressKey(VK_ESCAPE);
      } else {
        Close(d);
      }
    }});
    Command(ID_EDIT_MODELS);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript);
    EXPECT_EQ(Record(*Doc()), before);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
  }
}

}  // namespace

namespace {

// Clicks the fraction bar of the shown Process copy G(s) = 1/(s + 1), so the
// whole right side is the caret node, and types over it.
void RetypeRightSide(CZevMCWnd& editor, const char* script) {
  const CMcBasic* fraction = editor.GetShownExpression()->m_children[1];
  const McBox& num = fraction->m_children[0]->m_box;
  const McBox& den = fraction->m_children[1]->m_box;
  QxTest::Click(&editor,
                PointIn(fraction, fraction->m_box.width / 2, (num.y + num.height + den.y) / 2));
  QxTest::PumpEvents();
  Key(editor, VK_BACK);
  Type(editor, script);
}

TEST_F(EditingDialogs, ModelsTheConversionCannotTurnIntoATransferFunctionAreRefusedAtOk) {
  const Bytes before = Record(*Doc());
  const struct {
    const char* what;
    const char* script;
    const char* typed;
  } rows[] = {
      {"a bracket around a whole fraction", "(s+2<Right>/(s+3", "op({(s + 2)}/{op((s + 3))})"},
      {"not one fraction at the top", "K*(1+1/(T*s", "K*op((1 + {1}/{op(T*s)}))"},
      {"improper", "a*s^2<Right>+1", "(a*s^2 + 1)"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string typed;
    QxTest::ShownBoxScript boxes;
    QxTest::DialogScript script({[&](CDialog& d) {
      auto& dlg = dynamic_cast<CEditModels&>(d);
      RetypeRightSide(dlg.m_wndEditor, row.script);
      typed = Text(dlg.m_wndEditor.GetShownExpression()->m_children[1]);
      ClickItem(d, IDOK);
      ASSERT_TRUE(d.ContinueModal());
      Close(d);
    }});
    Command(ID_EDIT_MODELS);
    EXPECT_EQ(typed, row.typed);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              "At least one of the models you have edited\ncannot be accepted as valid.");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(ModelText(kModelG), "{1}/{(s + 1)}");
  }
}

}  // namespace
