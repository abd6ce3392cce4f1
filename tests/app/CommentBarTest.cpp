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

TEST_F(CommentBar, ShowsTheAttachedDocumentsCommentAndKeepsAnEditInProgress) {
  CQorexDoc* first = ActiveDoc();
  Frame()->SendMessage(WM_COMMAND, ID_FILE_NEW);
  QxTest::PumpUntilIdle();
  CQorexDoc* second = ActiveDoc();
  ASSERT_NE(second, first);
  first->m_strComment = "First design";
  second->m_strComment = "Second design";
  const struct {
    CQorexDoc* doc;
    const char* shown;
  } rows[] = {{nullptr, ""}, {first, "First design"}, {second, "Second design"}, {nullptr, ""}};
  for (const auto& row : rows) {
    Bar().SetDocument(row.doc);
    EXPECT_STREQ(EditText(), row.shown);
  }
  Bar().SetDocument(first);
  Bar().SetDlgItemText(IDC_COMMENT, "half typed");
  Bar().SetDocument(first);  // the same design again
  EXPECT_STREQ(EditText(), "half typed");
}

TEST_F(CommentBar, LeavingTheEditStoresAChangedCommentInTheAttachedDocument) {
  CQorexDoc* doc = ActiveDoc();
  doc->SetModifiedFlag(FALSE);
  Bar().SetDocument(nullptr);
  TypeAndLeave("nobody reads this");  // without a document: nothing changes
  EXPECT_STRNE(doc->m_strComment, "nobody reads this");
  Bar().SetDocument(doc);
  TypeAndLeave(doc->m_strComment);  // left unchanged
  EXPECT_FALSE(doc->IsModified());
  TypeAndLeave("Tuned for a faster step response");
  EXPECT_STREQ(doc->m_strComment, "Tuned for a faster step response");
  EXPECT_TRUE(doc->IsModified());
}
