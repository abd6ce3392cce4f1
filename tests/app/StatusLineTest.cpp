// The status line of the running program. Between messages it shows the
// state of the design the bars show: the model its loop refused, or that its
// run overflowed, or "Ready" while the design is sound; whichever design is
// switched to, opened, made or closed, and again after every menu or toolbar
// prompt. A message said once (stored runs dropped, no input arrived) stays
// until the next change.
#include "tests/simulation/SimTestSupport.h"
#include "tests/support/DesktopInput.h"
#include "tests/support/QorexAppFixture.h"
#include "tests/support/TestSupport.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <string>

namespace {

using namespace simtest;

const std::string kRefusedDesign =
    std::string(QX_SOURCE_DIR) +
    "/tests/app/data/opens-with-message-3x3-K-pi-written-as-product.qox";
const std::string kRefusedText =
    "The Controller model cannot be turned into transfer functions: the design is not simulated "
    "until it is corrected in Edit Models.";
const std::string kOverflowText =
    "The simulation overflowed: the loop's signals grew beyond every number, and no curve is "
    "drawn past that point.";
const std::string kReady = "Ready";

// How a design comes to have a state of its own.
enum class Stated { kRefusedModel, kOverflow };

const std::string& TextOf(Stated kind) {
  return kind == Stated::kRefusedModel ? kRefusedText : kOverflowText;
}

class StatusLine : public QorexAppTest {
 protected:
  std::string Status() const { return Frame()->m_wndStatusBar.GetPaneText(0).GetString(); }
  CQorexDoc* NewDesign() {
    Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    QxTest::PumpUntilIdle();
    return ActiveDoc();
  }
  // The stored design whose controller does not convert (opened with its
  // warning answered), or a new design whose run overflows (G = 1 / (s - 10)
  // over 500 s); active and shown.
  CQorexDoc* StatedDesign(Stated kind) {
    if (kind == Stated::kRefusedModel) {
      QxTest::MessageBoxScript warning({IDOK});
      m_app->OpenDocumentFile(kRefusedDesign.c_str());
      QxTest::PumpUntilIdle();
      EXPECT_EQ(warning.Boxes().size(), 1u);
      return ActiveDoc();
    }
    CQorexDoc* doc = NewDesign();
    SetModel(*doc, kModelG, Tf({1}, {-10, 1}));
    doc->m_dFinalTime = 500;
    doc->Recalculate();
    doc->UpdateAll();
    QxTest::PumpUntilIdle();
    return doc;
  }
  // One step of a slider of the Variables bar on the design: its first
  // variable moved, the design recalculated and shown.
  void SliderStep(CQorexDoc* doc) {
    doc->m_vars.SetValue(0, doc->m_vars.m_pValue[CVARvalues::kFirstFreeEntry] * 1.01 + 0.01);
    doc->RecordedRecalculate();
    QxTest::PumpUntilIdle();
  }
  void Activate(CQorexDoc* doc) {
    POSITION pos = doc->GetFirstViewPosition();
    Frame()->MDIActivate(doc->GetNextView(pos)->GetParentFrame());
    QxTest::PumpUntilIdle();
  }
  // File Close on the design, its changes discarded.
  void Close(CQorexDoc* doc) {
    Activate(doc);
    QxTest::MessageBoxScript discard({IDNO});
    Frame()->SendMessage(WM_COMMAND, ID_FILE_CLOSE);
    QxTest::PumpUntilIdle();
  }
  QWidget* ToolbarButton(UINT id) const {
    auto* tools = qobject_cast<QToolBar*>(Frame()->m_wndToolBar.QxContainer());
    for (QAction* action : tools->actions())
      if (action->data().toUInt() == id) return tools->widgetForAction(action);
    return nullptr;
  }
  // The pointer rests on a toolbar button, then leaves the toolbar.
  void HoverToolbarButton(UINT id) {
    QWidget* button = ToolbarButton(id);
    ASSERT_NE(button, nullptr);
    qxtest::SystemMove(button, button->rect().center());
    EXPECT_EQ(Status(), "Save the active design");
    qxtest::SystemMove(Frame()->QxMdiArea(), QPoint(40, 40));
  }
  // The View menu opened from the menu bar, an item under the pointer, the
  // menu closed again.
  void HoverMenuItem() {
    QMenuBar* bar = Frame()->QxMainWindow()->menuBar();
    QAction* title = nullptr;
    for (QAction* action : bar->actions())
      if (action->text() == QLatin1String("&View")) title = action;
    ASSERT_NE(title, nullptr);
    bar->setActiveAction(title);
    QMenu* popup = title->menu();
    ASSERT_TRUE(popup && popup->isVisible());
    for (QAction* action : popup->actions())
      if (action->data().toUInt() == ID_VIEW_COMMENTS) popup->setActiveAction(action);
    EXPECT_EQ(Status(), "Show or hide the Comments.");
    popup->hide();
    QxTest::PumpUntilIdle();
  }
};

}  // namespace

TEST_F(StatusLine, FollowsTheStateOfTheDesignTheBarsShow) {
  CQorexDoc* sound = ActiveDoc();
  ASSERT_NE(sound, nullptr);
  const std::string soundFile = qxtest::MakeTempDir("status") + "/sound.qox";
  ASSERT_TRUE(sound->OnSaveDocument(soundFile.c_str()));
  enum class Road { kSwitchedToSound, kClosed, kNewDesign, kSoundOpened };
  const char* roadNames[] = {"switched to a sound design", "closed", "a new design made",
                             "a sound design opened"};
  for (Stated kind : {Stated::kRefusedModel, Stated::kOverflow}) {
    for (Road road :
         {Road::kSwitchedToSound, Road::kClosed, Road::kNewDesign, Road::kSoundOpened}) {
      SCOPED_TRACE(::testing::Message() << TextOf(kind) << " / " << roadNames[int(road)]);
      CQorexDoc* stated = StatedDesign(kind);
      ASSERT_NE(stated, sound);
      EXPECT_EQ(Status(), TextOf(kind));
      CQorexDoc* extra = nullptr;
      switch (road) {
        case Road::kSwitchedToSound:
          Activate(sound);
          break;
        case Road::kClosed:
          Close(stated);
          stated = nullptr;
          break;
        case Road::kNewDesign:
          extra = NewDesign();
          break;
        case Road::kSoundOpened:
          m_app->OpenDocumentFile(soundFile.c_str());
          QxTest::PumpUntilIdle();
          extra = ActiveDoc();
          break;
      }
      CQorexDoc* shown = ActiveDoc();
      ASSERT_NE(shown, stated);
      EXPECT_EQ(Status(), kReady);
      for (int step = 0; step < 2; ++step) {
        SliderStep(shown);
        EXPECT_EQ(Status(), kReady) << "step " << step;
      }
      if (stated) {  // shown again, it says its state again
        Activate(stated);
        EXPECT_EQ(Status(), TextOf(kind));
        Close(stated);
      }
      if (extra) Close(extra);
      ASSERT_EQ(ActiveDoc(), sound);
      EXPECT_EQ(Status(), kReady);
    }
  }
  // With the last design closed, no design's state is said.
  StatedDesign(Stated::kRefusedModel);
  Close(sound);
  Close(ActiveDoc());
  ASSERT_EQ(m_app->GetOpenDocumentCount(), 0);
  EXPECT_EQ(Status(), kReady);
}

TEST_F(StatusLine, AMenuOrToolbarPromptGivesWayToTheShownDesignsState) {
  CQorexDoc* sound = ActiveDoc();
  for (Stated kind : {Stated::kRefusedModel, Stated::kOverflow}) {
    SCOPED_TRACE(TextOf(kind));
    CQorexDoc* stated = StatedDesign(kind);
    HoverToolbarButton(ID_FILE_SAVE);
    EXPECT_EQ(Status(), TextOf(kind));
    HoverMenuItem();
    EXPECT_EQ(Status(), TextOf(kind));
    SliderStep(stated);
    EXPECT_EQ(Status(), TextOf(kind));
    Activate(sound);
    HoverToolbarButton(ID_FILE_SAVE);
    EXPECT_EQ(Status(), kReady);
    HoverMenuItem();
    EXPECT_EQ(Status(), kReady);
    Close(stated);
  }
}

// What the runs say (a stored run dropped, no input during a run) is said
// once and stays through the changes of a sound design; a design with a
// state says it again at its next change.
TEST_F(StatusLine, AMessageSaidOnceStaysUntilTheNextChangeOfAStatedDesign) {
  const char* said = "1 stored run no longer fits the loop's signals and was removed.";
  CQorexDoc* sound = ActiveDoc();
  CQorexDoc* stated = StatedDesign(Stated::kOverflow);
  Activate(sound);
  ASSERT_EQ(Status(), kReady);
  Frame()->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(said));
  SliderStep(sound);
  SliderStep(sound);
  EXPECT_EQ(Status(), said);
  Activate(stated);
  EXPECT_EQ(Status(), kOverflowText);
  Frame()->SendMessage(WM_SETMESSAGESTRING, 0, reinterpret_cast<LPARAM>(said));
  EXPECT_EQ(Status(), said);
  SliderStep(stated);
  EXPECT_EQ(Status(), kOverflowText);
}

// Where the dropped runs meet the design's state: a reshape with nothing
// running keeps the runs and says nothing; while a worker runs the design,
// the reshape that drops its runs says so after another design's state was
// said, and neither "Ready" nor that state covers it; switching designs then
// shows each one's state.
TEST_F(StatusLine, RunsDroppedByAReshapeAreSaidAfterAnotherDesignsState) {
  CQorexDoc* sound = ActiveDoc();
  simtest::StoreOwnRun(*sound);
  CQorexDoc* stated = StatedDesign(Stated::kRefusedModel);
  EXPECT_EQ(Status(), kRefusedText);
  Activate(sound);
  EXPECT_EQ(Status(), kReady);
  sound->ResizeModel(kModelG, 2, 2);  // as the size picker drops it
  QxTest::PumpUntilIdle();
  EXPECT_EQ(sound->m_nRuns, 1);
  EXPECT_EQ(Status(), kReady);
  sound->ResizeModel(kModelG, 1, 1);
  Activate(stated);
  EXPECT_EQ(Status(), kRefusedText);
  Activate(sound);
  g_pSimDoc = sound;  // as while a run drives it: the simulator is set up afresh
  sound->ResizeModel(kModelG, 2, 2);
  g_pSimDoc = nullptr;
  QxTest::PumpUntilIdle();
  EXPECT_EQ(sound->m_nRuns, 0);
  EXPECT_EQ(Status(), "1 stored run no longer fits the loop's signals and was removed.");
  HoverToolbarButton(ID_FILE_SAVE);
  EXPECT_EQ(Status(), kReady);
  Activate(stated);
  EXPECT_EQ(Status(), kRefusedText);
  Activate(sound);
  EXPECT_EQ(Status(), kReady);
  Close(stated);
}
