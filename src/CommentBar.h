#pragma once
// CCommentBar: the "Comments" dialog bar: one multi-line edit showing the
// free-text comment of the document the bars show. The document attaches and
// detaches itself through CDesignBar. Every change of the edit's text is the
// document's comment at once, so whatever saves the design (a menu or toolbar
// click takes no focus from the edit) writes what the bar shows.
#include "DesignBar.h"
#include "platform/core/String.h"
#include "platform/ui/ControlBar.h"

class CCommentBar : public CDialogBar, public CDesignBar {
  DECLARE_DYNAMIC(CCommentBar)

 public:
  // Sets g_pCommentBar to this bar.
  CCommentBar();
  ~CCommentBar() override;

  // The whole design: SetDocument(doc), so an edit in progress stays.
  void ShowDesign(CQorexDoc* doc, DesignPart part, int sample) override;
  void ForgetDesign(const CQorexDoc* doc) override;

  // Attaches a document (null: detaches) and shows its comment. Attaching
  // the document already attached changes nothing. Showing a comment is no
  // edit: it changes no document.
  void SetDocument(CQorexDoc* pDoc);
  void DoDataExchange(CDataExchange* pDX) override;

  CQorexDoc* m_pDoc = nullptr;
  CString m_strComment;  // the edit control's text

 protected:
  // The edit's text changed, or the edit lost the focus: its text becomes
  // the attached document's comment. A changed comment marks the document
  // modified, so that closing and quitting ask to save it.
  void OnChangeEdit();
  void OnKillFocusEdit();

 private:
  // The edit's text into the attached document, unless the bar is filling
  // the edit itself.
  void TakeEditText();
  bool m_bFilling = false;  // SetDocument is putting a comment into the edit

  DECLARE_MESSAGE_MAP()
};

// The "Comments" bar, set by its constructor.
extern CCommentBar* g_pCommentBar;
