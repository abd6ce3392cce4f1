// A switch of designs turns the bars once: every road that activates a
// design's window (the Window menu, a click into its view, Ctrl+F6 and
// Ctrl+Tab, File > New and Open, closing the active design) costs one pass of
// UpdateAll, from wherever the keyboard was, and leaves every bar on the
// activated design.
#include "DesignBar.h"
#include "WorkerMessages.h"
#include "editing/VarBar.h"
#include "platform/ui/MessageQueue.h"
#include "search/EqualizerBar.h"
#include "search/KFinder.h"
#include "search/SearchGlobals.h"
#include "tests/support/BarsShown.h"
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

class DesignSwitch : public QorexAppTest {
 protected:
  void SetUp() override {
    QorexAppTest::SetUp();
    if (HasFatalFailure()) return;
    m_path = qxtest::MakeTempDir("switch") + "/saved.qox";
    ASSERT_TRUE(ActiveDoc()->OnSaveDocument(m_path.c_str()));
    m_first = ActiveDoc();
    Command(ID_FILE_NEW);
    m_second = ActiveDoc();
    ASSERT_NE(m_first, m_second);
  }
  void Command(UINT id) {
    Frame()->SendMessage(WM_COMMAND, id);
    QxTest::PumpUntilIdle();
  }
  static CMDIChildWnd* ChildOf(CQorexDoc* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    return static_cast<CMDIChildWnd*>(doc->GetNextView(pos)->GetParentFrame());
  }
  static CView* ViewOf(CQorexDoc* doc) { return ChildOf(doc)->GetActiveView(); }
  CQorexDoc* Other() const { return ActiveDoc() == m_first ? m_second : m_first; }
  // The keyboard put where the road starts from: the active design's view,
  // or the value field of the floating "Variables" bar.
  void PutKeyboard(bool inBar) {
    if (!inBar) {
      ViewOf(ActiveDoc())->SetFocus();
    } else {
      CWnd* field = Frame()->m_wndVarbar.GetDlgItem(IDC_VALUE);
      field->GetWidget()->window()->activateWindow();
      field->SetFocus();
    }
    QxTest::PumpUntilIdle();
  }
  // Who of the bars does not show doc; "" when all do.
  std::string Strays(const CQorexDoc* doc) const { return qxtest::NotShowing(*Frame(), doc); }

  std::string m_path;
  CQorexDoc* m_first = nullptr;
  CQorexDoc* m_second = nullptr;
};

TEST_F(DesignSwitch, EveryRoadTurnsTheBarsOnceToTheActivatedDesign) {
  const struct {
    const char* name;
    bool keys;  // a key of the main window's, which a floating bar keeps
    std::function<void()> go;
  } roads[] = {
      {"the Window menu", false,
       [this] {
         const UINT entry = Other() == m_first ? 0 : 1;
         Frame()->SendMessage(WM_COMMAND, AFX_IDM_FIRST_MDICHILD + entry);
       }},
      {"a click into the other design's view", false,
       [this] { QxTest::Click(ViewOf(Other()), CPoint(5, 5)); }},
      {"Ctrl+F6", true, [] { QxTest::PressKey(VK_F6, MK_CONTROL); }},
      {"Ctrl+Tab", true, [] { QxTest::PressKey(VK_TAB, MK_CONTROL); }},
      {"Ctrl+Shift+Tab", true, [] { QxTest::PressKey(VK_TAB, MK_CONTROL | MK_SHIFT); }},
  };
  for (const bool inBar : {false, true}) {
    for (const auto& road : roads) {
      if (inBar && road.keys) continue;
      SCOPED_TRACE(std::string(road.name) +
                   (inBar ? ", keys in the floating bar" : ", keys in the view"));
      PutKeyboard(inBar);
      CQorexDoc* const target = Other();
      const unsigned long before = CQorexDoc::BarTurns();
      road.go();
      QxTest::PumpUntilIdle();
      ASSERT_EQ(ActiveDoc(), target);
      EXPECT_EQ(CQorexDoc::BarTurns() - before, 1u);
      EXPECT_EQ(Strays(target), "");
    }
  }
  // The keyboard going to a bar and back, as around a dialog, turns nothing.
  const unsigned long before = CQorexDoc::BarTurns();
  PutKeyboard(true);
  PutKeyboard(false);
  EXPECT_EQ(CQorexDoc::BarTurns(), before);
}

// A file that does not open leaves the bars on the design the user sees.
TEST_F(DesignSwitch, AFailedOpenLeavesTheBarsOnTheActiveDesign) {
  const std::string broken = qxtest::MakeTempDir("switch") + "/broken.qox";
  {
    std::FILE* f = std::fopen(broken.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("no design", f);
    std::fclose(f);
  }
  const unsigned long before = CQorexDoc::BarTurns();
  {
    QxTest::MessageBoxScript boxes;
    EXPECT_EQ(m_app->OpenDocumentFile(broken.c_str()), nullptr);
  }
  QxTest::PumpUntilIdle();
  EXPECT_EQ(ActiveDoc(), m_second);
  EXPECT_EQ(Strays(m_second), "");
  EXPECT_EQ(CQorexDoc::BarTurns(), before);
}

TEST_F(DesignSwitch, NewOpenAndCloseTurnTheBarsOnce) {
  for (const bool inBar : {false, true}) {
    SCOPED_TRACE(inBar ? "keys in the floating bar" : "keys in the view");
    PutKeyboard(inBar);
    unsigned long before = CQorexDoc::BarTurns();
    Command(ID_FILE_NEW);
    EXPECT_EQ(CQorexDoc::BarTurns() - before, 1u) << "File > New";
    EXPECT_EQ(Strays(ActiveDoc()), "");
    PutKeyboard(inBar);
    before = CQorexDoc::BarTurns();
    CDocument* opened = m_app->OpenDocumentFile(m_path.c_str());
    QxTest::PumpUntilIdle();
    ASSERT_NE(opened, nullptr);
    ASSERT_EQ(ActiveDoc(), opened);
    EXPECT_EQ(CQorexDoc::BarTurns() - before, 1u) << "File > Open";
    EXPECT_EQ(Strays(ActiveDoc()), "");
    PutKeyboard(inBar);
    before = CQorexDoc::BarTurns();
    {
      QxTest::MessageBoxScript boxes({IDNO, IDNO});
      Command(ID_FILE_CLOSE);
    }
    EXPECT_EQ(CQorexDoc::BarTurns() - before, 1u) << "closing a design";
    EXPECT_EQ(Strays(ActiveDoc()), "");
  }
}

}  // namespace

// The tuner's end for one design delivered while the bars turn to another
// (something a bar does on its way lets it in): the tuned design is
// recalculated and its views show it, and the bars go on to the activated
// design, every one of them.
TEST_F(DesignSwitch, ATunersEndDuringTheTurnLeavesEveryBarOnTheActivatedDesign) {
  m_first->m_strComment = "first";
  m_second->m_strComment = "second";
  Frame()->MDIActivate(ChildOf(m_first));
  QxTest::PumpUntilIdle();
  ASSERT_EQ(Strays(m_first), "");
  // The last bar to turn is the comment's: its text changes while the pass
  // runs, the end arrives then.
  CWnd* comment = Frame()->m_wndCommentBar.GetDlgItem(IDC_COMMENT);
  ASSERT_NE(comment, nullptr);
  bool delivered = false;
  const auto deliver = [&] {
    if (delivered || !BarsTurning()) return;
    delivered = true;
    m_first->SetModifiedFlag(FALSE);
    g_pKFinder->PushResult(std::make_unique<KFinderResult>(KFinderResult{m_first, {}}));
    ASSERT_TRUE(PostThreadMessage(QxUiThreadId(), WM_QX_UPDATEALL, 0, 0));
    QxTest::PumpEvents();
    EXPECT_TRUE(m_first->IsModified()) << "the end was not taken during the pass";
  };
  QWidget* edit = comment->GetWidget();
  QMetaObject::Connection hook;
  if (auto* text = qobject_cast<QPlainTextEdit*>(edit))
    hook = QObject::connect(text, &QPlainTextEdit::textChanged, deliver);
  else if (auto* line = qobject_cast<QLineEdit*>(edit))
    hook = QObject::connect(line, &QLineEdit::textChanged, deliver);
  ASSERT_TRUE(hook) << "the comment's edit is no text widget";
  Frame()->MDIActivate(ChildOf(m_second));
  QxTest::PumpUntilIdle();
  QObject::disconnect(hook);
  ASSERT_TRUE(delivered);
  EXPECT_EQ(ActiveDoc(), m_second);
  EXPECT_EQ(Strays(m_second), "");
}
