// The "Comments" bar: it shows the comment of the document the bars show and
// writes an edited comment back when the edit loses the focus.
#include "AppTestSupport.h"
#include "CommentBar.h"
#include "res/resource.h"

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
    CWnd* edit = Bar().GetDlgItem(IDC_COMMENT);
    Bar().SendMessage(WM_COMMAND, MAKEWPARAM(IDC_COMMENT, EN_KILLFOCUS),
                      reinterpret_cast<LPARAM>(edit->GetSafeHwnd()));
  }
};

}  // namespace

TEST_F(CommentBar, ShowsTheAttachedDocumentsComment) {
  CQorexDoc* first = ActiveDoc();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CQorexDoc* second = ActiveDoc();
  ASSERT_NE(second, first);
  first->m_strComment = "First design";
  second->m_strComment = "Second design";
  Bar().SetDocument(nullptr);
  EXPECT_STREQ(EditText(), "");
  Bar().SetDocument(first);
  EXPECT_STREQ(EditText(), "First design");
  Bar().SetDocument(second);
  EXPECT_STREQ(EditText(), "Second design");
  Bar().SetDocument(nullptr);
  EXPECT_STREQ(EditText(), "");
}

TEST_F(CommentBar, EditedCommentGoesIntoTheDocumentAndMarksItChanged) {
  CQorexDoc* doc = ActiveDoc();
  doc->SetModifiedFlag(FALSE);
  Bar().SetDocument(nullptr);
  Bar().SetDocument(doc);
  TypeAndLeave(doc->m_strComment);  // left unchanged
  EXPECT_FALSE(doc->IsModified());
  TypeAndLeave("Tuned for a faster step response");
  EXPECT_STREQ(doc->m_strComment, "Tuned for a faster step response");
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(CommentBar, ReattachingTheSameDocumentKeepsAnEditInProgress) {
  CQorexDoc* doc = ActiveDoc();
  Bar().SetDocument(doc);
  Bar().SetDlgItemText(IDC_COMMENT, "half typed");
  Bar().SetDocument(doc);
  EXPECT_STREQ(EditText(), "half typed");
}

TEST_F(CommentBar, WithoutADocumentLeavingTheEditChangesNothing) {
  Bar().SetDocument(nullptr);
  CQorexDoc* doc = ActiveDoc();
  const CString before = doc->m_strComment;
  TypeAndLeave("nobody reads this");
  EXPECT_STREQ(doc->m_strComment, before);
}
