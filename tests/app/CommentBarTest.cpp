// The "Comments" bar: it shows the comment of the document the bars show and
// writes what is typed into it back into that document at once, so every
// save writes the comment the bar shows.
#include "tests/support/QorexAppFixture.h"
#include "CommentBar.h"
#include "platform/testing/DialogHooks.h"
#include "res/resource.h"
#include "tests/support/DesktopInput.h"
#include "tests/support/TestSupport.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <fstream>
#include <functional>
#include <string>

namespace {

class CommentBar : public QorexAppTest {
 protected:
  CCommentBar& Bar() { return Frame()->m_wndCommentBar; }
  CString EditText() {
    CString text;
    Bar().GetDlgItemText(IDC_COMMENT, text);
    return text;
  }
  void TypeAndLeave(const char* text) {
    Bar().SetDlgItemText(IDC_COMMENT, text);
    Bar().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_COMMENT, EN_KILLFOCUS),
                      reinterpret_cast<LPARAM>(Bar().GetDlgItem(IDC_COMMENT)->GetSafeHwnd()));
  }
};

}  // namespace

// Attaching the same design again (as every activation does) keeps an edit in progress.
TEST_F(CommentBar, ShowsTheAttachedDocumentsCommentAndKeepsAnEditInProgress) {
  CQorexDoc* doc = ActiveDoc();
  doc->m_strComment = "First design";
  Bar().SetDocument(nullptr);
  EXPECT_STREQ(EditText(), "");
  Bar().SetDocument(doc);
  EXPECT_STREQ(EditText(), "First design");
  Bar().SetDlgItemText(IDC_COMMENT, "half typed");
  Bar().SetDocument(doc);
  EXPECT_STREQ(EditText(), "half typed");
}

TEST_F(CommentBar, LeavingTheEditStoresAChangedCommentInTheAttachedDocument) {
  CQorexDoc* doc = ActiveDoc();
  doc->SetModifiedFlag(FALSE);
  Bar().SetDocument(nullptr);
  TypeAndLeave("nobody reads this");  // without a document: nothing changes
  Bar().SetDocument(doc);
  TypeAndLeave(doc->m_strComment);  // left unchanged
  EXPECT_FALSE(doc->IsModified());
  TypeAndLeave("Tuned for a faster step response");
  EXPECT_STREQ(doc->m_strComment, "Tuned for a faster step response");
  EXPECT_TRUE(doc->IsModified());
}

namespace {

// Every road by which a design reaches its file, taken right after typing
// into the "Comments" bar: none of them takes the focus from the edit first.
class CommentRoads : public CommentBar {
 protected:
  void SetUp() override {
    CommentBar::SetUp();
    m_dir = qxtest::MakeTempDir("comments");
    if (!Bar().IsWindowVisible()) Frame()->SendMessage(WM_COMMAND, ID_VIEW_COMMENTS);
    QxTest::PumpUntilIdle();
  }
  // A design saved once under `name`, so that Save writes without asking.
  CQorexDoc* SavedDesign(const char* name) {
    CQorexDoc* doc = ActiveDoc();
    EXPECT_TRUE(doc && doc->DoSave((m_dir + "/" + name).c_str()));
    EXPECT_FALSE(doc->IsModified());
    return doc;
  }
  // Keys into the comment edit, as the user types them there.
  void Type(const char* text) {
    Bar().GetDlgItem(IDC_COMMENT)->SetFocus();
    QxTest::TypeText(text);
    QxTest::PumpUntilIdle();
    ASSERT_EQ(QxTest::Focus(), Bar().GetDlgItem(IDC_COMMENT));
  }
  // Chooses the item with the mouse from the menu bar's popup `title`.
  void ChooseMenuItem(const char* title, UINT id) {
    QMenuBar* bar = Frame()->QxMainWindow()->menuBar();
    QAction* popupTitle = nullptr;
    for (QAction* action : bar->actions())
      if (action->text() == QLatin1String(title)) popupTitle = action;
    ASSERT_NE(popupTitle, nullptr) << title;
    bar->setActiveAction(popupTitle);
    QMenu* popup = popupTitle->menu();
    ASSERT_TRUE(popup && popup->isVisible()) << title;
    QAction* item = nullptr;
    for (QAction* action : popup->actions())
      if (action->data().toUInt() == id && !action->menu()) item = action;
    ASSERT_NE(item, nullptr) << id;
    qxtest::SystemClick(popup, popup->actionGeometry(item).center());
    QxTest::PumpUntilIdle();
  }
  void FocusDiagram() {
    POSITION pos = ActiveDoc()->GetFirstViewPosition();
    ActiveDoc()->GetNextView(pos)->SetFocus();
  }
  void PressToolbarButton(UINT id) {
    auto* tools = qobject_cast<QToolBar*>(Frame()->m_wndToolBar.QxContainer());
    ASSERT_NE(tools, nullptr);
    QWidget* button = nullptr;
    for (QAction* action : tools->actions())
      if (action->data().toUInt() == id) button = tools->widgetForAction(action);
    ASSERT_NE(button, nullptr) << id;
    qxtest::SystemClick(button, button->rect().center());
    QxTest::PumpUntilIdle();
  }
  // The comment a saved file begins with (a short one: one length byte).
  std::string StoredComment(const char* name) const {
    std::ifstream in(m_dir + "/" + name, std::ios::binary);
    const int length = in.get();
    if (length < 0 || length >= 255) return "<no short comment>";
    std::string text(static_cast<size_t>(length), '\0');
    in.read(text.data(), length);
    return in ? text : "<cut short>";
  }

  std::string m_dir;
};

}  // namespace

TEST_F(CommentRoads, WhatTheBarShowsIsWhatEverySaveWrites) {
  const struct {
    const char* name;
    std::function<void()> save;
    bool closes = false;  // the road closes the design
  } roads[] = {
      {"menu-save.qox", [this] { ChooseMenuItem("&File", ID_FILE_SAVE); }},
      {"toolbar-save.qox", [this] { PressToolbarButton(ID_FILE_SAVE); }},
      // The edit keeps the keys it is typed: Ctrl+S is pressed where the
      // frame takes it, in the diagram.
      {"ctrl-s.qox",
       [this] {
         FocusDiagram();
         QxTest::PressKey('S', MK_CONTROL);
         QxTest::PumpUntilIdle();
       }},
      {"save-as.qox",
       [this] {
         QxTest::FileDialogScript files({m_dir + "/save-as.qox"});
         ChooseMenuItem("&File", ID_FILE_SAVE_AS);
         EXPECT_EQ(files.Prompts().size(), 1u);
       }},
      {"close-prompt.qox",
       [this] {
         QxTest::MessageBoxScript boxes({IDYES});
         ChooseMenuItem("&File", ID_FILE_CLOSE);
         ASSERT_EQ(boxes.Boxes().size(), 1u);
         EXPECT_EQ(boxes.Boxes()[0].text, "Save changes to close-prompt.qox?");
       },
       true},
      // Another design made and shown while the text is typed, then this one
      // active again and saved.
      {"switch.qox",
       [this] {
         CMDIChildWnd* typedIn = Frame()->MDIGetActive();
         PressToolbarButton(ID_FILE_NEW);
         CQorexDoc* other = ActiveDoc();
         EXPECT_STREQ(EditText(), "");
         EXPECT_STREQ(other->m_strComment, "");
         EXPECT_FALSE(other->IsModified());
         Frame()->MDIActivate(typedIn);
         QxTest::PumpUntilIdle();
         PressToolbarButton(ID_FILE_SAVE);
         other->OnCloseDocument();
       }},
  };
  for (const auto& road : roads) {
    SCOPED_TRACE(road.name);
    Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
    QxTest::PumpUntilIdle();
    CQorexDoc* doc = SavedDesign(road.name);
    const std::string typed = std::string("Typed before ") + road.name;
    Type(typed.c_str());
    // The design holds the text, changed, before anything takes the focus.
    EXPECT_STREQ(doc->m_strComment, typed.c_str());
    EXPECT_TRUE(doc->IsModified());
    road.save();
    EXPECT_EQ(StoredComment(road.name), typed);
    if (road.closes) continue;
    EXPECT_FALSE(doc->IsModified());
    doc->OnCloseDocument();
    QxTest::PumpUntilIdle();
  }
}

TEST_F(CommentRoads, QuittingSavesTheTypedComment) {
  SavedDesign("quit.qox");
  Type("Typed before quitting");
  QxTest::MessageBoxScript boxes({IDYES});
  ChooseMenuItem("&File", ID_APP_EXIT);
  EXPECT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(m_app->GetOpenDocumentCount(), 0);
  EXPECT_EQ(StoredComment("quit.qox"), "Typed before quitting");
}
