// Where the keyboard is and which design is shown, with several designs open
// and the bars floating, as the user meets it (DesktopFocusSupport.h).
#include "tests/editing/DesktopFocusSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <vector>

namespace {

using namespace dlgtest;

class DesktopModalFocus : public DesktopFocusFixture {};

// Typing a comment into the floating bar, then a click on the design's
// caption or the main window's: the keys are the design's again, and Ctrl+S
// saves it.
TEST_F(DesktopModalFocus, AfterTypingInAFloatingBarACaptionClickGivesTheFrameItsKeys) {
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  ShowComments();
  QWidget* design = Frame()->MDIGetActive()->GetWidget()->parentWidget();
  QTemporaryDir dir;
  for (bool mainCaption : {false, true}) {
    SCOPED_TRACE(mainCaption ? "the main window's caption" : "the design's caption");
    Click(View()->GetWidget());
    for (const char* typed : {" a", " b"}) {
      Click(CommentEdit());
      // The end of the text, also where two clicks in a row made a double
      // click that selected a word.
      qxtest::XKeys("ctrl+End");
      qxtest::XType(typed);
      if (mainCaption) {
        qxtest::XClickCaption(Main());
      } else {
        const int caption = View()->GetWidget()->mapTo(design, QPoint(0, 0)).y();
        qxtest::XClick(design, QPoint(design->width() / 2, caption / 2));
      }
    }
    EXPECT_TRUE(KeyboardIn(Main()));
    EXPECT_EQ(FocusFollowed(View()), View());
    EXPECT_EQ(Doc(), docs[2]);
    EXPECT_EQ(docs[2]->m_strComment, mainCaption ? " a b a b" : " a b");

    // The first save asks for a name; the second writes the same file.
    const std::string path = QDir(dir.path()).filePath("typed.qox").toStdString();
    QFile::remove(QString::fromStdString(path));
    QxTest::FileDialogScript saveAs({path});
    qxtest::XKeys("ctrl+s");
    QxTest::PumpUntilIdle();
    EXPECT_EQ(saveAs.Prompts().size(), mainCaption ? 0u : 1u);
    EXPECT_FALSE(docs[2]->IsModified());
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
  }
}

// A shortcut of the frame's that an edit has no use for goes on to the frame
// while the edit has the keyboard.
TEST_F(DesktopModalFocus, TheFramesShortcutsWorkWhileABarsEditHasTheKeyboard) {
  ShowComments();
  const struct {
    const char* name;
    QWidget* field;
  } rows[] = {{"Comments", CommentEdit()}, {"Variables' value", ValueField()}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Click(row.field);
    ASSERT_TRUE(KeyboardIn(row.field));
    const int before = Designs();
    qxtest::XKeys("ctrl+n");
    QxTest::PumpUntilIdle();
    EXPECT_EQ(Designs(), before + 1);
  }
}

// "Edit Models" opened by a double click, or by a quick series of clicks, on
// a block: the dialog has the keyboard, and Escape closes it.
TEST_F(DesktopModalFocus, ADialogOpenedByADoubleClickHasTheKeyboard) {
  const struct {
    const char* name;
    CPoint at;
    int list;
    int clicks;
    int delayMs;
    bool fromBar;  // the keyboard was in the floating Variables bar
  } rows[] = {{"K, 100 ms", BlockCentre(kModelK), IDC_MODEL, 2, 100, false},
              {"command signal, 60 ms", SourceCentre(0), IDC_SIGNAL, 2, 60, false},
              {"P, 200 ms", BlockCentre(kModelP), IDC_MODEL, 2, 200, false},
              {"F, four at 80 ms", BlockCentre(kModelF), IDC_MODEL, 4, 80, false},
              {"K after the bar, 100 ms", BlockCentre(kModelK), IDC_MODEL, 2, 100, true},
              {"P after the bar, 150 ms", BlockCentre(kModelP), IDC_MODEL, 3, 150, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    bool keyboard = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      // The clicks after the one that opened it.
      EXPECT_TRUE(qxtest::InputReachedProgram()) << "the clicks never reached the program";
      keyboard = KeyboardIn(d.GetWidget());
      d.GetDlgItem(row.list)->SetFocus();
      qxtest::XKeys("Escape");
    }});
    if (row.fromBar) Click(Frame()->m_wndVarbar.m_wndList.GetWidget());
    qxtest::XClick(Bar().GetWidget(), QPoint(row.at.x, row.at.y), row.clicks, row.delayMs);
    (void)QTest::qWaitFor([&] { return !script.Dialogs().empty(); }, qxtest::kXEventBoundMs);
    QxTest::PumpUntilIdle();
    ASSERT_GE(script.Dialogs().size(), 1u);
    EXPECT_TRUE(keyboard);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript) << "Escape did not close the dialog";
    EXPECT_EQ(script.Dialogs()[0].result, IDCANCEL);
    // The keyboard goes back to the main window the dialog was opened from;
    // until it is there the window manager is still answering the closing,
    // and a click into another window meanwhile can lose its focus to that.
    EXPECT_TRUE(KeyboardIn(Main())) << "the keyboard did not come back from the closed dialog";
  }
}

// A click on a window behind a modal dialog gives the keyboard to the dialog.
TEST_F(DesktopModalFocus, AClickBehindADialogGivesTheDialogTheKeyboard) {
  Frame()->MDITile(MDITILE_VERTICAL);
  QxTest::PumpUntilIdle();
  const struct {
    const char* name;
    UINT command;
    int list;
    QWidget* behind;
    bool caption;
  } rows[] = {
      {"Edit Models, the view", ID_EDIT_MODELS, IDC_MODEL, View()->GetWidget(), false},
      {"Edit Signals, the main window's caption", ID_EDIT_SIGNALS, IDC_SIGNAL, Main(), true},
      {"Edit Models, the floating Variables bar", ID_EDIT_MODELS, IDC_MODEL,
       Frame()->m_wndVarbar.m_wndList.GetWidget(), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    bool keyboard = false;
    QxTest::DialogScript script({[&](CDialog& d) {
      EXPECT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
      d.GetDlgItem(row.list)->SetFocus();
      if (row.caption) {
        qxtest::XClickCaption(row.behind);
      } else {
        // A corner that the dialog leaves free.
        const QRect dialog = d.GetWidget()->frameGeometry();
        const QRect inner = row.behind->rect().adjusted(6, 6, -6, -6);
        for (const QPoint corner :
             {inner.bottomLeft(), inner.topLeft(), inner.bottomRight(), inner.topRight()}) {
          if (dialog.contains(row.behind->mapToGlobal(corner))) continue;
          qxtest::XClick(row.behind, corner);
          break;
        }
      }
      // A click on a caption the program never gets: the window manager has
      // handled it once it has handled what came after it (KeyboardIn waits
      // for that), and the keyboard must then still be the dialog's.
      keyboard = KeyboardIn(d.GetWidget());
      qxtest::XKeys("Escape");
    }});
    Command(row.command);
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_TRUE(keyboard);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript) << "Escape did not close the dialog";
    // Back where it was as the dialog opened, before the next row's clicks.
    EXPECT_TRUE(KeyboardIn(Main())) << "the keyboard did not come back from the closed dialog";
  }
}

// Three designs, the last one active, the keyboard in the floating Variables
// bar's list: however "Edit Signals" or "Edit Models" ends, the last design
// stays the shown one.
TEST_F(DesktopModalFocus, ClosingAnEditorFromAFloatingBarShowsNoOtherDesign) {
  const std::vector<CQorexDoc*> docs = ThreeTiledDesigns();
  const struct {
    const char* name;
    UINT command;
    int list;
    const char* keys;
  } rows[] = {
      {"Edit Signals, Escape", ID_EDIT_SIGNALS, IDC_SIGNAL, "Escape"},
      {"Edit Signals, Return", ID_EDIT_SIGNALS, IDC_SIGNAL, "Return"},
      {"Edit Models, Escape", ID_EDIT_MODELS, IDC_MODEL, "Escape"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Click(Frame()->m_wndVarbar.m_wndList.GetWidget());
    ASSERT_EQ(Doc(), docs[2]);
    QxTest::DialogScript script({[&](CDialog& d) {
      EXPECT_TRUE(qxtest::WaitForFocusWindow(d.GetWidget())) << "the dialog never got the keyboard";
      d.GetDlgItem(row.list)->SetFocus();
      qxtest::XKeys(row.keys);
    }});
    Command(row.command);
    // The window manager has answered the closing once the keyboard is back.
    EXPECT_TRUE(KeyboardIn(Frame()->m_wndVarbar.m_wndList.GetWidget()));
    QxTest::PumpUntilIdle();
    ASSERT_EQ(script.Dialogs().size(), 1u);
    EXPECT_FALSE(script.Dialogs()[0].endedByScript);
    EXPECT_EQ(Doc(), docs[2]);
    EXPECT_EQ(Title(), "Quorvathine - Qorex3");
    EXPECT_EQ(Bar().m_pDoc, docs[2]);
    EXPECT_EQ(Frame()->m_wndVarbar.m_pDoc, docs[2]);
  }
}

}  // namespace
