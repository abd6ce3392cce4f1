// The "Comments" bar: it shows the comment of the document the bars show and
// writes an edited comment back when the edit loses the focus.
#include "tests/support/QorexAppFixture.h"
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
